// Note insertion: a copy of a template note or rest enters the measure, is
// joined to what stands at its spot, and the measure's times, positions,
// pitch, accidentals, beams and tuplets are brought up to date. Also the
// links between grace notes (and clef changes) and the note they precede.

#include "model/KVMeas.h"

#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "model/DrumTable.h"
#include "model/ImportState.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/MidiFileRead.h"
#include "model/NewObject.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"
#include "timing/InsertState.h"
#include "timing/VoiceRoom.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>
#include <vector>

namespace {

using measplace::LineSpacingOf;

constexpr BYTE kDrumClef = 8;
constexpr WORD kPlainHead = 1;
constexpr WORD kFreeLineHead = 100;
constexpr short kPlaceEnd = 256;

bool IsDrumStaff(BYTE kind)
{
    return kind == CKVStaff::KIND_DRUM || kind == CKVStaff::KIND_DRUM_SECOND;
}

// The measure's room in ticks from its time signature; 0 when the signature
// gives none (a damaged beat unit).
int CapacityFromSignature(const CKVMeas& meas)
{
    if (meas.m_nTimeDen <= 0)
        return 0;
    const std::int64_t ticks = tickmath::TicksPerQuarter(&meas);
    const std::int64_t capacity = ticks * 4 * meas.m_nTimeNum / meas.m_nTimeDen;
    return capacity > 0 && capacity <= INT32_MAX ? static_cast<int>(capacity) : 0;
}

// The measure's only child when that is a whole rest, else null.
CKVMsg* OnlyWholeRest(CKVMeas& meas)
{
    if (meas.GetMsgNum() != 1)
        return nullptr;
    CKVMsg* only = measplace::ChildAt(meas, 0);
    if (only && only->m_byKind == MSG_REST && (only->m_wDuration & 0xFF) == DUR_WHOLE)
        return only;
    return nullptr;
}

// The note head of a new note on a measure in the drum clef: the kit's
// default head for the note's row, or the plain head when the row is off
// the kit. Without a kit (or while a MIDI file is read) the template's head
// stays.
void SetDrumClefHead(CKVMeas& meas, CKVMsg& tmpl)
{
    // A plain head stays plain when no kit can be read, whatever the clef:
    // the clef, which may take a walk back over the whole staff, is not
    // needed then. Recorded notes arrive by the thousand this way.
    const bool noKit = GetMidiFileRead() || !pDrumTable || pDrumTable->GetSize() == 0;
    if (tmpl.m_wHeadType == kPlainHead && noKit)
        return;
    if (meas.GetClefType() != kDrumClef) {
        tmpl.m_wHeadType = kPlainHead;
        return;
    }
    DrumKitEntry* kit = GetMidiFileRead() ? nullptr : GetDrumTable(measplace::StaffOf(meas));
    if (!kit)
        return;
    // A line spacing below 2 gives no rows to count.
    const int spacing = LineSpacingOf(meas);
    const int row = spacing >= 2 ? (2 * tmpl.m_nPosY) / spacing + 13 : -1;
    tmpl.m_wHeadType = (row >= 0 && row < kDrumKitRows) ? DrumKitDefaultHead(kit, row) : kPlainHead;
}

// Notes on a staff of free lines sit on its lines only.
void ClampToLines(CKVMeas& meas, CKVMsg& note)
{
    const CKVStaff* staff = measplace::StaffOf(meas);
    if (!staff)
        return;
    const int spacing = LineSpacingOf(meas);
    int y = std::min<int>(note.m_nPosY, 0);
    y = std::max(y, (1 - static_cast<int>(staff->m_byLineCount)) * spacing);
    if (spacing >= 2 && y % spacing != 0)
        y = (y / spacing) * spacing;
    note.m_nPosY = static_cast<short>(y);
}

// Head and position of a drum note from its MIDI key.
void DrumFromKey(CKVMeas& meas, CKVMsg& note)
{
    int y = note.m_nPosY;
    note.m_wHeadType = meas.GetDrumHeadAndPosByMidi(1, note.GetMidiKey(), y);
    note.m_nPosY = static_cast<short>(y);
}

// Gives every direct child of the voice at or right of x its place by time.
void RespaceFrom(CKVMeas& meas, BYTE voice, short x)
{
    for (DWORD id : tickmath::ChildIds(meas)) {
        CKVMsg* msg = tickmath::Resolve(meas, id);
        if (msg && msg->m_byVoice == voice && msg->m_nPosX >= x)
            msg->NoteSpaceOrder();
    }
}

// Whether a saved group or chord pointer still names a live symbol of the
// master system. The id was taken while the symbol was alive; the map is
// asked for it first, so a symbol deleted since is never read.
bool StillLive(CKVDoc* doc, CKVMsg* msg, DWORD id)
{
    if (!doc || !msg || id == 0 || doc->m_arrSystem.GetSize() == 0)
        return false;
    CKVSystem* master = doc->m_arrSystem.GetAt(0);
    if (!master || master->GetMsgFromMap(id) != msg)
        return false;
    return msg->IsValidMsg(master) != 0;
}

// The document's last-group and last-chord fields, kept across an import
// insertion: the import uses them to carry an open beam group from one note
// to the next.
class SavedGrouping {
public:
    explicit SavedGrouping(CKVDoc* doc) : m_doc(doc)
    {
        if (!doc)
            return;
        m_group = doc->m_pLastGroup;
        m_member = doc->m_pLastMember;
        m_groupId = m_group ? m_group->m_dwMsgId : 0;
        m_memberId = m_member ? m_member->m_dwMsgId : 0;
    }

