// Merging a pasted measure into a measure of the score: making room in the
// voices, inserting the copies, re-timing and trimming what overflows.

#include "model/KVMeas.h"

#include "document/KVDoc.h"
#include "edit/PasteState.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "model/NodeDoc.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"
#include "timing/InsertState.h"
#include "timing/TieLinks.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

constexpr int kVoices = CKVMeas::VOICES;
constexpr int kHeadWords = 8;

bool IsRhythmic(const CKVMsg& msg)
{
    switch (msg.m_byKind) {
    case MSG_NOTE:
    case MSG_REST:
    case MSG_CHORD:
    case MSG_BEAM:
    case MSG_TREMOLO:
        return true;
    default:
        return false;
    }
}

bool IsGrace(const CKVMsg& msg)
{
    return (msg.m_wFlag & MSGFLAG_GRACE) != 0;
}

bool IsDrumStaff(const CKVStaff* staff)
{
    return staff && (staff->m_byStaffKind == CKVStaff::KIND_DRUM || staff->m_byStaffKind == CKVStaff::KIND_DRUM_SECOND);
}

CKVStaff* StaffOf(CKVMeas& meas)
{
    return meas.m_pParent && (meas.m_byParentKind == OBJ_STAFF || meas.m_byParentKind == OBJ_OSSIA_STAFF)
               ? static_cast<CKVStaff*>(meas.m_pParent)
               : nullptr;
}

bool VoiceHasMusic(CKVMeas& meas, int voice)
{
    for (CKVMsg* msg : tickmath::LiveChildren(meas)) {
        if (msg->m_byVoice == voice && IsRhythmic(*msg))
            return true;
    }
    return false;
}

// Play time of a rhythmic symbol: a beam group counts its members.
int PlayTicks(CKVMsg& msg)
{
    if (msg.m_byKind != MSG_BEAM) {
        msg.CalcPlayTime();
        return msg.GetPlayTime();
    }
    int sum = 0;
    for (CKVMsg* member : tickmath::LiveChildren(msg)) {
        if (tickmath::IsNoteRestChord(*member)) {
            if (!IsGrace(*member)) {
                member->CalcPlayTime();
                sum += member->GetPlayTime();
            }
        }
    }
    return sum;
}

// The notes a key shift applies to: the note itself, or the notes of a
// chord, group or tremolo.
void CollectNotes(CKVMsg& msg, std::vector<CKVMsg*>& notes, int depth)
{
    if (msg.m_byKind == MSG_NOTE) {
        notes.push_back(&msg);
        return;
    }
    if (depth > 3 || !IsRhythmic(msg))
        return;
    for (CKVMsg* member : tickmath::LiveChildren(msg))
        CollectNotes(*member, notes, depth + 1);
}

// Every note under a pasted symbol gets the key shift; the keys before it
// come back afterwards so that the image stays as it was.
struct KeyShift {
    std::vector<std::pair<CKVMsg*, BYTE>> saved;

    void Apply(CKVMsg& msg, int shift)
    {
        if (shift == 0)
            return;
        std::vector<CKVMsg*> notes;
        CollectNotes(msg, notes, 0);
        for (CKVMsg* note : notes) {
            const BYTE key = note->GetMidiKey();
            saved.emplace_back(note, key);
            note->SetMidiKey(static_cast<BYTE>(kvpitch::ClampKey(key + shift)));
        }
    }
    void Restore()
    {
        for (auto& [note, key] : saved)
            note->SetMidiKey(key);
        saved.clear();
    }
};

// Only the head words that both measures hold: a longer source head cannot
// write past the target's, nor a shorter one be read past its end.
void MergeHead(CKVMeas& target, CKVMeas& source)
{
    unsigned char* from = nullptr;
    const short fromLen = source.GetHead(&from);
    if (fromLen <= 0 || !from)
        return;
    unsigned char* to = nullptr;
    const short toLen = target.GetHead(&to);
    if (toLen <= 0 || !to) {
        target.SetHead(fromLen, from);
        return;
    }
    const int words = std::min({fromLen / 2, toLen / 2, kHeadWords});
    for (int i = 0; i < words; ++i) {
        const WORD w = GetWord(from + 2 * i);
        if (w != 0)
            PutWord(to + 2 * i, w);
    }
}

void RetimeVoice(CKVMeas& meas, int voice, int overwrite, int autoBeam, bool drum)
{
    const BYTE v = static_cast<BYTE>(voice);
    meas.UpdateStartTime(v, 1, overwrite, 0);
    if (overwrite)
        meas.DeleteMsgByTime(v);
    if (autoBeam)
        meas.AutoBindByBeam(v, overwrite);
    if (!drum)
        meas.SetParamFromMidiKey();
    if (overwrite)
        meas.UpdatePos(v, 3, 1, 0);
}

// The ids of the notes under a pasted copy.
void NoteIdsOf(CKVMsg& copy, std::set<DWORD>& ids)
{
    std::vector<CKVMsg*> notes;
    CollectNotes(copy, notes, 0);
    for (CKVMsg* note : notes)
        ids.insert(note->m_dwMsgId);
}

