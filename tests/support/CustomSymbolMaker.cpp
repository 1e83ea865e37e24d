// Custom symbol blocks built field by field.

#include "support/CustomSymbolMaker.h"

#include "model/CustomSymbolBlock.h"
#include "platform/LittleEndian.h"

#include <algorithm>
#include <cstring>

namespace kvtest {

namespace {

using Bytes = std::vector<BYTE>;

BYTE* Grow(Bytes& out, size_t count)
{
    out.resize(out.size() + count, 0);
    return out.data() + out.size() - count;
}

void Dword(Bytes& out, DWORD value)
{
    PutDword(Grow(out, 4), value);
}

void Double(Bytes& out, double value)
{
    csblock::PutDouble(Grow(out, 8), value);
}

} // namespace

BmpShape SmallImageShape()
{
    BmpShape shape;
    shape.width = 4;
    shape.height = 2;
    shape.bitCount = 8;
    shape.clrUsed = 256;
    shape.sizeImage = 8;
    return shape;
}

std::vector<BYTE> MakeCustomBlock(const CsBlock& block)
{
    using namespace csblock;
    Bytes out;
    BYTE* header = Grow(out, kHeaderSize);
    PutDword(header, block.firstWord);
    PutDword(header + 4, kSecondWord);
    std::memcpy(header + kTagOffset, "0S2", 4);

    Dword(out, DWORD(block.strokes.size()));
    if (!block.strokes.empty()) {
        size_t end = 0;
        for (const CsStroke& s : block.strokes) {
            end += s.points.size();
            BYTE* r = Grow(out, kStrokeSize);
            PutWord(r + kStrokeEnd, WORD(end));
            PutWord(r + kStrokeKind, WORD(s.kind));
            PutDouble(r + kStrokePenWidth, s.penWidth);
            PutWord(r + kStrokeLineStyle, WORD(s.lineStyle));
            PutWord(r + kStrokeClosed, WORD(s.closed));
            PutWord(r + kStrokeEndStyle, WORD(s.endStyle));
            PutWord(r + kStrokeFill, WORD(s.fill));
            PutWord(r + kStrokeBowForm, WORD(s.bowForm));
            PutWord(r + kStrokeArrowType, WORD(s.arrowType));
            PutWord(r + kStrokeArrowEnd, WORD(s.arrowEnd));
            PutDword(r + kStrokeColour, s.colour);
        }
        Dword(out, DWORD(end));
        for (const CsStroke& s : block.strokes) {
            for (const auto& [x, y] : s.points) {
                Double(out, x);
                Double(out, y);
            }
        }
    }

    Dword(out, DWORD(block.texts.size()));
    if (!block.texts.empty()) {
        size_t end = 0;
        for (const CsText& t : block.texts) {
            end += t.items.size();
            BYTE* w = Grow(out, kTextWordSize);
            PutWord(w, 10);
            PutWord(w + 2, WORD(end));
        }
        Dword(out, DWORD(end));
        for (const CsText& t : block.texts) {
            for (const CsTextItem& item : t.items) {
                BYTE* r = Grow(out, kItemSize);
                PutDouble(r + kItemX, item.x);
                PutDouble(r + kItemY, item.y);
                PutDword(r + kItemFont, DWORD(item.points));
                std::memcpy(r + kItemFont + kFontFace, item.face.data(), std::min<size_t>(item.face.size(), 32));
                PutDouble(r + kItemWidth, item.width);
                PutDouble(r + kItemHeight, item.height);
                PutDouble(r + kItemOffsetX, item.offsetX);
                PutDouble(r + kItemOffsetY, item.offsetY);
                PutDword(r + kItemLength, DWORD(item.text.size()));
                for (char16_t u : item.text)
                    PutWord(Grow(out, 2), WORD(u));
            }
        }
    }

    if (!block.images.empty() || block.imageCount) {
        Dword(out, DWORD(block.images.size()));
        for (const CsImage& image : block.images) {
            const Bytes bmp = MakeBmp(image.shape);
            for (LONG v : {image.x, image.y, image.width, image.height})
                Dword(out, DWORD(v));
            out.insert(out.end(), bmp.begin(), bmp.begin() + 14 + 40);
            Dword(out, DWORD(bmp.size() - 14));
            out.insert(out.end(), bmp.begin() + 14, bmp.end());
        }
    }
    out.resize(out.size() + size_t(block.trailingZeros), 0);
    return out;
}

} // namespace kvtest
