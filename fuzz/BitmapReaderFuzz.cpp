// Fuzz target of the BMP reader. The input's first byte chooses the form
// (even: a BMP file under the file rules, odd: an image record), the rest is
// the file or record. What loads must save and load again to the same image,
// copy, and draw.

#include "FuzzSupport.h"

#include <cstring>

namespace {

bool SameImage(CKVBitmapObject& a, CKVBitmapObject& b)
{
    return a.GetSize() == b.GetSize() && std::memcmp(a.m_pImage, b.m_pImage, size_t(a.GetSize())) == 0 &&
           a.m_nLeft == b.m_nLeft && a.m_nTop == b.m_nTop && a.m_nWidth == b.m_nWidth &&
           a.m_nHeight == b.m_nHeight && a.m_bmfh.bfReserved1 == b.m_bmfh.bfReserved1 &&
           a.m_bmfh.bfReserved2 == b.m_bmfh.bfReserved2;
}

int Load(CKVBitmapObject& image, CFile& file, bool asFile)
{
    try {
        return asFile ? image.ReadImage(file, kBmpFileRules) : image.LoadImageA(&file);
    } catch (const char*) {
        return 0;
    }
}

void Check(CKVBitmapObject& image, bool asFile)
{
    if (!image.m_pImage || !KvImageBlockValid(image.m_pImage, size_t(image.GetSize())))
        kvfuzz::Fail("a loaded image holds no sound block");
    CMemFile saved;
    if ((asFile ? image.WriteImage(saved) : image.SaveImage(&saved)) != 1)
        kvfuzz::Fail("a loaded image cannot be saved");
    saved.SeekToBegin();
    CKVBitmapObject again;
    if (Load(again, saved, asFile) != 1 || !SameImage(image, again))
        kvfuzz::Fail("a saved image does not load as it was");
    CKVBitmapObject copy;
    copy = image;
    if (!SameImage(copy, image))
        kvfuzz::Fail("a copied image differs");
    CDC dc;
    dc.Attach(KvCreateRasterDC(64, 64));
    copy.DrawImage(dc, 3, 5, 0, 0);
    dc.DeleteDC();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > (1u << 20))
        return 0;
    kvfuzz::BeginInput();
    const bool asFile = (data[0] & 1) == 0;
    CMemFile file(const_cast<BYTE*>(data + 1), UINT(size - 1));
    CKVBitmapObject image;
    if (Load(image, file, asFile) == 1)
        Check(image, asFile);
    return 0;
}
