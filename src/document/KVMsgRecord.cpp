// The record form of a symbol: the 44-byte symbol record and its node
// record.

#include "model/KVMsg.h"

#include "document/RecordIO.h"
#include "model/KVSystem.h"
#include "model/MsgRecord.h"

#include <cstring>

using namespace kvrec;
using namespace msgrecord;

namespace {


// A note's head is a MidiNoteHead of 12 bytes; older files stored 120, of
// which the first 12 are kept without the performed-start offset at 8.
constexpr short kNoteHead = 12;
constexpr short kOldNoteHead = 120;
constexpr int kPerformOffset = 8;

BYTE Nibbles(BYTE high, BYTE low)
{
    return static_cast<BYTE>(((high & 0x0F) << 4) | (low & 0x0F));
}

} // namespace

int CKVMsg::Write(unsigned char*& buffer, DWORD* used, DWORD* capacity)
{
    if (m_byKind == MSG_CHORDSYMBOL)
        PackChordWords(this);
    Writer out(buffer, used, capacity);
    unsigned char* r = out.Append(kMsgRecord);
    if (!r)
        return 0;
    PutCommonFields(*this, r);
    r[REC_MARK1] = m_byMark1;
    r[REC_MARK2] = m_byMark2;
    r[REC_ACCIDENTAL] = Nibbles(m_byAccidental, m_byDots);
    PutU16(r + REC_LAYOUT1, static_cast<WORD>(m_nLayout1));
    PutU16(r + REC_LAYOUT4, static_cast<WORD>(m_nLayout4));
    PutU16(r + REC_LAYOUT2, static_cast<WORD>(m_nLayout2));
    PutU16(r + REC_LAYOUT3, static_cast<WORD>(m_nLayout3));
    return CKVObject::Write(buffer, used, capacity);
}

int CKVMsg::Read(unsigned char* buffer, DWORD* pos, DWORD* length)
{
    Reader in(buffer, pos, length);
    const unsigned char* r = in.Take(kMsgRecord);
    if (!r)
        return 0;
    m_byKind = r[REC_KIND] == MSG_OLDNOTEMARK ? static_cast<BYTE>(MSG_NOTEMARK) : r[REC_KIND];
    // The map's validity test would drop such a symbol at its first access
    // and leak it.
    if (m_pSystem && (m_byKind == 0 || m_byKind > MSG_KIND_MAX))
        return 0;
    GetCommonFields(*this, r);
    m_byMark1 = r[REC_MARK1];
    m_byMark2 = r[REC_MARK2];
    m_byAccidental = static_cast<BYTE>(r[REC_ACCIDENTAL] >> 4);
    m_byDots = static_cast<BYTE>(r[REC_ACCIDENTAL] & 0x0F);
    m_nLayout1 = static_cast<short>(GetU16(r + REC_LAYOUT1));
    m_nLayout4 = static_cast<short>(GetU16(r + REC_LAYOUT4));
    m_nLayout2 = static_cast<short>(GetU16(r + REC_LAYOUT2));
    m_nLayout3 = static_cast<short>(GetU16(r + REC_LAYOUT3));
    if (m_pSystem)
        m_dwMsgId = m_pSystem->GetKey(GetU32(r + REC_ID), 1);

    LabelCopy();
    SetObjectType(OBJ_MSG);
    if (!CKVObject::Read(buffer, pos, length))
        return 0;

    if (m_byKind == MSG_NOTE && GetHead(nullptr) != kNoteHead) {
        if (GetHead(nullptr) != kOldNoteHead)
            return 0;
        unsigned char head[kNoteHead];
        std::memcpy(head, m_pHead, kNoteHead);
        std::memset(head + kPerformOffset, 0, kNoteHead - kPerformOffset);
        if (SetHead(kNoteHead, head) != kNoteHead)
            return 0;
    }

    if (!m_pSystem) {
        // Page-level symbols and titles are held by their page or document.
        if (m_pPage)
            MakeMsgCtrlPoint();
        return 1;
    }
    // Two records under one stored id: the second would take the first's
    // slot and leave two references sharing one symbol.
    if (m_dwMsgId < static_cast<DWORD>(m_pSystem->m_arrMsgMap.GetSize()) &&
        m_pSystem->m_arrMsgMap.GetAt(static_cast<int>(m_dwMsgId)) != nullptr)
        return 0;
    // A chord symbol gets its handles once it has become one. A beam group
    // or chord has none of its own: making them goes over its members
    // again, whose own reads have just made theirs. While a whole score is
    // read (every reference in a list is then live, the others wait) that
    // changes nothing, so it is left out.
    const bool group = m_byKind == MSG_BEAM || m_byKind == MSG_CHORD;
    const int makeHandles = m_byKind == MSG_CHORDSYMBOL || (group && CollectingPendingRefs()) ? 0 : 1;
    if (m_pSystem->AddMsgToMap(m_dwMsgId, this, makeHandles) == 0)
        return 0;
    if (IsSymbolToFinish(m_byKind, m_wDuration))
        NoteSymbolToFinish(*this);
    return 1;
}

// The symbol reader calls it; it has nothing to do.
void CKVMsg::LabelCopy()
{
}
