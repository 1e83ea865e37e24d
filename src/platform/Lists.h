#pragma once
// Doubly linked lists: CPtrList (void*), CObList (CObject*) and
// CTypedPtrList<BASE, T*> over either.
//
// A POSITION is the address of a node: it stays valid until that node is
// removed, whatever else is added or removed. No list ever deletes what its
// elements point to. The lists are meant to be derived from publicly.
//
// Asking for the head or tail of an empty list, or passing a null POSITION
// where an element is needed, ends the process with a message naming the
// list: both are programming faults.

#include "Object.h"

struct KvPosition;
typedef KvPosition* POSITION;

[[noreturn]] void KvListEmptyFault(const char* container, const char* member);
[[noreturn]] void KvListPositionFault(const char* container, const char* member);

template <class TYPE>
class KvList : public CObject {
public:
    ~KvList() override { RemoveAll(); }

    int GetCount() const { return m_count; }
    BOOL IsEmpty() const { return m_count == 0; }

    TYPE& GetHead() { return NonEmpty(m_head, "GetHead")->data; }
    TYPE GetHead() const { return NonEmpty(m_head, "GetHead")->data; }
    TYPE& GetTail() { return NonEmpty(m_tail, "GetTail")->data; }
    TYPE GetTail() const { return NonEmpty(m_tail, "GetTail")->data; }

    TYPE RemoveHead()
    {
        Node* node = NonEmpty(m_head, "RemoveHead");
        TYPE value = node->data;
        Unlink(node);
        return value;
    }

    TYPE RemoveTail()
    {
        Node* node = NonEmpty(m_tail, "RemoveTail");
        TYPE value = node->data;
        Unlink(node);
        return value;
    }

    POSITION AddHead(TYPE value) { return Link(value, nullptr, m_head); }
    POSITION AddTail(TYPE value) { return Link(value, m_tail, nullptr); }

    // Adds every element of another list (which may be this one), keeping
    // their order.
    void AddHead(const KvList* other)
    {
        const int count = other->m_count;
        Node* node = other->m_tail;
        for (int i = 0; i < count; ++i, node = node->prev)
            AddHead(node->data);
    }

    void AddTail(const KvList* other)
    {
        const int count = other->m_count;
        Node* node = other->m_head;
        for (int i = 0; i < count; ++i, node = node->next)
            AddTail(node->data);
    }

    void RemoveAll()
    {
        while (m_head) {
            Node* next = m_head->next;
            delete m_head;
            m_head = next;
        }
        m_tail = nullptr;
        m_count = 0;
    }

    POSITION GetHeadPosition() const { return ToPosition(m_head); }
    POSITION GetTailPosition() const { return ToPosition(m_tail); }

    // The element at `position`; `position` moves on to the next (or
    // previous) node, or null at the end.
    TYPE& GetNext(POSITION& position) { return Step(position, "GetNext", true)->data; }
    TYPE GetNext(POSITION& position) const { return Step(position, "GetNext", true)->data; }
    TYPE& GetPrev(POSITION& position) { return Step(position, "GetPrev", false)->data; }
    TYPE GetPrev(POSITION& position) const { return Step(position, "GetPrev", false)->data; }

    TYPE& GetAt(POSITION position) { return At(position, "GetAt")->data; }
    TYPE GetAt(POSITION position) const { return At(position, "GetAt")->data; }
    void SetAt(POSITION position, TYPE value) { At(position, "SetAt")->data = value; }

    void RemoveAt(POSITION position) { Unlink(At(position, "RemoveAt")); }

    // A null position inserts at the head (before) or the tail (after).
    POSITION InsertBefore(POSITION position, TYPE value)
    {
        if (!position)
            return AddHead(value);
        Node* node = FromPosition(position);
        return Link(value, node->prev, node);
    }

    POSITION InsertAfter(POSITION position, TYPE value)
    {
        if (!position)
            return AddTail(value);
        Node* node = FromPosition(position);
        return Link(value, node, node->next);
    }

    // The first node holding `value` after `startAfter` (from the head when
    // null), or null.
    POSITION Find(TYPE value, POSITION startAfter = nullptr) const
    {
        Node* node = startAfter ? FromPosition(startAfter)->next : m_head;
        for (; node; node = node->next) {
            if (node->data == value)
                return ToPosition(node);
        }
        return nullptr;
    }

