// Order inside chords and beam groups, joining symbols to them and making
// new ones.

#include "model/KVMsg.h"

#include "MemoryGuard.h"
#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/ImportState.h"
#include "model/MeasPlace.h"
#include "model/NewObject.h"
#include "model/TickMath.h"
#include "timing/InsertState.h"

#include <algorithm>
#include <new>

namespace {

using measplace::LineSpacingOf;

constexpr WORD kTremoloFlags = MSGFLAG_TREMOLO_START | MSGFLAG_TREMOLO_END;
constexpr WORD kTieFlags = MSGFLAG_TIE_START | MSGFLAG_TIE_END;
constexpr BYTE kGraceSlashMark = 79;

} // namespace

CKVMsg::CKVMsg(CKVMeas* measure, POINT point, short kind, WORD headType, WORD durationWord, BYTE voice,
               DWORD colour, LONG height, WORD tupletWord, LONG word32, int graceMode)
{
    m_nPosX = static_cast<short>(point.x);
    m_nPosY = static_cast<short>(point.y);
    m_nPosX2 = 0;
    m_nPosY2 = 0;
    m_byReplace = 0;
    m_wSize = MSG_SIZE_NORMAL;
    m_byKind = static_cast<BYTE>(kind);
    if (measure) {
        m_pSystem = measure->m_pSystem;
        m_pParent = measure;
        m_byParentKind = OBJ_MEAS;
    }
    m_wDuration = static_cast<WORD>(durationWord & 0xFF);
    m_byDots = static_cast<BYTE>(durationWord >> 8);
    if (m_byKind == MSG_NOTE) {
        m_lHeight = height;
        m_wObjWord = tupletWord;
        m_dwWord = static_cast<DWORD>(word32);
        // Short values get longer stems to make room for their flags.
        if (m_wDuration >= DUR_32ND && m_wDuration <= DUR_128TH)
            m_lHeight += 4 * m_wDuration - 20;
    } else if (m_byKind == MSG_REST) {
        m_lHeight = 0;
        m_wObjWord = tupletWord;
        m_dwWord = static_cast<DWORD>(word32);
    }
    m_wHeadType = headType;
    m_byVoice = voice;
    m_crColor = colour;
    m_nPerformStart = 0;
    m_wFlag = 0;
    m_byMark1 = 0;
    m_byMark2 = 0;
    m_byAccidental = 0;
    // The point form has layout words of its own.
    m_nLayout1 = 0;
    m_nLayout2 = 3;
    m_nLayout3 = 4;
    m_nLayout4 = 0;
    CalcPlayTime();
    m_nStartTime = 0;
    if (graceMode == 1 || graceMode == 2) {
        m_wSize = static_cast<WORD>(MulDiv(MSG_SIZE_NORMAL, 75, 100));
        m_wFlag = MSGFLAG_GRACE;
        if (graceMode == 1)
            m_byMark1 = kGraceSlashMark;
    }
}

CKVMsg::CKVMsg(CKVMsg* source)
{
    if (!source)
        return;
    m_crColor = source->m_crColor;
    m_nPosX = source->m_nPosX;
    m_nPosY = source->m_nPosY;
    m_nPosX2 = source->m_nPosX2;
    m_nPosY2 = source->m_nPosY2;
    m_byKind = source->m_byKind;
    m_pParent = source->m_pParent;
    m_byParentKind = source->m_byParentKind;
    m_pSystem = source->m_pSystem;
    m_lHeight = source->m_lHeight;
    m_wObjWord = source->m_wObjWord;
    m_dwWord = source->m_dwWord;
    m_wHeadType = source->m_wHeadType;
    m_wDuration = source->m_wDuration;
    m_byVoice = source->m_byVoice;
    m_nPerformStart = source->m_nPerformStart;
    m_wFlag = source->m_wFlag;
    m_byMark1 = source->m_byMark1;
    m_byMark2 = source->m_byMark2;
    m_byAccidental = source->m_byAccidental;
    m_byDots = source->m_byDots;
    m_nLayout1 = source->m_nLayout1;
    m_nLayout2 = source->m_nLayout2;
    m_nLayout3 = source->m_nLayout3;
    m_nLayout4 = source->m_nLayout4;
    m_nPlayTime = source->GetPlayTime();
    m_nStartTime = 0;
    m_dwMsgId = 0;
    m_wSize = MSG_SIZE_NORMAL;
    m_byReplace = 0;
}

