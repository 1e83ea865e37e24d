// The conversion of a Brenlo page into a one-staff score: the first pass
// builds the system, the page, one block per Brenlo system with its measures,
// key and time signatures, bar lines and lyric lines; the second pass fills
// in the clefs, notes, rests, chords, slides, beams and lyrics and brings each
// measure within its record. Both run under the import's flag, all but the
// entry of the notes.

#include "document/KVDoc.h"

#include "import/ImportScopes.h"
#include "import/MeasureRecordFit.h"
#include "import/UPage.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "document/KVFileInfo.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"
#include "model/TickMath.h"
#include "timing/InsertState.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr DWORD kMinFirstBlock = 96;
constexpr int kLyricLinePositions = 8;
constexpr WORD kLyricMarkerUnset = 0x8000;

uint64_t ReadBig(const BYTE* p, int bytes)
{
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | p[i];
    return value;
}

// x of a symbol relative to its system's left x.
int RelX(const CUSymbol* symbol, const CUSystem* system)
{
    return symbol->m_nX - system->m_nLeftX;
}

short Boundary(CKVBlock* block, int index)
{
    return static_cast<short>(block->m_arrMeasX.GetAt(index));
}

// Index of the first symbol of a sorted array whose relative x exceeds x.
int FirstRightOf(CPtrArray& items, const CUSystem* system, int x)
{
    void** data = items.GetData();
    void** found = std::upper_bound(data, data + items.GetSize(), x, [system](int value, void* item) {
        return value < RelX(static_cast<CUSymbol*>(item), system);
    });
    return static_cast<int>(found - data);
}

// For every index of a sorted array, the first index at or after it whose
// symbol passes `usable`, or the size.
template <typename Usable>
std::vector<int> NextUsable(CPtrArray& items, Usable usable)
{
    std::vector<int> next(items.GetSize() + 1, items.GetSize());
    for (int i = items.GetSize() - 1; i >= 0; --i)
        next[i] = usable(static_cast<CUSymbol*>(items.GetAt(i))) ? i : next[i + 1];
    return next;
}

bool KeyCancels(const CUSymbol* symbol)
{
    return (static_cast<const CUKeySig*>(symbol)->m_wCount & CUKeySig::kCancel) != 0;
}

struct TimeSign {
    BYTE sign = 0;
    int numerator = 0;
    int denominator = 0;
};

// The time signature a symbol gives; false for one that gives none.
bool TimeOf(const CUTimeSig& time, TimeSign& out)
{
    switch (time.m_byCode) {
    case 0: {
        const DWORD n = time.m_dwNumerator;
        const DWORD d = time.m_dwDenominator;
        const bool power = d == 1 || d == 2 || d == 4 || d == 8 || d == 16 || d == 32 || d == 64;
        if (n < 1 || n > 99 || !power)
            return false;
        out = {0, static_cast<int>(n), static_cast<int>(d)};
        return true;
    }
    case 0x93: out = {1, 4, 4}; return true;
    case 0x94: out = {2, 2, 2}; return true;
    case 0x95: out = {0, 2, 4}; return true;
    case 0x96: out = {0, 3, 4}; return true;
    case 0x97: out = {0, 4, 4}; return true;
    case 0x98: out = {0, 6, 8}; return true;
    default: return false;
    }
}

// The clef type of a clef symbol; 0 for a code outside the table.
short ClefTypeOf(const CUClef& clef)
{
    switch (clef.m_wCode & 0xFF) {
    case 0x21: return 1;
    case 0x22: return clef.m_nLineOffset == -2 ? 4 : 3;
    case 0x23: return 2;
    case 0x24: return 5;
    case 0x26: return 6;
    case 0x27: return 7;
    case 0x28: return 8;
    default: return 0;
    }
}

// End bar of a Brenlo bar code; *repeatStart tells whether the next measure
// starts with a repeat.
BYTE EndBarOf(BYTE code, bool* repeatStart)
{
    *repeatStart = code == 0x72 || code == 0x74;
    switch (code) {
    case 0x6C: case 0x6D: case 0x72: return 1;
    case 0x6E: case 0x6F: case 0x70: return 4;
    case 0x71: return 3;
    case 0x73: case 0x74: return 2;
    case 0x75: return 6;
    default: return 0;
    }
}

