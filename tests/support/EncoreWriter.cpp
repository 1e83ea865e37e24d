// The test builder of Encore files.

#include "support/EncoreWriter.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace kvtest {

namespace {

using Bytes = std::vector<BYTE>;

void Word(Bytes& out, size_t at, WORD value)
{
    if (out.size() < at + 2)
        out.resize(at + 2);
    out[at] = static_cast<BYTE>(value);
    out[at + 1] = static_cast<BYTE>(value >> 8);
}

void Dword(Bytes& out, size_t at, DWORD value)
{
    if (out.size() < at + 4)
        out.resize(at + 4);
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<BYTE>(value >> (8 * i));
}

void Text(Bytes& out, size_t at, const std::string& text, size_t room)
{
    std::memcpy(out.data() + at, text.data(), std::min(text.size(), room - 1));
}

// Reversal in a SCO5 file, by the file's own tables.
void Flip2(Bytes& b, size_t at)
{
    if (at + 2 <= b.size())
        std::swap(b[at], b[at + 1]);
}

void Flip4(Bytes& b, size_t at)
{
    if (at + 4 <= b.size()) {
        std::swap(b[at], b[at + 3]);
        std::swap(b[at + 1], b[at + 2]);
    }
}

bool In(int kind, std::initializer_list<std::pair<int, int>> ranges)
{
    return std::any_of(ranges.begin(), ranges.end(), [&](auto r) { return kind >= r.first && kind <= r.second; });
}

std::vector<int> FlippedDataWords(int type, int kind)
{
    std::vector<int> words;
    const auto upTo = [&](int last) {
        for (int at = 0; at <= last; at += 2)
            words.push_back(at);
    };
    switch (type) {
    case 1: return {0, 2, 4};
    case 2: return {2};
    case 3: return {0, 2, 6};
    case 6: return {0, 2, 4, 6, 8};
    case 7: return {0, 4};
    case 8: return {0, 6};
    case 9: return {0, 6, 12};
    case 5:
        if (In(kind, {{16, 19}, {31, 31}, {37, 37}, {128, 138}, {162, 163}, {165, 171}, {175, 175}, {237, 241},
                      {246, 246}}))
            return {0, 2, 4};
        if (In(kind, {{25, 29}, {36, 36}, {44, 44}, {52, 52}}))
            upTo(12);
        else if (kind == 30)
            upTo(22);
        else if (In(kind, {{33, 34}, {48, 48}, {53, 55}}))
            upTo(16);
        else if (kind == 50) {
            upTo(16);
            for (int at = 20; at <= 26; at += 2)
                words.push_back(at);
        } else if (kind >= 172 && kind <= 251)
            return {0, 2, 4};
        return words;
    default: return {};
    }
}

Bytes SymbolRecord(const EncoreSymbol& s, bool sco5, bool older)
{
    if (s.raw)
        return *s.raw;
    Bytes data = s.data;
    if (sco5) {
        if (s.type == 4) {
            for (size_t item = 0; item < s.kind && 4 + 16 * (item + 1) <= data.size(); ++item)
                for (int at : {0, 2, 6})
                    Flip2(data, 4 + 16 * item + at);
        } else {
            for (int at : FlippedDataWords(s.type, s.kind))
                Flip2(data, static_cast<size_t>(at));
        }
    }
    if (older && s.type == 9 && data.size() >= 18)
        data.erase(data.begin() + 14, data.begin() + 18);
    const size_t head = older ? 8 : 10;
    Bytes record(head);
    Word(record, 0, s.wTime);
    if (sco5)
        Flip2(record, 0);
    record[2] = static_cast<BYTE>((s.type << 4) | (s.voice & 15));
    record[3] = static_cast<BYTE>(std::min<size_t>(head + data.size(), 255));
    record[4] = static_cast<BYTE>((s.track & 0x3F) | (s.staff << 6));
    record[5] = s.kind;
    record[6] = s.param1;
    record[7] = s.param2;
    if (!older)
        Word(record, 8, s.wColor);
    record.insert(record.end(), data.begin(), data.end());
    return record;
}

void Append(Bytes& out, const Bytes& more)
{
    out.insert(out.end(), more.begin(), more.end());
}

void Tag(Bytes& out, size_t at, const std::string& tag)
{
    for (size_t i = 0; i < 4; ++i)
        out[at + i] = i < tag.size() ? static_cast<BYTE>(tag[i]) : 0;
}

Bytes Header(const EncoreFile& f, bool sco5, WORD measures)
{
    Bytes h(0xC2);
    Tag(h, 0, sco5 ? "SCO5" : "SCOW");
    Dword(h, 4, f.headerLength);
    Text(h, 8, f.title, 32);
    const WORD version = f.wVersion.value_or(f.layout == EncoreLayout::Older ? 0x305 : 0x400);
    Word(h, 40, version);
    Word(h, 46, f.wSysNumb);
    Word(h, 48, f.wPageNumb);
    h[50] = f.byInstruPerSys;
    h[51] = f.byStaffPerSys;
    Word(h, 52, measures);
    h[59] = 1;
    if (sco5) {
        Flip4(h, 4);
        for (int at : {40, 42, 44, 46, 48, 52, 176})
            Flip2(h, static_cast<size_t>(at));
    }
    if (f.rawHeaderLength)
        std::memcpy(h.data() + 4, f.rawHeaderLength->data(), 4);
    return h;
}

Bytes Track(const EncoreTrack& t, bool sco5)
{
    Bytes r(std::max<DWORD>(t.chunkLength, 8));
    Tag(r, 0, t.tag);
    Dword(r, 4, t.recordSize);
    if (sco5)
        Flip4(r, 4);
    if (r.size() >= 112) {
        Text(r, 8, t.name, 32);
        r[41] = t.staves;
        r[45] = t.key;
        for (int i = 0; i < 4; ++i) {
            r[48 + i] = t.brackets[i];
            r[52 + i] = t.clefs[i];
        }
        for (int i = 0; i < 8; ++i) {
            r[60 + i] = t.channels[i];
            r[68 + i] = t.programs[i];
            r[76 + i] = t.volumes[i];
        }
        for (const auto& [at, value] : t.moreBytes)
            r.at(static_cast<size_t>(at)) = value;
    }
    return r;
}

Bytes Page(const EncorePage& p, bool sco5)
{
    // An oversized length is written without the bytes it claims.
    const size_t chunk = p.length < 0x10000 ? static_cast<size_t>(p.length) + 8 : 34;
    Bytes r(std::max<size_t>(34, chunk));
    Tag(r, 0, p.tag);
    Dword(r, 4, p.length);
    Word(r, 8, p.wStartLineNo);
    Word(r, 10, p.wLineNumb);
    Word(r, 20, p.wStaffNumb);
    if (sco5) {
        Flip4(r, 4);
        Flip4(r, 16);
        for (int at : {8, 10, 12, 14, 20})
            Flip2(r, static_cast<size_t>(at));
    }
    r.resize(chunk);
    return r;
}

Bytes Line(const EncoreLine& l, bool sco5)
{
    Bytes r(34);
    Tag(r, 0, l.tag);
    const DWORD length = l.length.value_or(static_cast<DWORD>(26 + 30 * l.staves.size()));
    Dword(r, 4, length);
    Word(r, 8, l.wPageNo);
    Word(r, 10, l.wX);
    Word(r, 12, l.wY);
    Word(r, 18, l.wStartMeasNo);
    Word(r, 20, l.wMeasNumb);
    Word(r, 22, static_cast<WORD>(l.staves.size()));
    if (sco5) {
        Flip4(r, 4);
        for (int at = 8; at <= 22; at += 2)
            Flip2(r, static_cast<size_t>(at));
    }
    for (const EncoreStaff& s : l.staves) {
        Bytes staff(30);
        staff[1] = s.byClef;
        staff[2] = s.byEnha;
        staff[4] = s.byChordLabel;
        staff[6] = s.byState;
        staff[9] = s.byTrkNo;
        Word(staff, 16, s.wHt);
        Word(staff, 18, s.wY);
        for (int i = 0; i < 8; ++i)
            staff[22 + i] = static_cast<BYTE>(s.songPos[i]);
        if (sco5)
            for (int at = 10; at <= 20; at += 2)
                Flip2(staff, static_cast<size_t>(at));
        Append(r, staff);
    }
    if (length < 0x10000 && r.size() > length + 8u)
        r.resize(length + 8u);
    while (length < 0x10000 && r.size() < length + 8u)
        r.push_back(0);
    return r;
}

Bytes Measure(const EncoreMeasure& m, bool sco5, bool older)
{
    Bytes symbols;
    for (const EncoreSymbol& s : m.symbols)
        Append(symbols, SymbolRecord(s, sco5, older));
    Bytes r(62);
    Tag(r, 0, m.tag);
    Dword(r, 4, m.notesSize.value_or(static_cast<DWORD>(symbols.size())));
    Word(r, 8, m.wTempo);
    r[16] = m.byTimeTop;
    r[17] = m.byTimeBottom;
    r[19] = m.byPakArea;
    r[22] = m.byBoldaSymbol;
    r[23] = m.byBoldaValue;
    Word(r, 24, m.wMeasDistance);
    Word(r, 40, m.byLineRoot);
    for (const auto& [at, value] : m.moreBytes)
        r.at(static_cast<size_t>(at)) = value;
    if (sco5) {
        Flip4(r, 4);
        Flip4(r, 28);
        for (int at : {8, 12, 14, 24, 32, 36, 40})
            Flip2(r, static_cast<size_t>(at));
    }
    Bytes out = m.garbageBefore;
    Append(out, r);
    Append(out, symbols);
    return out;
}

Bytes Block(const EncoreBlock& b, bool sco5)
{
    Bytes body = b.body;
    if (sco5) {
        if (b.tag == "TITL" && body.size() == 0x97A) {
            for (int i = 0; i < 20; ++i) {
                const size_t item = i < 15 ? 96 * i : 1504 + 160 * (i - 15);
                for (int at : {10, 12, 14, 16, 22, 24})
                    Flip2(body, item + at);
            }
            for (size_t at = 2304; at < 2394; at += 2)
                Flip2(body, at);
        } else if (b.tag == "COLR") {
            Flip2(body, 0);
        }
    }
    Bytes r(8);
    Tag(r, 0, b.tag);
    Dword(r, 4, b.length.value_or(static_cast<DWORD>(body.size())));
    if (sco5)
        Flip4(r, 4);
    Append(r, body);
    return r;
}

} // namespace

