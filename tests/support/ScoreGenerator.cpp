#include "support/ScoreGenerator.h"

#include "model/NodeDoc.h"

#include <cstring>
#include <string>
#include <vector>

#if KV_GENERATE_CHORD_SYMBOLS
#include "harmony/ChordSymbol.h"
#endif

namespace kvtest {

// The four settings of the page geometry that a new score takes from the
// default settings, as the host's `new` command does.
void SetDefaultGeometry(CKVDoc& doc)
{
    const CKVCtrlTool& settings = doc.m_CtrlTool;
    const POINT paper {settings.m_sizePaper.cx, settings.m_sizePaper.cy};
    const RECT margins {settings.m_rcMargin.left, settings.m_rcMargin.top, settings.m_rcMargin.right,
                        settings.m_rcMargin.bottom};
    const POINT resolution {static_cast<LONG>(settings.m_dwResolutionX), static_cast<LONG>(settings.m_dwResolutionY)};
    doc.m_pFileInfo->SetLogicPageInfo(paper, margins, static_cast<short>(settings.m_wG2),
                                      static_cast<short>(settings.m_wG1), static_cast<short>(settings.m_wBlockDistance),
                                      static_cast<short>(settings.m_wStaffDistance), resolution);
    doc.SetScoreFontSize(6);
}

namespace {

std::vector<BYTE> Utf16Run(const std::string& text)
{
    // A text run: tag 6, the byte length, then the UTF-16 units.
    std::vector<BYTE> run {6, static_cast<BYTE>(text.size() * 2), static_cast<BYTE>((text.size() * 2) >> 8)};
    for (const char ch : text) {
        run.push_back(static_cast<BYTE>(ch));
        run.push_back(0);
    }
    return run;
}

void SetHeadBytes(CKVObject& node, const std::vector<BYTE>& bytes)
{
    std::vector<BYTE> copy = bytes;
    node.SetHead(static_cast<short>(copy.size()), copy.data());
}

// Builds the symbols of one measure. Each builder returns the symbol it
// placed directly in the measure.
class MeasureFiller {
public:
    MeasureFiller(CKVMeas& meas, int seed) : m_meas(meas), m_seed(seed) {}

    void Fill(int count)
    {
        for (int i = 0; i < count; ++i) {
            const short x = static_cast<short>(4 + i * 248 / (count > 0 ? count : 1));
            Place(static_cast<unsigned>(m_seed + i) % kBuilders, x, i);
        }
        // Reading times every measure again (all voices, then each one);
        // the generated one is timed the same way.
        m_meas.CalcWholeCount();
        for (BYTE voice = 0; voice <= 8; ++voice) {
            m_meas.UpdatePlayTime(voice);
            m_meas.UpdateStartTime(voice, 0, 0, kPerformedStartStays);
        }
    }

private:
#if KV_GENERATE_CHORD_SYMBOLS
    static constexpr unsigned kBuilders = 10;
#else
    static constexpr unsigned kBuilders = 9;
#endif

    CKVMsg* NewMsg(BYTE kind, short x, short y)
    {
        CKVMsg* msg = new CKVMsg;
        msg->m_byKind = kind;
        msg->m_byVoice = static_cast<BYTE>(1 + (m_seed & 1));
        msg->m_nPosX = x;
        msg->m_nPosY = y;
        msg->m_crColor = static_cast<COLORREF>(0x100 * m_seed + kind);
        return msg;
    }

    CKVMsg* NewNote(short x, short y, BYTE duration, int key)
    {
        CKVMsg* note = NewMsg(MSG_NOTE, x, y);
        note->m_wDuration = duration;
        note->m_wHeadType = static_cast<WORD>(key % 3);
        note->m_lHeight = -24 - (key % 5);
        const BYTE head[MidiNoteHead::Size] = {static_cast<BYTE>(key), 100, 64, note->m_byVoice, 0x40, 0, 0, 0, 0, 0, 0, 0};
        std::vector<BYTE> bytes(head, head + sizeof head);
        SetHeadBytes(*note, bytes);
        return note;
    }

