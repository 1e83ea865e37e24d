// Undo clones of a page with its blocks and page-level symbols, the swap of a
// page pair in the document, and pointer translation for page symbols.

#include "model/KVPage.h"

#include "AllocHook.h"
#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "document/SelRect.h"
#include "document/UndoEntry.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMsg.h"
#include "model/MidiFileRead.h"
#include "model/NewObject.h"

#include <cassert>

namespace {

// Clones each block of a list into the new page; false when memory ran out.
bool CloneBlocks(CTypedPtrArray<CPtrArray, CKVBlock*>& from, CTypedPtrArray<CPtrArray, CKVBlock*>& to,
                 CKVPage* page, bool ossia)
{
    for (int i = 0; i < from.GetSize(); ++i) {
        CKVBlock* block = from.GetAt(i);
        if (!block || !block->ObjectBackup(kBackupUnrecorded))
            return false;
        CKVBlock* clone = static_cast<CKVBlock*>(block->GetCurBackupObj());
        clone->m_pPage = page;
        if (ossia)
            clone->m_byKind = CKVBlock::KIND_OSSIA;
        to.Add(clone);
    }
    return true;
}

int IndexIn(const CTypedPtrArray<CPtrArray, CKVBlock*>& blocks, const CKVBlock* block)
{
    for (int i = 0; i < blocks.GetSize(); ++i) {
        if (blocks.GetAt(i) == block)
            return i;
    }
    return -1;
}

void SelfLinkBlocks(CTypedPtrArray<CPtrArray, CKVBlock*>& blocks)
{
    for (int i = 0; i < blocks.GetSize(); ++i) {
        if (CKVBlock* block = blocks.GetAt(i))
            block->m_pBackupLink = block;
    }
}

// The page that holds a page symbol, or the page of the symbol it hangs on.
CKVPage* PageOf(CKVMsg& msg)
{
    if (msg.m_byParentKind == CKVPage::PARENT_KIND_PAGE || !msg.m_pParent)
        return static_cast<CKVPage*>(msg.m_pPage);
    return static_cast<CKVPage*>(msg.m_pParent->m_pPage);
}

} // namespace

void CKVPage::ObjectBackup(int record)
{
    CKVDoc* doc = m_pDoc;
    if (!doc || !doc->IsReqBackup()) {
        m_pBackupLink = this;
        return;
    }
    // A command that backs up a page no longer in the document would edit a
    // copy that nothing shows.
    assert(IsCurrentObj());
    CKVPage* clone = KvNewReported<CKVPage>();
    if (!clone) {
        m_pBackupLink = this;
        return;
    }
    clone->m_pDoc = doc;
    clone->m_rcPrint = m_rcPrint;
    bool built = CloneBlocks(m_arrBlock, clone->m_arrBlock, clone, false) &&
                 CloneBlocks(m_arrOssiaBlock, clone->m_arrOssiaBlock, clone, true);
    for (int i = 0; built && i < m_arrMsg.GetSize(); ++i) {
        CKVMsg* source = m_arrMsg.GetAt(i);
        if (!source)
            continue;
        CKVMsg* copy = KvNewReported<CKVMsg>();
        if (!copy || !copy->CreateFrom(source)) {
            delete copy;
            built = false;
            break;
        }
        copy->m_pPage = clone;
        clone->AddMsg(copy);
    }
    if (!built) {
        // The failing step has reported; nothing of the copy stays.
        delete clone;
        m_pBackupLink = this;
        SelfLinkBlocks(m_arrBlock);
        SelfLinkBlocks(m_arrOssiaBlock);
        return;
    }
    m_pBackupLink = clone;
    clone->m_pBackupLink = this;
    // A new pair keeps the score's margins unless its command says otherwise.
    m_bOwnLayout = false;

    if (record) {
        if (doc->AddBackup(UndoEntry::kPage, this)) {
            // Only now is the copy the page in the score.
            if (doc->m_pSelRectArray) {
                for (int i = 0; i < doc->m_pSelRectArray->GetSize(); ++i) {
                    SelRect* rec = static_cast<SelRect*>(doc->m_pSelRectArray->GetAt(i));
                    if (rec && rec->pPage == this)
                        rec->pPage = clone;
                }
            }
        } else {
            // No step took the pair; nothing would ever free the copy.
            delete clone;
            m_pBackupLink = this;
            SelfLinkBlocks(m_arrBlock);
            SelfLinkBlocks(m_arrOssiaBlock);
        }
    }
    doc->m_bModified = 1;
}

