#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "document/KvcLeadingPart.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "support/KvTest.h"
#include "support/RecordBytes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using kvtest::AppendU16;
using kvtest::AppendU32;
using kvtest::Bytes;
using kvtest::FileBytes;
using kvtest::GetU32;
using kvtest::KvTest;
using kvtest::PutU16;
using kvtest::PutU32;

void Fill(CMemFile& file, const Bytes& bytes)
{
    if (!bytes.empty())
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
    file.SeekToBegin();
}

// The host's block with its magic and version, and an empty follow-up.
Bytes HostPart(WORD version, WORD followUp = 0, size_t followBytes = 0)
{
    Bytes b;
    AppendU32(b, 1420);
    Bytes block(1420, 0);
    std::memcpy(block.data() + 4, "SYMP", 4);
    PutU16(block, 8, version);
    b.insert(b.end(), block.begin(), block.end());
    AppendU16(b, followUp);
    b.insert(b.end(), followBytes, 0x5A);
    return b;
}

Bytes KvcPart(WORD version, DWORD extra = 0)
{
    Bytes b(792, 0);
    std::memcpy(b.data(), "KVC", 4);
    PutU16(b, 786, version);
    PutU32(b, 788, extra);
    b.insert(b.end(), extra, 0x77);
    return b;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct LeadingRead {
    int result;
    WORD version;
    BOOL hostBlock;
    DWORD position;
};

LeadingRead ReadLeading(const Bytes& bytes)
{
    CMemFile file;
    Fill(file, bytes);
    LeadingRead r {-1, 0, 2, 0};
    r.result = ReadKvcLeadingPart(&file, r.version, &r.hostBlock);
    r.position = file.GetPosition();
    return r;
}

// A file whose Write throws once more than `limit` bytes would have been
// written.
// A disk that fills up: a write that would make the file longer than the
// limit throws. Writing over bytes already there (the body's length
// placeholder) takes no room.
class FailingFile : public CMemFile {
public:
    explicit FailingFile(DWORD limit) : m_limit(limit) {}
    void Write(const void* buffer, UINT count) override
    {
        if (static_cast<uint64_t>(GetPosition()) + count > m_limit)
            throw CFileException(CFileException::diskFull);
        CMemFile::Write(buffer, count);
    }

private:
    DWORD m_limit;
};

class KVDocFileTest : public KvTest {
protected:
    static void MakeScore(CKVDoc& d, short staves, LONG measures)
    {
        d.m_pFileInfo->SetLogicPageInfo(POINT {1820, 2570}, RECT {220, 200, 220, 250}, 200, 100, 10, 8,
                                        POINT {96, 96});
        d.SetScoreFontSize(6);
        ASSERT_EQ(d.CreateDocument(staves, measures, 1, 4, 4), 1);
    }

    static CKVMeas* Meas(CKVDoc& d, short staff, int index)
    {
        return d.m_arrSystem.GetAt(0)->GetStaff(staff)->GetMeas(index);
    }

    // A quarter note with a 12-byte head; the colour makes its record easy
    // to find in a body.
    static CKVMsg* AddNote(CKVDoc& d, short staff, int meas, short x, COLORREF colour)
    {
        CKVMeas* m = Meas(d, staff, meas);
        CKVMsg* note = new CKVMsg;
        note->Initialize(m->m_pSystem, OBJ_MSG);
        note->m_byKind = MSG_NOTE;
        note->m_byVoice = 1;
        note->m_wDuration = DUR_QUARTER;
        note->m_nPosX = x;
        note->m_nPosY = -8;
        note->m_crColor = colour;
        unsigned char head[12] = {0x3C, 0x64, 0x40, 0x02, 0xF0};
        note->SetHead(12, head);
        EXPECT_EQ(m->AddMsg(note, kHolderOwns), 1);
        return note;
    }

    static CKVMsg* AddPageText(CKVDoc& d, short page, Bytes head)
    {
        CKVPage* p = d.GetPage(page);
        CKVMsg* msg = new CKVMsg;
        msg->Initialize(nullptr, OBJ_MSG);
        msg->m_byKind = MSG_FREETEXT;
        msg->m_byParentKind = CKVPage::PARENT_KIND_PAGE;
        msg->m_pPage = p;
        msg->SetHead(static_cast<short>(head.size()), head.data());
        p->AddMsg(msg);
        return msg;
    }

    // A small score: two staves of six measures, a few notes and a page
    // text.
    static void MakeSmallScore(CKVDoc& d)
    {
        MakeScore(d, 2, 6);
        AddNote(d, 0, 0, 40, 0xA1B2C301);
        AddNote(d, 0, 0, 120, 0xA1B2C302);
        AddNote(d, 1, 2, 64, 0xA1B2C303);
        AddPageText(d, 0, {0x06, 0x02, 0x00, 0x41, 0x42});
    }

    static Bytes SaveBody(CKVDoc& d)
    {
        CMemFile file;
        EXPECT_EQ(d.Save(&file), 1);
        return FileBytes(file);
    }

    static short LoadBody(CKVDoc& d, const Bytes& body)
    {
        CMemFile file;
        Fill(file, body);
        return d.Load(&file, 3);
    }

    static DWORD SystemRecordSize(CKVDoc& d)
    {
        CMemFile file;
        DWORD length = 0;
        EXPECT_EQ(d.m_arrSystem.GetAt(0)->Write(&file, length), 1);
        return length;
    }

    static DWORD MsgRecordSize(CKVMsg* msg)
    {
        DWORD used = 0;
        DWORD capacity = 16;
        unsigned char* buffer = static_cast<unsigned char*>(std::malloc(capacity));
        EXPECT_EQ(msg->Write(buffer, &used, &capacity), 1);
        std::free(buffer);
        return used;
    }

    // Body offsets (from the body's first byte, its length word) of the
    // metrics, the first title and the first page record.
    struct Layout {
        size_t metrics;
        size_t titles;
        size_t pages;
    };

    static Layout LayoutOf(CKVDoc& d)
    {
        Layout l {};
        l.metrics = 4 + SystemRecordSize(d);
        l.titles = l.metrics + 10;
        l.pages = l.titles;
        for (CKVMsg* title : d.m_pTitleMsg)
            l.pages += MsgRecordSize(title);
        return l;
    }

    // The start of the symbol record with this colour.
    static size_t FindRecord(const Bytes& body, COLORREF colour)
    {
        for (size_t i = 40; i + 4 <= body.size(); ++i) {
            if (GetU32(body, i) == colour)
                return i - 40;
        }
        ADD_FAILURE() << "no record with colour " << colour;
        return 0;
    }

    static void SetLength(Bytes& body)
    {
        const DWORD length = static_cast<DWORD>(body.size() - 8);
        PutU32(body, 0, length);
        PutU32(body, body.size() - 4, length);
    }
};

// --- The leading part --------------------------------------------------------

TEST_F(KVDocFileTest, LeadingPartWithHostBlock)
{
    const Bytes tail {1, 2, 3};
    LeadingRead r = ReadLeading(Join({HostPart(8210), KvcPart(8209), tail}));
    EXPECT_EQ(r.result, KVC_LEADING_READ);
    EXPECT_EQ(r.version, 8209); // the KVC block's version is the one to upgrade from
    EXPECT_EQ(r.hostBlock, TRUE);
    EXPECT_EQ(r.position, 4u + 1420 + 2 + 792);

    // The version is compared signed in the host block.
    r = ReadLeading(Join({HostPart(0x8000), KvcPart(8210)}));
    EXPECT_EQ(r.result, KVC_LEADING_READ);

    // Item 1a is skipped for a length above 1 only.
    r = ReadLeading(Join({HostPart(8210, 5, 5), KvcPart(8210)}));
    EXPECT_EQ(r.result, KVC_LEADING_READ);
    EXPECT_EQ(r.position, 4u + 1420 + 2 + 5 + 792);
    r = ReadLeading(Join({HostPart(8210, 1), KvcPart(8210)}));
    EXPECT_EQ(r.result, KVC_LEADING_READ);
    EXPECT_EQ(r.position, 4u + 1420 + 2 + 792);
}

TEST_F(KVDocFileTest, LeadingPartNewerVersionsAreRefused)
{
    Bytes file = Join({HostPart(8211), KvcPart(8210)});
    EXPECT_EQ(file[12], 0x13);
    EXPECT_EQ(file[13], 0x20);
    EXPECT_EQ(ReadLeading(file).result, KVC_LEADING_NEWER);
    EXPECT_EQ(ReadLeading(Join({HostPart(8210), KvcPart(8211)})).result, KVC_LEADING_NEWER);
    EXPECT_EQ(ReadLeading(KvcPart(8211)).result, KVC_LEADING_NEWER);
    EXPECT_EQ(ReadLeading(KvcPart(0xFFFF)).result, KVC_LEADING_NEWER); // unsigned in the KVC block
}

TEST_F(KVDocFileTest, LeadingPartCutShortOrWithoutKvcIsUnreadable)
{
    const Bytes whole = Join({HostPart(8210, 5, 5), KvcPart(8210, 6)});
    // Item 1, item 1a, item 2 and the block item 2 announces, each cut.
    for (size_t cut : {size_t {0}, size_t {3}, size_t {4 + 700}, size_t {4 + 1420 + 1}, size_t {4 + 1420 + 2 + 3},
                       size_t {4 + 1420 + 7 + 791}, whole.size() - 1}) {
        EXPECT_EQ(ReadLeading(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut))).result,
                  KVC_LEADING_UNREADABLE)
            << cut;
    }
    EXPECT_EQ(ReadLeading(whole).result, KVC_LEADING_READ);

    Bytes noKvc = KvcPart(8210);
    noKvc[2] = 'D';
    EXPECT_EQ(ReadLeading(noKvc).result, KVC_LEADING_UNREADABLE);
    Bytes unterminated = KvcPart(8210);
    unterminated[3] = 'X';
    EXPECT_EQ(ReadLeading(unterminated).result, KVC_LEADING_UNREADABLE);
    WORD version = 0;
    EXPECT_EQ(ReadKvcLeadingPart(nullptr, version), KVC_LEADING_UNREADABLE);
}