    void AddToMeasure(CKVMsg* msg)
    {
        m_meas.InsertMsg(m_meas.GetMsgNum(), msg, kHolderOwns, kParentHere);
    }

    static void Own(CKVMsg* holder, CKVMsg* child)
    {
        holder->InsertMsg(holder->GetMsgNum(), child, kHolderOwns, kParentHere);
    }

    // A tie, slur or tuplet owned by the first symbol it joins and named by
    // the last one; its 32-bit word and height hold their ids. Its points
    // are offsets from the notes it joins: a tie or slur stands half a gap
    // above the heads, in from their middles, and arches a gap higher; a
    // tuplet is placed by the model's own rule and shows its notes' ratio.
    static void Join(BYTE kind, CKVMsg* first, CKVMsg* last)
    {
        CKVMsg* link = new CKVMsg;
        link->m_byKind = kind;
        link->m_byVoice = first->m_byVoice;
        link->m_nPosX = 8;
        link->m_nPosX2 = 8;
        link->m_nPosY = -8;
        link->m_nPosY2 = -8;
        link->m_nLayout1 = -16;
        link->m_nLayout2 = -16;
        Own(first, link);
        link->m_dwWord = first->m_dwMsgId;
        link->m_lHeight = static_cast<LONG>(last->m_dwMsgId);
        last->InsertMsg(last->GetMsgNum(), link, kHolderLinks, kParentAbove);
        if (kind == MSG_TUPLET) {
            link->m_wObjWord = first->m_wObjWord;
            link->TupletPosOrder();
        }
        if (kind == MSG_TIE) {
            first->m_wFlag |= MSGFLAG_TIE_START;
            last->m_wFlag |= MSGFLAG_TIE_END;
        }
    }

