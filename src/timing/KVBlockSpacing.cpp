// A block's measure widths set from the widths its columns need.

#include "model/KVBlock.h"

#include "MemoryGuard.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"

#include <algorithm>
#include <vector>

namespace {

// What SetGoodMeasWidth gives when memory is short.
constexpr short kNoMemory = 2047;

// Equal shares of the block; the first measure also carries the header.
std::vector<long> EqualWidths(CKVBlock& block)
{
    const int count = block.m_nMeasCount;
    CKVMeas* first = measplace::MeasAt(block.GetStaffNum() > 0 ? block.GetStaff(0) : nullptr, block.m_nFirstMeas);
    const int header = first ? first->m_nHeaderWidth : 0;
    const long share = (block.m_rcBlock.Width() - header) / count;
    std::vector<long> widths(count, share);
    widths[0] += header;
    return widths;
}

} // namespace

short CKVBlock::SetGoodMeasWidth(int equal, int)
{
    if (!CheckAvailableMemory(1000000))
        return kNoMemory;
    const int count = m_nMeasCount;
    if (count <= 0 || !m_pSystem)
        return 0;
    std::vector<long> widths;
    long total = 0;
    if (!equal) {
        for (int i = 0; i < count; ++i) {
            // A column without a laid-out measure (-1) asks for nothing.
            const long w = std::max<long>(m_pSystem->GetGoodMeasWidthInNatural(m_nFirstMeas + i, 1), 0);
            widths.push_back(w);
            total += w;
        }
    }
    if (total <= 0) {
        widths = EqualWidths(*this);
        total = 0;
        for (long w : widths)
            total += w;
    }
    while (m_arrMeasX.GetSize() < count + 1)
        m_arrMeasX.Add(static_cast<WORD>(m_rcBlock.Width()));
    const long available = m_rcBlock.Width() - static_cast<short>(m_arrMeasX.GetAt(0));
    long x = static_cast<short>(m_arrMeasX.GetAt(0));
    for (int i = 1; i < count; ++i) {
        if (total > 0)
            x += MulDiv(static_cast<int>(available), static_cast<int>(widths[i - 1]), static_cast<int>(total));
        m_arrMeasX.SetAt(i, static_cast<WORD>(x));
    }
    UpdateMeasXY(1, kSkipCrossStaff, kWithBackup);
    return static_cast<short>(total - available);
}
