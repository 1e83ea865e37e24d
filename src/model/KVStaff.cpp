// The staff: its measure list with the bar-line and ending repairs that go
// with every change of it, key changes over a range, the staff-name symbol,
// copying and merging, and the staff's older stream form.

#include "model/KVStaff.h"

#include "MemoryGuard.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"
#include "model/SelStaffList.h"
#include "model/StaffRecord.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace {

// The undo kind of a removed measure.
constexpr short kBackupMeas = 0x102;

// The texts of the staff-name record; the reader refuses 32 bytes or more.
constexpr int kNameTexts = 4;
constexpr size_t kMaxNameText = CKVStaff::NAME_SIZE - 1;

size_t CutText(const char* text)
{
    return text ? strnlen(text, kMaxNameText) : 0;
}

void ClearText(char* text)
{
    if (text)
        text[0] = '\0';
}

} // namespace

CKVStaff::CKVStaff()
{
    m_wObjWord = DEFAULT_SIZE_PERCENT;
}

CKVStaff::~CKVStaff()
{
    selstaff::Forget(this);
    for (int i = 0; i < m_arrMeas.GetSize(); ++i)
        delete m_arrMeas.GetAt(i);
    m_arrMeas.RemoveAll();
}

int CKVStaff::Create(LONG measCount, BYTE clefType, short timeNum, short timeDen)
{
    m_byClefType = clefType;
    for (LONG i = 0; i < measCount; ++i) {
        CKVMeas* meas = KvNewChild<CKVMeas>(m_pSystem, OBJ_MEAS, this, m_byObjKind);
        if (!meas)
            return 0;
        meas->m_byInitClef = clefType;
        meas->m_nTimeNum = timeNum;
        meas->m_nTimeDen = timeDen;
        meas->CalcWholeCount();
        // An ossia staff is a passage inside the score, never its end.
        if (i == measCount - 1 && m_byObjKind != OBJ_OSSIA_STAFF)
            meas->m_byEndBar = CKVMeas::BAR_FINAL;
        meas->m_nHeaderWidth = 0;
        m_arrMeas.Add(meas);
    }
    for (int v = 0; v < VOICES; ++v) {
        m_byChannel[v] = clefType == CLEF_DRUM ? DRUM_CHANNEL : 0;
        m_byVoiceFirst[v] = 127;
        m_byVoiceSecond[v] = 1;
        m_byVoiceThird[v] = 1;
    }
    return 1;
}

// The measures on the staves above and below re-place the notes they show
// on this staff once a measure next to them has come or gone.
static void ReplaceCrossStaffNotes(CKVMeas* meas)
{
    if (!meas)
        return;
    if (CKVMeas* up = meas->GetUpMeas())
        up->SetPosByUpDownStaff(kWithoutUpList, kWithDownList, 0);
    if (CKVMeas* down = meas->GetDownMeas())
        down->SetPosByUpDownStaff(kWithUpList, kWithoutDownList, 0);
}

short CKVStaff::AddMeas(LONG count, CKVMeas* model, BYTE initClef)
{
    if (count < 1)
        return -1;
    if (!model && m_arrMeas.GetSize() > 0) {
        model = m_arrMeas.GetAt(m_arrMeas.GetSize() - 1);
        // The old end of the score is now an ordinary bar.
        if (model->m_byEndBar == CKVMeas::BAR_FINAL)
            model->m_byEndBar = CKVMeas::BAR_SINGLE;
    }
    for (LONG i = 0; i < count; ++i) {
        CKVMeas* meas = KvNewReported<CKVMeas>();
        if (!meas)
            return 0;
        meas->Initialize(m_pSystem, OBJ_MEAS);
        if (model)
            meas->Copy(*model);
        meas->m_pParent = this;
        meas->m_byParentKind = m_byObjKind;
        if (initClef != 255)
            meas->m_byInitClef = initClef;
        if (i == count - 1)
            meas->m_byEndBar = CKVMeas::BAR_FINAL;
        m_arrMeas.Add(meas);
        meas->m_pBackupLink = meas;
        ReplaceCrossStaffNotes(meas);
    }
    EndingCheck();
    return 1;
}

