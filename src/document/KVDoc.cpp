#include "document/KVDoc.h"

#include "MemoryGuard.h"
#include "document/KVFileInfo.h"
#include "document/SelRect.h"
#include "document/UndoEntry.h"
#include "model/GlyphTables.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

short nCurStaffSpace = 0;

namespace {

// The last load progress sent to a progress window; shared by every
// document. -1 until something is sent.
int s_nLastLoadPos = -1;

void ResetDocGlobals()
{
    nCurStaffSpace = 0;
    s_nLastLoadPos = -1;
}

KvProcessReset s_reset("document staff space and load progress", &ResetDocGlobals);

// Message of the load progress to the progress window.
constexpr UINT kLoadProgressMessage = WM_USER + 1;

constexpr BYTE kTitleKinds[3] = {63, 64, MSG_TEXT};

// Fills a table with (value, value).
template <size_t N>
void FillSizes(SIZE (&table)[N], int value, size_t count = N)
{
    for (size_t i = 0; i < count && i < N; ++i)
        table[i] = SIZE {value, value};
}

struct FaceSearch {
    const char* face;
    LOGFONTA found;
    bool ok;
};

int FindFaceProc(const LOGFONTA* logFont, const TEXTMETRICA*, DWORD, LPARAM lParam)
{
    FaceSearch* search = reinterpret_cast<FaceSearch*>(lParam);
    if (std::strcmp(logFont->lfFaceName, search->face) != 0)
        return 1;
    search->found = *logFont;
    search->ok = true;
    return 0;
}

} // namespace

int MusicFontHeight(int points, int dpi)
{
    int height = MulDiv(points, dpi, 72) + 4;
    height = height / 8 * 8;
    return height == 0 ? 8 : height;
}

CKVDoc::CKVDoc()
{
    m_pFileInfo = new CKVFileInfo;
    m_pFileInfo->m_pDoc = this;
    m_pCritSection = new CRITICAL_SECTION;
    InitializeCriticalSection(m_pCritSection);
    m_pPageArray = new CKVBackupPtrArray;
    m_pPageArray->m_pDoc = this;
    m_pSelRectArray = new CKVBackupPtrArray;
    m_pSelRectArray->m_pDoc = this;
    for (int i = 0; i < 3; ++i) {
        CKVMsg* title = new CKVMsg;
        title->Initialize(nullptr, OBJ_MSG);
        // A non-null page link marks a page-level symbol.
        title->m_pPage = reinterpret_cast<void*>(std::uintptr_t {1});
        title->m_byKind = kTitleKinds[i];
        m_pTitleMsg[i] = title;
    }
    // Layout divides by the staff space, so the metrics never start at 0.
    SetScoreFontSize(static_cast<short>(m_CtrlTool.m_wScoreFontSize));
}

CKVDoc::~CKVDoc()
{
    ResetMultiBackList();
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    if (master) {
        for (int i = 0; i < m_arrDeleteMsgId.GetSize(); ++i)
            delete master->GetMsgFromMap(m_arrDeleteMsgId.GetAt(i));
    }
    m_arrDeleteMsgId.RemoveAll();
    ResetBackup();
    for (int i = 0; i < m_arrSystem.GetSize(); ++i)
        delete m_arrSystem.GetAt(i);
    m_arrSystem.RemoveAll();
    for (int i = 0; i < m_pPageArray->GetSize(); ++i)
        delete static_cast<CKVPage*>(m_pPageArray->GetAt(i));
    m_pPageArray->RemoveAll();
    delete[] m_pDragImage;
    m_pDragImage = nullptr;
    for (int i = 0; i < m_pSelRectArray->GetSize(); ++i)
        delete static_cast<SelRect*>(m_pSelRectArray->GetAt(i));
    m_pSelRectArray->RemoveAll();
    delete m_pSelRectArray;
    m_pSelRectArray = nullptr;
    m_arrBackup.RemoveAll();
    m_arrSlurBackup.RemoveAll();
    m_arrDeleteMeas.RemoveAll();
    m_listBackup.RemoveAll();
    m_listSlurBackup.RemoveAll();
    // The saved selection holds copies of the records.
    for (int i = 0; i < m_arrSavedSelRect.GetSize(); ++i)
        delete m_arrSavedSelRect.GetAt(i);
    m_arrSavedSelRect.RemoveAll();
    m_arrMeas.RemoveAll();
    delete m_pPageArray;
    m_pPageArray = nullptr;
    DeleteCriticalSection(m_pCritSection);
    delete m_pCritSection;
    m_pCritSection = nullptr;
    delete m_pFileInfo;
    m_pFileInfo = nullptr;
    for (int i = 2; i >= 0; --i) {
        delete m_pTitleMsg[i];
        m_pTitleMsg[i] = nullptr;
    }
}