BYTE AccidentalOf(BYTE nibble)
{
    switch (nibble) {
    case 1: return ACCI_SHARP;
    case 2: return ACCI_FLAT;
    case 3: return ACCI_DOUBLE_SHARP;
    case 4: return ACCI_DOUBLE_FLAT;
    case 5: return ACCI_NATURAL;
    default: return ACCI_NONE;
    }
}

WORD HeadTypeOf(BYTE code)
{
    switch (code) {
    case 8: return 5;
    case 9: return 4;
    case 10: case 14: return 2;
    case 11: return 6;
    case 12: case 13: return 3;
    default: return 1;
    }
}

// A key or time signature from a measure of the whole score on.
struct KeyChange {
    int meas;
    BYTE type;
    int count;
};

struct TimeChange {
    int meas;
    TimeSign time;
};

// What the first pass changes in a document besides the system and the page
// it adds. Unless Commit() is called, the end of the scope takes the system
// and the page out again and puts every field back, so that a refused or
// failed pass leaves the document as it found it. Undo recording is off for
// the whole pass either way.
class BrenloPassState {
public:
    explicit BrenloPassState(CKVDoc& doc)
        : m_doc(doc), m_printWidth(doc.m_pFileInfo->m_lPrintWidth), m_printHeight(doc.m_pFileInfo->m_lPrintHeight),
          m_curPage(doc.m_nCurPage), m_curBlock(doc.m_nCurBlock), m_curSystem(doc.m_nCurSystem),
          m_curStaff(doc.m_nCurStaff), m_curMeas(doc.m_nCurMeas), m_caretMeasNum(doc.m_nCaretMeasNum),
          m_pCurSystem(doc.m_pCurSystem), m_pCurPage(doc.m_pCurPage), m_pCurBlock(doc.m_pCurBlock),
          m_pCurStaff(doc.m_pCurStaff), m_pCurMeas(doc.m_pCurMeas), m_modified(doc.m_bModified),
          m_spacingApplied(doc.m_bSpacingApplied), m_backupRecord(doc.m_bBackupRecord)
    {
        doc.m_bBackupRecord = 0;
    }
    ~BrenloPassState()
    {
        if (!m_committed) {
            for (short i = m_doc.GetPageNum(); i-- > 0;)
                delete m_doc.GetPage(i);
            m_doc.m_pPageArray->RemoveAll();
            for (int i = m_doc.m_arrSystem.GetSize(); i-- > 0;)
                delete m_doc.m_arrSystem.GetAt(i);
            m_doc.m_arrSystem.RemoveAll();
            m_doc.m_pFileInfo->m_lPrintWidth = m_printWidth;
            m_doc.m_pFileInfo->m_lPrintHeight = m_printHeight;
            m_doc.m_nCurPage = m_curPage;
            m_doc.m_nCurBlock = m_curBlock;
            m_doc.m_nCurSystem = m_curSystem;
            m_doc.m_nCurStaff = m_curStaff;
            m_doc.m_nCurMeas = m_curMeas;
            m_doc.m_nCaretMeasNum = m_caretMeasNum;
            m_doc.m_pCurSystem = m_pCurSystem;
            m_doc.m_pCurPage = m_pCurPage;
            m_doc.m_pCurBlock = m_pCurBlock;
            m_doc.m_pCurStaff = m_pCurStaff;
            m_doc.m_pCurMeas = m_pCurMeas;
            m_doc.m_bModified = m_modified;
            m_doc.m_bSpacingApplied = m_spacingApplied;
        }
        m_doc.m_bBackupRecord = m_backupRecord;
    }
    BrenloPassState(const BrenloPassState&) = delete;
    BrenloPassState& operator=(const BrenloPassState&) = delete;

    void Commit() { m_committed = true; }

private:
    CKVDoc& m_doc;
    LONG m_printWidth;
    LONG m_printHeight;
    short m_curPage, m_curBlock, m_curSystem, m_curStaff, m_curMeas, m_caretMeasNum;
    CKVSystem* m_pCurSystem;
    CKVPage* m_pCurPage;
    CKVBlock* m_pCurBlock;
    CKVStaff* m_pCurStaff;
    CKVMeas* m_pCurMeas;
    BOOL m_modified;
    BOOL m_spacingApplied;
    BOOL m_backupRecord;
    bool m_committed = false;
};