TEST_F(KVDocFileTest, LeadingPartWithoutHostBlockStartsOver)
{
    LeadingRead r = ReadLeading(Join({KvcPart(8210), Bytes {9, 9}}));
    EXPECT_EQ(r.result, KVC_LEADING_READ);
    EXPECT_EQ(r.hostBlock, FALSE);
    EXPECT_EQ(r.position, 792u);

    // A 1420-byte block without the magic is not the host's.
    Bytes foreign = HostPart(8210);
    std::memcpy(foreign.data() + 8, "XXXX", 4);
    EXPECT_EQ(ReadLeading(foreign).result, KVC_LEADING_UNREADABLE);

    r = ReadLeading(Join({KvcPart(8210, 6), Bytes {1}}));
    EXPECT_EQ(r.result, KVC_LEADING_READ);
    EXPECT_EQ(r.position, 792u + 6);
}

// --- Framing, whole files, progress and memory -------------------------------

TEST_F(KVDocFileTest, BodyFraming)
{
    CKVDoc doc;
    MakeSmallScore(doc);
    doc.m_bModified = 1;
    CMemFile file;
    const Bytes prefix {0xEE, 0xEE, 0xEE};
    file.Write(prefix.data(), 3);
    ASSERT_EQ(doc.Save(&file), 1);
    EXPECT_EQ(doc.m_bModified, 0);
    const Bytes all = FileBytes(file);
    const Bytes body(all.begin() + 3, all.end());
    ASSERT_GE(body.size(), 8u);
    EXPECT_EQ(GetU32(body, 0), body.size() - 8);
    EXPECT_EQ(GetU32(body, body.size() - 4), body.size() - 8);
    EXPECT_EQ(file.GetPosition(), all.size());

    CKVDoc loaded;
    file.Seek(3, CFile::begin);
    ASSERT_EQ(loaded.Load(&file, 3), 0);
    EXPECT_EQ(file.GetPosition(), all.size() - 4);
    EXPECT_EQ(loaded.m_bModified, 0);
    EXPECT_EQ(loaded.m_bSpacingApplied, 1);
    EXPECT_EQ(loaded.m_nStaffSpace, doc.m_nStaffSpace);
    EXPECT_EQ(loaded.m_nFontHeight, doc.m_nFontHeight);
    EXPECT_EQ(loaded.GetPageNum(), doc.GetPageNum());
    EXPECT_EQ(loaded.m_pCurPage, loaded.GetPage(0));
    EXPECT_EQ(loaded.m_pCurSystem, loaded.m_arrSystem.GetAt(0));
    ASSERT_NE(loaded.m_pCurBlock, nullptr);
    EXPECT_EQ(loaded.m_pCurStaff, loaded.m_pCurBlock->GetStaff(0));
    EXPECT_EQ(loaded.m_nCaretMeasNum, 1);
    EXPECT_EQ(nCurStaffSpace, loaded.m_nStaffSpace);
    // Reading gives each staff its name symbol, after the staff's measures,
    // so the first reload grows and the next one numbers the names first.
    // From then on the body stays the same.
    CKVDoc third;
    ASSERT_EQ(LoadBody(third, SaveBody(loaded)), 0);
    const Bytes settled = SaveBody(third);
    CKVDoc fourth;
    ASSERT_EQ(LoadBody(fourth, settled), 0);
    EXPECT_EQ(SaveBody(fourth), settled);
}

