// Measure-level edits of symbols: neighbours, time ranges, stems, ties,
// tremolos, trills, position correction, split points and cross-staff moves.

#include "model/KVMeas.h"

#include "model/MeasPlace.h"

short CKVMeas::GetMsgOfLeftPos(short)
{
    KV_PENDING("CKVMeas::GetMsgOfLeftPos");
    return -1;
}

short CKVMeas::GetMsgOfRightPos(short)
{
    KV_PENDING("CKVMeas::GetMsgOfRightPos");
    return -1;
}

short CKVMeas::GetTimeFromPos(unsigned char, short)
{
    KV_PENDING("CKVMeas::GetTimeFromPos");
    return 0;
}

void CKVMeas::DeleteTimeRange(unsigned char, short, short)
{
    KV_PENDING("CKVMeas::DeleteTimeRange");
}

void CKVMeas::RemoveMidiMsgFromXToNextNote(short)
{
    KV_PENDING("CKVMeas::RemoveMidiMsgFromXToNextNote");
}

void CKVMeas::AutoUpDownNoteDir()
{
    KV_PENDING("CKVMeas::AutoUpDownNoteDir");
}

void CKVMeas::ChangeNoteDir(unsigned char, short, short)
{
    KV_PENDING("CKVMeas::ChangeNoteDir");
}

void CKVMeas::SetNoteDir(unsigned char, int, int)
{
    KV_PENDING("CKVMeas::SetNoteDir");
}

void CKVMeas::TieDirUpdate(short, short)
{
    KV_PENDING("CKVMeas::TieDirUpdate");
}

void CKVMeas::SetTremolo(unsigned char, int, int)
{
    KV_PENDING("CKVMeas::SetTremolo");
}

void CKVMeas::RemoveTremolo(unsigned char, int, int)
{
    KV_PENDING("CKVMeas::RemoveTremolo");
}

void CKVMeas::UpdateTremolo()
{
    KV_PENDING("CKVMeas::UpdateTremolo");
}

int CKVMeas::IsTrillMsg(CKVMsg* msg)
{
    // Kind 78 has no name among the symbol kinds; it counts as a trill
    // together with the line kind.
    constexpr BYTE kTrillKind = 78;
    return (msg && (msg->m_byKind == kTrillKind || msg->m_byKind == MSG_LINE)) ? 1 : 0;
}

void CKVMeas::Trill2Midi()
{
    // Trills are not played out as notes; the measure keeps its symbols.
}

void CKVMeas::UndoTrillNote()
{
    // Nothing was played out, so there is nothing to take back.
}

// Kinds placed freely on the scale, whose positions left of the scale (in
// the header) must follow a change of the header or the real width.
static bool IsFreelyPlaced(BYTE kind)
{
    switch (kind) {
    case MSG_TEMPO:
    case MSG_FREETEXT:
    case MSG_CODA:
    case MSG_ARPEGGIO:
    case MSG_OCTAVE:
    case MSG_HAIRPIN:
    case MSG_LINE:
    case MSG_TRILL:
    case MSG_ELLIPSE:
    case MSG_RECTANGLE:
    case MSG_ROUNDRECT:
    case MSG_ZIGZAG_N:
    case MSG_CURVE:
        return true;
    default:
        return false;
    }
}

void CKVMeas::MsgPosCorrect(short newHeader, short newRealWidth)
{
    const short oldHeader = m_nHeaderWidth;
    const short oldRealWidth = m_nRealWidth;
    if ((newHeader == oldHeader && newRealWidth == oldRealWidth) || oldRealWidth == 0)
        return;
    for (int i = 0; i < m_arrMsgRef.GetSize(); ++i) {
        CKVMsg* msg = measplace::ChildAt(*this, i);
        if (!msg)
            continue;
        if (msg->m_byKind == MSG_PAGESLUR) {
            // The curve's further point is an offset in dots from its anchor;
            // it is re-scaled so that the end keeps its place on the scale.
            const int dx = static_cast<short>(msg->m_wObjWord);
            const int end = MeasXToAbsX(msg->m_nPosX, msg->m_byKind) + dx - oldHeader;
            msg->MinusPosCorrect(newHeader, newRealWidth);
            const int newEnd = MulDiv(MulDiv(end, SCALE, oldRealWidth), newRealWidth, SCALE) + newHeader;
            const int newStart = MulDiv(msg->m_nPosX, newRealWidth, SCALE) + newHeader;
            const int newDx = newEnd - newStart;
            if (dx != 0)
                msg->m_wObjWord = static_cast<WORD>(MulDiv(static_cast<short>(msg->m_wObjWord), newDx, dx));
            msg->MakeMsgCtrlPoint();
        } else if (IsFreelyPlaced(msg->m_byKind)) {
            msg->MinusPosCorrect(newHeader, newRealWidth);
            msg->MakeMsgCtrlPoint();
        }
    }
}

void CKVMeas::SetPakPosByNote(short, short, short, int)
{
    KV_PENDING("CKVMeas::SetPakPosByNote");
}

void CKVMeas::BelongChordSymbolToNote()
{
    KV_PENDING("CKVMeas::BelongChordSymbolToNote");
}

void CKVMeas::NoteBelongToUpDownStaffForCrossBeam(int, unsigned char, short, short, CKVMeas*)
{
    KV_PENDING("CKVMeas::NoteBelongToUpDownStaffForCrossBeam");
}