    // The saved group while it is still alive.
    CKVMsg* LiveGroup() const { return StillLive(m_doc, m_group, m_groupId) ? m_group : nullptr; }

    // Puts the saved values back; one that was deleted meanwhile becomes
    // null rather than a dangling pointer.
    void Restore() const
    {
        if (!m_doc)
            return;
        m_doc->m_pLastGroup = LiveGroup();
        m_doc->m_pLastMember = StillLive(m_doc, m_member, m_memberId) ? m_member : nullptr;
    }

private:
    CKVDoc* m_doc = nullptr;
    CKVMsg* m_group = nullptr;
    CKVMsg* m_member = nullptr;
    DWORD m_groupId = 0;
    DWORD m_memberId = 0;
};

// A new symbol made from a template; null when memory runs out.
CKVMsg* CopyOf(CKVMsg& tmpl)
{
    CKVMsg* copy = KvNewReported<CKVMsg>();
    if (!copy)
        return nullptr;
    *copy = tmpl;
    // The assignment leaves the host's word out; a new note keeps it.
    copy->m_dwHostWord = tmpl.m_dwHostWord;
    return copy;
}

// No symbol, and why, for the import to read.
CKVMsg* Refused(InsertRefusal why)
{
    SetInsertRefusal(why);
    return nullptr;
}

// Whether the voice has room for the symbol's play time.
bool Fits(CKVMeas& meas, BYTE voice, const CKVMsg& msg, int capacity)
{
    return meas.GetCurWholeCount(voice, -1) + msg.m_nPlayTime <= capacity;
}

// Whether the symbol would run its voice past the ticks its start times
// hold; a grace note takes no time. The measure's symbols are not counted
// here: an import inserts all of a measure's notes before it beams them, and
// most of a crowded measure fits its record once beamed, so each import fits
// the measure to its record once its conversion is done.
bool RunsVoicePast(CKVMeas& meas, CKVMsg& msg)
{
    CVoiceRoom room;
    room.Add(meas, msg.m_byVoice, msg.GetPlayTimeDouble());
    return !room.Fits();
}

} // namespace