TEST_F(KVDocFileTest, SystemFileFormMatchesTheBufferForm)
{
    CKVDoc doc;
    MakeSmallScore(doc);
    CKVSystem* system = doc.m_arrSystem.GetAt(0);
    DWORD used = 0;
    DWORD capacity = 8;
    unsigned char* buffer = static_cast<unsigned char*>(std::malloc(capacity));
    ASSERT_EQ(system->Write(buffer, &used, &capacity), 1);
    const Bytes expected(buffer, buffer + used);
    std::free(buffer);

    CMemFile file;
    DWORD length = 5;
    ASSERT_EQ(system->Write(&file, length), 1);
    EXPECT_EQ(length, 5 + used);
    EXPECT_EQ(FileBytes(file), expected);

    // A memory file appends the measures in place, after what it holds; a
    // class derived from it is handed them as any file is. Same bytes.
    CMemFile after(16);
    after.Write("12345", 5);
    length = 0;
    ASSERT_EQ(system->Write(&after, length), 1);
    EXPECT_EQ(length, used);
    EXPECT_EQ(after.GetPosition(), 5 + used);
    Bytes withPrefix {'1', '2', '3', '4', '5'};
    withPrefix.insert(withPrefix.end(), expected.begin(), expected.end());
    EXPECT_EQ(FileBytes(after), withPrefix);

    struct DerivedFile : CMemFile {};
    DerivedFile derived;
    length = 0;
    ASSERT_EQ(system->Write(&derived, length), 1);
    EXPECT_EQ(FileBytes(derived), expected);
}

