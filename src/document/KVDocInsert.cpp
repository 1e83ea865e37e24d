// Adding and deleting symbols through the document: a template's copy under a
// measure, symbol or page, deleting a symbol, a tie or slur or a container's
// member, and inserting a new note at a point or a measure.

#include "document/KVDoc.h"

#include "document/CopyPtrMap.h"
#include "document/GroupMembers.h"
#include "document/RecordIO.h"
#include "harmony/ChordSymbol.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MidiFileRead.h"
#include "model/TickMath.h"
#include "timing/InsertState.h"
#include "timing/TieLinks.h"
#include "timing/VoiceRoom.h"

#include <algorithm>

#include "MemoryGuard.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/NewObject.h"

#include <new>

namespace {

// Removes the symbols of a kind (and, for measure repeats, of a sub-kind)
// that a holder owns directly.
void RemoveKind(CKVObject& holder, BYTE kind, int subKind)
{
    for (short i = static_cast<short>(holder.GetMsgNum() - 1); i >= 0; --i) {
        CKVMsg* child = holder.GetMsg(i);
        if (child && child->m_byKind == kind && (subKind < 0 || child->m_wDuration == subKind))
            holder.RemoveMsgAt(i);
    }
}

CKVMeas* BackedUpLive(CKVMeas* meas)
{
    meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
    CKVMeas* live = meas->GetCurBackupObj();
    return live ? live : meas;
}

} // namespace

CKVMsg* CKVDoc::AddMsg(CKVObject* parent, CKVMsg* tmpl, int addFlag, int autoPosition)
{
    if (!parent || !tmpl || !kvrec::HasRoomFor(*parent) || !CheckAvailableMemory(1000000))
        return nullptr;
    CKVMsg* msg = tmpl->m_byKind == MSG_CHORDSYMBOL ? KvNewReported<CChordSymbol>() : KvNewReported<CKVMsg>();
    if (!msg)
        return nullptr;
    tmpl->m_pSystem = parent->m_pSystem;
    tmpl->m_pParent = parent;
    *msg = *tmpl;
    // The symbol part alone leaves a chord symbol an empty C chord: the
    // chord part (root, bass, suffix, fret board, rhythm) comes along too.
    if (tmpl->m_byKind == MSG_CHORDSYMBOL && dynamic_cast<CChordSymbol*>(tmpl) &&
        !static_cast<CChordSymbol*>(msg)->CreateFrom(tmpl)) {
        delete msg;
        return nullptr;
    }

    CKVMeas* meas = parent->m_byObjKind == OBJ_MEAS ? static_cast<CKVMeas*>(parent) : nullptr;
    if (tmpl->m_byKind == MSG_MEASREPEAT) {
        RemoveKind(*parent, MSG_MEASREPEAT, tmpl->m_wDuration);
        if (autoPosition) {
            short x = 256;
            if (tmpl->m_wDuration != 3 && meas)
                x = meas->AbsXToMeasX(static_cast<short>(meas->m_rcMeas.Width() / 2));
            msg->m_nPosX = tmpl->m_nPosX = x;
            msg->m_nPosY = tmpl->m_nPosY = static_cast<short>(-m_nStaffSpace);
        }
    }
    CKVObject* staffNode = meas ? meas->m_pParent : nullptr;
    if ((tmpl->m_byKind == MSG_CODA || tmpl->m_byKind == MSG_TEMPO) && meas && staffNode) {
        auto* staff = static_cast<CKVStaff*>(staffNode);
        const short index = staff->GetMeasIndex(meas);
        CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
        auto clear = [&](CKVStaff* column) {
            CKVMeas* at = column ? column->GetMeas(index) : nullptr;
            if (!at)
                return;
            at = BackedUpLive(at);
            RemoveKind(*at, tmpl->m_byKind, -1);
        };
        if (staff->m_byObjKind == OBJ_OSSIA_STAFF || !master) {
            clear(staff);
        } else {
            for (short s = 0; s < master->GetStaffNum(); ++s)
                clear(master->GetStaff(s));
        }
        if (CKVMeas* live = staff->GetMeas(index)) {
            meas = live->GetCurBackupObj() ? live->GetCurBackupObj() : live;
            parent = meas;
        }
        tmpl->m_pParent = parent;
        msg->m_pParent = parent;
    }
    if (parent->AddMsg(msg, static_cast<unsigned char>(addFlag), kParentHere) == -1) {
        delete msg;
        return nullptr;
    }
    tmpl->m_dwMsgId = msg->m_dwMsgId;
    if (msg->m_byKind == MSG_MIDI && meas)
        msg->UpdateStartTime(static_cast<short>(MulDiv(meas->m_nLength, msg->m_nPosX, 256)), kFromNotation,
                             kPerformedOffsetToHead);
    m_bModified = 1;
    return msg;
}

