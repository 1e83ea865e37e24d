#pragma once
// Custom symbol blocks built field by field, for the custom symbol tests and
// the fuzz seeds. Counts and end indices follow the objects unless a field
// below overrides them.

#include "platform/Platform.h"

#include "support/BmpMaker.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kvtest {

struct CsStroke {
    int kind = 2;
    double penWidth = 1;
    short lineStyle = 1;
    short closed = 0;
    short endStyle = 1;
    short fill = 0;
    short bowForm = 0;
    short arrowType = 0;
    short arrowEnd = 0;
    DWORD colour = 0;
    std::vector<std::pair<double, double>> points;
};

struct CsTextItem {
    double x = 0;
    double y = 0;
    LONG points = 12; // lfHeight
    std::string face = "KvTest";
    double width = 0;
    double height = 0;
    double offsetX = 0;
    double offsetY = 0;
    std::u16string text;
};

struct CsText {
    std::vector<CsTextItem> items;
};

// An image record; the body is the BMP of `shape` without its file header,
// with the full colour table counted in biClrUsed and biSizeImage set.
struct CsImage {
    LONG x = 0;
    LONG y = 0;
    LONG width = 0;
    LONG height = 0;
    BmpShape shape;
};

struct CsBlock {
    DWORD firstWord = 0;
    std::vector<CsStroke> strokes;
    std::vector<CsText> texts;
    std::vector<CsImage> images;
    // Without images the count is left out unless this is set.
    bool imageCount = false;
    int trailingZeros = 0;
};

std::vector<BYTE> MakeCustomBlock(const CsBlock& block);

// A 4 x 2 image of depth 8 with a full colour table (S = 1072).
BmpShape SmallImageShape();

} // namespace kvtest
