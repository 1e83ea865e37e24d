// Writes the seed inputs of the fuzz targets from the score generator:
//
//   kv_fuzz_seeds OUT
//
// makes OUT/body_reader/ (generated and new scores, as body contents) and
// OUT/record_readers/ (one valid record of each reader, behind its selector
// byte) and OUT/drawn_payloads/ (one head of each self-drawing symbol,
// behind its selector and steering bytes) and OUT/bitmap_reader/ (BMP files
// and image records behind their form byte), OUT/clipboard_image/
// (clipboard images of generated selections behind their context byte) and
// OUT/custom_symbol_block/ (custom symbol blocks) and OUT/encore_reader/
// (Encore files of both byte orders and layouts) and OUT/brenlo/ (Brenlo
// page buffers), OUT/encore_import/ (Encore score skeletons with endings,
// codas, hidden staves, a drum staff and several pages). The committed seeds in
// fuzz/corpus/ are its output; run it again
// when a record format changes.

#include "FuzzSupport.h"
#include "KvcFile.h"
#include "support/BmpMaker.h"
#include "support/CustomSymbolMaker.h"
#include "support/BrenloBuffer.h"
#include "support/EncoreWriter.h"
#include "model/CustomSymbol.h"
#include "support/ScoreGenerator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace {

using Bytes = std::vector<BYTE>;
namespace fs = std::filesystem;

bool g_failed = false;

void Put(const fs::path& folder, const std::string& name, const Bytes& bytes)
{
    fs::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
        g_failed = true;
    }
}

Bytes Contents(CMemFile& file)
{
    Bytes bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    if (!bytes.empty())
        file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
    return bytes;
}

// The body's content: what lies between its two length words.
Bytes BodyContent(CKVDoc& doc)
{
    CMemFile file;
    if (doc.Save(&file) != 1) {
        std::fprintf(stderr, "a seed score cannot be saved\n");
        g_failed = true;
        return {};
    }
    const Bytes body = Contents(file);
    return Bytes(body.begin() + 4, body.end() - 4);
}

Bytes Selected(kvfuzz::RecordReader reader, const Bytes& record)
{
    Bytes input(record.size() + 1);
    input[0] = static_cast<BYTE>(reader);
    std::copy(record.begin(), record.end(), input.begin() + 1);
    return input;
}

template <class T>
Bytes RecordOf(T& object)
{
    kvfuzz::RecordBuffer out;
    if (object.Write(out.data, &out.used, &out.capacity) != 1)
        g_failed = true;
    return Bytes(out.data, out.data + out.used);
}

template <class T>
Bytes MemRecordOf(T& object)
{
    kvfuzz::RecordBuffer out;
    if (object.WriteToMem(out.data, &out.used, &out.capacity) != 1)
        g_failed = true;
    return Bytes(out.data, out.data + out.used);
}

template <class T>
Bytes FileRecordOf(T& object)
{
    CMemFile file;
    object.Write(&file);
    return Contents(file);
}

std::unique_ptr<CKVDoc> Generated(const kvtest::GeneratedScoreShape& shape)
{
    auto doc = std::make_unique<CKVDoc>();
    if (!kvtest::GenerateScore(*doc, shape)) {
        std::fprintf(stderr, "the generator failed\n");
        g_failed = true;
    }
    return doc;
}

// Reading renumbers the ids and repairs what the generator leaves for it;
// the seeds are the records of a score as reading keeps it.
std::unique_ptr<CKVDoc> Reloaded(CKVDoc& doc)
{
    std::vector<BYTE> body;
    {
        CMemFile file;
        doc.Save(&file);
        body = Contents(file);
    }
    CMemFile file(body.data(), static_cast<UINT>(body.size()));
    auto loaded = std::make_unique<CKVDoc>();
    if (loaded->Load(&file, 3) != 0) {
        std::fprintf(stderr, "a generated score does not load\n");
        g_failed = true;
    }
    return loaded;
}

