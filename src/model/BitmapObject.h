#pragma once
// CKVBitmapObject: an uncompressed BMP image (1, 4, 8 or 24 bits per pixel)
// held in one block with its placement and drawing scale; read and written
// as stand-alone files and as records inside the library's own files.

#include "platform/Platform.h"

#include <cstddef>

// One image block as the library keeps it: a 40-byte info header (little
// endian) of depth 1, 4, 8 or 24, compression 0 and sides of 1 to 16,384
// (the height negative for top-down rows), a colour table of the entry count
// the header gives (at most 2^depth), and at least stride x |height| bytes
// of bits, all within `size` bytes. With `expected`, the block's width,
// height and depth must also equal that header's (the record of a custom
// symbol carries both).
bool KvImageBlockValid(const BYTE* block, size_t size, const BITMAPINFOHEADER* expected = nullptr);

// The form argument of CKVBitmapObject::ReadImage.
constexpr bool kBmpFileRules = true;
constexpr bool kBmpRecordRules = false;

class CKVBitmapObject : public CObject {
public:
    CKVBitmapObject() = default;
    ~CKVBitmapObject() override;
    CKVBitmapObject(const CKVBitmapObject&) = delete;

    // Loads a BMP file: 1 on success; 0 when the file cannot be opened, is
    // damaged or cut short, or its image is over 30,000 bytes (the user is
    // told; the headers are then kept without an image). Throws a text
    // ("unknown compression", "compression type not supported") for a
    // format that is not read; the file is closed as it leaves. Any image
    // held before is released first.
    int LoadImageA(const char* path);
    // Writes the image as a BMP file: 1, or 0 when there is no image or the
    // file cannot be written.
    int SaveImage(const char* path);
    // The record form at the file's current position: i32 x, y, width and
    // height, then the BMP file without gaps (14 + 40 header bytes, the full
    // colour table, biSizeImage bytes of bits). The load has no size limit
    // but refuses a record longer than what remains; it throws like the
    // path form, after skipping the record so that the stream stays in step.
    int LoadImageA(CFile* file);
    int SaveImage(CFile* file);

    // Makes a zeroed image block of the given sides and depth: the info
    // header takes them, biSize 40, the full colour table and at least the
    // rows' size. Null, keeping no image, for a side or depth out of bounds
    // or a failed allocation.
    void* CreateImage(unsigned long width, unsigned long height, unsigned short bitCount);
    // Draws the image with its top-left corner at (x, y): at its scale when
    // both scale words are set, else at the placement size. The last two
    // arguments are not used.
    void DrawImage(HDC hdc, int x, int y, int, int);

    // The reader and writer under both forms, from and to the file's current
    // position: with kBmpFileRules the BMP file as LoadImageA(path) reads it
    // (size limit, longer headers, compact tables, bfOffBits), without them
    // the BMP part of a record. The load forms call these.
    int ReadImage(CFile& file, bool fileRules);
    int WriteImage(CFile& file);

    unsigned char* GetBits() { return m_pBits; }
    RGBQUAD* GetPalette() const { return m_pPalette; }
    // Bytes of the colour table.
    unsigned long GetPaletteSize() { return static_cast<unsigned long>(m_bmih.biClrUsed) * 4; }
    // Bytes of the image block.
    long GetSize();

    // Copies the placement, the headers and the image; a source without a
    // (sound) image leaves the target with none.
    CKVBitmapObject& operator=(const CKVBitmapObject& other);

    RGBQUAD* m_pPalette = nullptr;
    LONG m_nTop = 0;
    LONG m_nLeft = 0;
    LONG m_nWidth = 0;
    LONG m_nHeight = 0;
    BYTE* m_pBits = nullptr;
    BYTE* m_pImage = nullptr;
    // The two reserved words hold the horizontal and vertical scale in
    // percent (0: drawn at the placement size).
    BITMAPFILEHEADER m_bmfh {};
    // biClrUsed holds the entry count of the held image's colour table.
    BITMAPINFOHEADER m_bmih {};

private:
    void ReleaseImage();
};
