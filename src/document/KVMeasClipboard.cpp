// A measure's symbols copied into a clipboard measure (all, or those a
// selection rectangle meets), or onto a staff.

#include "model/KVMeas.h"

#include "document/DeepCopy.h"
#include "document/KVDoc.h"
#include "document/SelHit.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/NodeDoc.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"

#include <climits>
#include <vector>

namespace {

constexpr int kVoices = CKVMeas::VOICES;

// The rectangle of a symbol's first handle in measure coordinates: at the
// staff's size, moved by the symbol's real x and vertical position. False
// when the symbol has no handle.
bool FirstHandleRect(CKVMeas& meas, CKVMsg& msg, CRect& out)
{
    CKVCtrlPoint* handle = HandleAt(msg, 0);
    if (!handle)
        return false;
    CRect stored = handle->m_rect;
    msg.ConvertRectByZoom(stored, out, 0);
    out.OffsetRect(meas.GetRealPosX(&msg), msg.ConvertYbyZoom(msg.m_nPosY));
    return true;
}

bool Meets(const CRect& a, const CRect& b)
{
    CRect common;
    return common.IntersectRect(&a, &b) != 0;
}

// A note, rest or chord is taken when the hit point of its first handle (a
// chord without handles: its first member's) lies in the rectangle, the
// point at which the delete and the selection collection test it too.
bool RhythmicInRect(CKVMeas& meas, CKVMsg& msg, const CRect& rect)
{
    CKVMsg* probe = &msg;
    if (msg.m_byKind == MSG_CHORD && !HandleAt(msg, 0)) {
        probe = nullptr;
        for (DWORD id : tickmath::ChildIds(msg)) {
            if ((probe = tickmath::Resolve(msg, id)) != nullptr)
                break;
        }
        if (!probe)
            return false;
    }
    CRect handle;
    if (!FirstHandleRect(meas, *probe, handle))
        return false;
    const POINT hit = selhit::HitPoint(handle);
    return ::PtInRect(&rect, hit) != 0;
}

bool OfVoice(const CKVMsg& msg, unsigned char voice)
{
    return voice == 0 || msg.m_byVoice == voice;
}

// A chord under a rectangle is taken note by note, each by the hit point of
// its own handle, as the delete takes it: a rectangle across a chord cuts
// the notes it holds and leaves the others standing, so the copy carries
// those notes and no others. The chord is copied whole, then its copy gives
// up the copies of the notes left out (found through the key table that the
// copy filled); one note left stands alone. `taken` receives the chord, or
// the notes taken when some stay. Null when no note is taken.
CKVMsg* CopyChordInRect(CKVMeas& meas, CKVMsg& chord, const CRect& rect, unsigned char voice, CKVMeas& target,
                        std::vector<CKVMsg*>& taken)
{
    std::vector<CKVMsg*> hit;
    std::vector<DWORD> left;
    for (DWORD id : tickmath::ChildIds(chord)) {
        CKVMsg* note = tickmath::Resolve(chord, id);
        if (!note || note->m_byKind != MSG_NOTE)
            continue;
        if (OfVoice(*note, voice) && RhythmicInRect(meas, *note, rect))
            hit.push_back(note);
        else
            left.push_back(note->m_dwMsgId);
    }
    CKVMsg* copy = hit.empty() ? nullptr : chord.CopyToParent(&target, kHolderOwns);
    if (!copy)
        return nullptr;
    if (left.empty()) {
        taken.push_back(&chord);
        return copy;
    }
    taken.insert(taken.end(), hit.begin(), hit.end());
    CKVSystem& temp = *target.m_pSystem;
    for (DWORD id : left) {
        const DWORD copyId = temp.GetKey(id, 0);
        for (short i = 0; copyId != 0 && i < copy->GetMsgNum(); ++i) {
            if (copy->m_arrMsgRef.GetAt(i)->dwMsgId == copyId) {
                // The copy stays in the temporary map, which frees it.
                copy->RemoveAt(i);
                break;
            }
        }
    }
    if (copy->GetMsgNum() != 1)
        return copy;
    CKVMsg* note = copy->GetMsg(0);
    target.DisAssembleBeam(copy);
    return note;
}

// The copy of a note, rest or chord the walk met, or null when the selection
// does not take it; `taken` receives what the copy stands for.
CKVMsg* CopyRhythmic(CKVMeas& meas, CKVMsg& msg, int useRect, const CRect& rect, unsigned char voice,
                     CKVMeas& target, std::vector<CKVMsg*>& taken)
{
    if (!OfVoice(msg, voice))
        return nullptr;
    if (useRect && msg.m_byKind == MSG_CHORD)
        return CopyChordInRect(meas, msg, rect, voice, target, taken);
    if (useRect && !RhythmicInRect(meas, msg, rect))
        return nullptr;
    CKVMsg* copy = msg.CopyToParent(&target, kHolderOwns);
    if (copy)
        taken.push_back(&msg);
    return copy;
}

// A cut symbol hands its tuplet and its ties and slurs over first, as the
// document's delete does.
void HandOver(CKVMsg& msg)
{
    CKVDoc* doc = DocOf(msg);
    if (!doc)
        return;
    doc->TupletMsgDelProc(&msg);
    doc->TieSlurMsgDelProc(&msg);
}

// A beam group of the cut measure: rests at its ends go back to the
// measure, a group of one member is dissolved and an empty one removed.
void TrimGroup(CKVMeas& meas, CKVMsg& group)
{
    for (int end = 0; end < 2; ++end) {
        for (;;) {
            const short count = group.GetMsgNum();
            if (count == 0)
                break;
            const short index = end == 0 ? static_cast<short>(count - 1) : 0;
            CKVMsg* member = group.GetMsg(index);
            if (!member || member->m_byKind != MSG_REST)
                break;
            group.RemoveAt(index);
            member->m_wFlag &= static_cast<WORD>(~MSGFLAG_BEAM_MEMBER);
            meas.AddMsg(member, kHolderOwns);
        }
    }
    if (group.GetMsgNum() == 1)
        meas.DisAssembleBeam(&group);
    else if (group.GetMsgNum() == 0)
        meas.DeleteMsg(&group, kUnlinkAndFree);
}

} // namespace