void BodySeeds(const fs::path& folder)
{
    Put(folder, "generated-1x2", BodyContent(*Generated({1, 2, 4})));
    Put(folder, "generated-2x2", BodyContent(*Generated({2, 2, 5})));
    CKVDoc fresh;
    kvorel::NewScoreOptions options;
    options.measures = 4;
    if (!kvorel::MakeNewScore(fresh, options))
        g_failed = true;
    Put(folder, "new-2x4", BodyContent(fresh));

    // Older chord texts with their head cut to every length, the words
    // still claiming the whole text.
    for (const bool fret : {true, false}) {
        std::unique_ptr<CKVDoc> doc = Generated({1, 2, 4});
        CKVMeas* meas = doc->GetStaff(0, 0)->GetMeas(0);
        CKVMsg whole;
        if (fret) {
            tagFRETDATA data;
            data.byNameLen = 10;
            std::memcpy(data.szName, "C#m7(b9)/E", 10);
            whole.FretDataToMsg(data);
        } else {
            whole.TextToKVMsg("C7(b9,#11)/E");
        }
        for (int length = 0; length <= whole.m_wHeadLen; ++length) {
            auto* msg = new CKVMsg;
            msg->m_byKind = whole.m_byKind;
            msg->m_nPosX = static_cast<short>(8 * length);
            msg->m_nPosY = -40;
            msg->m_byVoice = 1;
            msg->m_wDuration = whole.m_wDuration;
            msg->m_wObjWord = whole.m_wObjWord;
            msg->m_dwWord = whole.m_dwWord;
            msg->m_nPosX2 = whole.m_nPosX2;
            msg->m_nPosY2 = whole.m_nPosY2;
            msg->SetHead(static_cast<short>(length), whole.m_pHead);
            if (meas->AddMsg(msg, kHolderOwns) <= 0)
                delete msg;
        }
        Put(folder, fret ? "older-fret-texts" : "older-chord-names", BodyContent(*doc));
    }
}

void RecordSeeds(const fs::path& folder)
{
    std::unique_ptr<CKVDoc> generated = Generated({2, 2, 10});
    std::unique_ptr<CKVDoc> doc = Reloaded(*generated);
    CKVSystem* master = doc->m_arrSystem.GetSize() > 0 ? doc->m_arrSystem.GetAt(0) : nullptr;
    if (master == nullptr || master->GetStaffNum() == 0 || doc->GetPageNum() == 0) {
        std::fprintf(stderr, "the record score is empty\n");
        g_failed = true;
        return;
    }

    // One symbol of each kind that the first staff holds in its measures,
    // and the chord parts of its first chord symbols.
    CKVStaff* staff = master->GetStaff(0);
    std::set<int> kinds;
    CChordSymbol* chords[2] = {};
    for (LONG m = 0; m < staff->GetMeasNum(); ++m) {
        CKVMeas* meas = staff->GetMeas(m);
        for (short i = 0; i < meas->GetMsgNum(); ++i) {
            CKVMsg* msg = meas->GetMsg(i);
            if (auto* chord = dynamic_cast<CChordSymbol*>(msg))
                chords[chord->m_pRhythm != nullptr ? 1 : 0] = chord;
            if (!kinds.insert(msg->m_byKind).second)
                continue;
            Put(folder, "symbol-kind-" + std::to_string(msg->m_byKind), Selected(kvfuzz::READ_MSG, RecordOf(*msg)));
        }
    }
    Put(folder, "measure", Selected(kvfuzz::READ_MEAS, RecordOf(*staff->GetMeas(0))));
    Put(folder, "staff", Selected(kvfuzz::READ_STAFF, RecordOf(*staff)));

    CKVPage* page = doc->GetPage(0);
    if (page->GetBlockNum() > 0)
        Put(folder, "block", Selected(kvfuzz::READ_BLOCK, RecordOf(*page->GetBlock(0))));
    Put(folder, "page", Selected(kvfuzz::READ_PAGE, RecordOf(*page)));

    for (CChordSymbol* chord : chords) {
        if (chord == nullptr)
            continue;
        const std::string suffix = chord->m_pRhythm != nullptr ? "-with-rhythm" : "";
        Put(folder, "chord-part" + suffix, Selected(kvfuzz::READ_CHORD_SYMBOL, MemRecordOf(*chord)));
        if (chord->m_pRhythm == nullptr) {
            Put(folder, "fret-board", Selected(kvfuzz::READ_FRET_BOARD, MemRecordOf(chord->m_FretBoard)));
            Put(folder, "surfix", Selected(kvfuzz::READ_SURFIX, MemRecordOf(chord->m_Surfix)));
        } else {
            Put(folder, "rhythm", Selected(kvfuzz::READ_RHYTHM, MemRecordOf(*chord->m_pRhythm)));
        }
    }

    // Rhythm data with one event and one track.
    CRtmData data;
    auto* event = new RhythmEvent;
    event->byKey = 60;
    event->byVelocity = 100;
    event->dwData = 256;
    event->byHead2 = 0x40;
    data.m_arrEvent.Add(event);
    auto* track = new RhythmTrack;
    track->byLevel = 127;
    track->byProgram = 1;
    data.m_arrTrack.Add(track);
    data.m_nMeasCount = 1;
    data.m_nMeasLength = 960;
    Put(folder, "rhythm-data", Selected(kvfuzz::READ_RHYTHM_DATA, MemRecordOf(data)));

    Put(folder, "settings", Selected(kvfuzz::READ_SETTINGS, FileRecordOf(doc->m_CtrlTool)));
    Put(folder, "file-info", Selected(kvfuzz::READ_FILE_INFO, FileRecordOf(*doc->m_pFileInfo)));

    const Bytes leading = kvorel::MakeKvcLeadingPart();
    Put(folder, "leading-part", Selected(kvfuzz::READ_LEADING_PART, leading));
    const Bytes kvcBlock(leading.end() - kvorel::kKvcBlockSize, leading.end());
    Put(folder, "leading-part-kvc-only", Selected(kvfuzz::READ_LEADING_PART, kvcBlock));

    Put(folder, "upgrade", Selected(kvfuzz::READ_UPGRADE, BodyContent(*Generated({1, 2, 6}))));

    // The system last: a small one, since it holds every staff.
    std::unique_ptr<CKVDoc> small = Reloaded(*Generated({1, 1, 3}));
    if (small->m_arrSystem.GetSize() > 0)
        Put(folder, "system", Selected(kvfuzz::READ_SYSTEM, RecordOf(*small->m_arrSystem.GetAt(0))));
}

