#include "edit/DrumTable.h"

namespace {

const BYTE* Bytes(const DrumKitEntry* entry)
{
    return reinterpret_cast<const BYTE*>(entry);
}

void CheckIndex(const char* member, const char* what, int index, int size)
{
    if (index < 0 || index >= size)
        KvFatal("%s: %s %d out of range (size %d)", member, what, index, size);
}

} // namespace

const char* DrumKitName(const DrumKitEntry* entry)
{
    return reinterpret_cast<const char*>(Bytes(entry) + kDrumKitNameOffset);
}

WORD DrumKitKeyWord(const DrumKitEntry* entry, int key)
{
    CheckIndex("DrumKitKeyWord", "key", key, kDrumKitKeys);
    const BYTE* p = Bytes(entry) + kDrumKitKeyWordsOffset + 2 * key;
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

BYTE DrumKitKey(const DrumKitEntry* entry, int head, int row)
{
    CheckIndex("DrumKitKey", "head", head, kDrumKitHeads);
    CheckIndex("DrumKitKey", "row", row, kDrumKitRows);
    return Bytes(entry)[kDrumKitKeyTableOffset + head * kDrumKitRows + row];
}

BYTE DrumKitDefaultHead(const DrumKitEntry* entry, int row)
{
    CheckIndex("DrumKitDefaultHead", "row", row, kDrumKitRows);
    return Bytes(entry)[kDrumKitDefaultHeadsOffset + row];
}

DrumKitEntry* GetDrumTable(CKVStaff*)
{
    KV_PENDING("GetDrumTable");
    return nullptr;
}

CPtrArray* SetDrumTable(CPtrArray* table)
{
    KV_PENDING("SetDrumTable");
    return table;
}

short SetDrumIndex(short index)
{
    KV_PENDING("SetDrumIndex");
    return index;
}
