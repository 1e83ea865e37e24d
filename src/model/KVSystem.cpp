// The system: its staff lists, the id-to-symbol map, the id keys of a read,
// and the system's older stream form.

#include "model/KVSystem.h"

#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/NewObject.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <unordered_set>
#include <vector>

namespace {

// Bytes the system itself counts for, before its staves and map slots.
constexpr DWORD kSystemBytes = 172;

void DeleteStaves(CKVStaffPtrArray* list)
{
    if (!list)
        return;
    for (int i = 0; i < list->GetSize(); ++i)
        delete list->GetAt(i);
    list->RemoveAll();
}

} // namespace

CKVSystem::CKVSystem()
{
    m_pStaffArray = new CKVStaffPtrArray;
    m_pOssiaStaffArray = new CKVStaffPtrArray;
    m_arrMsgMap.SetSize(1, MAP_GROWTH);
}

CKVSystem::~CKVSystem()
{
    // Every symbol of the map goes first, once, including those that no
    // owning reference holds any more (a deferred removal, say); the staves
    // and measures then find their children gone from the map.
    RemoveMsgAll();
    DeleteStaves(m_pStaffArray);
    DeleteStaves(m_pOssiaStaffArray);
    RemoveAllMsg();
    delete m_pStaffArray;
    delete m_pOssiaStaffArray;
    m_pStaffArray = nullptr;
    m_pOssiaStaffArray = nullptr;
    ReleaseKey();
    m_arrMsgMap.RemoveAll();
}

DWORD CKVSystem::AddMsgToMap(CKVMsg* msg)
{
    if (!msg)
        return 0;
    const DWORD id = msg->m_dwMsgId;
    const bool holdsIt = id != 0 && id < static_cast<DWORD>(m_arrMsgMap.GetSize()) && m_arrMsgMap.GetAt(static_cast<int>(id)) == msg;
    if (holdsIt) {
        msg->m_pSystem = this;
        msg->MakeMsgCtrlPoint();
    } else {
        // A copy still carrying its source's id, or a symbol from elsewhere,
        // gets a slot of its own; the old slot is left alone.
        msg->m_dwMsgId = static_cast<DWORD>(m_arrMsgMap.Add(msg));
        msg->m_pSystem = this;
        // A copy keeps the handles it was copied with.
        if (id == 0)
            msg->MakeMsgCtrlPoint();
    }
    if (m_pDoc)
        m_pDoc->m_bModified = 1;
    return msg->m_dwMsgId;
}

DWORD CKVSystem::AddMsgToMap(DWORD id, CKVMsg* msg, int rebuildCtrl)
{
    // Slot 0 is never given out, and an id must be a slot index.
    if (!msg || id == 0 || id >= static_cast<DWORD>(INT_MAX))
        return 0;
    const int slot = static_cast<int>(id);
    if (m_arrMsgMap.GetSize() <= slot)
        m_arrMsgMap.SetSize(slot + 1, MAP_GROWTH);
    CKVMsg* occupant = m_arrMsgMap.GetAt(slot);
    if (occupant && occupant != msg)
        RemoveMsgFromMap(id);
    m_arrMsgMap.SetAt(slot, msg);
    msg->m_dwMsgId = id;
    msg->m_pSystem = this;
    if (rebuildCtrl)
        msg->MakeMsgCtrlPoint();
    return id;
}

void CKVSystem::RemoveMsgFromMap(DWORD id)
{
    CKVMsg* msg = GetMsgFromMap(id);
    if (!msg)
        return;
    m_arrMsgMap.SetAt(static_cast<int>(id), nullptr);
    delete msg;
}