TEST_F(KVDocFileTest, WholeFileReadsThroughTheLeadingPart)
{
    CKVDoc doc;
    MakeSmallScore(doc);
    CMemFile file;
    const Bytes lead = Join({HostPart(8210), KvcPart(8210)});
    file.Write(lead.data(), static_cast<UINT>(lead.size()));
    doc.m_CtrlTool.Write(&file);
    doc.m_pFileInfo->Write(&file);
    ASSERT_EQ(doc.Save(&file), 1);
    const DWORD size = file.GetLength();
    file.SeekToBegin();

    CKVDoc loaded;
    WORD version = 0;
    ASSERT_EQ(ReadKvcLeadingPart(&file, version), KVC_LEADING_READ);
    EXPECT_EQ(version, 8210);
    EXPECT_EQ(loaded.m_CtrlTool.Read(&file), 1144);
    EXPECT_EQ(loaded.m_pFileInfo->Read(&file), 32);
    ASSERT_EQ(loaded.Load(&file, 3), 0);
    loaded.FileVerUp(static_cast<short>(version));
    EXPECT_EQ(file.GetPosition(), size - 4);
    EXPECT_EQ(loaded.GetPageNum(), doc.GetPageNum());
}

// After the staves are read, a whole-measure repeat marks its measure and a
// tie's two notes are named by their ids in the loaded score, also where
// those differ from the stored ones.
TEST_F(KVDocFileTest, RepeatsAndTiesAreFinishedOnceEveryIdIsKnown)
{
    CKVDoc doc;
    MakeScore(doc, 1, 4);
    // Symbols made and deleted first leave the stored ids with gaps, which
    // the read closes.
    for (int i = 0; i < 5; ++i) {
        CKVMsg* gone = AddNote(doc, 0, 3, static_cast<short>(8 * i), 0xA1B2C3F0);
        Meas(doc, 0, 3)->DeleteMsg(gone, kUnlinkAndFree);
    }
    CKVMsg* first = AddNote(doc, 0, 0, 40, 0xA1B2C301);
    CKVMsg* last = AddNote(doc, 0, 0, 120, 0xA1B2C302);
    CKVMsg* tie = new CKVMsg;
    tie->Initialize(first->m_pSystem, OBJ_MSG);
    tie->m_byKind = MSG_TIE;
    tie->m_byVoice = 1;
    first->InsertMsg(first->GetMsgNum(), tie, kHolderOwns, kParentHere);
    tie->m_dwWord = first->m_dwMsgId;
    tie->m_lHeight = static_cast<LONG>(last->m_dwMsgId);
    last->InsertMsg(last->GetMsgNum(), tie, kHolderLinks, kParentAbove);
    for (int meas = 1; meas <= 2; ++meas) {
        CKVMsg* repeat = new CKVMsg;
        repeat->Initialize(first->m_pSystem, OBJ_MSG);
        repeat->m_byKind = MSG_MEASREPEAT;
        repeat->m_byVoice = 1;
        // Sub-kind 3 repeats the whole measure; 1 does not.
        repeat->m_wDuration = static_cast<WORD>(meas == 1 ? 3 : 1);
        ASSERT_EQ(Meas(doc, 0, meas)->AddMsg(repeat, kHolderOwns), 1);
    }
    const Bytes body = SaveBody(doc);

    CKVDoc loaded;
    ASSERT_EQ(LoadBody(loaded, body), 0);
    EXPECT_EQ(Meas(loaded, 0, 1)->m_dwTrailWord2, 1u);
    EXPECT_EQ(Meas(loaded, 0, 2)->m_dwTrailWord2, 0u);
    CKVSystem* system = loaded.m_arrSystem.GetAt(0);
    CKVMsg* loadedFirst = nullptr;
    CKVMsg* loadedLast = nullptr;
    CKVMeas* m = Meas(loaded, 0, 0);
    for (short i = 0; i < m->GetMsgNum(); ++i) {
        CKVMsg* msg = m->GetMsg(i);
        if (msg && msg->m_byKind == MSG_NOTE)
            (msg->m_nPosX == 40 ? loadedFirst : loadedLast) = msg;
    }
    ASSERT_NE(loadedFirst, nullptr);
    ASSERT_NE(loadedLast, nullptr);
    EXPECT_NE(loadedFirst->m_dwMsgId, first->m_dwMsgId);
    CKVMsg* loadedTie = loadedFirst->GetMsgNum() > 0 ? loadedFirst->GetMsg(0) : nullptr;
    ASSERT_NE(loadedTie, nullptr);
    ASSERT_EQ(loadedTie->m_byKind, MSG_TIE);
    EXPECT_EQ(system->GetMsgFromMap(loadedTie->m_dwWord), loadedFirst);
    EXPECT_EQ(system->GetMsgFromMap(static_cast<DWORD>(loadedTie->m_lHeight)), loadedLast);
}

TEST_F(KVDocFileTest, ProgressRisesFromZeroToHundred)
{
    CKVDoc doc;
    MakeScore(doc, 4, 60);
    for (int m = 0; m < 60; m += 3)
        AddNote(doc, static_cast<short>(m % 4), m, 64, 0x00102030);
    const Bytes body = SaveBody(doc);

    CKVDoc loaded;
    loaded.m_hProgressWnd = GetHostProgressWnd()->GetSafeHwnd();
    ASSERT_EQ(LoadBody(loaded, body), 0);
    ASSERT_GE(host.progress.size(), 2u);
    EXPECT_EQ(host.progress.front().percent, 0);
    EXPECT_EQ(host.progress.back().percent, 100);
    for (size_t i = 1; i < host.progress.size(); ++i)
        EXPECT_GT(host.progress[i].percent, host.progress[i - 1].percent) << i;
}

