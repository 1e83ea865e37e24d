// The record form of a block: 28 bytes, then its staff entries, measure
// boundaries and staff-name points.

#include "model/KVBlock.h"

#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "document/RecordIO.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"

#include <new>
#include <vector>

using namespace kvrec;

namespace {

constexpr size_t kStaffEntry = 5;
constexpr size_t kBoundary = 2;
constexpr size_t kNamePoint = 8;
// The entry value written for a staff the block has no entry for.
constexpr short kNoEntry = -20;
// Page coordinates stay far below this; layout adds staff and boundary
// offsets (16-bit) to the block's edges, which must not overflow.
constexpr LONG kMaxBlockCoordinate = 0x3FFFFFFF;

void PutLong(unsigned char* p, LONG value)
{
    PutU32(p, static_cast<DWORD>(value));
}

LONG GetLong(const unsigned char* p)
{
    return static_cast<LONG>(GetU32(p));
}

CKVStaffPtrArray* StaffListOf(CKVSystem* system, BYTE kind)
{
    if (!system)
        return nullptr;
    return kind == CKVBlock::KIND_NORMAL ? system->m_pStaffArray : system->m_pOssiaStaffArray;
}

int IndexIn(CKVStaffPtrArray* list, CKVStaff* staff)
{
    for (int i = 0; list && i < list->GetSize(); ++i) {
        if (list->GetAt(i) == staff)
            return i;
    }
    return -1;
}

} // namespace

int CKVBlock::Write(unsigned char*& buffer, DWORD* used, DWORD* capacity)
{
    const int staves = GetStaffNum();
    const int measures = m_nMeasCount;
    const int points = m_arrStaffNamePoint.GetSize();
    // The counts travel in a byte, a signed word and a byte; the lists must
    // hold what the counts promise.
    if (staves > kMaxBlockStaves || points > kMaxBlockNamePoints || measures < 0 || m_arrStaffY.GetSize() < staves ||
        m_arrMeasX.GetSize() < measures + 1)
        return 0;

    CKVStaffPtrArray* list = StaffListOf(m_pSystem, m_byKind);
    std::vector<unsigned char> part(kStaffEntry * staves + kBoundary * (measures + 1) + kNamePoint * points);
    unsigned char* p = part.data();
    for (int k = 0; k < staves; ++k, p += kStaffEntry) {
        CKVStaff* staff = GetStaff(static_cast<short>(k));
        const int index = IndexIn(list, staff);
        if (index < 0 || index > kMaxBlockStaffIndex)
            return 0;
        short value = kNoEntry;
        for (int e = 0; e < m_arrStaffEntry.GetSize(); ++e) {
            const BlockStaffEntry* entry = m_arrStaffEntry.GetAt(e);
            if (entry && entry->pStaff == staff) {
                value = static_cast<short>(entry->wValue);
                break;
            }
        }
        p[0] = static_cast<unsigned char>(index);
        PutU16(p + 1, m_arrStaffY.GetAt(k));
        PutU16(p + 3, static_cast<WORD>(value));
    }
    for (int i = 0; i <= measures; ++i, p += kBoundary)
        PutU16(p, m_arrMeasX.GetAt(i));
    for (int i = 0; i < points; ++i, p += kNamePoint) {
        const POINT* pt = m_arrStaffNamePoint.GetAt(i);
        PutLong(p, pt ? pt->x : 0);
        PutLong(p + 4, pt ? pt->y : 0);
    }

    Writer out(buffer, used, capacity);
    unsigned char* r = out.Append(kBlockRecord);
    if (!r)
        return 0;
    r[0] = m_byKind;
    r[1] = static_cast<unsigned char>(staves);
    PutU16(r + 2, static_cast<WORD>(measures));
    PutU32(r + 4, static_cast<WORD>(m_nFirstMeas));
    r[8] = static_cast<unsigned char>(points);
    PutLong(r + 12, m_rcBlock.left);
    PutLong(r + 16, m_rcBlock.top);
    PutLong(r + 20, m_rcBlock.right);
    PutLong(r + 24, m_rcBlock.bottom);
    return out.Append(part.data(), part.size()) ? 1 : 0;
}

int CKVBlock::Read(unsigned char* buffer, DWORD* pos, DWORD* length, CKVDoc* doc)
{
    Reader in(buffer, pos, length);
    const unsigned char* r = in.Take(kBlockRecord);
    if (!r)
        return 0;
    m_byKind = r[0];
    const int staves = r[1];
    const short measures = static_cast<short>(GetU16(r + 2));
    m_nFirstMeas = static_cast<short>(GetU32(r + 4) & 0xFFFF);
    const int points = r[8];
    m_rcBlock.SetRect(GetLong(r + 12), GetLong(r + 16), GetLong(r + 20), GetLong(r + 24));
    for (const LONG edge : {m_rcBlock.left, m_rcBlock.top, m_rcBlock.right, m_rcBlock.bottom}) {
        if (edge < -kMaxBlockCoordinate || edge > kMaxBlockCoordinate)
            return 0;
    }
    m_pSystem = doc && doc->m_arrSystem.GetSize() > 0 ? doc->m_arrSystem.GetAt(0) : nullptr;
    if (measures < 0)
        return 0;
    const size_t partSize = kStaffEntry * staves + kBoundary * (measures + 1) + kNamePoint * points;
    CKVStaffPtrArray* list = StaffListOf(m_pSystem, m_byKind);
    if (!list || staves > list->GetSize() || !in.Has(partSize))
        return 0;

    for (int k = 0; k < staves; ++k) {
        const unsigned char* e = in.Take(kStaffEntry);
        if (e[0] >= list->GetSize())
            return 0;
        CKVStaff* staff = list->GetAt(e[0]);
        BlockStaffEntry* entry = KvNewReported<BlockStaffEntry>();
        if (!entry)
            return 0;
        entry->wValue = GetU16(e + 3);
        entry->pStaff = staff;
        m_pStaffArray->Add(staff);
        m_arrStaffY.Add(GetU16(e + 1));
        m_arrStaffEntry.Add(entry);
    }
    for (int i = 0; i <= measures; ++i)
        m_arrMeasX.Add(GetU16(in.Take(kBoundary)));
    for (int i = 0; i < points; ++i) {
        const unsigned char* p = in.Take(kNamePoint);
        const LONG x = GetLong(p);
        const LONG y = GetLong(p + 4);
        POINT* pt = nullptr;
        if (x != 0 || y != 0) {
            pt = KvNewReported<POINT>(x, y);
            if (!pt)
                return 0;
        }
        m_arrStaffNamePoint.Add(pt);
    }

    // Boundaries are stored from the block's left edge; a first boundary
    // other than 0 moves the edge instead.
    m_nLeftIndent = 0;
    const short first = static_cast<short>(m_arrMeasX.GetAt(0));
    if (first != 0) {
        m_rcBlock.left += first;
        for (int i = 0; i < m_arrMeasX.GetSize(); ++i)
            m_arrMeasX.SetAt(i, static_cast<WORD>(static_cast<short>(m_arrMeasX.GetAt(i)) - first));
    }
    if (points > 0)
        MakeStaffNameRect();
    m_nMeasCount = measures;
    m_nNominalMeasCount = measures;
    UpdateMeasXY(0, kSkipCrossStaff, kWithoutBackup);
    return 1;
}
