// Measure queries: counts, the current measure and the measure range of the
// selection.

#include "document/KVDoc.h"

#include "document/SelRect.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <algorithm>

namespace {

SelRect* RecordAt(CKVDoc& doc, int i)
{
    return static_cast<SelRect*>(doc.m_pSelRectArray->GetAt(i));
}

int RecordCount(CKVDoc& doc)
{
    return doc.m_pSelRectArray ? doc.m_pSelRectArray->GetSize() : 0;
}

// Whether a record is about the page (a record without a page is about
// every page).
bool Concerns(const SelRect& rec, const CKVPage* page)
{
    return !rec.pPage || rec.pPage == page;
}

// Whether the measure's rectangle, placed on the page by its block, meets
// the record's rectangle.
bool Meets(const CKVBlock& block, const CKVMeas& meas, const RECT& rect)
{
    CRect placed(meas.m_rcMeas);
    placed.OffsetRect(block.m_rcBlock.left, block.m_rcBlock.top);
    CRect test(rect);
    CRect common;
    return common.IntersectRect(&placed, &test) != 0;
}

int SystemIndex(CKVDoc& doc, CKVSystem* system)
{
    for (int i = 0; i < doc.m_arrSystem.GetSize(); ++i) {
        if (doc.m_arrSystem.GetAt(i) == system)
            return i;
    }
    return -1;
}

// The walk of the selected measure range over the normal or the ossia
// blocks; see GetSelMeasNumRange.
int SelRange(CKVDoc& doc, bool ossia, int& first, int& last)
{
    first = last = -1;
    CKVSystem* found = nullptr;
    for (int r = 0; r < RecordCount(doc); ++r) {
        const SelRect* rec = RecordAt(doc, r);
        if (!rec || (ossia && rec->nKind == SelRect::kMeas))
            continue;
        for (short p = 0; p < doc.GetPageNum(); ++p) {
            CKVPage* page = doc.GetPage(p);
            if (!Concerns(*rec, page))
                continue;
            auto& blocks = ossia ? page->m_arrOssiaBlock : page->m_arrBlock;
            bool leavePage = false;
            for (int b = 0; b < blocks.GetSize() && !leavePage; ++b) {
                CKVBlock* block = blocks.GetAt(b);
                if (found && block->m_pSystem != found)
                    continue;
                if (rec->nKind == SelRect::kBlockStaff) {
                    if (rec->pBlock != block)
                        continue;
                    const int blockLast = block->m_nFirstMeas + block->m_nMeasCount - 1;
                    if (first < 0) {
                        first = block->m_nFirstMeas;
                        last = blockLast;
                        found = block->m_pSystem;
                    } else {
                        last = std::max(last, blockLast);
                    }
                    leavePage = true;
                    continue;
                }
                for (short s = 0; s < block->GetStaffNum(); ++s) {
                    CKVStaff* staff = block->GetStaff(s);
                    if (rec->nKind == SelRect::kStaff && rec->pStaff == staff) {
                        first = 0;
                        last = static_cast<int>(staff->GetMeasNum()) - 1;
                        return SystemIndex(doc, block->m_pSystem);
                    }
                    for (int m = 0; m < block->m_nMeasCount; ++m) {
                        const int index = block->m_nFirstMeas + m;
                        CKVMeas* meas = staff->GetMeas(index);
                        if (!meas)
                            continue;
                        if (rec->nKind == SelRect::kMeas && rec->pMeas == meas) {
                            first = last = index;
                            return SystemIndex(doc, block->m_pSystem);
                        }
                        if (rec->nKind != SelRect::kRect || !Meets(*block, *meas, rec->rect))
                            continue;
                        if (first < 0) {
                            first = index;
                            found = block->m_pSystem;
                        } else {
                            last = index;
                        }
                    }
                }
            }
        }
    }
    if (first < 0) {
        last = -1;
        return -1;
    }
    if (last < 0)
        last = first;
    return SystemIndex(doc, found);
}

} // namespace

int CKVDoc::GetMeasCount(int system, int countCompressed)
{
    if (system < 0)
        system = m_nCurSystem;
    if (system < 0 || system >= m_arrSystem.GetSize())
        return -1;
    CKVStaff* staff = m_arrSystem.GetAt(system)->GetStaff(0);
    if (!staff)
        return 0;
    const int count = static_cast<int>(staff->GetMeasNum());
    if (!countCompressed)
        return count;
    int total = 0;
    for (int m = 0; m < count; ++m) {
        const WORD rest = staff->GetMeas(m)->IsRestCompMeas(nullptr);
        total += rest > 0 ? rest : 1;
    }
    return total;
}

int CKVDoc::GetMeasCountInOssia()
{
    CKVPage* page = GetCurrentPage();
    CKVBlock* ossia = page ? page->GetSelOssiaBlock() : nullptr;
    if (!ossia)
        return -1;
    return ossia->GetStaffNum() > 0 ? static_cast<int>(ossia->GetStaff(0)->GetMeasNum()) : 0;
}

int CKVDoc::GetCurrentMeasNum()
{
    return m_pCurBlock ? m_pCurBlock->m_nFirstMeas + m_nCurMeas : -1;
}

int CKVDoc::GetSelMeasCount()
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    const int records = RecordCount(*this);
    if (!master || records == 0)
        return -1;
    int count = 0;
    for (short p = 0; p < GetPageNum(); ++p) {
        CKVPage* page = GetPage(p);
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            if (block->m_pSystem != master)
                continue;
            bool blockDone = false;
            for (short s = 0; s < block->GetStaffNum() && !blockDone; ++s) {
                CKVStaff* staff = block->GetStaff(s);
                for (int m = 0; m < block->m_nMeasCount && !blockDone; ++m) {
                    CKVMeas* meas = staff->GetMeas(block->m_nFirstMeas + m);
                    if (!meas)
                        continue;
                    for (int r = 0; r < records; ++r) {
                        const SelRect* rec = RecordAt(*this, r);
                        if (!rec || !Concerns(*rec, page))
                            continue;
                        if (rec->nKind == SelRect::kRect && Meets(*block, *meas, rec->rect)) {
                            ++count;
                            break;
                        }
                        if (rec->nKind == SelRect::kBlockStaff && rec->pBlock == block) {
                            count += block->m_nMeasCount;
                            blockDone = true;
                            break;
                        }
                        if (rec->nKind == SelRect::kStaff && rec->pStaff == staff)
                            return static_cast<int>(staff->GetMeasNum());
                    }
                }
            }
        }
    }
    return count > 0 ? count : -1;
}

int CKVDoc::GetSelMeasNumRange(int& first, int& last)
{
    return SelRange(*this, false, first, last);
}

int CKVDoc::GetSelMeasNumRangeInOssia(int& first, int& last)
{
    if (m_arrSystem.GetSize() == 0) {
        first = last = -1;
        return -1;
    }
    return SelRange(*this, true, first, last);
}