short CKVMeas::CopyToSelRect(CKVMeas* target, int useRect, CRect rect, unsigned char voice, int cut)
{
    if (!target || !m_pSystem)
        return 0;
    if (m_wHeadLen > 0 && m_pHead)
        target->SetHead(static_cast<short>(m_wHeadLen), m_pHead);
    target->m_byInitClef = m_byInitClef;
    target->m_byKeyType = m_byKeyType;
    target->m_byKeyCount = m_byKeyCount;
    target->m_byKeyByte1 = m_byKeyByte1;
    CKVStaff* ownStaff = measplace::StaffOf(*this);
    CKVStaff* targetStaff = measplace::StaffOf(*target);
    if (ownStaff && targetStaff)
        targetStaff->m_wStaffWord = ownStaff->m_wStaffWord;

    // Chords whole, in time order, the measure's own notes only.
    ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    RemainNoteRest();
    std::vector<CKVMsg*> taken;
    std::vector<CKVMsg*> copies;
    short cursor = 0;
    while (CKVMsg* msg = GetNextMsg(cursor)) {
        if (CKVMsg* copy = CopyRhythmic(*this, *msg, useRect, rect, voice, *target, taken))
            copies.push_back(copy);
    }
    if (cut) {
        for (CKVMsg* msg : taken) {
            HandOver(*msg);
            DeleteMsg(msg, kUnlinkAndFree);
        }
    }

    // The copied music starts at 0; grace notes move with it.
    short shift = 0;
    for (CKVMsg* copy : copies) {
        if (!(copy->m_wFlag & MSGFLAG_GRACE)) {
            shift = copy->m_nPosX;
            break;
        }
    }
    short largest = 0;
    for (CKVMsg* copy : copies) {
        copy->OffsetX(static_cast<short>(-shift));
        if (!(copy->m_wFlag & MSGFLAG_GRACE) && copy->m_nPosX > largest)
            largest = copy->m_nPosX;
    }
    target->m_wObjWord = voice;
    target->m_dwWord = static_cast<DWORD>(largest);

    for (DWORD id : tickmath::ChildIds(*this)) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (!msg || !OfVoice(*msg, voice))
            continue;
        const BYTE kind = msg->m_byKind;
        if (kind == MSG_NOTE || kind == MSG_REST || kind == MSG_CLEF || kind == MSG_CHORD)
            continue;
        if (kind == MSG_BEAM) {
            // Only a cut changes the source.
            if (cut)
                TrimGroup(*this, *msg);
            continue;
        }
        CRect handle;
        if (useRect && (!FirstHandleRect(*this, *msg, handle) || !Meets(handle, rect)))
            continue;
        CKVMsg* copy = msg->CopyToParent(target, kHolderOwns);
        if (!copy)
            continue;
        copy->OffsetX(static_cast<short>(-shift));
        if (cut)
            DeleteMsg(msg, kUnlinkAndFree);
    }

    target->m_nLeftX = shift;
    for (DWORD id : tickmath::ChildIds(*target)) {
        CKVMsg* msg = tickmath::Resolve(*target, id);
        if (msg && (tickmath::IsNoteRestChord(*msg) || msg->m_byKind == MSG_BEAM))
            msg->ChangeParent(target);
    }
    if (voice == 0) {
        for (int v = 1; v <= kVoices; ++v)
            target->AutoBindByChord(static_cast<BYTE>(v));
    } else {
        target->AutoBindByChord(voice);
    }
    return 1;
}

short CKVMeas::CopyToStaff(CKVStaff* staff, WORD from, WORD to)
{
    if (!staff || !staff->m_pSystem)
        return -1;
    for (DWORD id : tickmath::ChildIds(*this)) {
        CKVMsg* msg = tickmath::Resolve(*this, id);
        if (!msg || msg->m_nPosX < static_cast<short>(from) || msg->m_nPosX > static_cast<short>(to))
            continue;
        CKVMsg* copy = kvcopy::NewSymbolFor(*staff, *msg);
        if (!copy)
            return -1;
        if (!copy->CreateFrom(msg)) {
            delete copy;
            return -1;
        }
        if (staff->AddMsg(copy, kHolderOwns, kParentHere) <= 0) {
            staff->m_pSystem->RemoveMsgFromMap(copy->m_dwMsgId);
            return -1;
        }
    }
    return 1;
}
