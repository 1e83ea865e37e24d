// Note attributes of the selection or the whole score (stem direction,
// display attributes, plain form, duration, spelling), the octave room and
// chord-symbol height the host asks before them, the reach of an octave line
// and the note-head widths of the document's music font.

#include "document/KVDoc.h"

#include "edit/EditFrame.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/TickMath.h"
#include "timing/VoiceRoom.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>
#include <vector>

int CKVDoc::GetHeadWidth(int code)
{
    // Fractions of the music-font height: the breve head is the widest, the
    // whole note next, every shorter value shares the black head's width.
    if (code == DUR_BREVE)
        return MulDiv(m_nFontHeight, 614, 1000);
    if (code == DUR_WHOLE)
        return MulDiv(m_nFontHeight, 412, 1000);
    return MulDiv(m_nFontHeight, 300, 1000);
}

int CKVDoc::GetHeadWidth(CKVMsg* msg)
{
    if (msg && msg->m_byKind == MSG_NOTE)
        return GetHeadWidth(msg->m_wDuration & 0xFF);
    return m_nStaffSpace;
}

namespace {

constexpr int kDefaultDirection = 3;

// The display option word keeps its high half; the low half becomes `low`.
void SetDisplayLow(CKVMsg& note, int low)
{
    note.m_dwWord = (note.m_dwWord & 0xFFFF0000u) | static_cast<WORD>(low);
}

// The kinds a voice change moves; members follow their group or chord.
bool IsMovable(const CKVMsg& msg)
{
    return msg.m_byKind == MSG_NOTE || msg.m_byKind == MSG_REST || msg.m_byKind == MSG_BEAM ||
           msg.m_byKind == MSG_TREMOLO || msg.m_byKind == MSG_CHORD;
}

// Whether the voices that a change from `from` to `to` merges into stay
// within their ticks; asked before the step opens, so that a refusal leaves
// the score and its history as they were.
bool VoiceTakesMoved(CKVDoc& doc, int from, BYTE to)
{
    if (to < 1 || to > CKVMeas::VOICES)
        return true;
    CVoiceRoom room;
    CEditFrame query(doc, CEditFrame::Use::Query);
    const auto members = query.WholeScore() ? CEditFrame::Members::DirectOnly : CEditFrame::Members::Included;
    for (CKVMsg* msg : query.Collect(0, members)) {
        if (IsMovable(*msg) && CEditFrame::VoiceMatches(*msg, from))
            room.Move(*msg, to);
    }
    return room.Fits();
}

} // namespace

void CKVDoc::ChangeNoteDirection(int voice, int direction)
{
    if (direction == 0)
        direction = kDefaultDirection;
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    if (frame.WholeScore()) {
        CEditFrame::ForEachLiveMsg(*this, CEditFrame::Members::DirectOnly, [&](CKVMeas&, CKVMsg& msg) {
            if (tickmath::IsNoteGroupOrChord(msg) && CEditFrame::VoiceMatches(msg, voice))
                msg.ChangeNoteDirection(direction, 1);
        });
        std::set<CKVMeas*> done;
        CEditFrame::ForEachLiveMsg(*this, CEditFrame::Members::DirectOnly, [&](CKVMeas& meas, CKVMsg&) {
            done.insert(&meas);
        });
        for (CKVMeas* meas : done) {
            const BYTE low = static_cast<BYTE>(voice & 0xFF);
            for (int v = low ? low : 1; v <= (low ? low : CKVCtrlTool::kVoices); ++v)
                meas->MakeTupletMsg(static_cast<BYTE>(v), static_cast<short>(direction), 1);
        }
        frame.Close();
        return;
    }
    const CRect kept = m_rcRedraw;
    const std::vector<CKVMsg*> selected = frame.Collect(voice);
    for (CKVMsg* msg : selected) {
        if (msg->m_byKind == MSG_NOTE)
            msg->ChangeNoteDirection(direction, 1);
    }
    for (CKVMsg* msg : selected) {
        if (msg->m_byKind == MSG_BEAM || msg->m_byKind == MSG_CHORD)
            msg->ChangeNoteDirection(direction, 1);
    }
    for (CKVMsg* msg : selected) {
        if (tickmath::IsNoteGroupOrChord(*msg))
            msg->TupletPosOrderOfNote();
    }
    CRect united;
    united.UnionRect(&m_rcRedraw, &kept);
    m_rcRedraw = united;
    frame.Close();
}

