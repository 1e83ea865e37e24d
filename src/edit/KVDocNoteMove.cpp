// Pitch, staff position, place and the note/rest toggle of the selected
// notes: transposing, putting a symbol at a staff position, nudging by one
// unit, and the tablature step.

#include "document/KVDoc.h"

#include "edit/EditFrame.h"
#include "edit/PasteState.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"
#include "timing/VoiceRoom.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace {

// The measure a note is drawn in: the staff above's or below's for a
// cross-staff note when there is one, else its own.
CKVMeas* ShownMeas(CKVMsg& msg)
{
    CKVMeas* meas = tickmath::MeasureOf(&msg);
    if (!meas)
        return nullptr;
    CKVMeas* other = nullptr;
    if (msg.m_wFlag & MSGFLAG_STAFF_UP)
        other = meas->GetUpMeas();
    else if (msg.m_wFlag & MSGFLAG_STAFF_DOWN)
        other = meas->GetDownMeas();
    return other ? other : meas;
}

BYTE StaffKindOf(CKVMeas* meas)
{
    CKVObject* parent = meas ? meas->m_pParent : nullptr;
    if (!parent || (parent->m_byObjKind != OBJ_STAFF && parent->m_byObjKind != OBJ_OSSIA_STAFF))
        return CKVStaff::KIND_NORMAL;
    return static_cast<CKVStaff*>(parent)->m_byStaffKind;
}

// The stem direction the host set for a symbol's own voice; false for a
// voice outside 1 to 8.
bool StemDirectionOf(const CKVMsg& msg, int& direction)
{
    if (msg.m_byVoice < 1 || msg.m_byVoice > 8)
        return false;
    direction = PasteStemDirection(msg.m_byVoice);
    return true;
}

void AddOnce(std::vector<CKVMeas*>& list, CKVMeas* meas)
{
    if (meas && std::find(list.begin(), list.end(), meas) == list.end())
        list.push_back(meas);
}

// A new note or rest that takes the place of `old` under its id, with its
// place, start and played start, duration and voice; the replaced symbol is
// deleted. Null, with `old` kept, when memory is short.
CKVMsg* ReplaceUnderId(CKVMsg& old, BYTE kind, short y)
{
    CKVSystem* system = old.m_pSystem;
    if (!system || old.m_dwMsgId == 0)
        return nullptr;
    CKVMsg* made = KvNewChild<CKVMsg>(system, OBJ_MSG, old.m_pParent, old.m_byParentKind);
    if (!made)
        return nullptr;
    made->m_byKind = kind;
    made->m_wDuration = old.m_wDuration;
    made->m_byDots = old.m_byDots;
    made->m_wObjWord = old.m_wObjWord;
    made->m_byVoice = old.m_byVoice;
    made->m_nStartTime = old.m_nStartTime;
    made->m_nPerformStart = old.m_nPerformStart;
    made->m_nPosX = old.m_nPosX;
    made->m_nPosY = y;
    made->m_wHeadType = 1;
    made->m_wSize = MSG_SIZE_NORMAL;
    made->CalcPlayTime();
    system->AddMsgToMap(old.m_dwMsgId, made, 1);
    return made;
}

// The notes of the selected chords: a chord selected is the one to change,
// not its notes.
std::set<DWORD> NotesOfChords(const std::vector<CKVMsg*>& selected)
{
    std::set<DWORD> notes;
    for (CKVMsg* msg : selected) {
        if (msg->m_byKind != MSG_CHORD)
            continue;
        tickmath::ForEachChild(*msg, [&](CKVMsg* note, short) {
            notes.insert(note->m_dwMsgId);
            return false;
        });
    }
    return notes;
}

