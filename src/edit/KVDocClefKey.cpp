// Clef changes made and removed through the document, with the positions that
// follow them.

#include "document/KVDoc.h"

#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// 1 when the measure holds a clef-change symbol, right of position word
// `after` when one is given.
bool HoldsClefChange(CKVMeas* meas, int after = INT_MIN)
{
    for (short i = 0; i < meas->GetMsgNum(); ++i) {
        CKVMsg* msg = meas->GetMsg(i);
        if (msg && msg->m_byKind == MSG_CLEF && msg->m_nPosX > after)
            return true;
    }
    return false;
}

} // namespace

int CKVDoc::UpdateClefType(CKVMeas* meas, short clef, int x)
{
    if (!meas || !meas->m_pParent)
        return 0;
    CKVStaff* staff = static_cast<CKVStaff*>(meas->m_pParent);
    int index = -1;
    for (int i = 0; i < staff->m_arrMeas.GetSize(); ++i) {
        if (staff->m_arrMeas.GetAt(i) == meas) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return 0;

    const bool insideHeader = x <= meas->m_nHeaderWidth;
    const bool atStaffStart = index == 0 && insideHeader;
    const BYTE kind = staff->m_byStaffKind;
    // Drum and free-line staves keep one clef from their start on.
    if (!atStaffStart &&
        (kind == CKVStaff::KIND_DRUM || kind == CKVStaff::KIND_DRUM_SECOND || kind == CKVStaff::KIND_FREE_LINE)) {
        MessageBeep(0x00FFFFFF);
        return 0;
    }
    if (atStaffStart && clef != CKVStaff::CLEF_DRUM && clef != CKVStaff::CLEF_FREE_LINE) {
        if (staff->m_byClefType == CKVStaff::CLEF_DRUM) {
            std::memset(staff->m_byChannel, 0, sizeof(staff->m_byChannel));
            if (kind != CKVStaff::KIND_FREE_LINE)
                staff->m_byStaffKind = CKVStaff::KIND_NORMAL;
        }
        staff->m_byClefType = static_cast<BYTE>(clef);
    }
    m_bModified = 1;

    int start = index;
    const bool firstOfBlock = m_pCurBlock && index == m_pCurBlock->m_nFirstMeas;
    if (!insideHeader || !firstOfBlock) {
        // A later clef change in this measure rules from there on.
        if (HoldsClefChange(meas, meas->AbsXToMeasX(static_cast<short>(x))))
            return 1;
        if (!insideHeader)
            start = index + 1;
    }
    if (start >= staff->m_arrMeas.GetSize())
        return 1;

    const BYTE old = staff->m_arrMeas.GetAt(start)->m_byInitClef;
    if (start == 0 && clef != old && clef == CKVStaff::CLEF_DRUM)
        std::memset(staff->m_byChannel, CKVStaff::DRUM_CHANNEL, sizeof(staff->m_byChannel));
    for (int i = start; i < staff->m_arrMeas.GetSize(); ++i) {
        CKVMeas* target = staff->m_arrMeas.GetAt(i);
        if (target->m_byInitClef != old)
            break;
        target->m_byInitClef = static_cast<BYTE>(clef);
        if (kind != CKVStaff::KIND_NORMAL)
            target->DeleteAllUpDownMsg(kWithUpList, kWithDownList);
        target->SetParamFromMidiKey();
        target->UpdatePos(0, kStemOfVoice, 0, 0);
        if (HoldsClefChange(target))
            break;
    }
    return 1;
}

void CKVDoc::UpdateClefType(CKVMeas* meas)
{
    CKVStaff* staff = meas ? measplace::StaffOf(*meas) : nullptr;
    const int index = measplace::IndexOnStaff(staff, meas);
    if (index < 0)
        return;
    CKVMeas* previous = nullptr;
    for (int i = index; i < staff->GetMeasNum(); ++i) {
        CKVMeas* target = staff->GetMeas(i);
        if (!target)
            break;
        target->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
        if (CKVMeas* live = target->GetCurBackupObj())
            target = live;
        target->m_byInitClef = previous ? previous->GetLastClefType() : target->GetClefType();
        target->SetParamFromMidiKey();
        for (int voice = 1; voice <= CKVMeas::VOICES; ++voice)
            target->UpdatePos(static_cast<BYTE>(voice), m_CtrlTool.m_byStemDir[voice - 1], 0, 0);
        previous = target;
    }
    m_bModified = 1;
}

int CKVDoc::InsertNewClefMsg(CKVMeas* meas, short clef, int x)
{
    CKVStaff* staff = meas ? measplace::StaffOf(*meas) : nullptr;
    const int index = measplace::IndexOnStaff(staff, meas);
    if (index < 0)
        return 0;
    const bool insideHeader = x <= meas->m_nHeaderWidth;
    const BYTE kind = staff->m_byStaffKind;
    // Drum staves keep one clef from their start on; tablature takes changes.
    if (!(index == 0 && insideHeader) && (kind == CKVStaff::KIND_DRUM || kind == CKVStaff::KIND_DRUM_SECOND))
        return 0;

    int start = index;
    if (insideHeader) {
        // The measure itself changes with the walk below, which starts there.
        if (index == 0)
            staff->m_byClefType = static_cast<BYTE>(clef);
    } else {
        CKVMsg tmpl;
        tmpl.m_byKind = MSG_CLEF;
        tmpl.m_wDuration = static_cast<WORD>(clef);
        tmpl.m_nPosY = 0;
        tmpl.m_nPosX = static_cast<short>(std::clamp<int>(meas->AbsXToMeasX(static_cast<short>(x)), 0, 255));
        CKVMsg* added = AddMsg(meas, &tmpl, 1, 0);
        if (!added)
            return 0;
        meas->SetParamFromMidiKey();
        m_bModified = 1;
        // A later clef change in this measure rules from there on.
        if (HoldsClefChange(meas, added->m_nPosX))
            return 1;
        start = index + 1;
    }
    m_bModified = 1;
    if (start >= staff->GetMeasNum())
        return 1;
    const BYTE old = staff->GetMeas(start)->m_byInitClef;
    if (start == 0 && clef != old && clef == CKVStaff::CLEF_DRUM)
        std::memset(staff->m_byChannel, CKVStaff::DRUM_CHANNEL, sizeof(staff->m_byChannel));
    for (int i = start; i < staff->GetMeasNum(); ++i) {
        CKVMeas* target = staff->GetMeas(i);
        if (target->m_byInitClef != old)
            break;
        target->m_byInitClef = static_cast<BYTE>(clef);
        if (kind != CKVStaff::KIND_NORMAL)
            target->DeleteAllUpDownMsg(kWithUpList, kWithDownList);
        target->SetParamFromMidiKey();
        if (HoldsClefChange(target))
            break;
    }
    return 1;
}

int CKVDoc::UpdateDelClefType(CKVMsg* clefChange)
{
    if (!clefChange || clefChange->m_byKind != MSG_CLEF || !clefChange->m_pParent ||
        clefChange->m_pParent->m_byObjKind != OBJ_MEAS)
        return 0;
    CKVMeas* meas = static_cast<CKVMeas*>(clefChange->m_pParent);
    short at = -1;
    for (short i = 0; i < meas->GetMsgNum() && at < 0; ++i)
        if (meas->GetMsg(i) == clefChange)
            at = i;
    const short removedX = clefChange->m_nPosX;
    ResetBackup();
    ObjectBackup(kBackupRecorded);
    m_bModified = 1;
    if (at < 0)
        return 1;

    // The backup put copies (under new ids) in place: work on the live
    // measure, whose symbols stand in the same order.
    if (CKVMeas* current = meas->GetCurBackupObj())
        meas = current;
    CKVMsg* live = meas->GetMsg(at);
    if (!live || live->m_byKind != MSG_CLEF || live->m_nPosX != removedX)
        return 1;
    CKVStaff* staff = measplace::StaffOf(*meas);
    const int index = measplace::IndexOnStaff(staff, meas);
    meas->RemoveMsgAt(at);

    // The clef in force where the removed change stood.
    BYTE clef = meas->m_byInitClef;
    short bestX = SHRT_MIN;
    bool later = false;
    for (short i = 0; i < meas->GetMsgNum(); ++i) {
        CKVMsg* child = meas->GetMsg(i);
        if (!child || child->m_byKind != MSG_CLEF)
            continue;
        if (child->m_nPosX > removedX)
            later = true;
        else if (child->m_nPosX >= bestX) {
            bestX = child->m_nPosX;
            clef = measplace::ClefCodeOf(*child);
        }
    }
    meas->SetParamFromMidiKey();
    meas->UpdatePos(0, kStemOfVoice, 0, 0);
    if (later || index < 0)
        return 1;
    for (int i = index + 1; i < staff->GetMeasNum(); ++i) {
        CKVMeas* target = staff->GetMeas(i);
        if (!target || target->m_byInitClef == clef)
            break;
        target->m_byInitClef = clef;
        target->SetParamFromMidiKey();
        target->UpdatePos(0, kStemOfVoice, 0, 0);
        if (HoldsClefChange(target))
            break;
    }
    return 1;
}

namespace {

// The staff a key command works on: the staff at `index` of the current
// page's selected ossia block (its first staff with `firstOnly`), else the
// system's staff, which must be selected when flags & 8 asks so. Null when
// there is none or the system is out of range.
CKVStaff* KeyStaff(CKVDoc& doc, int index, unsigned long flags, int system, bool firstOnly)
{
    if (system < 0)
        system = doc.m_nCurSystem;
    if (system < 0 || system >= doc.m_arrSystem.GetSize())
        return nullptr;
    CKVPage* page = doc.GetCurrentPage();
    if (CKVBlock* ossia = page ? page->GetSelOssiaBlock() : nullptr) {
        const int at = firstOnly ? 0 : index;
        return at >= 0 && at < ossia->GetStaffNum() ? ossia->GetStaff(static_cast<short>(at)) : nullptr;
    }
    CKVSystem* owner = doc.m_arrSystem.GetAt(system);
    if (index < 0 || index >= owner->GetStaffNum())
        return nullptr;
    if ((flags & 8) && !doc.IsStaffSelected(static_cast<short>(index)))
        return nullptr;
    return owner->GetStaff(static_cast<short>(index));
}

} // namespace

void CKVDoc::ChangeKeySignature(int first, int last, int staff, unsigned char keyType, int keyCount,
                                unsigned long flags, int system, int withChords)
{
    CKVStaff* target = KeyStaff(*this, staff, flags, system, false);
    if (!target)
        return;
    target->ChangeKeySignature(first, last, keyType, keyCount, flags, withChords);
    m_bModified = 1;
}

int CKVDoc::ChangeCustomKeySign(int first, int last, int staff, CKVMsg& key, unsigned long flags, int system)
{
    CKVStaff* target = KeyStaff(*this, staff, flags, system, true);
    if (!target)
        return 0;
    target->ChangeCustomKeySign(first, last, key, flags);
    m_bModified = 1;
    return 1;
}

void CKVDoc::ResetKeySign(int staff, int first, int last, unsigned long)
{
    CKVStaff* target = nullptr;
    CKVPage* page = GetCurrentPage();
    if (CKVBlock* ossia = page ? page->GetSelOssiaBlock() : nullptr) {
        if (staff >= 0 && staff < ossia->GetStaffNum())
            target = ossia->GetStaff(static_cast<short>(staff));
    } else if (m_pCurSystem && staff >= 0 && staff < m_pCurSystem->GetStaffNum()) {
        target = m_pCurSystem->GetStaff(static_cast<short>(staff));
    } else if (!m_pCurSystem && m_arrSystem.GetSize() > 0 && staff >= 0 &&
               staff < m_arrSystem.GetAt(0)->GetStaffNum()) {
        target = m_arrSystem.GetAt(0)->GetStaff(static_cast<short>(staff));
    }
    if (!target)
        return;
    if (first > last)
        std::swap(first, last);
    first = std::max(first, 0);
    last = std::min(last, target->GetMeasNum() - 1);
    for (int i = first; i <= last; ++i) {
        CKVMeas* meas = target->GetMeas(i);
        // RemoveMsgAt frees the symbols the measure owns (through the undo
        // step when one is open), so none stays behind in the id map.
        for (short k = static_cast<short>(meas->GetMsgNum() - 1); k >= 0; --k) {
            CKVMsg* child = meas->GetMsg(k);
            if (child && child->m_byKind == MSG_KEYSIGN)
                meas->RemoveMsgAt(k);
        }
    }
    m_bModified = 1;
}
