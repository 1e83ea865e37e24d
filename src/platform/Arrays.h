#pragma once
// Growable arrays with int indexes: CPtrArray, CWordArray, CDWordArray,
// CByteArray, CStringArray, CTypedPtrArray<BASE, T*> and CArray<T, ARG>.
//
// All share one core over std::vector, so GetData() points at contiguous
// elements. New slots (SetSize, InsertAt or SetAtGrow past the end) hold
// zero, null or a value-initialised element. No array ever deletes what its
// elements point to.
//
// An index out of range in GetAt, SetAt, ElementAt, operator[] or RemoveAt
// ends the process with a message naming the array, the index and the size:
// such an index is a programming fault, and stopping at once keeps it from
// corrupting memory.

#include "Object.h"
#include "ObjectPool.h"
#include "String.h"

#include <vector>

// End the process for a bad index, size or range; shared by the arrays.
[[noreturn]] void KvArrayIndexFault(const char* container, const char* member, int index, int size);
[[noreturn]] void KvArrayRangeFault(const char* container, const char* member, int index, int count, int size);
[[noreturn]] void KvArraySizeFault(const char* container, int newSize);

template <class TYPE, class ARG_TYPE>
class KvArray : public CObject {
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    int GetUpperBound() const { return GetSize() - 1; }

    // The growth step is a hint of the class library's allocator; the
    // vector grows geometrically on its own, so it is accepted and ignored.
    void SetSize(int newSize, int growBy = -1)
    {
        static_cast<void>(growBy);
        if (newSize < 0)
            KvArraySizeFault(ContainerName(), newSize);
        m_items.resize(static_cast<size_t>(newSize));
    }

    // Not of the class library: room for `count` elements in all, for a
    // reader that knows its count (already checked) before it adds them one
    // by one. The size does not change.
    void Reserve(int count)
    {
        if (count > 0)
            m_items.reserve(static_cast<size_t>(count));
    }

    const TYPE& GetAt(int index) const { return m_items[Checked(index, "GetAt")]; }
    void SetAt(int index, ARG_TYPE value) { m_items[Checked(index, "SetAt")] = value; }
    TYPE& ElementAt(int index) { return m_items[Checked(index, "ElementAt")]; }
    const TYPE& operator[](int index) const { return m_items[Checked(index, "operator[]")]; }
    TYPE& operator[](int index) { return m_items[Checked(index, "operator[]")]; }

    const TYPE* GetData() const { return m_items.data(); }
    TYPE* GetData() { return m_items.data(); }

    // Returns the new element's index.
    int Add(ARG_TYPE value)
    {
        m_items.push_back(value);
        return GetSize() - 1;
    }

    // Grows the array as needed; the slots in between are zero.
    void SetAtGrow(int index, ARG_TYPE value)
    {
        if (index < 0)
            KvArrayIndexFault(ContainerName(), "SetAtGrow", index, GetSize());
        // The value may refer into the array, which the growth moves.
        TYPE copy(value);
        if (index >= GetSize())
            m_items.resize(static_cast<size_t>(index) + 1);
        m_items[static_cast<size_t>(index)] = copy;
    }

    // Inserts `count` copies at `index`; past the end, the gap is zero.
    void InsertAt(int index, ARG_TYPE value, int count = 1)
    {
        if (index < 0 || count < 0)
            KvArrayRangeFault(ContainerName(), "InsertAt", index, count, GetSize());
        TYPE copy(value);
        if (index > GetSize())
            m_items.resize(static_cast<size_t>(index));
        m_items.insert(m_items.begin() + index, static_cast<size_t>(count), copy);
    }

    // Inserts all elements of another array (which may be this one).
    void InsertAt(int index, const KvArray* other)
    {
        if (index < 0)
            KvArrayIndexFault(ContainerName(), "InsertAt", index, GetSize());
        const Items copy(other->m_items);
        if (index > GetSize())
            m_items.resize(static_cast<size_t>(index));
        m_items.insert(m_items.begin() + index, copy.begin(), copy.end());
    }

    void RemoveAt(int index, int count = 1)
    {
        if (index < 0 || count < 0 || count > GetSize() - index)
            KvArrayRangeFault(ContainerName(), "RemoveAt", index, count, GetSize());
        m_items.erase(m_items.begin() + index, m_items.begin() + index + count);
    }

    void RemoveAll() { m_items.clear(); }

    // Appends the other array's elements; returns the index of the first.
    int Append(const KvArray& other)
    {
        const int first = GetSize();
        const Items copy(other.m_items);
        m_items.insert(m_items.end(), copy.begin(), copy.end());
        return first;
    }

    void Copy(const KvArray& other)
    {
        if (&other != this)
            m_items = other.m_items;
    }

protected:
    KvArray() = default;

    // The class name shown when an index is out of range.
    virtual const char* ContainerName() const = 0;

private:
    size_t Checked(int index, const char* member) const
    {
        if (index < 0 || index >= GetSize())
            KvArrayIndexFault(ContainerName(), member, index, GetSize());
        return static_cast<size_t>(index);
    }

    // The elements come from the object pool: every score node holds two
    // of these lists, and a large score holds them by the hundred thousand.
    using Items = std::vector<TYPE, KvPoolAllocator<TYPE>>;
    Items m_items;
};

class CPtrArray : public KvArray<void*, void*> {
protected:
    const char* ContainerName() const override { return "CPtrArray"; }
};

class CWordArray : public KvArray<WORD, WORD> {
protected:
    const char* ContainerName() const override { return "CWordArray"; }
};

class CDWordArray : public KvArray<DWORD, DWORD> {
protected:
    const char* ContainerName() const override { return "CDWordArray"; }
};

class CByteArray : public KvArray<BYTE, BYTE> {
protected:
    const char* ContainerName() const override { return "CByteArray"; }
};

class CStringArray : public KvArray<CString, const CString&> {
protected:
    const char* ContainerName() const override { return "CStringArray"; }
};

// An array of elements copied with their own copy operations.
template <class TYPE, class ARG_TYPE>
class CArray : public KvArray<TYPE, ARG_TYPE> {
protected:
    const char* ContainerName() const override { return "CArray"; }
};

// A pointer array (BASE is CPtrArray) that hands out TYPE pointers.
template <class BASE, class TYPE>
class CTypedPtrArray : public BASE {
public:
    using BASE::InsertAt;

    TYPE GetAt(int index) const { return static_cast<TYPE>(BASE::GetAt(index)); }
    void SetAt(int index, TYPE value) { BASE::SetAt(index, value); }
    // The stored pointer reinterpreted in place, as the class library does.
    TYPE& ElementAt(int index) { return reinterpret_cast<TYPE&>(BASE::ElementAt(index)); }
    TYPE operator[](int index) const { return static_cast<TYPE>(BASE::operator[](index)); }
    TYPE& operator[](int index) { return reinterpret_cast<TYPE&>(BASE::operator[](index)); }

    int Add(TYPE value) { return BASE::Add(value); }
    void SetAtGrow(int index, TYPE value) { BASE::SetAtGrow(index, value); }
    void InsertAt(int index, TYPE value, int count = 1) { BASE::InsertAt(index, value, count); }
};

extern template class KvArray<void*, void*>;
extern template class KvArray<WORD, WORD>;
extern template class KvArray<DWORD, DWORD>;
extern template class KvArray<BYTE, BYTE>;
extern template class KvArray<CString, const CString&>;
