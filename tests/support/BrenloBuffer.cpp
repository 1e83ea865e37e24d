// A writer of Brenlo page buffers.

#include "support/BrenloBuffer.h"

#include <algorithm>

namespace kvtest {

namespace {

void Append(BrenloBytes& out, const BrenloBytes& part)
{
    out.insert(out.end(), part.begin(), part.end());
}

void Append32(BrenloBytes& out, DWORD value)
{
    out.resize(out.size() + 4);
    PutBig32(out, out.size() - 4, value);
}

// A record of `size` zero bytes with its length and type.
BrenloBytes Record(size_t size, DWORD type)
{
    BrenloBytes r(size);
    PutBig32(r, 0, static_cast<DWORD>(size));
    PutBig32(r, 4, type);
    return r;
}

void Finish(BrenloBytes& r, std::optional<DWORD> length)
{
    if (length)
        PutBig32(r, 0, *length);
}

BrenloBytes WriteAttr(const BrenloAttr& attr)
{
    const size_t size = attr.type == 1 ? 101 : attr.type == 2 ? 92 : attr.type == 0 ? 36 : 8;
    BrenloBytes r = Record(size, attr.type);
    if (size >= 36)
        PutBig16(r, 16, static_cast<WORD>(attr.tag));
    if (attr.type == 1) {
        const size_t n = std::min<size_t>(attr.name.size(), 32);
        r[68] = static_cast<BYTE>(n);
        std::copy(attr.name.begin(), attr.name.begin() + static_cast<long>(n), r.begin() + 69);
    }
    Finish(r, attr.length);
    return r;
}

BrenloBytes WriteAttrs(const std::vector<BrenloAttr>& attrs)
{
    BrenloBytes all;
    for (const BrenloAttr& attr : attrs)
        Append(all, WriteAttr(attr));
    BrenloBytes out;
    Append32(out, static_cast<DWORD>(all.size()));
    Append(out, all);
    return out;
}

BrenloBytes WriteGraphic(const BrenloGraphic& g)
{
    size_t size = 8;
    switch (g.type) {
    case 1: case 5: case 13: case 14: case 15: size = 96 + 36; break;
    case 2: case 4: size = 96 + 44; break;
    case 3: case 6: case 8: size = 96 + 40; break;
    case 7: size = 96; break;
    case 12: size = 96 + 44 + g.first.size() + g.second.size(); break;
    default: break;
    }
    BrenloBytes r = Record(size, g.type);
    if (g.type == 12) {
        PutBig32(r, 132, static_cast<DWORD>(g.first.size()));
        std::copy(g.first.begin(), g.first.end(), r.begin() + 136);
        const size_t second = 136 + g.first.size();
        PutBig32(r, second, static_cast<DWORD>(g.second.size()));
        std::copy(g.second.begin(), g.second.end(), r.begin() + static_cast<long>(second + 4));
    }
    Finish(r, g.length);
    return r;
}

BrenloBytes WriteGraphics(const std::vector<BrenloGraphic>& graphics, std::optional<DWORD> total)
{
    BrenloBytes all;
    for (const BrenloGraphic& g : graphics)
        Append(all, WriteGraphic(g));
    BrenloBytes out;
    Append32(out, total ? *total : static_cast<DWORD>(all.size()));
    Append(out, all);
    return out;
}

} // namespace

void PutBig16(BrenloBytes& bytes, size_t offset, WORD value)
{
    bytes.at(offset) = static_cast<BYTE>(value >> 8);
    bytes.at(offset + 1) = static_cast<BYTE>(value);
}

void PutBig32(BrenloBytes& bytes, size_t offset, DWORD value)
{
    PutBig16(bytes, offset, static_cast<WORD>(value >> 16));
    PutBig16(bytes, offset + 2, static_cast<WORD>(value));
}

BrenloSymbol BrBar(LONG width, BYTE code)
{
    BrenloSymbol s;
    s.type = 1;
    s.width = width;
    s.code = code;
    return s;
}

BrenloSymbol BrClef(LONG width, WORD code, short lineOffset)
{
    BrenloSymbol s;
    s.type = 2;
    s.width = width;
    s.clef = code;
    s.lineOffset = lineOffset;
    return s;
}

BrenloSymbol BrTime(LONG width, BYTE code, DWORD numerator, DWORD denominator)
{
    BrenloSymbol s;
    s.type = 3;
    s.width = width;
    s.code = code;
    s.numerator = numerator;
    s.denominator = denominator;
    return s;
}

BrenloSymbol BrKey(LONG width, BYTE code, WORD count)
{
    BrenloSymbol s;
    s.type = 5;
    s.width = width;
    s.code = code;
    s.count = count;
    return s;
}

BrenloSymbol BrNote(LONG width, std::vector<BrenloHead> heads, BrenloStem stem)
{
    BrenloSymbol s;
    s.type = 4;
    s.width = width;
    s.heads = std::move(heads);
    s.stems = {stem};
    return s;
}

BrenloSymbol BrRest(LONG width, BYTE duration)
{
    BrenloStem stem;
    stem.duration = duration;
    stem.note = 0;
    return BrNote(width, {BrenloHead {}}, stem);
}

BrenloBytes WriteBrenloSymbol(const BrenloSymbol& s)
{
    size_t fixed = 36;
    size_t attrsAt = 0;
    switch (s.type) {
    case 1: case 2: fixed = attrsAt = 72; break;
    case 3: fixed = attrsAt = 80; break;
    case 5: fixed = attrsAt = 76; break;
    case 4: fixed = attrsAt = 512; break;
    default: break;
    }
    BrenloBytes r = Record(fixed, s.type);
    PutBig16(r, 16, static_cast<WORD>(s.tag));
    PutBig32(r, 20, static_cast<DWORD>(s.width));
    r[29] = s.slide;
    switch (s.type) {
    case 1: r[68] = s.code; break;
    case 2:
        PutBig16(r, 68, s.clef);
        PutBig16(r, 70, static_cast<WORD>(s.lineOffset));
        break;
    case 3:
        r[68] = s.code;
        PutBig32(r, 72, s.numerator);
        PutBig32(r, 76, s.denominator);
        break;
    case 5:
        r[68] = s.code;
        PutBig16(r, 70, s.count);
        break;
    case 4:
        for (size_t i = 0; i < s.lyrics.size() && i < 9; ++i) {
            const BrenloLyric& l = s.lyrics[i];
            const size_t at = 80 + 48 * i;
            PutBig16(r, at + 4, static_cast<WORD>(l.x));
            const size_t n = std::min<size_t>(l.text.size(), 15);
            r[at + 6] = l.lengthByte ? l.lengthByte : static_cast<BYTE>(n);
            std::copy(l.text.begin(), l.text.begin() + static_cast<long>(n), r.begin() + static_cast<long>(at + 7));
            r[at + 26] = l.style;
            PutBig16(r, at + 28, static_cast<WORD>(l.size));
            // The reader takes the word at 34 in host order: red is its
            // second byte.
            r[at + 35] = l.red;
            r[at + 34] = l.green;
            r[at + 36] = l.blue;
        }
        break;
    default: break;
    }
    if (attrsAt) {
        r.resize(attrsAt);
        Append(r, WriteAttrs(s.attrs));
    }
    if (s.type == 4) {
        BrenloBytes heads, stems;
        for (const BrenloHead& h : s.heads) {
            BrenloBytes e(8);
            e[0] = static_cast<BYTE>(h.step);
            e[2] = h.dots;
            e[3] = h.accidental;
            e[6] = h.code;
            Append(heads, e);
        }
        for (const BrenloStem& st : s.stems) {
            BrenloBytes e(16);
            e[3] = static_cast<BYTE>(st.byte3);
            e[4] = st.direction;
            PutBig16(e, 6, static_cast<WORD>(st.length));
            e[8] = st.duration;
            e[9] = st.beamed;
            PutBig16(e, 10, static_cast<WORD>(st.beam));
            e[12] = st.grace;
            e[13] = st.note;
            Append(stems, e);
        }
        const BrenloBytes extras(4 * static_cast<size_t>(s.extras), 0);
        Append32(r, s.headBytes ? *s.headBytes : static_cast<DWORD>(heads.size()));
        Append(r, heads);
        Append32(r, s.stemBytes ? *s.stemBytes : static_cast<DWORD>(stems.size()));
        Append(r, stems);
        Append32(r, s.extraBytes ? *s.extraBytes : static_cast<DWORD>(extras.size()));
        Append(r, extras);
    }
    PutBig32(r, 0, static_cast<DWORD>(r.size()));
    Finish(r, s.length);
    return r;
}

BrenloBytes WriteBrenloSystem(const BrenloSystem& s)
{
    BrenloBytes r(124);
    PutBig16(r, 20, static_cast<WORD>(s.top));
    PutBig16(r, 22, static_cast<WORD>(s.staffHeight));
    PutBig16(r, 24, static_cast<WORD>(s.staffSpace));
    PutBig16(r, 26, static_cast<WORD>(s.lyricOffset));
    PutBig16(r, 28, static_cast<WORD>(s.lyricLines));
    for (int i = 0; i < 9; ++i)
        PutBig16(r, 30 + 2 * static_cast<size_t>(i), static_cast<WORD>(s.lineHeights[i]));
    PutBig32(r, 48, static_cast<DWORD>(s.left));
    PutBig32(r, 52, static_cast<DWORD>(s.rightIndent));
    PutBig32(r, 56, static_cast<DWORD>(s.third));
    BrenloBytes symbols;
    for (const BrenloSymbol& symbol : s.symbols)
        Append(symbols, WriteBrenloSymbol(symbol));
    Append32(r, static_cast<DWORD>(symbols.size()));
    Append(r, symbols);
    Append(r, WriteAttrs(s.attrs));
    Append(r, WriteGraphics(s.graphics, std::nullopt));
    PutBig32(r, 0, static_cast<DWORD>(r.size()));
    Finish(r, s.length);
    return r;
}

BrenloBytes WriteBrenlo(const BrenloPage& page, BrenloOffsets* offsets)
{
    BrenloBytes out(page.first, 0);
    if (page.first >= 2)
        PutBig16(out, 0, page.first);
    // First block: its length, the page size at +92 and +94.
    BrenloBytes first(std::max<size_t>(page.firstLength, 96));
    PutBig32(first, 0, page.firstLength);
    PutBig16(first, 92, static_cast<WORD>(page.width));
    PutBig16(first, 94, static_cast<WORD>(page.height));
    first.resize(page.firstLength >= 4 ? page.firstLength : 4);
    Append(out, first);
    // Second block: its length, the bytes, and four skipped bytes.
    Append32(out, page.secondLength);
    out.resize(out.size() + page.secondLength + 4);

    const size_t pageAt = out.size();
    Append32(out, 0);
    const DWORD headerLength = page.headerLength ? *page.headerLength : 26;
    BrenloBytes header(std::max<DWORD>(headerLength, 26));
    PutBig32(header, 0, headerLength);
    PutBig16(header, 16, 60);
    header[20] = 1;
    header.resize(headerLength);
    Append(out, header);
    Append(out, WriteGraphics(page.graphics, page.graphicBytes));
    BrenloBytes systems;
    for (const BrenloSystem& s : page.systems)
        Append(systems, WriteBrenloSystem(s));
    Append32(out, page.systemBytes ? *page.systemBytes : static_cast<DWORD>(systems.size()));
    if (offsets) {
        offsets->page = pageAt;
        offsets->systems = out.size();
    }
    Append(out, systems);
    return out;
}

BrenloPage BrenloSamplePage()
{
    BrenloPage page;
    page.graphics = {{1, {}, {}, {}}, {12, {1, 2, 3}, {4, 5}, {}}};
    BrenloSystem s;
    s.lyricLines = 1;
    s.attrs = {{0, 1, "", {}}, {1, 2, "Voice", {}}, {2, 3, "", {}}};
    for (DWORD type : {2u, 3u, 4u, 5u, 6u, 7u, 8u, 13u, 14u, 15u})
        s.graphics.push_back({type, {}, {}, {}});
    BrenloSymbol clef = BrClef(BrUnits(2));
    clef.attrs = {{1, 5, "clef", {}}};
    BrenloSymbol key = BrKey(BrUnits(2), 'J', 2);
    BrenloSymbol time = BrTime(BrUnits(2), 0, 3, 4);
    BrenloSymbol quarter = BrNote(BrUnits(20), {{4, 0, 0, 8}, {6, 1, 0x11, 8}});
    quarter.slide = 3;
    quarter.extras = 1;
    quarter.lyrics = {{0, "la", 0, 0, 16, 0x10, 0x20, 0x30}};
    BrenloStem eighth;
    eighth.duration = 4;
    eighth.beamed = 1;
    eighth.beam = 1;
    BrenloSymbol e1 = BrNote(BrUnits(20), {{2, 0, 0, 8}}, eighth);
    BrenloSymbol e2 = BrNote(BrUnits(20), {{3, 0, 2, 8}}, eighth);
    BrenloSymbol rest = BrRest(BrUnits(20), 3);
    s.symbols = {clef, key, time, quarter, e1, e2, rest, BrBar(BrUnits(30)),
                 BrNote(BrUnits(30), {{1, 0, 0, 9}}, {0, 2, 20, 2}), BrBar(BrUnits(60), 0x6E)};
    page.systems = {s};
    return page;
}

BrenloPage BrenloManyMeasuresPage(int bars)
{
    BrenloPage page;
    page.width = 32767;
    BrenloSystem s;
    s.staffSpace = 9;
    s.symbols.assign(static_cast<size_t>(bars), BrBar(0));
    page.systems = {s, s};
    page.systems[1].top = 300;
    return page;
}

} // namespace kvtest