// Enters the notes of a system that stand in a measure (from left to right,
// relative to the system) and makes their beams. A Brenlo note brings no
// chord layout, accidental columns or rest heights, which the import's flag
// leaves to the file it reads: its heads go in, and its beams are made, as an
// edit enters and beams them.
void EnterNotes(CKVDoc& doc, CKVMeas& meas, CPtrArray& notes, CUSystem* s, int left, int right,
                LeftOutNotes& leftOut)
{
    ImportConvertingScope entering;
    entering.Clear();
    CPtrArray inMeasure;
    for (int n = FirstRightOf(notes, s, left); n < notes.GetSize(); ++n) {
        CUNote* note = static_cast<CUNote*>(notes.GetAt(n));
        if (RelX(note, s) >= right)
            break;
        doc.BrenloToKVC_Note(note, &meas, 0, static_cast<short>(RelX(note, s) - left), &leftOut);
        inMeasure.Add(note);
    }
    doc.BrenloToKVC_BEAM(&meas, inMeasure, s->m_nLeftX, static_cast<WORD>(left));
}

} // namespace

int CKVDoc::FirstConvertBrenloToKvc(CDialog*, BYTE* buffer, DWORD length, CUPage* page)
{
    if (!page)
        return 0;
    // Like every import's, the pass runs under the import's flag: the blocks
    // fix their measures' real widths as they lay them out.
    ImportConvertingScope converting;
    converting.Set();
    page->m_failure = BrenloFailure::Damaged;
    if (!buffer || length < 2 || !m_pFileInfo)
        return 0;
    // The second pass pairs Brenlo system i with block i of the first page.
    if (m_arrSystem.GetSize() > 0 || GetPageNum() > 0)
        return 0;
    const uint64_t total = length;
    const uint64_t first = ReadBig(buffer, 2);
    if (total < first + 4)
        return 0;
    const uint64_t firstLength = ReadBig(buffer + first, 4);
    // The page size lies inside the first block.
    if (firstLength < kMinFirstBlock || total < first + 4 + firstLength)
        return 0;
    const uint64_t secondLength = ReadBig(buffer + first + firstLength, 4);
    const uint64_t pageAt = first + firstLength + 8 + secondLength;
    if (total < pageAt)
        return 0;
    const short width = static_cast<short>(ReadBig(buffer + first + 92, 2));
    const short height = static_cast<short>(ReadBig(buffer + first + 94, 2));
    if (width < 1 || height < 1)
        return 0;
    if (!page->SetNewInfos(reinterpret_cast<char*>(buffer + pageAt), 500, static_cast<DWORD>(total - pageAt)))
        return 0;

    // Measures per system.
    CUSystemList* systems = page->GetSystems();
    int measures = 0;
    for (CUJoin* node = systems->m_pHead; node; node = node->m_pNext) {
        CUSystem* s = static_cast<CUSystem*>(node);
        const int limit = width - s->m_nRightIndent;
        int count = 0;
        CUSymbol* lastBar = nullptr;
        s->m_arrBarX.RemoveAll();
        // Boundaries run strictly right from the system's left x: a bar line
        // at or left of the one before would make a measure of no width.
        int previous = s->m_nLeftX;
        for (CUJoin* walk = s->m_pSymbols ? s->m_pSymbols->m_pHead : nullptr; walk; walk = walk->m_pNext) {
            CUSymbol* symbol = static_cast<CUSymbol*>(walk);
            if (!symbol->IsBarLine() || symbol->m_nX >= limit + 5)
                continue;
            if (symbol->m_nX <= previous)
                return 0;
            previous = symbol->m_nX;
            ++count;
            lastBar = symbol;
            s->m_arrBarX.Add(static_cast<WORD>(symbol->m_nX));
        }
        if (!lastBar || lastBar->m_nX + 5 < limit) {
            if (width <= previous)
                return 0;
            ++count;
            s->m_arrBarX.Add(static_cast<WORD>(width));
        }
        measures += count;
        if (measures > kMaxMeasures) {
            page->m_failure = BrenloFailure::TooManyMeasures;
            return 0;
        }
        s->m_nMeasCount = static_cast<short>(count);
    }
    // A page without systems makes no score.
    if (measures == 0)
        return 0;

    BrenloPassState state(*this);

    m_pFileInfo->m_lPrintWidth = width;
    m_pFileInfo->m_lPrintHeight = height;

    CKVSystem* system = KvNewReported<CKVSystem>();
    if (!system)
        return 0;
    system->m_pDoc = this;
    if (!system->Create(1, measures, 1, 4, 4)) {
        delete system;
        ReportOutOfMemory(1);
        return 0;
    }
    m_arrSystem.Add(system);
    CKVStaff* staff = system->GetStaff(0);
    // The staff carries its (empty) name as every stored staff does, so that
    // the score reads back as it was written.
    staff->SetStaffNameToMsg("", "", "", "", 0, 0);
    if (staff->GetMsgNum() == 0)
        return 0;

    CKVPage* kvPage = KvNewReported<CKVPage>();
    if (!kvPage)
        return 0;
    kvPage->m_pDoc = this;
    kvPage->Create(m_pFileInfo);
    AddPage(kvPage);
    kvPage->m_rcPrint.SetRect(m_pFileInfo->m_nLeftMargin, m_pFileInfo->m_nTopMargin,
                              m_pFileInfo->m_nLeftMargin + width, m_pFileInfo->m_nTopMargin + height);
    m_pCurPage = kvPage;

    std::vector<KeyChange> keys;
    std::vector<TimeChange> times;
    int firstMeas = 0;
    for (CUJoin* node = systems->m_pHead; node; node = node->m_pNext) {
        CUSystem* s = static_cast<CUSystem*>(node);
        const int count = s->m_nMeasCount;
        const POINT topLeft {s->m_nLeftX, s->m_nTop + s->m_nStaffHeight};
        CKVBlock* block = kvPage->AddBlock(system, firstMeas, count, topLeft, 0);
        const int blockFirst = firstMeas;
        firstMeas += count;
        // A block that cannot be made fails the pass: skipping it would pair
        // the later systems with the wrong blocks.
        if (!block)
            return 0;
        if (block->m_arrMeasX.GetSize() < count + 1)
            return 0;
        for (int m = 1; m <= count; ++m)
            block->m_arrMeasX.SetAt(m, static_cast<WORD>(s->m_arrBarX.GetAt(m - 1) - s->m_nLeftX));

        BlockStaffEntry* entry = KvNewReported<BlockStaffEntry>();
        if (!entry)
            return 0;
        entry->wValue = static_cast<WORD>(m_nStaffSpace);
        entry->pStaff = block->GetStaff(0);
        block->m_arrStaffEntry.Add(entry);

        CPtrArray timeSigs, keySigs, barLines;
        s->CollectStaffItems(&timeSigs, &keySigs, &barLines);
        const std::vector<int> nextKey = NextUsable(keySigs, [](CUSymbol* k) { return !KeyCancels(k); });
        const std::vector<int> nextTime = NextUsable(timeSigs, [](CUSymbol* t) {
            TimeSign unused;
            return TimeOf(*static_cast<CUTimeSig*>(t), unused);
        });

        // The lyric line positions every measure of the system starts with.
        BYTE lyricHead[2 * kLyricLinePositions] = {};
        int above = 0;
        for (int line = 0; line < kLyricLinePositions; ++line) {
            const int position = s->m_nLyricOffset + s->m_nLyricLineHeight[line] / 2 + above;
            above += s->m_nLyricLineHeight[line];
            lyricHead[2 * line] = static_cast<BYTE>(position & 0xFF);
            lyricHead[2 * line + 1] = static_cast<BYTE>((position >> 8) & 0xFF);
        }

        for (int m = 1; m <= count; ++m) {
            const int left = Boundary(block, m - 1);
            const int right = Boundary(block, m);
            const int index = blockFirst + m - 1;
            CKVMeas* meas = staff->GetMeas(index);
            CKVMeas* next = staff->GetMeas(index + 1);
            if (!meas)
                continue;

            // Key signature: the first in the measure that does not cancel;
            // when all of them cancel, no accidentals.
            const int keyAt = FirstRightOf(keySigs, s, left);
            if (keyAt < keySigs.GetSize() && RelX(static_cast<CUSymbol*>(keySigs.GetAt(keyAt)), s) < right) {
                const int usable = nextKey[keyAt];
                CUKeySig* key = usable < keySigs.GetSize() ? static_cast<CUKeySig*>(keySigs.GetAt(usable)) : nullptr;
                if (key && RelX(key, s) < right) {
                    const int n = std::min<int>(key->m_wCount, 7);
                    if (key->m_byCode == 'J')
                        keys.push_back({index, 1, n});
                    else if (key->m_byCode == 'K')
                        keys.push_back({index, 2, n});
                } else {
                    keys.push_back({index, 0, 0});
                }
            }

            // End bar from the bar line standing exactly at the right boundary.
            meas->m_byEndBar = 0;
            const int barAt = FirstRightOf(barLines, s, right - 1);
            if (barAt < barLines.GetSize()) {
                CUBarLine* bar = static_cast<CUBarLine*>(barLines.GetAt(barAt));
                if (RelX(bar, s) == right) {
                    bool repeatStart = false;
                    meas->m_byEndBar = EndBarOf(bar->m_byCode, &repeatStart);
                    if (repeatStart && next)
                        next->m_byStartBar = 2;
                }
            }

            const int timeAt = FirstRightOf(timeSigs, s, left);
            const int usableTime = timeAt < timeSigs.GetSize() ? nextTime[timeAt] : timeSigs.GetSize();
            if (usableTime < timeSigs.GetSize()) {
                CUTimeSig* time = static_cast<CUTimeSig*>(timeSigs.GetAt(usableTime));
                TimeChange change {index, {}};
                if (RelX(time, s) < right && TimeOf(*time, change.time))
                    times.push_back(change);
            }

            meas->SetHead(sizeof lyricHead, lyricHead);
        }
        block->UpdateMeasXY(1, 0, 0);
    }

    // Each key and time signature holds up to the next of its kind.
    for (size_t k = 0; k < keys.size(); ++k) {
        const int last = k + 1 < keys.size() ? keys[k + 1].meas - 1 : staff->GetMeasNum() - 1;
        if (last >= keys[k].meas)
            staff->ChangeKeySignature(keys[k].meas, last, keys[k].type, keys[k].count, 0, 0);
    }
    for (size_t t = 0; t < times.size(); ++t) {
        const int last = t + 1 < times.size() ? times[t + 1].meas - 1 : measures - 1;
        const TimeSign& time = times[t].time;
        char numerator[16];
        char denominator[16];
        std::snprintf(numerator, sizeof numerator, "%d", time.numerator);
        std::snprintf(denominator, sizeof denominator, "%d", time.denominator);
        for (int j = times[t].meas; j <= last; ++j)
            SetPakToMeas(j, time.sign, static_cast<BYTE>(time.numerator), static_cast<BYTE>(time.denominator),
                         numerator, denominator, 1, 0, 1, 1);
    }

    // An empty lead-in measure before a repeat start gives its room to the
    // measure after it.
    // Each removal moves the first measures of the later blocks down by one.
    int removed = 0;
    CUJoin* node = systems->m_pHead;
    for (short i = 0; i < kvPage->GetBlockNum(); ++i, node = node ? node->m_pNext : nullptr) {
        CKVBlock* block = kvPage->GetBlock(i);
        block->m_nFirstMeas = static_cast<short>(block->m_nFirstMeas - removed);
        CUSystem* s = static_cast<CUSystem*>(node);
        if (!s || block->m_nMeasCount <= 1 || block->m_arrMeasX.GetSize() < 3)
            continue;
        CPtrArray clefs, notes;
        s->CollectNotesAndClefs(&clefs, &notes);
        const bool leadIn = notes.GetSize() == 0
                            || static_cast<CUSymbol*>(notes.GetAt(0))->m_nX > s->m_nLeftX + Boundary(block, 1);
        CKVMeas* second = staff->GetMeas(block->m_nFirstMeas + 1);
        if (!leadIn || !second || second->m_byStartBar != 2)
            continue;
        delete staff->m_arrMeas.GetAt(block->m_nFirstMeas);
        staff->m_arrMeas.RemoveAt(block->m_nFirstMeas);
        block->m_arrMeasX.RemoveAt(1);
        --block->m_nMeasCount;
        ++removed;
        // The measure rectangles and boundary handles follow the new count.
        block->UpdateMeasXY(1, 0, 0);
    }

    m_pCurPage = nullptr;
    m_pCurBlock = nullptr;
    m_pCurStaff = nullptr;
    m_pCurMeas = nullptr;
    m_nCurPage = m_nCurBlock = m_nCurSystem = m_nCurStaff = m_nCurMeas = 0;
    m_nCaretMeasNum = 1;
    m_pCurPage = GetPage(0);
    m_pCurBlock = m_pCurPage ? m_pCurPage->GetBlock(0) : nullptr;
    m_pCurSystem = system;
    m_nCurSystem = static_cast<short>(m_arrSystem.GetSize() - 1);
    m_pCurStaff = m_pCurBlock ? m_pCurBlock->GetStaff(0) : nullptr;
    m_pCurMeas = m_pCurStaff ? m_pCurStaff->GetMeas(m_pCurBlock->m_nFirstMeas) : nullptr;
    m_bModified = 1;
    m_bSpacingApplied = 1;
    page->m_failure = BrenloFailure::None;
    state.Commit();
    return 1;
}