void CKVDoc::ChangeNoteAttr(int voice, DWORD mask, int a3, int a4, int a5, int a6, int a7, int a8)
{
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    auto noteRules = [&](CKVMsg& msg) {
        msg.ChangeNoteAttr(mask, a3, a4, a5, a6, a7);
        if (msg.m_byKind == MSG_NOTE && (mask & 0x14))
            SetDisplayLow(msg, a8);
    };
    if (frame.WholeScore()) {
        std::set<CKVMeas*> measures;
        CEditFrame::ForEachLiveMsg(*this, CEditFrame::Members::DirectOnly, [&](CKVMeas& meas, CKVMsg& msg) {
            if (!CEditFrame::VoiceMatches(msg, voice))
                return;
            measures.insert(&meas);
            if (tickmath::IsNoteGroupOrChord(msg))
                noteRules(msg);
            else if (msg.m_byKind == MSG_REST && (mask & 0x10))
                msg.m_wHeadType = 2;
        });
        if (mask & 0x02) {
            CEditFrame::ForEachLiveMsg(*this, CEditFrame::Members::DirectOnly, [&](CKVMeas&, CKVMsg& msg) {
                if (msg.m_byKind == MSG_CHORD && CEditFrame::VoiceMatches(msg, voice))
                    msg.ChordKeyOrder();
            });
        }
        frame.Close();
        return;
    }
    const std::vector<CKVMsg*> selected = frame.Collect(voice);
    for (CKVMsg* msg : selected) {
        if (msg->m_byKind == MSG_REST) {
            if (mask & 0x10)
                msg->m_wHeadType = static_cast<WORD>(a7);
            else if (mask & 0x100)
                msg->m_wSize = 0;
            continue;
        }
        if (!tickmath::IsNoteGroupOrChord(*msg))
            continue;
        noteRules(*msg);
        if (msg->m_byKind == MSG_NOTE && !(mask & 0x14) && (mask & 0x100))
            msg->m_wSize = 0;
    }
    if (mask & 0x02) {
        for (CKVMsg* msg : selected) {
            if (msg->m_byKind == MSG_NOTE || msg->m_byKind == MSG_CHORD)
                msg->ChordKeyOrder();
        }
    }
    frame.Close();
}

void CKVDoc::ChangeToRaw(int voice)
{
    // The groups dissolved give their measures their members; a measure
    // whose record could not count them all leaves the command undone.
    {
        CVoiceRoom room;
        CEditFrame query(*this, CEditFrame::Use::Query);
        for (CKVMsg* msg : query.Collect(voice)) {
            CKVMeas* meas = msg->m_byKind == MSG_BEAM ? tickmath::MeasureOf(msg) : nullptr;
            if (meas)
                room.Dissolve(*meas, msg->m_byVoice, msg->m_nPosX, msg->m_nPosX2);
        }
        if (!room.Fits())
            return;
    }
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    // Dissolving a group over its stretch frees every other group of the
    // voice that reaches into it, which the list may name later: each symbol
    // is looked up by its id when its turn comes. A group's members are
    // noted before anything is dissolved, so that the notes of a group gone
    // meanwhile take the plain form all the same.
    const std::vector<DWORD> ids = CEditFrame::Ids(frame.Collect(voice));
    std::map<DWORD, std::vector<DWORD>> members;
    for (DWORD id : ids) {
        CKVMsg* msg = CEditFrame::Live(*this, id);
        if (!msg || msg->m_byKind != MSG_BEAM)
            continue;
        std::vector<DWORD>& own = members[id];
        tickmath::ForEachChild(*msg, [&](CKVMsg* member, short) {
            own.push_back(member->m_dwMsgId);
            return false;
        });
    }
    auto plainMembers = [&](DWORD group) {
        for (DWORD id : members[group]) {
            if (CKVMsg* member = CEditFrame::Live(*this, id))
                member->ChangeToRaw(voice);
        }
    };
    for (DWORD id : ids) {
        CKVMsg* msg = CEditFrame::Live(*this, id);
        if (!msg) {
            if (members.count(id))
                plainMembers(id);
        } else if (msg->m_byKind == MSG_NOTE || msg->m_byKind == MSG_CHORD) {
            msg->ChangeToRaw(voice);
        } else if (msg->m_byKind == MSG_BEAM) {
            tickmath::MeasureOf(msg)->DisAssembleBeam(msg->m_byVoice, msg->m_nPosX, msg->m_nPosX2, 0);
            plainMembers(id);
        }
    }
    frame.Close();
}

