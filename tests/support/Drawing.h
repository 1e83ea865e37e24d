#pragma once
// Device contexts for tests: each maker returns a CDC that owns its handle
// and deletes it with the test.

#include "Platform.h"

#include <memory>
#include <string>

namespace kvtest {

// A CDC over a DC made by one of the makers below.
class TestDC : public CDC {
public:
    explicit TestDC(HDC hdc) { Attach(hdc); }
    // The DC's log; the DC must record.
    kvrec::Recorder& Log() const;
};

std::unique_ptr<TestDC> MakeRecordingDC(int width = 800, int height = 600, int dpi = 96, bool printing = false);
// A raster DC, white at first; screen-like (aliased) unless `kind` says page.
std::unique_ptr<TestDC> MakeRasterDC(int width, int height, KvRasterKind kind = KvRasterKind::Screen);
std::unique_ptr<TestDC> MakePdfDC(const std::string& path, int width = 800, int height = 600, int dpi = 96);
std::unique_ptr<TestDC> MakeSvgDC(const std::string& path, int width = 800, int height = 600, int dpi = 96);

// Sets up MM_ANISOTROPIC with the given window and viewport extents.
void SetScale(CDC& dc, int window, int viewport);

} // namespace kvtest
