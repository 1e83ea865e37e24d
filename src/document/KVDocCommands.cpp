// Commands of the document on measures and staves: rests into a range of
// measures, the drum table, chord-text colours, notes shown on another staff,
// the position scale of measures, and hiding or showing staves.

#include "document/KVDoc.h"

#include "MemoryGuard.h"
#include "document/KVFileInfo.h"
#include "model/DrumTable.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace {

constexpr int kCommandMemory = 1000000;

CKVSystem* MasterOf(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

// The drum-kit modes of ChangeDrumTable.
constexpr int kKitName = 1;        // the index and the kit's name
constexpr int kKitMeasures = 2;    // the index, then the measures derived again
constexpr int kKitBoth = 3;
constexpr int kKitFirst = 4;       // kit 0 with its name, then the measures

void DeriveMeasures(CKVStaff& staff)
{
    for (LONG m = 0; m < staff.GetMeasNum(); ++m) {
        if (CKVMeas* meas = staff.GetMeas(m))
            meas->SetParamFromDrumTable(0);
    }
}

// Sets the kit index in a drum staff's head, keeping the name it holds; a
// head too short for the index becomes the whole drum-kit record.
void SetKitIndex(CKVStaff& staff, WORD kit)
{
    unsigned char* head = nullptr;
    const short length = staff.GetHead(&head);
    if (length < 2 || !head) {
        WriteDrumKitHead(staff, kit, nullptr);
        return;
    }
    head[0] = static_cast<unsigned char>(kit);
    head[1] = static_cast<unsigned char>(kit >> 8);
}

// The flag word a note gets: towards the staff above (up set) a note shown
// below comes home and any other is shown above; towards the staff below the
// mirror of that.
WORD ViewFlags(WORD flags, int up)
{
    const WORD away = up ? MSGFLAG_STAFF_DOWN : MSGFLAG_STAFF_UP;
    const WORD toward = up ? MSGFLAG_STAFF_UP : MSGFLAG_STAFF_DOWN;
    if (flags & away)
        return static_cast<WORD>(flags & ~(MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN));
    return static_cast<WORD>((flags & ~away) | toward);
}

} // namespace

void CKVDoc::InsertRestToMeas(short first, short end, unsigned char beatUnit)
{
    CKVSystem* master = MasterOf(*this);
    if (!master || beatUnit == 0)
        return;
    const short playTime = static_cast<short>(tickmath::TicksPerQuarter(master) * 4 / beatUnit);
    for (short s = 0; s < master->GetStaffNum(); ++s) {
        CKVStaff* staff = master->GetStaff(s);
        for (LONG m = std::max<LONG>(first, 0); staff && m < end && m < staff->GetMeasNum(); ++m) {
            CKVMeas* meas = staff->GetMeas(m);
            if (!meas)
                continue;
            CKVMsg rest(meas, POINT {CKVMeas::SCALE / 2, 0}, MSG_REST, 0, DUR_WHOLE, 1, 0, 0, 0x0101, 0, -1);
            rest.UpdateRestPosY(0);
            rest.m_nPlayTime = playTime;
            rest.m_nStartTime = 0;
            const bool voiceHeldMusic = meas->GetCurWholeCountDouble(rest.m_byVoice, -1) > 0.0;
            // A measure that cannot take the rest (its record full, or its
            // voice at its ticks) is passed over as it is.
            if (!meas->InsertNewMsg(rest) || !voiceHeldMusic)
                continue;
            // Beside other music of its voice the rest starts where its
            // place puts it, and what follows it moves on, as a reader
            // times them.
            meas->UpdateStartTime(rest.m_byVoice, 1, 1, kPerformedStartStays);
        }
    }
}

void CKVDoc::ChangeDrumTable(short kit, int mode)
{
    CKVSystem* master = MasterOf(*this);
    m_bModified = 1;
    if (!master || mode < kKitName || mode > kKitFirst)
        return;
    for (short s = 0; s < master->GetStaffNum(); ++s) {
        CKVStaff* staff = master->GetStaff(s);
        unsigned char* head = nullptr;
        if (!staff || staff->m_byStaffKind != CKVStaff::KIND_DRUM || staff->GetHead(&head) <= 0)
            continue;
        const WORD index = static_cast<WORD>(mode == kKitFirst ? 0 : kit);
        if (mode == kKitMeasures)
            SetKitIndex(*staff, index);
        else
            WriteDrumKitHead(*staff, index, DrumKitAt(index));
        if (mode == kKitMeasures || mode == kKitBoth || mode == kKitFirst)
            DeriveMeasures(*staff);
    }
}

void CKVDoc::UpdateColorChordText(DWORD colour)
{
    CKVSystem* master = MasterOf(*this);
    for (int i = 1; master && i < master->m_arrMsgMap.GetSize(); ++i) {
        CKVMsg* msg = master->m_arrMsgMap.GetAt(i);
        if (!msg)
            continue;
        if (!msg->IsValidMsg(master)) {
            master->m_arrMsgMap.SetAt(i, nullptr);
            continue;
        }
        if (msg->m_byKind == MSG_OLDFRET || msg->m_byKind == MSG_OLDCHORDNAME || msg->m_byKind == MSG_CHORDSYMBOL)
            msg->m_crColor = colour;
    }
}

