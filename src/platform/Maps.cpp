#include "Maps.h"

#include "Fatal.h"

CMapPtrToPtr::CMapPtrToPtr(int blockSize)
{
    static_cast<void>(blockSize);
}

CMapPtrToPtr::~CMapPtrToPtr()
{
    RemoveAll();
}

BOOL CMapPtrToPtr::Lookup(void* key, void*& value) const
{
    const auto found = m_index.find(key);
    if (found == m_index.end())
        return FALSE;
    value = found->second->value;
    return TRUE;
}

void*& CMapPtrToPtr::operator[](void* key)
{
    Assoc*& slot = m_index[key];
    if (!slot) {
        slot = new Assoc{m_tail, nullptr, key, nullptr};
        (m_tail ? m_tail->next : m_head) = slot;
        m_tail = slot;
    }
    return slot->value;
}

void CMapPtrToPtr::SetAt(void* key, void* value)
{
    (*this)[key] = value;
}

BOOL CMapPtrToPtr::RemoveKey(void* key)
{
    const auto found = m_index.find(key);
    if (found == m_index.end())
        return FALSE;
    Assoc* assoc = found->second;
    m_index.erase(found);
    (assoc->prev ? assoc->prev->next : m_head) = assoc->next;
    (assoc->next ? assoc->next->prev : m_tail) = assoc->prev;
    delete assoc;
    return TRUE;
}

void CMapPtrToPtr::RemoveAll()
{
    while (m_head) {
        Assoc* next = m_head->next;
        delete m_head;
        m_head = next;
    }
    m_tail = nullptr;
    m_index.clear();
}

POSITION CMapPtrToPtr::GetStartPosition() const
{
    return reinterpret_cast<POSITION>(m_head);
}

void CMapPtrToPtr::GetNextAssoc(POSITION& next, void*& key, void*& value) const
{
    if (!next)
        KvFatal("CMapPtrToPtr::GetNextAssoc: null POSITION");
    const Assoc* assoc = reinterpret_cast<const Assoc*>(next);
    key = assoc->key;
    value = assoc->value;
    next = reinterpret_cast<POSITION>(assoc->next);
}