void CKVSystem::RemoveMsgAll()
{
    // Every symbol goes once, also one that sits in several slots. The map is
    // emptied before any symbol goes, so symbols deleting their own children
    // meet no stale slot, and a tie or slur does not search a full map for
    // itself (which made emptying a large score quadratic).
    //
    // A symbol goes with the slot its id names. A slot that holds a symbol
    // under another id is rare (a tie in two slots, say): such a symbol goes
    // with its own slot when that slot holds it, and otherwise once, from the
    // first of those slots. One pass over the symbols, no search.
    const int slots = m_arrMsgMap.GetSize();
    std::vector<CKVMsg*> symbols;
    symbols.reserve(static_cast<size_t>(slots));
    std::vector<CKVMsg*> elsewhere;
    constexpr int kAheadId = 16;
    for (int i = 1; i < slots; ++i) {
        // Each symbol's id is read, a cache miss each in a large score: the
        // symbols a little further on are fetched meanwhile.
        if (i + kAheadId < slots) {
            if (const void* ahead = m_arrMsgMap.GetData()[i + kAheadId])
                __builtin_prefetch(ahead);
        }
        CKVMsg* msg = m_arrMsgMap.GetAt(i);
        if (!msg)
            continue;
        if (msg->m_dwMsgId == static_cast<DWORD>(i))
            symbols.push_back(msg);
        else
            elsewhere.push_back(msg);
    }
    if (!elsewhere.empty()) {
        std::unordered_set<CKVMsg*> taken;
        for (CKVMsg* msg : elsewhere) {
            const DWORD id = msg->m_dwMsgId;
            const bool ownSlot = id < static_cast<DWORD>(slots) && m_arrMsgMap.GetAt(static_cast<int>(id)) == msg;
            if (!ownSlot && taken.insert(msg).second)
                symbols.push_back(msg);
        }
    }
    m_arrMsgMap.RemoveAll();
    m_arrMsgMap.SetSize(1, MAP_GROWTH);
    // A large score's symbols are long out of the cache when they go: each
    // deletion fetches, a few ahead, the symbol and then its lists and head,
    // and then the handles in its list, so that they are at hand when their
    // turn comes. (Written out here: a function that only prefetches counts
    // as one without effects, and its calls would be dropped.)
    constexpr size_t kAheadSymbol = 16;
    constexpr size_t kAheadParts = 8;
    constexpr size_t kAheadHandles = 4;
    const size_t count = symbols.size();
    for (size_t i = 0; i < count; ++i) {
        if (i + kAheadSymbol < count) {
            const char* base = reinterpret_cast<const char*>(symbols[i + kAheadSymbol]);
            for (size_t offset = 0; offset < sizeof(CKVMsg); offset += 64)
                __builtin_prefetch(base + offset, 1);
        }
        if (i + kAheadParts < count) {
            const CKVMsg* ahead = symbols[i + kAheadParts];
            if (const void* handles = ahead->m_arrCtrlPoint.GetData())
                __builtin_prefetch(handles);
            if (const void* refs = ahead->m_arrMsgRef.GetData())
                __builtin_prefetch(refs);
            if (ahead->m_pHead)
                __builtin_prefetch(ahead->m_pHead, 1);
        }
        if (i + kAheadHandles < count) {
            const CKVMsg* ahead = symbols[i + kAheadHandles];
            const int handles = ahead->m_arrCtrlPoint.GetSize();
            for (int h = 0; h < handles && h < 4; ++h)
                __builtin_prefetch(ahead->m_arrCtrlPoint.GetData()[h], 1);
        }
        delete symbols[i];
    }
    m_arrMsgMap.RemoveAll();
    m_arrMsgMap.SetSize(1, MAP_GROWTH);
}