    void Place(unsigned builder, short x, int index)
    {
        const int key = 48 + (m_seed * 7 + index * 5) % 36;
        const short y = static_cast<short>(-8 * (key % 9));
        switch (builder) {
        case 0: {
            // A note with an accidental, a dot, a mark and a lyric.
            CKVMsg* note = NewNote(x, y, DUR_QUARTER, key);
            note->m_byAccidental = ACCI_SHARP;
            note->m_byDots = 1;
            note->m_byMark1 = 3;
            AddToMeasure(note);
            CKVMsg* mark = NewMsg(MSG_NOTEMARK, x, static_cast<short>(y + 16));
            mark->m_wHeadType = 16;
            Own(note, mark);
            CKVMsg* lyric = NewMsg(MSG_LYRIC, x, 40);
            // A fixed part with the length at byte 12, then UTF-16 text.
            std::vector<BYTE> head(16, 0);
            head[12] = 2;
            for (const char ch : std::string("la")) {
                head.push_back(static_cast<BYTE>(ch));
                head.push_back(0);
            }
            SetHeadBytes(*lyric, head);
            Own(note, lyric);
            break;
        }
        case 1: {
            CKVMsg* rest = NewMsg(MSG_REST, x, -16);
            rest->m_wDuration = static_cast<WORD>(DUR_EIGHTH | (1 << 8));
            rest->m_wHeadType = 2;
            AddToMeasure(rest);
            break;
        }
        case 2: {
            // A chord of three notes.
            CKVMsg* chord = NewMsg(MSG_CHORD, x, y);
            chord->m_wDuration = DUR_HALF;
            chord->m_lHeight = 28;
            AddToMeasure(chord);
            for (int n = 0; n < 3; ++n) {
                CKVMsg* note = NewNote(x, static_cast<short>(y - 16 * n), DUR_HALF, key + 4 * n);
                note->m_wFlag |= MSGFLAG_CHORD_MEMBER;
                Own(chord, note);
            }
            break;
        }
        case 3: {
            // A beam group of two eighths under a tuplet, its beam three
            // and a half gaps above the heads and parallel to them.
            CKVMsg* beam = NewMsg(MSG_BEAM, x, y);
            const CKVDoc* doc = DocOf(m_meas);
            const int rise = 7 * (doc && doc->m_nStaffSpace > 0 ? doc->m_nStaffSpace : 8) / 2;
            beam->m_nPosY = static_cast<short>(y - rise);
            beam->m_nPosY2 = static_cast<short>(y - 8 - rise);
            beam->m_lHeight = 3;
            beam->m_wObjWord = 0x0302;
            AddToMeasure(beam);
            CKVMsg* first = NewNote(x, y, DUR_EIGHTH, key);
            CKVMsg* second = NewNote(static_cast<short>(x + 6), static_cast<short>(y - 8), DUR_EIGHTH, key + 2);
            first->m_wFlag |= MSGFLAG_BEAM_MEMBER;
            second->m_wFlag |= MSGFLAG_BEAM_MEMBER;
            first->m_wObjWord = 0x0302;
            second->m_wObjWord = 0x0302;
            Own(beam, first);
            Own(beam, second);
            Join(MSG_TUPLET, first, second);
            break;
        }
        case 4:
        case 5: {
            // Two notes joined by a tie (same pitch) or a slur.
            const bool tie = builder == 4;
            CKVMsg* first = NewNote(x, y, DUR_16TH, key);
            CKVMsg* second = NewNote(static_cast<short>(x + 8), tie ? y : static_cast<short>(y - 8), DUR_16TH,
                                     tie ? key : key + 3);
            AddToMeasure(first);
            AddToMeasure(second);
            Join(tie ? MSG_TIE : MSG_SLUR, first, second);
            break;
        }
        case 6: {
            CKVMsg* text = NewMsg(MSG_FREETEXT, x, -48);
            text->m_nPosX2 = 30;
            text->m_nPosY2 = 12;
            SetHeadBytes(*text, Utf16Run("dolce " + std::to_string(m_seed)));
            AddToMeasure(text);
            break;
        }
        case 7: {
            // A custom symbol: the block length also stands in the duration
            // and flag words.
            CKVMsg* custom = NewMsg(MSG_CUSTOM, x, -32);
            std::vector<BYTE> block {1, 0, 2, 0, 0x10, 0x20, 0x30, 0x40, 3, 0};
            const std::vector<BYTE> run = Utf16Run("cu");
            block.insert(block.end(), run.begin(), run.end());
            custom->m_wDuration = static_cast<WORD>(block.size());
            custom->m_wFlag = static_cast<WORD>(block.size());
            SetHeadBytes(*custom, block);
            AddToMeasure(custom);
            break;
        }
        case 8: {
            // A MIDI control change; its duration word is never 0.
            CKVMsg* event = NewMsg(MSG_MIDI, x, 0);
            event->m_wDuration = static_cast<WORD>(1 + index % 3);
            event->m_wHeadType = 0x00B0;
            event->m_dwWord = 0x00400007u + static_cast<DWORD>(index);
            AddToMeasure(event);
            break;
        }
#if KV_GENERATE_CHORD_SYMBOLS
        case 9: {
            // C#m7/E over a fret board, with a rhythm on every other one.
            CChordSymbol* chord = new CChordSymbol;
            chord->m_byVoice = 1;
            chord->m_nPosX = x;
            chord->m_nPosY = -56;
            chord->m_nRoot = 1;
            chord->m_nBass = 7;
            chord->m_Surfix.SetRealName("m7");
            CChordSurfixInfo codes;
            for (const BYTE code : {3, 4, 3})
                codes.AddInfo(code);
            chord->m_Surfix.SetInfo(codes);
            chord->m_bShowName = TRUE;
            chord->m_bShowFret = (index & 1) ? TRUE : FALSE;
            // x 4 6 4 5 4: the shape at the fourth fret, barred.
            CFretInfo& shape = chord->m_FretBoard.m_FretInfo;
            const BYTE frets[6] = {CFretInfo::FRET_MUTED, 1, 3, 1, 2, 1};
            std::memcpy(shape.m_byFret, frets, sizeof frets);
            shape.m_byBarre[0][0] = 1;
            shape.m_byBarre[0][1] = 5;
            shape.m_nBaseFret = 4;
            if (index & 1) {
                CRhythm* rhythm = new CRhythm;
                rhythm->m_strGrpName = "Pop";
                rhythm->m_RtmInfo.m_strPatName = "Eight beat";
                rhythm->m_RtmInfo.m_strFileName = "pop8.kvc";
                rhythm->m_RtmData.m_nMeasCount = 1;
                rhythm->m_RtmData.m_nMeasLength = 960;
                RhythmEvent* event = new RhythmEvent;
                event->byKey = static_cast<BYTE>(48 + index % 12);
                event->byVelocity = 100;
                event->dwData = 256;
                rhythm->m_RtmData.m_arrEvent.Add(event);
                RhythmTrack* track = new RhythmTrack;
                track->byLevel = 127;
                track->byProgram = 1;
                rhythm->m_RtmData.m_arrTrack.Add(track);
                chord->m_pRhythm = rhythm;
            }
            AddToMeasure(chord);
            break;
        }
#endif
        default:
            break;
        }
    }

