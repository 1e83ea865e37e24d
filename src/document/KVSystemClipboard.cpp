// A temporary system built from the staff part of a clipboard image, and
// the repairs of what the copy cut off: references to symbols left behind,
// and ties and slurs that lost an end or changed their nature.

#include "model/KVSystem.h"

#include "document/DeepCopy.h"
#include "document/KVDoc.h"
#include "document/RecordIO.h"
#include "model/KVMsg.h"
#include "timing/TieLinks.h"

#include <cstring>

using namespace kvrec;

namespace {

constexpr DWORD kTagOffset = 4;
constexpr DWORD kRecordOffset = 8;

// Drops every reference of holder to id; frees nothing.
void Unlink(CKVObject& holder, DWORD id)
{
    for (int i = holder.m_arrMsgRef.GetSize() - 1; i >= 0; --i) {
        MsgRef* ref = holder.m_arrMsgRef.GetAt(i);
        if (ref && ref->dwMsgId == id) {
            delete ref;
            holder.m_arrMsgRef.RemoveAt(i);
        }
    }
}

// A note keeps the references it owns and its ties, slurs and tuplets; a
// reference to anything else (or to nothing) names a symbol the image does
// not carry.
void DropForeignRefs(CKVSystem& system, CKVMsg& note)
{
    for (int i = note.m_arrMsgRef.GetSize() - 1; i >= 0; --i) {
        MsgRef* ref = note.m_arrMsgRef.GetAt(i);
        if (!ref || ref->byOwner)
            continue;
        const CKVMsg* target = system.GetMsgFromMap(ref->dwMsgId);
        if (target && kvcopy::IsLinkKind(target->m_byKind))
            continue;
        delete ref;
        note.m_arrMsgRef.RemoveAt(i);
    }
}

void RemoveLink(CKVSystem& system, CKVMsg& link, CKVMsg* start, CKVMsg* end)
{
    const DWORD id = link.m_dwMsgId;
    // The surviving notes no longer continue this tie, but keep a flag that
    // another of their ties still needs (a slur of the note judged a tie
    // in the image); a slur set no flag.
    const bool tie = link.m_byKind == MSG_TIE;
    if (start) {
        Unlink(*start, id);
        if (tie && start->m_byKind == MSG_NOTE)
            tielink::DropTieFlag(*start, true);
    }
    if (end) {
        Unlink(*end, id);
        if (tie && end->m_byKind == MSG_NOTE)
            tielink::DropTieFlag(*end, false);
    }
    if (link.m_pParent && link.m_pParent != start && link.m_pParent != end)
        Unlink(*link.m_pParent, id);
    system.RemoveMsgFromMap(id);
}

void RepairTieOrSlur(CKVSystem& system, CKVMsg& link)
{
    CKVMsg* start = system.GetMsgFromMap(link.m_dwWord);
    CKVMsg* end = system.GetMsgFromMap(static_cast<DWORD>(link.m_lHeight));
    if (!start || !end || start->m_byKind != MSG_NOTE || end->m_byKind != MSG_NOTE) {
        RemoveLink(system, link, start, end);
        return;
    }
    CKVDoc* doc = system.m_pDoc;
    const bool tie = tielink::JudgedTie(link, *start, doc && doc->IsEnableBindByTie(start, end, 0));
    link.m_byKind = tie ? MSG_TIE : MSG_SLUR;
    tielink::MarkJudgedLink(*start, *end, tie);
}

} // namespace

short CKVSystem::Construct(unsigned char* image, DWORD& pos, DWORD)
{
    if (!image)
        return -1;
    // The size word bounds every read; the caller has checked it against
    // the bytes it holds.
    DWORD total = GetU32(image);
    if (total < kRecordOffset || std::memcmp(image + kTagOffset, "STAF", 4) != 0) {
        pos = kTagOffset;
        return 1;
    }
    pos = kRecordOffset;
    if (!Read(image, &pos, &total, 0))
        return -1;

    for (int i = 1; i < m_arrMsgMap.GetSize(); ++i) {
        CKVMsg* msg = m_arrMsgMap.GetAt(i);
        if (msg && !msg->IsValidMsg(this))
            m_arrMsgMap.SetAt(i, nullptr);
    }
    for (int i = 1; i < m_arrMsgMap.GetSize(); ++i) {
        CKVMsg* msg = GetMsgFromMap(static_cast<DWORD>(i));
        if (msg && msg->m_byKind == MSG_NOTE)
            DropForeignRefs(*this, *msg);
    }
    for (int i = 1; i < m_arrMsgMap.GetSize(); ++i) {
        CKVMsg* msg = GetMsgFromMap(static_cast<DWORD>(i));
        if (msg && (msg->m_byKind == MSG_TIE || msg->m_byKind == MSG_SLUR))
            RepairTieOrSlur(*this, *msg);
    }
    for (int i = 1; i < m_arrMsgMap.GetSize(); ++i) {
        CKVMsg* msg = GetMsgFromMap(static_cast<DWORD>(i));
        // A note copied without the tie it continued or started keeps no
        // tie flag on that side: the image does not carry the other note.
        if (msg && msg->m_byKind == MSG_NOTE)
            tielink::ClearLonelyTieFlags(*msg);
    }
    return 1;
}
