// The custom symbol container: its copy, and the one reader and the writer
// of its block.
#include "model/CustomSymbol.h"

#include "model/CustomSymbolBlock.h"
#include "platform/Dib.h"
#include "platform/LittleEndian.h"
#include "platform/LogFontBytes.h"

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace csblock;

namespace {

// A bounded walk over the block: every read checks what remains first.
class BlockCursor {
public:
    BlockCursor(const BYTE* data, int length) : m_data(data), m_length(length) {}

    int Remaining() const { return m_length - m_pos; }
    // The next `count` bytes, moving past them; null when fewer remain.
    const BYTE* Take(int64_t count)
    {
        if (count < 0 || count > Remaining())
            return nullptr;
        const BYTE* p = m_data + m_pos;
        m_pos += static_cast<int>(count);
        return p;
    }
    bool Count(int& value)
    {
        const BYTE* p = Take(kCountSize);
        if (!p)
            return false;
        value = static_cast<int>(GetDword(p));
        return value >= 0;
    }

private:
    const BYTE* m_data;
    int m_length;
    int m_pos = 0;
};

short GetShort(const BYTE* p)
{
    return static_cast<short>(GetWord(p));
}

void ReadFont(const BYTE* p, LOGFONTA& lf)
{
    GetLogFontBytes(p, lf);
    // A face name may arrive without its terminator.
    lf.lfFaceName[sizeof lf.lfFaceName - 1] = 0;
}

bool FitsShort(int value)
{
    return value >= -32768 && value <= 32767;
}

bool PageValue(double value)
{
    return InPageSpace(value);
}

bool PageValue(LONG value)
{
    return value >= kLowest && value <= kHighest;
}

// Reads one image record into a new image object; null when the record does
// not fit the block or its body is not a sound image matching its headers.
std::unique_ptr<CKVBitmapObject> ReadImageRecord(BlockCursor& cursor)
{
    const BYTE* r = cursor.Take(kImageSize);
    if (!r)
        return nullptr;
    auto image = std::make_unique<CKVBitmapObject>();
    image->m_nLeft = static_cast<LONG>(GetDword(r + kImageX));
    image->m_nTop = static_cast<LONG>(GetDword(r + kImageY));
    image->m_nWidth = static_cast<LONG>(GetDword(r + kImageWidth));
    image->m_nHeight = static_cast<LONG>(GetDword(r + kImageHeight));
    if (!PageValue(image->m_nLeft) || !PageValue(image->m_nTop) || !PageValue(image->m_nWidth) ||
        !PageValue(image->m_nHeight))
        return nullptr;
    const BYTE* fh = r + kImageFileHeader;
    image->m_bmfh.bfType = GetWord(fh);
    image->m_bmfh.bfSize = GetDword(fh + 2);
    image->m_bmfh.bfReserved1 = GetWord(fh + 6);
    image->m_bmfh.bfReserved2 = GetWord(fh + 8);
    image->m_bmfh.bfOffBits = GetDword(fh + 10);
    kvdib::ReadInfoHeader(r + kImageInfoHeader, image->m_bmih);
    const DWORD size = GetDword(r + kImageBodySize);
    const BYTE* body = cursor.Take(size);
    if (!body || size == 0)
        return nullptr;
    // The body's own header must agree with the record's, so that the table
    // and bits found through either lie inside the body.
    BITMAPINFOHEADER own;
    if (!KvImageBlockValid(body, size, &image->m_bmih))
        return nullptr;
    kvdib::ReadInfoHeader(body, own);
    const uint64_t held = uint64_t(image->m_bmih.biSize) + image->m_bmih.biSizeImage + 4 * uint64_t(image->m_bmih.biClrUsed);
    if (image->m_bmih.biSize != own.biSize || image->m_bmih.biClrUsed != own.biClrUsed || held > size ||
        !KvImageBlockValid(body, static_cast<size_t>(held)))
        return nullptr;
    BYTE* copy = static_cast<BYTE*>(std::calloc(1, size));
    if (!copy)
        return nullptr;
    std::memcpy(copy, body, size);
    image->m_pImage = copy;
    image->m_pPalette = own.biClrUsed ? reinterpret_cast<RGBQUAD*>(copy + own.biSize) : nullptr;
    image->m_pBits = copy + own.biSize + image->GetPaletteSize();
    return image;
}

} // namespace

CCustomSymbol::~CCustomSymbol()
{
    for (int i = 0; i < m_listObject.GetSize(); ++i)
        delete m_listObject.GetAt(i);
    m_listObject.RemoveAll();
}