short CKVStaff::InsertMeas(LONG index, LONG count, int)
{
    if (count < 1)
        return -1;
    const int size = m_arrMeas.GetSize();
    const int at = static_cast<int>(std::clamp<LONG>(index, 0, size));
    CKVMeas* model = size > 0 ? m_arrMeas.GetAt(at > 0 ? at - 1 : 0) : nullptr;
    for (LONG i = 0; i < count; ++i) {
        CKVMeas* meas = KvNewChild<CKVMeas>(m_pSystem, OBJ_MEAS, this, m_byObjKind);
        if (!meas)
            return 0;
        meas->CalcWholeCount();
        if (model) {
            meas->m_byInitClef = model->m_byInitClef;
            meas->m_nTimeNum = model->m_nTimeNum;
            meas->m_nTimeDen = model->m_nTimeDen;
            std::memcpy(meas->m_szTimeNumText, model->m_szTimeNumText, sizeof(meas->m_szTimeNumText));
            std::memcpy(meas->m_szTimeDenText, model->m_szTimeDenText, sizeof(meas->m_szTimeDenText));
            meas->m_nLength = model->m_nLength;
            meas->m_byParentKind = model->m_byParentKind;
            meas->m_byKeyCount = model->m_byKeyCount;
            meas->m_byKeyType = model->m_byKeyType;
            meas->m_wMarker = model->m_wMarker;
            meas->m_byOptions = model->m_byOptions;
            meas->m_byTimeStyle = model->m_byTimeStyle;
        }
        const int pos = at + static_cast<int>(i);
        m_arrMeas.InsertAt(pos, meas);
        meas->m_pBackupLink = meas;
        if (pos + 1 < m_arrMeas.GetSize())
            ReplaceCrossStaffNotes(m_arrMeas.GetAt(pos + 1));
    }
    CKVMeas* last = m_arrMeas.GetAt(m_arrMeas.GetSize() - 1);
    if (last->m_byEndBar == CKVMeas::BAR_SINGLE || last->m_byEndBar == CKVMeas::BAR_THIN)
        last->m_byEndBar = CKVMeas::BAR_FINAL;
    EndingCheck();
    return 1;
}

short CKVStaff::RemoveMeas(LONG index, LONG count)
{
    const int size = m_arrMeas.GetSize();
    if (index < 0 || count < 1 || index >= size)
        return -1;
    count = std::min<LONG>(count, size - index);
    const int at = static_cast<int>(index);
    for (LONG i = 0; i < count; ++i) {
        CKVMeas* meas = m_arrMeas.GetAt(at);
        // Undo sees the measure still in its place.
        const int kept = m_pSystem ? m_pSystem->AddObj2BackupArray(kBackupMeas, meas, 0) : 0;
        m_arrMeas.RemoveAt(at);
        // Only a measure that undo keeps may be listed as deleted: the list
        // is read after the others are gone.
        if (kept)
            m_pSystem->AddDeleteMeas(meas);
        else
            delete meas;
    }
    if (m_arrMeas.GetSize() > 0)
        m_arrMeas.GetAt(m_arrMeas.GetSize() - 1)->m_byEndBar = CKVMeas::BAR_FINAL;
    EndingCheck();
    return static_cast<short>(count);
}

LONG CKVStaff::GetMeasNum()
{
    return m_arrMeas.GetSize();
}

CKVMeas* CKVStaff::GetMeas(LONG index)
{
    if (index < 0 || index >= m_arrMeas.GetSize())
        return nullptr;
    return m_arrMeas.GetAt(static_cast<int>(index));
}

