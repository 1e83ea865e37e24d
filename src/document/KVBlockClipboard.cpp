// A block's measures copied into a clipboard system.

#include "model/KVBlock.h"

#include "document/ClipboardSystem.h"
#include "document/SelHit.h"
#include "document/SelRect.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVMeas.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <memory>
#include <utility>
#include <vector>

namespace {

// The index at which the block shows a staff of its system; -1 when it does
// not show it.
short BlockIndexOf(CKVBlock& block, CKVStaff* staff)
{
    for (short i = 0; staff && i < block.GetStaffNum(); ++i) {
        if (block.GetStaff(i) == staff)
            return i;
    }
    return -1;
}

} // namespace

short CKVBlock::CopyToSystem(CKVSystem* system, void* selectionRecord, unsigned char voice, int)
{
    const SelRect* record = static_cast<const SelRect*>(selectionRecord);
    if (!system || !record)
        return -1;
    if (record->nKind == SelRect::kBlockStaff && record->pBlock != this)
        return -1;
    if (record->nKind != SelRect::kRect || record->pPage != m_pPage)
        return 1;
    // A normal block takes a symbol standing on the right edge too, as the
    // delete and the selection collection do; an ossia block takes the
    // rectangle as stored.
    CRect rect = selhit::TestRect(*record, *this, nullptr, nullptr, selhit::kRightEdgeIncluded);
    rect.OffsetRect(-m_rcBlock.left, -m_rcBlock.top);
    const CRect blockArea(0, 0, m_rcBlock.Width(), m_rcBlock.Height());
    CRect common;
    const bool inBlock = common.IntersectRect(&rect, &blockArea) != 0;

    // Every temporary staff gets one measure, empty or not, per column the
    // rectangle meets, so that the staves stay aligned; a staff this block
    // does not show takes an empty one. A column the rectangle does not
    // meet is taken too when it gives symbols: the delete tests each symbol
    // where it is drawn, and a crowded measure, or a block not laid out yet,
    // draws symbols outside its column.
    const bool ossia = m_byKind == KIND_OSSIA;
    const short staves = ossia ? 1 : system->GetStaffNum();
    for (short j = 0; j < m_nMeasCount && j < m_arrMeasX.GetSize(); ++j) {
        const short left = static_cast<short>(m_arrMeasX.GetAt(j));
        const short right = j + 1 < m_arrMeasX.GetSize() ? static_cast<short>(m_arrMeasX.GetAt(j + 1)) : left;
        const bool meets = inBlock && rect.right > left && rect.left < right;
        std::vector<std::pair<CKVStaff*, std::unique_ptr<CKVMeas>>> column;
        bool filled = false;
        for (short s = 0; s < staves; ++s) {
            CKVStaff* target = system->GetStaff(s);
            const short shown = ossia ? 0 : BlockIndexOf(*this, m_pSystem ? m_pSystem->GetStaff(s) : nullptr);
            CKVStaff* source = shown >= 0 ? GetStaff(shown) : (m_pSystem ? m_pSystem->GetStaff(s) : nullptr);
            CKVMeas* meas = source ? source->GetMeas(m_nFirstMeas + j) : nullptr;
            if (!target || !meas)
                continue;
            std::unique_ptr<CKVMeas> copy(kvclip::NewMeas(*target, *meas));
            if (!copy)
                return -1;
            if (shown >= 0) {
                CRect local = rect;
                const short staffY = shown < m_arrStaffY.GetSize() ? static_cast<short>(m_arrStaffY.GetAt(shown)) : 0;
                local.OffsetRect(-left, -staffY);
                meas->CopyToSelRect(copy.get(), 1, local, voice, 0);
                filled = filled || copy->GetMsgNum() > 0;
            }
            column.emplace_back(target, std::move(copy));
        }
        if (!meets && !filled)
            continue;
        for (auto& [target, copy] : column)
            target->m_arrMeas.Add(copy.release());
    }
    return 1;
}
