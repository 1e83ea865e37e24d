// Grouping commands over the selection: beaming by hand and by the beat,
// tremolos, grace notes, chords, and chord symbols hung under notes.

#include "document/KVDoc.h"

#include "document/SelHit.h"
#include "document/SelRect.h"
#include "edit/EditFrame.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/TickMath.h"
#include "timing/VoiceRoom.h"

#include <algorithm>
#include <functional>
#include <set>
#include <vector>

namespace {

void ForEachMeasOf(CKVStaffPtrArray* staves, const std::function<void(CKVMeas&)>& visit)
{
    for (int s = 0; staves && s < staves->GetSize(); ++s) {
        CKVStaff* staff = staves->GetAt(s);
        for (int m = 0; staff && m < staff->m_arrMeas.GetSize(); ++m) {
            if (CKVMeas* meas = staff->m_arrMeas.GetAt(m))
                visit(*meas);
        }
    }
}

// Whether a beam-group member's hit point lies in the test rectangle; a
// chord is hit by any of its notes.
bool MemberHit(const selhit::MeasPlace& place, CKVMsg& member, const CRect& test)
{
    if (member.m_byKind != MSG_CHORD)
        return selhit::IsHit(*place.block, place.measIndex, place.staffIndex, *place.meas, member, test);
    for (CKVMsg* note : measplace::ChordNotes(member)) {
        if (selhit::IsHit(*place.block, place.measIndex, place.staffIndex, *place.meas, *note, test))
            return true;
    }
    return false;
}

// Breaks one beam group at the edges of the stretch of members hit.
void BreakGroup(const selhit::MeasPlace& place, CKVMsg& group, const CRect& test, short mode)
{
    const std::vector<CKVMsg*> members = tickmath::Members(group);
    bool inside = false;
    int lastHit = -1;
    for (int i = 0; i < static_cast<int>(members.size()); ++i) {
        CKVMsg* member = members[i];
        const bool hit = MemberHit(place, *member, test);
        if (hit && !inside) {
            lastHit = i;
            if (i > 0) {
                member->MakeSubBeam(1, mode);
                const bool afterDotted = i == 1 ? members[0]->m_byDots != 0 : members[i - 2]->m_byDots != 0;
                if (afterDotted)
                    member->SetTail(1);
            }
            inside = true;
        } else if (hit) {
            lastHit = i;
            member->MakeSubBeam(0, mode);
        } else if (inside && i == lastHit + 1) {
            if (member->m_byKind == MSG_REST)
                lastHit = i;
            else
                member->MakeSubBeam(1, mode);
        }
    }
}

} // namespace

void CKVDoc::MakeSubBeam(short voice, short mode)
{
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    for (int v = 1; v <= CKVCtrlTool::kVoices; ++v) {
        if (voice && voice != v)
            continue;
        for (int r = 0; m_pSelRectArray && r < m_pSelRectArray->GetSize(); ++r) {
            const SelRect* rec = static_cast<SelRect*>(m_pSelRectArray->GetAt(r));
            if (!rec || rec->nKind != SelRect::kRect || (rec->pPage && rec->pPage != m_pCurPage))
                continue;
            const SelRect now = *rec;
            selhit::ForEachMeas(*this, now, [&](const selhit::MeasPlace& place) {
                if (place.page != m_pCurPage || !place.meas || !selhit::Selects(now, place.block, place.meas))
                    return true;
                const CRect test =
                    selhit::TestRect(now, *place.block, place.staff, place.meas, selhit::kRightEdgeAsStored);
                std::vector<CKVMsg*> groups;
                tickmath::ForEachChild(*place.meas, [&](CKVMsg* child, short) {
                    if (child->m_byKind == MSG_BEAM && child->m_byVoice == v)
                        groups.push_back(child);
                    return false;
                });
                for (CKVMsg* group : groups)
                    BreakGroup(place, *group, test, mode);
                return true;
            });
        }
    }
    frame.Close();
}

void CKVDoc::BindByBeamGroup(int voice, int a2)
{
    // Each range's groups are broken first; a measure their members could
    // crowd past its record keeps them.
    if (!SelRangeGroupsDissolve(voice))
        return;
    const BYTE v = static_cast<BYTE>(voice);
    ForEachSelRange(voice, 0, 1, [&](CKVMeas& meas, short first, short last, bool groupSeen, bool) {
        if (groupSeen)
            meas.DisAssembleBeam(v, first, last, a2);
        else
            meas.BindGroupByBeam(v, first, last, a2);
    });
    m_bModified = 1;
}

void CKVDoc::BindByBeamBeat(int voice, int a2, int)
{
    if (!SelRangeGroupsDissolve(voice))
        return;
    const BYTE v = static_cast<BYTE>(voice);
    ForEachSelRange(voice, 0, 1, [&](CKVMeas& meas, short first, short last, bool groupSeen, bool lastOfRecord) {
        if (groupSeen) {
            meas.DisAssembleBeam(v, first, last, 0);
            return;
        }
        meas.BindByBeam(v, first, last, 0, a2);
        if (lastOfRecord)
            meas.MakeTupletMsg(v, static_cast<short>(a2), 1);
    });
    m_bModified = 1;
}

