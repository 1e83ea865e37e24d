// The record form of a system: its node part, the staff counts, then every
// staff and ossia staff; the same bytes straight to a file; and the
// re-linking of ties, slurs and tuplets after a read.

#include "model/KVSystem.h"

#include "MemoryGuard.h"
#include "document/CopyPtrMap.h"
#include "document/DeepCopy.h"
#include "document/KVDoc.h"
#include "document/RecordIO.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/NewObject.h"

#include <climits>
#include <new>
#include <vector>

using namespace kvrec;

namespace {

int StaffCount(CKVStaffPtrArray* list)
{
    return list ? list->GetSize() : 0;
}

void FillCounts(CKVSystem& system, unsigned char* c)
{
    PutU16(c, static_cast<WORD>(StaffCount(system.m_pStaffArray)));
    PutU16(c + 2, static_cast<WORD>(StaffCount(system.m_pOssiaStaffArray)));
    PutU32(c + 4, system.m_dwTicksPerQuarter);
}

bool CountsFit(CKVSystem& system)
{
    return StaffCount(system.m_pStaffArray) <= SHRT_MAX && StaffCount(system.m_pOssiaStaffArray) <= SHRT_MAX;
}

// Reads count staves of the given object kind into list.
bool ReadStaves(CKVSystem& system, CKVStaffPtrArray* list, int count, short objectKind, unsigned char* buffer,
                DWORD* pos, DWORD* length)
{
    for (int i = 0; i < count; ++i) {
        CKVStaff* staff = KvNewChild<CKVStaff>(&system, objectKind, &system, system.m_byObjKind);
        if (!staff)
            return false;
        if (!staff->Read(buffer, pos, length)) {
            // Its measures may hold references still waiting for a tie.
            ClearPendingRefs();
            delete staff;
            return false;
        }
        list->Add(staff);
    }
    return true;
}

constexpr size_t kPrefetchAhead = 16;

CKVMsg* MapSlot(const CKVSystem& system, DWORD id)
{
    return id < static_cast<DWORD>(system.m_arrMsgMap.GetSize()) ? static_cast<CKVMsg*>(system.m_arrMsgMap.GetData()[id])
                                                                  : nullptr;
}

// Starts loading a symbol's fields into the cache (the map's validity test
// and the kind test read them spread over the whole object); reads nothing
// itself.
void PrefetchSymbol(const CKVMsg* msg)
{
    if (!msg)
        return;
    const char* base = reinterpret_cast<const char*>(msg);
    for (size_t offset = 0; offset < sizeof(CKVMsg); offset += 64)
        __builtin_prefetch(base + offset);
}

} // namespace

int CKVSystem::Write(unsigned char*& buffer, DWORD* used, DWORD* capacity)
{
    if (!CountsFit(*this) || !CKVObject::Write(buffer, used, capacity))
        return 0;
    Writer out(buffer, used, capacity);
    unsigned char* c = out.Append(kSystemCounts);
    if (!c)
        return 0;
    FillCounts(*this, c);
    for (CKVStaffPtrArray* list : {m_pStaffArray, m_pOssiaStaffArray}) {
        for (int i = 0; i < StaffCount(list); ++i) {
            if (!list->GetAt(i)->Write(buffer, used, capacity))
                return 0;
        }
    }
    return 1;
}

int CKVSystem::Write(CFile* file, DWORD& length)
{
    if (!file || !CountsFit(*this) || !WriteNodePartToFile(*this, file, length))
        return 0;
    unsigned char counts[kSystemCounts] = {};
    FillCounts(*this, counts);
    file->Write(counts, kSystemCounts);
    length += kSystemCounts;
    for (CKVStaffPtrArray* list : {m_pStaffArray, m_pOssiaStaffArray}) {
        for (int i = 0; i < StaffCount(list); ++i) {
            if (!list->GetAt(i)->Write(file, length))
                return 0;
        }
    }
    return 1;
}