void CKVDoc::Initialize()
{
    // Closed steps still hold measures, staves and pages of the score that
    // goes now; the history cannot outlive it.
    ResetMultiBackList();
    ResetBackup();
    for (int i = 0; i < m_pPageArray->GetSize(); ++i)
        delete static_cast<CKVPage*>(m_pPageArray->GetAt(i));
    m_pPageArray->RemoveAll();
    for (int i = 0; i < m_arrSystem.GetSize(); ++i)
        delete m_arrSystem.GetAt(i);
    m_arrSystem.RemoveAll();
    // Their ids named symbols of the systems just deleted.
    m_arrDeleteMsgId.RemoveAll();
    delete[] m_pDragImage;
    m_pDragImage = nullptr;
    for (int i = 0; i < m_pSelRectArray->GetSize(); ++i)
        delete static_cast<SelRect*>(m_pSelRectArray->GetAt(i));
    m_pSelRectArray->RemoveAll();

    m_pCurSystem = nullptr;
    m_pCurPage = nullptr;
    m_pCurBlock = nullptr;
    m_pCurStaff = nullptr;
    m_pCurMeas = nullptr;
    m_nCurPage = 0;
    m_nCurBlock = 0;
    m_nCurSystem = 0;
    m_nCurStaff = 0;
    m_nCurMeas = 0;
}

int CKVDoc::Open()
{
    m_nCurPage = 0;
    m_nCurBlock = 0;
    m_nCurSystem = 0;
    m_nCurStaff = 0;
    m_nCurMeas = 0;
    m_nCaretMeasNum = 1;
    return 1;
}

int CKVDoc::CreateDocument(short staves, LONG measures, unsigned char clef, short beats, short beatUnit)
{
    CKVSystem* system = KvNewReported<CKVSystem>();
    if (!system)
        return 0;
    system->m_pDoc = this;
    system->Create(staves, measures, clef, beats, beatUnit);
    MakeEndPage(system, 0, measures);

    CKVMsg* third = m_pTitleMsg[2];
    third->m_nPosX = static_cast<short>(m_pFileInfo->m_lPrintWidth / 4);
    third->m_nPosY = static_cast<short>(m_pFileInfo->m_nFirstBlockY / 4);
    third->m_nPosX2 = static_cast<short>(m_pFileInfo->m_lPrintWidth / 2);
    third->m_nPosY2 = static_cast<short>(m_pFileInfo->m_nFirstBlockY / 2);
    third->MakeMsgCtrlPoint();

    nCurStaffSpace = m_nStaffSpace;
    m_arrSystem.Add(system);

    m_nCurPage = 0;
    m_nCurBlock = 0;
    m_nCurSystem = 0;
    m_nCurStaff = 0;
    m_nCurMeas = 0;
    m_nCaretMeasNum = 1;
    m_pCurPage = nullptr;
    m_pCurBlock = nullptr;
    m_pCurStaff = nullptr;
    m_pCurMeas = nullptr;
    if (GetPageNum() > 0) {
        m_pCurPage = GetPage(0);
        CKVBlock* first = m_pCurPage->GetBlock(0);
        if (first)
            first->UpdateStaffLeftIndent(m_pFileInfo->m_nFirstBlockX);
        m_pCurBlock = first;
    }
    m_pCurSystem = system;
    if (m_pCurBlock)
        m_pCurStaff = m_pCurBlock->GetStaff(0);
    if (m_pCurStaff)
        m_pCurMeas = m_pCurStaff->GetMeas(m_pCurBlock->m_nFirstMeas);

    if (system->GetStaffNum() == 2) {
        CKVStaff* lower = system->GetStaff(1);
        if (lower && lower->m_arrMeas.GetSize() > 0)
            UpdateClefType(lower->m_arrMeas.GetAt(0), 2, 0);
    }

    m_bModified = 0;
    m_bSpacingApplied = 0;
    if (m_pCtrlToolMirror)
        *m_pCtrlToolMirror = m_CtrlTool;
    return 1;
}