CCustomSymbol& CCustomSymbol::operator=(const CCustomSymbol& other)
{
    if (this == &other)
        return *this;
    for (int i = 0; i < m_listObject.GetSize(); ++i)
        delete m_listObject.GetAt(i);
    m_listObject.RemoveAll();
    for (int i = 0; i < other.m_listObject.GetSize(); ++i) {
        const CCustomSymbolObject* source = other.m_listObject.GetAt(i);
        if (!source)
            continue;
        auto* copy = new CCustomSymbolObject;
        *copy = *source;
        m_listObject.Add(copy);
    }
    m_dwValue = other.m_dwValue;
    return *this;
}

int CCustomSymbol::ReadBlock(const unsigned char* block, int length, bool addTextOffsets)
{
    if (!block || length < kHeaderSize)
        return 0;
    BlockCursor cursor(block, length);
    m_dwValue = GetDword(cursor.Take(kHeaderSize));

    // Strokes: their records, then the points they share.
    int strokes = 0;
    if (!cursor.Count(strokes))
        return 0;
    if (strokes > 0) {
        const BYTE* records = cursor.Take(int64_t(strokes) * kStrokeSize);
        int points = 0;
        if (!records || !cursor.Count(points))
            return 0;
        const BYTE* pointData = cursor.Take(int64_t(points) * kPointSize);
        if (!pointData)
            return 0;
        int first = 0;
        for (int i = 0; i < strokes; ++i) {
            const BYTE* r = records + i * kStrokeSize;
            const int end = GetShort(r + kStrokeEnd);
            const int kind = GetShort(r + kStrokeKind);
            const double width = GetDouble(r + kStrokePenWidth);
            // Images and texts have records of their own; as a stroke they
            // could not be written back.
            if (end < first || end > points || kind == CSK_IMAGES || kind == CSK_TEXT || !PageValue(width))
                return 0;
            auto object = std::make_unique<CCustomSymbolObject>(
                static_cast<int>(width), GetDword(r + kStrokeColour), kind, GetShort(r + kStrokeFill),
                GetShort(r + kStrokeClosed), GetShort(r + kStrokeLineStyle), GetShort(r + kStrokeEndStyle),
                GetShort(r + kStrokeBowForm), GetShort(r + kStrokeArrowType), GetShort(r + kStrokeArrowEnd));
            for (int k = first; k < end; ++k) {
                const double x = GetDouble(pointData + k * kPointSize);
                const double y = GetDouble(pointData + k * kPointSize + 8);
                if (!PageValue(x) || !PageValue(y))
                    return 0;
                object->m_arrPoint.Add(CPoint(static_cast<int>(x), static_cast<int>(y)));
            }
            first = end;
            object->FinishStroke();
            m_listObject.Add(object.release());
        }
    }

    // Texts: one word per text object, then the items they share.
    int texts = 0;
    if (!cursor.Count(texts))
        return 0;
    if (texts > 0) {
        const BYTE* words = cursor.Take(int64_t(texts) * kTextWordSize);
        int items = 0;
        if (!words || !cursor.Count(items))
            return 0;
        int first = 0;
        for (int i = 0; i < texts; ++i) {
            const BYTE* w = words + i * kTextWordSize;
            const int kind = GetShort(w);
            const int end = GetShort(w + 2);
            if (kind != CSK_TEXT || end < first || end > items)
                return 0;
            auto object = std::make_unique<CCustomSymbolObject>();
            object->m_nKind = kind;
            for (int k = first; k < end; ++k) {
                const BYTE* r = cursor.Take(kItemSize);
                if (!r)
                    return 0;
                CCustomSymbolTextObject item;
                item.m_dX = GetDouble(r + kItemX);
                item.m_dY = GetDouble(r + kItemY);
                ReadFont(r + kItemFont, item.m_lf);
                item.m_dWidth = GetDouble(r + kItemWidth);
                item.m_dHeight = GetDouble(r + kItemHeight);
                item.m_dOffsetX = GetDouble(r + kItemOffsetX);
                item.m_dOffsetY = GetDouble(r + kItemOffsetY);
                const int units = static_cast<int>(GetDword(r + kItemLength));
                if (!PageValue(item.m_dX) || !PageValue(item.m_dY) || !PageValue(item.m_dWidth) ||
                    !PageValue(item.m_dHeight) || !PageValue(item.m_dOffsetX) || !PageValue(item.m_dOffsetY) ||
                    units < 0 || units > cursor.Remaining() / 2)
                    return 0;
                const BYTE* text = cursor.Take(int64_t(units) * 2);
                std::vector<unsigned short> buffer(static_cast<size_t>(units));
                for (int u = 0; u < units; ++u)
                    buffer[static_cast<size_t>(u)] = GetWord(text + 2 * u);
                if (!item.SetText(buffer.data(), units))
                    return 0;
                if (addTextOffsets) {
                    item.m_dX += item.m_dOffsetX;
                    item.m_dY += item.m_dOffsetY;
                }
                object->m_arrText.Add(item);
            }
            first = end;
            object->FinishStroke();
            m_listObject.Add(object.release());
        }
        // Items that no word claims are skipped over.
        for (int k = first; k < items; ++k) {
            const BYTE* r = cursor.Take(kItemSize);
            if (!r)
                return 0;
            const int units = static_cast<int>(GetDword(r + kItemLength));
            if (units < 0 || !cursor.Take(int64_t(units) * 2))
                return 0;
        }
    }

    // Images: only when more than four bytes remain.
    if (cursor.Remaining() <= kCountSize)
        return 1;
    int images = 0;
    if (!cursor.Count(images))
        return 0;
    for (int i = 0; i < images; ++i) {
        std::unique_ptr<CKVBitmapObject> image = ReadImageRecord(cursor);
        if (!image)
            return 0;
        auto object = std::make_unique<CCustomSymbolObject>();
        object->m_nKind = CSK_IMAGES;
        object->m_listBitmap.AddTail(image.release());
        object->FinishStroke();
        m_listObject.Add(object.release());
    }
    return 1;
}

