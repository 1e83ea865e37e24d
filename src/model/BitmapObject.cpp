// The BMP image object: one bounded reader for files and records, the
// writer, the image block and its check, and drawing at the image's scale.

#include "BitmapObject.h"

#include "platform/Dib.h"
#include "platform/LittleEndian.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD kInfoSize = 40;
constexpr DWORD kHeadersSize = kBitmapFileHeaderSize + kInfoSize;
constexpr LONG kMaxSide = 16384;
constexpr DWORD kFileSizeLimit = 30000;
constexpr WORD kBmpType = 0x4D42; // "BM"

bool DepthSupported(unsigned depth)
{
    return depth == 1 || depth == 4 || depth == 8 || depth == 24;
}

DWORD TableEntries(unsigned depth)
{
    return depth == 24 || !DepthSupported(depth) ? 0 : DWORD(1) << depth;
}

bool SidesInBounds(int64_t width, int64_t height)
{
    return width >= 1 && width <= kMaxSide && height != 0 && height >= -kMaxSide && height <= kMaxSide;
}

// Bytes of the rows of an image with sides in bounds.
uint64_t RowsSize(int64_t width, int64_t height, unsigned depth)
{
    const uint64_t stride = ((uint64_t(width) * depth + 31) / 32) * 4;
    return stride * uint64_t(height < 0 ? -height : height);
}

void ParseFileHeader(const BYTE* p, BITMAPFILEHEADER& h)
{
    h.bfType = GetWord(p);
    h.bfSize = GetDword(p + 2);
    h.bfReserved1 = GetWord(p + 6);
    h.bfReserved2 = GetWord(p + 8);
    h.bfOffBits = GetDword(p + 10);
}

void PutFileHeader(BYTE* p, const BITMAPFILEHEADER& h)
{
    PutWord(p, h.bfType);
    PutDword(p + 2, h.bfSize);
    PutWord(p + 6, h.bfReserved1);
    PutWord(p + 8, h.bfReserved2);
    PutDword(p + 10, h.bfOffBits);
}

bool ReadExactly(CFile& file, BYTE* buffer, DWORD count)
{
    return file.Read(buffer, count) == count;
}

DWORD Remaining(const CFile& file)
{
    const DWORD length = file.GetLength();
    const DWORD position = file.GetPosition();
    return position < length ? length - position : 0;
}

// Moves `count` bytes on, never past the end of the file.
void SkipBounded(CFile& file, uint64_t count)
{
    const uint64_t step = std::min<uint64_t>(count, Remaining(file));
    if (step > 0)
        file.Seek(static_cast<LONG>(step), CFile::current);
}

void PutPlacement(BYTE* p, LONG x, LONG y, LONG width, LONG height)
{
    PutDword(p, static_cast<DWORD>(x));
    PutDword(p + 4, static_cast<DWORD>(y));
    PutDword(p + 8, static_cast<DWORD>(width));
    PutDword(p + 12, static_cast<DWORD>(height));
}

} // namespace

bool KvImageBlockValid(const BYTE* block, size_t size, const BITMAPINFOHEADER* expected)
{
    if (!block || size < kInfoSize)
        return false;
    BITMAPINFOHEADER h;
    kvdib::ReadInfoHeader(block, h);
    if (h.biSize != kInfoSize || !DepthSupported(h.biBitCount) || h.biCompression != BI_RGB ||
        !SidesInBounds(h.biWidth, h.biHeight) || h.biClrUsed > TableEntries(h.biBitCount))
        return false;
    if (expected && (expected->biWidth != h.biWidth || expected->biHeight != h.biHeight ||
                     expected->biBitCount != h.biBitCount))
        return false;
    const uint64_t needed = kInfoSize + uint64_t(h.biClrUsed) * 4 + RowsSize(h.biWidth, h.biHeight, h.biBitCount);
    return needed <= size;
}

CKVBitmapObject::~CKVBitmapObject()
{
    ReleaseImage();
}

void CKVBitmapObject::ReleaseImage()
{
    std::free(m_pImage);
    m_pImage = nullptr;
    m_pBits = nullptr;
    m_pPalette = nullptr;
}

long CKVBitmapObject::GetSize()
{
    return static_cast<long>(uint64_t(m_bmih.biSize) + m_bmih.biSizeImage + GetPaletteSize());
}