int CKVDoc::AddMeas(LONG count, short system)
{
    const int index = system < 0 ? m_nCurSystem : system;
    if (index < 0 || index >= m_arrSystem.GetSize())
        return 0;
    CKVSystem* target = m_arrSystem.GetAt(index);
    const LONG before = target->GetMeasNum();
    target->AddMeas(count);

    LONG first = before;
    CKVPage* last = GetPage(static_cast<short>(GetPageNum() - 1));
    CKVBlock* block = last ? last->GetBlock(static_cast<short>(last->GetBlockNum() - 1)) : nullptr;
    if (block)
        first = block->m_nFirstMeas + block->m_nMeasCount;
    MakeEndPage(target, first, count);
    m_bModified = 1;
    return 1;
}

int CKVDoc::AddStaff(short count, short system)
{
    const int index = system == -1 ? m_nCurSystem : system;
    if (index < 0 || index >= m_arrSystem.GetSize())
        return 0;
    CKVSystem* target = m_arrSystem.GetAt(index);
    const short before = target->GetStaffNum();
    target->AddStaff(count, CKVSystem::MODE_NORMAL);
    const short after = target->GetStaffNum();

    for (int p = 0; p < GetPageNum(); ++p) {
        CKVPage* page = GetPage(static_cast<short>(p));
        // Each block moves down by what the blocks above it on the page grew.
        int shift = 0;
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            block->m_rcBlock.OffsetRect(0, shift);
            const int n = static_cast<int>(block->m_arrStaffY.GetSize());
            const int oldBottom = n > 0 ? block->m_arrStaffY.GetAt(n - 1) : 0;
            for (short s = before; s < after; ++s)
                block->AddStaff(target->GetStaff(s));
            const int m = static_cast<int>(block->m_arrStaffY.GetSize());
            const int newBottom = m > 0 ? block->m_arrStaffY.GetAt(m - 1) : 0;
            shift += newBottom - oldBottom;
        }
    }
    UpdateMeasXY(-1);
    m_bModified = 1;
    return 1;
}

// A new page at the end, made from the file info; null after the
// out-of-memory report.
static CKVPage* NewEndPage(CKVDoc* doc)
{
    CKVPage* page = KvNewReported<CKVPage>();
    if (!page)
        return nullptr;
    page->m_pDoc = doc;
    page->Create(doc->m_pFileInfo);
    doc->AddPage(page);
    return page;
}

int CKVDoc::MakeEndPage(CKVSystem* system, LONG first, LONG count)
{
    // The counts may come from a file; 0 would never fill a block or a page.
    const int perBlock = std::max<int>(1, m_pFileInfo->m_nMeasPerBlock);
    const int perPage = std::max<int>(1, m_pFileInfo->m_nBlockPerPage);

    CKVPage* page = GetPage(static_cast<short>(GetPageNum() - 1));
    if (!page && !(page = NewEndPage(this)))
        return 0;
    while (count > 0) {
        const short blocks = page->GetBlockNum();
        if (blocks > 0) {
            CKVBlock* last = page->GetBlock(static_cast<short>(blocks - 1));
            const int room = perBlock - last->m_nMeasCount;
            if (room > 0) {
                const LONG add = std::min<LONG>(room, count);
                for (LONG i = 0; i < add; ++i)
                    last->AddMeas(1);
                count -= add;
                first += add;
                continue;
            }
        }
        if (blocks >= perPage) {
            if (!(page = NewEndPage(this)))
                return 0;
            continue;
        }
        const LONG n = std::min<LONG>(count, perBlock);
        page->AddBlock(system, first, n);
        first += n;
        count -= n;
    }
    UpdateMeasXY(-1);
    return 1;
}