TEST_F(KVDocFileTest, LoadNeedsHalfAgainTheBodyInFreeMemory)
{
    CKVDoc doc;
    MakeSmallScore(doc);
    const Bytes body = SaveBody(doc);
    ASSERT_GE(body.size(), 8u);
    const unsigned long long length = GetU32(body, 0);

    host.freeBytes = length * 3 / 2 - 1;
    host.ScriptAnswer(IDNO);
    {
        CKVDoc loaded;
        EXPECT_EQ(LoadBody(loaded, body), -1);
    }
    ASSERT_EQ(host.messageBoxes.size(), 1u);
    EXPECT_EQ(host.messageBoxes[0].text, "Out of Memory !!!");

    host.freeBytes = length * 3 / 2;
    CKVDoc loaded;
    EXPECT_EQ(LoadBody(loaded, body), 0);
    EXPECT_EQ(host.messageBoxes.size(), 1u);
}

// --- Titles ----------------------------------------------------------------------

TEST_F(KVDocFileTest, ThirdTitleWithHeadMovesOntoTheFirstPage)
{
    CKVDoc doc;
    MakeSmallScore(doc);
    const Bytes text {0x06, 0x02, 0x00, 0x4B, 0x56};
    doc.m_pTitleMsg[2]->SetHead(static_cast<short>(text.size()), const_cast<BYTE*>(text.data()));
    doc.m_pTitleMsg[2]->m_nPosX = 77;
    const short before = doc.GetPage(0)->GetMsgNum();

    CKVDoc loaded;
    ASSERT_EQ(LoadBody(loaded, SaveBody(doc)), 0);
    CKVPage* page = loaded.GetPage(0);
    ASSERT_EQ(page->GetMsgNum(), before + 1);
    CKVMsg* moved = page->GetMsg(before);
    EXPECT_EQ(moved->m_byKind, MSG_FREETEXT);
    EXPECT_EQ(moved->m_nPosX, 77);
    ASSERT_EQ(moved->m_wHeadLen, text.size());
    EXPECT_EQ(Bytes(moved->m_pHead, moved->m_pHead + text.size()), text);
    EXPECT_EQ(loaded.m_pTitleMsg[2]->m_pHead, nullptr);
    EXPECT_EQ(loaded.m_pTitleMsg[2]->GetHead(nullptr), 0);
    EXPECT_EQ(loaded.m_bModified, 0);
}

// --- Damaged bodies ----------------------------------------------------------------

TEST_F(KVDocFileTest, BodyCutAnywhereFailsCleanly)
{
    CKVDoc doc;
    MakeSmallScore(doc);
    const Bytes body = SaveBody(doc);
    ASSERT_GE(body.size(), 8u);
    const size_t titlesEnd = LayoutOf(doc).pages - 4; // in body bytes after L
    const size_t length = body.size() - 8;
    ASSERT_LT(length, 8192u);
    for (size_t k = 0; k <= length; ++k) {
        Bytes cut(body.begin(), body.begin() + 4 + static_cast<long>(k));
        PutU32(cut, 0, static_cast<DWORD>(k));
        CKVDoc loaded;
        EXPECT_EQ(LoadBody(loaded, cut), k < titlesEnd ? -1 : 0) << k;
        CMemFile out;
        loaded.Save(&out);
    }
}

TEST_F(KVDocFileTest, BodyLongerThanTheFileIsRefusedBeforeAllocating)
{
    CKVDoc doc;
    MakeSmallScore(doc);
    Bytes body = SaveBody(doc);
    ASSERT_GE(body.size(), 8u);
    PutU32(body, 0, 0xFFFFFFF0);
    CKVDoc loaded;
    EXPECT_EQ(LoadBody(loaded, body), -1);
    EXPECT_TRUE(host.messageBoxes.empty());
    EXPECT_EQ(LoadBody(loaded, Bytes {1, 0}), -1);
}

TEST_F(KVDocFileTest, BadMetricsAreDerivedFromTheScoreFontSize)
{
    CKVDoc doc;
    MakeSmallScore(doc);
    Bytes body = SaveBody(doc);
    const size_t metrics = LayoutOf(doc).metrics;
    ASSERT_GT(body.size(), metrics + 10);
    PutU16(body, metrics + 2, 1); // staff space
    CKVDoc loaded;
    loaded.m_CtrlTool.m_wScoreFontSize = 8;
    ASSERT_EQ(LoadBody(loaded, body), 0);
    CKVDoc expected;
    expected.SetScoreFontSize(8);
    EXPECT_EQ(loaded.m_nStaffSpace, expected.m_nStaffSpace);
    EXPECT_EQ(loaded.m_nFontHeight, expected.m_nFontHeight);
    EXPECT_EQ(loaded.m_nScoreFontSize, expected.m_nScoreFontSize);
    EXPECT_EQ(loaded.m_nFontHeight78, expected.m_nFontHeight78);

    body = SaveBody(doc);
    PutU16(body, metrics + 6, 7); // font height
    CKVDoc second;
    ASSERT_EQ(LoadBody(second, body), 0);
    EXPECT_GE(second.m_nFontHeight, 8);
    EXPECT_GE(second.m_nStaffSpace, 2);
}

