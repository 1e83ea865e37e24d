// Encore notes and rests converted one by one: the note's fields, tuplets,
// stems, chords, grace notes, MIDI head, accidental offsets, the marks above
// and below, rests and multi-measure rests, and the symbols skipped.

#include "EncoreConvertSupport.h"
#include "platform/AllocHook.h"
#include "timing/InsertState.h"

using namespace kvtest;

namespace {

// A quarter at wX 90 on the middle line with the given changes to its data.
EncoreSymbol Quarter(WORD x = 90, signed char y = 0, std::vector<std::pair<int, BYTE>> bytes = {})
{
    EncoreSymbol s = EncNote(0, 0, x, y, 60, 120, 100, 0, 0x03);
    s.data[10] = 7;
    for (auto [at, value] : bytes)
        s.data[static_cast<size_t>(at)] = value;
    return s;
}

// The one note a measure holds after converting the symbol.
CKVMsg* ConvertOne(EncConvertRun& run, int expected = 1)
{
    EXPECT_EQ(run.ConvertAll(), expected);
    std::vector<CKVMsg*> notes = NotesOf(*run.Meas());
    return notes.size() == 1 ? notes[0] : nullptr;
}

class EncoreNotes : public KvTest {};

TEST_F(EncoreNotes, OneNoteAndItsHeadTypes)
{
    EncoreSymbol s = Quarter(90, 4, {{4, 1}, {11, 0x11}});
    EncConvertRun run(ConvertEncore({s}));
    ASSERT_EQ(run.imported, 1);
    ASSERT_EQ(run.Meas()->AbsXToMeasX(110), 128);
    CKVMsg* note = ConvertOne(run);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->m_byKind, MSG_NOTE);
    EXPECT_EQ(note->m_byVoice, 1);
    EXPECT_EQ(note->m_nPosX, 128);
    EXPECT_EQ(note->m_nPosY, -6);
    EXPECT_EQ(note->m_wDuration & 0xFF, DUR_QUARTER);
    EXPECT_EQ(note->m_wHeadType, 1);
    EXPECT_EQ(note->m_byDots, 1);
    EXPECT_EQ(note->m_nPlayTime, 360);
    EXPECT_EQ(note->m_byAccidental, ACCI_SHARP);
    EXPECT_EQ(note->AccidentalOffset(), 7);
    EXPECT_EQ(note->MarkOffset(), 3);
    EXPECT_EQ(note->m_dwWord, 0x40000u);
    EXPECT_EQ(GetAccColumnWidth(), 2);

    const WORD heads[10] = {4, 11, 21, 2, 6, 25, 3, 5, 0, 1};
    for (int type = 1; type <= 10; ++type) {
        SCOPED_TRACE(type);
        EncConvertRun other(ConvertEncore({EncNote(0, 0, 90, 0, 60, 120, 100, 0, static_cast<BYTE>(type << 4 | 3))}));
        CKVMsg* n = ConvertOne(other);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->m_wHeadType, heads[type - 1]);
    }
}