    // The node at a zero-based index, or null when out of range.
    POSITION FindIndex(int index) const
    {
        if (index < 0 || index >= m_count)
            return nullptr;
        Node* node = m_head;
        while (index-- > 0)
            node = node->next;
        return ToPosition(node);
    }

protected:
    // The class library allocates nodes in blocks of this many; nodes here
    // are allocated one by one, so the argument is accepted and ignored.
    explicit KvList(int blockSize) { static_cast<void>(blockSize); }

    // The class name shown in fault messages.
    virtual const char* ContainerName() const = 0;

private:
    struct Node {
        Node* prev;
        Node* next;
        TYPE data;
    };

    static POSITION ToPosition(Node* node) { return reinterpret_cast<POSITION>(node); }
    static Node* FromPosition(POSITION position) { return reinterpret_cast<Node*>(position); }

    Node* NonEmpty(Node* node, const char* member) const
    {
        if (!node)
            KvListEmptyFault(ContainerName(), member);
        return node;
    }

    Node* At(POSITION position, const char* member) const
    {
        if (!position)
            KvListPositionFault(ContainerName(), member);
        return FromPosition(position);
    }

    Node* Step(POSITION& position, const char* member, bool forward) const
    {
        Node* node = At(position, member);
        position = ToPosition(forward ? node->next : node->prev);
        return node;
    }

    POSITION Link(TYPE value, Node* prev, Node* next)
    {
        Node* node = new Node{prev, next, value};
        (prev ? prev->next : m_head) = node;
        (next ? next->prev : m_tail) = node;
        ++m_count;
        return ToPosition(node);
    }

    void Unlink(Node* node)
    {
        (node->prev ? node->prev->next : m_head) = node->next;
        (node->next ? node->next->prev : m_tail) = node->prev;
        delete node;
        --m_count;
    }

    Node* m_head = nullptr;
    Node* m_tail = nullptr;
    int m_count = 0;
};

class CPtrList : public KvList<void*> {
public:
    explicit CPtrList(int blockSize = 10) : KvList(blockSize) {}

protected:
    const char* ContainerName() const override { return "CPtrList"; }
};

class CObList : public KvList<CObject*> {
public:
    explicit CObList(int blockSize = 10) : KvList(blockSize) {}

protected:
    const char* ContainerName() const override { return "CObList"; }
};

// A list (BASE is CPtrList or CObList) that hands out TYPE pointers.
template <class BASE, class TYPE>
class CTypedPtrList : public BASE {
public:
    explicit CTypedPtrList(int blockSize = 10) : BASE(blockSize) {}

    // The stored pointer reinterpreted in place, as the class library does.
    TYPE& GetHead() { return reinterpret_cast<TYPE&>(BASE::GetHead()); }
    TYPE GetHead() const { return static_cast<TYPE>(BASE::GetHead()); }
    TYPE& GetTail() { return reinterpret_cast<TYPE&>(BASE::GetTail()); }
    TYPE GetTail() const { return static_cast<TYPE>(BASE::GetTail()); }
    TYPE RemoveHead() { return static_cast<TYPE>(BASE::RemoveHead()); }
    TYPE RemoveTail() { return static_cast<TYPE>(BASE::RemoveTail()); }

    POSITION AddHead(TYPE value) { return BASE::AddHead(value); }
    POSITION AddTail(TYPE value) { return BASE::AddTail(value); }
    void AddHead(const CTypedPtrList* other) { BASE::AddHead(other); }
    void AddTail(const CTypedPtrList* other) { BASE::AddTail(other); }

    TYPE& GetNext(POSITION& position) { return reinterpret_cast<TYPE&>(BASE::GetNext(position)); }
    TYPE GetNext(POSITION& position) const { return static_cast<TYPE>(BASE::GetNext(position)); }
    TYPE& GetPrev(POSITION& position) { return reinterpret_cast<TYPE&>(BASE::GetPrev(position)); }
    TYPE GetPrev(POSITION& position) const { return static_cast<TYPE>(BASE::GetPrev(position)); }
    TYPE& GetAt(POSITION position) { return reinterpret_cast<TYPE&>(BASE::GetAt(position)); }
    TYPE GetAt(POSITION position) const { return static_cast<TYPE>(BASE::GetAt(position)); }
    void SetAt(POSITION position, TYPE value) { BASE::SetAt(position, value); }
};

extern template class KvList<void*>;
extern template class KvList<CObject*>;