void CKVDoc::MakeChord(int voice)
{
    // The groups and chords of each range are broken before its notes are
    // joined; a measure that could be left with more symbols than its record
    // counts is left as it is.
    if (!SelRangeGroupsDissolve(voice, true))
        return;
    RemoveTremoloSelRect();
    const BYTE v = static_cast<BYTE>(voice);
    ForEachSelRange(voice, 1, 0, [&](CKVMeas& meas, short first, short last, bool, bool) {
        // Two records may give one measure two ranges, and the chord of the
        // first then stands in the second, which the judgement above could
        // not see: each range is judged again on the measure as it stands.
        CVoiceRoom range;
        range.MakeChord(meas, v, first, last);
        if (range.Fits())
            meas.MakeChord(v, first, last);
    });
    m_bModified = 1;
}

void CKVDoc::RemoveTremoloSelRect()
{
    CEditFrame frame(*this);
    for (CKVMsg* msg : frame.Collect(m_CtrlTool.m_wActiveVoice)) {
        if (msg->m_byKind == MSG_NOTE)
            msg->RemoveTremolo();
    }
}

void CKVDoc::BindByTremolo(int strokes)
{
    const int voice = m_CtrlTool.m_wActiveVoice;
    if (!SelRangeGroupsDissolve(voice))
        return;
    CEditFrame frame(*this);
    // A failed backup leaves the live measures outside any undo step, so
    // nothing is changed then.
    if (!frame.Open())
        return;
    if (voice)
        DisAssembleBeam(voice);
    else {
        for (int v = 1; v <= CKVCtrlTool::kVoices; ++v)
            DisAssembleBeam(v);
    }
    const std::vector<CKVMsg*> notes = frame.Collect(voice);
    for (CKVMsg* msg : notes) {
        if (msg->m_byKind == MSG_NOTE && (msg->m_wFlag & MSGFLAG_TREMOLO_START))
            msg->RemoveTremolo();
    }
    for (CKVMsg* msg : notes) {
        if (msg->m_byKind == MSG_NOTE && !(msg->m_wFlag & (MSGFLAG_TREMOLO_START | MSGFLAG_TREMOLO_END)))
            msg->BindByTremolo(strokes);
    }
    frame.Close();
}

void CKVDoc::ChangeToGrace(int voice)
{
    // Grace notes made ordinary take their time again: a voice that would
    // run past its ticks leaves the command undone before anything changes.
    {
        CVoiceRoom room;
        CEditFrame query(*this, CEditFrame::Use::Query);
        for (CKVMsg* msg : query.Collect(voice))
            room.ToggleGrace(*msg);
        if (!room.Fits())
            return;
    }
    CEditFrame frame(*this);
    // Into the step already open: with every page selected the command
    // reaches every staff, so the whole document goes into it (records
    // beside that would narrow it to their own measures); otherwise the
    // selected measures, then the far ends of their ties and slurs, which
    // the re-timing below may re-judge.
    if (frame.WholeScore()) {
        ObjectBackup(1);
    } else {
        if (!SelMeasBackup(1))
            return;
        SelFarEndBackup();
    }
    std::vector<CKVMsg*> groups;
    std::vector<CKVMeas*> measures;
    for (CKVMsg* msg : frame.Collect(voice)) {
        if (!tickmath::IsNoteGroupOrChord(*msg))
            continue;
        msg->MakeGraceNote();
        if (msg->m_byKind == MSG_BEAM)
            groups.push_back(msg);
        CKVMeas* meas = tickmath::MeasureOf(msg);
        if (meas && std::find(measures.begin(), measures.end(), meas) == measures.end())
            measures.push_back(meas);
    }
    for (CKVMsg* group : groups) {
        group->ChangeNoteDirection(1, 0);
        CKVMeas* meas = tickmath::MeasureOf(group);
        const int width = meas ? meas->GetRealWidth() : 0;
        if (width <= 0)
            continue;
        const int step = MulDiv(measplace::LineSpacingOf(*group), 256, width);
        const std::vector<CKVMsg*> members = tickmath::Members(*group);
        for (size_t i = 1; i < members.size(); ++i) {
            CKVMsg* member = members[i];
            short x = member->m_nPosX;
            if (member->m_wFlag & MSGFLAG_GRACE)
                x = static_cast<short>(members[i - 1]->m_nPosX + step);
            member->SetNotePos(x);
            group->m_nPosX2 = x;
        }
    }
    // A grace note starts where it stands, so the measures are timed once
    // their groups' members have their new places (a save and a load work
    // the starts out from those).
    for (CKVMeas* meas : measures)
        meas->UpdateStartTime(static_cast<BYTE>(voice), 0, 0, 1);
    m_bModified = 1;
}

void CKVDoc::BelongChordSymbolToNote()
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (!master)
        return;
    auto attach = [](CKVMeas& meas) { meas.BelongChordSymbolToNote(); };
    ForEachMeasOf(master->m_pStaffArray, attach);
    ForEachMeasOf(master->m_pOssiaStaffArray, attach);
}