DWORD CKVSystem::GetNewKey(DWORD oldId, int create)
{
    if (m_arrKey.GetSize() == 0)
        m_arrKey.SetSize(KEY_TABLE_SIZE);
    // The table is at least KEY_TABLE_SIZE long; a read may have made it
    // longer.
    if (oldId < static_cast<DWORD>(m_arrKey.GetSize())) {
        // In range, so read in place: every reference and symbol of a read
        // comes through here.
        DWORD& entry = m_arrKey.GetData()[oldId];
        if (entry == 0 && create)
            entry = static_cast<DWORD>(m_arrMsgMap.Add(nullptr));
        return entry;
    }
    const auto known = m_mapLargeKeyIndex.find(oldId);
    if (known != m_mapLargeKeyIndex.end())
        return m_arrLargeKeyValue.GetAt(known->second);
    if (!create)
        return 0;
    const DWORD newId = static_cast<DWORD>(m_arrMsgMap.Add(nullptr));
    const int entry = m_arrLargeKey.Add(oldId);
    m_arrLargeKeyValue.Add(newId);
    m_mapLargeKeyIndex.emplace(oldId, entry);
    return newId;
}

void CKVSystem::ReleaseKey()
{
    m_arrKey.RemoveAll();
    m_arrLargeKey.RemoveAll();
    m_arrLargeKeyValue.RemoveAll();
    m_mapLargeKeyIndex.clear();
}

void CKVSystem::ReserveKeys(DWORD bodyBytes, DWORD recordBytes)
{
    if (recordBytes == 0)
        return;
    const DWORD symbols = bodyBytes / recordBytes;
    const int table = KEY_TABLE_SIZE + static_cast<int>(symbols);
    if (m_arrKey.GetSize() < table)
        m_arrKey.SetSize(table);
    m_arrMsgMap.Reserve(m_arrMsgMap.GetSize() + static_cast<int>(symbols));
}

void CKVSystem::AddDeleteMsg(DWORD id)
{
    if (m_pDoc)
        m_pDoc->m_arrDeleteMsgId.Add(id);
}

void CKVSystem::AddDeleteMeas(CKVMeas* meas)
{
    if (m_pDoc)
        m_pDoc->m_arrDeleteMeas.Add(meas);
}

CKVStaff* CKVSystem::GetStaff(short index)
{
    if (!m_pStaffArray || index < 0 || index >= m_pStaffArray->GetSize())
        return nullptr;
    return m_pStaffArray->GetAt(index);
}

CKVStaff* CKVSystem::GetOssiaStaff(short index)
{
    if (!m_pOssiaStaffArray || index < 0 || index >= m_pOssiaStaffArray->GetSize())
        return nullptr;
    return m_pOssiaStaffArray->GetAt(index);
}

short CKVSystem::GetStaffNum()
{
    return m_pStaffArray ? static_cast<short>(m_pStaffArray->GetSize()) : 0;
}

short CKVSystem::GetMeasNum()
{
    CKVStaff* staff = GetStaff(0);
    return staff ? static_cast<short>(staff->GetMeasNum()) : 0;
}

CKVMeas* CKVSystem::GetMeas(short staffIndex, short measIndex)
{
    CKVStaff* staff = GetStaff(staffIndex);
    if (!staff || measIndex < 0 || measIndex >= staff->GetMeasNum())
        return nullptr;
    return staff->GetMeas(measIndex);
}

void CKVSystem::GetMemorySize(DWORD& total)
{
    const int staves = m_pStaffArray ? m_pStaffArray->GetSize() : 0;
    const int ossia = m_pOssiaStaffArray ? m_pOssiaStaffArray->GetSize() : 0;
    total += kSystemBytes + 4 * static_cast<DWORD>(staves + ossia + m_arrMsgMap.GetSize());
    for (int i = 0; i < staves; ++i)
        m_pStaffArray->GetAt(i)->GetMemorySize(total);
    for (int i = 0; i < ossia; ++i)
        m_pOssiaStaffArray->GetAt(i)->GetMemorySize(total);
}

int CKVSystem::IsEmptySystem()
{
    if (!m_pDoc)
        return 1;
    const short pages = m_pDoc->GetPageNum();
    for (short i = 0; i < pages; ++i) {
        CKVPage* page = m_pDoc->GetPage(i);
        if (page && !page->IsNoStaffPage())
            return 0;
    }
    return 1;
}

