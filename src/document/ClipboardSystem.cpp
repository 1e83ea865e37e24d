// The temporary system of a clipboard image, its staves and measures.

#include "document/ClipboardSystem.h"

#include "document/CopyPtrMap.h"
#include "document/KVDoc.h"
#include "document/SelRect.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "model/MeasPlace.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"

namespace kvclip {

namespace {

bool IsEmptyColumn(CKVSystem& system, int index)
{
    for (int s = 0; s < system.GetStaffNum(); ++s) {
        CKVMeas* meas = system.GetStaff(static_cast<short>(s))->GetMeas(index);
        if (meas && meas->GetMsgNum() > 0)
            return false;
    }
    return true;
}

bool HasMeasures(CKVSystem& system)
{
    for (int s = 0; s < system.GetStaffNum(); ++s) {
        if (system.GetStaff(static_cast<short>(s))->GetMeasNum() > 0)
            return true;
    }
    return false;
}

void DropFirstMeas(CKVStaff& staff)
{
    if (staff.m_arrMeas.GetSize() == 0)
        return;
    delete staff.m_arrMeas.GetAt(0);
    staff.m_arrMeas.RemoveAt(0);
}

CKVStaff* StaffOfRecord(const SelRect& record)
{
    if (record.pStaff)
        return record.pStaff;
    return record.pMeas ? measplace::StaffOf(*record.pMeas) : nullptr;
}

// The copied measure joins the staff when it got symbols, or when the staff
// already holds one (then an empty measure keeps the distance).
void KeepOrDrop(CKVStaff& staff, CKVMeas* copy, bool keepEmpty)
{
    if (copy->GetMsgNum() > 0 || (keepEmpty && staff.GetMeasNum() > 0))
        staff.m_arrMeas.Add(copy);
    else
        delete copy;
}

// The measures [first, first + count) of a staff, each whole, onto one
// temporary staff; leading empty copies are dropped.
bool CopyMeasures(CKVStaff& target, CKVStaff& source, LONG first, LONG count, unsigned char voice)
{
    for (LONG m = first; m < first + count && m < source.GetMeasNum(); ++m) {
        CKVMeas* meas = source.GetMeas(m);
        CKVMeas* copy = meas ? NewMeas(target, *meas) : nullptr;
        if (!copy)
            return false;
        meas->CopyToSelRect(copy, 0, CRect(), voice, 0);
        KeepOrDrop(target, copy, true);
    }
    return true;
}

} // namespace

CKVSystem* NewTempSystem(CKVDoc& doc)
{
    CKVSystem* master = doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
    if (!master)
        return nullptr;
    CKVSystem* system = KvNewReported<CKVSystem>();
    if (!system)
        return nullptr;
    system->m_pDoc = &doc;
    system->Initialize(system, OBJ_SYSTEM);
    system->m_dwTicksPerQuarter = master->m_dwTicksPerQuarter;
    system->m_arrMsgMap.SetSize(master->m_arrMsgMap.GetSize(), CKVSystem::MAP_GROWTH);
    system->ReleaseKey();
    ClearCopyPtrMap();
    return system;
}

CKVStaff* NewStaff(CKVSystem& system, const CKVStaff& model, bool ossia)
{
    CKVStaff* staff = KvNewChild<CKVStaff>(&system, ossia ? OBJ_OSSIA_STAFF : OBJ_STAFF, &system, OBJ_SYSTEM);
    if (!staff)
        return nullptr;
    staff->m_byStaffKind = model.m_byStaffKind;
    staff->m_byClefType = model.m_byClefType;
    staff->m_wStaffWord = model.m_wStaffWord;
    staff->m_byLineCount = model.m_byLineCount;
    // The object word is the staff's size in percent.
    staff->m_wObjWord = model.m_wObjWord;
    system.m_pStaffArray->Add(staff);
    return staff;
}

CKVMeas* NewMeas(CKVStaff& staff, CKVMeas& model)
{
    CKVMeas* meas = KvNewChild<CKVMeas>(staff.m_pSystem, OBJ_MEAS, &staff, staff.m_byObjKind);
    if (!meas)
        return nullptr;
    meas->Copy(model);
    // The settings copy took the model's node part; the clipboard measure
    // belongs to the temporary staff.
    meas->m_pSystem = staff.m_pSystem;
    meas->m_pParent = &staff;
    meas->m_byParentKind = staff.m_byObjKind;
    meas->m_byObjKind = OBJ_MEAS;
    meas->m_wObjWord = 0;
    meas->m_dwWord = 0;
    return meas;
}

void DropLeadingEmptyMeas(CKVStaff& staff)
{
    while (staff.GetMeasNum() > 0 && staff.GetMeas(0)->GetMsgNum() == 0)
        DropFirstMeas(staff);
}

void DropEmptyStavesAndLeadingColumns(CKVSystem& system)
{
    for (int s = system.GetStaffNum() - 1; s >= 0; --s) {
        CKVStaff* staff = system.GetStaff(static_cast<short>(s));
        bool filled = false;
        for (LONG m = 0; m < staff->GetMeasNum() && !filled; ++m)
            filled = staff->GetMeas(m)->GetMsgNum() > 0;
        if (!filled)
            DeleteStaff(system, staff);
    }
    while (HasMeasures(system) && IsEmptyColumn(system, 0)) {
        for (int s = 0; s < system.GetStaffNum(); ++s)
            DropFirstMeas(*system.GetStaff(static_cast<short>(s)));
    }
}

void DeleteStaff(CKVSystem& system, CKVStaff* staff)
{
    for (int i = 0; i < system.m_pStaffArray->GetSize(); ++i) {
        if (system.m_pStaffArray->GetAt(i) == staff) {
            system.m_pStaffArray->RemoveAt(i);
            break;
        }
    }
    delete staff;
}

bool Carried::TakesRecord(int index, const SelRect& record) const
{
    if (index == 0)
        return true;
    return records == kEveryStaffRecord && record.nKind == SelRect::kBlockStaff && record.pBlock &&
           StaffOfRecord(record);
}

bool Carried::TakesStaff(const CKVPage& shownOn, const CKVBlock& block, int staffIndex) const
{
    if (ossiaBlock < 0)
        return block.m_byKind != CKVBlock::KIND_OSSIA;
    return staffIndex == 0 && ossiaBlock < shownOn.m_arrOssiaBlock.GetSize() &&
           shownOn.m_arrOssiaBlock.GetAt(ossiaBlock) == &block;
}

bool CopySelection(CKVDoc& doc, CKVSystem& temp, SelRect& first, unsigned char voice, StaffRecords records,
                   Carried& carried)
{
    switch (first.nKind) {
    case SelRect::kRect:
        return CopyRect(doc, temp, first, voice, carried);
    case SelRect::kMeas:
    case SelRect::kBlockStaff:
    case SelRect::kStaff:
        return CopyStaves(doc, temp, first, voice, records, carried);
    default:
        return true;
    }
}

bool CopyRect(CKVDoc& doc, CKVSystem& temp, SelRect& record, unsigned char voice, Carried& carried)
{
    CKVPage* page = record.pPage;
    CKVSystem* master = doc.m_arrSystem.GetAt(0);
    if (!page)
        return true;
    carried.page = page;
    // Ossia blocks first: the first that leaves a measure with symbols is
    // the copy.
    CKVStaff* ossia = nullptr;
    for (int b = 0; b < page->m_arrOssiaBlock.GetSize(); ++b) {
        CKVBlock* block = page->m_arrOssiaBlock.GetAt(b);
        CKVStaff* model = block ? block->GetStaff(0) : nullptr;
        if (!model)
            continue;
        if (!ossia && !(ossia = NewStaff(temp, *model, true)))
            return false;
        if (block->CopyToSystem(&temp, &record, voice, 0) < 0)
            return false;
        DropLeadingEmptyMeas(*ossia);
        if (ossia->GetMeasNum() > 0) {
            carried.ossiaBlock = b;
            break;
        }
    }
    if (ossia && ossia->GetMeasNum() > 0)
        return true;
    if (ossia)
        DeleteStaff(temp, ossia);

    for (short s = 0; s < master->GetStaffNum(); ++s) {
        if (!NewStaff(temp, *master->GetStaff(s), false))
            return false;
    }
    for (short b = 0; b < page->GetBlockNum(); ++b) {
        CKVBlock* block = page->GetBlock(b);
        if (block && block->CopyToSystem(&temp, &record, voice, 0) < 0)
            return false;
    }
    DropEmptyStavesAndLeadingColumns(temp);
    return true;
}

bool CopyStaves(CKVDoc& doc, CKVSystem& temp, SelRect& first, unsigned char voice, StaffRecords records,
                Carried& carried)
{
    if (first.nKind == SelRect::kBlockStaff)
        carried.records = records;
    CKVStaff* source = StaffOfRecord(first);
    if (!source)
        return true;
    CKVStaff* staff = NewStaff(temp, *source, false);
    if (!staff)
        return false;
    bool ok = true;
    if (first.nKind == SelRect::kMeas) {
        CKVMeas* copy = first.pMeas ? NewMeas(*staff, *first.pMeas) : nullptr;
        ok = copy != nullptr;
        if (copy) {
            first.pMeas->CopyToSelRect(copy, 0, CRect(first.rect), voice, 0);
            KeepOrDrop(*staff, copy, false);
        }
    } else if (first.nKind == SelRect::kBlockStaff) {
        const int count = records == kFirstRecordOnly ? 1 : doc.m_pSelRectArray->GetSize();
        for (int i = 0; ok && i < count; ++i) {
            SelRect* record = i == 0 ? &first : static_cast<SelRect*>(doc.m_pSelRectArray->GetAt(i));
            CKVStaff* own = record ? StaffOfRecord(*record) : nullptr;
            if (!record || record->nKind != SelRect::kBlockStaff || !record->pBlock || !own)
                continue;
            ok = CopyMeasures(*staff, *own, record->pBlock->m_nFirstMeas, record->pBlock->m_nMeasCount, voice);
        }
    } else {
        ok = CopyMeasures(*staff, *source, 0, source->GetMeasNum(), voice);
    }
    if (staff->GetMeasNum() == 0)
        DeleteStaff(temp, staff);
    return ok;
}

} // namespace kvclip