int CKVDoc::MakeAddPage(int first, int newBlock)
{
    const int perBlock = std::max<int>(1, m_pFileInfo->m_nMeasPerBlock);
    const int perPage = std::max<int>(1, m_pFileInfo->m_nBlockPerPage);

    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    int remaining = (master ? master->GetMeasNum() : 0) - first;
    if (remaining < 1)
        return 1;
    CKVPage* page = nullptr;
    for (int p = GetPageNum() - 1; p >= 0 && !page; --p) {
        CKVPage* candidate = GetPage(static_cast<short>(p));
        if (candidate->GetBlockNum() > 0)
            page = candidate;
    }
    if (!page)
        return 0;

    bool firstPass = true;
    while (remaining >= 1) {
        CKVBlock* last = page->GetBlock(static_cast<short>(page->GetBlockNum() - 1));
        int room = perBlock - last->m_nMeasCount;
        if (firstPass && newBlock)
            room = 0;
        firstPass = false;
        if (room > 0) {
            const int add = std::min(room, remaining);
            last->AddMeas(static_cast<short>(add));
            remaining -= add;
            continue;
        }
        const int n = std::min(perBlock, remaining);
        const int start = last->m_nFirstMeas + last->m_nMeasCount;
        remaining -= n;
        if (page->GetBlockNum() >= perPage && !(page = NewEndPage(this)))
            return 0;
        if (!page->AddBlock(master, start, n))
            return 0;
    }
    UpdateMeasXY(-1);
    return 1;
}

int CKVDoc::AddPage(CKVPage* page)
{
    page->m_pDoc = this;
    AddObj2BackupArray(UndoEntry::kPageInsDel, page, 1);
    m_pPageArray->Add(page);
    m_bModified = 1;
    return 1;
}

int CKVDoc::SetPage(int index, CKVPage* page)
{
    if (index < 0 || index >= m_pPageArray->GetSize())
        return 0;
    m_pPageArray->SetAt(index, page);
    return 1;
}

CKVPage* CKVDoc::GetPage(short index)
{
    if (index < 0 || index >= m_pPageArray->GetSize())
        return nullptr;
    return static_cast<CKVPage*>(m_pPageArray->GetAt(index));
}

short CKVDoc::GetPageNum()
{
    return static_cast<short>(m_pPageArray->GetSize());
}

void CKVDoc::UpdateMeasXY(short index)
{
    if (index < 0) {
        for (int i = 0; i < m_pPageArray->GetSize(); ++i)
            static_cast<CKVPage*>(m_pPageArray->GetAt(i))->UpdateMeasXY();
        return;
    }
    if (CKVPage* page = GetPage(index))
        page->UpdateMeasXY();
}

void CKVDoc::SetScoreFontSize(short size)
{
    m_nScoreFontSize = static_cast<short>(MulDiv(720, size, 254));
    m_nFontHeight = static_cast<short>(MusicFontHeight(m_nScoreFontSize, static_cast<int>(m_CtrlTool.m_dwResolutionY)));
    m_nStaffSpace = static_cast<short>(m_nFontHeight >> 2);
    m_nFontHeight78 = CScoreView::StandardStemLength(m_nFontHeight);

    const int s = m_nStaffSpace;
    FillSizes(m_sizeMark, s);
    // Clefs 8 to 10 and the spare group keep their measured sizes.
    FillSizes(m_sizeClef, s, 8);
    FillSizes(m_sizeDynamic, s);
    FillSizes(m_sizeSingle, s);
    FillSizes(m_sizeFurther, s);
    FillSizes(m_sizeHead, s);
    FillSizes(m_sizeRest, s);
    FillSizes(m_sizeShape, s);
    FillSizes(m_sizePair, s);
}

