#include "support/ScoreBuilder.h"

#include "document/RecordIO.h"
#include "support/ScoreGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kvtest {

namespace {

void Fill(CKVMsg& msg, BYTE kind, const NoteShape& shape)
{
    msg.m_byKind = kind;
    msg.m_nPosX = shape.x;
    msg.m_nPosY = shape.y;
    msg.m_wDuration = shape.code;
    msg.m_byDots = shape.dots;
    msg.m_wObjWord = shape.tuplet;
    msg.m_byVoice = shape.voice;
    msg.m_byAccidental = shape.accidental;
    msg.m_wFlag = shape.flags;
}

void PutLong(unsigned char* p, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(value >> (8 * i));
}

DWORD GetLong(const unsigned char* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

} // namespace

ScoreBuilder::ScoreBuilder(const ScoreShape& shape)
{
    if (shape.pageGeometry)
        SetDefaultGeometry(m_doc);
    const int made = m_doc.CreateDocument(shape.staves, shape.measures, shape.clef, shape.beats, shape.beatUnit);
    EXPECT_EQ(made, 1) << "the builder's document was not created";
    if (!shape.pageGeometry)
        SetLineSpacing(shape.lineSpacing);
}

CKVSystem* ScoreBuilder::System()
{
    return m_doc.m_arrSystem.GetSize() > 0 ? m_doc.m_arrSystem.GetAt(0) : nullptr;
}

CKVStaff* ScoreBuilder::Staff(int staff)
{
    CKVSystem* system = System();
    return system ? system->GetStaff(static_cast<short>(staff)) : nullptr;
}

CKVMeas* ScoreBuilder::Meas(int staff, int meas)
{
    CKVStaff* s = Staff(staff);
    return s ? s->GetMeas(meas) : nullptr;
}

void ScoreBuilder::SetLineSpacing(short lineSpacing)
{
    m_doc.m_nStaffSpace = lineSpacing;
    nCurStaffSpace = lineSpacing;
}

CKVMeas* ScoreBuilder::Setup(CKVMeas* meas, const MeasShape& shape)
{
    meas->m_nTimeNum = shape.beats;
    meas->m_nTimeDen = shape.beatUnit;
    meas->CalcWholeCount();
    meas->m_byInitClef = shape.clef;
    meas->m_byKeyType = shape.keyType;
    meas->m_byKeyCount = shape.keyCount;
    if (shape.pickup)
        meas->m_wObjWord = static_cast<WORD>(meas->m_wObjWord | CKVMeas::PICKUP);
    else
        meas->m_wObjWord = static_cast<WORD>(meas->m_wObjWord & ~CKVMeas::PICKUP);
    return meas;
}

CKVMsg* ScoreBuilder::Place(CKVObject* parent, CKVMsg* msg)
{
    short added = 0;
    if (parent->m_byObjKind == OBJ_MEAS)
        added = static_cast<CKVMeas*>(parent)->AddMsg(msg, kHolderOwns);
    else
        added = parent->AddMsg(msg, kHolderOwns, kParentHere);
    if (added < 0 || (parent->m_byObjKind == OBJ_MEAS && added == 0)) {
        delete msg;
        return nullptr;
    }
    return msg;
}

CKVMsg* ScoreBuilder::Note(CKVObject* parent, const NoteShape& shape)
{
    CKVMsg* note = new CKVMsg;
    Fill(*note, MSG_NOTE, shape);
    note->m_lHeight = -28;
    if (!Place(parent, note))
        return nullptr;
    note->CalcPlayTime();
    // A stored note always carries its 12-byte MIDI head, and a file reader
    // refuses a note without one. The key is read from the note's place on
    // the staff without walking the measure, which would set flags.
    MidiNoteHead head;
    head.byKey = static_cast<BYTE>(std::max<short>(0, note->GetMidiKeyFromOnlyPosY()));
    head.byVoice = note->m_byVoice;
    head.dwGateTime = static_cast<DWORD>(std::max<short>(0, note->m_nPlayTime));
    SetMidiHead(note, head);
    return note;
}

CKVMsg* ScoreBuilder::Rest(CKVObject* parent, const NoteShape& shape)
{
    CKVMsg* rest = new CKVMsg;
    Fill(*rest, MSG_REST, shape);
    if (!Place(parent, rest))
        return nullptr;
    rest->CalcPlayTime();
    return rest;
}

CKVMsg* ScoreBuilder::Grace(CKVObject* parent, const NoteShape& shape)
{
    NoteShape grace = shape;
    grace.flags = static_cast<WORD>(grace.flags | MSGFLAG_GRACE);
    CKVMsg* note = Note(parent, grace);
    if (note)
        note->m_wSize = MSG_SIZE_GRACE;
    return note;
}

CKVMsg* ScoreBuilder::Chord(CKVObject* parent, const NoteShape& shape, const std::vector<short>& ys)
{
    CKVMsg* chord = new CKVMsg;
    Fill(*chord, MSG_CHORD, shape);
    chord->m_nPosY = ys.empty() ? shape.y : ys.front();
    chord->m_lHeight = -28;
    if (!Place(parent, chord))
        return nullptr;
    for (short y : ys) {
        NoteShape member = shape;
        member.y = y;
        Note(chord, member);
    }
    chord->CalcPlayTime();
    return chord;
}

CKVMsg* ScoreBuilder::Beam(CKVObject* parent, const NoteShape& shape)
{
    CKVMsg* group = new CKVMsg;
    Fill(*group, MSG_BEAM, shape);
    group->m_wObjWord = 0;
    return Place(parent, group);
}

CKVMsg* ScoreBuilder::ClefChange(CKVMeas* meas, short x, BYTE clef, BYTE voice)
{
    CKVMsg* change = Symbol(meas, MSG_CLEF, x, 0, voice);
    if (change)
        change->m_wDuration = clef;
    return change;
}

CKVMsg* ScoreBuilder::Symbol(CKVObject* parent, BYTE kind, short x, short y, BYTE voice)
{
    CKVMsg* msg = new CKVMsg;
    msg->m_byKind = kind;
    msg->m_nPosX = x;
    msg->m_nPosY = y;
    msg->m_byVoice = voice;
    return Place(parent, msg);
}

CKVMsg* ScoreBuilder::Tie(CKVMsg* first, CKVMsg* second)
{
    CKVMsg* tie = new CKVMsg;
    tie->m_byKind = MSG_TIE;
    tie->m_byVoice = first->m_byVoice;
    tie->m_nPosX = first->m_nPosX;
    tie->m_nPosY = first->m_nPosY;
    if (!Place(first, tie))
        return nullptr;
    tie->m_dwWord = first->m_dwMsgId;
    tie->m_lHeight = static_cast<LONG>(second->m_dwMsgId);
    // The second note only refers to it; the tie keeps the first as parent.
    second->TemporaryMsg(tie);
    first->m_wFlag = static_cast<WORD>(first->m_wFlag | MSGFLAG_TIE_START);
    second->m_wFlag = static_cast<WORD>(second->m_wFlag | MSGFLAG_TIE_END);
    return tie;
}

void ScoreBuilder::Settle()
{
    CKVSystem* system = System();
    for (short s = 0; system && s < system->GetStaffNum(); ++s) {
        CKVStaff* staff = system->GetStaff(s);
        bool named = false;
        for (short i = 0; i < staff->GetMsgNum(); ++i) {
            const CKVMsg* child = staff->GetMsg(i);
            named = named || (child && child->m_byKind == MSG_STAFFNAME);
        }
        if (!named)
            staff->SetStaffNameToMsg(staff->m_szName, "", "", "", 0, 0);
        for (LONG m = 0; m < staff->GetMeasNum(); ++m)
            kvrec::TimeReadMeasure(*staff->GetMeas(m));
    }
}

DWORD ScoreBuilder::MakeStale(CKVMsg* msg)
{
    const DWORD id = msg->m_dwMsgId;
    System()->RemoveMsgFromMap(id);
    return id;
}

void ScoreBuilder::SetMidiHead(CKVMsg* note, const MidiNoteHead& head)
{
    unsigned char bytes[MidiNoteHead::Size] = {};
    bytes[MidiNoteHead::KeyOffset] = head.byKey;
    bytes[MidiNoteHead::VelocityOffset] = head.byVelocity;
    bytes[MidiNoteHead::ReleaseOffset] = head.byRelease;
    bytes[MidiNoteHead::VoiceOffset] = head.byVoice;
    PutLong(bytes + MidiNoteHead::GateTimeOffset, head.dwGateTime);
    PutLong(bytes + MidiNoteHead::StartOffsetOffset, static_cast<DWORD>(head.lStartOffset));
    note->SetHead(MidiNoteHead::Size, bytes);
}

MidiNoteHead ScoreBuilder::GetMidiHead(CKVMsg* note)
{
    MidiNoteHead head;
    unsigned char* bytes = nullptr;
    if (note->GetHead(&bytes) < MidiNoteHead::Size || !bytes)
        return head;
    head.byKey = bytes[MidiNoteHead::KeyOffset];
    head.byVelocity = bytes[MidiNoteHead::VelocityOffset];
    head.byRelease = bytes[MidiNoteHead::ReleaseOffset];
    head.byVoice = bytes[MidiNoteHead::VoiceOffset];
    head.dwGateTime = GetLong(bytes + MidiNoteHead::GateTimeOffset);
    head.lStartOffset = static_cast<LONG>(GetLong(bytes + MidiNoteHead::StartOffsetOffset));
    return head;
}

} // namespace kvtest
