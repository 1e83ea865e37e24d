// A document made from another: the staves of a part with their texts, and
// the page layout taken over from a source document.

#include "document/KVDoc.h"

#include "document/KVFileInfo.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"

namespace {

bool StaffChosen(int index, DWORD mask0, DWORD mask1, DWORD mask2, DWORD mask3)
{
    const DWORD mask = index < 32 ? mask0 : index < 64 ? mask1 : index < 96 ? mask2 : mask3;
    return (mask >> (index % 32)) & 1;
}

void CopyGeometry(const CKVFileInfo& from, CKVFileInfo& to)
{
    to.m_nBlockPerPage = from.m_nBlockPerPage;
    to.m_nMeasPerBlock = from.m_nMeasPerBlock;
    to.m_nLeftMargin = from.m_nLeftMargin;
    to.m_nRightMargin = from.m_nRightMargin;
    to.m_nTopMargin = from.m_nTopMargin;
    to.m_nBottomMargin = from.m_nBottomMargin;
    to.m_nFirstBlockX = from.m_nFirstBlockX;
    to.m_nFirstBlockY = from.m_nFirstBlockY;
    to.m_nBlockDistance = from.m_nBlockDistance;
    to.m_nStaffDistance = from.m_nStaffDistance;
    to.m_wReserved[0] = from.m_wReserved[0];
    to.m_wReserved[1] = from.m_wReserved[1];
    to.m_lPrintWidth = from.m_lPrintWidth;
    to.m_lPrintHeight = from.m_lPrintHeight;
}

// Removes the children of a kind from every measure of a staff.
void RemoveFromMeasures(CKVStaff& staff, BYTE kind)
{
    for (LONG m = 0; m < staff.GetMeasNum(); ++m) {
        CKVMeas* meas = staff.GetMeas(m);
        for (short i = meas ? static_cast<short>(meas->GetMsgNum() - 1) : -1; i >= 0; --i) {
            CKVMsg* child = meas->GetMsg(i);
            if (child && child->m_byKind == kind)
                meas->RemoveMsgAt(i);
        }
    }
}

} // namespace

int CKVDoc::ExtractPart(CKVDoc* target, int count, DWORD mask0, DWORD mask1, DWORD mask2, DWORD mask3,
                        DWORD options)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (count < 1 || !master || master->GetStaffNum() <= 0)
        return 0;
    // The target must be another, empty document: copying into the source
    // or over an existing score would read what it destroys.
    if (!target || target == this || target->m_arrSystem.GetSize() > 0)
        return 0;

    CKVSystem* system = KvNewReported<CKVSystem>();
    if (!system)
        return 0;
    system->m_pDoc = target;
    system->Initialize(system, OBJ_SYSTEM);
    target->m_arrSystem.Add(system);
    system->m_dwTicksPerQuarter = master->m_dwTicksPerQuarter;
    target->m_pLastGroup = nullptr;
    target->m_pLastMember = nullptr;

    target->m_nStaffSpace = m_nStaffSpace;
    target->m_nScoreFontSize = m_nScoreFontSize;
    target->m_nFontHeight = m_nFontHeight;
    target->m_nFontHeight78 = m_nFontHeight78;
    if (m_pFileInfo && target->m_pFileInfo)
        CopyGeometry(*m_pFileInfo, *target->m_pFileInfo);

    for (short i = 0; i < master->GetStaffNum(); ++i) {
        if (!StaffChosen(i, mask0, mask1, mask2, mask3))
            continue;
        CKVStaff* staff = KvNewChild<CKVStaff>(system, OBJ_STAFF, system, OBJ_SYSTEM);
        if (!staff)
            return 0;
        system->m_pStaffArray->Add(staff);
        if (!staff->CreateFrom(master->GetStaff(i)))
            return 0;
    }
    if (!target->CopyPageLayoutFrom(this))
        return 0;
    if (options & 0x1000)
        target->SetAllPageBlockCount(1);
    if (options & 0x0001) {
        for (short p = 0; p < GetPageNum() && p < target->GetPageNum(); ++p) {
            CKVPage* from = GetPage(p);
            for (short i = 0; i < from->GetMsgNum(); ++i) {
                CKVMsg copy;
                copy = *from->GetMsg(i);
                target->AddMsg(target->GetPage(p), &copy, 1, 1);
            }
        }
    }
    if (!(options & 0x0100)) {
        for (short s = 0; s < system->GetStaffNum(); ++s)
            RemoveFromMeasures(*system->GetStaff(s), MSG_FREETEXT);
    }
    if (!(options & 0x0010)) {
        for (int id = 1; id < system->m_arrMsgMap.GetSize(); ++id) {
            CKVMsg* lyric = system->GetMsgFromMap(static_cast<DWORD>(id));
            if (!lyric || lyric->m_byKind != MSG_LYRIC || !lyric->m_pParent)
                continue;
            // The owning reference goes, so that the lyric is not left in the
            // map with nothing holding it.
            CKVObject* note = lyric->m_pParent;
            for (short i = 0; i < note->GetMsgNum(); ++i) {
                if (note->m_arrMsgRef.GetAt(i)->dwMsgId == lyric->m_dwMsgId) {
                    note->RemoveMsgAt(i);
                    break;
                }
            }
        }
    }

    target->m_nCurPage = 0;
    target->m_nCurBlock = 0;
    target->m_nCurStaff = 0;
    target->m_nCurMeas = 0;
    target->m_nCaretMeasNum = 1;
    target->m_pCurPage = target->GetPageNum() > 0 ? target->GetPage(0) : nullptr;
    target->m_pCurBlock = target->m_pCurPage && target->m_pCurPage->GetBlockNum() > 0
                              ? target->m_pCurPage->GetBlock(0) : nullptr;
    target->m_pCurSystem = system;
    target->m_pCurStaff = target->m_pCurBlock && target->m_pCurBlock->GetStaffNum() > 0
                              ? target->m_pCurBlock->GetStaff(0) : nullptr;
    target->m_pCurMeas = target->m_pCurStaff ? target->m_pCurStaff->GetMeas(target->m_pCurBlock->m_nFirstMeas)
                                             : nullptr;
    target->m_bModified = 1;
    return 1;
}

int CKVDoc::CopyPageLayoutFrom(CKVDoc* source)
{
    // Copying from itself would delete the pages it is about to read.
    if (!source || source == this || m_arrSystem.GetSize() <= 0)
        return 0;
    for (short p = 0; p < GetPageNum(); ++p)
        delete GetPage(p);
    m_pPageArray->RemoveAll();
    for (short p = 0; p < source->GetPageNum(); ++p) {
        CKVPage* from = source->GetPage(p);
        CKVPage* page = KvNewReported<CKVPage>();
        if (!page)
            return 0;
        page->m_pDoc = this;
        page->m_rcPrint = from->m_rcPrint;
        page->CopyBlockLayoutFrom(from);
        AddPage(page);
    }
    return 1;
}
