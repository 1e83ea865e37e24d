// Start and end bar lines of measure runs, and repeat endings.

#include "document/KVDoc.h"

#include "model/KVBlock.h"
#include "model/KVCtrlPoint.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "MemoryGuard.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int kCommandMemory = 1000000;

// The staves a bar command works on: those of the current page's selected
// ossia block, else those of the system (the current one when negative).
std::vector<CKVStaff*> BarStaves(CKVDoc& doc, int system)
{
    std::vector<CKVStaff*> staves;
    CKVPage* page = doc.GetCurrentPage();
    if (CKVBlock* ossia = page ? page->GetSelOssiaBlock() : nullptr) {
        for (short k = 0; k < ossia->GetStaffNum(); ++k)
            staves.push_back(ossia->GetStaff(k));
        return staves;
    }
    if (system < 0)
        system = doc.m_nCurSystem;
    if (system < 0 || system >= doc.m_arrSystem.GetSize())
        return staves;
    CKVSystem* owner = doc.m_arrSystem.GetAt(system);
    for (short s = 0; s < owner->GetStaffNum(); ++s)
        staves.push_back(owner->GetStaff(s));
    return staves;
}

// The measure backed up in the open step, and its live copy.
CKVMeas* LiveMeas(CKVStaff* staff, int index)
{
    CKVMeas* meas = staff && index >= 0 ? staff->GetMeas(index) : nullptr;
    if (!meas)
        return nullptr;
    meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
    CKVMeas* live = meas->GetCurBackupObj();
    return live ? live : meas;
}

void DeleteHandles(CKVMeas& meas)
{
    for (int i = 0; i < meas.m_arrCtrlPoint.GetSize(); ++i)
        delete meas.m_arrCtrlPoint.GetAt(i);
    meas.m_arrCtrlPoint.RemoveAll();
}

} // namespace

int CKVDoc::SetMeasBarType(int first, int last, int startBar, int endBar, int system)
{
    if (!CheckAvailableMemory(kCommandMemory))
        return 0;
    if (first > last)
        std::swap(first, last);
    for (CKVStaff* staff : BarStaves(*this, system)) {
        if (startBar != -1)
            if (CKVMeas* meas = LiveMeas(staff, first))
                meas->m_byStartBar = static_cast<BYTE>(startBar);
        if (endBar != -1)
            if (CKVMeas* meas = LiveMeas(staff, last))
                meas->m_byEndBar = static_cast<BYTE>(endBar);
    }
    m_bModified = 1;
    return 1;
}

int CKVDoc::SetMeasBarTypeEx(int first, int last, int bar, int atStart, int system)
{
    if (!CheckAvailableMemory(kCommandMemory))
        return 0;
    if (first > last)
        std::swap(first, last);
    for (CKVStaff* staff : BarStaves(*this, system)) {
        const int end = std::min<int>(last, staff->GetMeasNum() - 1);
        for (int i = std::max(first, 0); i <= end; ++i) {
            CKVMeas* meas = LiveMeas(staff, i);
            if (atStart)
                meas->m_byStartBar = static_cast<BYTE>(bar);
            else
                meas->m_byEndBar = static_cast<BYTE>(bar);
        }
    }
    m_bModified = 1;
    return 1;
}

int CKVDoc::SetEndingRepeat(int first, int last, unsigned long flags, CString text, unsigned long extra)
{
    if (!CheckAvailableMemory(kCommandMemory))
        return 0;
    CKVStaff* staff = m_pCurStaff;
    CKVPage* page = GetCurrentPage();
    if (CKVBlock* ossia = page ? page->GetSelOssiaBlock() : nullptr)
        staff = ossia->GetStaffNum() > 0 ? ossia->GetStaff(0) : nullptr;
    if (!staff)
        return 0;
    if (first > last)
        std::swap(first, last);
    const int count = staff->GetMeasNum();
    if (first < 0 || last >= count)
        return 0;

    for (int i = first; i <= last; ++i) {
        CKVMeas* meas = LiveMeas(staff, i);
        // An ending cut by this one keeps whole parts on either side; the
        // neighbours are backed up so that undo restores them too.
        if (i == first && first >= 1 && meas->m_byEndingPos != CKVMeas::ENDING_NONE) {
            CKVMeas* before = LiveMeas(staff, i - 1);
            if (before->m_byEndingPos == CKVMeas::ENDING_BEGINS)
                before->m_byEndingPos = CKVMeas::ENDING_BEGINS_AND_ENDS;
            else if (before->m_byEndingPos == CKVMeas::ENDING_CONTINUES)
                before->m_byEndingPos = CKVMeas::ENDING_ENDS;
        }
        if (i == last && last + 1 < count && meas->m_byEndingPos != CKVMeas::ENDING_NONE) {
            CKVMeas* after = LiveMeas(staff, i + 1);
            if (after->m_byEndingPos == CKVMeas::ENDING_ENDS)
                after->m_byEndingPos = CKVMeas::ENDING_BEGINS_AND_ENDS;
            else if (after->m_byEndingPos == CKVMeas::ENDING_CONTINUES)
                after->m_byEndingPos = CKVMeas::ENDING_BEGINS;
        }
        if (flags & 0x4000) {
            meas->m_byEndingNum = 0;
            meas->m_byEndingPos = CKVMeas::ENDING_NONE;
            meas->m_wEndingWord = 0;
            meas->m_szEndingText[0] = '\0';
            DeleteHandles(*meas);
            continue;
        }
        meas->m_byEndingNum = static_cast<BYTE>(flags);
        if (first == last)
            meas->m_byEndingPos = CKVMeas::ENDING_BEGINS_AND_ENDS;
        else if (i == first)
            meas->m_byEndingPos = CKVMeas::ENDING_BEGINS;
        else if (i == last)
            meas->m_byEndingPos = CKVMeas::ENDING_ENDS;
        else
            meas->m_byEndingPos = CKVMeas::ENDING_CONTINUES;
        meas->m_byEndingByte = static_cast<BYTE>(extra);
        std::memset(meas->m_szEndingText, 0, sizeof(meas->m_szEndingText));
        std::strncpy(meas->m_szEndingText, static_cast<const char*>(text), CKVMeas::ENDING_TEXT_SIZE - 1);
    }
    m_bModified = 1;
    return 1;
}