const CKVStaff& CKVStaff::operator=(CKVStaff& other)
{
    if (&other == this)
        return *this;
    CKVObject::operator=(other);
    m_byClefType = other.m_byClefType;
    m_byStaffKind = other.m_byStaffKind;
    m_byLineCount = other.m_byLineCount;
    std::memcpy(m_szName, other.m_szName, sizeof(m_szName));
    for (int i = 0; i < m_arrMeas.GetSize(); ++i)
        delete m_arrMeas.GetAt(i);
    m_arrMeas.RemoveAll();
    const LONG count = other.GetMeasNum();
    if (count > 0 && AddMeas(count, nullptr, 255) > 0) {
        for (LONG i = 0; i < count && i < GetMeasNum(); ++i) {
            CKVMeas* meas = GetMeas(i);
            *meas = *other.GetMeas(i);
            meas->m_pParent = this;
        }
    }
    std::memcpy(m_byGroupBracket, other.m_byGroupBracket, sizeof(m_byGroupBracket));
    return *this;
}

// Sets the end bar line of the measure at index on every staff that a key
// change on this staff reaches: the whole system for a normal staff, this
// staff alone for an ossia staff. With onlyFrom set, a measure changes only
// when its bar line is one of the two codes.
static void SetEndBarInScope(CKVStaff* staff, LONG index, BYTE bar, int onlyFrom, BYTE fromA, BYTE fromB)
{
    auto apply = [&](CKVStaff* s) {
        CKVMeas* meas = s ? s->GetMeas(index) : nullptr;
        if (!meas)
            return;
        if (onlyFrom && meas->m_byEndBar != fromA && meas->m_byEndBar != fromB)
            return;
        meas->m_byEndBar = bar;
    };
    CKVSystem* system = staff->m_pSystem;
    if (staff->m_byObjKind == OBJ_OSSIA_STAFF || !system) {
        apply(staff);
        return;
    }
    for (short i = 0; i < system->GetStaffNum(); ++i)
        apply(system->GetStaff(i));
}

// Orders a measure range and clamps it to the staff; false when no measure
// lies in it.
static bool ClampRange(int& first, int& last, LONG count)
{
    if (first > last)
        std::swap(first, last);
    first = std::max(first, 0);
    if (last > count - 1)
        last = static_cast<int>(count - 1);
    return first <= last;
}

void CKVStaff::ChangeKeySignature(int first, int last, BYTE keyType, int keyCount, DWORD options, int withChords)
{
    if (!ClampRange(first, last, GetMeasNum()))
        return;
    for (int i = first; i <= last; ++i)
        GetMeas(i)->ChangeKeySignature(keyType, static_cast<unsigned char>(keyCount), options, withChords);
    if (!(options & CKVMeas::KEYCHG_BAR_LINES))
        return;

    if (first > 0) {
        CKVMeas* previous = GetMeas(first - 1);
        CKVMeas* meas = GetMeas(first);
        if (meas->m_byKeyType != previous->m_byKeyType) {
            if (previous->m_byEndBar == CKVMeas::BAR_SINGLE || previous->m_byEndBar == CKVMeas::BAR_THIN)
                SetEndBarInScope(this, first - 1, CKVMeas::BAR_DOUBLE, 1, CKVMeas::BAR_SINGLE, CKVMeas::BAR_THIN);
        } else if (previous->m_byEndBar == CKVMeas::BAR_DOUBLE) {
            SetEndBarInScope(this, first - 1, CKVMeas::BAR_SINGLE, 1, CKVMeas::BAR_DOUBLE, CKVMeas::BAR_DOUBLE);
        }
    }
    if (last < GetMeasNum() - 1) {
        CKVMeas* meas = GetMeas(last);
        CKVMeas* next = GetMeas(last + 1);
        if (meas->m_byKeyType != next->m_byKeyType)
            SetEndBarInScope(this, last, CKVMeas::BAR_DOUBLE, 0, 0, 0);
        else if (meas->m_byEndBar == CKVMeas::BAR_DOUBLE)
            SetEndBarInScope(this, last, CKVMeas::BAR_SINGLE, 1, CKVMeas::BAR_DOUBLE, CKVMeas::BAR_DOUBLE);
    }
}