int CKVDoc::SecondConvertBrenloToKvc(CDialog*, CUPage* page)
{
    CKVPage* kvPage = GetPage(0);
    if (!page || !kvPage)
        return 1;
    // While the import's flag is set, a measure takes clef changes past the
    // symbols its record counts: each measure is brought within its record
    // once it is done.
    ImportConvertingScope converting;
    converting.Set();
    page->m_leftOutNotes = {};
    CUSystemList* systems = page->GetSystems();
    short i = 0;
    for (CUJoin* node = systems->m_pHead; node; node = node->m_pNext, ++i) {
        CUSystem* s = static_cast<CUSystem*>(node);
        CKVBlock* block = kvPage->GetBlock(i);
        CKVStaff* staff = block ? block->GetStaff(0) : nullptr;
        if (!staff)
            continue;
        CPtrArray clefs, notes;
        s->CollectNotesAndClefs(&clefs, &notes);
        // For every clef, the last clef at or before it with a known code.
        std::vector<int> lastKnown(clefs.GetSize(), -1);
        for (int c = 0; c < clefs.GetSize(); ++c)
            lastKnown[c] = ClefTypeOf(*static_cast<CUClef*>(clefs.GetAt(c))) ? c : (c > 0 ? lastKnown[c - 1] : -1);

        for (int k = 0; k < block->m_nMeasCount && k + 1 < block->m_arrMeasX.GetSize(); ++k) {
            CKVMeas* meas = staff->GetMeas(block->m_nFirstMeas + k);
            if (!meas)
                continue;
            const int left = Boundary(block, k);
            const int right = Boundary(block, k + 1);

            // Clefs left of the measure are taken again inside its header;
            // each sets the clef in force, so the last of them stands for all.
            // Taken again when it already is the clef in force, it would
            // only walk the empty measures after it.
            const int inside = FirstRightOf(clefs, s, left);
            if (inside > 0 && lastKnown[inside - 1] >= 0) {
                CUClef* clef = static_cast<CUClef*>(clefs.GetAt(lastKnown[inside - 1]));
                const short type = ClefTypeOf(*clef);
                const bool inForce = meas->m_byInitClef == type
                                     && (block->m_nFirstMeas + k > 0 || staff->m_byClefType == type);
                if (RelX(clef, s) < right && !inForce)
                    InsertNewClefMsg(meas, type, RelX(clef, s) - left);
            }
            for (int c = inside; c < clefs.GetSize(); ++c) {
                CUClef* clef = static_cast<CUClef*>(clefs.GetAt(c));
                if (RelX(clef, s) >= right)
                    break;
                if (const short type = ClefTypeOf(*clef))
                    InsertNewClefMsg(meas, type, RelX(clef, s) - left);
            }

            EnterNotes(*this, *meas, notes, s, left, right, page->m_leftOutNotes);
            if (!kvimport::FitMeasureToRecord(*this, *meas, page->m_leftOutNotes))
                return 0;
        }
    }
    return 1;
}