CKVMsg* CKVDoc::AddMsg(CKVPage* page, CKVMsg* tmpl, int, int backup)
{
    if (!page || !tmpl)
        return nullptr;
    CKVMsg* msg = KvNewReported<CKVMsg>();
    if (!msg)
        return nullptr;
    if (backup) {
        ResetBackup();
        page->ObjectBackup(kBackupRecorded);
        // The symbol goes to the page that stays in the score.
        if (CKVPage* live = page->GetCurBackupObj())
            page = live;
    }
    tmpl->m_byParentKind = CKVPage::PARENT_KIND_PAGE;
    tmpl->m_pPage = page;
    *msg = *tmpl;
    msg->MakeMsgCtrlPoint();
    page->AddMsg(msg);
    m_bModified = 1;
    return msg;
}

namespace {

CKVMeas* MeasOfSymbol(CKVMsg& msg)
{
    return tickmath::MeasureOf(&msg);
}

// Moves the lyric references of one note to another, ownership kept.
void MoveLyrics(CKVMsg& from, CKVMsg& to)
{
    for (short i = static_cast<short>(from.GetMsgNum() - 1); i >= 0; --i) {
        CKVMsg* child = from.GetMsg(i);
        if (!child || child->m_byKind != MSG_LYRIC)
            continue;
        const BYTE owner = from.m_arrMsgRef.GetAt(i)->byOwner;
        from.RemoveAt(i);
        to.InsertMsg(to.GetMsgNum(), child, owner, kParentHere);
    }
}

// The lyrics a symbol holds itself.
int LyricsOf(CKVMsg& msg)
{
    int lyrics = 0;
    tickmath::ForEachChild(msg, [&](CKVMsg* child, short) {
        lyrics += child->m_byKind == MSG_LYRIC ? 1 : 0;
        return false;
    });
    return lyrics;
}

// Whether what DeleteMember hands on when a symbol goes stays within the
// records that take it. The note after a chord's first note takes that
// note's lyrics, and the note a chord is left with the chord's; the
// measure takes back the end rests and the last member of the beam group
// the symbol leaves (the holder the hit test named, or the group of a
// chord whose last note goes).
bool TakesWhatTheDeleteHandsOn(CKVDoc& doc, CKVMsg& msg)
{
    CKVMsg* chord = doc.m_pLastMember;
    if (chord && chord->m_byKind == MSG_CHORD && tielink::IndexOfChild(*chord, &msg) >= 0) {
        const std::vector<CKVMsg*> notes = tickmath::LiveChildren(*chord);
        if (notes.size() >= 2) {
            const bool first = notes.front() == &msg;
            CKVMsg* heir = first ? notes[1] : nullptr;
            CKVMsg* left = notes.size() == 2 ? (first ? notes[1] : notes[0]) : nullptr;
            if (heir && !kvrec::HasRoomFor(*heir, LyricsOf(msg) + (heir == left ? LyricsOf(*chord) : 0)))
                return false;
            if (left && left != heir && !kvrec::HasRoomFor(*left, LyricsOf(*chord)))
                return false;
            return true;
        }
    }
    CKVMsg* group = doc.m_pLastGroup;
    if (!group || group->m_byKind != MSG_BEAM)
        return true;
    if (chord && (tielink::IndexOfChild(*chord, &msg) < 0 || tielink::IndexOfChild(*group, chord) < 0))
        return true;
    if (!chord && tielink::IndexOfChild(*group, &msg) < 0)
        return true;
    CVoiceRoom room;
    room.CountGroupLeave(*group, {&msg});
    return room.Fits();
}

} // namespace