void CKVDoc::SetSymbolSize()
{
    HDC dc = GetDC(nullptr);
    if (!dc)
        return;
    const int height = MusicFontHeight(m_nScoreFontSize, GetDeviceCaps(dc, LOGPIXELSY));

    FaceSearch search {"ZelvoraB", {}, false};
    EnumFontFamiliesA(dc, nullptr, &FindFaceProc, reinterpret_cast<LPARAM>(&search));
    if (!search.ok) {
        ReleaseDC(nullptr, dc);
        return;
    }
    search.found.lfHeight = -height;
    search.found.lfWidth = 0;
    HFONT font = CreateFontIndirectA(&search.found);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    if (!old) {
        if (font)
            DeleteObject(font);
        ReleaseDC(nullptr, dc);
        return;
    }

    auto width = [dc](BYTE code) {
        const char text = static_cast<char>(code);
        SIZE size {0, 0};
        GetTextExtentPoint32A(dc, &text, 1, &size);
        return static_cast<int>(size.cx);
    };

    // Marks: the first codes of mark entries 1 to 48, two of them replaced.
    for (int i = 0; i < kMarkSizes; ++i) {
        BYTE code = MarkTB[i + 1].byCode;
        if (i + 1 == 15)
            code = 0x2B;
        else if (i + 1 == 16)
            code = 0x4D;
        const int w = width(code);
        m_sizeMark[i] = SIZE {w, w};
    }
    for (int i = 28; i <= 34; ++i)
        m_sizeMark[i].cy /= 2;
    for (int i = 40; i <= 45; ++i)
        m_sizeMark[i].cy += m_sizeMark[i].cy / 2;

    for (int i = 1; i < kClefSizes; ++i) {
        const int w = width(ClefTB[i].byCode);
        m_sizeClef[i] = SIZE {w * 3 / 4, w * 5 / 4};
    }

    static const BYTE dynamics[kDynamicSizes] = {0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6,
                                                 0xF7, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD};
    for (int i = 0; i < kDynamicSizes; ++i) {
        const int w = width(dynamics[i]);
        int h = w / 2;
        if (i == 1 || i == 3)
            h = MulDiv(w, 2, 3);
        else if (i == 2 || i == 5)
            h = w;
        m_sizeDynamic[i] = SIZE {w, h};
    }

    static const BYTE singles[kSingleSizes] = {0x6A, 0x6D, 0x66, 0x67, 0x68, 0x69, 0x6C, 0x6B, 0x2F, 0x2E, 0x27};
    for (int i = 0; i < kSingleSizes; ++i) {
        const int w = width(singles[i]);
        int h = w;
        if (i >= 2 && i <= 5)
            h = w + (i - 2) * (w / 4);
        else if (i == 10)
            h = w * 5 / 2;
        m_sizeSingle[i] = SIZE {w, h};
    }

    static const BYTE further[kFurtherSizes] = {0x8C, 0x8D};
    for (int i = 0; i < kFurtherSizes; ++i) {
        const int w = width(further[i]);
        m_sizeFurther[i] = SIZE {w, w};
    }

    static const BYTE heads[kHeadSizes] = {0xD6, 0xD7, 0xD8, 0xD9, 0xD9, 0xD9, 0xD9, 0xD9, 0xD9};
    for (int i = 0; i < kHeadSizes; ++i) {
        const int w = width(heads[i]);
        m_sizeHead[i] = SIZE {w, w};
    }
    m_sizeHead[0].cy /= 2;

    for (int i = 0; i < kRestSizes; ++i) {
        const int w = width(static_cast<BYTE>(0xB3 + i));
        m_sizeRest[i] = SIZE {w, w};
    }
    m_sizeRest[3].cy *= 3;
    for (int i = 6; i <= 8; ++i)
        m_sizeRest[i].cy *= 2;

    // The last shape has no glyph of its own.
    for (int i = 0; i < 5; ++i) {
        const int w = width(static_cast<BYTE>(0xA9 + i));
        m_sizeShape[i] = SIZE {w, w};
    }

    static const BYTE pair[kPairSizes] = {0x90, 0x8F};
    for (int i = 0; i < kPairSizes; ++i) {
        const int w = width(pair[i]);
        m_sizePair[i] = SIZE {w, w * 3 / 4};
    }

    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
}

