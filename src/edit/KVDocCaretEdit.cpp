// The carets: where a beat of a measure stands, moving the play caret,
// deleting what stands at the entry caret, and adding a prepared symbol to
// a measure.

#include "document/KVDoc.h"

#include "MemoryGuard.h"
#include "document/CopyPtrMap.h"
#include "document/GroupMembers.h"
#include "document/KVFileInfo.h"
#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/MeasPlace.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/TickMath.h"
#include "timing/TieLinks.h"
#include "timing/VoiceRoom.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kNoPosition = 0xFFFF;
constexpr int kCaretMemory = 1000000;

// The beat a tick falls in: ticks x numerator / length, in integers.
int BeatOf(long ticks, const CKVMeas& meas)
{
    return static_cast<int>(ticks * meas.m_nTimeNum / meas.m_nLength);
}

// Scans one staff's measure for the beat: `result` takes the x of the
// leftmost symbol starting on it, `latest` the x of the latest one sounding
// across it.
void ScanMeasForBeat(CKVMeas& meas, int beat, int& result, int& latest)
{
    // A measure without length has no beats to find.
    if (meas.m_nLength <= 0)
        return;
    for (short i = 0; i < meas.GetMsgNum(); ++i) {
        CKVMsg* msg = meas.GetMsg(i);
        if (!msg || !tickmath::IsVoiceEntry(*msg))
            continue;
        if (msg->m_byKind == MSG_BEAM) {
            // A group stands on the beat by its member that starts there.
            for (short k = 0; k < msg->GetMsgNum(); ++k) {
                CKVMsg* member = msg->GetMsg(k);
                if (member && BeatOf(member->m_nStartTime, meas) == beat && member->m_nPosX < result) {
                    msg = member;
                    break;
                }
            }
        }
        const int start = BeatOf(msg->m_nStartTime, meas);
        const int end = BeatOf(static_cast<long>(msg->m_nStartTime) + msg->m_nPlayTime, meas);
        if (start == beat && msg->m_nPosX < result) {
            result = msg->m_nPosX;
            return;
        }
        if (start < beat && beat < end)
            latest = std::max<int>(latest, msg->m_nPosX);
    }
}

// Whether a symbol of a measure's copy stands for one of the original.
bool SameSymbol(const CKVMsg* copy, const CKVMsg& original)
{
    return copy && copy->m_byKind == original.m_byKind && copy->m_byVoice == original.m_byVoice &&
           copy->m_nPosX == original.m_nPosX && copy->m_nPosY == original.m_nPosY &&
           copy->m_nStartTime == original.m_nStartTime && copy->GetMsgNum() == original.GetMsgNum();
}

// The child of `node` that stands for `original`, looked for at its old
// place first: the copy keeps the order of the children as a rule, but not
// where the original's list was out of order.
CKVMsg* CopyOf(CKVObject& node, short place, const CKVMsg& original)
{
    if (CKVMsg* child = node.GetMsg(place); SameSymbol(child, original))
        return child;
    for (short i = 0; i < node.GetMsgNum(); ++i) {
        if (CKVMsg* child = node.GetMsg(i); SameSymbol(child, original))
            return child;
    }
    return nullptr;
}

bool WithinTolerance(const CKVMsg& msg, short pasteX, int tolerance)
{
    return std::abs(msg.m_nPosX - pasteX) <= tolerance;
}

} // namespace

short CKVDoc::GetBeatCaretPos(int beat, int beatsPerMeasure, int meas)
{
    int result = kNoPosition;
    int latest = -1;
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    for (short s = 0; master && s < master->GetStaffNum(); ++s) {
        CKVStaff* staff = master->GetStaff(s);
        CKVMeas* m = staff ? staff->GetMeas(meas) : nullptr;
        if (m)
            ScanMeasForBeat(*m, beat, result, latest);
    }
    if (result != kNoPosition)
        return static_cast<short>(result);
    if (latest >= 0)
        return static_cast<short>(latest);
    if (beatsPerMeasure <= 0)
        return 0;
    return static_cast<short>(beat * 256 / beatsPerMeasure);
}

int CKVDoc::GetPlayCaretPos(int meas, int beatsPerMeasure, int beat, CPoint& point)
{
    // Playback asks at every beat: the cursor moves only when the measure
    // changes, since the jump searches every page.
    if (meas + 1 != m_nPlayCaretMeasNum) {
        m_nPlayCaretMeasNum = static_cast<short>(meas + 1);
        JumpToMeas(meas + 1);
    }
    m_nCaretPos = GetBeatCaretPos(beat, beatsPerMeasure, meas);
    CKVBlock* block = m_pCurBlock;
    if (!block)
        return 0;
    const short staves = block->GetStaffNum();
    m_nCurStaff = static_cast<short>(std::max<int>(staves - 1, 0));
    point = GetCaretXY();
    m_ptCaret = point;
    if (staves <= 0 || block->m_arrStaffY.GetSize() < staves)
        return 0;

    const int lastY = static_cast<short>(block->m_arrStaffY.GetAt(staves - 1));
    CKVStaff* first = block->GetStaff(0);
    int top = static_cast<short>(block->m_arrStaffY.GetAt(0)) - 4 * m_nStaffSpace;
    if (CKVCtrlPoint* handle = block->m_arrStaffCtrl.GetSize() > 0 ? block->m_arrStaffCtrl.GetAt(0) : nullptr)
        top = handle->m_rect.top;
    const int percent = first ? first->m_wObjWord : 100;
    return std::abs(lastY - top + MulDiv(4 * m_nStaffSpace, percent - 100, 100));
}

