// The selection rectangles of the document: adding and clearing them, what
// they select, and deleting what lies in them.

#include "document/KVDoc.h"

#include "AllocHook.h"
#include "MemoryGuard.h"
#include "document/SelRect.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

namespace {

SelRect* RecordAt(CKVBackupPtrArray& list, int i)
{
    return static_cast<SelRect*>(list.GetAt(i));
}

CKVStaff* StaffOf(const CKVMeas& meas)
{
    CKVObject* parent = meas.m_pParent;
    return parent && (parent->m_byObjKind == OBJ_STAFF || parent->m_byObjKind == OBJ_OSSIA_STAFF)
               ? static_cast<CKVStaff*>(parent)
               : nullptr;
}

// Whether a measure of a staff lies in a block's measure range.
bool InBlockRange(const CKVBlock& block, CKVStaff* staff, CKVMeas* meas)
{
    if (!meas || StaffOf(*meas) != staff)
        return false;
    const int index = staff->GetMeasIndex(meas);
    return index >= block.m_nFirstMeas && index < block.m_nFirstMeas + block.m_nMeasCount;
}

// Whether a record already covers what a new record of kind 2 (measure),
// 3 (staff in a block) or 4 (staff) would.
bool Covered(const SelRect& rec, short kind, CKVMeas* meas, CKVStaff* staff, CKVBlock* block)
{
    switch (kind) {
    case SelRect::kMeas:
        return (rec.nKind == SelRect::kMeas && rec.pMeas == meas) ||
               (rec.nKind == SelRect::kBlockStaff && rec.pBlock == block && rec.pStaff == staff) ||
               (rec.nKind == SelRect::kStaff && rec.pStaff == staff);
    case SelRect::kBlockStaff:
        return (rec.nKind == SelRect::kBlockStaff && rec.pBlock == block && rec.pStaff == staff) ||
               (rec.nKind == SelRect::kStaff && rec.pStaff == staff);
    case SelRect::kStaff:
        return rec.nKind == SelRect::kStaff && rec.pStaff == staff;
    default:
        return false;
    }
}

// Whether a new staff record takes the place of an older, smaller record:
// a staff in a block replaces the measures of that staff in the block, a
// staff in the whole score its measures and its staff-in-block records.
bool Replaced(const SelRect& rec, short kind, CKVStaff* staff, CKVBlock* block)
{
    if (kind == SelRect::kBlockStaff)
        return rec.nKind == SelRect::kMeas && InBlockRange(*block, staff, rec.pMeas);
    if (kind == SelRect::kStaff)
        return (rec.nKind == SelRect::kMeas && rec.pMeas && StaffOf(*rec.pMeas) == staff) ||
               (rec.nKind == SelRect::kBlockStaff && rec.pStaff == staff);
    return false;
}

bool SameRecord(const SelRect& a, const SelRect& b)
{
    return a.nKind == b.nKind && a.pPage == b.pPage && a.pBlock == b.pBlock && a.pStaff == b.pStaff &&
           a.pMeas == b.pMeas && ::EqualRect(&a.rect, &b.rect);
}

} // namespace

void CKVDoc::AddSelRect(short kind, RECT* rect, CKVMeas* meas, CKVStaff* staff, CKVBlock* block)
{
    const RECT given = rect ? *rect : RECT {0, 0, 0, 0};
    SelRect made;
    made.nKind = kind;
    bool add = false;
    switch (kind) {
    case SelRect::kRect:
        made.pPage = m_nCurPage >= 0 && m_nCurPage < GetPageNum() ? GetPage(m_nCurPage) : nullptr;
        made.rect = given;
        add = rect && made.pPage;
        break;
    case SelRect::kMeas:
        staff = meas ? StaffOf(*meas) : nullptr;
        made.pPage = block ? block->m_pPage : nullptr;
        made.pBlock = block;
        made.pMeas = meas;
        made.rect = given;
        add = meas && staff && block;
        break;
    case SelRect::kBlockStaff:
        made.pPage = block ? block->m_pPage : nullptr;
        made.pBlock = block;
        made.pStaff = staff;
        made.rect = given;
        add = staff && block;
        break;
    case SelRect::kStaff:
        made.pStaff = staff;
        add = staff != nullptr;
        break;
    default:
        break;
    }
    for (int i = 0; add && i < m_pSelRectArray->GetSize(); ++i) {
        if (Covered(*RecordAt(*m_pSelRectArray, i), kind, meas, staff, block))
            add = false;
    }
    SelRect* record = add ? KvNew<SelRect>(made) : nullptr;
    if (add && !record)
        ReportOutOfMemory(1);
    if (record) {
        for (int i = m_pSelRectArray->GetSize() - 1; i >= 0; --i) {
            SelRect* old = RecordAt(*m_pSelRectArray, i);
            if (Replaced(*old, kind, staff, block)) {
                delete old;
                m_pSelRectArray->RemoveAt(i);
            }
        }
        m_pSelRectArray->Add(record);
        if (kind == SelRect::kRect)
            SetEditStatus(POINT {given.left, given.top});
    }
    m_bSelected = m_pSelRectArray->GetSize() > 0 ? 1 : 0;
    m_bHostNotice = 1;
}