// Whether turning the selected notes into rests and back leaves every voice
// within its ticks and every measure within its record: a grace note or
// chord made a rest is timed in its voice, and a selected group that the
// toggle leaves with rests at its ends gives them to its measure. Judged on
// the selection as the command will collect it, before anything changes.
bool RestToggleFits(CKVDoc& doc, unsigned char voice)
{
    CEditFrame query(doc, CEditFrame::Use::Query);
    const std::vector<CKVMsg*> selected = query.Collect(voice);
    const std::set<DWORD> chordNotes = NotesOfChords(selected);
    CVoiceRoom room;
    std::map<const CKVMsg*, BYTE> kinds;
    std::vector<CKVMsg*> groups;
    for (CKVMsg* msg : selected) {
        switch (msg->m_byKind) {
        case MSG_NOTE:
            if (chordNotes.count(msg->m_dwMsgId))
                break;
            [[fallthrough]];
        case MSG_CHORD:
            if (tickmath::IsGrace(*msg))
                room.ToggleGrace(*msg);
            kinds[msg] = MSG_REST;
            break;
        case MSG_REST:
            kinds[msg] = MSG_NOTE;
            break;
        case MSG_BEAM:
            groups.push_back(msg);
            break;
        default:
            break;
        }
    }
    for (CKVMsg* group : groups) {
        std::vector<BYTE> after;
        for (CKVMsg* member : tickmath::LiveChildren(*group)) {
            const auto changed = kinds.find(member);
            after.push_back(changed == kinds.end() ? member->m_byKind : changed->second);
        }
        room.TidyGroup(*group, after);
    }
    return room.Fits();
}

} // namespace

void CKVDoc::ChangePitchSelNote(int voice, int up, int quality, int steps, int key)
{
    if (m_bSelectAllPages) {
        // Every page selected: the step opens, no note changes.
        ResetBackup();
        m_bModified = 1;
        return;
    }
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    const BYTE low = static_cast<BYTE>(voice & 0xFF);
    auto settle = [low](CKVMeas* meas) {
        meas->UpdateNoteKeySignature(0, 1, 1, 0);
        meas->UpdatePos(low, 3, 0, 0);
    };
    CKVMeas* inHand = nullptr;
    for (CKVMsg* msg : frame.Collect(voice)) {
        if (msg->m_byKind != MSG_NOTE)
            continue;
        CKVMeas* meas = ShownMeas(*msg);
        if (meas != inHand) {
            if (inHand)
                settle(inHand);
            inHand = meas;
        }
        msg->Transpose(up, static_cast<short>(quality), static_cast<short>(steps), static_cast<short>(key), 1);
    }
    if (inHand) {
        settle(inHand);
        tickmath::ForEachChild(*inHand, [](CKVMsg* child, short) {
            child->AutoAdjustTieSlur();
            child->AutoAdjustTuplet();
            return false;
        });
    }
    frame.Close();
}

CKVMsg* CKVDoc::ChangeSelNoteOfY(int voice, short y, short accidental)
{
    if (GetSelMsgCount() < 1)
        return nullptr;
    // Unless every page is selected, the host backed up only the selected
    // measures; a replaced chord frees tie partners that may lie outside them.
    if (!m_bSelectAllPages)
        SelFarEndBackup();
    CEditFrame frame(*this);
    CKVMsg* chosen = nullptr;
    CKVMeas* meas = nullptr;
    for (CKVMsg* msg : frame.Collect(voice)) {
        if (!tickmath::IsNoteRestChord(*msg))
            continue;
        CKVMeas* at = tickmath::MeasureOf(msg);
        if (!chosen) {
            chosen = msg;
            meas = at;
        } else if (at == meas && msg->m_nPosX < chosen->m_nPosX) {
            chosen = msg;
        }
    }
    if (!chosen || !meas)
        return nullptr;
    CKVMsg* result = chosen;
    if (chosen->m_byKind == MSG_NOTE) {
        if (kvpitch::IsCrossStaff(*chosen)) {
            chosen->m_nPosY = static_cast<short>(chosen->m_nPosY + (y - chosen->m_nPosY2));
            chosen->m_nPosY2 = y;
        } else {
            chosen->m_nPosY = y;
        }
        chosen->m_byAccidental = static_cast<BYTE>(accidental);
        chosen->MakeMidiMsgFromY(1);
    } else {
        if (chosen->m_byKind == MSG_CHORD) {
            // The chord's notes go with it: their partners must not keep
            // tie flags or references to them.
            std::vector<CKVMsg*> notes;
            tickmath::ForEachChild(*chosen, [&](CKVMsg* note, short) {
                if (note->m_byKind == MSG_NOTE)
                    notes.push_back(note);
                return false;
            });
            for (CKVMsg* note : notes) {
                TieSlurMsgDelProc(note);
                TupletMsgDelProc(note);
            }
        }
        result = ReplaceUnderId(*chosen, MSG_NOTE, y);
        if (!result)
            return nullptr;
        result->m_byAccidental = static_cast<BYTE>(accidental);
        result->MakeMidiMsgFromY(1);
        result->UpdatePos(0);
    }
    meas->UpdateNoteKeySignature(0, 1, 1, 0);
    meas->UpdatePos(static_cast<BYTE>(voice & 0xFF), 3, 0, 0);
    m_bModified = 1;
    return result;
}