    CKVMeas& m_meas;
    int m_seed;
};

// Moves a block's first boundary to 0 as reading does: the rectangle's left
// edge takes the difference.
void StartBoundariesAtZero(CKVBlock& block)
{
    if (block.m_arrMeasX.GetSize() == 0)
        return;
    const int first = block.m_arrMeasX.GetAt(0);
    if (first == 0)
        return;
    block.m_rcBlock.left += first;
    for (int i = 0; i < block.m_arrMeasX.GetSize(); ++i)
        block.m_arrMeasX.SetAt(i, static_cast<WORD>(block.m_arrMeasX.GetAt(i) - first));
    block.m_nLeftIndent = 0;
}

// One header or footer line: its font, its place (left, centre, right),
// the pages it leaves out at the start, and its text, whose fields (#P the
// page number) the drawing fills in.
struct HeaderFooterLine {
    BYTE font;
    BYTE placement;
    WORD skipPages;
    std::string text;
};

constexpr BYTE kLeft = 0;
constexpr BYTE kCentre = 1;
constexpr BYTE kRight = 2;

// A title-block text holds two 12-byte records, each followed by its text.
std::vector<BYTE> HeaderFooterRecords(const HeaderFooterLine& first, const HeaderFooterLine& second)
{
    std::vector<BYTE> head;
    for (const HeaderFooterLine* line : {&first, &second}) {
        const WORD length = static_cast<WORD>(line->text.size());
        const BYTE pointSize = 12;
        const BYTE record[12] = {line->font, 0, pointSize, 0, line->placement, 0,
                                 static_cast<BYTE>(line->skipPages), static_cast<BYTE>(line->skipPages >> 8),
                                 1, 0, static_cast<BYTE>(length), static_cast<BYTE>(length >> 8)};
        head.insert(head.end(), record, record + sizeof record);
        head.insert(head.end(), line->text.begin(), line->text.end());
    }
    return head;
}

CKVMsg* NewPageText(CKVPage* page, const std::string& text, short x, short y)
{
    CKVMsg* msg = new CKVMsg;
    msg->Initialize(nullptr, OBJ_MSG);
    msg->m_byKind = MSG_FREETEXT;
    msg->m_byVoice = 1;
    msg->m_pPage = page;
    msg->m_byParentKind = CKVPage::PARENT_KIND_PAGE;
    msg->m_nPosX = x;
    msg->m_nPosY = y;
    msg->m_nPosX2 = static_cast<short>(x + 200);
    msg->m_nPosY2 = static_cast<short>(y + 40);
    SetHeadBytes(*msg, Utf16Run(text));
    return msg;
}

} // namespace

bool GeneratorMakesChordSymbols()
{
    return KV_GENERATE_CHORD_SYMBOLS != 0;
}

int GenerateScore(CKVDoc& doc, const GeneratedScoreShape& shape)
{
    SetDefaultGeometry(doc);
    if (!doc.CreateDocument(shape.staves, shape.measures, 1, 4, 4) || doc.m_arrSystem.GetSize() == 0)
        return 0;
    CKVSystem* master = doc.m_arrSystem.GetAt(0);

    // An ossia staff over the first staff, named like the others.
    if (master->InsertOssiaStaff(master->GetStaff(0), 0, 1, CKVSystem::MODE_NORMAL, 5, 75) < 0)
        return 0;

    for (short s = 0; s < master->GetStaffNum(); ++s) {
        CKVStaff* staff = master->GetStaff(s);
        const std::string name = "Staff " + std::to_string(s + 1);
        staff->SetStaffNameToMsg(name.c_str(), "", "", "", 0, 0);
        for (LONG m = 0; m < staff->GetMeasNum(); ++m) {
            CKVMeas* meas = staff->GetMeas(m);
            MeasureFiller(*meas, static_cast<int>(s * 7 + m)).Fill(shape.symbolsPerMeasure);
        }
    }
    CKVStaff* ossia = master->GetOssiaStaff(0);
    if (!ossia)
        return 0;
    ossia->SetStaffNameToMsg("Ossia", "", "", "", 0, 0);
    if (ossia->GetMeasNum() > 0)
        MeasureFiller(*ossia->GetMeas(0), 3).Fill(2);

    const short pages = doc.GetPageNum();
    for (short p = 0; p < pages; ++p) {
        CKVPage* page = doc.GetPage(p);
        for (short b = 0; b < page->GetBlockNum(); ++b)
            StartBoundariesAtZero(*page->GetBlock(b));
        page->AddMsg(NewPageText(page, "Page " + std::to_string(p + 1), 40, 20));
    }
    if (pages > 0) {
        CKVPage* first = doc.GetPage(0);
        // Name points on the first block: one for the first staff, an empty
        // slot for each other.
        if (CKVBlock* block = first->GetBlock(0)) {
            for (short s = 0; s < block->GetStaffNum(); ++s)
                block->m_arrStaffNamePoint.Add(s == 0 ? new POINT {-60, 24} : nullptr);
        }
        // An ossia block over the first two measures of the first staff.
        CKVBlock* ossiaBlock = new CKVBlock;
        ossiaBlock->Create(first, POINT {80, 10}, nullptr, 0, 2);
        ossiaBlock->m_pSystem = master;
        ossiaBlock->m_byKind = CKVBlock::KIND_OSSIA;
        ossiaBlock->AddStaff(ossia);
        StartBoundariesAtZero(*ossiaBlock);
        // Reading sizes every block to its staves.
        ossiaBlock->UpdateMeasXY(0, kSkipCrossStaff, kWithoutBackup);
        first->m_arrOssiaBlock.Add(ossiaBlock);
        // The title stands on the first page as a free text, the form that
        // reading gives a third title-block text with a head.
        first->AddMsg(NewPageText(first, "Generated score", 300, 20));
        first->AddMsg(NewPageText(first, "Composer", 400, 60));
    }

    // The first two title-block texts hold the footer and header records,
    // the third has no head. The header leaves out the first page, which
    // carries the title.
    const BYTE font = static_cast<BYTE>(doc.m_FontDatas.GetFontNumber("Arial"));
    SetHeadBytes(*doc.m_pTitleMsg[0], HeaderFooterRecords({font, kCentre, 0, "page footer"}, {font, kRight, 0, "#P"}));
    SetHeadBytes(*doc.m_pTitleMsg[1], HeaderFooterRecords({font, kCentre, 1, "Generated score"}, {font, kLeft, 0, ""}));
    doc.m_pTitleMsg[0]->m_nPosX = 300;
    doc.m_pTitleMsg[1]->m_nPosY = 2400;
    doc.m_pTitleMsg[2]->SetHead(0, nullptr);
    return 1;
}

} // namespace kvtest