int CCustomSymbol::WriteBlock(std::vector<unsigned char>& block)
{
    block.clear();
    std::vector<const CCustomSymbolObject*> strokes;
    std::vector<const CCustomSymbolObject*> texts;
    std::vector<CKVBitmapObject*> images;
    int64_t points = 0;
    int64_t items = 0;
    int64_t size = 36;
    int objects = 0;
    for (int i = 0; i < m_listObject.GetSize(); ++i) {
        const CCustomSymbolObject* object = m_listObject.GetAt(i);
        if (!object)
            continue;
        ++objects;
        if (!FitsShort(object->m_nKind))
            return 0;
        if (object->m_nKind == CSK_TEXT) {
            texts.push_back(object);
            for (int k = 0; k < object->m_arrText.GetSize(); ++k) {
                const CCustomSymbolTextObject& item = object->m_arrText[k];
                if (item.m_nLength < 0 || (item.m_nLength > 0 && !item.m_pText) || !PageValue(item.m_dX) ||
                    !PageValue(item.m_dY) || !PageValue(item.m_dWidth) || !PageValue(item.m_dHeight) ||
                    !PageValue(item.m_dOffsetX) || !PageValue(item.m_dOffsetY))
                    return 0;
                size += kItemSize + 2 * int64_t(item.m_nLength);
                ++items;
            }
            size += kTextWordSize;
        } else if (object->m_nKind == CSK_IMAGES) {
            for (POSITION pos = object->m_listBitmap.GetHeadPosition(); pos;) {
                CKVBitmapObject* image = object->m_listBitmap.GetNext(pos);
                if (!image || !image->m_pImage)
                    continue;
                if (!PageValue(image->m_nLeft) || !PageValue(image->m_nTop) || !PageValue(image->m_nWidth) ||
                    !PageValue(image->m_nHeight))
                    return 0;
                images.push_back(image);
                size += kImageSize + kImageSpare + image->GetSize();
            }
        } else {
            strokes.push_back(object);
            const bool fits = FitsShort(object->m_nLineStyle) && FitsShort(object->m_nClosed) &&
                              FitsShort(object->m_nEndStyle) && FitsShort(object->m_nFill) &&
                              FitsShort(object->m_nBowForm) && FitsShort(object->m_nArrowType) &&
                              FitsShort(object->m_nArrowEnd) && PageValue(double(object->m_nPenWidth));
            if (!fits)
                return 0;
            for (int k = 0; k < object->m_arrPoint.GetSize(); ++k) {
                const CPoint& p = object->m_arrPoint[k];
                if (!PageValue(double(p.x)) || !PageValue(double(p.y)))
                    return 0;
            }
            points += object->m_arrPoint.GetSize();
            size += kStrokeSize + kPointSize * int64_t(object->m_arrPoint.GetSize());
        }
        if (size > kMaxBlock)
            return 0;
    }

    block.assign(static_cast<size_t>(size), 0);
    BYTE* p = block.data();
    PutDword(p, m_dwValue);
    PutDword(p + 4, kSecondWord);
    std::memcpy(p + kTagOffset, "0S2", 4);
    PutWord(p + kTagObjects, static_cast<WORD>(objects));
    PutWord(p + kTagPoints, static_cast<WORD>(points));
    p += kHeaderSize;

    PutDword(p, static_cast<DWORD>(strokes.size()));
    p += kCountSize;
    if (!strokes.empty()) {
        int end = 0;
        for (const CCustomSymbolObject* s : strokes) {
            end += s->m_arrPoint.GetSize();
            PutWord(p + kStrokeEnd, static_cast<WORD>(end));
            PutWord(p + kStrokeKind, static_cast<WORD>(s->m_nKind));
            PutDouble(p + kStrokePenWidth, s->m_nPenWidth);
            PutWord(p + kStrokeLineStyle, static_cast<WORD>(s->m_nLineStyle));
            PutWord(p + kStrokeClosed, static_cast<WORD>(s->m_nClosed));
            PutWord(p + kStrokeEndStyle, static_cast<WORD>(s->m_nEndStyle));
            PutWord(p + kStrokeFill, static_cast<WORD>(s->m_nFill));
            PutWord(p + kStrokeBowForm, static_cast<WORD>(s->m_nBowForm));
            PutWord(p + kStrokeArrowType, static_cast<WORD>(s->m_nArrowType));
            PutWord(p + kStrokeArrowEnd, static_cast<WORD>(s->m_nArrowEnd));
            PutDword(p + kStrokeColour, s->m_crColor);
            p += kStrokeSize;
        }
        PutDword(p, static_cast<DWORD>(points));
        p += kCountSize;
        for (const CCustomSymbolObject* s : strokes) {
            for (int k = 0; k < s->m_arrPoint.GetSize(); ++k) {
                PutDouble(p, s->m_arrPoint[k].x);
                PutDouble(p + 8, s->m_arrPoint[k].y);
                p += kPointSize;
            }
        }
    }

    PutDword(p, static_cast<DWORD>(texts.size()));
    p += kCountSize;
    if (!texts.empty()) {
        int end = 0;
        for (const CCustomSymbolObject* t : texts) {
            end += t->m_arrText.GetSize();
            PutWord(p, static_cast<WORD>(t->m_nKind));
            PutWord(p + 2, static_cast<WORD>(end));
            p += kTextWordSize;
        }
        PutDword(p, static_cast<DWORD>(items));
        p += kCountSize;
        for (const CCustomSymbolObject* t : texts) {
            for (int k = 0; k < t->m_arrText.GetSize(); ++k) {
                const CCustomSymbolTextObject& item = t->m_arrText[k];
                PutDouble(p + kItemX, item.m_dX);
                PutDouble(p + kItemY, item.m_dY);
                PutLogFontBytes(p + kItemFont, item.m_lf);
                PutDouble(p + kItemWidth, item.m_dWidth);
                PutDouble(p + kItemHeight, item.m_dHeight);
                PutDouble(p + kItemOffsetX, item.m_dOffsetX);
                PutDouble(p + kItemOffsetY, item.m_dOffsetY);
                PutDword(p + kItemLength, static_cast<DWORD>(item.m_nLength));
                p += kItemSize;
                for (int u = 0; u < item.m_nLength; ++u, p += 2)
                    PutWord(p, item.m_pText[u]);
            }
        }
    }

    PutDword(p, static_cast<DWORD>(images.size()));
    p += kCountSize;
    for (CKVBitmapObject* image : images) {
        PutDword(p + kImageX, static_cast<DWORD>(image->m_nLeft));
        PutDword(p + kImageY, static_cast<DWORD>(image->m_nTop));
        PutDword(p + kImageWidth, static_cast<DWORD>(image->m_nWidth));
        PutDword(p + kImageHeight, static_cast<DWORD>(image->m_nHeight));
        BYTE* fh = p + kImageFileHeader;
        PutWord(fh, image->m_bmfh.bfType);
        PutDword(fh + 2, image->m_bmfh.bfSize);
        PutWord(fh + 6, image->m_bmfh.bfReserved1);
        PutWord(fh + 8, image->m_bmfh.bfReserved2);
        PutDword(fh + 10, image->m_bmfh.bfOffBits);
        kvdib::WriteInfoHeader(p + kImageInfoHeader, image->m_bmih);
        const long body = image->GetSize();
        PutDword(p + kImageBodySize, static_cast<DWORD>(body));
        p += kImageSize;
        std::memcpy(p, image->m_pImage, static_cast<size_t>(body));
        p += body;
    }
    return 1;
}