short CKVMsg::GetSortedIndex(CKVMsg* msg)
{
    const short count = GetMsgNum();
    if (!msg)
        return -1;
    // Marks come after every member.
    if (msg->m_byKind == MSG_NOTEMARK)
        return count;
    short index = count;
    for (short i = 0; i < count; ++i) {
        const CKVMsg* member = measplace::ChildAt(*this, i);
        if (!member)
            continue;
        if (member->m_byKind == MSG_NOTE && member->m_nPosX == msg->m_nPosX && member->m_nPosY == msg->m_nPosY)
            return -1;
        if (index != count)
            continue;
        // Position ascending, then the lower symbol (larger vertical
        // position) first.
        if (member->m_byKind == MSG_NOTEMARK || member->m_nPosX > msg->m_nPosX ||
            (member->m_nPosX == msg->m_nPosX && member->m_nPosY < msg->m_nPosY))
            index = i;
    }
    return index;
}

void CKVMsg::RemoveAt(short index)
{
    // Only the reference goes; whoever holds the symbol now keeps it.
    if (index < 0 || index >= m_arrMsgRef.GetSize())
        return;
    delete m_arrMsgRef.GetAt(index);
    m_arrMsgRef.RemoveAt(index);
}

CKVMsg* CKVMsg::CreateChord()
{
    if (m_byKind == MSG_CHORD)
        return this;
    if (m_byKind != MSG_NOTE)
        return nullptr;
    CKVMsg* chord = KvNewReported<CKVMsg>(this);
    if (!chord)
        return nullptr;
    chord->m_byKind = MSG_CHORD;
    chord->m_wDuration = m_wDuration;
    chord->m_wObjWord = m_wObjWord;
    chord->m_dwWord = m_dwWord;
    chord->m_wFlag = m_wFlag;
    chord->m_crColor = m_crColor;
    // The members belong to the measure that holds the chord.
    if (chord->AddMsg(this, kHolderOwns, kParentAbove) < 0) {
        delete chord;
        return nullptr;
    }
    return chord;
}

CKVMsg* CKVMsg::CreateBeam()
{
    if (m_byKind == MSG_BEAM)
        return this;
    if (m_byKind != MSG_NOTE && m_byKind != MSG_CHORD)
        return nullptr;
    CKVMsg* group = KvNewReported<CKVMsg>(this);
    if (!group)
        return nullptr;
    group->m_byKind = MSG_BEAM;
    group->m_wHeadType = 0;
    group->m_crColor = m_crColor;
    group->m_wFlag = m_wFlag;
    group->ResetBeamOffset();
    MakeSubBeam(kSubBeamJoin, kBreakOtherLevels);
    if (group->AddMsg(this, kHolderOwns, kParentAbove) < 0) {
        delete group;
        return nullptr;
    }
    return group;
}

short CKVMsg::AddMsgToChord(CKVMsg* note)
{
    if (!note || m_byKind != MSG_CHORD)
        return -1;
    // The new member sounds with the chord.
    note->m_nPosX = m_nPosX;
    note->m_wHeadType = m_wHeadType;
    note->m_wDuration = m_wDuration;
    note->m_byDots = m_byDots;
    note->m_wObjWord = m_wObjWord;
    note->CalcPlayTime();
    note->UpdateStartTime(m_nStartTime, kFromMidiRead, kPerformedStartStays);
    for (short i = 0; i < GetMsgNum(); ++i) {
        const CKVMsg* member = measplace::ChildAt(*this, i);
        if (!member || member->m_byKind != MSG_NOTE)
            continue;
        if (member->m_nPosY == note->m_nPosY)
            return -2;
        if (member->m_wFlag & kTremoloFlags)
            note->m_wFlag = static_cast<WORD>((note->m_wFlag & ~kTremoloFlags) | (member->m_wFlag & kTremoloFlags));
    }
    return AddMsg(note, kHolderOwns, kParentAbove);
}