TEST_F(EncoreNotes, TupletsDotsAccidentalsAndSkippedSymbols)
{
    {
        std::vector<EncoreSymbol> eighths;
        for (WORD x : {0, 45, 90})
            eighths.push_back(EncNote(0, 0, x, 0, 60, 80, 100, 0, 0x04));
        for (auto& e : eighths)
            e.data[3] = 0x32;
        eighths[2].data[3] = 0x30;
        EncConvertRun run(ConvertEncore(eighths));
        EXPECT_EQ(run.ConvertAll(), 1);
        std::vector<CKVMsg*> notes = NotesOf(*run.Meas());
        ASSERT_EQ(notes.size(), 3u);
        EXPECT_EQ(notes[0]->m_wObjWord, 0x0203);
        EXPECT_EQ(notes[0]->m_nPlayTime, 80);
        EXPECT_EQ(notes[1]->m_wObjWord, 0x0203);
        // A zero half is no tuplet.
        EXPECT_EQ(notes[2]->m_wObjWord, 0);
        EXPECT_EQ(notes[2]->m_nPlayTime, 120);
    }
    {
        // Duration code 9, a rest code above 8, voice 9: skipped with 1.
        EncoreSymbol code9 = EncNote(0, 0, 0, 0, 60, 120, 100, 0, 0x09);
        EncoreSymbol rest12 = EncRest(0, 0, 45, 0, 12);
        EncoreSymbol voice9 = Quarter();
        voice9.voice = 8;
        EncConvertRun run(ConvertEncore({code9, rest12, voice9}));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(run.Convert(run.NoteRest(i)), 1);
        EXPECT_EQ(run.Meas()->GetMsgNum(), 0);
    }
    {
        // Accidental code 7 is none; three dots are two.
        EncConvertRun run(ConvertEncore({Quarter(90, 0, {{11, 0x07}, {4, 3}})}));
        CKVMsg* note = ConvertOne(run);
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->m_byAccidental, 0);
        EXPECT_EQ(note->m_byDots, 2);
    }
    {
        // Data too short for a note or a rest: skipped and counted once each.
        EncoreSymbol note = Quarter();
        note.data.resize(13);
        EncoreSymbol rest = EncRest(0, 0, 45);
        rest.data.resize(5);
        EncConvertRun run(ConvertEncore({note, rest}));
        const DWORD before = run.enc.m_dwShortSymbols;
        EXPECT_EQ(run.ConvertAll(), 1);
        EXPECT_EQ(run.Meas()->GetMsgNum(), 0);
        EXPECT_EQ(run.enc.m_dwShortSymbols, before + 2);
    }
}

TEST_F(EncoreNotes, StemsGraceNotesAndChords)
{
    struct Case {
        BYTE stem;
        LONG height;
        bool noStem;
    };
    for (const Case c : {Case {0x07, -21, false}, Case {0x87, 21, false}, Case {0x47, -21, true}}) {
        SCOPED_TRACE(c.stem);
        EncConvertRun run(ConvertEncore({Quarter(90, 0, {{10, c.stem}})}));
        CKVMsg* note = ConvertOne(run);
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->m_lHeight, c.height);
        EXPECT_EQ(note->m_nLayout1, c.height);
        EXPECT_EQ((note->m_wFlag & MSGFLAG_NO_STEM) != 0, c.noStem);
        EXPECT_EQ(note->m_byMark2, c.stem);
    }
    {
        // No stem length: the stem goes, the height stays as inserted.
        EncConvertRun run(ConvertEncore({Quarter(90, 0, {{10, 0}})}));
        CKVMsg* note = ConvertOne(run);
        ASSERT_NE(note, nullptr);
        EXPECT_NE(note->m_wFlag & MSGFLAG_NO_STEM, 0);
        EXPECT_NE(note->m_lHeight, 0);
        EXPECT_EQ(note->m_nLayout1, static_cast<short>(note->m_lHeight));
    }
    {
        EncoreSymbol n32 = EncNote(0, 0, 90, 0, 60, 30, 100, 0, 0x06);
        n32.data[10] = 7;
        EncConvertRun run(ConvertEncore({n32}));
        CKVMsg* note = ConvertOne(run);
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->m_lHeight, -18);
    }
    {
        EncoreSymbol grace = EncNote(0, 0, 90, 0, 60, 15, 100, 0, 0x07);
        grace.param1 = 32;
        grace.param2 = 4;
        grace.data[10] = 3;
        EncConvertRun run(ConvertEncore({grace}));
        CKVMsg* note = ConvertOne(run);
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->m_byMark2, 0);
        EXPECT_EQ(note->m_wDuration & 0xFF, DUR_EIGHTH);
        EXPECT_EQ(note->m_wSize, MSG_SIZE_GRACE);
        EXPECT_NE(note->m_wFlag & MSGFLAG_GRACE, 0);
    }
    {
        EncConvertRun run(ConvertEncore({Quarter(90, 0), Quarter(90, 4)}));
        EXPECT_EQ(run.ConvertAll(), 1);
        ASSERT_EQ(run.Meas()->GetMsgNum(), 1);
        CKVMsg* chord = run.Meas()->GetMsg(0);
        EXPECT_EQ(chord->m_byKind, MSG_CHORD);
        std::vector<CKVMsg*> members = NotesOf(*run.Meas());
        ASSERT_EQ(members.size(), 2u);
        EXPECT_EQ(members[0]->m_nPosY, 6);
        EXPECT_EQ(members[0]->m_lHeight, -21);
        EXPECT_EQ(members[1]->m_nPosY, -6);
        EXPECT_EQ(members[1]->m_lHeight, -9);
    }
    {
        EncoreSymbol tied = Quarter();
        tied.param1 = 3;
        EncConvertRun run(ConvertEncore({tied}));
        CKVMsg* note = ConvertOne(run);
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->m_wFlag & (MSGFLAG_TIE_START | MSGFLAG_TIE_END), MSGFLAG_TIE_START | MSGFLAG_TIE_END);
    }
}