TEST_F(KVDocFileTest, HostileBodies)
{
    CKVDoc doc;
    MakeSmallScore(doc);
    const Bytes good = SaveBody(doc);
    const Layout layout = LayoutOf(doc);
    ASSERT_GT(good.size(), layout.pages);
    const size_t first = FindRecord(good, 0xA1B2C301);
    const size_t second = FindRecord(good, 0xA1B2C302);

    auto loads = [&](const Bytes& body) {
        CKVDoc loaded;
        const short result = LoadBody(loaded, body);
        CMemFile out;
        loaded.Save(&out);
        return result;
    };
    ASSERT_EQ(loads(good), 0);

    Bytes duplicate = good;
    PutU32(duplicate, second + 36, GetU32(good, first + 36));
    EXPECT_EQ(loads(duplicate), -1) << "duplicate stored ids";

    Bytes longHead = good;
    PutU16(longHead, first + 44 + 4, 0x8000);
    EXPECT_EQ(loads(longHead), -1) << "head length 0x8000";

    Bytes kindZero = good;
    kindZero[first] = 0;
    EXPECT_EQ(loads(kindZero), -1) << "map symbol of kind 0";

    // The system's staff count follows its node part.
    CKVSystem* system = doc.m_arrSystem.GetAt(0);
    DWORD used = 0;
    DWORD capacity = 16;
    unsigned char* buffer = static_cast<unsigned char*>(std::malloc(capacity));
    ASSERT_EQ(system->CKVObject::Write(buffer, &used, &capacity), 1);
    std::free(buffer);
    Bytes negative = good;
    PutU16(negative, 4 + used, 0xFFFF);
    EXPECT_EQ(loads(negative), -1) << "negative staff count";

    // The first staff record: its node part, then 112 bytes with the count
    // at 108.
    CKVStaff* staff = system->GetStaff(0);
    DWORD staffUsed = 0;
    capacity = 16;
    buffer = static_cast<unsigned char*>(std::malloc(capacity));
    ASSERT_EQ(staff->CKVObject::Write(buffer, &staffUsed, &capacity), 1);
    std::free(buffer);
    Bytes hugeCount = good;
    const size_t countAt = 4 + used + 8 + staffUsed + 108;
    ASSERT_LT(countAt + 4, good.size());
    ASSERT_EQ(GetU32(good, countAt), 6u);
    PutU32(hugeCount, countAt, 0xFFFFFFFF);
    EXPECT_EQ(loads(hugeCount), -1) << "staff measure count 0xFFFFFFFF";

    // An owned symbol record under the first title.
    Bytes owned = good;
    const size_t title = layout.titles;
    ASSERT_EQ(owned[title + 44], 0);
    const size_t refsAt = title + 44 + 12 + GetU32(owned, title + 44 + 4) % 0x10000;
    owned[title + 44] = 1;
    Bytes child;
    AppendU32(child, 7);
    child.insert(child.end(), {1, 0, 0, 0});
    Bytes record(44 + 12, 0);
    record[0] = MSG_FREETEXT;
    record[1] = 1;
    PutU32(record, 36, 7);
    child.insert(child.end(), record.begin(), record.end());
    owned.insert(owned.begin() + static_cast<long>(refsAt), child.begin(), child.end());
    SetLength(owned);
    EXPECT_EQ(loads(owned), -1) << "owned child under a title";
}

TEST_F(KVDocFileTest, DamagedBlockEndsThePagesButNotTheLoad)
{
    CKVDoc doc;
    MakeSmallScore(doc);
    ASSERT_GE(doc.GetPage(0)->GetBlockNum(), 2);
    Bytes body = SaveBody(doc);
    const size_t block0 = LayoutOf(doc).pages + 24;
    ASSERT_GT(body.size(), block0 + 28);
    const size_t s = body[block0 + 1];
    const size_t m = static_cast<size_t>(body[block0 + 2] | (body[block0 + 3] << 8));
    const size_t p = body[block0 + 8];
    const size_t block1 = block0 + 28 + 5 * s + 2 * (m + 1) + 8 * p;
    ASSERT_GT(body.size(), block1 + 4);
    PutU16(body, block1 + 2, 0xFFFF);

    CKVDoc loaded;
    ASSERT_EQ(LoadBody(loaded, body), 0);
    ASSERT_EQ(loaded.GetPageNum(), 1);
    EXPECT_EQ(loaded.GetPage(0)->GetBlockNum(), 1);
    CMemFile out;
    EXPECT_EQ(loaded.Save(&out), 1);
}

// --- Writers --------------------------------------------------------------------

TEST_F(KVDocFileTest, WriteErrorsLeaveTheScoreUnsaved)
{
    CKVDoc doc;
    MakeSmallScore(doc);
    const DWORD size = static_cast<DWORD>(SaveBody(doc).size());
    for (DWORD limit : {DWORD {0}, DWORD {4}, DWORD {10}, DWORD {100}, size / 2, size - 4}) {
        doc.m_bModified = 1;
        FailingFile file(limit);
        EXPECT_EQ(doc.Save(&file), -1) << limit;
        EXPECT_EQ(doc.m_bModified, 1) << limit;
    }
    FailingFile roomy(size);
    EXPECT_EQ(doc.Save(&roomy), 1);
    EXPECT_EQ(doc.m_bModified, 0);
}