short CKVDoc::DeleteMsgOnCaret(short voice, short, int, int)
{
    const int tolerance = m_nStaffSpace / 2;
    if (!m_pCurMeas)
        return 0;
    ClearCopyPtrMap();
    m_pLastGroup = nullptr;
    m_pLastMember = nullptr;
    if (!CheckAvailableMemory(kCaretMemory))
        return -1;
    CKVMeas* meas = m_pCurMeas->GetCurBackupObj();
    if (meas->GetMsgNum() > 0)
        ResetBackup();

    // The symbol to delete and the group that holds it, if any, with their
    // places, which the measure's copy keeps.
    CKVMsg* target = nullptr;
    CKVMsg* group = nullptr;
    short place = -1;
    short memberPlace = -1;
    for (short i = 0; i < meas->GetMsgNum() && !target;) {
        CKVMsg* msg = meas->GetMsg(i);
        if (msg && msg->m_byKind == MSG_BEAM && msg->GetMsgNum() == 0) {
            meas->RemoveMsgAt(i);
            continue;
        }
        place = i++;
        if (!msg || voice == 0 || msg->m_byVoice != voice)
            continue;
        if (tickmath::IsNoteRestChord(*msg) && WithinTolerance(*msg, m_nCaretPos, tolerance)) {
            target = msg;
        } else if (msg->m_byKind == MSG_BEAM) {
            for (short k = 0; k < msg->GetMsgNum() && !target; ++k) {
                CKVMsg* member = msg->GetMsg(k);
                if (member && tickmath::IsNoteRestChord(*member) && WithinTolerance(*member, m_nCaretPos, tolerance)) {
                    target = member;
                    group = msg;
                    memberPlace = k;
                }
            }
        }
    }
    if (!target)
        return 0;
    // A group that loses a member hands its end rests and its last member
    // back to the measure; where that would crowd the measure past its
    // record, nothing is backed up or deleted.
    if (group) {
        CVoiceRoom room;
        room.CountGroupLeave(*group, {target});
        if (!room.Fits())
            return 0;
    }

    // The far ends of the symbol's ties and slurs change with it; they are
    // backed up in the same step, before the change.
    std::vector<CKVMeas*> far;
    tielink::CollectFarEnds(*target, [meas](const CKVMeas* m) { return m == meas; }, far);
    meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
    for (CKVMeas* other : far)
        other->GetCurBackupObj()->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
    CKVMeas* live = meas->GetCurBackupObj();
    if (live != meas) {
        meas = live;
        if (group) {
            group = CopyOf(*meas, place, *group);
            target = group ? CopyOf(*group, memberPlace, *target) : nullptr;
        } else {
            target = CopyOf(*meas, place, *target);
        }
    }
    if (!target)
        return 0;

    const short x = target->m_nPosX;
    TupletMsgDelProc(target);
    meas->RemoveMidiMsgFromXToNextNote(x);
    TieSlurMsgDelProc(target);
    CKVObject* holder = group ? static_cast<CKVObject*>(group) : meas;
    const short at = tielink::IndexOfChild(*holder, target);
    if (at >= 0)
        holder->RemoveMsgAt(at);

    if (group) {
        groupmembers::GiveBackEndRests(*meas, *group);
        if (group->GetMsgNum() == 1) {
            groupmembers::ReplaceByMember(*meas, *group, 0);
        } else if (group->GetMsgNum() == 0) {
            const short g = tielink::IndexOfChild(*meas, group);
            if (g >= 0)
                meas->RemoveMsgAt(g);
        }
    }

    const BYTE byVoice = static_cast<BYTE>(voice);
    meas->UpdateStartTime(byVoice, 1, 1, kPerformedStartStays);
    for (short i = 0; i < meas->GetMsgNum(); ++i) {
        CKVMsg* msg = meas->GetMsg(i);
        if (msg && msg->m_byVoice == byVoice)
            msg->NoteSpaceOrder();
    }
    m_rcRedraw.SetRectEmpty();
    SetInvalidRect(m_pCurBlock, meas);
    m_bModified = 1;
    return 1;
}

CKVMsg* CKVDoc::InsertNewMsg(short staff, LONG meas, CKVMsg* msg)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (!msg || !master || staff < 0 || staff >= master->GetStaffNum())
        return nullptr;
    CKVStaff* owner = master->GetStaff(staff);
    CKVMeas* target = owner ? owner->GetMeas(meas) : nullptr;
    if (!target || target->IsRestCompMeas(nullptr) != 0)
        return nullptr;
    msg->m_pParent = target;
    msg->m_pSystem = target->m_pSystem;
    return target->InsertNewMsg(*msg);
}

CSize CKVDoc::GetScreenSize()
{
    if (!m_pFileInfo)
        return CSize(0, 0);
    const CKVFileInfo& info = *m_pFileInfo;
    return CSize(static_cast<int>(info.m_lPrintWidth + info.m_nLeftMargin + info.m_nRightMargin),
                 static_cast<int>(info.m_lPrintHeight + info.m_nTopMargin + info.m_nBottomMargin));
}