Bytes Wide(const std::u16string& text)
{
    Bytes bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<BYTE>(unit));
        bytes.push_back(static_cast<BYTE>(unit >> 8));
    }
    return bytes;
}

Bytes Joined(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A UTF-16 text run with its marker.
Bytes WideRun(const std::u16string& text)
{
    const Bytes run = Joined({Wide(text), Bytes(8, 0)});
    return Joined({{6, static_cast<BYTE>(run.size()), static_cast<BYTE>(run.size() >> 8)}, run});
}

void DrawnSeeds(const fs::path& folder)
{
    Put(folder, "lyric", Joined({{kvfuzz::DRAW_LYRIC, 0, 0, 0, 0, 0, 12, 0, 0, 0, 0xFF, 0, 0, 0, 2, 0, 0, 0}, Wide(u"la")}));
    // Style 0: a quarter equals the number.
    Put(folder, "tempo-0", Bytes {kvfuzz::DRAW_TEMPO, 3 << 1 | 7 << 5});
    const std::string allegro = "Allegro";
    Put(folder, "tempo-1", Joined({{kvfuzz::DRAW_TEMPO, 1 | 3 << 1 | 1 << 5, 0, 0, 12, 0, 0, 0, 0, 12, 0, 0},
                                   Bytes(allegro.begin(), allegro.end())}));
    Put(folder, "staff-name", Bytes {kvfuzz::DRAW_STAFF_NAME, 1, 'V', 'n'});
    Put(folder, "text", Joined({{kvfuzz::DRAW_TEXT, 1, 1, 1, 0, 2, 0, 0, 4, 12, 0, 5, 0, 0, 0xA0, 0, 7, 0, 0, 20, 0, 9, 2, 0},
                                WideRun(u"#P #T #D\r"), {10, 3, 3}, WideRun(u"CDEF")}));
    Put(folder, "dynamic", Bytes {kvfuzz::DRAW_DYNAMIC, 3});
}

// BMP files behind an even selector byte, image records behind an odd one.
void BitmapSeeds(const fs::path& folder)
{
    using kvtest::BmpShape;
    auto file = [&](const std::string& name, const BmpShape& shape) {
        Put(folder, name, Joined({{0}, kvtest::MakeBmp(shape)}));
    };
    for (WORD depth : {1, 4, 8, 24}) {
        BmpShape shape;
        shape.width = 5;
        shape.height = 3;
        shape.bitCount = depth;
        shape.scaleX = 150;
        shape.scaleY = 200;
        file("bpp-" + std::to_string(depth), shape);
    }
    BmpShape topDown;
    topDown.bitCount = 24;
    topDown.height = -2;
    file("top-down", topDown);
    BmpShape compact;
    compact.clrUsed = 2;
    compact.colours = {0xFF0000, 0x0000FF};
    file("compact-palette", compact);
    BmpShape longHeader;
    longHeader.headerSize = 124;
    file("header-124", longHeader);
    BmpShape gap;
    gap.gap = 10;
    file("gap-before-bits", gap);
    BmpShape record;
    record.width = 3;
    record.height = 2;
    record.bitCount = 4;
    const Bytes one = kvtest::MakeImageRecord(5, 6, 40, 30, record);
    record.bitCount = 24;
    const Bytes two = kvtest::MakeImageRecord(1, 2, 3, 4, record);
    Put(folder, "record", Joined({{1}, one}));
    Put(folder, "two-records", Joined({{1}, one, two}));
}

// A clipboard image behind the target's context byte (undo recording on).
Bytes ClipboardInput(uint8_t context, const unsigned char* image, DWORD size)
{
    Bytes input(static_cast<size_t>(size) + 1);
    input[0] = static_cast<BYTE>(context | kvfuzz::kClipRecordUndo);
    std::copy(image, image + size, input.begin() + 1);
    return input;
}

// The image of one selection of a generated score, copied in one voice.
Bytes ClipboardImage(short kind, int voice, bool wholePage)
{
    auto doc = Reloaded(*Generated({2, 6, 6}));
    doc->JumpToPage(0);
    CKVPage* page = doc->GetPage(0);
    CKVBlock* block = page ? page->GetBlock(0) : nullptr;
    CKVSystem* system = doc->m_arrSystem.GetAt(0);
    if (!block || !system) {
        std::fprintf(stderr, "a generated score has no block\n");
        g_failed = true;
        return {};
    }
    RECT rect = block->m_rcBlock;
    if (wholePage)
        rect = RECT {-10000, -10000, 10000, 10000};
    CKVMeas* meas = system->GetMeas(0, 1);
    switch (kind) {
    case SelRect::kRect:
        doc->AddSelRect(kind, &rect, nullptr, nullptr, nullptr);
        break;
    case SelRect::kMeas:
        doc->AddSelRect(kind, &rect, meas, nullptr, doc->GetBlockByMeas(meas));
        break;
    case SelRect::kBlockStaff:
        doc->AddSelRect(kind, &rect, nullptr, system->GetStaff(0), block);
        break;
    default:
        doc->AddSelRect(kind, nullptr, nullptr, system->GetStaff(1), nullptr);
        break;
    }
    unsigned char* image = static_cast<unsigned char*>(std::malloc(1));
    const DWORD size = doc->CopyDataToMem(image, static_cast<unsigned char>(voice), 0);
    Bytes bytes;
    if (size == 0 || size == 0xFFFFFFFF) {
        std::fprintf(stderr, "a selection of kind %d gives no image\n", kind);
        g_failed = true;
    } else {
        bytes = ClipboardInput(static_cast<uint8_t>(voice), image, size);
    }
    std::free(image);
    return bytes;
}

void ClipboardSeeds(const fs::path& folder)
{
    for (short kind = SelRect::kRect; kind <= SelRect::kStaff; ++kind) {
        for (int voice : {0, 2})
            Put(folder, "kind" + std::to_string(kind) + "-voice" + std::to_string(voice), ClipboardImage(kind, voice, false));
    }
    Put(folder, "whole-page", ClipboardImage(SelRect::kRect, 0, true));

    // One page text alone.
    CKVMsg text;
    text.m_byKind = MSG_FREETEXT;
    text.m_nPosX = 40;
    text.m_nPosY = 30;
    const char words[] = "Presto";
    text.SetHead(sizeof words, reinterpret_cast<unsigned char*>(const_cast<char*>(words)));
    kvfuzz::RecordBuffer record;
    record.data = static_cast<unsigned char*>(std::malloc(8));
    record.capacity = 8;
    record.used = 8;
    if (!text.Write(record.data, &record.used, &record.capacity)) {
        g_failed = true;
        return;
    }
    PutDword(record.data, record.used);
    std::memcpy(record.data + 4, "PAGE", 4);
    Put(folder, "page-only", ClipboardInput(0, record.data, record.used));

    const unsigned char empty[] = {4, 0, 0, 0};
    Put(folder, "empty", ClipboardInput(0, empty, sizeof empty));
    const unsigned char unknown[] = {8, 0, 0, 0, 'X', 'X', 'X', 'X'};
    Put(folder, "unknown-tag", ClipboardInput(kvfuzz::kClipSelectMeasure, unknown, sizeof unknown));
}

// One block per object kind, texts with offsets and in the music face, one
// and two images, and blocks as the writer writes them.
void CustomSymbolSeeds(const fs::path& folder)
{
    using namespace kvtest;
    auto stroke = [](int kind, std::vector<std::pair<double, double>> points) {
        CsStroke s;
        s.kind = kind;
        s.penWidth = 2;
        s.points = std::move(points);
        return s;
    };
    const std::vector<CsStroke> kinds = {
        stroke(1, {{0, 0}, {5, 8}, {12, 3}}), stroke(2, {{0, 0}, {30, 0}}),  stroke(3, {{0, 0}, {20, 10}}),
        stroke(4, {{0, 0}, {20, 10}}),        stroke(5, {{0, 0}, {9, 9}, {0, 9}}),
        stroke(6, {{0, 0}, {30, 0}, {10, -10}, {20, -10}}),
        stroke(7, {{0, 0}, {30, 0}, {10, -10}, {20, -10}, {10, -5}, {20, -5}}), stroke(8, {{0, 0}, {10, 20}})};
    for (const CsStroke& s : kinds) {
        CsBlock block;
        block.strokes = {s};
        Put(folder, "kind-" + std::to_string(s.kind), MakeCustomBlock(block));
    }
    CsBlock arrows;
    CsStroke wave = stroke(2, {{0, 0}, {60, 0}});
    wave.lineStyle = 7;
    CsStroke arrow = stroke(2, {{0, 0}, {40, 0}});
    arrow.arrowType = 2;
    arrow.arrowEnd = 1;
    CsStroke band = stroke(2, {{0, 0}, {40, 10}});
    band.endStyle = 3;
    arrows.strokes = {wave, arrow, band};
    Put(folder, "line-forms", MakeCustomBlock(arrows));

    CsBlock texts;
    CsTextItem a;
    a.offsetX = 2;
    a.offsetY = 3;
    a.width = 30;
    a.height = 12;
    a.text = u"ab";
    CsTextItem b = a;
    b.x = 20;
    b.text = u"c";
    CsTextItem music;
    music.face = "ZelvoraB";
    music.text = u"AB\xF3";
    texts.texts = {{{a, b}}, {{music}}};
    Put(folder, "texts", MakeCustomBlock(texts));

    CsBlock images;
    images.images = {{40, 0, 8, 4, SmallImageShape()}};
    Put(folder, "one-image", MakeCustomBlock(images));
    BmpShape deep = SmallImageShape();
    deep.bitCount = 24;
    deep.clrUsed = 0;
    deep.sizeImage = 24;
    images.images.push_back({0, 10, 4, 2, deep});
    Put(folder, "two-images", MakeCustomBlock(images));

    CsBlock all;
    all.firstWord = 0x12345678;
    all.strokes = kinds;
    all.texts = texts.texts;
    all.images = images.images;
    CCustomSymbol symbol;
    const std::vector<BYTE> made = MakeCustomBlock(all);
    std::vector<unsigned char> written;
    if (!symbol.ReadBlock(made.data(), int(made.size())) || !symbol.WriteBlock(written)) {
        std::fprintf(stderr, "kv_fuzz_seeds: the custom symbol seed does not read\n");
        g_failed = true;
        return;
    }
    Put(folder, "written", written);
    CCustomSymbol empty;
    empty.WriteBlock(written);
    Put(folder, "written-empty", written);
}

void EncoreSeeds(const fs::path& folder)
{
    using namespace kvtest;
    const EncoreOrder orders[2] = {EncoreOrder::Scow, EncoreOrder::Sco5};
    for (EncoreOrder order : orders) {
        const std::string suffix = order == EncoreOrder::Scow ? "-scow" : "-sco5";
        Put(folder, "minimal" + suffix, WriteEncore(MinimalEncore(), order));
        // Seeds stay under 4 KB: shorter printer and colour blocks.
        const auto trimmed = [](EncoreFile f) {
            f.blocks[0].body.resize(4);
            f.blocks[4].body.resize(60);
            f.measures[3].symbols.clear();
            f.lines.pop_back();
            return f;
        };
        Put(folder, "rich" + suffix, WriteEncore(trimmed(RichEncore()), order));
        EncoreFile older = trimmed(RichEncore(false));
        older.layout = EncoreLayout::Older;
        Put(folder, "older" + suffix, WriteEncore(older, order));
        EncoreFile later = MinimalEncore();
        later.headerLength = 0xC4;
        Put(folder, "header-c4" + suffix, WriteEncore(later, order));
        later.tracks[0].recordSize = 2158;
        later.tracks[0].chunkLength = 600;
        Put(folder, "later-layout" + suffix, WriteEncore(later, order));
    }
}

// An older chord text as the harmony_files target takes it: selector 4, the
// kind bit, the words it reads and the head.
Bytes OlderChordSeed(CKVMsg& msg)
{
    Bytes bytes {4, static_cast<BYTE>(msg.m_byKind == MSG_OLDCHORDNAME ? 1 : 0)};
    auto word = [&bytes](WORD value) {
        bytes.push_back(static_cast<BYTE>(value & 0xFF));
        bytes.push_back(static_cast<BYTE>(value >> 8));
    };
    word(msg.m_wDuration);
    word(msg.m_wObjWord);
    word(static_cast<WORD>(msg.m_dwWord & 0xFFFF));
    word(static_cast<WORD>(msg.m_dwWord >> 16));
    word(static_cast<WORD>(msg.m_nPosY2));
    word(static_cast<WORD>(msg.m_nPosX2));
    bytes.insert(bytes.end(), msg.m_pHead, msg.m_pHead + msg.m_wHeadLen);
    return bytes;
}

// Dictionaries, pattern files, shape profiles, group files and older chord
// texts behind the harmony_files selector (first byte modulo 5): 0 for a
// dictionary, 1 for a pattern, 2 for a shape line and a shape profile, 3
// for a group file, 4 for an older chord text.
void HarmonySeeds(const fs::path& folder)
{
    auto text = [](BYTE selector, const char* body) {
        Bytes bytes {selector};
        bytes.insert(bytes.end(), body, body + std::strlen(body));
        return bytes;
    };
    Put(folder, "dictionary", text(0, "m=34\r\nm~7=343\r\n7~(b9,#11)=43A\r\n"));
    Put(folder, "dictionary-odd-lines", text(0, "dim\r\nm=34\r\n7=a3\r\n\r\n=\r\nx=*?\rsus4=52"));
    Put(folder, "shape-profile",
        text(2, "154232,50000000,4\n[~0(major)]\r\nC=154232,00000000,0\r\nG=543225,00000000,0\r\n"
                "[~0m7]\r\nC#/E=1535*4,14000000,3\r\nA=120202,05000000,0\r\n[~8M7]\r\nc=154222,00000000,0\r\n"));
    Put(folder, "shape-line-cut", text(2, "15,\n[~0m7]\rC#=000000\r\n[~0m7]\r\nC#/e=2\r\n"));
    Put(folder, "group", text(3, "Straight=rock1.kvc\r\nShuffle=rock2.kvc\r\n"));
    Put(folder, "group-odd-lines", text(3, "\r\nA=a\r\rjunk\r\nB=b=c\r\nC="));
    int seed = 0;
    for (const char* name : {"C#m7/E", "Am7/b5/G", "Cm(b9)(+5)", ""}) {
        CKVMsg fret;
        tagFRETDATA data;
        data.dwInfo = 0x00050003;
        data.byNameLen = static_cast<BYTE>(std::strlen(name));
        std::memcpy(data.szName, name, data.byNameLen);
        fret.FretDataToMsg(data);
        Put(folder, "older-fret-" + std::to_string(++seed), OlderChordSeed(fret));
    }
    for (const char* name : {"Bb7/F", "C7(b9,#11)/E", "C"}) {
        CKVMsg chord;
        chord.TextToKVMsg(name);
        Put(folder, "older-name-" + std::to_string(++seed), OlderChordSeed(chord));
    }

    std::unique_ptr<CKVDoc> doc = Generated({1, 2, 4});
    CMemFile file;
    if (!kvorel::WriteKvcFile(&file, *doc)) {
        std::fprintf(stderr, "kv_fuzz_seeds: a pattern file cannot be written\n");
        g_failed = true;
        return;
    }
    const Bytes whole = Contents(file);
    Put(folder, "pattern", Joined({{1}, whole}));
    const size_t hostPart = 4 + kvorel::kKvcHostBlockSize + 2;
    Put(folder, "pattern-without-host-block", Joined({{1}, Bytes(whole.begin() + hostPart, whole.end())}));
    Bytes newer = whole;
    newer[4 + 8] = 0x13;
    newer[4 + 9] = 0x20;
    Put(folder, "pattern-newer", Joined({{1}, newer}));
}

void BrenloSeeds(const fs::path& folder)
{
    using namespace kvtest;
    const BrenloPage sample = BrenloSamplePage();
    Put(folder, "sample", WriteBrenlo(sample));
    BrenloPage two = sample;
    two.systems.push_back(sample.systems[0]);
    two.systems[1].top = 300;
    Put(folder, "two-systems", WriteBrenlo(two));
    BrenloPage empty;
    empty.systems.resize(1);
    Put(folder, "empty-system", WriteBrenlo(empty));
}

void EncoreImportSeeds(const fs::path& folder)
{
    using namespace kvtest;
    EncoreFile f = SkeletonEncore();
    Put(folder, "skeleton", WriteEncore(f, EncoreOrder::Scow));
    Put(folder, "skeleton-sco5", WriteEncore(f, EncoreOrder::Sco5));
    EncoreFile marks = f;
    marks.measures[0].moreBytes = {{22, 128}, {23, 5}, {26, 3}, {27, 4}, {42, 2}, {44, 1}, {20, 1}, {21, 4}};
    marks.measures[1].moreBytes = {{22, 64}, {34, 0x05}, {36, 100}, {35, 2}, {10, 'C'}};
    marks.measures[2].moreBytes = {{34, 0x09}, {20, 3}, {21, 5}, {22, 4}};
    marks.measures[5].symbols = {EncKey(1, 0, 10)};
    Put(folder, "endings-codas", WriteEncore(marks, EncoreOrder::Scow));
    EncoreFile hidden = f;
    hidden.lines[0].staves[0].byState = 0;
    hidden.lines[1].staves[1].byState = 0;
    hidden.lines[1].staves[2].byState = 0;
    hidden.tracks[0].clefs = {7, 0, 0, 0};
    hidden.tracks[1].moreBytes = {{84, 2}};
    Put(folder, "hidden-drum", WriteEncore(hidden, EncoreOrder::Scow));
    EncoreFile older = f;
    older.layout = EncoreLayout::Older;
    Put(folder, "older", WriteEncore(older, EncoreOrder::Scow));

    // Every mark, line and shape form, an octave line over two systems and a
    // tie across a bar line.
    EncoreFile symbols = f;
    const auto mark = [](int kind, std::vector<WORD> words, size_t size) {
        EncoreSymbol s = EncMark(0, 0, static_cast<BYTE>(kind), std::move(words));
        s.data.resize(std::max(s.data.size(), size));
        s.wColor = 3;
        s.voice = 1;
        return s;
    };
    std::vector<EncoreSymbol>& first = symbols.measures[0].symbols;
    for (int kind : {128, 138, 170, 171, 162, 163, 165, 166, 167, 168, 169, 175, 237, 238, 239, 240, 241, 246})
        first.push_back(mark(kind, {40, 2}, 4));
    for (int kind : {33, 34, 48, 53, 54, 55})
        first.push_back(mark(kind, {40, 0, 100, 0xFFFC, 1, 60, 2, 1, 0}, 18));
    for (int kind : {29, 36, 25, 26, 27, 28, 44}) {
        EncoreSymbol shape = mark(kind, {0, 0, 40, 4, 1, 60, 12}, 17);
        shape.data[14] = 2;
        shape.data[16] = 1;
        first.push_back(shape);
    }
    for (int kind : {31, 37})
        first.push_back(mark(kind, {40, 0, 0, 0, 1, 30, 0xFFFE}, 14));
    EncoreSymbol midi = mark(52, {40, 2}, 20);
    midi.data[17] = 0x90;
    midi.data[18] = 60;
    midi.data[19] = 100;
    first.push_back(midi);
    first.push_back(mark(16, {150, 2}, 4));
    symbols.measures[4].symbols.push_back(mark(17, {50, 0}, 4));
    first.push_back(EncNote(0, 0, 120, 0, 60, 480));
    symbols.measures[1].symbols.push_back(EncNote(0, 0, 0, 0, 60, 480));
    EncoreSymbol tie = EncTie(0, 0, 120, 7);
    tie.param1 = 1;
    first.push_back(tie);
    Put(folder, "symbols", WriteEncore(symbols, EncoreOrder::Scow));
    Put(folder, "symbols-sco5", WriteEncore(symbols, EncoreOrder::Sco5));

    // Notes, rests, texts, lyrics, chord symbols, tempo marks and page
    // texts, and the same score in the older layout.
    EncoreFile forms = EveryFormEncore();
    Put(folder, "every-form", WriteEncore(forms, EncoreOrder::Scow));
    Put(folder, "every-form-sco5", WriteEncore(forms, EncoreOrder::Sco5));
    EncoreFile formsOlder = forms;
    formsOlder.layout = EncoreLayout::Older;
    Put(folder, "every-form-older", WriteEncore(formsOlder, EncoreOrder::Scow));

    // Note marks, chords, grace notes, every rest kind with a multi-measure
    // rest, beam breaks, clef changes, table marks and texts with CR, a lone
    // CR and byte 4.
    EncoreFile more = EveryFormEncore();
    std::vector<EncoreSymbol>& last = more.measures[3].symbols;
    last.clear();
    EncoreSymbol marked = EncNote(0, 0, 0, 0, 72, 120, 100, 0, 0x13);
    marked.data[4] = 0xC1;
    marked.data[11] = 0x51;
    marked.data[14] = 32;
    marked.data[15] = 2;
    marked.data[16] = 3;
    marked.data[17] = 1;
    last.push_back(marked);
    last.push_back(EncNote(0, 0, 0, 4, 76, 120));
    EncoreSymbol grace = EncNote(0, 0, 30, 2, 74, 30, 100, 0, 0x07);
    grace.param1 = 32;
    grace.param2 = 4;
    last.push_back(grace);
    for (BYTE kind : {1, 2, 3, 4, 5, 6, 7, 8, 12})
        last.push_back(EncRest(0, 0, static_cast<WORD>(40 + 10 * kind), 0, kind, 1));
    EncoreSymbol multi = EncRest(1, 0, 0, 0, 33);
    multi.data[5] = 12;
    more.measures[2].symbols.push_back(multi);
    for (WORD x : {100, 120, 140, 160})
        last.push_back(EncNote(0, 0, x, 2, 74, 60, 100, 2, 0x05));
    EncoreSymbol beam = EncBeam(0, 0, 100, {{100, 160, 0}, {130, 130, 0}, {150, 150, 0}}, 0);
    beam.voice = 2;
    beam.data[4 + 16 + 8] = 0xC0;
    beam.data[4 + 32 + 8] = 0x80;
    beam.data[4 + 32 + 10] = 1;
    beam.data[4 + 32 + 11] = 2;
    beam.data[4 + 13] = 1;
    last.push_back(beam);
    last.push_back(EncClef(0, 0, 90, 1));
    last.push_back(EncClef(0, 0, 95, 11));
    for (int kind : {176, 204, 205, 219})
        last.push_back(EncMark(0, 0, static_cast<BYTE>(kind), {60, 2}));
    for (WORD item : {1, 2}) {
        EncoreSymbol box = EncMark(0, 0, 30, {0, 0, 20, static_cast<WORD>(-10), 0, 120, 10, 0, 0, 0, 1, item});
        last.push_back(box);
    }
    std::vector<EncoreTextItem> items(3);
    const char* texts[3] = {"Caf\xE9", "A\rB", "A\004B"};
    for (size_t i = 0; i < 3; ++i) {
        items[i].runs = {{0, 0}};
        items[i].subTexts = {{1, 16, 2}};
        items[i].text = texts[i];
    }
    more.blocks[1] = EncText(items);
    Put(folder, "note-forms", WriteEncore(more, EncoreOrder::Scow));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kv_fuzz_seeds OUT\n");
        return 2;
    }
    kvfuzz::BeginInput();
    const fs::path out = argv[1];
    BodySeeds(out / "body_reader");
    RecordSeeds(out / "record_readers");
    DrawnSeeds(out / "drawn_payloads");
    BitmapSeeds(out / "bitmap_reader");
    ClipboardSeeds(out / "clipboard_image");

    CustomSymbolSeeds(out / "custom_symbol_block");
    EncoreSeeds(out / "encore_reader");
    HarmonySeeds(out / "harmony_files");
    BrenloSeeds(out / "brenlo");
    EncoreImportSeeds(out / "encore_import");
    return g_failed ? 1 : 0;
}