TEST_F(KVDocFileTest, SaveWithoutScoreFails)
{
    CKVDoc doc;
    doc.m_bModified = 1;
    CMemFile file;
    EXPECT_EQ(doc.Save(&file), -1);
    EXPECT_EQ(doc.m_bModified, 1);
    EXPECT_EQ(doc.Save(nullptr), -1);
    EXPECT_EQ(doc.Load(nullptr, 3), -1);
}

// --- Merge ------------------------------------------------------------------------

class KVDocMergeTest : public KVDocFileTest {
protected:
    // The merged file as the merge reads it: file info, then the body.
    static void WriteMerged(CKVDoc& source, CMemFile& file)
    {
        source.m_pFileInfo->Write(&file);
        ASSERT_EQ(source.Save(&file), 1);
        file.SeekToBegin();
    }
};

TEST_F(KVDocMergeTest, MergedBlocksFollowThisScoresMeasures)
{
    CKVDoc doc;
    MakeScore(doc, 2, 12);
    const short pagesBefore = doc.GetPageNum();
    CKVDoc source;
    MakeScore(source, 2, 8);
    AddNote(source, 0, 1, 40, 0x00ABCDEF);
    std::vector<std::vector<short>> firsts;
    for (short p = 0; p < source.GetPageNum(); ++p) {
        std::vector<short> page;
        for (short b = 0; b < source.GetPage(p)->GetBlockNum(); ++b)
            page.push_back(source.GetPage(p)->GetBlock(b)->m_nFirstMeas);
        firsts.push_back(page);
    }
    CMemFile file;
    WriteMerged(source, file);
    doc.m_bModified = 0;

    ASSERT_EQ(doc.ImportKVC(&file, nullptr, 0, 8210), 1);
    EXPECT_EQ(doc.m_bModified, 1);
    CKVSystem* master = doc.m_arrSystem.GetAt(0);
    EXPECT_EQ(master->GetMeasNum(), 20);
    ASSERT_EQ(doc.GetPageNum(), pagesBefore + source.GetPageNum());
    for (short p = 0; p < source.GetPageNum(); ++p) {
        CKVPage* page = doc.GetPage(static_cast<short>(pagesBefore + p));
        EXPECT_EQ(page->m_pDoc, &doc);
        ASSERT_EQ(page->GetBlockNum(), static_cast<short>(firsts[static_cast<size_t>(p)].size()));
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            EXPECT_EQ(block->m_nFirstMeas, firsts[static_cast<size_t>(p)][static_cast<size_t>(b)] + 12);
            EXPECT_EQ(block->m_pSystem, master);
            for (short s = 0; s < block->GetStaffNum(); ++s)
                EXPECT_EQ(block->GetStaff(s), master->GetStaff(s));
        }
    }
    CMemFile out;
    EXPECT_EQ(doc.Save(&out), 1);
}

TEST_F(KVDocMergeTest, PageTextFontsGoThroughTheFontMap)
{
    CKVDoc doc;
    MakeScore(doc, 2, 4);
    doc.m_FontDatas.GetFontNumber("A");
    doc.m_FontDatas.GetFontNumber("B");
    doc.m_FontDatas.GetFontNumber("C");
    CKVDoc source;
    MakeScore(source, 2, 4);
    // Runs: font 2, a text, font 9, an unknown tag, font 1.
    AddPageText(source, 0, {0x02, 0x02, 0x00, 0x06, 0x01, 0x00, 0x41, 0x02, 0x09, 0x00, 0x0B, 0x02, 0x01, 0x00});
    // A run list that passes the head's end stays as it is.
    AddPageText(source, 0, {0x02, 0x02, 0x00, 0x06, 0x09, 0x00, 0x41});
    const short pagesBefore = doc.GetPageNum();
    CMemFile file;
    WriteMerged(source, file);

    BYTE map[] = {3, 5, 4, 6};
    ASSERT_EQ(doc.ImportKVC(&file, map, 2, 8210), 1);
    CKVPage* page = doc.GetPage(pagesBefore);
    ASSERT_GE(page->GetMsgNum(), 2);
    CKVMsg* text = page->GetMsg(static_cast<short>(page->GetMsgNum() - 2));
    EXPECT_EQ(Bytes(text->m_pHead, text->m_pHead + text->m_wHeadLen),
              (Bytes {0x02, 0x05, 0x00, 0x06, 0x01, 0x00, 0x41, 0x02, 0x00, 0x00, 0x0B, 0x02, 0x00, 0x00}));
    CKVMsg* broken = page->GetMsg(static_cast<short>(page->GetMsgNum() - 1));
    EXPECT_EQ(Bytes(broken->m_pHead, broken->m_pHead + broken->m_wHeadLen),
              (Bytes {0x02, 0x02, 0x00, 0x06, 0x09, 0x00, 0x41}));
}