int CKVDoc::BrenloToKVC_Note(CUNote* note, CKVMeas* measure, BYTE voiceIndex, short x, LeftOutNotes* leftOut)
{
    if (voiceIndex > 7 || !note || !measure)
        return 1;
    // A note needs its stem entry, a duration the engine knows and a stem
    // byte within the range that converts; the heads of a note without the
    // last two are left out and counted.
    if (note->GetStemCount() < 1)
        return 1;
    if (note->StemByte3() > 8 || note->StemDuration() > DUR_128TH) {
        if (leftOut && note->StemNote() == 1) {
            DWORD& reason = note->StemByte3() > 8 ? leftOut->unconvertedStem : leftOut->unknownDuration;
            reason += static_cast<DWORD>(note->GetHeadCount());
        }
        return 1;
    }
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    const short space = m_nStaffSpace;
    const bool rest = note->StemNote() != 1;
    const BYTE duration = note->StemDuration();
    CKVMsg* first = nullptr;
    for (int n = 0; n < note->GetHeadCount(); ++n) {
        CKVMsg tmpl;
        tmpl.Initialize(master, OBJ_MSG);
        tmpl.m_byKind = rest ? MSG_REST : MSG_NOTE;
        tmpl.m_byVoice = static_cast<BYTE>(voiceIndex + 1);
        tmpl.m_byAccidental = AccidentalOf(note->HeadAccidental(n) & 0x0F);
        tmpl.m_nPosX = measure->AbsXToMeasX(x);
        int y = (-8 - note->HeadStep(n)) * (space / 2);
        if (rest) {
            if (duration == DUR_16TH || duration == DUR_32ND)
                y += space;
            else if (duration == DUR_64TH)
                y += 2 * space;
            else if (duration == DUR_128TH)
                y += 3 * space;
        }
        tmpl.m_nPosY = static_cast<short>(y);
        tmpl.m_wDuration = duration;
        tmpl.m_wHeadType = HeadTypeOf(note->HeadCode(n));
        tmpl.m_wSize = MSG_SIZE_NORMAL;
        tmpl.m_dwWord = 0x40000;
        tmpl.m_wFlag = 0;
        tmpl.m_byDots = std::min<BYTE>(note->HeadDots(n), 2);
        tmpl.m_nLayout3 = static_cast<short>(m_CtrlTool.m_wM5 * (space / 4));
        m_pLastGroup = nullptr;
        m_pLastMember = nullptr;

        CKVMsg* inserted = measure->InsertNoteMsg(tmpl, 0, 0);
        if (!inserted) {
            // A head of a chord that the measure refuses (a unison of two
            // spellings, one) is left out and counted.
            if (leftOut && !rest)
                leftOut->Count(GetInsertRefusal());
            continue;
        }
        if (!first)
            first = inserted;
        inserted->ChangeNoteDirection(note->StemDirection() == 1 ? 1 : 2, 0);
        inserted->m_nLayout1 = static_cast<short>(inserted->m_lHeight & 0xFFFF);
        if (note->HeadAccidental(n) & 0xF0)
            inserted->m_wFlag = static_cast<WORD>(inserted->m_wFlag | 0x0004);
        if (note->StemGrace() == 1) {
            inserted->MakeGraceNote();
            inserted->m_wSize = MSG_SIZE_GRACE;
        }

        const BYTE slide = note->m_bySlide;
        if (n == 0 && slide >= 1 && slide <= 4) {
            CKVMsg mark;
            mark.m_byKind = slide <= 2 ? MSG_SLIDE1 : (slide == 3 ? MSG_SLIDE2 : MSG_SLIDE3);
            if (SetDefaultPosOfSlide(0, inserted, &mark)) {
                if (slide == 2)
                    mark.m_nPosY = 0;
                mark.MakeMsgCtrlPoint();
                mark.m_byVoice = inserted->m_byVoice;
                AddMsg(inserted, &mark, 1, 1);
            }
        }
    }
    if (first)
        BrenloToKVC_Lyrics(note, first);
    return 1;
}

