// Ties, slurs, accidental symbols and tuplet words of notes.

#include "model/KVMsg.h"

#include "timing/TickMath.h"

short CKVMsg::GetTieIndex(BYTE)
{
    KV_PENDING("CKVMsg::GetTieIndex");
    return -1;
}

short CKVMsg::GetSlurIndex(DWORD, BYTE)
{
    KV_PENDING("CKVMsg::GetSlurIndex");
    return -1;
}

void CKVMsg::GetMsgBindedByTie(CPtrArray&)
{
    KV_PENDING("CKVMsg::GetMsgBindedByTie");
}

void CKVMsg::AutoAdjustTieSlur()
{
    KV_PENDING("CKVMsg::AutoAdjustTieSlur");
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

int CKVMsg::SetSymbol(BYTE, int, int)
{
    KV_PENDING("CKVMsg::SetSymbol");
    return 0;
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