// A pasted note keeps the tie flags only of the ties that came with it: the
// other note of a tie may not have fit the measure, or lay outside what was
// copied. The notes that the paste took away again are no longer walked.
void ClearPastedLonelyTieFlags(CKVMeas& meas, const std::set<DWORD>& pasted)
{
    if (pasted.empty())
        return;
    std::vector<CKVMsg*> notes;
    for (CKVMsg* msg : tickmath::LiveChildren(meas))
        CollectNotes(*msg, notes, 0);
    for (CKVMsg* note : notes) {
        if (pasted.count(note->m_dwMsgId))
            tielink::ClearLonelyTieFlags(*note);
    }
}

// While it stands, beaming a range keeps a note at the place and height of
// another beside the group rather than dropping it as a duplicate.
class KeepDuplicates {
public:
    KeepDuplicates() : m_drop(GetDuplicateDrop()) { SetDuplicateDrop(0); }
    ~KeepDuplicates() { SetDuplicateDrop(m_drop); }
    KeepDuplicates(const KeepDuplicates&) = delete;
    KeepDuplicates& operator=(const KeepDuplicates&) = delete;

private:
    int m_drop;
};

void ReparentRhythmic(CKVMeas& meas)
{
    for (CKVMsg* msg : tickmath::LiveChildren(meas)) {
        if (IsRhythmic(*msg))
            msg->ChangeParent(&meas);
    }
}

} // namespace

CKVMeas* CKVMeas::CopyMsg(short x, unsigned char voice, CKVMeas* source, int overwrite, int autoBeam)
{
    // A measure of no length has no scale to place or time anything on.
    if (!source || !m_pSystem || voice > kVoices || IsRestCompMeas(nullptr) != 0 || m_nLength <= 0)
        return nullptr;
    CKVStaff* targetStaff = StaffOf(*this);
    CKVStaff* sourceStaff = StaffOf(*source);
    // The groups broken below and the tuplets beamed again at the end hold
    // the score's notes and the pasted ones: a note at the place and height
    // of another stays, for the paste takes nothing away without overwrite.
    const KeepDuplicates keep;

    MergeHead(*this, *source);

    // Beams from x on are broken so that the pasted music can come between.
    if (voice == 0) {
        for (int v = 1; v <= kVoices; ++v) {
            if (VoiceHasMusic(*this, v))
                DisAssembleBeam(static_cast<BYTE>(v), x, static_cast<short>(SCALE), 0);
        }
    } else {
        DisAssembleBeam(voice, x, static_cast<short>(SCALE), 0);
        for (CKVMsg* msg : tickmath::LiveChildren(*source))
            msg->ChangeVoice(voice);
    }
    source->m_nRealWidth = m_nRealWidth;
    source->m_nHeaderWidth = m_nHeaderWidth;

    // Each voice's share of the measure that the pasted music takes.
    int width[kVoices] = {};
    for (CKVMsg* msg : tickmath::LiveChildren(*source)) {
        if (!IsRhythmic(*msg) || IsGrace(*msg) || msg->m_byVoice < 1 || msg->m_byVoice > kVoices)
            continue;
        msg->OffsetX(x);
        width[msg->m_byVoice - 1] += MulDiv(PlayTicks(*msg), SCALE, m_nLength);
    }
    for (int v = 1; v <= kVoices; ++v) {
        if (voice == 0 || v == voice)
            OffsetX(static_cast<BYTE>(v), static_cast<short>(x - nCurStaffSpace), static_cast<short>(width[v - 1]));
    }

    const int shift = (sourceStaff ? static_cast<short>(sourceStaff->m_wStaffWord) : 0) -
                      (targetStaff ? static_cast<short>(targetStaff->m_wStaffWord) : 0);
    CKVMsg* first = nullptr;
    std::vector<CKVMsg*> inserted;
    std::set<DWORD> pasted;
    std::vector<CKVMeas*> respell;
    bool voices[kVoices] = {};
    for (CKVMsg* msg : tickmath::LiveChildren(*source)) {
        if (!IsRhythmic(*msg) || IsGrace(*msg) || (voice != 0 && msg->m_byVoice != voice))
            continue;
        KeyShift keys;
        keys.Apply(*msg, shift);
        short at = x;
        CKVMsg* copy = InsertMsgByLeftShift(at, msg, overwrite);
        keys.Restore();
        if (!copy)
            continue;
        if (!first)
            first = copy;
        inserted.push_back(copy);
        NoteIdsOf(*copy, pasted);
        if (copy->m_byVoice >= 1 && copy->m_byVoice <= kVoices)
            voices[copy->m_byVoice - 1] = true;
        // A cross-staff copy keeps its flag and is listed where it is drawn.
        if (copy->m_wFlag & (MSGFLAG_STAFF_UP | MSGFLAG_STAFF_DOWN)) {
            AddUpDownMsgArray(copy);
            CKVMeas* other = (copy->m_wFlag & MSGFLAG_STAFF_UP) ? GetUpMeas() : GetDownMeas();
            if (other && std::find(respell.begin(), respell.end(), other) == respell.end())
                respell.push_back(other);
        }
    }

    ReparentRhythmic(*this);
    const bool drum = IsDrumStaff(targetStaff);
    if (drum && !IsDrumStaff(sourceStaff)) {
        for (CKVMsg* copy : inserted) {
            std::vector<CKVMsg*> notes;
            CollectNotes(*copy, notes, 0);
            for (CKVMsg* note : notes) {
                note->m_wHeadType = GetDrumHeadType(note->m_nPosY);
                note->MakeMidiMsgFromY(1);
            }
        }
    }
    for (int v = 1; v <= kVoices; ++v) {
        if (voice == v || (voice == 0 && voices[v - 1]))
            RetimeVoice(*this, v, overwrite, autoBeam, drum);
    }

    // Everything else keeps its place relative to the first pasted note,
    // which now stands at x.
    const short d = first ? x : 0;
    for (CKVMsg* msg : tickmath::LiveChildren(*source)) {
        if (IsRhythmic(*msg) && !IsGrace(*msg))
            continue;
        if (msg->m_byKind == MSG_CLEF || (voice != 0 && msg->m_byVoice != voice))
            continue;
        msg->OffsetX(d);
        CKVMsg* copy = msg->CopyToParent(this, kHolderOwns);
        if (!copy)
            continue;
        NoteIdsOf(*copy, pasted);
        // A grace note's start comes from its place, which is new; its
        // voice may take no other pasted symbol to be timed again with.
        if (IsRhythmic(*copy) && IsGrace(*copy))
            copy->SetStartTimeByXPos();
    }
    ReparentRhythmic(*this);
    if (overwrite) {
        for (DWORD id : tickmath::ChildIds(*this)) {
            CKVMsg* msg = tickmath::Resolve(*this, id);
            if (msg && !IsRhythmic(*msg) && msg->m_nPosX > SCALE)
                DeleteMsg(msg, kUnlinkAndFree);
        }
    }

    UpdateNoteKeySignature(kKeepSpelling, kKeepStep, kReorderChords, 0);
    for (CKVMeas* other : respell)
        other->UpdateNoteKeySignature(kKeepSpelling, kKeepStep, kReorderChords, 0);
    for (int v = 1; v <= kVoices; ++v) {
        if (voice == v || (voice == 0 && voices[v - 1])) {
            RetimeVoice(*this, v, overwrite, 0, drum);
            MakeTupletMsg(static_cast<BYTE>(v), PasteStemDirection(v), 1);
        }
    }
    ClearPastedLonelyTieFlags(*this, pasted);

    if (targetStaff)
        nPasteEndMeas = targetStaff->GetMeasIndex(this);
    const BYTE endVoice = voice == 0 ? 1 : voice;
    nPasteEndPos = static_cast<short>(MulDiv(SCALE, GetCurWholeCount(endVoice, -1), m_nLength));
    return nullptr;
}