CKVMsg* CKVMeas::InsertNewNoteMsg(CKVMsg& tmpl, short direction, int placement, int autoBeam, int, int midiRead, int)
{
    // A damaged time signature gives no room to fill; refused before
    // anything changes.
    const int capacity = CapacityFromSignature(*this);
    if (capacity <= 0 || !CVoiceRoom::TakesEntry(*this, tmpl))
        return nullptr;

    CKVDoc* doc = DocOf(*this);
    const BYTE voice = tmpl.m_byVoice;
    if (tmpl.m_lHeight == 0 && doc)
        tmpl.m_lHeight = doc->m_nFontHeight78;

    if (!midiRead) {
        if (IsRestCompMeas(nullptr) != 0)
            return nullptr;
        if (CKVMsg* rest = OnlyWholeRest(*this))
            DeleteMsg(rest, kUnlinkAndFree);
    }

    const int used = GetCurWholeCount(voice, -1);
    tmpl.CalcPlayTime();

    const bool isRest = tmpl.m_byKind == MSG_REST;
    if (placement && isRest && used + tmpl.m_nPlayTime > capacity) {
        const bool wholeIntoEmpty = (tmpl.m_wDuration & 0xFF) == DUR_WHOLE && GetMsgNum() == 0;
        if (!wholeIntoEmpty)
            return nullptr;
    }
    // A voice filled with rests gives way to the first real note.
    if (used == capacity && !isRest && IsOnlyRest())
        DelRestMsg();

    if (tmpl.m_byKind == MSG_NOTE)
        SetDrumClefHead(*this, tmpl);

    CKVMsg* copy = CopyOf(tmpl);
    if (!copy)
        return nullptr;
    if (!measplace::StaffOf(*this)) {
        delete copy;
        return nullptr;
    }
    const BYTE staffKind = measplace::StaffKindOf(this);
    if (staffKind == CKVStaff::KIND_FREE_LINE)
        ClampToLines(*this, *copy);

    copy->m_dwMsgId = 0;
    direction = doc ? doc->m_CtrlTool.GetNoteDirection(voice) : 0;

    ResetGetNextMsg(kChordNotesSingly, kWalkTreeOrder, kWalkOwnStaff, kWalkTimedOnly);
    bool fits = !placement || Fits(*this, voice, *copy, capacity);
    // A note at the spot of a rest takes the rest's place and its time; one
    // without room even then is refused before the rest goes, so that a
    // refusal leaves the voice whole.
    const short spot = SpotIndex(*this, *copy);
    CKVMsg* rest = spot >= 0 ? measplace::ChildAt(*this, spot) : nullptr;
    if (!fits && copy->m_byKind == MSG_NOTE && rest && rest->m_byKind == MSG_REST) {
        if (GetCurWholeCount(voice, -1) - rest->GetPlayTime() + copy->m_nPlayTime > capacity) {
            delete copy;
            return nullptr;
        }
        fits = true;
    }
    SetJoinPermission(fits ? 1 : 0);

    short index = 0;
    const int joined = ProcInRect(copy, index, 1);
    // What the join touched, read before later steps change the fields.
    CKVMsg* group = doc ? doc->m_pLastGroup : nullptr;
    CKVMsg* chord = doc ? doc->m_pLastMember : nullptr;
    if (!joined) {
        if (copy->m_byKind == MSG_NOTE && GetJoinPermission() == 0) {
            delete copy;
            return nullptr;
        }
        if (AddMsg(copy, kHolderOwns) == 0) {
            delete copy;
            return nullptr;
        }
        copy->ChangeNoteDirection(kStemOfVoice, kKeepGraceStems);
    } else if (index < 0) {
        delete copy;
        return nullptr;
    }

    const bool isNote = copy->m_byKind == MSG_NOTE;
    if (isNote && IsDrumStaff(staffKind))
        DrumFromKey(*this, *copy);

    UpdateStartTime(voice, 1, 1, kPerformedStartStays);

    if (!midiRead) {
        copy->UpdatePos(placement);
        if (group) {
            group->UpdatePos(placement);
            group->ChangeNoteDirection(kStemOfVoice, kKeepGraceStems);
        } else if (chord) {
            chord->UpdatePos(placement);
        }
        if (isNote && IsDrumStaff(staffKind))
            copy->m_wHeadType = GetDrumHeadType(copy->m_nPosY);
        else if (isNote && staffKind == CKVStaff::KIND_FREE_LINE)
            copy->m_wHeadType = kFreeLineHead;
        copy->MakeMidiMsgFromY(1);
    } else if (isNote && IsDrumStaff(staffKind)) {
        DrumFromKey(*this, *copy);
    }

    // The new symbol, or the chord it joined, now stands where its time
    // puts it; the rest of the voice may still stand where it was put by
    // hand, so a part of it placed by time could pass the rest. The whole
    // voice is placed by the times just given in its order, which keeps it.
    if (placement)
        RespaceFrom(*this, voice, SHRT_MIN);

    UpdateNoteKeySignature(kKeepSpelling, kKeepStep, kReorderChords, 0);

    // The voice is beamed again as a whole, unless breaking its groups
    // could crowd the measure past its record: the note then stays apart.
    if (autoBeam && !chord && CVoiceRoom::TakesDissolve(*this, voice, 0, kPlaceEnd, true)) {
        DisAssembleBeam(voice, 0, kPlaceEnd, kKeepGraceBeams);
        AutoBindByBeam(voice, placement);
    }

    MakeTupletMsg(voice, direction, autoBeam);

    copy->m_nLayout1 = static_cast<short>(copy->m_lHeight & 0xFFFF);
    return copy;
}

