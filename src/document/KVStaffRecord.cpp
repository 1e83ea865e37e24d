// The record form of a staff: its node part, the 112-byte staff record and
// its measures, first to last; and the same bytes written straight to a
// file.

#include "model/KVStaff.h"

#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "document/RecordIO.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"
#include "model/NodeDoc.h"
#include "model/StaffRecord.h"

#include <cstring>
#include <new>
#include <typeinfo>

using namespace kvrec;
using namespace staffrecord;

namespace {

constexpr WORD kMinSizePercent = 50;
constexpr WORD kMaxSizePercent = 200;

// The measure bytes gathered before they go to the file.
constexpr DWORD kMeasFlushBytes = 64 * 1024;
// The measure buffer of the file form starts at this size: room for the
// bytes gathered and a long measure after them, so that it seldom grows
// (each growth copies what it holds). It stays below the size from which
// the C library maps every block afresh from the system.
constexpr DWORD kMeasBufferStart = kMeasFlushBytes + 32 * 1024;

void FillRecord(const CKVStaff& s, unsigned char* r)
{
    PutCommonFields(s, r);
    std::memcpy(r + REC_CHANNELS, s.m_byChannel, CKVStaff::VOICES);
    std::memcpy(r + REC_VOICE_FIRST, s.m_byVoiceFirst, CKVStaff::VOICES);
    std::memcpy(r + REC_VOICE_THIRD, s.m_byVoiceThird, CKVStaff::VOICES);
    std::memcpy(r + REC_VOICE_SECOND, s.m_byVoiceSecond, CKVStaff::VOICES);
    r[REC_DISPLAY] = s.m_byDisplayFlags;
    std::memcpy(r + REC_BRACKETS, s.m_byGroupBracket, sizeof s.m_byGroupBracket);
    PutU16(r + REC_CONST8B, 8);
    PutU16(r + REC_WORD, s.m_wStaffWord);
}

bool HasStaffNameChild(CKVStaff& staff)
{
    short i = 0;
    while (i < staff.GetMsgNum()) {
        const short before = staff.GetMsgNum();
        CKVMsg* msg = staff.GetMsg(i);
        if (msg && msg->m_byKind == MSG_STAFFNAME)
            return true;
        if (msg || staff.GetMsgNum() >= before)
            ++i;
    }
    return false;
}

// A memory file of the class itself lends its storage, and the measures are
// written into it in place. A class derived from it may do more on each
// write (fail when a disk would be full, say): it is written to as any file.
CMemFile* PlainMemoryFile(CFile* file)
{
    return typeid(*file) == typeid(CMemFile) ? static_cast<CMemFile*>(file) : nullptr;
}

// The storage of a memory file while it is lent: given back however the
// writing ends, as long as the measures written whole.
struct AppendLoan {
    explicit AppendLoan(CMemFile& lender) : file(lender), lent(lender.BeginAppend(block, used, capacity)), kept(used) {}
    ~AppendLoan()
    {
        if (lent)
            file.EndAppend(block, kept, capacity);
    }
    AppendLoan(const AppendLoan&) = delete;
    AppendLoan& operator=(const AppendLoan&) = delete;

    CMemFile& file;
    BYTE* block = nullptr;
    DWORD used = 0;
    DWORD capacity = 0;
    const bool lent;
    DWORD kept;
};

// The measures of a staff appended in place to a memory file: 1, 0 when a
// measure could not be written, -1 when the file lends nothing.
int WriteMeasuresInPlace(CKVStaff& staff, CMemFile& file, DWORD& length)
{
    AppendLoan loan(file);
    if (!loan.lent)
        return -1;
    const DWORD start = loan.used;
    int ok = 1;
    for (int i = 0; ok && i < staff.m_arrMeas.GetSize(); ++i) {
        ok = staff.m_arrMeas.GetAt(i)->Write(loan.block, &loan.used, &loan.capacity);
        if (ok)
            loan.kept = loan.used;
    }
    length += loan.kept - start;
    return ok ? 1 : 0;
}

} // namespace