void PutWords(std::vector<BYTE>& data, size_t offset, std::initializer_list<int> words)
{
    for (int w : words) {
        Word(data, offset, static_cast<WORD>(w));
        offset += 2;
    }
}

static EncoreSymbol Symbol(BYTE type, BYTE track, BYTE staff, BYTE kind, size_t dataSize)
{
    EncoreSymbol s;
    s.type = type;
    s.track = track;
    s.staff = staff;
    s.kind = kind;
    s.data.resize(dataSize);
    return s;
}

EncoreSymbol EncNote(BYTE track, BYTE staff, WORD x, signed char y, BYTE key, WORD duration, BYTE velocity,
                     BYTE voice, BYTE kind)
{
    EncoreSymbol s = Symbol(9, track, staff, kind, 18);
    s.voice = voice;
    Word(s.data, 0, x);
    s.data[2] = static_cast<BYTE>(y);
    s.data[5] = key;
    Word(s.data, 6, duration);
    s.data[8] = velocity;
    s.data[9] = 64;
    s.data[10] = 30;
    Word(s.data, 12, 0x0102);
    return s;
}

EncoreSymbol EncRest(BYTE track, BYTE staff, WORD x, signed char y, BYTE kind, BYTE voice)
{
    EncoreSymbol s = Symbol(8, track, staff, kind, 8);
    s.voice = voice;
    Word(s.data, 0, x);
    s.data[2] = static_cast<BYTE>(y);
    Word(s.data, 6, 0x0304);
    return s;
}

