// Ties, slurs, accidental symbols and tuplet words of notes.

#include "model/KVMsg.h"

#include "document/KVDoc.h"
#include "model/KVMeas.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/PitchMath.h"
#include "model/TickMath.h"
#include "timing/TieLinks.h"

#include <utility>
#include <vector>

namespace {

// The first child of the kind held with the given ownership, optionally
// also with the given reference id; -1 when there is none.
short FindLinkChild(CKVMsg& note, BYTE kind, BYTE owned, const DWORD* id)
{
    for (int i = 0; i < note.m_arrMsgRef.GetSize(); ++i) {
        const MsgRef* ref = note.m_arrMsgRef.GetAt(i);
        if (!ref || ref->byOwner != owned || (id && ref->dwMsgId != *id))
            continue;
        const CKVMsg* child = measplace::ChildAt(note, i);
        if (child && child != &note && child->m_byKind == kind)
            return static_cast<short>(i);
    }
    return -1;
}

bool Holds(const CPtrArray& notes, const CKVMsg* note)
{
    for (int i = 0; i < notes.GetSize(); ++i) {
        if (notes.GetAt(i) == note)
            return true;
    }
    return false;
}

} // namespace

short CKVMsg::GetTieIndex(BYTE owned)
{
    return FindLinkChild(*this, MSG_TIE, owned, nullptr);
}

short CKVMsg::GetSlurIndex(DWORD id, BYTE owned)
{
    return FindLinkChild(*this, MSG_SLUR, owned, &id);
}

void CKVMsg::GetMsgBindedByTie(CPtrArray& notes)
{
    // Depth first, as a recursion would go, but on a stack of our own: a
    // long chain of tied notes must not run the call stack out.
    struct Frame {
        CKVMsg* note;
        int next;
    };
    std::vector<Frame> stack {{this, 0}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        CKVMsg* note = frame.note;
        if (frame.next >= note->m_arrMsgRef.GetSize()) {
            stack.pop_back();
            continue;
        }
        CKVMsg* tie = measplace::ChildAt(*note, frame.next++);
        if (!tie || tie->m_byKind != MSG_TIE)
            continue;
        CKVMsg* first = tielink::StartOf(*tie);
        CKVMsg* second = tielink::EndOf(*tie);
        const bool firstNew = first && !Holds(notes, first);
        if (firstNew)
            notes.Add(first);
        const bool secondNew = second && !Holds(notes, second);
        if (secondNew)
            notes.Add(second);
        if (note == first && secondNew)
            stack.push_back({second, 0});
        else if (note == second && firstNew)
            stack.push_back({first, 0});
    }
}

void CKVMsg::AutoAdjustTieSlur()
{
    // The document's default tie shape; the settings' own defaults for a
    // note outside a document.
    CKVDoc* doc = DocOf(*this);
    const short dy = doc ? doc->m_CtrlTool.m_nK1 : 14;
    const short dx = doc ? doc->m_CtrlTool.m_nK2 : -4;
    const short minHeight = doc ? doc->m_CtrlTool.m_nK3 : 10;
    tickmath::ForEachChild(*this, [&](CKVMsg* child, short) {
        if (child == this)
            return false;
        if (tickmath::IsTieOrSlur(*child))
            child->SlurPosOrder(dx, dy, minHeight, kSlurSetEndX, 1, 1, kSlurResetMiddle, kTieSideByNote);
        else if (child->m_byKind == MSG_CHORD || child->m_byKind == MSG_BEAM || child->m_byKind == MSG_NOTE)
            child->AutoAdjustTieSlur();
        return false;
    });
}

void CKVMsg::AutoAdjustTuplet()
{
    const bool container = m_byKind == MSG_BEAM || m_byKind == MSG_CHORD;
    tickmath::ForEachChild(*this, [&](CKVMsg* child, short) {
        if (child == this)
            return false;
        if (child->m_byKind == MSG_TUPLET)
            child->TupletPosOrder();
        else if (container && (tickmath::IsNoteRestChord(*child) || child->m_byKind == MSG_BEAM))
            child->AutoAdjustTuplet();
        return false;
    });
}

int CKVMsg::SetSymbol(BYTE accidental, int options, int gap)
{
    if (m_byKind != MSG_NOTE)
        return 0;
    // The same accidental again without options takes it away.
    if (options == 0 && kvpitch::AccidentalCodeOf(m_byAccidental) == (accidental & ACCI_CODE_MASK) &&
        (accidental & ACCI_CODE_MASK) != ACCI_NONE)
        m_byAccidental = ACCI_NONE;
    else
        m_byAccidental = accidental;
    if (options & 1)
        m_byAccidental = static_cast<BYTE>(m_byAccidental | ACCI_SHIFT_LEFT);
    else
        m_byAccidental = static_cast<BYTE>(m_byAccidental & ACCI_CODE_MASK);
    if (options & 2)
        m_wFlag = static_cast<WORD>(m_wFlag | MSGFLAG_KEEP_ACCIDENTAL);
    else
        m_wFlag = static_cast<WORD>(m_wFlag & ~MSGFLAG_KEEP_ACCIDENTAL);
    m_nLayout4 = static_cast<short>(gap);

    MakeMidiMsgFromY(1);
    // The accidentals in force are those of the staff the note is drawn on.
    if (CKVMeas* meas = kvpitch::ContextMeasure(*this))
        meas->UpdateNoteKeySignature(kKeepSpelling, kAllowStepMove, kReorderChords, 0);
    CKVDoc* doc = DocOf(*this);
    if (doc && doc->m_pLastMember && doc->m_pLastMember->m_byKind == MSG_CHORD)
        doc->m_pLastMember->ChordKeyOrder();
    MakeNoteMarkCtrl();
    return 1;
}

void CKVMsg::SetTuplet(WORD word, WORD form)
{
    if (!tickmath::IsNoteRestChord(*this))
        return;
    auto give = [&](CKVMsg& msg) {
        msg.m_wObjWord = word;
        msg.m_dwWord = (static_cast<DWORD>(form) << 16) | (msg.m_dwWord & 0xFFFF);
    };
    give(*this);
    if (m_byKind == MSG_CHORD) {
        tickmath::ForEachChild(*this, [&](CKVMsg* member, short) {
            if (member != this && member->m_byKind == MSG_NOTE)
                give(*member);
            return false;
        });
    }
    // SetPlayTime keeps the sounding share of a note with a MIDI head; the
    // notated play time is taken afresh for every symbol.
    SetPlayTime();
    CalcPlayTime();
}
