// The display switches of measures and staves, and the limits the host asks
// before the score grows.

#include "document/KVDoc.h"

#include "MemoryGuard.h"
#include "document/KVFileInfo.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <algorithm>

namespace {

constexpr DWORD kViewAttrMemory = 1000000;

CKVSystem* Master(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

CKVBlock* SelOssia(CKVDoc& doc)
{
    CKVPage* page = doc.GetCurrentPage();
    return page ? page->GetSelOssiaBlock() : nullptr;
}

// A master staff, or with a negative index the first staff of the selected
// ossia block.
CKVStaff* StaffOrOssiaFirst(CKVDoc& doc, short staff)
{
    if (staff < 0) {
        CKVBlock* ossia = SelOssia(doc);
        return ossia && ossia->GetStaffNum() > 0 ? ossia->GetStaff(0) : nullptr;
    }
    CKVSystem* master = Master(doc);
    return master && staff < master->GetStaffNum() ? master->GetStaff(staff) : nullptr;
}

void ApplyStaffBits(CKVStaff& staff, unsigned char bits, int size)
{
    for (int k = 0; k < 4; ++k) {
        if (!(bits & (16 << k)))
            continue;
        if (bits & (1 << k))
            staff.m_byDisplayFlags = static_cast<BYTE>(staff.m_byDisplayFlags | (1 << k));
        else
            staff.m_byDisplayFlags = static_cast<BYTE>(staff.m_byDisplayFlags & ~(1 << k));
    }
    staff.m_wObjWord = static_cast<WORD>(size);
}

} // namespace

void CKVDoc::SetMeasViewAttr(short staff, short first, short last, unsigned char bits)
{
    if (!CheckAvailableMemory(kViewAttrMemory))
        return;
    CKVStaff* target = StaffOrOssiaFirst(*this, staff);
    if (!target)
        return;
    const LONG from = std::max<LONG>(0, std::min(first, last));
    const LONG to = std::min<LONG>(target->GetMeasNum() - 1, std::max(first, last));
    for (LONG m = from; m <= to; ++m) {
        CKVMeas* meas = target->GetMeas(m);
        if (!meas)
            continue;
        meas->ObjectBackup(kBackupRecorded, kBackupCrossStaff);
        if (CKVMeas* live = meas->GetCurBackupObj())
            meas = live;
        BYTE value = meas->m_byOptions;
        for (int k = 0; k < 4; ++k) {
            if (bits & (16 << k)) {
                value = static_cast<BYTE>(value | (16 << k));
                value = static_cast<BYTE>((value & ~(1 << k)) | (bits & (1 << k)));
            }
        }
        for (int k = 0; k < 4; ++k) {
            if ((bits & (1 << k)) && !(bits & (16 << k)))
                value = static_cast<BYTE>((value | (1 << k)) & ~(16 << k));
        }
        meas->m_byOptions = value;
    }
    m_bModified = 1;
}

int CKVDoc::GetMeasViewAttr(short staff, short meas)
{
    CKVStaff* target = StaffOrOssiaFirst(*this, staff);
    CKVMeas* m = target && meas >= 0 ? target->GetMeas(meas) : nullptr;
    return m ? m->m_byOptions : 0;
}

void CKVDoc::SetStaffViewAttr(short staff, unsigned char bits, unsigned long, int size)
{
    CKVStaff* target = nullptr;
    if (staff < 0) {
        CKVBlock* ossia = SelOssia(*this);
        target = ossia ? ossia->GetSelStaff() : nullptr;
    } else {
        target = StaffOrOssiaFirst(*this, staff);
    }
    if (!target)
        return;
    ApplyStaffBits(*target, bits, size);
    m_bModified = 1;
}

void CKVDoc::SetOssiaStaffViewAttr(short staff, unsigned char bits, unsigned long, int size)
{
    CKVBlock* ossia = SelOssia(*this);
    if (!ossia)
        return;
    CKVStaff* target = staff < 0 ? ossia->GetSelStaff() : (staff < ossia->GetStaffNum() ? ossia->GetStaff(staff) : nullptr);
    if (!target)
        return;
    ApplyStaffBits(*target, bits, size);
    m_bModified = 1;
}

int CKVDoc::GetStaffViewAttr(short staff, int& size)
{
    CKVStaff* target = StaffOrOssiaFirst(*this, staff);
    if (!target)
        return 0;
    size = target->m_wObjWord;
    return target->m_byDisplayFlags;
}

short CKVDoc::InsertMeasEnble(short count)
{
    CKVSystem* master = Master(*this);
    const LONG have = master && master->GetStaffNum() > 0 ? master->GetStaff(0)->GetMeasNum() : 0;
    if (have + count <= kMaxMeasures)
        return -1;
    return static_cast<short>(std::max<LONG>(0, kMaxMeasures - have));
}

short CKVDoc::InsertPageEnable(int page, int count, unsigned long flags)
{
    // Empty pages add no measures.
    if (flags & 2)
        return -1;
    if (page < 0 || page >= GetPageNum())
        return 0;
    // The model page: this one or the nearest earlier one with normal blocks.
    LONG m = 0;
    for (int p = page; p >= 0 && m == 0; --p) {
        CKVPage* model = GetPage(static_cast<short>(p));
        if (!model || model->GetBlockNum() == 0)
            continue;
        for (short b = 0; b < model->GetBlockNum(); ++b) {
            if (CKVBlock* block = model->GetBlock(b))
                m += block->m_nMeasCount;
        }
    }
    if (m == 0 && m_pFileInfo)
        m = static_cast<LONG>(m_pFileInfo->m_nMeasPerBlock) * m_pFileInfo->m_nBlockPerPage;
    if (m <= 0)
        return -1;
    const LONG asked = std::min<LONG>(m * std::max(count, 0), 32767);
    const short r = InsertMeasEnble(static_cast<short>(asked));
    return r == -1 ? static_cast<short>(-1) : static_cast<short>(r / m);
}

short CKVDoc::CreateNewScoreEnable(short staves, short measures)
{
    return static_cast<LONG>(staves) * measures <= kMaxMeasures ? static_cast<short>(-1) : static_cast<short>(kMaxMeasures);
}
