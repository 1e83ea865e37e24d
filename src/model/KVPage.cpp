#include "model/KVPage.h"

#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "document/UndoEntry.h"
#include "model/KVBlock.h"
#include "model/KVMsg.h"
#include "model/KVStaff.h"
#include "model/NewObject.h"
#include "platform/LittleEndian.h"

#include <new>
#include <vector>

namespace {

// Bytes of the stream form's head; the first word is the block count.
constexpr UINT kStreamHeadSize = 24;

// Takes d dots from the block's measures: each measure gives d / n and the
// last one also the remainder; when d is smaller than the measure count the
// first measures give one dot each until d is used up.
void SpreadMargin(CKVBlock* block, int d)
{
    const int n = block->m_nMeasCount;
    // Without measures there is nothing to spread over (and no divisor).
    if (n <= 0 || block->m_arrMeasX.GetSize() < n + 1)
        return;
    CWordArray& x = block->m_arrMeasX;
    std::vector<int> width(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        width[static_cast<size_t>(i)] = static_cast<int>(x.GetAt(i + 1)) - static_cast<int>(x.GetAt(i));

    const int q = d / n;
    int r = d % n;
    for (int i = 1; i <= n; ++i) {
        int take = 0;
        if (q != 0) {
            take = i < n ? q : q + r;
        } else if (i == n) {
            take = r;
        } else if (r != 0) {
            take = r > 0 ? 1 : -1;
            r -= take;
        }
        const int value = static_cast<int>(x.GetAt(i - 1)) + width[static_cast<size_t>(i - 1)] - take;
        x.SetAt(i, static_cast<WORD>(value));
    }
}

// The index of the measure in the staff, or -1.
int MeasIndexInStaff(CKVStaff* staff, CKVMeas* meas)
{
    for (int i = 0; i < staff->m_arrMeas.GetSize(); ++i) {
        if (staff->m_arrMeas.GetAt(i) == meas)
            return i;
    }
    return -1;
}

// The block's index of the staff whose shown measures include `meas`, or -1.
int StaffShowingMeas(CKVBlock* block, CKVMeas* meas)
{
    const short staves = block->GetStaffNum();
    for (short k = 0; k < staves; ++k) {
        CKVStaff* staff = block->GetStaff(k);
        if (!staff)
            continue;
        const int index = MeasIndexInStaff(staff, meas);
        if (index >= block->m_nFirstMeas && index < block->m_nFirstMeas + block->m_nMeasCount)
            return k;
    }
    return -1;
}

} // namespace

CKVPage::CKVPage() = default;

CKVPage::CKVPage(CKVFileInfo*)
{
}

CKVPage::~CKVPage()
{
    for (int i = 0; i < m_arrBlock.GetSize(); ++i)
        delete m_arrBlock.GetAt(i);
    m_arrBlock.RemoveAll();
    for (int i = 0; i < m_arrOssiaBlock.GetSize(); ++i)
        delete m_arrOssiaBlock.GetAt(i);
    m_arrOssiaBlock.RemoveAll();
    for (int i = 0; i < m_arrMsg.GetSize(); ++i)
        delete m_arrMsg.GetAt(i);
    m_arrMsg.RemoveAll();
}

void CKVPage::DeleteBackupData()
{
    // The clone of an undo pair is a whole page; the link stays as it is.
    if (m_pBackupLink && m_pBackupLink != this)
        delete m_pBackupLink;
}

int CKVPage::Create(CKVFileInfo* fileInfo)
{
    if (!fileInfo)
        return 0;
    m_rcPrint.SetRect(fileInfo->m_nLeftMargin, fileInfo->m_nTopMargin,
                      fileInfo->m_nLeftMargin + fileInfo->m_lPrintWidth,
                      fileInfo->m_nTopMargin + fileInfo->m_lPrintHeight);
    return 1;
}

CKVBlock* CKVPage::AddBlock(CKVSystem* system, LONG first, LONG count, POINT topLeft, int indent)
{
    CKVBlock* block = KvNewReported<CKVBlock>();
    if (!block)
        return nullptr;
    block->m_nLeftIndent = static_cast<short>(indent);
    if (!block->Create(this, topLeft, system, first, static_cast<short>(count))) {
        delete block;
        return nullptr;
    }
    if (m_pDoc && m_pDoc->m_pFileInfo)
        block->m_nNominalMeasCount = m_pDoc->m_pFileInfo->m_nMeasPerBlock;
    m_arrBlock.Add(block);
    return block;
}

CKVBlock* CKVPage::AddBlock(CKVSystem* system, LONG first, LONG count)
{
    const CKVFileInfo* fileInfo = m_pDoc ? m_pDoc->m_pFileInfo : nullptr;
    const int space = m_pDoc ? m_pDoc->m_nStaffSpace : 0;
    POINT topLeft {1, fileInfo ? fileInfo->m_nFirstBlockY : 0};
    const int n = static_cast<int>(m_arrBlock.GetSize());
    if (n > 0) {
        CKVBlock* last = m_arrBlock.GetAt(n - 1);
        const int distance = fileInfo ? fileInfo->m_nBlockDistance * space : 0;
        topLeft.x = last->m_rcBlock.left;
        topLeft.y = last->m_rcBlock.top + last->LastStaffY() + 1 + distance;
    }
    return AddBlock(system, first, count, topLeft, 0);
}

short CKVPage::AddBlock(CKVBlock* block, int keepPlace)
{
    if (!block)
        return GetBlockNum();
    const CKVFileInfo* fileInfo = m_pDoc ? m_pDoc->m_pFileInfo : nullptr;
    if (keepPlace == 0) {
        const int space = m_pDoc ? m_pDoc->m_nStaffSpace : 0;
        int top = fileInfo ? fileInfo->m_nFirstBlockY : 0;
        const int n = static_cast<int>(m_arrBlock.GetSize());
        if (n > 0) {
            CKVBlock* last = m_arrBlock.GetAt(n - 1);
            const int distance = fileInfo ? fileInfo->m_nBlockDistance * space : 0;
            top = last->m_rcBlock.top + last->LastStaffY() + distance;
        }
        // Width and height stay; only the place changes.
        block->m_rcBlock.OffsetRect(0, top - block->m_rcBlock.top);
    }
    block->m_pPage = this;
    if (fileInfo)
        block->m_nNominalMeasCount = fileInfo->m_nMeasPerBlock;
    m_arrBlock.Add(block);
    return GetBlockNum();
}

short CKVPage::RemoveBlock(short index)
{
    CKVBlock* block = GetBlock(index);
    if (!block)
        return -1;
    m_arrBlock.RemoveAt(index);
    const int taken = m_pDoc ? m_pDoc->AddObj2BackupArray(UndoEntry::kBlockInsDel, block, 0) : 0;
    if (!taken)
        delete block;
    return GetBlockNum();
}

short CKVPage::GetBlockNum()
{
    return static_cast<short>(m_arrBlock.GetSize());
}

CKVBlock* CKVPage::GetBlock(short index)
{
    if (index < 0 || index >= m_arrBlock.GetSize())
        return nullptr;
    return m_arrBlock.GetAt(index);
}

void CKVPage::UpdateMeasXY()
{
    for (int i = 0; i < m_arrBlock.GetSize(); ++i)
        m_arrBlock.GetAt(i)->UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
    for (int i = 0; i < m_arrOssiaBlock.GetSize(); ++i)
        m_arrOssiaBlock.GetAt(i)->UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
}

short CKVPage::AddMsg(CKVMsg* msg)
{
    return static_cast<short>(m_arrMsg.Add(msg));
}

short CKVPage::InsertMsg(short index, CKVMsg* msg)
{
    const int count = static_cast<int>(m_arrMsg.GetSize());
    int at = index;
    if (at < 0)
        at = 0;
    if (at > count)
        at = count;
    m_arrMsg.InsertAt(at, msg);
    return static_cast<short>(at);
}

CKVMsg* CKVPage::GetMsg(short index)
{
    if (index < 0 || index >= m_arrMsg.GetSize())
        return nullptr;
    return m_arrMsg.GetAt(index);
}

void CKVPage::RemoveMsg(short index)
{
    if (index < 0 || index >= m_arrMsg.GetSize())
        return;
    CKVMsg* msg = m_arrMsg.GetAt(index);
    m_arrMsg.RemoveAt(index);
    delete msg;
}

short CKVPage::GetMsgNum()
{
    return static_cast<short>(m_arrMsg.GetSize());
}

void CKVPage::SetLeftMargin(short d)
{
    if (d == 0)
        return;
    for (int i = 0; i < m_arrBlock.GetSize(); ++i) {
        CKVBlock* block = m_arrBlock.GetAt(i);
        if (block->m_nMeasCount <= 0)
            continue;
        SpreadMargin(block, d);
        block->UpdateMeasXY(0, kSkipCrossStaff, kWithoutBackup);
    }
    for (int i = 0; i < m_arrOssiaBlock.GetSize(); ++i) {
        CKVBlock* block = m_arrOssiaBlock.GetAt(i);
        if (block->m_nMeasCount <= 0)
            continue;
        SpreadMargin(block, d);
        block->UpdateMeasXY(0, kSkipCrossStaff, kWithoutBackup);
    }
    m_rcPrint.left += d;
}

void CKVPage::SetRightMargin(short d)
{
    if (d == 0)
        return;
    for (int i = 0; i < m_arrBlock.GetSize(); ++i) {
        CKVBlock* block = m_arrBlock.GetAt(i);
        if (block->m_nMeasCount <= 0)
            continue;
        SpreadMargin(block, -d);
        block->UpdateMeasXY(0, kSkipCrossStaff, kWithoutBackup);
    }
    for (int i = 0; i < m_arrOssiaBlock.GetSize(); ++i) {
        CKVBlock* block = m_arrOssiaBlock.GetAt(i);
        if (block->m_nMeasCount <= 0)
            continue;
        SpreadMargin(block, -d);
        block->UpdateMeasXY(0, kSkipCrossStaff, kWithoutBackup);
    }
    m_rcPrint.right += d;
}

void CKVPage::SetTopMargin(short d)
{
    m_rcPrint.top += d;
    for (int i = 0; i < m_arrBlock.GetSize(); ++i)
        m_arrBlock.GetAt(i)->UpdateMeasXY(0, kSkipCrossStaff, kWithoutBackup);
    for (int i = 0; i < m_arrOssiaBlock.GetSize(); ++i)
        m_arrOssiaBlock.GetAt(i)->UpdateMeasXY(0, kSkipCrossStaff, kWithoutBackup);
}

void CKVPage::SetDownMargin(short d)
{
    m_rcPrint.bottom += d;
    for (int i = 0; i < m_arrBlock.GetSize(); ++i)
        m_arrBlock.GetAt(i)->UpdateMeasXY(0, kSkipCrossStaff, kWithoutBackup);
    for (int i = 0; i < m_arrOssiaBlock.GetSize(); ++i)
        m_arrOssiaBlock.GetAt(i)->UpdateMeasXY(0, kSkipCrossStaff, kWithoutBackup);
}

void CKVPage::SetMargin(short top, short down, short left, short right)
{
    SetLeftMargin(left);
    SetRightMargin(right);
    SetTopMargin(top);
    SetDownMargin(down);
}

int CKVPage::IsEmptyPage()
{
    return m_arrBlock.GetSize() == 0 && m_arrOssiaBlock.GetSize() == 0 && m_arrMsg.GetSize() == 0;
}

int CKVPage::IsNoStaffPage()
{
    return m_arrBlock.GetSize() == 0 && m_arrOssiaBlock.GetSize() == 0;
}

CKVBlock* CKVPage::GetBlockOfMeas(CKVMeas* meas, short* staff)
{
    if (staff)
        *staff = -1;
    if (!meas)
        return nullptr;
    for (int i = 0; i < m_arrBlock.GetSize(); ++i) {
        CKVBlock* block = m_arrBlock.GetAt(i);
        const int k = StaffShowingMeas(block, meas);
        if (k >= 0) {
            if (staff)
                *staff = static_cast<short>(k);
            return block;
        }
    }
    for (int i = 0; i < m_arrOssiaBlock.GetSize(); ++i) {
        CKVBlock* block = m_arrOssiaBlock.GetAt(i);
        const int k = StaffShowingMeas(block, meas);
        if (k >= 0) {
            if (staff)
                *staff = static_cast<short>(k);
            return block;
        }
    }
    return nullptr;
}

CRect CKVPage::MeasRectToPageRect(CKVMeas* meas, CRect rect)
{
    CKVBlock* block = GetBlockOfMeas(meas, nullptr);
    if (!block)
        return CRect(0, 0, 0, 0);
    rect.OffsetRect(block->m_rcBlock.left + m_rcPrint.left, block->m_rcBlock.top + m_rcPrint.top);
    return rect;
}

CKVMeas* CKVPage::GetMeasFromPoint(POINT pt, POINT* rel)
{
    for (int i = 0; i < m_arrBlock.GetSize(); ++i) {
        CKVMeas* meas = m_arrBlock.GetAt(i)->GetMeasFromPoint(pt, rel, nullptr, nullptr);
        if (meas)
            return meas;
    }
    for (int i = 0; i < m_arrOssiaBlock.GetSize(); ++i) {
        CKVMeas* meas = m_arrOssiaBlock.GetAt(i)->GetMeasFromPoint(pt, rel, nullptr, nullptr);
        if (meas)
            return meas;
    }
    return nullptr;
}

CKVBlock* CKVPage::GetBlockFromPoint(POINT pt, POINT* rel)
{
    const int normal = static_cast<int>(m_arrBlock.GetSize());
    const int total = normal + static_cast<int>(m_arrOssiaBlock.GetSize());
    for (int i = 0; i < total; ++i) {
        CKVBlock* block = i < normal ? m_arrBlock.GetAt(i) : m_arrOssiaBlock.GetAt(i - normal);
        if (::PtInRect(&block->m_rcBlock, pt)) {
            if (rel) {
                rel->x = pt.x - block->m_rcBlock.left;
                rel->y = pt.y - block->m_rcBlock.top;
            }
            return block;
        }
    }
    return nullptr;
}

CKVMsg* CKVPage::GetCtrlPointedMsg(POINT pt, unsigned char voice, POINT extra)
{
    for (int i = 0; i < m_arrMsg.GetSize(); ++i) {
        CKVMsg* msg = m_arrMsg.GetAt(i);
        if (!msg || (voice != 0 && msg->m_byVoice != voice))
            continue;
        POINT local {pt.x - msg->m_nPosX, pt.y - msg->m_nPosY};
        CKVMsg* hit = msg->GetCtrlPointedMsg(local, kAllHandles, extra, kSecondPair);
        if (hit)
            return hit;
    }
    return nullptr;
}

CKVBlock* CKVPage::GetCtrlPointedStaff(POINT pt, short* staff)
{
    const int normal = static_cast<int>(m_arrBlock.GetSize());
    const int total = normal + static_cast<int>(m_arrOssiaBlock.GetSize());
    for (int i = 0; i < total; ++i) {
        CKVBlock* block = i < normal ? m_arrBlock.GetAt(i) : m_arrOssiaBlock.GetAt(i - normal);
        POINT local {pt.x - block->m_rcBlock.left, pt.y - block->m_rcBlock.top};
        const short index = block->GetCtrlPointedStaff(local);
        if (index >= 0) {
            if (staff)
                *staff = index;
            return block;
        }
    }
    return nullptr;
}

CKVBlock* CKVPage::GetCtrlPointedMeas(POINT pt, short* handle, short* staff)
{
    const int normal = static_cast<int>(m_arrBlock.GetSize());
    const int total = normal + static_cast<int>(m_arrOssiaBlock.GetSize());
    for (int i = 0; i < total; ++i) {
        CKVBlock* block = i < normal ? m_arrBlock.GetAt(i) : m_arrOssiaBlock.GetAt(i - normal);
        POINT local {pt.x - block->m_rcBlock.left, pt.y - block->m_rcBlock.top};
        short k = -1;
        const short index = block->GetCtrlPointedMeas(local, &k);
        if (index >= 0) {
            if (handle)
                *handle = index;
            if (staff)
                *staff = k;
            return block;
        }
    }
    return nullptr;
}

int CKVPage::MoveBlock(CKVBlock* block, short staff, POINT pt)
{
    int at = -1;
    for (int i = 0; i < m_arrBlock.GetSize(); ++i) {
        if (m_arrBlock.GetAt(i) == block) {
            at = i;
            break;
        }
    }
    if (!block || at < 0)
        return 0;
    block->ObjectBackup(kBackupRecorded);
    // Without a linked clone (recording off, or the backup refused) the
    // block itself is moved.
    CKVBlock* live = static_cast<CKVBlock*>(block->GetCurBackupObj());
    if (!live)
        live = block;
    if (!live->SetStaffPos(staff, pt, kWithBackup))
        return 0;
    if (pt.x != 0)
        live->m_rcBlock.OffsetRect(pt.x, 0);
    if (staff == 0)
        live->m_rcBlock.OffsetRect(0, pt.y);
    for (int i = at + 1; i < m_arrBlock.GetSize(); ++i)
        m_arrBlock.GetAt(i)->m_rcBlock.OffsetRect(0, pt.y);
    return 1;
}

void CKVPage::GetMemorySize(DWORD& total)
{
    total += 108;
    total += 4 * static_cast<DWORD>(m_arrBlock.GetSize() + m_arrOssiaBlock.GetSize());
    for (int i = 0; i < m_arrBlock.GetSize(); ++i)
        m_arrBlock.GetAt(i)->GetMemorySize(total);
    for (int i = 0; i < m_arrOssiaBlock.GetSize(); ++i)
        m_arrOssiaBlock.GetAt(i)->GetMemorySize(total);
}

int CKVPage::Save(CFile* file)
{
    BYTE head[kStreamHeadSize] = {};
    const WORD count = static_cast<WORD>(m_arrBlock.GetSize());
    head[0] = static_cast<BYTE>(count & 0xFF);
    head[1] = static_cast<BYTE>(count >> 8);
    file->Write(head, kStreamHeadSize);
    for (int i = 0; i < m_arrBlock.GetSize(); ++i) {
        if (m_arrBlock.GetAt(i)->Save(file) < 0)
            return -1;
    }
    return static_cast<int>(kStreamHeadSize);
}

int CKVPage::Load(CFile* file)
{
    BYTE head[kStreamHeadSize] = {};
    if (file->Read(head, kStreamHeadSize) != kStreamHeadSize)
        return -1;
    const int count = GetWord(head);
    const int before = static_cast<int>(m_arrBlock.GetSize());
    // The blocks resolve their staff indexes in the document's master
    // system, the one the stream was written from.
    CKVSystem* system = nullptr;
    if (m_pDoc && m_pDoc->m_arrSystem.GetSize() > 0)
        system = m_pDoc->m_arrSystem.GetAt(0);

    auto dropLoaded = [this, before]() {
        while (m_arrBlock.GetSize() > before) {
            const int last = static_cast<int>(m_arrBlock.GetSize()) - 1;
            delete m_arrBlock.GetAt(last);
            m_arrBlock.RemoveAt(last);
        }
    };
    for (int i = 0; i < count; ++i) {
        CKVBlock* block = new (std::nothrow) CKVBlock;
        if (!block) {
            dropLoaded();
            ReportOutOfMemory(1);
            return 0;
        }
        block->m_pPage = this;
        block->m_pSystem = system;
        if (block->Load(file) < 0) {
            delete block;
            dropLoaded();
            return -1;
        }
        m_arrBlock.Add(block);
    }
    return static_cast<int>(kStreamHeadSize);
}
