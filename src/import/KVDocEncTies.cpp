// The two passes that follow the Encore symbol walk: the ties that cross a
// bar line, and the octave lines, which Encore keeps as separate start and
// end marks.

#include "document/KVDoc.h"
#include "import/EncConvert.h"
#include "import/EncDoc.h"
#include "import/EncTieNote.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "platform/AllocHook.h"
#include "platform/MemoryGuard.h"
#include "platform/MulDiv.h"

#include <algorithm>

namespace {

constexpr int kTieBendFactor = 4;
constexpr int kTieInset = 16;
constexpr int kTieLift = 8;

} // namespace

int CKVDoc::EncToKVC_NoneProcTie(CEncDoc* enc, CPtrArray& ties, BYTE voice)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (!enc || !master)
        return 1;
    const int L = m_nStaffSpace;
    for (int t = 0; t < ties.GetSize(); ++t) {
        auto* tie = static_cast<CEncSymbol*>(ties.GetAt(t));
        if (!tie || !EncHasData(*enc, *tie, kEncTieData))
            continue;
        // The measure index that the walk stored, the staff and the voice
        // must all exist here.
        const int index = tie->DataWord(6);
        const int staffIndex = tie->GetStaffIndex();
        voice = static_cast<BYTE>(tie->WhatIsVoice() + 1);
        if (index >= enc->m_arrMeas.GetSize() || staffIndex < 0 || staffIndex >= master->GetStaffNum() ||
            voice > 8)
            continue;
        CEncMeas* encMeas = enc->m_arrMeas[index];
        CKVStaff* staff = master->GetStaff(static_cast<short>(staffIndex));
        CKVMeas* meas = staff ? staff->GetMeas(index) : nullptr;
        if (!encMeas || !meas)
            continue;

        const int startX = tie->DataShort(0) + encMeas->byPakArea();
        const int y = EncStandardY(L, static_cast<signed char>(tie->DataByte(4)));
        const int bend = -static_cast<signed char>(tie->byKind());
        POINT pt {startX, y};
        CKVMsg* note = EncTieNote(*meas, pt, voice);
        if (!note)
            continue;
        bool slur = false;
        if (!(note->m_wFlag & MSGFLAG_TIE_START)) {
            pt.y -= L / 2;
            note = EncTieNote(*meas, pt, voice);
        }
        if (note && (note->m_wFlag & MSGFLAG_TIE_START) && EncStartsTie(*note)) {
            // Tied already: the next note of a chord may lie one space up.
            pt.y -= L;
            pt.x += L;
            CKVMsg* other = EncTieNote(*meas, pt, voice);
            if (other == note)
                slur = true;
            note = other;
        }
        // The tie tool takes a tie that is there off again: a note that
        // starts one keeps it, and the record becomes a free curve.
        if (!slur) {
            if (!note || EncStartsTie(*note)) {
                slur = true;
            } else {
                const int d = kTieBendFactor * bend;
                slur = !BindByTieInTool(note, d, kTieInset, d > 0 ? kTieLift : -kTieLift, 0, 1);
            }
        }
        if (!slur)
            continue;

        // A free curve to the end point in the next measure, in the live
        // measure should the binding have backed it up.
        if (CKVMeas* live = meas->GetCurBackupObj())
            meas = live;
        const int dx = (encMeas->wMeasDistance() - startX) + tie->DataShort(2);
        CKVMsg msg;
        msg.m_byKind = MSG_PAGESLUR;
        msg.m_byVoice = voice;
        msg.m_wDuration = 1;
        msg.m_nPosX = meas->AbsXToMeasX(static_cast<short>(startX));
        msg.m_nPosY = static_cast<short>(y);
        msg.m_nPosX2 = static_cast<short>(dx);
        msg.m_nPosY2 = 0;
        msg.m_wObjWord = static_cast<WORD>(dx >> 1);
        msg.m_dwWord = static_cast<DWORD>(MulDiv(L, bend, 4));
        msg.m_crColor = EncSymbolColor(*enc, *tie);
        if (!AddMsg(meas, &msg, 1, 0))
            return 0;
    }
    return 1;
}

namespace {

// The open octave line of one staff: the piece not yet handed to its
// measure, that measure, and the distance R from the line's start to the
// right edge of its block.
struct OpenOctaveLine {
    CKVMsg* piece = nullptr;
    CKVMeas* owner = nullptr;
    int remaining = 0;