void CKVDoc::GetReDrawRect()
{
    CKVBlock* block = m_pCurBlock;
    if (!block || !m_pCurMeas)
        return;
    CKVPage* page = m_pCurPage ? m_pCurPage : block->m_pPage;
    if (!page)
        return;
    const int space = m_nStaffSpace;
    CRect rect = block->m_rcBlock;
    if (block->m_byKind == CKVBlock::KIND_OSSIA) {
        rect.OffsetRect(page->m_rcPrint.left, page->m_rcPrint.top);
        rect.InflateRect(2 * space, 0);
        m_rcRedraw = rect;
        m_bRedrawPending = 1;
        return;
    }

    int at = -1;
    for (int i = 0; i < page->m_arrBlock.GetSize(); ++i) {
        if (page->m_arrBlock.GetAt(i) == block) {
            at = i;
            break;
        }
    }
    if (at < 0)
        return;
    const int blocks = static_cast<int>(page->m_arrBlock.GetSize());
    int top = at > 0 ? page->m_arrBlock.GetAt(at - 1)->m_rcBlock.bottom : 0;
    int bottom = 0;
    if (at + 1 < blocks)
        bottom = page->m_arrBlock.GetAt(at + 1)->m_rcBlock.top;
    else if (block->m_rcBlock.bottom < page->m_rcPrint.Height())
        bottom = page->m_rcPrint.Height();
    else
        bottom = block->m_rcBlock.bottom + block->m_rcBlock.Height();

    // The measure's staff in the block, and the measure's column.
    int staff = -1;
    int index = -1;
    const short staves = block->GetStaffNum();
    for (short k = 0; k < staves && staff < 0; ++k) {
        CKVStaff* candidate = block->GetStaff(k);
        if (!candidate)
            continue;
        for (int i = 0; i < candidate->m_arrMeas.GetSize(); ++i) {
            if (candidate->m_arrMeas.GetAt(i) == m_pCurMeas) {
                staff = k;
                index = i;
                break;
            }
        }
    }
    if (staff < 0)
        return;
    const int column = index - block->m_nFirstMeas;
    if (column < 0 || column + 1 >= block->m_arrMeasX.GetSize())
        return;

    const CWordArray& y = block->m_arrStaffY;
    const int blockTop = block->m_rcBlock.top;
    // With one staff the column runs from block to block.
    if (staves > 1 && staves <= y.GetSize()) {
        if (staff == 0) {
            bottom = blockTop + y.GetAt(1);
        } else if (staff == staves - 1) {
            top = blockTop + y.GetAt(staff - 1);
        } else {
            top = blockTop + y.GetAt(staff - 1);
            bottom = blockTop + y.GetAt(staff + 1);
        }
    }
    rect.SetRect(block->m_rcBlock.left + block->m_arrMeasX.GetAt(column), top,
                 block->m_rcBlock.left + block->m_arrMeasX.GetAt(column + 1), bottom);
    rect.OffsetRect(page->m_rcPrint.left, page->m_rcPrint.top);
    rect.InflateRect(2 * space, 0);
    m_rcRedraw = rect;
    m_bRedrawPending = 1;
}

void CKVDoc::SetLoadPosInfo(int percent)
{
    if (!m_hProgressWnd)
        return;
    const int value = std::clamp(percent, 0, 100);
    if (value == s_nLastLoadPos)
        return;
    s_nLastLoadPos = value;
    SendMessage(m_hProgressWnd, kLoadProgressMessage, static_cast<WPARAM>(value), 0);
}

int CKVDoc::LPtoDP_YA(int y)
{
    return (y * m_nStaffSpace) >> 3;
}