// The stream form: a 32-bit symbol count and the symbols' stream records,
// the node record, the staff count and ticks per quarter (32 bits each),
// then each staff's stream record. Save and Load give the node part's
// length plus 8, CopyToBuff the total; -1 when a part fails.

namespace {

// The symbols of the map that pass the validity test, in id order.
std::vector<CKVMsg*> MapSymbols(CKVSystem& system)
{
    std::vector<CKVMsg*> out;
    for (int i = 1; i < system.m_arrMsgMap.GetSize(); ++i) {
        if (CKVMsg* msg = system.GetMsgFromMap(static_cast<DWORD>(i)))
            out.push_back(msg);
    }
    return out;
}

} // namespace

short CKVSystem::Save(CFile* file)
{
    const std::vector<CKVMsg*> symbols = MapSymbols(*this);
    unsigned char word[4];
    PutDword(word, static_cast<DWORD>(symbols.size()));
    file->Write(word, 4);
    for (CKVMsg* msg : symbols) {
        if (msg->Save(file) < 0)
            return -1;
    }
    const short node = CKVObject::Save(file);
    if (node <= 0)
        return -1;
    unsigned char counts[8];
    PutDword(counts, static_cast<DWORD>(GetStaffNum()));
    PutDword(counts + 4, m_dwTicksPerQuarter);
    file->Write(counts, 8);
    for (short i = 0; i < GetStaffNum(); ++i) {
        if (GetStaff(i)->Save(file) < 0)
            return -1;
    }
    return static_cast<short>(node + 8);
}

short CKVSystem::Load(CFile* file)
{
    unsigned char word[4];
    if (file->Read(word, 4) != 4)
        return -1;
    const DWORD symbolCount = GetDword(word);
    for (DWORD i = 0; i < symbolCount; ++i) {
        CKVMsg* msg = KvNewReported<CKVMsg>();
        if (!msg)
            return 0;
        if (msg->Load(file) < 0) {
            delete msg;
            return -1;
        }
        // The record carries the symbol's id; it goes back into that slot.
        if (msg->m_dwMsgId != 0 && AddMsgToMap(msg->m_dwMsgId, msg, 1) != 0)
            continue;
        msg->m_dwMsgId = 0;
        AddMsgToMap(msg);
    }
    const short node = CKVObject::Load(file);
    if (node <= 0)
        return -1;
    unsigned char counts[8];
    if (file->Read(counts, 8) != 8)
        return -1;
    // Ticks per quarter is written for the reader's information only.
    const DWORD staffCount = GetDword(counts);
    for (DWORD i = 0; i < staffCount; ++i) {
        CKVStaff* staff = KvNewChild<CKVStaff>(this, OBJ_STAFF, this, m_byObjKind);
        if (!staff)
            return 0;
        if (staff->Load(file) < 0) {
            delete staff;
            return -1;
        }
        m_pStaffArray->Add(staff);
    }
    return static_cast<short>(node + 8);
}

short CKVSystem::CopyToBuff(unsigned char* buffer)
{
    unsigned char* p = buffer;
    const std::vector<CKVMsg*> symbols = MapSymbols(*this);
    PutDword(p, static_cast<DWORD>(symbols.size()));
    p += 4;
    for (CKVMsg* msg : symbols) {
        const short length = msg->CopyToBuff(p);
        if (length < 0)
            return -1;
        p += length;
    }
    const short node = CKVObject::CopyToBuff(p);
    if (node < 0)
        return -1;
    p += node;
    PutDword(p, static_cast<DWORD>(GetStaffNum()));
    PutDword(p + 4, m_dwTicksPerQuarter);
    p += 8;
    for (short i = 0; i < GetStaffNum(); ++i) {
        const short length = GetStaff(i)->CopyToBuff(p);
        if (length < 0)
            return -1;
        p += length;
    }
    const auto total = p - buffer;
    // A length the result cannot carry would read as a failure or a lie.
    if (total > SHRT_MAX)
        return -1;
    return static_cast<short>(total);
}