EncoreSymbol EncClef(BYTE track, BYTE staff, WORD x, BYTE clef)
{
    EncoreSymbol s = Symbol(1, track, staff, clef, 6);
    PutWords(s.data, 0, {x, 0x0203, 0x0405});
    return s;
}

EncoreSymbol EncKey(BYTE track, BYTE staff, signed char key)
{
    EncoreSymbol s = Symbol(2, track, staff, static_cast<BYTE>(key), 4);
    PutWords(s.data, 0, {0, 0x0708});
    return s;
}

EncoreSymbol EncTie(BYTE track, BYTE staff, WORD x, WORD x2)
{
    EncoreSymbol s = Symbol(3, track, staff, 0, 8);
    PutWords(s.data, 0, {x, 0x0102, 0, x2});
    return s;
}

EncoreSymbol EncBeam(BYTE track, BYTE staff, WORD x, std::vector<std::array<WORD, 3>> items, BYTE fill)
{
    EncoreSymbol s = Symbol(4, track, staff, static_cast<BYTE>(items.size()), 4 + 16 * items.size());
    PutWords(s.data, 0, {x, 0x0506});
    for (size_t i = 0; i < items.size(); ++i) {
        const size_t at = 4 + 16 * i;
        std::fill(s.data.begin() + static_cast<long>(at), s.data.begin() + static_cast<long>(at + 16), fill);
        Word(s.data, at, items[i][0]);
        Word(s.data, at + 2, items[i][1]);
        Word(s.data, at + 6, items[i][2]);
    }
    return s;
}