int CKVDoc::ChangeDurationSelNote(int voice, int code, int setCode, DWORD dots, int percent, int)
{
    // Quarters and longer leave no beam group in the selection's voices.
    const BYTE low = static_cast<BYTE>(voice & 0xFF);
    const bool dissolves = code >= 0 && code <= 3 && setCode;
    // Longer values that would run a voice past its ticks, or groups whose
    // members would crowd a measure past its record, are refused before the
    // step opens: nothing changes, and the history stays as it was.
    if (dissolves && !SelRangeGroupsDissolve(low))
        return 0;
    if (code >= 0) {
        CVoiceRoom room;
        CEditFrame query(*this, CEditFrame::Use::Query);
        for (CKVMsg* msg : query.Collect(voice)) {
            if (tickmath::IsNoteRestChord(*msg))
                room.Retime(*msg, CVoiceRoom::TicksWith(*msg, setCode ? static_cast<WORD>(code) : msg->m_wDuration,
                                                        static_cast<BYTE>(dots), static_cast<WORD>(msg->m_wObjWord)));
        }
        if (!room.Fits())
            return 0;
    }
    CEditFrame frame(*this);
    if (!frame.Open())
        return 0;
    if (dissolves) {
        for (int v = low ? low : 1; v <= (low ? low : CKVCtrlTool::kVoices); ++v)
            DisAssembleBeam(v);
    }
    const std::vector<CKVMsg*> selected = frame.Collect(voice);
    for (CKVMsg* msg : selected) {
        if (tickmath::IsNoteRestChord(*msg))
            msg->ChangeDurationSelNote(code, setCode, dots, percent);
    }
    for (CKVMsg* msg : selected) {
        if (msg->m_byKind == MSG_CHORD)
            msg->ChordDotOrder();
    }
    frame.Close();
    return 1;
}

void CKVDoc::ChangeAccidental(int voice, short direction)
{
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    const std::vector<CKVMsg*> selected = frame.Collect(voice);
    for (CKVMsg* msg : selected) {
        if (msg->m_byKind == MSG_NOTE)
            msg->ChangeOtherName(static_cast<BYTE>(direction));
    }
    for (CKVMsg* msg : selected) {
        if (msg->m_byKind == MSG_CHORD)
            msg->ChordDotOrder();
    }
    frame.Close();
}

void CKVDoc::ChangeAccidentalFlat(int voice)
{
    ChangeAccidental(voice, 1);
}

void CKVDoc::ChangeAccidentalSharp(int voice)
{
    ChangeAccidental(voice, 2);
}

void CKVDoc::ChangeAccidentalEnharmonic(int voice)
{
    ChangeAccidental(voice, 3);
}

short CKVDoc::GetEnableOctaveOnSelNote(int voice, short* up, short* down)
{
    constexpr short kNoRoom = 9;
    if (up)
        *up = kNoRoom;
    if (down)
        *down = kNoRoom;
    if (GetSelMsgCount() < 1)
        return -1;
    int highest = 0;
    int lowest = 127;
    CEditFrame frame(*this, CEditFrame::Use::Query);
    for (CKVMsg* msg : frame.Collect(voice)) {
        if (msg->m_byKind != MSG_NOTE)
            continue;
        const int key = msg->GetMidiKey();
        highest = std::max(highest, key);
        lowest = std::min(lowest, key);
    }
    if (up)
        *up = static_cast<short>((127 - highest) / 12);
    if (down)
        *down = static_cast<short>(lowest / 12);
    return 1;
}