TEST_F(EncoreNotes, MidiHeadAndAccidentalOffsets)
{
    EncoreSymbol s = Quarter(90, 4);
    s.data[5] = 38;
    for (bool drum : {false, true}) {
        SCOPED_TRACE(drum);
        EncoreFile f = ConvertEncore({s});
        if (drum)
            f.tracks[0].clefs[0] = 7;
        EncConvertRun run(f);
        CKVMsg* note = ConvertOne(run);
        ASSERT_NE(note, nullptr);
        const std::vector<BYTE> head = HeadOf(*note);
        ASSERT_GE(head.size(), 12u);
        EXPECT_EQ(head[1], 100);
        EXPECT_EQ(head[2], 64);
        EXPECT_EQ(head[4] | head[5] << 8 | head[6] << 16 | head[7] << 24, 120);
        if (drum) {
            EXPECT_EQ(head[0], 38);
        } else {
            EXPECT_NE(head[0], 38);
        }
    }
    struct Case {
        BYTE accidental;
        BYTE param1;
        int sign; // of the head width added
        int base;
    };
    for (const Case c : {Case {0x51, 0, 1, 7}, Case {0x91, 0, -1, 7}, Case {0x11, 32, 0, 3}}) {
        SCOPED_TRACE(c.accidental);
        EncoreSymbol a = Quarter(90, 0, {{11, c.accidental}});
        a.param1 = c.param1;
        EncConvertRun run(ConvertEncore({a}));
        CKVMsg* note = ConvertOne(run);
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->AccidentalOffset(), c.base + c.sign * run.doc.GetHeadWidth(note));
    }
}

TEST_F(EncoreNotes, MarksAboveAndBelow)
{
    struct Case {
        BYTE dot;
        BYTE upMark, upPos, downMark, downPos;
        BYTE kind;
        WORD headWord;
        int x; // below 100: as given; 100 + m: head width of a quarter - m
        int y;
    };
    const Case cases[] = {
        {0x80, 3, 2, 0, 0, MSG_SLIDE3, 0, 3, -6},
        {0x40, 0, 0, 68, 1, MSG_MARKUP, 0, 0, 6},
        {0x80, 32, 2, 0, 0, MSG_NOTEMARK, 29, 105, -9},
        {0x80, 48, 2, 0, 0, MSG_NOTEMARK, 15, -1, -6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.upMark + c.downMark);
        EncConvertRun run(ConvertEncore({Quarter(90, 0, {{4, c.dot}, {14, c.upMark}, {15, c.upPos},
                                                         {16, c.downMark}, {17, c.downPos}})}));
        run.doc.m_sizeMark[29].cx = 10;
        CKVMsg* note = ConvertOne(run);
        ASSERT_NE(note, nullptr);
        ASSERT_EQ(note->GetMsgNum(), 1);
        CKVMsg* mark = note->GetMsg(0);
        EXPECT_EQ(mark->m_byKind, c.kind);
        EXPECT_EQ(mark->m_byVoice, note->m_byVoice);
        if (c.kind == MSG_NOTEMARK) {
            EXPECT_EQ(mark->m_wHeadType, c.headWord);
        }
        if (c.x >= 100) {
            EXPECT_EQ(mark->m_nPosX, run.doc.GetHeadWidth(DUR_QUARTER) - (c.x - 100));
        } else if (c.x >= 0) {
            EXPECT_EQ(mark->m_nPosX, c.x);
        }
        EXPECT_EQ(mark->m_nPosY, c.y);
    }
    {
        // A code outside the table, and mark bytes the data does not hold.
        EncoreSymbol unknown = Quarter(0, 0, {{4, 0x80}, {14, 47}, {15, 2}});
        EncoreSymbol cut = Quarter(90, 0, {{4, 0x80}, {14, 32}, {15, 2}});
        cut.data.resize(14);
        EncConvertRun run(ConvertEncore({unknown, cut}));
        const DWORD before = run.enc.m_dwShortSymbols;
        EXPECT_EQ(run.ConvertAll(), 1);
        std::vector<CKVMsg*> notes = NotesOf(*run.Meas());
        ASSERT_EQ(notes.size(), 2u);
        EXPECT_EQ(notes[0]->GetMsgNum(), 0);
        EXPECT_EQ(notes[1]->GetMsgNum(), 0);
        EXPECT_EQ(run.enc.m_dwShortSymbols, before);
    }
}