int CKVDoc::IsSelChanged()
{
    const int count = m_pSelRectArray->GetSize();
    bool same = m_arrSavedSelRect.GetSize() == count;
    for (int i = 0; same && i < count; ++i)
        same = SameRecord(*m_arrSavedSelRect.GetAt(i), *RecordAt(*m_pSelRectArray, i));
    const bool first = m_arrSavedSelRect.GetSize() == 0;
    if (same && !first)
        return 0;
    // The copies are made before the old ones go, so that a failed
    // allocation keeps the saved selection as it was.
    CTypedPtrArray<CPtrArray, SelRect*> copies;
    for (int i = 0; i < count; ++i) {
        SelRect* copy = KvNew<SelRect>(*RecordAt(*m_pSelRectArray, i));
        if (!copy) {
            for (int k = 0; k < copies.GetSize(); ++k)
                delete copies.GetAt(k);
            ReportOutOfMemory(1);
            return 0;
        }
        copies.Add(copy);
    }
    for (int i = 0; i < m_arrSavedSelRect.GetSize(); ++i)
        delete m_arrSavedSelRect.GetAt(i);
    m_arrSavedSelRect.RemoveAll();
    for (int i = 0; i < copies.GetSize(); ++i)
        m_arrSavedSelRect.Add(copies.GetAt(i));
    return first ? 0 : 1;
}

void CKVDoc::RemoveAllSelRect(int resetDrag, int keep)
{
    if (!keep) {
        for (int i = 0; i < m_pSelRectArray->GetSize(); ++i)
            delete static_cast<SelRect*>(m_pSelRectArray->GetAt(i));
        m_pSelRectArray->RemoveAll();
    }
    if (resetDrag) {
        m_bSelected = 0;
        m_bSelectAllPages = 0;
    }
    m_bHostNotice = 1;
    m_bSelected = m_pSelRectArray->GetSize() > 0 ? 1 : 0;
}

int CKVDoc::IsStaffSelected(short index)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (!master || index < 0 || index >= master->GetStaffNum())
        return 0;
    CKVStaff* staff = master->GetStaff(index);
    for (int i = 0; staff && i < m_pSelRectArray->GetSize(); ++i) {
        SelRect* rec = RecordAt(*m_pSelRectArray, i);
        if (rec->nKind == SelRect::kBlockStaff || rec->nKind == SelRect::kStaff) {
            if (rec->pStaff == staff)
                return 1;
        } else if (rec->nKind == SelRect::kRect && rec->pPage) {
            for (short b = 0; b < rec->pPage->GetBlockNum(); ++b) {
                CKVBlock* block = rec->pPage->GetBlock(b);
                if (block && block->IsStaffSelected(staff, &rec->rect))
                    return 1;
            }
        }
    }
    return 0;
}

int CKVDoc::IsEnableStaffHide()
{
    CKVPage* page = m_nCurPage >= 0 && m_nCurPage < GetPageNum() ? GetPage(m_nCurPage) : nullptr;
    if (!page)
        return 0;
    for (short b = 0; b < page->GetBlockNum(); ++b) {
        CKVBlock* block = page->GetBlock(b);
        for (int i = 0; block && i < m_pSelRectArray->GetSize(); ++i) {
            SelRect* rec = RecordAt(*m_pSelRectArray, i);
            if (rec->nKind != SelRect::kBlockStaff && rec->nKind != SelRect::kStaff)
                continue;
            for (short s = 0; s < block->GetStaffNum(); ++s) {
                if (block->GetStaff(s) == rec->pStaff)
                    return block->GetStaffNum() >= 2 ? 1 : 0;
            }
        }
    }
    return 0;
}

int CKVDoc::DeleteMsgOnSelRect(int)
{
    KV_PENDING("CKVDoc::DeleteMsgOnSelRect");
    return 0;
}

int CKVDoc::DeleteSubMsgOfNoteRestOnSelRect(CKVBlock*, CKVMeas*, int, int, CKVObject*, short&,
                                            CKVMsg*, CRect&, CRect&, int)
{
    KV_PENDING("CKVDoc::DeleteSubMsgOfNoteRestOnSelRect");
    return 0;
}