int CKVDoc::BrenloToKVC_BEAM(CKVMeas* measure, CPtrArray& notes, short systemLeft, WORD measureLeft)
{
    struct Beam {
        bool used = false;
        short startY = 0, startX = 0, startStem = 0;
        short endY = 0, endX = 0, endStem = 0;
        BYTE direction = 0;
    };
    if (!measure)
        return 1;
    const short space = m_nStaffSpace;
    auto beamed = [](CUNote* note) {
        return note->GetStemCount() > 0 && note->GetHeadCount() > 0 && note->StemBeamed() == 1
               && note->StemBeamNumber() >= 1;
    };
    int count = 0;
    for (int i = 0; i < notes.GetSize(); ++i) {
        CUNote* note = static_cast<CUNote*>(notes.GetAt(i));
        if (beamed(note))
            count = std::max<int>(count, note->StemBeamNumber());
    }
    if (count == 0)
        return 1;
    std::vector<Beam> beams(count);
    for (int i = 0; i < notes.GetSize(); ++i) {
        CUNote* note = static_cast<CUNote*>(notes.GetAt(i));
        if (!beamed(note))
            continue;
        Beam& beam = beams[note->StemBeamNumber() - 1];
        const short x = static_cast<short>(note->m_nX - systemLeft - static_cast<short>(measureLeft));
        const short y = static_cast<short>((-8 - note->HeadStep(0)) * (space / 2));
        const short stem = static_cast<short>(space / 2 + note->StemLength());
        if (!beam.used) {
            beam.used = true;
            beam.startX = x;
            beam.startStem = stem;
            beam.startY = y;
            beam.direction = note->StemDirection();
        }
        beam.endX = x;
        beam.endStem = stem;
        beam.endY = y;
    }
    for (const Beam& beam : beams) {
        if (!beam.used)
            continue;
        CKVMsg* group = measure->BindGroupByBeam(1, measure->AbsXToMeasX(beam.startX), measure->AbsXToMeasX(beam.endX),
                                                 beam.direction == 1 ? 1 : 2);
        if (!group)
            continue;
        if (beam.direction) {
            group->m_nPosY = static_cast<short>(beam.startY - beam.startStem);
            group->m_nPosY2 = static_cast<short>(beam.endY - beam.endStem);
        } else {
            group->m_nPosY = static_cast<short>(beam.startY + beam.startStem);
            group->m_nPosY2 = static_cast<short>(beam.endY + beam.endStem);
        }
    }
    return 1;
}

