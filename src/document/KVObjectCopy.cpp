// Deep copies of score nodes with their owned children.

#include "model/KVObject.h"

#include "MemoryGuard.h"
#include "document/CopyMsgMap.h"
#include "document/CopyPtrMap.h"
#include "document/DeepCopy.h"
#include "harmony/ChordSymbol.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"

namespace {

// A new message that copies one child of the source and hangs under holder;
// null when memory ran out (nothing of it is left behind then).
CKVMsg* CopyChild(CKVObject& holder, CKVMsg& child, bool equally)
{
    CKVMsg* copy = kvcopy::NewSymbolFor(holder, child);
    if (!copy)
        return nullptr;
    if (!kvcopy::CopyMessage(*copy, child, equally)) {
        delete copy;
        return nullptr;
    }
    if (kvcopy::IsLinkKind(child.m_byKind))
        SetCopyPtrMap(child.m_dwMsgId, copy->m_dwMsgId);
    SetCopyMsgMap(child.m_dwMsgId, copy->m_dwMsgId);
    return copy;
}

} // namespace

namespace kvcopy {

int CopyNodeFrom(CKVObject& self, CKVObject& source, bool equally)
{
    if (&self == &source)
        return 0;
    self.m_byParentKind = source.m_byParentKind;
    self.m_dwWord = source.m_dwWord;
    if (source.m_pHead && source.m_wHeadLen > 0) {
        const short length = static_cast<short>(source.m_wHeadLen);
        if (self.SetHead(length, source.m_pHead) != length)
            return 0;
    } else {
        self.SetHead(0, nullptr);
    }
    self.m_byObjKind = source.m_byObjKind;
    self.m_pPage = source.m_pPage;
    self.m_wObjWord = source.m_wObjWord;

    // Children live in a system's map: without one on either side there is
    // nothing to resolve them through, nor anywhere to put their copies.
    if (self.m_pSystem && source.m_pSystem) {
        for (int i = 0; i < source.m_arrMsgRef.GetSize(); ++i) {
            const MsgRef* ref = source.m_arrMsgRef.GetAt(i);
            CKVMsg* child = ref ? source.m_pSystem->GetMsgFromMap(ref->dwMsgId) : nullptr;
            if (!child)
                continue;
            MsgRef* newRef = KvNewReported<MsgRef>();
            if (!newRef)
                return 0;
            *newRef = *ref;
            bool pending = false;
            if (!ref->byOwner) {
                DWORD mapped = 0;
                if (LookupCopyPtrMap(ref->dwMsgId, mapped))
                    newRef->dwMsgId = mapped;
                else
                    pending = true;
            }
            // The end note of a tie or slur gets a copy of it as well, so that
            // the re-linking below has a copy to point both notes at. An
            // equal copy re-links nothing: when this copy already copied the
            // tie or slur with the note that owns it, the end names that copy
            // and a second one would leave the first ending at the source.
            const bool copiedWithOwner = equally && !ref->byOwner && !pending;
            if (ref->byOwner || (child->m_byKind != MSG_TUPLET && !copiedWithOwner)) {
                CKVMsg* copy = CopyChild(self, *child, equally);
                if (!copy) {
                    delete newRef;
                    return 0;
                }
                newRef->dwMsgId = copy->m_dwMsgId;
            }
            if (pending) {
                const DWORD sourceId = source.m_byObjKind == OBJ_MSG ? static_cast<CKVMsg&>(source).m_dwMsgId : 0;
                AddCopyPendingRef(newRef, &self, sourceId);
            }
            self.m_arrMsgRef.Add(newRef);
        }
    }

    DeleteHandles(self);
    for (int i = 0; i < source.m_arrCtrlPoint.GetSize(); ++i) {
        const CKVCtrlPoint* handle = source.m_arrCtrlPoint.GetAt(i);
        CKVCtrlPoint* copy = nullptr;
        if (handle) {
            copy = KvNewReported<CKVCtrlPoint>();
            if (!copy)
                return 0;
            *copy = *handle;
        }
        self.m_arrCtrlPoint.Add(copy);
    }

    self.m_cPointedCtrl = source.m_cPointedCtrl;
    self.m_byCtrlCount = source.m_byCtrlCount;
    return 1;
}

} // namespace kvcopy

int CKVObject::CreateFrom(CKVObject* source)
{
    if (!source)
        return 0;
    kvcopy::Scope scope;
    if (!kvcopy::CopyNodeFrom(*this, *source, false)) {
        scope.Fail();
        return 0;
    }
    return 1;
}

int CKVObject::CreateFromEqually(CKVObject* source)
{
    if (!source)
        return 0;
    kvcopy::Scope scope;
    if (!kvcopy::CopyNodeFrom(*this, *source, true)) {
        scope.Fail();
        return 0;
    }
    return 1;
}
