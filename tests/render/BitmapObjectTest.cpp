// BMP images: the file and record forms, their refusals, the colour table
// and bits in the right places, copies, creation and drawing at scale.

#include "support/BmpMaker.h"
#include "support/Drawing.h"
#include "support/KvTest.h"

#include "Kvorel.h"
#include "platform/LittleEndian.h"

#include <cstring>
#include <fstream>

namespace {

using kvtest::BmpShape;
using kvtest::MakeBmp;
using Bytes = std::vector<BYTE>;

class BitmapObject : public kvtest::KvTest {
protected:
    std::string Put(const Bytes& bytes, const std::string& name = "image.bmp")
    {
        return WriteFile(name, std::string(bytes.begin(), bytes.end())).string();
    }
    static Bytes Block(CKVBitmapObject& image)
    {
        return Bytes(image.m_pImage, image.m_pImage + image.GetSize());
    }
    static Bytes Contents(CMemFile& file)
    {
        Bytes bytes(file.GetLength());
        file.SeekToBegin();
        file.Read(bytes.data(), UINT(bytes.size()));
        return bytes;
    }
};

BmpShape RoundTripShape()
{
    BmpShape shape;
    shape.bits = {1, 2, 3, 4, 5, 6, 7, 8};
    shape.scaleX = 150;
    shape.scaleY = 200;
    return shape;
}

TEST_F(BitmapObject, AFileRoundTripsWithFreshHeadersAndAFullTable)
{
    CKVBitmapObject image;
    ASSERT_EQ(image.LoadImageA(Put(MakeBmp(RoundTripShape())).c_str()), 1);
    EXPECT_EQ(image.m_bmih.biSizeImage, 8u);
    EXPECT_EQ(image.GetPaletteSize(), 1024u);
    EXPECT_EQ(image.GetSize(), 1072);
    EXPECT_EQ(image.m_bmih.biClrUsed, 256u);

    const std::string saved = (TempDir() / "saved.bmp").string();
    ASSERT_EQ(image.SaveImage(saved.c_str()), 1);
    const std::string bytes = ReadFile(saved);
    ASSERT_EQ(bytes.size(), 1086u);
    const BYTE* p = reinterpret_cast<const BYTE*>(bytes.data());
    EXPECT_EQ(GetWord(p), 0x4D42);
    EXPECT_EQ(GetDword(p + 2), 1086u);
    EXPECT_EQ(GetWord(p + 6), 150);
    EXPECT_EQ(GetWord(p + 8), 200);
    EXPECT_EQ(GetDword(p + 10), 1078u);
    EXPECT_EQ(GetDword(p + 14), 40u);
    EXPECT_EQ(GetDword(p + 46), 0u);
    EXPECT_EQ(bytes.substr(1078), std::string("\1\2\3\4\5\6\7\10"));

    CKVBitmapObject again;
    ASSERT_EQ(again.LoadImageA(saved.c_str()), 1);
    EXPECT_EQ(Block(again), Block(image));
}

TEST_F(BitmapObject, RecordsReadInTurnWithTheirPlacementAndNoSizeLimit)
{
    CKVBitmapObject image;
    ASSERT_EQ(image.LoadImageA(Put(MakeBmp(RoundTripShape())).c_str()), 1);
    image.m_nLeft = 5, image.m_nTop = 6, image.m_nWidth = 40, image.m_nHeight = 30;
    CMemFile file;
    ASSERT_EQ(image.SaveImage(&file), 1);
    ASSERT_EQ(file.GetLength(), 1102u);
    BmpShape big;
    big.width = 200;
    big.height = 200; // 40,000 bytes of bits
    const Bytes second = kvtest::MakeImageRecord(1, 2, 3, 4, big);
    file.Write(second.data(), UINT(second.size()));

    file.SeekToBegin();
    CKVBitmapObject first, next;
    ASSERT_EQ(first.LoadImageA(&file), 1);
    EXPECT_EQ(file.GetPosition(), 1102u);
    EXPECT_EQ(std::tie(first.m_nLeft, first.m_nTop, first.m_nWidth, first.m_nHeight),
              std::make_tuple(5, 6, 40, 30));
    EXPECT_EQ(Block(first), Block(image));
    ASSERT_EQ(next.LoadImageA(&file), 1);
    EXPECT_EQ(next.m_bmih.biSizeImage, 40000u);
    EXPECT_EQ(next.m_nHeight, 4);
}

TEST_F(BitmapObject, AFileOverTheSizeLimitIsRefusedWithAMessageAndLeavesNoImage)
{
    BmpShape shape;
    shape.width = 100;
    shape.height = 300;
    shape.sizeImage = 30000;
    CKVBitmapObject image;
    ASSERT_EQ(image.LoadImageA(Put(MakeBmp(shape)).c_str()), 1);
    EXPECT_TRUE(host.messageBoxes.empty());

    shape.sizeImage = 30001;
    EXPECT_EQ(image.LoadImageA(Put(MakeBmp(shape)).c_str()), 0);
    ASSERT_EQ(host.messageBoxes.size(), 1u);
    EXPECT_EQ(host.messageBoxes[0].text, "ｲﾒｰｼﾞｻｲｽﾞが大きすぎます。");
    EXPECT_EQ(host.messageBoxes[0].type, UINT(MB_OK));
    EXPECT_EQ(image.GetBits(), nullptr);
    EXPECT_EQ(image.m_bmih.biWidth, 100);
}

TEST_F(BitmapObject, UnreadFormatsThrowTheirText)
{
    struct Case { WORD bitCount; DWORD compression; const char* text; };
    for (const Case& c : {Case {24, 1, "unknown compression"}, Case {8, 1, "unknown compression"},
                          Case {16, 0, "compression type not supported"}}) {
        BmpShape shape;
        shape.bitCount = c.bitCount;
        shape.compression = c.compression;
        const std::string path = Put(MakeBmp(shape));
        CKVBitmapObject image;
        try {
            image.LoadImageA(path.c_str());
            ADD_FAILURE() << c.bitCount << " bpp loaded";
        } catch (const char* text) {
            EXPECT_STREQ(text, c.text);
        }
        EXPECT_EQ(image.GetBits(), nullptr);
        EXPECT_TRUE(std::filesystem::remove(path)) << "the file was left open";
    }
}

TEST_F(BitmapObject, DamagedFilesAndRecordsAreRefusedWithoutAnImage)
{
    struct Case { const char* what; BmpShape shape; size_t cut; bool record; };
    auto with = [](auto change) { BmpShape s; change(s); return s; };
    const Case cases[] = {
        {"bits cut short", BmpShape(), 3, false},
        {"width 0", with([](BmpShape& s) { s.width = 0; s.bits = {0}; }), 0, false},
        {"height 0", with([](BmpShape& s) { s.height = 0; s.bits = {0}; }), 0, false},
        {"width 20,000", with([](BmpShape& s) { s.width = 20000; s.height = 1; s.bits = {0}; }), 0, false},
        {"header of 12 bytes", with([](BmpShape& s) { s.headerSize = 12; }), 0, false},
        {"record longer than the file", BmpShape(), 1, true},
        {"record of 0xFFFFFFF0 bytes", with([](BmpShape& s) { s.sizeImage = 0xFFFFFFF0; }), 0, true},
    };
    for (const Case& c : cases) {
        Bytes bytes = c.record ? kvtest::MakeImageRecord(0, 0, 1, 1, c.shape) : MakeBmp(c.shape);
        bytes.resize(bytes.size() - c.cut);
        CKVBitmapObject image;
        ASSERT_EQ(image.LoadImageA(Put(MakeBmp(BmpShape())).c_str()), 1);
        if (c.record) {
            CMemFile file(bytes.data(), UINT(bytes.size()));
            EXPECT_EQ(image.LoadImageA(&file), 0) << c.what;
        } else {
            EXPECT_EQ(image.LoadImageA(Put(bytes).c_str()), 0) << c.what;
        }
        EXPECT_EQ(image.GetBits(), nullptr) << c.what;
        EXPECT_EQ(image.m_pImage, nullptr) << c.what;
    }
}

BmpShape RedBlue()
{
    BmpShape shape;
    shape.width = 2;
    shape.height = 1;
    shape.clrUsed = 2;
    shape.colours = {0xFF0000, 0x0000FF};
    shape.bits = {1, 0, 0, 0};
    return shape;
}

TEST_F(BitmapObject, CompactTablesLongHeadersAndGapsReadTheSameImage)
{
    CKVBitmapObject image;
    ASSERT_EQ(image.LoadImageA(Put(MakeBmp(RedBlue())).c_str()), 1);
    const RGBQUAD* table = image.GetPalette();
    EXPECT_EQ(table[0].rgbRed, 255);
    EXPECT_EQ(table[1].rgbBlue, 255);
    const Bytes zeros(254 * 4, 0);
    EXPECT_EQ(0, std::memcmp(table + 2, zeros.data(), zeros.size()));
    auto dc = kvtest::MakeRasterDC(4, 4);
    image.m_bmfh.bfReserved1 = image.m_bmfh.bfReserved2 = 100;
    image.DrawImage(*dc, 0, 0, 0, 0);
    EXPECT_EQ(dc->GetPixel(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(dc->GetPixel(1, 0), RGB(255, 0, 0));

    for (auto change : {+[](BmpShape& s) { s.headerSize = 124; }, +[](BmpShape& s) { s.gap = 10; }}) {
        BmpShape shape = RedBlue();
        change(shape);
        CKVBitmapObject other;
        ASSERT_EQ(other.LoadImageA(Put(MakeBmp(shape)).c_str()), 1);
        EXPECT_EQ(Block(other), Block(image));
    }
}

TEST_F(BitmapObject, DrawingStretchesByTheScaleOrTheSizeOfThePlacement)
{
    BmpShape shape;
    shape.width = 40;
    shape.height = 30;
    shape.scaleX = 150;
    shape.scaleY = 200;
    CKVBitmapObject image;
    ASSERT_EQ(image.LoadImageA(Put(MakeBmp(shape)).c_str()), 1);
    image.m_nWidth = 7, image.m_nHeight = 9;
    const kvrec::LiveCounts before = kvrec::LiveObjectCounts();
    for (WORD scaleX : {150, 0}) {
        auto dc = kvtest::MakeRecordingDC();
        image.m_bmfh.bfReserved1 = scaleX;
        image.DrawImage(*dc, 3, 4, 0, 0);
        const auto blits = dc->Log().Calls("StretchBlt");
        ASSERT_EQ(blits.size(), 1u);
        const RECT expected = scaleX ? RECT {3, 4, 63, 64} : RECT {3, 4, 10, 13};
        EXPECT_EQ(blits[0]->destRect.right, expected.right);
        EXPECT_EQ(blits[0]->destRect.bottom, expected.bottom);
        EXPECT_EQ(blits[0]->sourceRect.right, 40);
        EXPECT_EQ(blits[0]->sourceRect.bottom, 30);
        EXPECT_EQ(blits[0]->rop3, DWORD(SRCCOPY));
    }
    EXPECT_EQ(kvrec::LiveObjectCounts(), before);
}

TEST_F(BitmapObject, PixelsLandAtScaleAndTopDownRowsStayOnTop)
{
    BmpShape shape;
    shape.width = 2;
    shape.height = -2;
    shape.bitCount = 24;
    shape.scaleX = shape.scaleY = 200;
    // Stored first row: red, blue; second row: black, white.
    shape.bits = {0, 0, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 0};
    CKVBitmapObject image;
    ASSERT_EQ(image.LoadImageA(Put(MakeBmp(shape)).c_str()), 1);
    auto dc = kvtest::MakeRasterDC(20, 20);
    image.DrawImage(*dc, 10, 10, 0, 0);
    for (int y : {10, 11}) {
        EXPECT_EQ(dc->GetPixel(10, y), RGB(255, 0, 0));
        EXPECT_EQ(dc->GetPixel(11, y), RGB(255, 0, 0));
        EXPECT_EQ(dc->GetPixel(12, y), RGB(0, 0, 255));
        EXPECT_EQ(dc->GetPixel(13, y), RGB(0, 0, 255));
    }
    EXPECT_EQ(dc->GetPixel(10, 12), RGB(0, 0, 0));
    EXPECT_EQ(dc->GetPixel(9, 10), RGB(255, 255, 255));
}

TEST_F(BitmapObject, CopiesAndCreatedImagesHoldSoundBlocks)
{
    CKVBitmapObject image, copy, empty;
    ASSERT_EQ(image.LoadImageA(Put(MakeBmp(RoundTripShape())).c_str()), 1);
    image.m_nLeft = 9;
    copy = image;
    EXPECT_EQ(Block(copy), Block(image));
    EXPECT_EQ(copy.m_nLeft, 9);
    EXPECT_EQ(copy.m_bmfh.bfReserved2, 200);
    EXPECT_EQ(copy.GetBits(), copy.m_pImage + 1064);
    copy = empty;
    EXPECT_EQ(copy.m_pImage, nullptr);
    EXPECT_EQ(copy.GetBits(), nullptr);

    CKVBitmapObject made;
    ASSERT_NE(made.CreateImage(3, 2, 4), nullptr);
    EXPECT_EQ(made.m_bmih.biClrUsed, 16u);
    EXPECT_EQ(made.m_bmih.biSizeImage, 8u);
    EXPECT_EQ(made.GetSize(), 112);
    EXPECT_EQ(made.CreateImage(3, 2, 16), nullptr);
    EXPECT_EQ(made.CreateImage(0, 2, 8), nullptr);
    EXPECT_EQ(made.m_pImage, nullptr);

    const std::string path = (TempDir() / "none.bmp").string();
    CMemFile file;
    EXPECT_EQ(empty.SaveImage(path.c_str()), 0);
    EXPECT_EQ(empty.SaveImage(&file), 0);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(file.GetLength(), 0u);
}

} // namespace