int CKVStaff::ChangeCustomKeySign(int first, int last, CKVMsg& model, DWORD options)
{
    if (!ClampRange(first, last, GetMeasNum()))
        return 0;
    for (int i = first; i <= last; ++i) {
        CKVMeas* meas = GetMeas(i);
        meas->m_byKeyType = 0;
        CKVMsg* copy = KvNewReported<CKVMsg>();
        if (!copy)
            return 0;
        *copy = model;
        copy->m_dwMsgId = 0;
        // A measure that refuses it (a compressed rest) leaves it to us.
        if (meas->AddMsg(copy, kHolderOwns) <= 0)
            delete copy;
        if (i == last && !(options & CKVMeas::KEYCHG_BAR_LINES))
            meas->m_byEndBar = CKVMeas::BAR_DOUBLE;
        if (options & CKVMeas::KEYCHG_HIDE) {
            meas->m_byOptions &= static_cast<BYTE>(~CKVMeas::OPT_KEY_SHOWN);
        } else {
            meas->m_byOptions |= CKVMeas::OPT_KEY_SHOWN;
            meas->m_byOptions &= static_cast<BYTE>(~CKVMeas::OPT_KEY_HIDDEN);
        }
    }
    if (last == GetMeasNum() - 1)
        GetMeas(last)->m_byEndBar = CKVMeas::BAR_FINAL;
    return 1;
}

void CKVStaff::EndingCheck()
{
    using M = CKVMeas;
    for (LONG i = 1; i < GetMeasNum(); ++i) {
        CKVMeas* previous = GetMeas(i - 1);
        CKVMeas* current = GetMeas(i);
        const BYTE p = previous->m_byEndingPos;
        const BYTE c = current->m_byEndingPos;
        if (p == M::ENDING_NONE || p == M::ENDING_BEGINS_AND_ENDS) {
            if (c != M::ENDING_BEGINS && c != M::ENDING_BEGINS_AND_ENDS)
                current->DeleteEnding();
        } else if (p == M::ENDING_BEGINS) {
            if (c == M::ENDING_NONE || c == M::ENDING_BEGINS)
                previous->m_byEndingPos = M::ENDING_BEGINS_AND_ENDS;
        } else if (p == M::ENDING_ENDS) {
            if (c == M::ENDING_CONTINUES)
                current->m_byEndingPos = M::ENDING_NONE;
            else if (c == M::ENDING_ENDS)
                current->DeleteEnding();
        } else if (p == M::ENDING_CONTINUES) {
            if (c == M::ENDING_NONE) {
                previous->m_byEndingPos = M::ENDING_ENDS;
            } else if (c == M::ENDING_BEGINS) {
                current->m_byEndingPos = M::ENDING_BEGINS_AND_ENDS;
            } else if (c == M::ENDING_BEGINS_AND_ENDS) {
                previous->m_byEndingPos = M::ENDING_NONE;
                current->m_byEndingPos = M::ENDING_BEGINS;
            } else if (c == M::ENDING_CONTINUES || (c == M::ENDING_ENDS && i == 1)) {
                previous->DeleteEnding();
                current->DeleteEnding();
            }
        }
    }
}

void CKVStaff::Import(CKVStaff* other)
{
    if (!other || other == this)
        return;
    for (int i = 0; i < other->m_arrMeas.GetSize(); ++i) {
        CKVMeas* meas = other->m_arrMeas.GetAt(i);
        meas->m_pParent = this;
        meas->m_byParentKind = m_byObjKind;
        meas->m_pSystem = m_pSystem;
        m_arrMeas.Add(meas);
    }
    // The measures are ours now; the other staff must not delete them too.
    other->m_arrMeas.RemoveAll();
}

void CKVStaff::GetMemorySize(DWORD& total)
{
    total += 192 + 4 * static_cast<DWORD>(m_arrMeas.GetSize());
    for (int i = 0; i < m_arrMeas.GetSize(); ++i)
        m_arrMeas.GetAt(i)->GetMemorySize(total);
}