EncoreSymbol EncMark(BYTE track, BYTE staff, BYTE kind, std::vector<WORD> words)
{
    EncoreSymbol s = Symbol(5, track, staff, kind, 0);
    for (size_t i = 0; i < words.size(); ++i)
        Word(s.data, 2 * i, words[i]);
    return s;
}

EncoreSymbol EncLyric(BYTE track, BYTE staff, WORD x, std::vector<WORD> words)
{
    EncoreSymbol s = EncMark(track, staff, 0, std::move(words));
    s.type = 6;
    Word(s.data, 0, x);
    return s;
}

EncoreSymbol EncChord(BYTE track, BYTE staff, WORD x, BYTE suffix, std::vector<WORD> words)
{
    EncoreSymbol s = EncMark(track, staff, suffix, std::move(words));
    s.type = 7;
    Word(s.data, 0, x);
    return s;
}

EncoreSymbol EncRawSymbol(BYTE type, BYTE kind, std::vector<BYTE> data, BYTE track, BYTE staff)
{
    EncoreSymbol s = Symbol(type, track, staff, kind, 0);
    s.data = std::move(data);
    return s;
}

EncoreSymbol EncRawRecord(std::vector<BYTE> bytes)
{
    EncoreSymbol s;
    s.raw = std::move(bytes);
    return s;
}

EncoreBlock EncPrec(std::vector<BYTE> body)
{
    return {"PREC", std::move(body), {}};
}

EncoreBlock EncTitle(std::vector<BYTE> body)
{
    body.resize(0x97A);
    return {"TITL", std::move(body), {}};
}

EncoreBlock EncText(const std::vector<EncoreTextItem>& items)
{
    // The block is written in the file's order by WriteEncore: words here
    // are kept in a marker-free little-endian form and flipped there.
    EncoreBlock block {"TEXT", Bytes(8), {}};
    for (const EncoreTextItem& item : items) {
        Bytes r(6);
        Word(r, 2, static_cast<WORD>(item.runs.size()));
        Word(r, 4, static_cast<WORD>(item.subTexts.size()));
        for (const auto& run : item.runs) {
            Word(r, r.size(), run[0]);
            Word(r, r.size(), run[1]);
        }
        for (const auto& sub : item.subTexts)
            for (WORD w : sub)
                Word(r, r.size(), w);
        r.insert(r.end(), item.text.begin(), item.text.end());
        if (item.terminate)
            r.push_back(0);
        Word(r, 0, item.textSize.value_or(static_cast<WORD>(r.size() - 2)));
        Append(block.body, r);
    }
    return block;
}

