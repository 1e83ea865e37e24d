// What the playback and dynamics dialogs set: note velocities, measure
// tempi, the program of a voice and the stem direction of a voice.

#include "document/KVDoc.h"

#include "MemoryGuard.h"
#include "edit/EditFrame.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/MidiNoteHead.h"
#include "model/TickMath.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kTempoMemory = 1000000;
constexpr int kMaxVelocity = 127;
constexpr int kResetVelocity = 100;
constexpr int kNoTempo = -1;
constexpr int kDefaultTempo = 120;
constexpr int kMaxTempo = 400;

enum VelocityMode { kVelocitySet = 1, kVelocityRamp = 2, kVelocityScale = 3, kVelocityAdd = 4 };
enum TempoMode { kTempoSet = 0, kTempoRamp = 1, kTempoScale = 2, kTempoAdd = 3, kTempoClear = 4 };

CKVSystem* Master(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

// A note's velocity lives in byte 1 of its MIDI head; a head too short to
// hold it has none.
bool HasVelocity(const CKVMsg& note)
{
    return note.m_pHead && note.m_wHeadLen > MidiNoteHead::VelocityOffset;
}

void SetVelocity(CKVMsg& note, int velocity)
{
    if (HasVelocity(note))
        note.m_pHead[MidiNoteHead::VelocityOffset] = static_cast<unsigned char>(std::clamp(velocity, 0, kMaxVelocity));
}

int Velocity(const CKVMsg& note)
{
    return note.m_pHead[MidiNoteHead::VelocityOffset];
}

// The collected notes (kind 1) of the voice, grouped by the master staff
// they lie on, staves in order, each group in collection order.
std::vector<std::vector<CKVMsg*>> NotesByStaff(CKVDoc& doc, CEditFrame& frame, int voice)
{
    std::vector<CKVMsg*> notes;
    for (CKVMsg* msg : frame.Collect(voice)) {
        if (msg->m_byKind == MSG_NOTE)
            notes.push_back(msg);
    }
    std::vector<std::vector<CKVMsg*>> staves;
    CKVSystem* master = Master(doc);
    for (short s = 0; master && s < master->GetStaffNum(); ++s) {
        CKVStaff* staff = master->GetStaff(s);
        std::vector<CKVMsg*> own;
        for (CKVMsg* note : notes) {
            CKVMeas* meas = tickmath::MeasureOf(note);
            if (meas && measplace::StaffOf(*meas) == staff)
                own.push_back(note);
        }
        staves.push_back(std::move(own));
    }
    return staves;
}

int NewVelocity(int old, int a, int b, int mode, int k, int n)
{
    switch (mode) {
    case kVelocitySet:
        return std::clamp(a, 0, kMaxVelocity);
    case kVelocityRamp: {
        const int from = std::clamp(a, 0, kMaxVelocity);
        const int to = std::clamp(b, 0, kMaxVelocity);
        return from + (to - from) * k / n;
    }
    case kVelocityScale:
        return std::clamp(old * a / 100, 0, kMaxVelocity);
    case kVelocityAdd:
        return std::clamp(old + a, 0, kMaxVelocity);
    default:
        return old;
    }
}

int NewTempo(int tempo, int m, int first, int last, int a, int b, int mode)
{
    if (tempo == kNoTempo)
        tempo = kDefaultTempo;
    switch (mode) {
    case kTempoSet:
        tempo = a;
        break;
    case kTempoRamp:
        tempo = first == last ? a : a + MulDiv(m - first, b - a, last - first);
        break;
    case kTempoScale:
        tempo = MulDiv(tempo, a, 100);
        break;
    case kTempoAdd:
        tempo = std::clamp(tempo + a, 0, kMaxTempo);
        break;
    case kTempoClear:
        return kNoTempo;
    default:
        break;
    }
    if (tempo < 0)
        tempo = kDefaultTempo;
    return std::min(tempo, kMaxTempo);
}

} // namespace

void CKVDoc::SetVelocitySelNote(int voice, short a, short b, short mode)
{
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    for (const std::vector<CKVMsg*>& staff : NotesByStaff(*this, frame, voice)) {
        const int n = static_cast<int>(staff.size());
        for (int k = 0; k < n; ++k) {
            CKVMsg& note = *staff[k];
            if (HasVelocity(note))
                SetVelocity(note, NewVelocity(Velocity(note), a, b, mode, k, n));
        }
    }
    frame.Close();
}

void CKVDoc::ResetVelocity(int voice)
{
    CEditFrame frame(*this);
    if (!frame.Open())
        return;
    for (CKVMsg* msg : frame.Collect(voice)) {
        if (msg->m_byKind == MSG_NOTE)
            SetVelocity(*msg, kResetVelocity);
    }
    frame.Close();
}

void CKVDoc::SetTempo(int first, int last, int a, int b, int mode)
{
    if (!CheckAvailableMemory(kTempoMemory))
        return;
    if (first > last)
        std::swap(first, last);
    CKVSystem* master = Master(*this);
    const short staves = master ? master->GetStaffNum() : 0;
    std::vector<CKVMeas*> column(static_cast<size_t>(std::max<short>(staves, 0)));
    for (int m = first; m <= last; ++m) {
        // A measure whose column a cross-staff backup already copied is
        // changed on that copy, not copied again.
        for (short s = 0; s < staves; ++s)
            column[s] = measplace::MeasAt(master->GetStaff(s), m);
        for (short s = 0; s < staves; ++s) {
            CKVMeas* meas = column[s];
            if (!meas)
                continue;
            if (meas->GetCurBackupObj() == meas)
                meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
            CKVMeas* live = meas->GetCurBackupObj();
            const int tempo = static_cast<short>(live->m_wMarker);
            live->m_wMarker = static_cast<WORD>(NewTempo(tempo, m, first, last, a, b, mode));
        }
    }
    m_bModified = 1;
}

void CKVDoc::SetTimbre(short staff, unsigned char voice, unsigned char value)
{
    CKVSystem* master = Master(*this);
    if (!master || staff < 0 || staff >= master->GetStaffNum() || voice < 1 || voice > CKVStaff::VOICES)
        return;
    CKVStaff* target = master->GetStaff(staff);
    if (!target)
        return;
    target->m_byVoiceSecond[voice - 1] = value;
    m_bModified = 1;
}

void CKVDoc::UpdateNoteDirection(int voice, unsigned char* directions)
{
    if (!directions || voice < 0 || voice > CKVStaff::VOICES)
        return;
    // Voice 0 takes each symbol's own voice; a symbol outside 1-8 has no
    // entry in the table.
    auto voiceOf = [voice](const CKVMsg& msg) {
        const int own = voice == 0 ? msg.m_byVoice : voice;
        return msg.m_byVoice == own && own >= 1 && own <= CKVStaff::VOICES ? own : 0;
    };
    CEditFrame::ForEachLiveMsg(*this, CEditFrame::Members::DirectOnly, [&](CKVMeas&, CKVMsg& msg) {
        const int own = voiceOf(msg);
        if (own != 0 && (msg.m_byKind == MSG_NOTE || msg.m_byKind == MSG_BEAM || msg.m_byKind == MSG_CHORD))
            msg.ChangeNoteDirection(directions[own - 1] & 0x0F, kKeepGraceStems);
    });
    CEditFrame::ForEachLiveMsg(*this, CEditFrame::Members::DirectOnly, [&](CKVMeas&, CKVMsg& msg) {
        if (voiceOf(msg) != 0 && (tickmath::IsNoteRestChord(msg) || msg.m_byKind == MSG_BEAM))
            msg.TupletPosOrderOfNote();
    });
    m_bModified = 1;
}
