// Clef changes made and removed through the document, with the positions that
// follow them.

#include "document/KVDoc.h"

#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/MeasPlace.h"
#include "model/TickMath.h"

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

int CKVDoc::UpdateDelClefType(CKVMsg* clefChange)
{
    CKVMeas* meas = clefChange ? tickmath::MeasureOf(clefChange) : nullptr;
    if (!meas || clefChange->m_byKind != MSG_CLEF)
        return 0;
    ResetBackup();
    ObjectBackup(1);
    m_bModified = 1;
    // The backup put copies in place; the change goes to them.
    CKVMsg* symbol = meas->GetNewPtr2(clefChange);
    meas = symbol ? tickmath::MeasureOf(symbol) : nullptr;
    CKVStaff* staff = meas ? measplace::StaffOf(*meas) : nullptr;
    const short at = meas ? meas->GetMsgIndex(symbol) : -1;
    if (!staff || at < 0)
        return 0;
    const short x = symbol->m_nPosX;
    meas->RemoveMsgAt(at);

    // The clef in force where the symbol stood: the measure's own, then
    // that of each clef change left of it.
    BYTE clef = meas->m_byInitClef;
    bool laterChange = false;
    for (short i = 0; i < meas->GetMsgNum(); ++i) {
        CKVMsg* msg = meas->GetMsg(i);
        if (!msg || msg->m_byKind != MSG_CLEF)
            continue;
        if (msg->m_nPosX <= x)
            clef = static_cast<BYTE>(msg->m_wDuration);
        else
            laterChange = true;
    }
    meas->SetParamFromMidiKey();
    meas->UpdatePos(0, kStemOfVoice, 0, 0);
    if (laterChange)
        return 1;
    const int index = measplace::IndexOnStaff(staff, meas);
    for (int i = index + 1; index >= 0 && i < staff->m_arrMeas.GetSize(); ++i) {
        CKVMeas* target = staff->m_arrMeas.GetAt(i);
        if (target->m_byInitClef == clef)
            break;
        target->m_byInitClef = clef;
        target->SetParamFromMidiKey();
        target->UpdatePos(0, kStemOfVoice, 0, 0);
        if (HoldsClefChange(target))
            break;
    }
    return 1;
}