EncoreBlock EncFont(const std::vector<std::string>& names)
{
    EncoreBlock block {"FONT", {}, {}};
    for (const std::string& name : names) {
        block.body.insert(block.body.end(), name.begin(), name.end());
        block.body.push_back(0);
    }
    return block;
}

EncoreBlock EncColor(std::vector<BYTE> body)
{
    return {"COLR", std::move(body), {}};
}

EncoreBlock EncDrum(std::vector<BYTE> body)
{
    return {"DRUM", std::move(body), {}};
}

namespace {

// TEXT words are flipped by walking the items as the file lays them out.
void FlipText(Bytes& body)
{
    for (size_t at : {0, 2})
        Flip2(body, at);
    Flip4(body, 4);
    size_t pos = 8;
    while (pos + 6 <= body.size()) {
        const size_t start = pos;
        const WORD size = static_cast<WORD>(body[pos] | (body[pos + 1] << 8));
        const size_t words = 3 + 2 * static_cast<size_t>(body[pos + 2] | (body[pos + 3] << 8)) +
                             3 * static_cast<size_t>(body[pos + 4] | (body[pos + 5] << 8));
        for (size_t i = 0; i < words; ++i)
            Flip2(body, pos + 2 * i);
        pos = start + 2 + size;
    }
}

} // namespace

std::vector<BYTE> WriteEncore(const EncoreFile& file, EncoreOrder order)
{
    const bool sco5 = order == EncoreOrder::Sco5;
    const bool older = file.layout == EncoreLayout::Older;
    Bytes out = Header(file, sco5, file.wMeasNumb.value_or(static_cast<WORD>(file.measures.size())));
    for (const EncoreTrack& t : file.tracks)
        Append(out, Track(t, sco5));
    for (const EncorePage& p : file.pages)
        Append(out, Page(p, sco5));
    for (const EncoreLine& l : file.lines)
        Append(out, Line(l, sco5));
    for (const EncoreMeasure& m : file.measures)
        Append(out, Measure(m, sco5, older));
    for (const EncoreBlock& b : file.blocks) {
        if (sco5 && b.tag == "TEXT") {
            EncoreBlock flipped = b;
            FlipText(flipped.body);
            Append(out, Block(flipped, sco5));
        } else {
            Append(out, Block(b, sco5));
        }
    }
    Append(out, file.extra);
    return out;
}

EncoreFile MinimalEncore(int measures)
{
    EncoreFile f;
    f.tracks.push_back(EncoreTrack {});
    f.pages.push_back(EncorePage {});
    EncoreLine line;
    line.wMeasNumb = static_cast<WORD>(measures);
    line.staves.push_back(EncoreStaff {});
    f.lines.push_back(line);
    f.measures.resize(static_cast<size_t>(measures));
    return f;
}