void CKVDoc::DeleteMsg(CKVMsg* msg, int respace)
{
    if (!msg)
        return;
    ClearCopyPtrMap();
    if (msg->m_byParentKind == CKVPage::PARENT_KIND_PAGE || msg->m_pPage) {
        m_bModified = 1;
        auto* page = static_cast<CKVPage*>(msg->m_pPage);
        for (short i = 0; page && i < page->GetMsgNum(); ++i) {
            if (page->GetMsg(i) == msg) {
                page->RemoveMsg(i);
                return;
            }
        }
        return;
    }
    switch (msg->m_byKind) {
    case MSG_NOTE:
    case MSG_REST: {
        // A symbol whose going would crowd a record past what it counts
        // stays, and nothing changes.
        if (!TakesWhatTheDeleteHandsOn(*this, *msg))
            return;
        m_bModified = 1;
        TupletMsgDelProc(msg);
        TieSlurMsgDelProc(msg);
        const bool chordKeeps = m_pLastMember && m_pLastMember->m_byKind == MSG_CHORD && m_pLastMember->GetMsgNum() > 1;
        if (!chordKeeps)
            if (CKVMeas* meas = MeasOfSymbol(*msg))
                meas->RemoveMidiMsgFromXToNextNote(msg->m_nPosX);
        DeleteMember(msg, respace);
        return;
    }
    case MSG_BEAM:
    case MSG_CHORD:
        if (!TakesWhatTheDeleteHandsOn(*this, *msg))
            return;
        m_bModified = 1;
        DeleteMember(msg, respace);
        return;
    case MSG_TIE:
    case MSG_SLUR:
        DeleteTieSlur(msg);
        return;
    case MSG_TUPLET: {
        m_bModified = 1;
        CKVMeas* meas = MeasOfSymbol(*msg);
        if (!meas || !meas->m_pSystem)
            return;
        for (short i = 0; i < meas->GetMsgNum(); ++i) {
            CKVMsg* child = meas->GetMsg(i);
            if (!child)
                continue;
            child->RemoveTuplet(msg);
            for (short j = 0; j < child->GetMsgNum(); ++j)
                if (CKVMsg* member = child->GetMsg(j); member && tickmath::IsNoteRestChord(*member))
                    member->RemoveTuplet(msg);
        }
        meas->UpdateStartTime(0, 0, 0, kPerformedStartStays);
        meas->m_pSystem->RemoveMsgFromMap(msg->m_dwMsgId);
        return;
    }
    case MSG_CLEF:
        m_bModified = 1;
        UpdateDelClefType(msg);
        return;
    case MSG_TREMOLO: {
        m_bModified = 1;
        if (CKVMeas* meas = MeasOfSymbol(*msg)) {
            meas->RemoveTremolo(msg->m_byVoice, msg->m_nPosX, msg->m_nPosX2);
            meas->DeleteMsg(msg, kUnlinkAndFree);
        }
        return;
    }
    default: {
        m_bModified = 1;
        CKVObject* parent = msg->m_pParent;
        const short at = parent ? tielink::IndexOfChild(*parent, msg) : -1;
        if (at >= 0)
            parent->RemoveMsgAt(at);
        return;
    }
    }
}