int CKVStaff::Write(unsigned char*& buffer, DWORD* used, DWORD* capacity)
{
    if (!CKVObject::Write(buffer, used, capacity))
        return 0;
    Writer out(buffer, used, capacity);
    unsigned char* r = out.Append(kStaffRecord);
    if (!r)
        return 0;
    FillRecord(*this, r);
    for (int i = 0; i < m_arrMeas.GetSize(); ++i) {
        if (!m_arrMeas.GetAt(i)->Write(buffer, used, capacity))
            return 0;
    }
    return 1;
}

int CKVStaff::Write(CFile* file, DWORD& length)
{
    if (!file || !WriteNodePartToFile(*this, file, length))
        return 0;
    unsigned char record[kStaffRecord] = {};
    FillRecord(*this, record);
    file->Write(record, kStaffRecord);
    length += kStaffRecord;

    if (CMemFile* memory = PlainMemoryFile(file)) {
        const int written = WriteMeasuresInPlace(*this, *memory, length);
        if (written >= 0)
            return written;
    }

    // One buffer for the measures, handed to the file whenever it holds
    // kMeasFlushBytes or more, and once more at the end: few large writes
    // rather than one per measure. A writer fills every byte it counts, so
    // the buffer is not cleared in between.
    DWORD capacity = kMeasBufferStart;
    unsigned char* buffer = static_cast<unsigned char*>(std::malloc(capacity));
    if (!buffer) {
        ReportOutOfMemory(1);
        return 0;
    }
    // The owner frees the buffer also when a file write throws.
    BufferPtr owner(buffer);
    DWORD used = 0;
    for (int i = 0; i < m_arrMeas.GetSize(); ++i) {
        buffer = owner.release();
        const int ok = m_arrMeas.GetAt(i)->Write(buffer, &used, &capacity);
        owner.reset(buffer);
        if (!ok)
            return 0;
        if (used >= kMeasFlushBytes) {
            file->Write(buffer, used);
            length += used;
            used = 0;
        }
    }
    file->Write(owner.get(), used);
    length += used;
    return 1;
}

int CKVStaff::Read(unsigned char* buffer, DWORD* pos, DWORD* length)
{
    if (!CKVObject::Read(buffer, pos, length))
        return 0;
    Reader in(buffer, pos, length);
    const unsigned char* r = in.Take(kStaffRecord);
    if (!r)
        return 0;
    GetCommonFields(*this, r);
    std::memcpy(m_byChannel, r + REC_CHANNELS, VOICES);
    std::memcpy(m_byVoiceFirst, r + REC_VOICE_FIRST, VOICES);
    std::memcpy(m_byVoiceThird, r + REC_VOICE_THIRD, VOICES);
    std::memcpy(m_byVoiceSecond, r + REC_VOICE_SECOND, VOICES);
    m_byDisplayFlags = r[REC_DISPLAY];
    std::memcpy(m_byGroupBracket, r + REC_BRACKETS, sizeof m_byGroupBracket);
    m_wStaffWord = GetU16(r + REC_WORD);
    const DWORD count = MeasCountOf(r);
    // Every measure record takes at least its header and trailer.
    if (static_cast<size_t>(count) > in.Left() / kMinMeasRecord)
        return 0;

    for (DWORD i = 0; i < count; ++i) {
        CKVMeas* meas = KvNewChild<CKVMeas>(m_pSystem, OBJ_MEAS, this, m_byObjKind);
        if (!meas)
            return 0;
        m_arrMeas.Add(meas);
        if (!meas->Read(buffer, pos, length))
            return 0;
    }
    ResolveStaffPendingRefs();
    ReportReadProgress(DocOf(*this), *pos);

    if (m_wObjWord < kMinSizePercent || m_wObjWord > kMaxSizePercent)
        m_wObjWord = DEFAULT_SIZE_PERCENT;
    if (!HasStaffNameChild(*this)) {
        char name[NAME_SIZE];
        std::memcpy(name, m_szName, NAME_SIZE);
        SetStaffNameToMsg(name, "", "", "", 0, 0);
    }
    return 1;
}