EncoreFile RichEncore(bool colorsAndMarks)
{
    EncoreFile f;
    f.title = "Rich";
    f.wSysNumb = 3;
    f.wPageNumb = 2;
    f.byInstruPerSys = 2;
    f.byStaffPerSys = 3;
    EncoreTrack first;
    first.name = "Flute";
    first.programs.fill(73);
    first.channels.fill(1);
    EncoreTrack second;
    second.tag = "TK01";
    second.name = "Piano";
    second.staves = 2;
    second.clefs = {0, 1, 0, 0};
    second.brackets = {2, 2, 0, 0};
    f.tracks = {first, second};
    f.pages = {EncorePage {0, 2, 3, 26, "PAGE"}, EncorePage {2, 1, 3, 30, "PAGE"}};
    for (int i = 0; i < 3; ++i) {
        EncoreLine line;
        line.wPageNo = static_cast<WORD>(i < 2 ? 0 : 1);
        line.wX = static_cast<WORD>(10 * i);
        line.wStartMeasNo = static_cast<WORD>(i == 0 ? 0 : i + 1);
        line.wMeasNumb = static_cast<WORD>(i == 0 ? 2 : 1);
        for (BYTE s = 0; s < 3; ++s) {
            EncoreStaff staff;
            staff.byTrkNo = s == 0 ? 0 : 1;
            staff.wY = static_cast<WORD>(100 + 60 * s);
            staff.songPos = {-4, -8, -12, -16, -20, -24, -28, -32};
            line.staves.push_back(staff);
        }
        f.lines.push_back(line);
    }
    f.measures.resize(4);
    EncoreSymbol note = EncNote(1, 1, 40, -3, 60, 480, 90, 1);
    if (colorsAndMarks) {
        note.wColor = 5;
        note.data[4] = 0xC1;
        note.data[14] = 7;
        note.data[15] = 2;
        note.data[16] = 9;
        note.data[17] = 1;
    }
    EncoreSymbol rest = EncRest(0, 0, 20, 2, 3);
    EncoreSymbol clef = EncClef(1, 1, 0, 1);
    if (colorsAndMarks)
        clef.wColor = 3;
    f.measures[0].symbols = {clef, EncKey(0, 0, -2), note, rest, EncNote(0, 0, 20, 5, 72, 240, 80),
                             EncTie(1, 1, 40, 90)};
    f.measures[1].symbols = {EncBeam(1, 0, 10, {{10, 20, 30}, {40, 50, 60}}), EncNote(1, 0, 10, 4, 64, 120),
                             EncNote(1, 0, 70, 4, 64, 120), EncLyric(0, 0, 15, {15, 3, 0x0506, 7, 8}),
                             EncChord(1, 1, 25, 24, {25, 0x0101, 0x0203})};
    std::vector<WORD> words13(13), words9(9), words7(7);
    for (size_t i = 0; i < 13; ++i)
        words13[i] = static_cast<WORD>(0x0100 * (i + 1) + i);
    std::copy_n(words13.begin(), 9, words9.begin());
    std::copy_n(words13.begin(), 7, words7.begin());
    std::vector<WORD> words12(words13.begin(), words13.begin() + 12);
    f.measures[2].symbols = {EncMark(0, 0, 16, {5, 0x0102, 0x0304, 9}), EncMark(1, 1, 25, words7),
                             EncMark(0, 0, 30, words12), EncMark(1, 0, 33, words9), EncMark(0, 0, 50, words13),
                             EncMark(0, 0, 200, {3, 0x0405, 0x0607}), EncMark(0, 0, 1, {1, 2, 3})};
    f.measures[3].symbols = {EncRest(1, 1, 0), EncRest(1, 0, 0, 3, 4, 1)};
    f.measures[3].byBoldaSymbol = 0;
    f.measures[2].byBoldaSymbol = 128;
    f.measures[2].byBoldaValue = 1;

    std::vector<BYTE> prec(40);
    for (size_t i = 0; i < prec.size(); ++i)
        prec[i] = static_cast<BYTE>(i * 7);
    std::vector<BYTE> title(0x97A);
    for (int i = 0; i < 15; ++i)
        PutWords(title, 96 * i + 10, {i + 1, 12 + i, 0x0102 * (i % 3), 0x0304});
    for (int i = 0; i < 5; ++i)
        PutWords(title, 1504 + 160 * i + 10, {i, 0x0a0b, 1});
    std::memcpy(title.data() + 32, "Title", 5);
    std::memcpy(title.data() + 1504 + 32, "Copyright", 9);
    for (int r = 0; r < 7; ++r)
        PutWords(title, 2304 + 10 * r, {1, 12 + r, r, 0x0100, 15});
    PutWords(title, 2374, {7, 100, 0, 3, 80, 0, 2, 2, 2, 0x0203});
    EncoreTextItem one;
    one.runs = {{0, 0}, {3, 1}};
    one.subTexts = {{1, 12, 0x0102}, {0, 0x0e0f, 1}};
    one.text = "Hello";
    EncoreTextItem two;
    two.subTexts = {{1, 10, 0}};
    two.text = "End\x04";
    std::vector<BYTE> colors(174);
    for (size_t i = 0; i < colors.size(); ++i)
        colors[i] = static_cast<BYTE>(i);
    f.blocks = {EncPrec(prec), EncTitle(title), EncText({one, two}), EncFont({"", "Arial", "", "Times"}),
                EncColor(colors), EncDrum({1, 2, 3})};
    return f;
}

