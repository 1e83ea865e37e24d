// The highest point that a voice reaches over a stretch of a measure.

#include "model/KVMeas.h"

#include "model/KVMsg.h"
#include "model/TickMath.h"

#include <vector>

namespace {

// The highest point offered so far (smallest vertical position).
struct Top {
    bool found = false;
    short x = 0;
    short y = 0;

    void Offer(int atX, LONG atY)
    {
        if (found && atY >= y)
            return;
        found = true;
        x = static_cast<short>(atX);
        y = static_cast<short>(atY < -32768 ? -32768 : (atY > 32767 ? 32767 : atY));
    }
};

CKVMsg* LastNoteOf(CKVMsg& chord)
{
    CKVMsg* last = nullptr;
    for (CKVMsg* member : tickmath::LiveChildren(chord)) {
        if (member->m_byKind == MSG_NOTE)
            last = member;
    }
    return last;
}

// A chord stands at its last note's x, with that note's stem added when the
// chord's stem points up.
void OfferChord(Top& top, CKVMsg& chord)
{
    CKVMsg* last = LastNoteOf(chord);
    if (!last)
        return;
    LONG y = chord.m_nPosY;
    if (chord.m_lHeight < 0)
        y += last->m_lHeight;
    top.Offer(last->m_nPosX, y);
}

} // namespace

int CKVMeas::MaxTopPoint(BYTE voice, short x1, short x2, short& x, short& y, short& beamSlope, int& inBeam)
{
    Top top;
    inBeam = 0;
    tickmath::ForEachChild(*this, [&](CKVMsg* msg, short) {
        if (msg->m_byVoice != voice)
            return false;
        switch (msg->m_byKind) {
        case MSG_NOTE:
            if (msg->m_nPosX >= x1 && msg->m_nPosX <= x2)
                top.Offer(msg->m_nPosX, msg->m_lHeight < 0 ? msg->m_nPosY + msg->m_lHeight : msg->m_nPosY);
            break;
        case MSG_CHORD:
            if (msg->m_nPosX >= x1 && msg->m_nPosX <= x2)
                OfferChord(top, *msg);
            break;
        case MSG_BEAM:
            if (msg->m_nPosX > x2 || msg->m_nPosX2 < x1)
                break;
            inBeam = 1;
            beamSlope = static_cast<short>(msg->m_nPosY - msg->m_nPosY2);
            if (msg->m_lHeight > 0) {
                // Stems down: the heads are the top.
                for (CKVMsg* member : tickmath::LiveChildren(*msg)) {
                    if (member->m_byKind == MSG_NOTE || member->m_byKind == MSG_REST)
                        top.Offer(member->m_nPosX, member->m_nPosY);
                    else if (CKVMsg* last = member->m_byKind == MSG_CHORD ? LastNoteOf(*member) : nullptr)
                        top.Offer(last->m_nPosX, last->m_nPosY);
                }
            } else if (msg->m_nPosY <= msg->m_nPosY2) {
                top.Offer(msg->m_nPosX, msg->m_nPosY);
            } else {
                top.Offer(msg->m_nPosX2, msg->m_nPosY2);
            }
            break;
        default:
            break;
        }
        return false;
    });
    if (!top.found)
        return 0;
    x = top.x;
    y = top.y;
    return 1;
}