void CKVPage::ObjectFeedback()
{
    if (GetMidiFileRead() || !m_pBackupLink || m_pBackupLink == this)
        return;
    CKVPage* partner = static_cast<CKVPage*>(m_pBackupLink);
    SetCurrentFlag2BackupObj();
    CKVDoc* doc = m_pDoc;
    if (!doc)
        return;

    int index = -1;
    for (int i = 0; i < doc->GetPageNum() && index < 0; ++i) {
        if (doc->GetPage(static_cast<short>(i)) == this)
            index = i;
    }
    if (index >= 0 && !m_bOwnLayout && !partner->m_bOwnLayout) {
        // The margins belong to the score, not to the step: the page coming
        // in keeps the boundaries and edges of the page going out. A block
        // that shows other measures than the one at its place (the step
        // dealt blocks to other pages) keeps its own boundaries.
        auto copyBoundaries = [this, partner]() {
            for (int b = 0; b < m_arrBlock.GetSize() && b < partner->m_arrBlock.GetSize(); ++b) {
                CKVBlock* mine = m_arrBlock.GetAt(b);
                CKVBlock* theirs = partner->m_arrBlock.GetAt(b);
                if (!mine || !theirs || mine->m_arrMeasX.GetSize() != theirs->m_arrMeasX.GetSize())
                    break;
                if (mine->m_nFirstMeas != theirs->m_nFirstMeas)
                    continue;
                theirs->m_arrMeasX.Copy(mine->m_arrMeasX);
            }
        };
        copyBoundaries();
        if (m_rcPrint.left != partner->m_rcPrint.left) {
            const int d = partner->m_rcPrint.left - m_rcPrint.left;
            partner->m_rcPrint.left = m_rcPrint.left;
            copyBoundaries();
            partner->SetLeftMargin(static_cast<short>(d));
        }
        if (m_rcPrint.right != partner->m_rcPrint.right) {
            const int d = partner->m_rcPrint.right - m_rcPrint.right;
            partner->m_rcPrint.right = m_rcPrint.right;
            partner->SetRightMargin(static_cast<short>(d));
        }
    }
    if (index >= 0)
        doc->SetPage(index, partner);

    // The cursor's block must not stay on the page going out, which a later
    // step may free: it takes the incoming page's block at its place.
    using Blocks = CTypedPtrArray<CPtrArray, CKVBlock*>;
    auto follow = [doc](Blocks& mine, Blocks& theirs) {
        for (int b = 0; doc->m_pCurBlock && b < mine.GetSize(); ++b) {
            if (doc->m_pCurBlock == mine.GetAt(b)) {
                doc->m_pCurBlock = b < theirs.GetSize() ? theirs.GetAt(b) : nullptr;
                return;
            }
        }
    };
    follow(m_arrBlock, partner->m_arrBlock);
    follow(m_arrOssiaBlock, partner->m_arrOssiaBlock);
    const bool ossiaCursor = doc->m_pCurBlock && doc->m_pCurBlock->m_byKind == CKVBlock::KIND_OSSIA;
    doc->m_pCurPage = doc->GetPage(doc->m_nCurPage);
    if (CKVPage* page = doc->m_pCurPage) {
        auto& blocks = ossiaCursor ? page->m_arrOssiaBlock : page->m_arrBlock;
        if (doc->m_nCurBlock >= 0 && doc->m_nCurBlock < blocks.GetSize())
            doc->m_pCurBlock = blocks.GetAt(doc->m_nCurBlock);
    }
    // The mouse cursor pack must not keep a block of the page going out.
    for (int b = 0; b < m_arrBlock.GetSize(); ++b) {
        if (doc->m_pCusorBlock && doc->m_pCusorBlock == m_arrBlock.GetAt(b))
            doc->m_pCusorBlock = b < partner->m_arrBlock.GetSize() ? partner->m_arrBlock.GetAt(b) : nullptr;
    }

    // The selection records follow the page and its blocks, as the cursor
    // does; a record whose block has no place on the incoming page has
    // nothing left to select.
    CKVBackupPtrArray* records = doc->m_pSelRectArray;
    for (int i = 0; records && i < records->GetSize();) {
        SelRect* rec = static_cast<SelRect*>(records->GetAt(i));
        if (rec && rec->pPage == this)
            rec->pPage = partner;
        if (rec && rec->pBlock) {
            const int normal = IndexIn(m_arrBlock, rec->pBlock);
            const int ossia = normal < 0 ? IndexIn(m_arrOssiaBlock, rec->pBlock) : -1;
            auto& theirs = normal >= 0 ? partner->m_arrBlock : partner->m_arrOssiaBlock;
            const int at = normal >= 0 ? normal : ossia;
            if (at >= 0 && at < theirs.GetSize()) {
                rec->pBlock = theirs.GetAt(at);
            } else if (at >= 0) {
                records->RemoveAt(i);
                delete rec;
                doc->m_bSelected = records->GetSize() > 0;
                continue;
            }
        }
        ++i;
    }
}

CKVPage* CKVPage::GetCurBackupObj()
{
    CKVPage* page = this;
    while (!page->IsCurrentObj() && page->m_pBackupLink && page->m_pBackupLink != page) {
        page = static_cast<CKVPage*>(page->m_pBackupLink);
        if (page == this)
            break;
    }
    return page;
}

CKVMsg* CKVPage::GetNewPtr2(CKVMsg* msg)
{
    if (!msg)
        return nullptr;
    CKVPage* page = PageOf(*msg);
    if (!page || page->IsCurrentObj())
        return msg;
    return page->GetCurBackupObj()->GetNewPtr(msg);
}

CKVMsg* CKVPage::GetNewPtr(CKVMsg* msg)
{
    if (!msg)
        return nullptr;
    for (int i = 0; i < m_arrMsg.GetSize(); ++i) {
        CKVMsg* candidate = m_arrMsg.GetAt(i);
        if (candidate && candidate->m_nPosX == msg->m_nPosX && candidate->m_nPosY == msg->m_nPosY &&
            candidate->m_nPosX2 == msg->m_nPosX2 && candidate->m_nPosY2 == msg->m_nPosY2 &&
            candidate->m_byKind == msg->m_byKind && candidate->m_byVoice == msg->m_byVoice &&
            candidate->m_wHeadType == msg->m_wHeadType)
            return candidate;
    }
    return msg;
}
