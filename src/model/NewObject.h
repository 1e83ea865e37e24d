#pragma once
// Making a score object that may fail: the counted allocation, the
// out-of-memory report when it fails, and for a node of the tree its
// system, kind and parent. The caller returns its own failure value on null.

#include "AllocHook.h"
#include "MemoryGuard.h"
#include "model/KVObject.h"

#include <utility>

// A new T, or null after the out-of-memory report.
template <typename T, typename... Args>
T* KvNewReported(Args&&... args)
{
    T* object = KvNew<T>(std::forward<Args>(args)...);
    if (!object)
        ReportOutOfMemory(1);
    return object;
}

// A new node of `system`, initialised as `objectKind`, under `parent`
// (whose object kind is `parentKind`); null after the out-of-memory report.
template <typename T>
T* KvNewChild(CKVSystem* system, short objectKind, CKVObject* parent, BYTE parentKind)
{
    T* object = KvNewReported<T>();
    if (!object)
        return nullptr;
    // Through the node base: a class may hide Initialize with one of its own.
    CKVObject* node = object;
    node->Initialize(system, objectKind);
    node->m_pParent = parent;
    node->m_byParentKind = parentKind;
    return object;
}