void CKVDoc::ChangeSelNoteToRest(unsigned char voice)
{
    if (!m_pSelRectArray || m_pSelRectArray->GetSize() == 0 || GetSelMsgCount() < 1)
        return;
    // A toggle that would run a voice past its ticks or a measure past its
    // record is refused before its step opens: nothing changes.
    if (!RestToggleFits(*this, voice))
        return;
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    const std::vector<CKVMsg*> selected = frame.Collect(voice);
    // A note of a chord that is itself selected is the chord's to change.
    const std::set<DWORD> chordNotes = NotesOfChords(selected);
    // Re-tupleting a measure re-beams it, which may dissolve a group of the
    // list: each symbol is looked up by its id when its turn comes, and one
    // that went meanwhile is passed over.
    auto live = [this](DWORD id) { return CEditFrame::Live(*this, id); };
    auto lookUp = [&live](const std::vector<DWORD>& ids) {
        std::vector<CKVMsg*> found;
        for (DWORD id : ids) {
            if (CKVMsg* msg = live(id))
                found.push_back(msg);
        }
        return found;
    };
    const std::vector<DWORD> ids = CEditFrame::Ids(selected);
    std::vector<DWORD> chords;
    std::vector<DWORD> groups;
    std::vector<CKVMeas*> changed;
    const BOOL autoBeam = CKVCtrlTool::m_fIsAutoBeam;
    for (DWORD id : ids) {
        CKVMsg* msg = live(id);
        CKVMeas* meas = msg ? tickmath::MeasureOf(msg) : nullptr;
        if (!meas)
            continue;
        if (msg->m_byKind == MSG_NOTE) {
            if (chordNotes.count(msg->m_dwMsgId))
                continue;
            const short remembered = kvpitch::IsCrossStaff(*msg) ? msg->m_nPosY2 : msg->m_nPosY;
            TieSlurMsgDelProc(msg);
            CKVMsg* rest = ReplaceUnderId(*msg, MSG_REST, msg->m_nPosY);
            if (!rest)
                continue;
            rest->m_nPosY2 = remembered;
            rest->UpdateRestPosY(0);
            if (rest->m_wObjWord)
                meas->MakeTupletMsg(rest->m_byVoice, 3, autoBeam);
            AddOnce(changed, meas);
        } else if (msg->m_byKind == MSG_REST) {
            CKVMsg* note = ReplaceUnderId(*msg, MSG_NOTE, msg->m_nPosY2);
            if (!note)
                continue;
            note->MakeMidiMsgFromY(1);
            note->ChangeNoteDirection(3, 0);
            const BYTE kind = StaffKindOf(meas);
            if (kind == CKVStaff::KIND_DRUM || kind == CKVStaff::KIND_DRUM_SECOND) {
                int y = note->m_nPosY;
                note->m_wHeadType = meas->GetDrumHeadAndPosByMidi(1, note->GetMidiKey(), y);
                note->m_nPosY = static_cast<short>(y);
            }
            if (note->m_wObjWord)
                meas->MakeTupletMsg(note->m_byVoice, 3, autoBeam);
            AddOnce(changed, meas);
        } else if (msg->m_byKind == MSG_CHORD) {
            chords.push_back(id);
        } else if (msg->m_byKind == MSG_BEAM) {
            groups.push_back(id);
        }
    }
    for (CKVMsg* chord : lookUp(chords)) {
        CKVMeas* meas = tickmath::MeasureOf(chord);
        std::vector<CKVMsg*> notes;
        tickmath::ForEachChild(*chord, [&](CKVMsg* note, short) {
            if (note->m_byKind == MSG_NOTE)
                notes.push_back(note);
            return false;
        });
        // The chord's notes go with it: their partners keep no tie flags or
        // references to them, and a tuplet they end names a note that stays.
        for (CKVMsg* note : notes) {
            TieSlurMsgDelProc(note);
            TupletMsgDelProc(note);
        }
        const short firstY = notes.empty() ? chord->m_nPosY : notes.front()->m_nPosY;
        CKVMsg* rest = ReplaceUnderId(*chord, MSG_REST, static_cast<short>(chord->m_nPosY - m_nStaffSpace));
        if (!rest)
            continue;
        rest->m_nPosY2 = firstY;
        rest->UpdateRestPosY(0);
        if (rest->m_wObjWord)
            meas->MakeTupletMsg(rest->m_byVoice, 3, autoBeam);
        AddOnce(changed, meas);
    }
    for (CKVMsg* group : lookUp(groups))
        group->BeamOrder();
    // A rest made of a grace note is timed in its voice now, where the note
    // was not: the changed voices are timed again.
    for (CKVMeas* meas : changed) {
        meas->UpdateStartTime(voice, 0, 0, kPerformedStartStays);
        meas->UpdateNoteKeySignature(0, 0, 1, 0);
    }
    frame.Close();
}