short CKVDoc::GetMeasActedBy8va(CKVMsg* line, short& endX)
{
    if (!line || (line->m_byKind != MSG_OCTAVE && line->m_byKind != MSG_TRILL))
        return -1;
    CKVMeas* meas = tickmath::MeasureOf(line);
    CKVBlock* block = meas ? GetBlockByMeas(meas) : nullptr;
    CKVObject* parent = meas ? meas->m_pParent : nullptr;
    if (!block || !parent || (parent->m_byObjKind != OBJ_STAFF && parent->m_byObjKind != OBJ_OSSIA_STAFF))
        return -1;
    CKVStaff* staff = static_cast<CKVStaff*>(parent);
    const int i = staff->GetMeasIndex(meas) - block->m_nFirstMeas;
    const int measCount = std::min<int>(block->m_nMeasCount, static_cast<int>(block->m_arrMeasX.GetSize()) - 1);
    if (i < 0 || i >= measCount)
        return -1;
    const int s = block->m_arrMeasX.GetAt(i) + meas->MeasXToAbsX(line->m_nPosX, line->m_byKind);
    const int e = s + line->m_nPosX2;
    int count = 0;
    for (int j = i; j < measCount; ++j) {
        const int left = block->m_arrMeasX.GetAt(j);
        const int right = block->m_arrMeasX.GetAt(j + 1);
        if (left > e || right < s)
            continue;
        ++count;
        if (right >= e) {
            CKVMeas* reached = staff->GetMeas(block->m_nFirstMeas + j);
            endX = reached ? reached->AbsXToMeasX(static_cast<short>(e - left)) : 0;
            return static_cast<short>(block->m_nFirstMeas + i + count - 1);
        }
    }
    if (count == 0)
        return -1;
    endX = 255;
    return static_cast<short>(count);
}

int CKVDoc::GetChordPos(CKVBlock* block, CKVMeas* meas)
{
    if (!block || !meas || block->m_arrStaffEntry.GetSize() == 0)
        return -1;
    for (int i = 0; i < block->m_arrStaffEntry.GetSize(); ++i) {
        const BlockStaffEntry* entry = block->m_arrStaffEntry.GetAt(i);
        if (!entry || !entry->pStaff || static_cast<CKVObject*>(entry->pStaff) != meas->m_pParent)
            continue;
        const int size = static_cast<short>(entry->pStaff->m_wObjWord);
        return -(4 * m_nStaffSpace * size / 100) - entry->wValue;
    }
    return -1;
}

void CKVDoc::ChangeVoice(int from, int to)
{
    const BYTE target = static_cast<BYTE>(to);
    if (!VoiceTakesMoved(*this, from, target))
        return;
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    if (frame.WholeScore()) {
        // Group and chord members follow their container, as on a selection.
        std::vector<CKVMeas*> measures;
        CEditFrame::ForEachLiveMsg(*this, CEditFrame::Members::DirectOnly, [&](CKVMeas& meas, CKVMsg& msg) {
            if (measures.empty() || measures.back() != &meas)
                measures.push_back(&meas);
            if (IsMovable(msg) && CEditFrame::VoiceMatches(msg, from))
                msg.ChangeVoice(target);
        });
        // Notes joining a voice that has notes of its own take their places
        // in it: both voices are timed again (which also settles tremolos).
        for (CKVMeas* meas : measures) {
            meas->UpdateStartTime(static_cast<BYTE>(from), 0, 0, kPerformedStartStays);
            meas->UpdateStartTime(target, 0, 0, kPerformedStartStays);
        }
        frame.Close();
        return;
    }
    const std::vector<CKVMsg*> selected = frame.Collect(0);
    for (CKVMsg* msg : selected) {
        if (!IsMovable(*msg) || !CEditFrame::VoiceMatches(*msg, from))
            continue;
        msg->ChangeVoice(target);
        if (msg->m_byKind == MSG_NOTE)
            msg->MakeMidiMsgFromY(1);
    }
    // The measures are taken before any of them is re-timed: rebuilding
    // the tuplets of one measure re-beams it, which may free a group or a
    // note that a later entry of the list names.
    std::vector<std::pair<CKVMeas*, bool>> work;
    std::set<CKVMeas*> timed;
    std::set<CKVMeas*> tremolos;
    for (CKVMsg* msg : selected) {
        CKVMeas* meas = tickmath::MeasureOf(msg);
        if (!meas)
            continue;
        if (msg->m_byKind == MSG_TREMOLO) {
            if (tremolos.insert(meas).second)
                work.emplace_back(meas, true);
        } else if (IsMovable(*msg) && timed.insert(meas).second) {
            work.emplace_back(meas, false);
        }
    }
    const BYTE source = static_cast<BYTE>(from);
    const BOOL autoBeam = CKVCtrlTool::m_fIsAutoBeam;
    for (const auto& [meas, tremolo] : work) {
        if (tremolo) {
            meas->UpdateTremolo();
            continue;
        }
        meas->UpdateStartTime(source, 0, 0, 0);
        meas->UpdateStartTime(target, 0, 0, 0);
        meas->UpdateNoteKeySignature(0, 0, 1, 0);
        meas->MakeTupletMsg(source, 3, autoBeam);
        meas->MakeTupletMsg(target, 3, autoBeam);
    }
    frame.Close();
}
