// Ossia blocks: laying one out for its staff and changing its measure run.

#include "model/KVBlock.h"

#include "MulDiv.h"
#include "document/KVDoc.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"

#include <algorithm>
#include <vector>

int CKVBlock::Create(CKVPage* page, POINT pt, int staff, int first, int last, CKVStaff* ossia)
{
    if (!ossia)
        return 0;
    m_pPage = page;
    m_pSystem = ossia->m_pSystem;
    m_nFirstMeas = 0;
    m_nLeftIndent = 0;
    m_byKind = KIND_OSSIA;
    m_rcBlock.SetRect(pt.x, pt.y, pt.x, pt.y);

    CKVStaff* model = m_pSystem && staff >= 0 && staff < m_pSystem->GetStaffNum()
                          ? m_pSystem->GetStaff(static_cast<short>(staff))
                          : nullptr;
    if (!model || first < 0 || last < first || last >= model->GetMeasNum())
        return 0;
    std::vector<int> widths;
    long long total = 0;
    for (int m = first; m <= last; ++m) {
        CKVMeas* meas = model->GetMeas(m);
        const int w = meas ? meas->m_rcMeas.Width() : 0;
        widths.push_back(w);
        total += w;
    }
    const int printable = page ? page->m_rcPrint.Width() : 0;
    m_arrMeasX.RemoveAll();
    int x = 0;
    for (int w : widths) {
        if (total > printable && total > 0)
            w = MulDiv(printable, w, static_cast<int>(total));
        m_arrMeasX.Add(static_cast<WORD>(x));
        x += w;
        m_rcBlock.right += w;
    }
    m_arrMeasX.Add(static_cast<WORD>(m_rcBlock.Width()));

    CKVDoc* doc = page ? page->m_pDoc : nullptr;
    const int space = doc ? doc->m_nStaffSpace : 0;
    BlockStaffEntry* entry = KvNewReported<BlockStaffEntry>();
    if (!entry)
        return 0;
    entry->wValue = INSERTED_STAFF_VALUE;
    entry->pStaff = ossia;
    m_arrStaffY.RemoveAll();
    m_arrStaffY.Add(static_cast<WORD>(2 * space * (ossia->m_byLineCount - 1)));
    m_pStaffArray->Add(ossia);
    m_arrStaffEntry.Add(entry);
    m_nMeasCount = static_cast<short>(ossia->GetMeasNum());
    m_nNominalMeasCount = m_nMeasCount;
    UpdateMeasXY(1, kSkipCrossStaff, 1);
    return 1;
}

short CKVBlock::AddMeasInOssia(int at, unsigned long flags, short count, unsigned short width)
{
    const int boundaries = m_arrMeasX.GetSize();
    if (at < 0 || at + 1 >= boundaries || count < 1)
        return static_cast<short>(boundaries);
    auto X = [this](int i) { return static_cast<int>(m_arrMeasX.GetAt(i)); };
    auto shiftFrom = [&](int from, int by) {
        for (int i = from; i < m_arrMeasX.GetSize(); ++i)
            m_arrMeasX.SetAt(i, static_cast<WORD>(X(i) + by));
    };
    const int grow = count * width;
    m_nMeasCount = static_cast<short>(m_nMeasCount + count);
    m_rcBlock.right += grow;
    if (!(flags & 1)) {
        for (int k = 0; k < count; ++k)
            m_arrMeasX.InsertAt(at + k + 1, static_cast<WORD>(X(at + k) + width));
        shiftFrom(at + count + 1, grow);
    } else {
        shiftFrom(at + 1, grow);
        for (int k = 0; k < count; ++k)
            m_arrMeasX.InsertAt(at + k + 1, static_cast<WORD>(X(at + k) + width));
    }
    return static_cast<short>(m_arrMeasX.GetSize());
}

short CKVBlock::DeleteMeasInOssia(int first, short n)
{
    const int boundaries = m_arrMeasX.GetSize();
    const int measures = boundaries - 1;
    if (first < 0 || first >= measures || n < 1)
        return static_cast<short>(boundaries);
    // Never past the last measure.
    const int count = std::min<int>(n, measures - first);
    const int width = static_cast<int>(m_arrMeasX.GetAt(first + count)) - static_cast<int>(m_arrMeasX.GetAt(first));
    m_nMeasCount = static_cast<short>(std::max(0, m_nMeasCount - count));
    m_rcBlock.right -= width;
    m_arrMeasX.RemoveAt(first, count);
    for (int i = first; i < m_arrMeasX.GetSize(); ++i)
        m_arrMeasX.SetAt(i, static_cast<WORD>(static_cast<int>(m_arrMeasX.GetAt(i)) - width));
    return static_cast<short>(m_arrMeasX.GetSize());
}
