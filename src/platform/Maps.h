#pragma once
// CMapPtrToPtr: a hash map from pointers to pointers.
//
// Iteration (GetStartPosition, GetNextAssoc) runs in the order the keys were
// first added, so that it is the same from run to run whatever addresses the
// keys have. Removing the key just returned by GetNextAssoc is safe while
// iterating. The map never deletes what its keys or values point to.

#include "Lists.h"
#include "Object.h"

#include <unordered_map>

class CMapPtrToPtr : public CObject {
public:
    // The block size of the class library's allocator is accepted and
    // ignored: entries are allocated one by one.
    explicit CMapPtrToPtr(int blockSize = 10);
    ~CMapPtrToPtr() override;

    int GetCount() const { return static_cast<int>(m_index.size()); }

    // TRUE, with the value, when the key is present.
    BOOL Lookup(void* key, void*& value) const;
    // The value slot of `key`, added with a null value when missing.
    void*& operator[](void* key);
    void SetAt(void* key, void* value);
    // FALSE when the key was not present.
    BOOL RemoveKey(void* key);
    void RemoveAll();

    // Null for an empty map.
    POSITION GetStartPosition() const;
    // The entry at `next`; `next` moves on, to null after the last entry.
    void GetNextAssoc(POSITION& next, void*& key, void*& value) const;

private:
    struct Assoc {
        Assoc* prev;
        Assoc* next;
        void* key;
        void* value;
    };

    std::unordered_map<void*, Assoc*> m_index;
    Assoc* m_head = nullptr;
    Assoc* m_tail = nullptr;
};