    void Discard()
    {
        delete piece;
        piece = nullptr;
        owner = nullptr;
    }
    // Hands the piece with its length to its measure, which owns it from
    // then on.
    void Close(int length)
    {
        if (!piece)
            return;
        piece->m_nPosX2 = static_cast<short>(length);
        if (!owner || owner->AddMsg(piece, 1) <= 0)
            delete piece;
        piece = nullptr;
        owner = nullptr;
    }
};

// The end hook of an octave line at y: downwards above the staff's bottom
// line, upwards below it.
short OctaveHook(int y, int L)
{
    const int half = L >> 1;
    if (y <= 0)
        return static_cast<short>(std::min(std::max(-4 * L - y - half, L), 2 * L));
    return static_cast<short>(std::max(std::min(half - y, -L), -2 * L));
}

} // namespace

void CKVDoc::EncToKVC_8vab(CDialog* progress, CEncDoc* enc)
{
    static char kCaption[] = "Converting 8va and 8vb ....";
    if (progress)
        progress->SendMessage(WM_USER + 1, 0, reinterpret_cast<LPARAM>(kCaption));
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (!enc || !master)
        return;
    const int L = m_nStaffSpace;
    const int staves = master->GetStaffNum();
    for (int s = 0; s < staves; ++s) {
        if (progress)
            progress->SendMessage(WM_USER + 1, static_cast<WPARAM>(10 + MulDiv(90, s, staves)), 0);
        CKVStaff* staff = master->GetStaff(static_cast<short>(s));
        if (!staff)
            continue;
        OpenOctaveLine open;
        for (short p = 0; p < GetPageNum(); ++p) {
            CKVPage* page = GetPage(p);
            for (short b = 0; page && b < page->GetBlockNum(); ++b) {
                CKVBlock* block = page->GetBlock(b);
                if (!block)
                    continue;
                for (int i = 0; i < block->m_nMeasCount; ++i) {
                    const int m = block->m_nFirstMeas + i;
                    CKVMeas* meas = staff->GetMeas(m);
                    if (!meas || i >= block->m_arrMeasX.GetSize())
                        continue;
                    // From the measure's left edge to the block's right edge.
                    const int toRight = block->m_rcBlock.Width() - block->m_arrMeasX[i];
                    if (open.piece && i == 0) {
                        // The run goes on in a new block: a new piece from
                        // the start of its first measure.
                        const WORD value = open.piece->m_wDuration;
                        const short y = open.piece->m_nPosY;
                        const short hook = open.piece->m_nPosY2;
                        const COLORREF color = open.piece->m_crColor;
                        open.Close(open.remaining - 3 * L);
                        CKVMsg* next = KvNew<CKVMsg>();
                        if (!next) {
                            ReportOutOfMemory(1);
                            return;
                        }
                        next->m_byKind = MSG_OCTAVE;
                        next->m_wDuration = value;
                        next->m_nPosY = y;
                        next->m_nPosY2 = hook;
                        next->m_crColor = color;
                        open.piece = next;
                        open.owner = meas;
                        open.remaining = toRight - meas->m_nHeaderWidth;
                    }
                    CEncMeas* encMeas = m < enc->m_arrMeas.GetSize() ? enc->m_arrMeas[m] : nullptr;
                    if (!encMeas)
                        continue;
                    for (int k = 0; k < encMeas->m_arrOctaveLineSymbols.GetSize(); ++k) {
                        CEncSymbol* mark = encMeas->m_arrOctaveLineSymbols[k];
                        if (!mark || mark->GetStaffIndex() != s || !EncHasData(*enc, *mark, kEncPointData))
                            continue;
                        const int x = mark->DataShort(0);
                        const BYTE kind = mark->byKind();
                        if (kind == 16 || kind == 18) {
                            // A second start drops the line that was open.
                            open.Discard();
                            CKVMsg* piece = KvNew<CKVMsg>();
                            if (!piece) {
                                ReportOutOfMemory(1);
                                return;
                            }
                            piece->m_byKind = MSG_OCTAVE;
                            piece->m_wDuration = kind == 16 ? 1 : 2;
                            piece->m_nPosX = meas->AbsXToMeasX(static_cast<short>(x - L));
                            piece->m_nPosY = EncStandardY(L, mark->DataShort(2));
                            piece->m_nPosY2 = OctaveHook(piece->m_nPosY, L);
                            piece->m_crColor = EncSymbolColor(*enc, *mark);
                            open.piece = piece;
                            open.owner = meas;
                            open.remaining = toRight - (x - L);
                        } else if (kind == 17 || kind == 19) {
                            if (open.piece) {
                                open.piece->m_crColor = EncSymbolColor(*enc, *mark);
                                open.Close(open.remaining - (toRight - x) - 3 * L);
                            }
                        }
                    }
                }
            }
        }
        open.Close(open.remaining - 3 * L);
    }
}