void CKVDoc::DeleteTieSlur(CKVMsg* link)
{
    if (!CheckAvailableMemory(1000000))
        return;
    CKVMsg* first = tielink::StartOf(*link);
    CKVMsg* second = tielink::EndOf(*link);
    if (!first && !second)
        return;
    if (first && second) {
        tielink::Detach(link, first, second);
        // The second note may stand in a measure the open step does not
        // hold: its accidentals change only once the step holds it.
        if (second->m_byMark1 != 0)
            if (CKVMeas* meas = MeasOfSymbol(*second)) {
                if (IsReqBackup() && meas->IsCurrentObj() && !IsMeasInOpenStep(meas))
                    meas = BackedUpLive(meas);
                meas->UpdateNoteKeySignature(kKeepSpelling, kKeepStep, kReorderChords, 0);
            }
        m_bModified = 1;
        return;
    }
    // One end is gone: the link can only be taken off the end that is left.
    if (first) {
        tielink::Detach(link, first, nullptr);
    } else {
        const short at = tielink::IndexOfChild(*second, link);
        if (at >= 0) {
            if (second->m_arrMsgRef.GetAt(at)->byOwner)
                second->RemoveMsgAt(at);
            else
                second->RemoveAt(at);
        }
        if (link->m_byKind == MSG_TIE)
            tielink::DropTieFlag(*second, false);
    }
    m_bModified = 1;
}

void CKVDoc::DeleteMember(CKVMsg* msg, int respace)
{
    CKVMeas* meas = MeasOfSymbol(*msg);
    if (!meas)
        return;
    CKVMeas* keyMeas = meas;
    if (msg->m_wFlag & MSGFLAG_STAFF_UP)
        keyMeas = meas->GetUpMeas() ? meas->GetUpMeas() : meas;
    else if (msg->m_wFlag & MSGFLAG_STAFF_DOWN)
        keyMeas = meas->GetDownMeas() ? meas->GetDownMeas() : meas;
    CKVObject* holder = m_pLastMember ? static_cast<CKVObject*>(m_pLastMember)
                                      : m_pLastGroup ? static_cast<CKVObject*>(m_pLastGroup) : meas;
    const short at = tielink::IndexOfChild(*holder, msg);
    if (at < 0) {
        meas->SwitchTieSlur();
        return;
    }
    const BYTE voice = msg->m_byVoice;
    auto* holderMsg = holder != meas ? static_cast<CKVMsg*>(holder) : nullptr;
    if (holderMsg && holderMsg->m_byKind == MSG_CHORD && at == 0 && holder->GetMsgNum() > 1)
        if (CKVMsg* next = holder->GetMsg(1))
            MoveLyrics(*msg, *next);
    holder->RemoveMsgAt(at);

    if (holderMsg && holder->GetMsgNum() == 0) {
        // The holder goes in turn, looked for where it is held.
        if (m_pLastMember == holderMsg)
            m_pLastMember = nullptr;
        else if (m_pLastGroup == holderMsg)
            m_pLastGroup = nullptr;
        DeleteMsg(holderMsg, respace);
        return;
    }
    if (holderMsg && holderMsg->m_byKind == MSG_CHORD && holder->GetMsgNum() == 1) {
        CKVObject* chordHolder = m_pLastGroup && tielink::IndexOfChild(*m_pLastGroup, holderMsg) >= 0
                                     ? static_cast<CKVObject*>(m_pLastGroup) : meas;
        if (CKVMsg* member = holder->GetMsg(0))
            MoveLyrics(*holderMsg, *member);
        groupmembers::ReplaceByMember(*chordHolder, *holderMsg, 0);
        if (m_pLastMember == holderMsg)
            m_pLastMember = nullptr;
    } else if (holderMsg && holderMsg->m_byKind == MSG_BEAM) {
        // Rests at either end leave the group.
        groupmembers::GiveBackEndRests(*meas, *holderMsg);
        if (holder->GetMsgNum() == 1) {
            groupmembers::ReplaceByMember(*meas, *holderMsg, 0);
            if (m_pLastGroup == holderMsg)
                m_pLastGroup = nullptr;
        } else if (holder->GetMsgNum() == 0) {
            const short g = tielink::IndexOfChild(*meas, holderMsg);
            if (g >= 0)
                meas->RemoveMsgAt(g);
            if (m_pLastGroup == holderMsg)
                m_pLastGroup = nullptr;
        }
    }
    meas->UpdateStartTime(voice, 1, 1, kPerformedStartStays);
    if (respace)
        meas->NoteSpaceOrder(voice, 1, kPerformedStartStays, kWithGraceNotes);
    keyMeas->UpdateNoteKeySignature(kKeepSpelling, kKeepStep, kReorderChords, 0);
    meas->SwitchTieSlur();
}