namespace {

// The up/down nudge on the symbols the selection reaches, in measures
// already backed up.
int NudgeUpDown(CKVDoc& doc, int voice, int direction)
{
    const bool up = direction == 3;
    const short space = doc.m_nStaffSpace;
    const short half = static_cast<short>(space / 2);
    CEditFrame frame(doc);
    std::vector<CKVMeas*> measures;
    std::vector<CKVMsg*> groups;
    std::vector<CKVMsg*> chords;
    std::vector<CKVMsg*> notes;
    auto settleNote = [](CKVMsg& msg) {
        int stem = 0;
        if (StemDirectionOf(msg, stem))
            msg.ChangeNoteDirection(stem, 0);
        msg.AutoAdjustTieSlur();
        msg.AutoAdjustTuplet();
    };
    for (CKVMsg* msg : frame.Collect(voice)) {
        switch (msg->m_byKind) {
        case MSG_REST:
            msg->m_nPosY = static_cast<short>(msg->m_nPosY + (up ? -space : space));
            break;
        case MSG_NOTE: {
            CKVMeas* meas = ShownMeas(*msg);
            const BYTE kind = StaffKindOf(meas);
            const bool keyed = kind != CKVStaff::KIND_DRUM && kind != CKVStaff::KIND_DRUM_SECOND &&
                               kind != CKVStaff::KIND_ONE_LINE && kind != CKVStaff::KIND_FREE_LINE;
            const int key = msg->GetMidiKey();
            // A key at the end of the MIDI range stays where it is.
            if (keyed && ((up && key >= 127) || (!up && key <= 0)))
                break;
            msg->m_wFlag = static_cast<WORD>(msg->m_wFlag & ~MSGFLAG_KEEP_ACCIDENTAL);
            AddOnce(measures, meas);
            if (kind == CKVStaff::KIND_DRUM || kind == CKVStaff::KIND_DRUM_SECOND) {
                msg->m_nPosY = static_cast<short>(msg->m_nPosY + (up ? -half : half));
                if (meas)
                    msg->m_wHeadType = meas->GetDrumHeadType(msg->m_nPosY);
                msg->MakeMidiMsgFromY(1);
            } else if (kind == CKVStaff::KIND_FREE_LINE) {
                doc.SetTabNoteParamsAfterMove(msg, up ? 1 : 0);
                msg->MakeMidiMsgFromY(1);
            } else if (kind == CKVStaff::KIND_ONE_LINE) {
                msg->m_nPosY = static_cast<short>(msg->m_nPosY + (up ? -half : half));
            } else {
                msg->SetMidiKey(static_cast<BYTE>(key + (up ? 1 : -1)));
                msg->OtherSetParamFromMidiKey(up ? 1 : 0);
            }
            if (kind != CKVStaff::KIND_FREE_LINE)
                settleNote(*msg);
            notes.push_back(msg);
            break;
        }
        case MSG_BEAM:
            groups.push_back(msg);
            break;
        case MSG_CHORD:
            chords.push_back(msg);
            break;
        default:
            msg->m_nPosY = static_cast<short>(msg->m_nPosY + (up ? -1 : 1));
            break;
        }
    }
    for (CKVMeas* meas : measures)
        meas->UpdateNoteKeySignature(0, 1, 1, 0);
    for (CKVMsg* group : groups)
        settleNote(*group);
    for (CKVMsg* chord : chords) {
        if (StaffKindOf(tickmath::MeasureOf(chord)) == CKVStaff::KIND_FREE_LINE)
            continue;
        int stem = 0;
        if (StemDirectionOf(*chord, stem))
            chord->ChangeNoteDirection(stem, 0);
        chord->ChordYOrder();
        chord->ChordDotOrder();
        chord->ChordKeyOrder();
        chord->AutoAdjustTieSlur();
        chord->AutoAdjustTuplet();
    }
    for (CKVMsg* note : notes)
        note->TieMsgOrder(1, nullptr);
    return 1;
}

} // namespace

