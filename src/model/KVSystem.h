#pragma once
// The score's staff set. The master system holds every staff and ossia staff
// of the score and the id-to-symbol map: the one table that holds every
// symbol of every measure and staff, which the nodes reach only by id. It
// also keeps the key tables that give the ids of an image being read fresh
// ids of this map.

#include "Platform.h"
#include "model/KVMsg.h"
#include "model/KVObject.h"

#include <unordered_map>

class CKVDoc;
class CKVMeas;
class CKVStaff;
class CKVStaffPtrArray;

class CKVSystem : public CKVObject {
public:
    // Staff-making modes of the staff operations.
    static constexpr short MODE_PAIR = 1001;          // upper staff clef 1, lower clef 2
    static constexpr short MODE_NORMAL = 1002;
    static constexpr short MODE_ONE_LINE_DRUM = 1003;
    static constexpr short MODE_DRUM = 1004;
    static constexpr short MODE_DRUM_SECOND = 1005;
    static constexpr short MODE_FREE_LINE = 1006;

    static constexpr int MAP_GROWTH = 2048;        // map slots added at a time
    static constexpr int KEY_TABLE_SIZE = 65536;   // old ids translated by direct lookup
    static constexpr DWORD DEFAULT_TICKS_PER_QUARTER = 240;

    // Defined in model/KVSystem.cpp
    CKVSystem();
    ~CKVSystem() override;

    // Id map and keys.
    DWORD AddMsgToMap(CKVMsg* msg);
    // Stores a symbol under a given id, padding the map and deleting another
    // occupant; rebuilds its handles when asked.
    DWORD AddMsgToMap(DWORD id, CKVMsg* msg, int rebuildCtrl);
    // The symbol with an id; null for an id out of the map, an empty slot or
    // a damaged symbol, whose slot is emptied. Inline: nodes reach every
    // child and link through it.
    CKVMsg* GetMsgFromMap(DWORD id)
    {
        if (id == 0 || id >= static_cast<DWORD>(m_arrMsgMap.GetSize()))
            return nullptr;
        CKVMsg* msg = static_cast<CKVMsg*>(m_arrMsgMap.GetData()[id]);
        if (msg && !msg->IsValidMapEntry(this)) {
            // A damaged symbol drops out of the score rather than being used.
            m_arrMsgMap.GetData()[id] = nullptr;
            return nullptr;
        }
        return msg;
    }
    void RemoveMsgFromMap(DWORD id);
    void RemoveMsgAll();
    // The fresh id of a stored id of an image being read; 0 when it has none
    // and create is 0. Inline for an id within the table, which every
    // reference and symbol of a read asks for.
    DWORD GetKey(DWORD oldId, int create)
    {
        if (oldId < static_cast<DWORD>(m_arrKey.GetSize())) {
            DWORD& entry = m_arrKey.GetData()[oldId];
            if (entry == 0 && create)
                entry = static_cast<DWORD>(m_arrMsgMap.Add(nullptr));
            return entry;
        }
        return GetNewKey(oldId, create);
    }
    void ReleaseKey();
    // Sizes the key table and the map once for a read of `bodyBytes` bytes,
    // whose every symbol record takes at least `recordBytes`: stored ids
    // below the symbols such a body can hold are then translated by direct
    // lookup, and the map takes its new ids without growing.
    void ReserveKeys(DWORD bodyBytes, DWORD recordBytes);
    void AddDeleteMsg(DWORD id);
    void AddDeleteMeas(CKVMeas* meas);

    // Staves and measures.
    CKVStaff* GetStaff(short index);
    CKVStaff* GetOssiaStaff(short index);
    short GetStaffNum();
    short GetMeasNum();
    CKVMeas* GetMeas(short staff, short meas);
    void GetMemorySize(DWORD& total);
    int IsEmptySystem();

    // The older stream form.
    short Save(CFile* file);
    short Load(CFile* file);
    short CopyToBuff(unsigned char* buffer);