CKVMsg* CKVMeas::InsertNoteMsg(CKVMsg& m, int placement, int autoBeam)
{
    SetImportLastChord(nullptr);
    SetInsertRefusal(InsertRefusal::None);
    if (IsRestCompMeas(nullptr) != 0)
        return Refused(InsertRefusal::UnderMultiRest);
    // A damaged time signature or length gives no room to fill.
    if (m_nTimeDen <= 0 || m_nLength <= 0 || RunsVoicePast(*this, m))
        return Refused(InsertRefusal::Other);
    if (placement) {
        if (CKVMsg* rest = OnlyWholeRest(*this))
            DeleteMsg(rest, kUnlinkAndFree);
    }

    CKVDoc* doc = DocOf(*this);
    const BYTE voice = m.m_byVoice;
    const int capacity = m_nLength;
    const int used = GetCurWholeCount(voice, -1);
    m.CalcPlayTime();
    const bool isRest = m.m_byKind == MSG_REST;
    if (placement && isRest && used + m.m_nPlayTime > capacity)
        return Refused(InsertRefusal::Other);
    if (placement && used == capacity && !isRest && IsOnlyRest())
        DelRestMsg();

    CKVMsg* copy = CopyOf(m);
    if (!copy)
        return Refused(InsertRefusal::Other);
    if (!measplace::StaffOf(*this)) {
        delete copy;
        return Refused(InsertRefusal::Other);
    }
    const BYTE staffKind = measplace::StaffKindOf(this);
    copy->m_dwMsgId = 0;

    SetJoinPermission(placement && !Fits(*this, voice, *copy, capacity) ? 0 : 1);

    const SavedGrouping saved(doc);
    ResetGetNextMsg(kChordNotesSingly, kWalkTreeOrder, kWalkOwnStaff, kWalkTimedOnly);
    short index = 0;
    const int joined = ProcInRect(copy, index, 1);
    CKVMsg* group = doc ? doc->m_pLastGroup : nullptr;
    CKVMsg* chord = doc ? doc->m_pLastMember : nullptr;
    // The join named its own refusals; every other one is told as Other.
    auto refuse = [&]() -> CKVMsg* {
        delete copy;
        saved.Restore();
        const InsertRefusal why = GetInsertRefusal();
        return Refused(why == InsertRefusal::None ? InsertRefusal::Other : why);
    };
    if (!joined) {
        if (copy->m_byKind == MSG_NOTE && GetJoinPermission() == 0)
            return refuse();
        // A note that hits nothing continues the beam group the import has
        // open, wherever it stands.
        CKVMsg* open = saved.LiveGroup();
        if (open && tickmath::MeasureOf(open) != this)
            open = nullptr;
        if (open) {
            if (open->AddMsgToBeam(copy) < 0)
                return refuse();
            open->BeamXsort(0);
            group = open;
        } else if (AddMsg(copy, kHolderOwns) == 0) {
            return refuse();
        }
    } else if (index < 0) {
        return refuse();
    }

    const bool isNote = copy->m_byKind == MSG_NOTE;
    if (isNote && IsDrumStaff(staffKind))
        DrumFromKey(*this, *copy);
    UpdateStartTime(voice, 1, 1, kPerformedStartStays);
    if (placement)
        copy->UpdatePos(placement);
    if (group)
        group->UpdatePos(placement);
    else if (chord)
        chord->UpdatePos(placement);
    if (isNote && IsDrumStaff(staffKind))
        copy->m_wHeadType = GetDrumHeadType(copy->m_nPosY);
    copy->MakeMidiMsgFromY(1);
    if (!chord && placement)
        RespaceFrom(*this, voice, copy->m_nPosX);
    if (!bImportConverting)
        UpdateNoteKeySignature(kKeepSpelling, kKeepStep, kReorderChords, 0);

    if (autoBeam && (copy->m_wDuration & 0xFF) > DUR_QUARTER && !chord) {
        DisAssembleBeam(voice, copy->m_nPosX, kPlaceEnd, kKeepGraceBeams);
        AutoBindByBeam(voice, placement);
    }
    if (!bImportConverting && copy->m_wObjWord != 0)
        MakeTupletMsg(voice, kStemOfVoice, autoBeam);

    copy->m_nLayout1 = static_cast<short>(copy->m_lHeight & 0xFFFF);
    // The import reads the chord this note joined or made; the steps above
    // may have used the document's field for their own groups since.
    SetImportLastChord(chord);
    saved.Restore();
    return copy;
}