int CKVDoc::BrenloToKVC_Lyrics(CUNote* note, CKVMsg* target)
{
    if (!note || !target)
        return 0;
    CKVMeas* measure = tickmath::MeasureOf(target);
    for (int i = 0; i < kLyricLinePositions; ++i) {
        const CULyric& entry = note->Lyric(i);
        const int length = entry.TextLength();
        if (length == 0)
            continue;
        const int size = MulDiv(entry.nSize, 72, 96);
        if (measure && measure->m_wVoiceWord[i] == kLyricMarkerUnset) {
            unsigned char* head = nullptr;
            if (measure->GetHead(&head) >= 2 * kLyricLinePositions && head) {
                const short position = static_cast<short>(head[2 * i] | (head[2 * i + 1] << 8));
                const short lowered = static_cast<short>(position - size / 2);
                head[2 * i] = static_cast<unsigned char>(lowered & 0xFF);
                head[2 * i + 1] = static_cast<unsigned char>((lowered >> 8) & 0xFF);
            }
            measure->m_wVoiceWord[i] = 0;
        }

        CKVMsg lyric;
        lyric.m_byKind = MSG_LYRIC;
        lyric.m_byVoice = target->m_byVoice;
        lyric.m_nPosX = static_cast<short>(entry.nX);
        lyric.m_nPosY = static_cast<short>(i);
        lyric.m_crColor = RGB(entry.byRed, entry.byGreen, entry.byBlue);
        unsigned char bytes[16 + CULyric::kMaxText] = {};
        bytes[2] = entry.byStyle;
        bytes[4] = static_cast<unsigned char>(size & 0xFF);
        bytes[5] = static_cast<unsigned char>((size >> 8) & 0xFF);
        bytes[12] = static_cast<unsigned char>(length);
        for (int c = 0; c < length; ++c)
            bytes[16 + c] = entry.byText[1 + c];
        // SetHead reports a failed allocation itself.
        if (lyric.SetHead(static_cast<short>(16 + length), bytes) != 16 + length)
            return 0;
        if (!AddMsg(target, &lyric, 1, 0))
            return 0;
    }
    return 1;
}