EncoreFile SkeletonEncore()
{
    EncoreFile f;
    f.title = "Skeleton";
    f.wSysNumb = 3;
    f.wPageNumb = 2;
    f.byInstruPerSys = 2;
    f.byStaffPerSys = 3;
    EncoreTrack first;
    first.name = "Flute";
    EncoreTrack second;
    second.tag = "TK01";
    second.name = "Piano";
    second.staves = 2;
    second.clefs = {0, 1, 0, 0};
    f.tracks = {first, second};
    f.pages = {EncorePage {0, 2, 3, 26, "PAGE"}, EncorePage {2, 1, 3, 26, "PAGE"}};
    const WORD starts[3] = {0, 4, 8};
    const WORD counts[3] = {4, 4, 2};
    for (int i = 0; i < 3; ++i) {
        EncoreLine line;
        line.wPageNo = static_cast<WORD>(i < 2 ? 0 : 1);
        line.wX = static_cast<WORD>(i == 0 ? 30 : 0);
        line.wStartMeasNo = starts[i];
        line.wMeasNumb = counts[i];
        for (BYTE s = 0; s < 3; ++s) {
            EncoreStaff staff;
            staff.byTrkNo = s == 0 ? 0 : 1;
            staff.wY = static_cast<WORD>(100 + 60 * s);
            line.staves.push_back(staff);
        }
        f.lines.push_back(line);
    }
    f.measures.resize(10);
    const WORD widths[4] = {200, 150, 250, 200};
    for (int m = 0; m < 4; ++m)
        f.measures[static_cast<size_t>(m)].wMeasDistance = widths[m];
    return f;
}

std::optional<std::filesystem::path> SharedEncoreFile(const std::string& name)
{
#ifdef KV_SOURCE_DIR
    namespace fs = std::filesystem;
    // The repository root, and for a git worktree also its main checkout
    // (named by the "gitdir:" line of the worktree's .git file).
    std::vector<fs::path> roots = {fs::path(KV_SOURCE_DIR)};
    std::ifstream gitFile(roots[0] / ".git");
    std::string line;
    if (gitFile && std::getline(gitFile, line) && line.rfind("gitdir: ", 0) == 0) {
        const std::string gitDir = line.substr(8);
        const size_t worktrees = gitDir.find("/.git/worktrees/");
        if (worktrees != std::string::npos)
            roots.push_back(fs::path(gitDir.substr(0, worktrees)));
    }
    for (const fs::path& root : roots) {
        const fs::path path = root / ".." / "shared" / "encore" / name;
        std::error_code error;
        if (fs::is_regular_file(path, error))
            return path;
    }
#endif
    static_cast<void>(name);
    return std::nullopt;
}

namespace {

void PutTitleItem(std::vector<BYTE>& title, int offset, std::initializer_list<int> words, const std::string& text)
{
    int at = offset + 10;
    for (int w : words) {
        title[static_cast<size_t>(at)] = static_cast<BYTE>(w & 0xFF);
        title[static_cast<size_t>(at + 1)] = static_cast<BYTE>((w >> 8) & 0xFF);
        at += 2;
    }
    std::memcpy(title.data() + offset + 32, text.data(), text.size());
}

EncoreSymbol EveryFormNote(WORD x, BYTE kind, BYTE param1 = 0, BYTE tuplet = 0)
{
    EncoreSymbol s = EncNote(0, 0, x, 0, 72, 120, 100, 0, kind);
    s.param1 = param1;
    s.data[3] = tuplet;
    return s;
}

EncoreSymbol EveryFormTie(WORD x1, WORD x2, BYTE across)
{
    EncoreSymbol s = EncTie(0, 0, x1, x2);
    PutWords(s.data, 0, {x1, x2, 0, 0});
    s.kind = static_cast<BYTE>(-2);
    s.param1 = across;
    return s;
}

} // namespace

