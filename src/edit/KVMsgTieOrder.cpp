// Re-judging whether each tie or slur of a note is a tie or a slur.

#include "model/KVMsg.h"

#include "document/KVDoc.h"
#include "model/KVSystem.h"
#include "model/NodeDoc.h"
#include "model/TickMath.h"
#include "timing/TieLinks.h"
#include "MemoryGuard.h"

namespace {

constexpr int kTieOrderMemory = 1000000;

} // namespace

void CKVMsg::TieMsgOrder(int, CKVMsg*)
{
    if (m_byKind != MSG_NOTE || GetMsgNum() == 0 || !m_pSystem)
        return;
    CKVDoc* doc = DocOf(*this);
    if (!doc || !CheckAvailableMemory(kTieOrderMemory))
        return;
    tickmath::ForEachChild(*this, [&](CKVMsg* child, short) {
        if (child->m_byKind != MSG_TIE && child->m_byKind != MSG_SLUR)
            return false;
        CKVMsg* first = m_pSystem->GetMsgFromMap(child->m_dwWord);
        CKVMsg* second = m_pSystem->GetMsgFromMap(static_cast<DWORD>(child->m_lHeight));
        if (!first || !second)
            return false;
        // Only this pair's two halves change: another tie or slur of the far
        // note joins it to a third note and keeps its own kind.
        CKVMsg* twin = child->GetAnotherTieMsg(first == this ? 1 : 0);
        const bool tie = tielink::JudgedTie(*child, *first, doc->IsEnableBindByTie(first, second, 0) != 0);
        const BYTE kind = tie ? MSG_TIE : MSG_SLUR;
        child->m_byKind = kind;
        if (twin)
            twin->m_byKind = kind;
        tielink::MarkJudgedLink(*first, *second, tie);
        return false;
    });
}