void* CKVBitmapObject::CreateImage(unsigned long width, unsigned long height, unsigned short bitCount)
{
    ReleaseImage();
    // The sides arrive as the info header's signed words did.
    const LONG w = static_cast<LONG>(width);
    const LONG h = static_cast<LONG>(height);
    if (!DepthSupported(bitCount) || !SidesInBounds(w, h))
        return nullptr;
    const uint64_t rows = RowsSize(w, h, bitCount);
    m_bmih.biSize = kInfoSize;
    m_bmih.biWidth = w;
    m_bmih.biHeight = h;
    m_bmih.biBitCount = bitCount;
    m_bmih.biClrUsed = TableEntries(bitCount);
    m_bmih.biSizeImage = static_cast<DWORD>(std::max<uint64_t>(m_bmih.biSizeImage, rows));
    BYTE* block = static_cast<BYTE*>(std::calloc(1, static_cast<size_t>(GetSize())));
    if (!block)
        return nullptr;
    kvdib::WriteInfoHeader(block, m_bmih);
    m_pImage = block;
    m_pPalette = m_bmih.biClrUsed ? reinterpret_cast<RGBQUAD*>(block + kInfoSize) : nullptr;
    m_pBits = block + kInfoSize + GetPaletteSize();
    return block;
}

int CKVBitmapObject::ReadImage(CFile& file, bool fileRules)
{
    ReleaseImage();
    const DWORD start = file.GetPosition();
    BYTE headers[kHeadersSize];
    if (!ReadExactly(file, headers, kHeadersSize))
        return 0;
    ParseFileHeader(headers, m_bmfh);
    kvdib::ReadInfoHeader(headers + kBitmapFileHeaderSize, m_bmih);
    if (m_bmih.biSize < kInfoSize)
        return 0;
    // A file's longer header (version 4 or 5) is skipped; a record's header
    // is always 40 bytes long.
    if (fileRules && m_bmih.biSize > kInfoSize) {
        if (m_bmih.biSize - kInfoSize > Remaining(file))
            return 0;
        SkipBounded(file, m_bmih.biSize - kInfoSize);
    }
    const DWORD storedHeader = fileRules ? m_bmih.biSize : kInfoSize;
    if (m_bmih.biSizeImage == 0)
        m_bmih.biSizeImage = m_bmfh.bfSize > m_bmfh.bfOffBits ? m_bmfh.bfSize - m_bmfh.bfOffBits : 0;

    const unsigned depth = m_bmih.biBitCount;
    if (DepthSupported(depth)) {
        if (!SidesInBounds(m_bmih.biWidth, m_bmih.biHeight))
            return 0;
        const uint64_t rows = RowsSize(m_bmih.biWidth, m_bmih.biHeight, depth);
        if (m_bmih.biSizeImage < rows)
            m_bmih.biSizeImage = static_cast<DWORD>(rows);
    }
    if (fileRules && m_bmih.biSizeImage > kFileSizeLimit) {
        AfxMessageBox("ｲﾒｰｼﾞｻｲｽﾞが大きすぎます。", MB_OK);
        return 0;
    }
    const uint64_t recordTable = uint64_t(TableEntries(depth)) * 4;
    if (!DepthSupported(depth) || m_bmih.biCompression != BI_RGB) {
        if (!fileRules)
            SkipBounded(file, recordTable + m_bmih.biSizeImage);
        throw DepthSupported(depth) ? "unknown compression" : "compression type not supported";
    }
    if (!fileRules && recordTable + m_bmih.biSizeImage > Remaining(file))
        return 0;

    const DWORD storedClrUsed = m_bmih.biClrUsed;
    if (!CreateImage(static_cast<unsigned long>(m_bmih.biWidth), static_cast<unsigned long>(m_bmih.biHeight),
                     static_cast<unsigned short>(depth)))
        return 0;
    // A file may carry a compact table; the rest of the full one stays zero.
    DWORD tableBytes = GetPaletteSize();
    if (fileRules && storedClrUsed >= 1 && storedClrUsed <= m_bmih.biClrUsed)
        tableBytes = storedClrUsed * 4;
    if (tableBytes && !ReadExactly(file, reinterpret_cast<BYTE*>(m_pPalette), tableBytes)) {
        ReleaseImage();
        return 0;
    }
    if (fileRules) {
        // The bits start at bfOffBits when that lies past the table and
        // leaves room for them; otherwise they follow the table.
        const uint64_t tableEnd = uint64_t(kBitmapFileHeaderSize) + storedHeader + tableBytes;
        const uint64_t offset = uint64_t(start) + m_bmfh.bfOffBits;
        if (m_bmfh.bfOffBits >= tableEnd && offset + m_bmih.biSizeImage <= file.GetLength())
            file.Seek(static_cast<LONG>(offset), CFile::begin);
    }
    if (!ReadExactly(file, m_pBits, m_bmih.biSizeImage) || !KvImageBlockValid(m_pImage, static_cast<size_t>(GetSize()))) {
        ReleaseImage();
        return 0;
    }
    return 1;
}

int CKVBitmapObject::LoadImageA(const char* path)
{
    CFile file;
    if (!path || !file.Open(path, CFile::modeRead | CFile::typeBinary)) {
        ReleaseImage();
        return 0;
    }
    return ReadImage(file, kBmpFileRules);
}