void CKVMeas::DeleteMsgByTime(unsigned char voice)
{
    ResetGetNextMsg(kChordsWhole, kWalkTimeOrder, kWalkOwnStaff, kWalkTimedOnly);
    std::vector<CKVMsg*> over;
    int sum = 0;
    short cursor = 0;
    while (CKVMsg* msg = GetNextMsg(cursor)) {
        if (msg->m_byVoice != voice || IsGrace(*msg) || !tickmath::IsNoteRestChord(*msg))
            continue;
        sum += msg->GetPlayTime();
        if (sum > m_nLength)
            over.push_back(msg);
    }
    CKVDoc* doc = DocOf(*this);
    for (CKVMsg* msg : over) {
        // The ties and slurs of what goes leave both their notes first: a
        // partner in another measure would keep its tie flag and a
        // reference to a symbol of a deleted note.
        if (doc)
            doc->TieSlurMsgDelProc(msg);
        DeleteMsg(msg, kUnlinkAndFree);
    }
}

CKVMsg* CKVMeas::InsertMsgByLeftShift(short&, CKVMsg* msg, int fit)
{
    if (!msg || IsRestCompMeas(nullptr) != 0)
        return nullptr;
    if (fit) {
        // The time its voice already takes before the symbol's place.
        const int before = GetCurWholeCount(msg->m_byVoice, static_cast<short>(msg->m_nPosX - 1));
        if (before + PlayTicks(*msg) > m_nLength)
            return nullptr;
    }
    return msg->CopyToParent(this, kHolderOwns);
}

void CKVMeas::OffsetX(unsigned char voice, short fromX, short dx)
{
    bool moved = false;
    for (CKVMsg* msg : tickmath::LiveChildren(*this)) {
        if (voice != 0 && msg->m_byVoice != voice)
            continue;
        if (!tickmath::IsVoiceEntry(*msg))
            continue;
        // A beam group that starts left of fromX stays whole where it is.
        if (msg->m_nPosX >= fromX) {
            msg->OffsetX(dx);
            moved = true;
        }
    }
    // A grace note starts where it stands. The paste times again only the
    // voices it puts music in, and a voice it makes room in may take none
    // of it (overwrite refuses what would run past the measure), so the
    // voice is timed here.
    if (moved && dx != 0)
        UpdateStartTime(voice, 0, 0, kPerformedStartStays);
}
