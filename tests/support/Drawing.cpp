#include "support/Drawing.h"

#include "Fatal.h"

namespace kvtest {

kvrec::Recorder& TestDC::Log() const
{
    kvrec::Recorder* recorder = KvRecorder(m_hDC);
    if (!recorder)
        KvFatal("TestDC::Log: the DC does not record");
    return *recorder;
}

std::unique_ptr<TestDC> MakeRecordingDC(int width, int height, int dpi, bool printing)
{
    return std::make_unique<TestDC>(KvCreateRecordingDC(width, height, dpi, printing));
}

std::unique_ptr<TestDC> MakeRasterDC(int width, int height, KvRasterKind kind)
{
    return std::make_unique<TestDC>(KvCreateRasterDC(width, height, 96, kind));
}

std::unique_ptr<TestDC> MakePdfDC(const std::string& path, int width, int height, int dpi)
{
    return std::make_unique<TestDC>(KvCreatePdfDC(path.c_str(), width, height, dpi));
}

std::unique_ptr<TestDC> MakeSvgDC(const std::string& path, int width, int height, int dpi)
{
    return std::make_unique<TestDC>(KvCreateSvgDC(path.c_str(), width, height, dpi));
}

void SetScale(CDC& dc, int window, int viewport)
{
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(window, window);
    dc.SetViewportExt(viewport, viewport);
}

} // namespace kvtest