EncoreFile EveryFormEncore()
{
    EncoreFile f;
    f.title = "Sonata";
    f.wSysNumb = 2;
    f.byInstruPerSys = 2;
    f.byStaffPerSys = 3;
    EncoreTrack flute;
    flute.name = "Flute";
    EncoreTrack piano;
    piano.tag = "TK01";
    piano.name = "Piano";
    piano.staves = 2;
    piano.clefs = {0, 1, 0, 0};
    f.tracks = {flute, piano};
    f.pages = {EncorePage {0, 2, 3, 26, "PAGE"}};
    for (WORD start : {0, 2}) {
        EncoreLine line;
        line.wStartMeasNo = start;
        line.wMeasNumb = 2;
        for (BYTE s = 0; s < 3; ++s) {
            EncoreStaff staff;
            staff.byTrkNo = s == 0 ? 0 : 1;
            staff.wY = static_cast<WORD>(100 + 60 * s + 125 * start);
            staff.songPos[0] = -4;
            line.staves.push_back(staff);
        }
        f.lines.push_back(line);
    }
    f.measures.resize(4);
    for (EncoreMeasure& m : f.measures) {
        m.byPakArea = 20;
        for (BYTE staff : {0, 1})
            m.symbols.push_back(EncRest(1, staff, 0, 0, 1));
    }

    EncoreSymbol lyric = EncRawSymbol(6, 0, {0, 0, 1, 0, 16, 0, 0, 0, 0, 0, 'l', 'a', 0});
    EncoreSymbol text = EncMark(0, 0, 30, {0, 0, 20, static_cast<WORD>(-10), 0, 120, 10, 0, 0, 0, 1, 0});
    EncoreSymbol tempo = EncMark(0, 0, 50, {110, 2, 0, 0, 0, 0, 0, 0, 0, 0x8202, 0, 1, 16, 1});
    auto& first = f.measures[0].symbols;
    for (EncoreSymbol s : {EveryFormNote(0, 0x03, 1), EveryFormNote(45, 0x03, 2), EveryFormNote(90, 0x03), EveryFormNote(135, 0x03, 1), EveryFormTie(0, 45, 0),
                           EveryFormTie(135, 0, 1), lyric, EncChord(0, 0, 90, 55, {90, 0x2614}), EncMark(0, 0, 130, {60, 0}),
                           text, tempo})
        first.push_back(s);
    f.measures[1].symbols.push_back(EveryFormNote(0, 0x01, 2));
    f.measures[1].symbols.push_back(EncMark(0, 0, 16, {100, 0}));

    EncoreSymbol beam = EncBeam(0, 0, 0, {{0, 90, 0}}, 0);
    beam.data[4 + 9] = 3;
    for (EncoreSymbol s : {EveryFormNote(0, 0x04, 0, 0x32), EveryFormNote(45, 0x04, 0, 0x32), EveryFormNote(90, 0x04, 0, 0x32), beam,
                           EncRest(0, 0, 135, 0, 2), EncMark(0, 0, 17, {100, 0})})
        f.measures[2].symbols.push_back(s);
    f.measures[3].symbols.push_back(EncRest(0, 0, 0, 0, 1));

    std::vector<BYTE> title(2426);
    PutTitleItem(title, 0, {1, 14, 1}, "Sonata");
    PutTitleItem(title, 10 * 96, {1, 12, 0, static_cast<WORD>(-1)}, "Page #P");
    PutTitleItem(title, 1344, {1, 12, 0, 0, 0, 0, 0, 1}, "(c)");
    EncoreTextItem item;
    item.runs = {{0, 0}};
    item.subTexts = {{1, 16, 2}};
    item.text = "Caf\xE9";
    f.blocks = {EncTitle(title), EncText({item}), EncFont({"Times", "Arial"}), EncDrum()};
    return f;
}

} // namespace kvtest