TEST_F(EncoreNotes, RestsAndMultiMeasureRests)
{
    {
        EncConvertRun run(ConvertEncore({EncRest(0, 0, 0, 0, 4), EncRest(0, 0, 90, 0, 3)}));
        EXPECT_EQ(run.ConvertAll(), 1);
        std::vector<CKVMsg*> rests = NotesOf(*run.Meas());
        ASSERT_EQ(rests.size(), 2u);
        EXPECT_EQ(rests[0]->m_byKind, MSG_REST);
        EXPECT_EQ(rests[0]->m_nPosY, 9);
        EXPECT_EQ(rests[1]->m_nPosY, 6);
    }
    EncoreSymbol multi = EncRest(0, 0, 0, 0, 33);
    multi.data[5] = 12;
    EncoreFile f = ConvertEncore({multi});
    std::vector<BYTE> title(0x97A);
    PutWords(title, 2364, {1, 12, 3});
    PutWords(title, 2382, {60});
    f.blocks.insert(f.blocks.begin(), EncTitle(title));
    {
        EncConvertRun run(f);
        EXPECT_EQ(run.ConvertAll(), 1);
        ASSERT_EQ(run.Meas()->GetMsgNum(), 1);
        CKVMsg* rest = run.Meas()->GetMsg(0);
        EXPECT_EQ(rest->m_byKind, MSG_MULTIREST);
        EXPECT_EQ(rest->m_wObjWord, 12);
        EXPECT_EQ(rest->m_nPosX, 51);
        EXPECT_EQ(rest->m_nPosX2, 205);
        EXPECT_EQ(rest->m_nPosY, 16);
        EXPECT_EQ(rest->m_nPosY2, 16);
        EXPECT_EQ(rest->m_pParent, run.Meas());
        const LOGFONT& lf = run.doc.m_CtrlTool.m_lfMultiRest;
        EXPECT_EQ(lf.lfHeight, 16);
        EXPECT_EQ(lf.lfWeight, 700);
        EXPECT_EQ(lf.lfItalic, 1);
        EXPECT_STREQ(lf.lfFaceName, "Arial");
        const std::vector<BYTE> head = HeadOf(*rest);
        ASSERT_EQ(head.size(), 60u);
        EXPECT_EQ(head[0], 16);
        EXPECT_EQ(head[16] | head[17] << 8, 700);
        EXPECT_EQ(head[20], 1);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(head.data() + 28)), "Arial");
    }
    {
        EncConvertRun run(f);
        KvFailAllocationAfter(1);
        EXPECT_EQ(run.Convert(run.NoteRest(0)), 0);
        KvFailAllocationAfter(0);
        ASSERT_EQ(host.messageBoxes.size(), 1u);
        EXPECT_EQ(host.messageBoxes[0].text, "Out of Memory !!!");
        EXPECT_EQ(run.Meas()->GetMsgNum(), 0);
    }
}

} // namespace