short CKVMsg::AddMsgToBeam(CKVMsg* msg)
{
    if (!msg || m_byKind != MSG_BEAM)
        return -1;
    // Grace notes and main notes never share a group.
    if (tickmath::IsGraceSymbol(*this) != tickmath::IsGraceSymbol(*msg))
        return -1;

    short hitIndex = -1;
    CKVMsg* hit = nullptr;
    for (short i = 0; i < GetMsgNum(); ++i) {
        CKVMsg* member = measplace::ChildAt(*this, i);
        if (member && member->PtInRect(msg->m_nPosX, msg->m_byVoice) != 0xFFFF) {
            hit = member;
            hitIndex = i;
            break;
        }
    }

    if (!hit) {
        if (GetMsgNum() == 0 || GetJoinPermission() == 0)
            return -1;
        // The group's flag word still carries a tie its first note had when
        // the group was made; the new note starts and ends none.
        msg->m_wFlag = static_cast<WORD>(m_wFlag & ~kTieFlags);
        const short index = AddMsg(msg, kHolderOwns, kParentAbove);
        CalcPlayTime();
        return index;
    }

    msg->m_wFlag = static_cast<WORD>(m_wFlag & ~kTieFlags);
    CKVDoc* doc = DocOf(*this);
    short result = -1;
    if (hit->m_byKind == MSG_NOTE) {
        if (measplace::StaffKindOf(tickmath::MeasureOf(this)) == CKVStaff::KIND_ONE_LINE) {
            result = -1;
        } else if (hit->m_nPosY == msg->m_nPosY) {
            result = -2;
        } else if (CKVMsg* chord = hit->CreateChord()) {
            RemoveAt(hitIndex);
            if (chord->AddMsgToChord(msg) == -1) {
                // Put the members back where the note stood and drop the
                // chord without its members.
                while (chord->GetMsgNum() > 0) {
                    if (CKVMsg* member = measplace::ChildAt(*chord, 0))
                        AddMsg(member, kHolderOwns, kParentAbove);
                    chord->RemoveAt(0);
                }
                delete chord;
                result = -1;
            } else {
                result = AddMsg(chord, kHolderOwns, kParentAbove);
                if (doc) {
                    doc->m_pLastGroup = this;
                    doc->m_pLastMember = chord;
                }
            }
        }
    } else if (hit->m_byKind == MSG_CHORD) {
        result = hit->AddMsgToChord(msg);
        if (doc) {
            doc->m_pLastGroup = this;
            doc->m_pLastMember = hit;
        }
    }
    CalcPlayTime();
    return result;
}

WORD CKVMsg::PtInRect(short x, BYTE voice)
{
    if (m_byVoice != voice)
        return 0xFFFF;
    const int p = m_nPosX;
    const int t = ConvertYbyZoom(LineSpacingOf(*this));
    if (m_byKind == MSG_BEAM)
        return (x >= p - t / 2 && x <= m_nPosX2 + t) ? m_byKind : 0xFFFF;
    if (!tickmath::IsNoteRestChord(*this))
        return 0xFFFF;
    if (bImportConverting)
        return x == p ? m_byKind : 0xFFFF;

    // The hit width follows the symbol's share of the measure; a measure
    // without length (a damaged file) gives every symbol the full width.
    int w = t;
    CKVMeas* meas = tickmath::MeasureOf(this);
    if (meas && meas->m_nLength > 0) {
        w = GetPlayTime() * CKVMeas::SCALE / meas->m_nLength;
        if (w > t)
            w = t;
        else if ((w >> 1) > 2)
            w >>= 1;
        else
            w = 2;
        if (CKVCtrlTool::m_fIsAutoPos && w == 2)
            w = 1;
    }
    const bool inside = (w == t) ? (x >= p - t && x <= p + t) : (x >= p - w && x < p + w);
    return inside ? m_byKind : 0xFFFF;
}

void CKVMsg::GetUpDownPos(short* top, short* bottom)
{
    short high = m_nPosY;
    short low = m_nPosY;
    if (m_byKind == MSG_BEAM) {
        bool any = false;
        tickmath::ForEachChild(*this, [&](CKVMsg* member, short) {
            short t = 0;
            short b = 0;
            member->GetUpDownPos(&t, &b);
            high = any ? std::min(high, t) : t;
            low = any ? std::max(low, b) : b;
            any = true;
            return false;
        });
    } else if (m_byKind == MSG_CHORD && GetMsgNum() >= 2) {
        const CKVMsg* first = measplace::ChildAt(*this, 0);
        const CKVMsg* last = measplace::ChildAt(*this, GetMsgNum() - 1);
        if (first && last) {
            high = last->m_nPosY;
            low = first->m_nPosY;
        }
    }
    if (top)
        *top = high;
    if (bottom)
        *bottom = low;
}