void CKVStaff::DelMsg(short voice)
{
    for (int m = 0; m < m_arrMeas.GetSize(); ++m) {
        CKVMeas* meas = m_arrMeas.GetAt(m);
        if (voice == 0) {
            meas->RemoveAllMsg();
            continue;
        }
        // Without a system no reference resolves, and none can be told stale.
        if (!meas->m_pSystem)
            continue;
        short i = 0;
        while (i < meas->GetMsgNum()) {
            const short before = meas->GetMsgNum();
            CKVMsg* msg = meas->GetMsg(i);
            if (!msg) {
                // A dropped reference moved the next one into its place.
                if (meas->GetMsgNum() == before)
                    ++i;
                continue;
            }
            if (DelMsgTakes(*msg, voice))
                meas->RemoveMsgAt(i);
            else
                ++i;
        }
    }
}

bool CKVStaff::DelMsgTakes(const CKVMsg& msg, short voice)
{
    return voice == 0 || msg.m_byVoice == voice;
}

// The staff's first child of the staff-name kind, or null.
static CKVMsg* FindStaffNameMsg(CKVStaff* staff)
{
    short i = 0;
    while (i < staff->GetMsgNum()) {
        const short before = staff->GetMsgNum();
        CKVMsg* msg = staff->GetMsg(i);
        if (msg && msg->m_byKind == MSG_STAFFNAME)
            return msg;
        if (msg || staff->GetMsgNum() == before)
            ++i;
    }
    return nullptr;
}

void CKVStaff::GetStaffNameFromMsg(char* name, char* text2, char* text3, char* text4, int& x, int& y)
{
    char* texts[kNameTexts] = {name, text2, text3, text4};
    for (char* text : texts)
        ClearText(text);
    x = 0;
    y = 0;
    CKVMsg* msg = FindStaffNameMsg(this);
    if (!msg) {
        if (name) {
            const size_t length = strnlen(m_szName, kMaxNameText);
            std::memcpy(name, m_szName, length);
            name[length] = '\0';
        }
        return;
    }
    x = static_cast<short>(msg->m_wHeadType);
    y = static_cast<short>(msg->m_wDuration);
    unsigned char* head = nullptr;
    const int length = msg->GetHead(&head);
    int pos = 1; // after the count of texts
    for (int t = 0; t < kNameTexts; ++t) {
        if (!head || pos >= length)
            return;
        const int textLength = head[pos];
        if (textLength >= NAME_SIZE)
            return;
        // The first three must leave room for the length byte of the next.
        const int end = pos + 1 + textLength;
        if (t < kNameTexts - 1 ? end >= length : end > length)
            return;
        if (texts[t]) {
            std::memcpy(texts[t], head + pos + 1, static_cast<size_t>(textLength));
            texts[t][textLength] = '\0';
        }
        pos = end;
    }
}

void CKVStaff::SetStaffNameToMsg(const char* name, const char* text2, const char* text3, const char* text4, int x,
                                 int y)
{
    const size_t nameLength = CutText(name);
    std::memset(m_szName, 0, sizeof(m_szName));
    if (nameLength > 0)
        std::memcpy(m_szName, name, nameLength);

    CKVMsg* msg = FindStaffNameMsg(this);
    if (!msg) {
        msg = KvNewReported<CKVMsg>();
        if (!msg)
            return;
        msg->m_byKind = MSG_STAFFNAME;
        if (AddMsg(msg, kHolderOwns, kParentHere) <= 0) {
            delete msg;
            return;
        }
    }
    msg->m_wHeadType = static_cast<WORD>(x);
    msg->m_wDuration = static_cast<WORD>(y);

    const char* texts[kNameTexts] = {name, text2, text3, text4};
    unsigned char record[1 + kNameTexts * (1 + kMaxNameText)];
    size_t pos = 0;
    record[pos++] = kNameTexts;
    for (const char* text : texts) {
        const size_t length = CutText(text);
        record[pos++] = static_cast<unsigned char>(length);
        if (length > 0)
            std::memcpy(record + pos, text, length);
        pos += length;
    }
    msg->SetHead(static_cast<short>(pos), record);
}