CKVMsg* CKVDoc::InsertNewNoteMsg(POINT point, short kind, unsigned short head, unsigned short duration,
                                 unsigned char voice, short code, DWORD word, LONG stemHeight,
                                 unsigned short tuplet, int markGap, LONG objectWord, int grace,
                                 int graceSource, int value, int markPos, int graceKind)
{
    const int space = m_nStaffSpace;
    const int half = space / 2;
    if (stemHeight == 0)
        stemHeight = m_nFontHeight78;
    if (!m_pCurBlock)
        return nullptr;
    POINT out {0, 0};
    int staffIndex = 0;
    int measIndex = 0;
    CKVMeas* found = m_pCurBlock->GetNearMeasFromPoint(point, &out, &staffIndex, &measIndex);
    if (!found || !m_pCurMeas || out.x < 0)
        return nullptr;
    const short x = found->AbsXToMeasX(static_cast<short>(out.x));
    if (x > 256)
        return nullptr;
    // The measure under the point is the one the note goes into.
    CKVBlock* block = m_pCurBlock;
    MoveCursorTo(block, m_nCurBlock, static_cast<short>(staffIndex), static_cast<short>(measIndex), found);
    auto* staff = static_cast<CKVStaff*>(found->m_pParent);
    const int percent = staff && staff->m_wObjWord ? staff->m_wObjWord : 100;
    int y = MulDiv(out.y, 100, percent);
    if (half > 0)
        y = y >= 0 ? (y + half / 2) / half * half : y / half * half;
    y = std::clamp(y, -12 * space, 8 * space);
    if (half > 0)
        y = y / half * half;

    // A note the measure would refuse is refused before the measure is
    // backed up, so that no empty step is left behind: one without room, or
    // one at the height of a note at its spot. A grace note finds its spot
    // only once the measure is spaced.
    CKVMsg probe(m_pCurMeas, POINT {x, y}, kind, head, duration, voice, word, stemHeight, tuplet, objectWord,
                 graceKind);
    if (!CVoiceRoom::TakesEntry(*m_pCurMeas, probe) ||
        (!probe.IsGraceNote() && SpotRefusal(*m_pCurMeas, probe) != InsertRefusal::None))
        return nullptr;

    const BOOL wasModified = m_bModified;
    ResetBackup();
    if (!CheckAvailableMemory(1000000))
        return nullptr;
    CKVMeas* meas = BackedUpLive(m_pCurMeas);
    m_pCurMeas = meas;

    const int quarter = space / 4;
    CKVMsg model(meas, POINT {x, 0}, kind, head, duration, voice, word, stemHeight, tuplet, objectWord, graceKind);
    model.m_nLayout4 = static_cast<short>(quarter * markGap);
    model.m_nLayout3 = static_cast<short>(quarter * markPos);
    model.m_nPosY = static_cast<short>(y);
    nNoteMarkRightPos = static_cast<short>(markPos);

    model.m_nStartTime = meas->GetStartTime(&model);
    if (model.IsGraceNote()) {
        meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
        meas = m_pCurMeas = meas->GetCurBackupObj() ? meas->GetCurBackupObj() : meas;
        meas->ArrangeGraceNote(&model);
        if (meas->m_nLength > 0)
            model.m_nPosX = static_cast<short>(MulDiv(model.m_nStartTime, 256, meas->m_nLength));
        meas->NoteSpaceOrder(0, 1, kPerformedStartStays, kWithoutGraceNotes);
    }
    CKVMsg* note =
        meas->InsertNewNoteMsg(model, static_cast<short>(code & 15), grace, graceSource, value, kFromNotation, 0);
    // A refused note leaves the measure as it found it: its ties, spacing
    // and grace groups are not laid out again.
    if (!note) {
        m_bModified = wasModified;
        return nullptr;
    }
    meas->SwitchTieSlur();
    LinkGraceNotes(model, *note);
    if (model.IsGraceNote())
        RespaceAfterEntry(*meas);
    meas->AutoBindGraceNoteByBeam(voice);
    GetReDrawRect();

    int caret = note->m_nPosX + CaretStepAfter(*meas, *note);
    if (note->IsGraceNote()) {
        for (short i = 0; i < meas->GetMsgNum(); ++i) {
            CKVMsg* later = meas->GetMsg(i);
            if (later && later != note && later->m_byKind == note->m_byKind && later->m_nPosX > note->m_nPosX
                && later->m_nStartTime == note->m_nStartTime) {
                caret = later->m_nPosX + CaretStepAfter(*meas, *note);
                break;
            }
        }
    }
    m_nCaretPos = static_cast<short>(caret);
    m_bModified = 1;
    if (meas->GetCurWholeCount(note->m_byVoice, -1) < meas->m_nLength && caret < 256)
        return note;
    const short p = meas->GetMsgOfRightPos(m_nCaretPos);
    if (p != -1)
        m_nCaretPos = p;
    else if (CKVCtrlTool::m_fAutoPageJump || !IsLastMeasOfPage())
        OneStepMeas(2);
    return note;
}

