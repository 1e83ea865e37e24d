#pragma once
// The document a score object or a block belongs to; null outside a
// document.

#include "model/KVBlock.h"
#include "model/KVObject.h"
#include "model/KVPage.h"
#include "model/KVSystem.h"

class CKVDoc;

inline CKVDoc* DocOf(const CKVObject& node)
{
    return node.m_pSystem ? node.m_pSystem->m_pDoc : nullptr;
}

// A block lays out for its page's document, else its system's.
inline CKVDoc* DocOf(const CKVBlock& block)
{
    if (block.m_pPage && block.m_pPage->m_pDoc)
        return block.m_pPage->m_pDoc;
    return block.m_pSystem ? block.m_pSystem->m_pDoc : nullptr;
}