namespace {

void SetFlag(BYTE& flags, BYTE flag, int on)
{
    if (on)
        flags |= flag;
    else
        flags &= static_cast<BYTE>(~flag);
}

} // namespace

void CKVStaff::SetClefVisible(int on)
{
    SetFlag(m_byDisplayFlags, SHOW_CLEF, on);
}

void CKVStaff::SetKeySignVisible(int on)
{
    SetFlag(m_byDisplayFlags, SHOW_KEY, on);
}

void CKVStaff::SetTimeVisible(int on)
{
    SetFlag(m_byDisplayFlags, SHOW_TIME, on);
}

void CKVStaff::SetLeftLineVisible(int on)
{
    SetFlag(m_byDisplayFlags, SHOW_LEFT_LINE, on);
}

int CKVStaff::IsClefVisible()
{
    return m_byDisplayFlags & SHOW_CLEF;
}

int CKVStaff::IsKeySignVisible()
{
    return m_byDisplayFlags & SHOW_KEY;
}

int CKVStaff::IsTimeVisible()
{
    return m_byDisplayFlags & SHOW_TIME;
}

int CKVStaff::IsLeftLineVisible()
{
    return m_byDisplayFlags & SHOW_LEFT_LINE;
}

// The stream form: the node record, a 112-byte record of which only the
// name, clef type, kind, line count, a few constants and the measure count
// are filled, then each measure's stream record.

static void FillStreamRecord(CKVStaff& staff, unsigned char* record)
{
    std::memset(record, 0, staffrecord::RECORD_SIZE);
    staffrecord::PutCommonFields(staff, record);
}

short CKVStaff::Save(CFile* file)
{
    const short node = CKVObject::Save(file);
    if (node <= 0)
        return -1;
    unsigned char record[staffrecord::RECORD_SIZE];
    FillStreamRecord(*this, record);
    file->Write(record, staffrecord::RECORD_SIZE);
    for (int i = 0; i < m_arrMeas.GetSize(); ++i) {
        if (m_arrMeas.GetAt(i)->Save(file) < 0)
            return -1;
    }
    return static_cast<short>(node + staffrecord::RECORD_SIZE);
}

short CKVStaff::Load(CFile* file)
{
    const short node = CKVObject::Load(file);
    if (node <= 0)
        return -1;
    unsigned char record[staffrecord::RECORD_SIZE];
    if (file->Read(record, staffrecord::RECORD_SIZE) != static_cast<UINT>(staffrecord::RECORD_SIZE))
        return -1;
    staffrecord::GetCommonFields(*this, record);
    if (!FindStaffNameMsg(this)) {
        char name[NAME_SIZE];
        std::memcpy(name, m_szName, NAME_SIZE);
        SetStaffNameToMsg(name, "", "", "", 0, 0);
    }

    const DWORD count = staffrecord::MeasCountOf(record);
    for (DWORD i = 0; i < count; ++i) {
        CKVMeas* meas = KvNewChild<CKVMeas>(m_pSystem, OBJ_MEAS, this, m_byObjKind);
        if (!meas)
            return 0;
        if (meas->Load(file) < 0) {
            delete meas;
            return -1;
        }
        m_arrMeas.Add(meas);
    }
    return static_cast<short>(node + staffrecord::RECORD_SIZE);
}

short CKVStaff::CopyToBuff(unsigned char* buffer)
{
    const short node = CKVObject::CopyToBuff(buffer);
    if (node < 0)
        return -1;
    unsigned char* p = buffer + node;
    FillStreamRecord(*this, p);
    p += staffrecord::RECORD_SIZE;
    for (int i = 0; i < m_arrMeas.GetSize(); ++i) {
        const short length = m_arrMeas.GetAt(i)->CopyToBuff(p);
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

void CKVStaff::DeleteBackupData()
{
    CKVMultiBackup* link = m_pBackupLink;
    if (link && link != static_cast<CKVMultiBackup*>(this) && dynamic_cast<CKVStaff*>(link))
        delete link;
}