CKVMsg* CKVDoc::InsertNewNoteMsg(short staffIndex, LONG measIndex, CKVMsg* tmpl, unsigned short code, int grace,
                                 int graceSource, int value, int* moved, int midiFile)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    CKVStaff* staff = master && staffIndex >= 0 && staffIndex < master->GetStaffNum() ? master->GetStaff(staffIndex)
                                                                                      : nullptr;
    CKVMeas* meas = staff ? staff->GetMeas(measIndex) : nullptr;
    if (!tmpl || !meas)
        return nullptr;
    if (!midiFile && meas->IsRestCompMeas(nullptr) > 0)
        return nullptr;
    SetMidiFileRead(midiFile);
    tmpl->m_pSystem = meas->m_pSystem;
    tmpl->m_pParent = meas;
    tmpl->CalcPlayTime();
    tmpl->UpdatePos(0);
    if (tmpl->m_lHeight == 0)
        tmpl->m_lHeight = m_nFontHeight78;
    CKVMsg* note = meas->InsertNewNoteMsg(*tmpl, static_cast<short>(code), graceSource, grace, value, midiFile, 0);
    if (midiFile)
        return note;
    if (!note) {
        const short r = OneStepMeas(2);
        if (moved)
            *moved = r;
        return nullptr;
    }
    const int length = meas->m_nLength;
    // Without a length the caret has no scale to move on.
    if (length > 0)
        m_nCaretPos = static_cast<short>(note->m_nStartTime * 256 / length + note->GetPlayTime() * 256 / length);
    CKVMeas* current = m_pCurMeas ? m_pCurMeas : meas;
    if (current->GetCurWholeCount(note->m_byVoice, -1) >= current->m_nLength) {
        const short p = current->GetMsgOfRightPos(m_nCaretPos);
        if (p != -1) {
            m_nCaretPos = p;
            if (moved)
                *moved = 0;
        } else {
            const short r = OneStepMeas(2);
            if (moved)
                *moved = r;
        }
    }
    GetReDrawRect();
    return note;
}