    // Defined in model/KVSystemStaves.cpp
    int Create(short staffCount, LONG measCount, BYTE clefType, short timeNum, short timeDen);
    short AddStaff(short count, short mode);
    short InsertStaff(short index, short count, short mode, int lineCount, int sizePercent);
    short RemoveStaff(short index, short count);
    short AddOssiaStaff(short count, short mode);
    short InsertOssiaStaff(CKVStaff* model, short index, short count, short mode, int lineCount, int sizePercent);
    short InsertOssiaStaff(short index, short count, short mode, int lineCount, int sizePercent);
    short RemoveOssiaStaff(short index, short count);
    short AddMeas(LONG count);
    short InsertMeas(LONG index, LONG count);
    short RemoveMeas(LONG index, LONG count);
    // Merges another system after this one's last measure; the font map is
    // pairs of (old font number, new font number).
    void Import(CKVSystem* other, BYTE* fontMap, BYTE fontMapCount);

    // Defined in document/KVSystemClipboard.cpp
    // Reads the staff part of a clipboard image into this temporary system.
    short Construct(unsigned char* image, DWORD& pos, DWORD length);

    // Defined in document/KVSystemMemSize.cpp
    int GetSystemMemSize();
    int GetSysMeasMemSize(LONG index);

    // Defined in document/KVSystemRecord.cpp
    int Write(unsigned char*& buffer, DWORD* used, DWORD* capacity);
    int Write(CFile* file, DWORD& length);
    int Read(unsigned char* buffer, DWORD* pos, DWORD* length, DWORD unused);
    void TestTieSlur();

    // Defined in document/KVSystemUndo.cpp
    // Non-zero when undo took the object.
    int AddObj2BackupArray(short kind, void* object, int inserted);
    int Backup(short kind, void* object);

    // Defined in edit/KVSystemOssia.cpp
    // A new ossia staff holding copies (with new ids) of measures first ..
    // last of staff `staff` of this system, appended to the ossia list; null
    // for a bad range or when memory is out. The last argument is not used.
    CKVStaff* InsertOssia(int staff, int first, int last, unsigned char attr, unsigned long);
    CKVStaff* InsertOssia(CKVStaff* model, int first, int last, unsigned char attr, unsigned long);

    // Defined in edit/KVDocRestComp.cpp
    // 1 when no staff's measure at `index` holds a note.
    int IsRestMeas(long index);

    // Defined in edit/KVObjectPaste.cpp
    // Copies the ticks per quarter, then the node part; not the staves.
    void Copy(CKVSystem& source);

    // Defined in edit/KVStructCheck.cpp
    // Runs CKVMsg::TestMsgStruct on every symbol of every staff and ossia
    // staff.
    void TestSystemStruct();

    // Defined in timing/KVSystemSpacing.cpp
    int GetNoteKind(int ticks);
    short GetGoodMeasWidthInNatural(int meas, int allStaves);
    short GetGoodMeasWidthInMath(int meas, int allStaves);

    // Fields.
    CKVStaffPtrArray* m_pStaffArray = nullptr;      // owned, and so are its staves
    CKVStaffPtrArray* m_pOssiaStaffArray = nullptr; // owned, and so are its staves
    CTypedPtrArray<CPtrArray, CKVMsg*> m_arrMsgMap;  // slot i holds the symbol with id i; slot 0 empty
    CDWordArray m_arrKey;           // old id below 65536 -> new id
    CDWordArray m_arrLargeKey;      // old ids of 65536 and above, in the order met
    CDWordArray m_arrLargeKeyValue; // the new id of each large key
    // Large key -> its place in the two lists above; a read meets every id
    // again and again, and a search of the list made large reads quadratic.
    std::unordered_map<DWORD, int> m_mapLargeKeyIndex;
    CKVDoc* m_pDoc = nullptr;
    DWORD m_dwTicksPerQuarter = DEFAULT_TICKS_PER_QUARTER;

private:
    // GetKey for an id the table does not hold yet, and for the first call,
    // which makes the table.
    DWORD GetNewKey(DWORD oldId, int create);
};