int CKVSystem::Read(unsigned char* buffer, DWORD* pos, DWORD* length, DWORD)
{
    ReleaseKey();
    ClearCopyPtrMap();
    // Every symbol of the body takes at least a symbol record and a node
    // header, so the bytes left bound how many ids the read can meet.
    if (buffer && pos && length && *pos <= *length) {
        ReserveKeys(*length - *pos, static_cast<DWORD>(kMinMsgRecord));
        // Ties, slurs and tuplets go through the copy map. A score seldom
        // has more than one in ten of its symbols of those kinds; past that
        // the map grows as it must.
        ReserveCopyPtrMap((*length - *pos) / kMinMsgRecord / 10);
    }
    BeginSystemPendingRefs();
    SetObjectType(OBJ_SYSTEM);
    Reader in(buffer, pos, length);
    const unsigned char* c = nullptr;
    int staves = 0;
    int ossia = 0;
    bool ok = CKVObject::Read(buffer, pos, length) && (c = in.Take(kSystemCounts)) != nullptr;
    if (ok) {
        staves = static_cast<short>(GetU16(c));
        ossia = static_cast<short>(GetU16(c + 2));
        // The ticks per quarter stored at 4 are the writer's; the system
        // keeps its own. Every staff record takes at least its node header
        // and staff record.
        ok = staves >= 0 && ossia >= 0 &&
             static_cast<size_t>(staves) + static_cast<size_t>(ossia) <= in.Left() / kMinStaffRecord;
    }
    ok = ok && ReadStaves(*this, m_pStaffArray, staves, OBJ_STAFF, buffer, pos, length) &&
         ReadStaves(*this, m_pOssiaStaffArray, ossia, OBJ_OSSIA_STAFF, buffer, pos, length);
    if (!ok) {
        ClearPendingRefs();
        ReleaseKey();
        return 0;
    }

    if (m_pDoc) {
        m_pDoc->m_pLastGroup = nullptr;
        m_pDoc->m_pLastMember = nullptr;
    }
    // The end notes of ties read before their owners.
    ResolveSystemPendingRefs();
    // The links and whole-measure repeats that the symbol reader listed;
    // each is finished on its own, so their order does not matter. Every
    // other symbol in the map was added by this read, which gave it this
    // system and a kind it checked, so the map's test would keep it: a large
    // score's symbols, long out of the cache by now, are not gone over again.
    const std::vector<DWORD> toFinish = TakeSymbolsToFinish();
    for (size_t k = 0; k < toFinish.size(); ++k) {
        // Asking for a few ahead hides most of the wait for each.
        if (k + kPrefetchAhead < toFinish.size())
            PrefetchSymbol(MapSlot(*this, toFinish[k + kPrefetchAhead]));
        CKVMsg* msg = GetMsgFromMap(toFinish[k]);
        if (!msg)
            continue;
        if (kvcopy::IsLinkKind(msg->m_byKind)) {
            msg->m_dwWord = GetKey(msg->m_dwWord, 0);
            msg->m_lHeight = static_cast<LONG>(GetKey(static_cast<DWORD>(msg->m_lHeight), 0));
        } else if (msg->m_byKind == MSG_MEASREPEAT && msg->m_wDuration == kWholeMeasureRepeat) {
            // Only a sign that stands in a measure draws over it.
            if (CKVMeas* meas = dynamic_cast<CKVMeas*>(msg->m_pParent))
                meas->m_dwTrailWord2 = 1;
        }
    }
    ReleaseKey();
    ReportReadProgress(m_pDoc, *pos);
    return 1;
}

// Kept for callers that check the map after a read; it reports nothing and
// changes nothing.
void CKVSystem::TestTieSlur()
{
    int links = 0;
    for (int i = 1; i < m_arrMsgMap.GetSize(); ++i) {
        const CKVMsg* msg = m_arrMsgMap.GetAt(i);
        if (msg && kvcopy::IsLinkKind(msg->m_byKind))
            ++links;
    }
    static_cast<void>(links);
}