TEST_F(KVDocMergeTest, FontMapSearchStopsAtTheFontCount)
{
    CKVDoc doc;
    MakeScore(doc, 2, 4);
    doc.m_FontDatas.GetFontNumber("A");
    CKVDoc source;
    MakeScore(source, 2, 4);
    // 2 + 1 - 2 = 1 is the second pair's key, but only one pair is searched.
    AddPageText(source, 0, {0x02, 0x02, 0x00, 0x02, 0x03, 0x00});
    const short pagesBefore = doc.GetPageNum();
    CMemFile file;
    WriteMerged(source, file);

    BYTE map[] = {2, 7, 1, 8};
    ASSERT_EQ(doc.ImportKVC(&file, map, 2, 8210), 1);
    CKVPage* page = doc.GetPage(pagesBefore);
    CKVMsg* text = page->GetMsg(static_cast<short>(page->GetMsgNum() - 1));
    EXPECT_EQ(Bytes(text->m_pHead, text->m_pHead + text->m_wHeadLen), (Bytes {0x02, 0x00, 0x00, 0x02, 0x07, 0x00}));
}

TEST_F(KVDocMergeTest, NothingIsMergedWithoutStavesOrFromABadBody)
{
    CKVDoc source;
    MakeScore(source, 2, 4);
    CMemFile file;
    WriteMerged(source, file);
    const Bytes merged = FileBytes(file);

    CKVDoc empty;
    empty.m_bModified = 0;
    EXPECT_EQ(empty.ImportKVC(&file, nullptr, 0, 8210), 0);
    EXPECT_EQ(empty.GetPageNum(), 0);
    EXPECT_EQ(empty.m_bModified, 0);

    CKVDoc doc;
    MakeScore(doc, 2, 4);
    doc.m_bModified = 0;
    const short pages = doc.GetPageNum();
    // The body is cut inside the master system.
    Bytes cut(merged.begin(), merged.begin() + 32 + 60);
    PutU32(cut, 32, 56);
    CMemFile bad;
    Fill(bad, cut);
    EXPECT_EQ(doc.ImportKVC(&bad, nullptr, 0, 8210), 0);
    EXPECT_EQ(doc.GetPageNum(), pages);
    EXPECT_EQ(doc.m_arrSystem.GetAt(0)->GetMeasNum(), 4);
    EXPECT_EQ(doc.m_bModified, 0);

    // A source whose pages hold no staves.
    CKVDoc noStaves;
    MakeScore(noStaves, 2, 4);
    while (noStaves.GetPage(0)->GetBlockNum() > 0)
        noStaves.GetPage(0)->RemoveBlock(0);
    while (noStaves.GetPageNum() > 1) {
        delete noStaves.GetPage(1);
        noStaves.m_pPageArray->RemoveAt(1);
    }
    CMemFile blank;
    WriteMerged(noStaves, blank);
    EXPECT_EQ(doc.ImportKVC(&blank, nullptr, 0, 8210), 0);
    EXPECT_EQ(doc.GetPageNum(), pages);
    EXPECT_EQ(doc.m_bModified, 0);
}

TEST_F(KVDocMergeTest, MergedOssiaBlockNamesThisSystemsOssiaStaff)
{
    CKVDoc doc;
    MakeScore(doc, 2, 4);
    CKVSystem* master = doc.m_arrSystem.GetAt(0);
    master->InsertOssiaStaff(master->GetStaff(1), 0, 1, CKVSystem::MODE_NORMAL, 5, 100);
    ASSERT_EQ(master->m_pOssiaStaffArray->GetSize(), 1);

    CKVDoc source;
    MakeScore(source, 2, 4);
    CKVSystem* sourceMaster = source.m_arrSystem.GetAt(0);
    sourceMaster->InsertOssiaStaff(sourceMaster->GetStaff(0), 0, 1, CKVSystem::MODE_NORMAL, 5, 100);
    ASSERT_EQ(sourceMaster->m_pOssiaStaffArray->GetSize(), 1);
    CKVPage* sourcePage = source.GetPage(0);
    CKVBlock* ossia = new CKVBlock;
    ASSERT_EQ(ossia->Create(sourcePage, POINT {0, 0}, nullptr, 1, 2), 1);
    ossia->m_pSystem = sourceMaster;
    ossia->m_byKind = CKVBlock::KIND_OSSIA;
    ossia->AddStaff(sourceMaster->GetOssiaStaff(0));
    sourcePage->m_arrOssiaBlock.Add(ossia);
    const short pagesBefore = doc.GetPageNum();
    CMemFile file;
    WriteMerged(source, file);

    ASSERT_EQ(doc.ImportKVC(&file, nullptr, 0, 8210), 1);
    ASSERT_EQ(master->m_pOssiaStaffArray->GetSize(), 2);
    CKVPage* page = doc.GetPage(pagesBefore);
    ASSERT_EQ(page->m_arrOssiaBlock.GetSize(), 1);
    CKVBlock* merged = page->m_arrOssiaBlock.GetAt(0);
    EXPECT_EQ(merged->m_pSystem, master);
    ASSERT_EQ(merged->GetStaffNum(), 1);
    EXPECT_EQ(merged->GetStaff(0), master->GetOssiaStaff(1));
    EXPECT_EQ(merged->m_nFirstMeas, 1);
    CMemFile out;
    EXPECT_EQ(doc.Save(&out), 1);
}

} // namespace