int CKVBitmapObject::LoadImageA(CFile* file)
{
    ReleaseImage();
    BYTE placement[16];
    if (!file || !ReadExactly(*file, placement, sizeof placement))
        return 0;
    m_nLeft = static_cast<LONG>(GetDword(placement));
    m_nTop = static_cast<LONG>(GetDword(placement + 4));
    m_nWidth = static_cast<LONG>(GetDword(placement + 8));
    m_nHeight = static_cast<LONG>(GetDword(placement + 12));
    return ReadImage(*file, kBmpRecordRules);
}

int CKVBitmapObject::WriteImage(CFile& file)
{
    // The headers are written for the image as it is held: a 40-byte header,
    // the full table and the bits right after it.
    BITMAPFILEHEADER fileHeader = m_bmfh;
    fileHeader.bfType = kBmpType;
    fileHeader.bfOffBits = kHeadersSize + GetPaletteSize();
    fileHeader.bfSize = fileHeader.bfOffBits + m_bmih.biSizeImage;
    BITMAPINFOHEADER info = m_bmih;
    info.biClrUsed = 0;
    BYTE headers[kHeadersSize];
    PutFileHeader(headers, fileHeader);
    kvdib::WriteInfoHeader(headers + kBitmapFileHeaderSize, info);
    file.Write(headers, kHeadersSize);
    if (GetPaletteSize())
        file.Write(m_pPalette, GetPaletteSize());
    file.Write(m_pBits, m_bmih.biSizeImage);
    return 1;
}

int CKVBitmapObject::SaveImage(const char* path)
{
    CFile file;
    if (!m_pImage || !path || !file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary))
        return 0;
    try {
        return WriteImage(file);
    } catch (const CFileException&) {
        return 0;
    }
}

int CKVBitmapObject::SaveImage(CFile* file)
{
    if (!m_pImage || !file)
        return 0;
    BYTE placement[16];
    PutPlacement(placement, m_nLeft, m_nTop, m_nWidth, m_nHeight);
    file->Write(placement, sizeof placement);
    return WriteImage(*file);
}

CKVBitmapObject& CKVBitmapObject::operator=(const CKVBitmapObject& other)
{
    if (this == &other)
        return *this;
    ReleaseImage();
    m_nTop = other.m_nTop;
    m_nLeft = other.m_nLeft;
    m_nWidth = other.m_nWidth;
    m_nHeight = other.m_nHeight;
    m_bmfh = other.m_bmfh;
    m_bmih = other.m_bmih;
    const size_t size = static_cast<size_t>(GetSize());
    if (!other.m_pImage || !KvImageBlockValid(other.m_pImage, size))
        return *this;
    m_pImage = static_cast<BYTE*>(std::malloc(size));
    if (!m_pImage)
        return *this;
    std::memcpy(m_pImage, other.m_pImage, size);
    m_pPalette = m_bmih.biClrUsed ? reinterpret_cast<RGBQUAD*>(m_pImage + kInfoSize) : nullptr;
    m_pBits = m_pImage + kInfoSize + GetPaletteSize();
    return *this;
}

void CKVBitmapObject::DrawImage(HDC hdc, int x, int y, int, int)
{
    if (!m_pImage || !hdc)
        return;
    // The block holds biClrUsed colours; a device reads a full table for a
    // count of 0 at 1 to 8 bits, which such a block does not have.
    if (m_bmih.biBitCount <= 8 && m_bmih.biClrUsed == 0)
        return;
    const int width = m_bmih.biWidth;
    const int height = std::abs(m_bmih.biHeight);
    HDC memory = ::CreateCompatibleDC(hdc);
    if (!memory)
        return;
    HBITMAP bitmap = ::CreateCompatibleBitmap(hdc, width, height);
    if (bitmap) {
        ::SetDIBits(hdc, bitmap, 0, static_cast<UINT>(height), m_pBits,
                    reinterpret_cast<const BITMAPINFO*>(m_pImage), DIB_RGB_COLORS);
        HGDIOBJ previous = ::SelectObject(memory, bitmap);
        int drawnWidth = m_nWidth;
        int drawnHeight = m_nHeight;
        if (m_bmfh.bfReserved1 != 0 && m_bmfh.bfReserved2 != 0) {
            drawnWidth = width * m_bmfh.bfReserved1 / 100;
            drawnHeight = height * m_bmfh.bfReserved2 / 100;
        }
        ::StretchBlt(hdc, x, y, drawnWidth, drawnHeight, memory, 0, 0, width, height, SRCCOPY);
        ::SelectObject(memory, previous);
        ::DeleteObject(bitmap);
    }
    ::DeleteDC(memory);
}