void CKVMeas::ArrangeGraceNote(CKVMsg* pending)
{
    ResetGetNextMsg(kChordNotesSingly, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    const bool pendingGrace = pending && (pending->m_wFlag & MSGFLAG_GRACE) != 0;
    // Ids of the grace notes and clef changes still looking for their main
    // note; 0 stands for the pending note, which has no place in the map yet.
    std::vector<DWORD> waiting;
    bool pendingWaits = false;
    int lastPos = 0;

    auto resolve = [this, pending](DWORD id) -> CKVMsg* {
        if (id == 0)
            return pending;
        return m_pSystem ? m_pSystem->GetMsgFromMap(id) : nullptr;
    };
    auto hand = [&](CKVMsg& main) {
        for (DWORD id : waiting) {
            main.m_arrAttachedId.Add(id);
            if (CKVMsg* attached = resolve(id))
                attached->m_pMainNote = &main;
        }
        waiting.clear();
    };

    if (pending) {
        // Its links are made afresh, like those of the measure's symbols.
        pending->m_pMainNote = nullptr;
        pending->m_arrAttachedId.RemoveAll();
    }

    short cursor = 0;
    while (CKVMsg* entry = GetNextMsg(cursor)) {
        entry->m_pMainNote = nullptr;
        entry->m_arrAttachedId.RemoveAll();

        if (pendingGrace && !pendingWaits && entry->m_nPosX > pending->m_nPosX) {
            waiting.push_back(0);
            pendingWaits = true;
        }
        bool pendingTook = false;
        if (pending && !pendingGrace && lastPos < pending->m_nPosX && pending->m_nPosX < entry->m_nPosX) {
            hand(*pending);
            pendingTook = true;
        }
        if (tickmath::IsGrace(*entry) || (entry->m_byKind == MSG_CLEF && entry->m_nPosX > 0)) {
            waiting.push_back(entry->m_dwMsgId);
            lastPos = entry->m_nPosX;
            continue;
        }
        if (entry->m_byKind == MSG_NOTE && !pendingTook)
            hand(*entry);
        lastPos = entry->m_nPosX;
    }
    if (pending && pending->m_nPosX > lastPos)
        hand(*pending);
}

void CKVMeas::SingleStaffProc(short)
{
    // Kept for the host's table of entry points; there is nothing to do.
}
