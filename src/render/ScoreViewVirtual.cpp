// Invisible layout passes over a block, and the room its brackets need.

#include "render/ScoreView.h"

#include "document/KVDoc.h"
#include "model/KVBlock.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/GlyphTables.h"
#include "render/ViewGeometry.h"

#include <algorithm>

namespace {

// Connection flags of a staff that open a group.
constexpr BYTE kGroupBracket = 2;
constexpr BYTE kGroupBrace = 4;
constexpr BYTE kGroupDoubleBracket = 8;

BYTE OpeningFlags(CKVStaff& staff)
{
    // Group start and group middle.
    return static_cast<BYTE>(staff.m_byGroupBracket[0] | staff.m_byGroupBracket[2]);
}

} // namespace

short CScoreView::VirtualDrawBlock(CKVBlock& block, CFontDatas*, int)
{
    CKVDoc* owner = block.m_pPage ? block.m_pPage->m_pDoc : nullptr;
    if (!owner)
        return 1;
    CKVDoc* bound = m_pDoc;
    m_pDoc = owner;

    // A memory device compatible with the screen: a headless host has no
    // main window to borrow one from.
    HDC screen = GetDC(nullptr);
    CDC memory;
    CBitmap pixel;
    memory.CreateCompatibleDC(CDC::FromHandle(screen));
    pixel.CreateCompatibleBitmap(CDC::FromHandle(screen), 1, 1);
    CGdiObject* oldBitmap = memory.SelectObject(&pixel);

    // A nested pass gives the outer pass back as it was at its KVClose; the
    // update rectangle of the outer pass is this routine's to keep.
    const CRect update = m_rcUpdate;
    if (KVOpen(&memory, owner, 0, 0) == 1) {
        // No update rectangle: the block is laid out whatever page drawing
        // saw last.
        m_rcUpdate.SetRectEmpty();
        KVDrawBlock(block);
        KVClose();
    }
    m_rcUpdate = update;

    memory.SelectObject(oldBitmap);
    pixel.DeleteObject();
    memory.DeleteDC();
    ReleaseDC(nullptr, screen);
    m_pDoc = bound;
    return 1;
}

short CScoreView::GetDispXByBrace(CKVBlock& block)
{
    if (!m_bOpened || !m_pDoc)
        return 0;
    const int g = m_nStaffSpace;
    const int w1 = GetTextExtent(static_cast<char>(codeBracket[0][0])).cx + g / 2;
    const int w2 = w1 + 2 + GetTextExtent(static_cast<char>(codeBracket[1][0])).cx;
    const int docGap = m_pDoc->m_nStaffSpace;
    const int percent100 = viewgeom::EffectivePercent(docGap, 100);
    const int braceGap = MulDiv(g, viewgeom::EffectivePercent(docGap, 200), 100);

    bool brace = false;
    bool doubleBracket = false;
    bool bracket = false;
    int room = 0;
    for (short s = 0; s < block.GetStaffNum(); ++s) {
        CKVStaff* staff = block.GetStaff(s);
        if (!staff)
            continue;
        const BYTE opens = OpeningFlags(*staff);
        brace = brace || (opens & kGroupBrace);
        doubleBracket = doubleBracket || (opens & kGroupDoubleBracket);
        bracket = bracket || (opens & kGroupBracket);
        if (brace) {
            if (bracket)
                room = std::max(room, w1);
            if (doubleBracket)
                room = std::max(room, w2);
        }
        if (brace && IsConnectStaff(block, s, kGroupBrace)) {
            int entry = braceGap;
            if (doubleBracket)
                entry += MulDiv(w2, percent100, 100);
            else if (bracket)
                entry += MulDiv(w1, percent100, 100);
            room = std::max(room, entry);
            brace = false;
        }
        if (doubleBracket && IsConnectStaff(block, s, kGroupDoubleBracket)) {
            room = std::max(room, w2);
            doubleBracket = false;
        }
        if (bracket && IsConnectStaff(block, s, kGroupBracket)) {
            room = std::max(room, w1);
            bracket = false;
        }
    }
    return static_cast<short>(room);
}