void CKVDoc::ViewNoteByWhichStaff(short voice, int up)
{
    // With every page selected the switch reaches every staff: the whole
    // document goes into the open step, and no measure needs a copy of its
    // own.
    const bool wholeScore = m_bSelectAllPages != 0;
    if (wholeScore)
        ObjectBackup(1);
    else if (!SelMeasBackup(1))
        return;
    const int count = GetSelMsgCount();
    std::vector<CKVMsg*> notes;
    for (int i = 0; i < count; ++i) {
        CKVMsg* msg = GetSelNote(i, 0);
        if (msg && msg->m_byKind == MSG_NOTE && (voice == 0 || msg->m_byVoice == voice))
            notes.push_back(msg);
    }
    for (CKVMsg* note : notes) {
        CKVMeas* meas = tickmath::MeasureOf(note);
        if (!meas)
            continue;
        const WORD flags = ViewFlags(note->m_wFlag, up);
        if (flags == note->m_wFlag)
            continue;
        const bool away = (flags & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN)) != 0;
        // A note is shown on a neighbour only where that measure exists.
        CKVMeas* target = (flags & MSGFLAG_STAFF_UP) ? meas->GetUpMeas()
                          : (flags & MSGFLAG_STAFF_DOWN) ? meas->GetDownMeas() : nullptr;
        if (away && !target)
            continue;
        CKVMeas* neighbour = (note->m_wFlag & MSGFLAG_STAFF_UP) ? meas->GetUpMeas()
                             : (note->m_wFlag & MSGFLAG_STAFF_DOWN) ? meas->GetDownMeas() : target;
        if (neighbour && !wholeScore) {
            // The neighbour's backup takes the measures its cross-staff notes
            // come from along, this one among them.
            neighbour->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
            CKVMeas* live = meas->GetCurBackupObj();
            if (live != meas) {
                note = live->GetNewPtr2(note);
                meas = live;
            }
            if (!note)
                continue;
        }
        if (!away)
            meas->DeleteUpDownMsgArray(note);
        note->m_wFlag = flags;
        if (away)
            meas->AddUpDownMsgArray(note);
        note->SetPosByUpDownStaff(1, 0);
        m_bModified = 1;
    }
}

void CKVDoc::SetPakPosByNote(short mode, CKVMsg* note, short to, int beamArg)
{
    if (!note || !tickmath::IsNoteRestChord(*note) || !CheckAvailableMemory(kCommandMemory))
        return;
    CKVMeas* meas = tickmath::MeasureOf(note);
    CKVSystem* master = MasterOf(*this);
    if (!meas || !master)
        return;
    CKVObject* staff = meas->m_pParent;
    if (staff && staff->m_byObjKind == OBJ_OSSIA_STAFF) {
        meas->SetPakPosByNote(mode, note->m_nPosX, to, beamArg);
    } else {
        const short from = note->m_nPosX;
        const int index = measplace::IndexOnStaff(measplace::StaffOf(*meas), meas);
        for (short s = 0; index >= 0 && s < master->GetStaffNum(); ++s) {
            if (CKVMeas* column = master->GetMeas(s, static_cast<short>(index)))
                column->SetPakPosByNote(mode, from, to, beamArg);
        }
    }
    m_bModified = 1;
}

int CKVDoc::GetMeasPak(LONG meas, short& beats, short& beatUnit)
{
    CKVMeas* found = meas >= 0 && meas <= INT_MAX ? GetMeasure(static_cast<int>(meas), 0, 0) : nullptr;
    if (!found)
        return 0;
    beats = found->m_nTimeNum;
    beatUnit = found->m_nTimeDen;
    return beats >= 1 && beatUnit > 0 ? 1 : 0;
}

int CKVDoc::GetMeasPak(LONG meas, CString& numeratorText, CString&)
{
    CKVMeas* found = meas >= 0 && meas <= INT_MAX ? GetMeasure(static_cast<int>(meas), 0, 0) : nullptr;
    if (!found)
        return 0;
    // The text need not end inside its 16 bytes.
    const char* text = found->m_szTimeNumText;
    numeratorText = CString(text, static_cast<int>(strnlen(text, CKVMeas::TIME_TEXT_SIZE)));
    return 1;
}

void CKVDoc::StaffHide()
{
    CKVSystem* master = MasterOf(*this);
    if (!master)
        return;
    ResetBackup();
    std::vector<CKVStaff*> hidden;
    for (short s = 0; s < master->GetStaffNum(); ++s) {
        if (m_bSelectAllPages || GetStaffSelStatus(s, 0))
            hidden.push_back(master->GetStaff(s));
    }
    const int step = m_pFileInfo->m_nStaffDistance * m_nStaffSpace;
    for (CKVStaff* staff : hidden) {
        for (short p = 0; p < GetPageNum(); ++p) {
            CKVPage* page = GetPage(p);
            int offset = 0;
            for (short b = 0; page && b < page->GetBlockNum(); ++b) {
                CKVBlock* block = page->GetBlock(b);
                block->m_rcBlock.OffsetRect(0, offset);
                // A block keeps its last staff.
                for (short k = 0; block->GetStaffNum() > 1 && k < block->GetStaffNum(); ++k) {
                    if (block->GetStaff(k) == staff) {
                        offset -= step * block->DeleteStaff(k, 1);
                        break;
                    }
                }
            }
            if (page)
                page->UpdateMeasXY();
        }
    }
    // The cursor's staff may be one that its block no longer shows.
    DropStaleCursor();
    m_bModified = 1;
}

void CKVDoc::StaffVisible()
{
    if (!MasterOf(*this))
        return;
    ResetBackup();
    UpdatePage(0);
    m_bModified = 1;
}
