#include "model/DrumTable.h"

#include "model/KVStaff.h"
#include "platform/LittleEndian.h"

#include <cstring>

CPtrArray* pDrumTable = nullptr;
short nDrumIndex = 0;

namespace {

void ResetDrumTable()
{
    pDrumTable = nullptr;
    nDrumIndex = 0;
}

KvProcessReset s_reset("drum table", &ResetDrumTable);

// The room of the kit name inside an entry; a name that fills it is cut.
constexpr size_t kDrumKitNameRoom = kDrumKitKeyWordsOffset - kDrumKitNameOffset;

const BYTE* Bytes(const DrumKitEntry* entry)
{
    return reinterpret_cast<const BYTE*>(entry);
}

void CheckIndex(const char* member, const char* what, int index, int size)
{
    if (index < 0 || index >= size)
        KvFatal("%s: %s %d out of range (size %d)", member, what, index, size);
}

DrumKitEntry* EntryAt(int index)
{
    return static_cast<DrumKitEntry*>(pDrumTable->GetAt(index));
}

// Whether the name stored in a staff head (at most `room` bytes, ending at
// its first zero) is the entry's name.
bool SameName(const char* stored, int room, const DrumKitEntry* entry)
{
    const size_t storedLength = strnlen(stored, static_cast<size_t>(room));
    const char* name = DrumKitName(entry);
    const size_t nameLength = strnlen(name, kDrumKitNameRoom);
    return storedLength == nameLength && std::memcmp(stored, name, nameLength) == 0;
}

} // namespace

const char* DrumKitName(const DrumKitEntry* entry)
{
    return reinterpret_cast<const char*>(Bytes(entry) + kDrumKitNameOffset);
}

WORD DrumKitKeyWord(const DrumKitEntry* entry, int key)
{
    CheckIndex("DrumKitKeyWord", "key", key, kDrumKitKeys);
    return GetWord(Bytes(entry) + kDrumKitKeyWordsOffset + 2 * key);
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

DrumKitEntry* GetDrumTable(CKVStaff* staff)
{
    if (!pDrumTable || pDrumTable->GetSize() == 0)
        return nullptr;
    const int count = pDrumTable->GetSize();
    if (!staff)
        return nDrumIndex >= 0 && nDrumIndex < count ? EntryAt(nDrumIndex) : nullptr;

    unsigned char* head = nullptr;
    const short length = staff->GetHead(&head);
    if (length <= 0 || !head)
        return nullptr;

    // The head is file data: its index may lie past the table, and its name
    // need not be terminated inside it.
    if (length >= kDrumKitRecordNameOffset) {
        const int index = GetWord(head);
        if (index < count) {
            DrumKitEntry* entry = EntryAt(index);
            const char* stored = reinterpret_cast<const char*>(head + kDrumKitRecordNameOffset);
            if (entry && SameName(stored, length - kDrumKitRecordNameOffset, entry))
                return entry;
        }
    }

    // The kit is gone or has moved: bring the staff back to the first kit.
    DrumKitEntry* first = EntryAt(0);
    if (!first)
        return nullptr;
    WriteDrumKitHead(*staff, 0, first);
    return first;
}

DrumKitEntry* DrumKitAt(int index)
{
    if (!pDrumTable || index < 0 || index >= pDrumTable->GetSize())
        return nullptr;
    return EntryAt(index);
}

void WriteDrumKitHead(CKVStaff& staff, WORD index, const DrumKitEntry* entry)
{
    unsigned char record[kDrumKitRecordSize] = {};
    PutWord(record, index);
    if (entry) {
        const char* name = DrumKitName(entry);
        const size_t nameLength = strnlen(name, kDrumKitRecordSize - kDrumKitRecordNameOffset - 1);
        std::memcpy(record + kDrumKitRecordNameOffset, name, nameLength);
    }
    staff.SetHead(kDrumKitRecordSize, record);
}

CPtrArray* SetDrumTable(CPtrArray* table)
{
    pDrumTable = table;
    return table;
}

short SetDrumIndex(short index)
{
    nDrumIndex = index;
    return index;
}
