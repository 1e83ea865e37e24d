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

#include <cstring>
#include <new>

using namespace kvrec;

namespace {

// Offsets in the staff record.
constexpr int ST_NAME = 0;
constexpr int ST_CLEF = 32;
constexpr int ST_KIND = 33;
constexpr int ST_LINES = 34;
constexpr int ST_CHANNELS = 35;
constexpr int ST_VOICE_FIRST = 51;
constexpr int ST_VOICE_THIRD = 59;
constexpr int ST_VOICE_SECOND = 67;
constexpr int ST_DISPLAY = 75;
constexpr int ST_BRACKETS = 76;
constexpr int ST_CONST8A = 80;
constexpr int ST_CONST8B = 82;
constexpr int ST_WORD = 84;
constexpr int ST_CONST4A = 102;
constexpr int ST_CONST4B = 104;
constexpr int ST_MEAS_COUNT = 108;

constexpr WORD kMinSizePercent = 50;
constexpr WORD kMaxSizePercent = 200;

// The measure buffer of the file form starts at this size.
constexpr DWORD kMeasBufferStart = 1000;

void FillRecord(const CKVStaff& s, unsigned char* r)
{
    std::memcpy(r + ST_NAME, s.m_szName, CKVStaff::NAME_SIZE);
    r[ST_NAME + CKVStaff::NAME_SIZE - 1] = 0;
    r[ST_CLEF] = s.m_byClefType;
    r[ST_KIND] = s.m_byStaffKind;
    r[ST_LINES] = s.m_byLineCount;
    std::memcpy(r + ST_CHANNELS, s.m_byChannel, CKVStaff::VOICES);
    std::memcpy(r + ST_VOICE_FIRST, s.m_byVoiceFirst, CKVStaff::VOICES);
    std::memcpy(r + ST_VOICE_THIRD, s.m_byVoiceThird, CKVStaff::VOICES);
    std::memcpy(r + ST_VOICE_SECOND, s.m_byVoiceSecond, CKVStaff::VOICES);
    r[ST_DISPLAY] = s.m_byDisplayFlags;
    std::memcpy(r + ST_BRACKETS, s.m_byGroupBracket, sizeof s.m_byGroupBracket);
    PutU16(r + ST_CONST8A, 8);
    PutU16(r + ST_CONST8B, 8);
    PutU16(r + ST_WORD, s.m_wStaffWord);
    PutU16(r + ST_CONST4A, 4);
    PutU16(r + ST_CONST4B, 4);
    PutU32(r + ST_MEAS_COUNT, static_cast<DWORD>(s.m_arrMeas.GetSize()));
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

    // One buffer for every measure, written from its start each time.
    DWORD capacity = kMeasBufferStart;
    unsigned char* buffer = static_cast<unsigned char*>(std::malloc(capacity));
    if (!buffer) {
        ReportOutOfMemory(1);
        return 0;
    }
    // The owner frees the buffer also when a file write throws.
    BufferPtr owner(buffer);
    for (int i = 0; i < m_arrMeas.GetSize(); ++i) {
        DWORD used = 0;
        buffer = owner.release();
        const int ok = m_arrMeas.GetAt(i)->Write(buffer, &used, &capacity);
        owner.reset(buffer);
        if (!ok)
            return 0;
        file->Write(buffer, used);
        length += used;
        std::memset(buffer, 0, capacity);
    }
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
    std::memcpy(m_szName, r + ST_NAME, NAME_SIZE);
    m_szName[NAME_SIZE - 1] = '\0';
    m_byClefType = r[ST_CLEF];
    m_byStaffKind = r[ST_KIND];
    m_byLineCount = r[ST_LINES];
    std::memcpy(m_byChannel, r + ST_CHANNELS, VOICES);
    std::memcpy(m_byVoiceFirst, r + ST_VOICE_FIRST, VOICES);
    std::memcpy(m_byVoiceThird, r + ST_VOICE_THIRD, VOICES);
    std::memcpy(m_byVoiceSecond, r + ST_VOICE_SECOND, VOICES);
    m_byDisplayFlags = r[ST_DISPLAY];
    std::memcpy(m_byGroupBracket, r + ST_BRACKETS, sizeof m_byGroupBracket);
    m_wStaffWord = GetU16(r + ST_WORD);
    const DWORD count = GetU32(r + ST_MEAS_COUNT);
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
    ReportReadProgress(m_pSystem ? m_pSystem->m_pDoc : nullptr, *pos);

    if (m_wObjWord < kMinSizePercent || m_wObjWord > kMaxSizePercent)
        m_wObjWord = DEFAULT_SIZE_PERCENT;
    if (!HasStaffNameChild(*this)) {
        char name[NAME_SIZE];
        std::memcpy(name, m_szName, NAME_SIZE);
        SetStaffNameToMsg(name, "", "", "", 0, 0);
    }
    return 1;
}
