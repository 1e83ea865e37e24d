// Runs of empty measures compressed into multi-measure rests, and the block
// order of the current page.

#include "document/KVDoc.h"

#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "MemoryGuard.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kScale = 256;
constexpr short kRestY = 16;

CKVSystem* MasterOf(CKVDoc& doc)
{
    return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr;
}

// The place of a multi-measure rest drawn over `percent` of its measure,
// centred, with the font of its number as head.
void StyleRest(CKVMsg& rest, int percent, LOGFONTA& font)
{
    const int span = kScale * percent / 100;
    rest.m_nPosX = static_cast<short>((kScale - span) / 2);
    rest.m_nPosX2 = static_cast<short>(rest.m_nPosX + span);
    rest.m_nPosY = kRestY;
    rest.m_nPosY2 = kRestY;
    unsigned char head[sizeof(LOGFONTA)];
    std::memcpy(head, &font, sizeof(head));
    rest.SetHead(sizeof(head), head);
}

int CapPercent(int percent)
{
    return std::clamp(percent, 0, 100);
}

} // namespace

int CKVSystem::IsRestMeas(long index)
{
    for (short s = 0; s < GetStaffNum(); ++s) {
        CKVMeas* meas = GetStaff(s)->GetMeas(index);
        if (!meas)
            continue;
        meas->ResetGetNextMsg(0, 0, 0, 0);
        short cursor = 0;
        while (CKVMsg* msg = meas->GetNextMsg(cursor)) {
            if (msg->m_byKind == MSG_NOTE)
                return 0;
        }
    }
    return 1;
}

void CKVDoc::CompressRestMeas(long first, long last, int percent, LOGFONTA font)
{
    CKVSystem* master = MasterOf(*this);
    if (!master)
        return;
    percent = CapPercent(percent);
    if (first > last)
        std::swap(first, last);
    first = std::max<long>(first, 0);
    last = std::min<long>(last, master->GetMeasNum() - 1);
    if (first > last)
        return;
    for (short s = 0; s < master->GetStaffNum(); ++s) {
        CKVStaff* staff = master->GetStaff(s);
        for (long i = first; i <= last; ++i) {
            CKVMeas* meas = staff->GetMeas(i);
            for (short k = 0; meas && k < meas->GetMsgNum(); ++k) {
                CKVMsg* child = meas->GetMsg(k);
                if (child && child->m_byKind == MSG_MULTIREST)
                    StyleRest(*child, percent, font);
            }
        }
    }

    // Runs of empty measures of one time and key, found from the end so that
    // compressing a run leaves the indexes below it as they are.
    long low = -1;
    long high = -1;
    short num = 0, den = 0;
    BYTE keyType = 0, keyCount = 0;
    auto flush = [&] {
        if (low >= 0)
            CompressRest(low, static_cast<short>(std::min<long>(high - low + 1, SHRT_MAX)), percent, font);
        low = high = -1;
    };
    CKVStaff* lead = master->GetStaff(0);
    for (long i = last; i >= first && lead; --i) {
        if (!master->IsRestMeas(i)) {
            flush();
            continue;
        }
        CKVMeas* meas = lead->GetMeas(i);
        const bool same = low >= 0 && meas->m_nTimeNum == num && meas->m_nTimeDen == den &&
                          meas->m_byKeyType == keyType && meas->m_byKeyCount == keyCount;
        if (!same) {
            flush();
            high = i;
            num = meas->m_nTimeNum;
            den = meas->m_nTimeDen;
            keyType = meas->m_byKeyType;
            keyCount = meas->m_byKeyCount;
        }
        low = i;
    }
    flush();
    m_bModified = 1;
}

void CKVDoc::CompressRest(long first, short count, int percent, LOGFONTA font)
{
    CKVSystem* master = MasterOf(*this);
    if (count <= 1 || !master || first < 0 || first + count > master->GetMeasNum())
        return;
    percent = CapPercent(percent);
    for (short s = 0; s < master->GetStaffNum(); ++s) {
        CKVStaff* staff = master->GetStaff(s);
        // A measure that already stands for k measures adds k - 1 to the run.
        LONG stands = count;
        for (short k = 0; k < count; ++k) {
            CKVMeas* meas = staff->GetMeas(first + k);
            const WORD existing = meas ? meas->IsRestCompMeas(nullptr) : 0;
            if (existing > 0)
                stands += existing - 1;
        }
        CKVMeas* meas = staff->GetMeas(first);
        if (!meas)
            continue;
        meas->RemoveAllMsg();
        CKVMsg tmpl;
        tmpl.m_byKind = MSG_MULTIREST;
        tmpl.m_crColor = 0;
        tmpl.m_wObjWord = static_cast<WORD>(std::min<LONG>(stands, 0xFFFF));
        StyleRest(tmpl, percent, font);
        if (!AddMsg(meas, &tmpl, 1, 0)) {
            ReportOutOfMemory(1);
            return;
        }
    }
    DeleteMeasure(static_cast<int>(first + 1), static_cast<int>(first + count - 1), 1);
    m_bModified = 1;
}

int CKVDoc::CompressRestMeas(int percent, LOGFONTA font, unsigned long mode)
{
    int first = 0;
    int last = 0;
    if (mode == 1) {
        GetSelMeasNumRange(first, last);
        if (first < 0 || last - first + 1 < 2)
            return 0;
    } else if (mode == 2) {
        last = GetMeasCount(0, 0) - 1;
    } else {
        return 0;
    }
    CompressRestMeas(first, last, percent, font);
    m_bModified = 1;
    return 1;
}

int CKVDoc::ScoreOrder(short mode)
{
    if (m_arrSystem.GetSize() == 0)
        return 0;
    CKVPage* page = GetCurrentPage();
    if (!page || !CheckAvailableMemory(page->GetPageMemSize()))
        return 0;
    page->ObjectBackup(kBackupRecorded);
    if (CKVPage* live = page->GetCurBackupObj())
        page = live;
    page->BlockCenterFit(mode);
    m_bModified = 1;
    return 1;
}
