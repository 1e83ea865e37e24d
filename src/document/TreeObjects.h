#pragma once
// The addresses of the pages, blocks, staves and measures that a document
// holds now. A pointer left over from before a structure command (in a
// selection record or the cursor) may name a freed object: it is compared
// with these, never read.

#include <unordered_set>

class CKVDoc;

class TreeObjects {
public:
    explicit TreeObjects(CKVDoc& doc);

    // Whether the pointer names an object the document no longer holds; a
    // null pointer names none.
    bool Gone(const void* object) const { return object && !m_live.count(object); }

private:
    std::unordered_set<const void*> m_live;
};