int CKVDoc::DetailMsgMove(int voice, int direction)
{
    CEditFrame frame(*this);
    if (!frame.Open())
        return 0;
    if (direction == 1 || direction == 2) {
        const short dx = direction == 1 ? -1 : 1;
        std::vector<std::pair<CKVMeas*, BYTE>> moved;
        for (CKVMsg* msg : frame.Collect(voice)) {
            if (msg->m_byKind == MSG_BEAM)
                continue;
            msg->m_nPosX = static_cast<short>(msg->m_nPosX + dx);
            const std::pair<CKVMeas*, BYTE> voiceOf {tickmath::MeasureOf(msg), msg->m_byVoice};
            if (voiceOf.first && std::find(moved.begin(), moved.end(), voiceOf) == moved.end())
                moved.push_back(voiceOf);
            if (tickmath::IsNoteRestChord(*msg))
                msg->m_nPosX2 = static_cast<short>(msg->m_nPosX2 + dx);
        }
        // A voice is timed in the order of its places and a grace note
        // starts where it stands, so every voice a symbol moved in is timed
        // again once all of them, the members of a chord after the chord,
        // have their new places.
        for (const auto& [meas, byVoice] : moved)
            meas->UpdateStartTime(byVoice, 0, 0, kPerformedStartStays);
    } else {
        NudgeUpDown(*this, voice, direction);
    }
    frame.Close();
    return 1;
}

int CKVDoc::DetailMsgMoveUpDown(int voice, int direction)
{
    // Unless every page is selected, the host backed up only the selected
    // measures; a changed pitch re-judges ties whose partners may lie
    // outside them.
    if (!m_bSelectAllPages)
        SelFarEndBackup();
    return NudgeUpDown(*this, voice, direction);
}

void CKVDoc::SetTabNoteParamsAfterMove(CKVMsg* note, int up)
{
    if (!note || note->m_byKind != MSG_NOTE)
        return;
    CKVMeas* meas = tickmath::MeasureOf(note);
    CKVObject* parent = meas ? meas->m_pParent : nullptr;
    if (!parent || (parent->m_byObjKind != OBJ_STAFF && parent->m_byObjKind != OBJ_OSSIA_STAFF))
        return;
    CKVStaff* staff = static_cast<CKVStaff*>(parent);
    const int space = m_nStaffSpace;
    // Without a usable staff space there are no lines to step between.
    if (staff->m_byStaffKind != CKVStaff::KIND_FREE_LINE || space < 2)
        return;
    const int y = note->m_nPosY;
    int step = std::abs(y) % space == 0 ? space : space / 2;
    if (up)
        step = -step;
    const int top = (1 - static_cast<int>(staff->m_byLineCount)) * space;
    int moved = y + step;
    if (moved >= 1)
        moved = 0;
    else if (moved < top)
        moved = top;
    note->m_nPosY = static_cast<short>(moved);
}
