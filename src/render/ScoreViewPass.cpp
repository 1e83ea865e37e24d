// The drawing pass: construction, opening and closing a pass on a device
// context, zoom and origin, the glyph-extent table, the glyph widths of the
// document and the screen texture.

#include "render/ScoreView.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "model/GlyphTables.h"
#include "model/TextHelpers.h"
#include "platform/Dib.h"

#include <algorithm>
#include <new>

BOOL bScreenMode = 1;
CSize sizeGlyphExtent[256];

namespace {

constexpr char kMusicFontFile[] = "ZelvoraB.TTF";
// The percents of the music font that every pass creates, in this order.
constexpr WORD kPassPercents[] = {100, 50, 75, 150, 200};

void ResetDrawingState()
{
    bScreenMode = 1;
    std::fill(std::begin(sizeGlyphExtent), std::end(sizeGlyphExtent), CSize(0, 0));
}

KvProcessReset s_reset("drawing pass state", &ResetDrawingState);

// The layout of a bitmap resource: where its colour table and pixels lie.
struct DibLayout {
    DWORD headerSize = 0;
    DWORD entrySize = 0;  // 4 for RGBQUAD, 3 for RGBTRIPLE
    DWORD colours = 0;
    DWORD bitsOffset = 0;
};

// Reads the header of a bitmap resource of `size` bytes. At most 256
// colours; false when the header, the colour table or the pixel rows do not
// fit in the resource.
bool ReadDibLayout(const BYTE* bytes, DWORD size, DibLayout& layout)
{
    kvdib::Header header;
    if (!kvdib::ParseHeader(bytes, size, header))
        return false;
    layout.headerSize = header.headerSize;
    layout.entrySize = header.headerSize == sizeof(BITMAPCOREHEADER) ? sizeof(RGBTRIPLE) : sizeof(RGBQUAD);
    const LONG width = header.width;
    const LONG height = header.height;
    const WORD bitCount = header.bitCount;
    // In a resource the pixel rows follow a table of biClrUsed entries
    // whenever that is set, at any depth.
    if (header.colorsUsed != 0)
        layout.colours = header.colorsUsed;
    else
        layout.colours = bitCount == 1 ? 2 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0;
    layout.colours = std::min<DWORD>(layout.colours, 256);
    layout.bitsOffset = layout.headerSize + layout.colours * layout.entrySize;
    if (layout.bitsOffset > size || width <= 0 || height == 0 || height == INT32_MIN)
        return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return false;
    const unsigned long long rows = static_cast<unsigned long long>(height < 0 ? -static_cast<long long>(height)
                                                                               : height);
    return kvdib::Stride(header) * rows <= size - layout.bitsOffset;
}

// The palette of a bitmap's colour table; null when it has no colours.
HPALETTE CreateDibPalette(const BYTE* bytes, const DibLayout& layout)
{
    if (layout.colours == 0)
        return nullptr;
    const DWORD blockSize = sizeof(LOGPALETTE) + (layout.colours - 1) * sizeof(PALETTEENTRY);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, blockSize);
    auto* palette = static_cast<LOGPALETTE*>(GlobalLock(block));
    if (!palette) {
        GlobalFree(block);
        return nullptr;
    }
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(layout.colours);
    for (DWORD i = 0; i < layout.colours; ++i) {
        // Both entry kinds keep blue, green, red in that order.
        const BYTE* entry = bytes + layout.headerSize + i * layout.entrySize;
        palette->palPalEntry[i] = PALETTEENTRY {entry[2], entry[1], entry[0], 0};
    }
    HPALETTE handle = CreatePalette(palette);
    GlobalUnlock(block);
    GlobalFree(block);
    return handle;
}

// The bitmap of a resource, made on the screen with its palette realised.
HBITMAP CreateDibBitmap(const BYTE* bytes, const DibLayout& layout, HPALETTE palette)
{
    HDC screen = GetDC(nullptr);
    HPALETTE oldPalette = palette ? SelectPalette(screen, palette, FALSE) : nullptr;
    if (palette)
        RealizePalette(screen);
    HBITMAP bitmap = CreateDIBitmap(screen, reinterpret_cast<const BITMAPINFOHEADER*>(bytes), CBM_INIT,
                                    bytes + layout.bitsOffset, reinterpret_cast<const BITMAPINFO*>(bytes),
                                    DIB_RGB_COLORS);
    if (palette)
        SelectPalette(screen, oldPalette, FALSE);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

template <typename T>
void DeleteGdiMember(T*& object)
{
    if (!object)
        return;
    object->DeleteObject();
    delete object;
    object = nullptr;
}

} // namespace

struct CScoreView::OuterPass {
    CDC* dc;
    CKVDoc* doc;
    CKVCtrlTool* ctrlTool;
    int dpiX;
    int dpiY;
    short fontCount;
    ViewFontEntry* fontTable;
    LOGFONT music;
    HFONT savedFont;
    int savedROP2;
    int savedBkMode;
    UINT savedTextAlign;
    int savedMapMode;
    BOOL mapModeSaved;
    BOOL printing;
    int extra;
    BOOL screenMode;
    CBitmap* textureBitmap;
    CBrush* textureBrush;
    CPalette* texturePalette;
    WORD proportion[4];
    short staffSpace;
    short sizePercent;
    short blockPercent;
    LONG orgX;
    LONG orgY;
    int zoomY;
};

CScoreView::CScoreView()
{
    InitializeCriticalSection(&m_csView);
    m_penHandle.CreatePen(PS_SOLID, 1, 0x00FF0000);
    CreateCustomFont();
}

CScoreView::~CScoreView()
{
    // A pass left open by its caller still owns fonts, a texture and the
    // lock. Its device context may be gone already, so it is not touched.
    while (m_bOpened)
        EndPass(false);
    DeleteCriticalSection(&m_csView);
    m_penHandle.DeleteObject();
    RemoveFontResourceA(kMusicFontFile);
}

short CScoreView::CreateCustomFont()
{
    return AddFontResourceA(kMusicFontFile) > 0 ? 1 : -1;
}

short CScoreView::KVOpen(CDC* dc, CKVDoc* doc, int printing, int extra)
{
    if (!dc || !doc)
        return -1;
    const bool nested = m_bOpened;
    const bool screenAfterPrinting = !nested && m_bPrinting && !printing;

    EnterCriticalSection(&m_csView);
    if (nested)
        SaveOuterPass();
    const BOOL screenModeBefore = bScreenMode;
    const BOOL printingBefore = m_bPrinting;
    m_bPrinting = printing;
    m_nOpenExtra = extra;
    if (!printing && m_hResDll)
        LoadTexture();
    if (printing)
        bScreenMode = 0;
    m_pDoc = doc;
    m_pCtrlTool = &doc->m_CtrlTool;
    m_pDC = dc;

    m_pFontTable = KvAllocationFails() ? nullptr : new (std::nothrow) ViewFontEntry[kFontTableSize];
    if (m_pFontTable) {
        m_nFontCount = 0;
        m_nDpiX = dc->GetDeviceCaps(LOGPIXELSX);
        m_nDpiY = dc->GetDeviceCaps(LOGPIXELSY);
        CKVCtrlTool& tool = *m_pCtrlTool;
        if (tool.m_dwResolutionX != static_cast<DWORD>(m_nDpiX) ||
            tool.m_dwResolutionY != static_cast<DWORD>(m_nDpiY)) {
            const POINT oldDpi {static_cast<LONG>(tool.m_dwResolutionX), static_cast<LONG>(tool.m_dwResolutionY)};
            const POINT newDpi {m_nDpiX, m_nDpiY};
            tool.m_dwResolutionX = static_cast<DWORD>(m_nDpiX);
            tool.m_dwResolutionY = static_cast<DWORD>(m_nDpiY);
            doc->UpdatePosLogicDot(oldDpi, newDpi);
        }
        ZelvoraLogFontProc(m_lfMusic, dc);
    }
    if (!m_pFontTable || !CreatePassFonts(doc->m_nFontHeight)) {
        FreePassFonts();
        FreeTexture();
        // A pass that never opened is no previous pass of the next one.
        bScreenMode = screenModeBefore;
        m_bPrinting = printingBefore;
        if (nested)
            RestoreOuterPass();
        LeaveCriticalSection(&m_csView);
        return -1;
    }

    m_lfMusic.lfHeight = -doc->m_nFontHeight;
    m_lfMusic.lfWidth = 0;
    m_nStaffSpace = doc->m_nStaffSpace;
    doc->m_nFontHeight78 = StandardStemLength(doc->m_nFontHeight);

    m_hSavedFont = SelectFontObject(m_pFontTable[0].hFont);
    m_nSavedROP2 = dc->SetROP2(R2_COPYPEN);
    m_nSavedBkMode = dc->SetBkMode(TRANSPARENT);
    m_nSavedTextAlign = dc->SetTextAlign(TA_BASELINE);
    m_bMapModeSaved = 0;

    UpdatePosY(doc->m_nFontHeight78);

    const int size = MusicFontHeight(doc->m_nScoreFontSize, m_nDpiY);
    doc->m_nFontHeight = static_cast<short>(size);
    doc->m_nStaffSpace = static_cast<short>(size >> 2);
    doc->m_nFontHeight78 = StandardStemLength(size);
    // Only a pass that measures remembers the size, so that a printing pass
    // at a new size leaves the measuring to the next screen pass.
    if (size != m_nMeasuredSize && !printing) {
        m_nMeasuredSize = static_cast<short>(size);
        MeasureGlyphWidths();
        doc->UpdateMsgCtrlRect();
    }

    m_bOpened = 1;
    if (screenAfterPrinting)
        doc->FeedBackPosition();
    return 1;
}

short CScoreView::KVClose()
{
    if (m_bOpened)
        EndPass(true);
    return 1;
}

void CScoreView::EndPass(bool restoreDevice)
{
    FreeTexture();
    if (restoreDevice) {
        SelectFontObject(m_hSavedFont);
        m_pDC->SetROP2(m_nSavedROP2);
        m_pDC->SetBkMode(m_nSavedBkMode);
        if (m_bMapModeSaved)
            m_pDC->SetMapMode(m_nSavedMapMode);
        m_pDC->SetTextAlign(m_nSavedTextAlign);
    }
    FreePassFonts();
    m_bOpened = 0;
    bScreenMode = 1;
    if (!m_outerPasses.empty())
        RestoreOuterPass();
    LeaveCriticalSection(&m_csView);
}

short CScoreView::KVSetExpandTimes(short wx, short wy, short vx, short vy)
{
    if (!m_bOpened || wx == 0 || wy == 0 || vx == 0 || vy == 0)
        return 0;
    const int previous = m_pDC->SetMapMode(MM_ANISOTROPIC);
    // The mode the pass found is the one KVClose puts back, however often
    // the zoom changes during the pass.
    if (!m_bMapModeSaved) {
        m_nSavedMapMode = previous;
        m_bMapModeSaved = 1;
    }
    m_pDC->SetWindowExt(wx, wy);
    m_pDC->SetViewportExt(vx, vy);
    m_nZoomY = vy * 100 / wy;
    return 1;
}

short CScoreView::KVSetExpandTimes(short vx, short vy)
{
    return KVSetExpandTimes(100, 100, vx, vy);
}

short CScoreView::KVSetOrgXY(LONG x, LONG y)
{
    m_lOrgX = x;
    m_lOrgY = y;
    return 1;
}

void CScoreView::KVGetOrgXY(LONG& x, LONG& y)
{
    x = m_lOrgX;
    y = m_lOrgY;
}

short CScoreView::StandardStemLength(int symbolSize)
{
    return static_cast<short>(MulDiv(kStemProportion, symbolSize, kProportionSize));
}

void CScoreView::UpdatePosY(short stemLength)
{
    if (!m_pDC || !m_pDoc)
        return;
    if (stemLength == m_nLastStemLength) {
        if (!m_pDoc->m_bSpacingApplied) {
            ApplyDistances();
            m_pDoc->m_bSpacingApplied = 1;
        }
        return;
    }
    for (int code = 0; code < 256; ++code) {
        SIZE size {0, 0};
        if (code >= 32 && code <= 254) {
            const char byte = static_cast<char>(code);
            MyGetTextExtent(m_pDC, &byte, 1, &size);
        }
        sizeGlyphExtent[code] = size;
    }
    m_nLastStemLength = stemLength;
    m_wSymbolSize = static_cast<WORD>(m_pDoc->m_nFontHeight);
    m_nStaffSpace = static_cast<short>(std::max(1, m_pDoc->m_nFontHeight / 4));
    m_pCtrlTool->m_wDrawMetric = static_cast<WORD>(stemLength);
    if (!m_pDoc->m_bSpacingApplied) {
        m_pDoc->m_bBackupRecord = 0;
        ApplyDistances();
        m_pDoc->m_bSpacingApplied = 1;
        m_pDoc->m_bBackupRecord = 1;
    }
}

void CScoreView::SetResDll(HINSTANCE module)
{
    m_hResDll = module;
}

CDC* CScoreView::GetMemoryDC()
{
    return m_pDC;
}

void CScoreView::SaveOuterPass()
{
    m_outerPasses.push_back(OuterPass {m_pDC, m_pDoc, m_pCtrlTool, m_nDpiX, m_nDpiY, m_nFontCount, m_pFontTable,
                                       m_lfMusic, m_hSavedFont, m_nSavedROP2, m_nSavedBkMode, m_nSavedTextAlign,
                                       m_nSavedMapMode, m_bMapModeSaved, m_bPrinting, m_nOpenExtra, bScreenMode,
                                       m_pTextureBitmap, m_pTextureBrush, m_pTexturePalette,
                                       {m_wStemProportion, m_wSymbolSize, m_wEighthProportion, m_wParenthesisGap},
                                       m_nStaffSpace, m_nSizePercent, m_nBlockPercent, m_lOrgX, m_lOrgY, m_nZoomY});
    m_nFontCount = 0;
    m_pFontTable = nullptr;
    m_pTextureBitmap = nullptr;
    m_pTextureBrush = nullptr;
    m_pTexturePalette = nullptr;
    m_bOpened = 0;
}

void CScoreView::RestoreOuterPass()
{
    const OuterPass& outer = m_outerPasses.back();
    m_pDC = outer.dc;
    m_pDoc = outer.doc;
    m_pCtrlTool = outer.ctrlTool;
    m_nDpiX = outer.dpiX;
    m_nDpiY = outer.dpiY;
    m_nFontCount = outer.fontCount;
    m_pFontTable = outer.fontTable;
    m_lfMusic = outer.music;
    m_hSavedFont = outer.savedFont;
    m_nSavedROP2 = outer.savedROP2;
    m_nSavedBkMode = outer.savedBkMode;
    m_nSavedTextAlign = outer.savedTextAlign;
    m_nSavedMapMode = outer.savedMapMode;
    m_bMapModeSaved = outer.mapModeSaved;
    m_bPrinting = outer.printing;
    m_nOpenExtra = outer.extra;
    bScreenMode = outer.screenMode;
    m_pTextureBitmap = outer.textureBitmap;
    m_pTextureBrush = outer.textureBrush;
    m_pTexturePalette = outer.texturePalette;
    m_wStemProportion = outer.proportion[0];
    m_wSymbolSize = outer.proportion[1];
    m_wEighthProportion = outer.proportion[2];
    m_wParenthesisGap = outer.proportion[3];
    m_nStaffSpace = outer.staffSpace;
    m_nSizePercent = outer.sizePercent;
    m_nBlockPercent = outer.blockPercent;
    m_lOrgX = outer.orgX;
    m_lOrgY = outer.orgY;
    m_nZoomY = outer.zoomY;
    m_bOpened = 1;
    m_outerPasses.pop_back();
}

void CScoreView::LoadTexture()
{
    HRSRC resource = FindResourceA(m_hResDll, MAKEINTRESOURCEA(kTextureResource), RT_BITMAP);
    if (!resource)
        return;
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(m_hResDll, resource)));
    DibLayout layout;
    if (!bytes || !ReadDibLayout(bytes, SizeofResource(m_hResDll, resource), layout))
        return;
    HPALETTE palette = CreateDibPalette(bytes, layout);
    HBITMAP bitmap = CreateDibBitmap(bytes, layout, palette);
    m_pTextureBitmap = KvNew<CBitmap>();
    m_pTextureBrush = KvNew<CBrush>();
    m_pTexturePalette = KvNew<CPalette>();
    if (!bitmap || !m_pTextureBitmap || !m_pTextureBrush || !m_pTexturePalette) {
        if (bitmap)
            DeleteObject(bitmap);
        if (palette)
            DeleteObject(palette);
        FreeTexture();
        return;
    }
    m_pTextureBitmap->Attach(bitmap);
    m_pTexturePalette->Attach(palette);
    m_pTextureBrush->CreatePatternBrush(m_pTextureBitmap);
}

void CScoreView::FreeTexture()
{
    DeleteGdiMember(m_pTextureBrush);
    DeleteGdiMember(m_pTextureBitmap);
    DeleteGdiMember(m_pTexturePalette);
}

BOOL CScoreView::CreatePassFonts(int symbolSize)
{
    for (WORD percent : kPassPercents) {
        m_lfMusic.lfHeight = -symbolSize * percent / 100;
        m_lfMusic.lfWidth = 0;
        HFONT font = CreateFontIndirectA(&m_lfMusic);
        if (!font)
            return FALSE;
        m_pFontTable[m_nFontCount++] = ViewFontEntry {percent, font};
    }
    return TRUE;
}

void CScoreView::FreePassFonts()
{
    for (int i = 0; i < m_nFontCount; ++i)
        DeleteObject(m_pFontTable[i].hFont);
    delete[] m_pFontTable;
    m_pFontTable = nullptr;
    m_nFontCount = 0;
}

void CScoreView::ApplyDistances()
{
    m_pDoc->UpdateBlockSpace(static_cast<short>(m_pCtrlTool->m_wBlockDistance));
    m_pDoc->UpdateStaffSpace(static_cast<short>(m_pCtrlTool->m_wStaffDistance));
}

namespace {

// One glyph measured with the selected font.
int GlyphWidth(CDC* dc, BYTE code)
{
    SIZE size {0, 0};
    const char byte = static_cast<char>(code);
    MyGetTextExtent(dc, &byte, 1, &size);
    return size.cx;
}

} // namespace

// The widths that spacing and hit-testing read, measured with the 100-percent
// font. Halving is a shift; every other division truncates.
void CScoreView::MeasureGlyphWidths()
{
    CKVDoc& doc = *m_pDoc;
    auto width = [this](BYTE code) { return GlyphWidth(m_pDC, code); };

    for (int i = 0; i < 8; ++i) {
        const int w = width(ClefTB[i + 1].byCode);
        doc.m_sizeClef[i] = SIZE {w * 3 / 4, w * 5 / 4};
    }
    for (int i = 0; i < CKVDoc::kHeadSizes; ++i) {
        const int w = width(codeStdHead[i]);
        doc.m_sizeHead[i] = SIZE {w, i == 0 ? w >> 1 : w};
    }
    for (int i = 0; i < CKVDoc::kRestSizes; ++i) {
        const int w = width(codeRest[i]);
        doc.m_sizeRest[i] = SIZE {w, i == 3 ? 3 * w : i >= 6 ? 2 * w : w};
    }
    for (int i = 0; i < 5; ++i) {
        const int w = width(codeAcci[i + 1]);
        doc.m_sizeShape[i] = SIZE {w, w};
    }
    for (int record = 1; record <= CKVDoc::kMarkSizes; ++record) {
        const int w = width(MarkTB[record].byCode);
        const int first = record == 14 ? 2 * w : w;
        int second = first;
        if (record >= 29 && record <= 35)
            second = first >> 1;
        else if (record >= 41 && record <= 46)
            second = first + (first >> 1);
        doc.m_sizeMark[record - 1] = SIZE {first, second};
    }
    for (int entry = 1; entry <= CKVDoc::kDynamicSizes + CKVDoc::kSpareSizes; ++entry) {
        const int w = width(CodeDyn[entry]);
        int second = w >> 1;
        if (entry == 2 || entry == 4)
            second = MulDiv(w, 2, 3);
        else if (entry == 3 || entry == 6)
            second = w;
        SIZE& slot = entry <= CKVDoc::kDynamicSizes ? doc.m_sizeDynamic[entry - 1]
                                                    : doc.m_sizeSpare[entry - 1 - CKVDoc::kDynamicSizes];
        slot = SIZE {w, second};
    }
    const BYTE singles[CKVDoc::kSingleSizes] = {codeCesura, codeBreath, codeSlid[0], codeSlid[1],
                                                codeSlid[2], codeSlid[3], codeFlowerMark, codePedal[3],
                                                codeCircleUp, codeCircleDown, codeBigCircleDown};
    for (int i = 0; i < CKVDoc::kSingleSizes; ++i) {
        const int w = width(singles[i]);
        int second = w;
        if (i >= 2 && i <= 5)
            second = w + (i - 2) * (w >> 2);
        else if (i == 10)
            second = w * 5 / 2;
        doc.m_sizeSingle[i] = SIZE {w, second};
    }
    for (int i = 0; i < CKVDoc::kFurtherSizes; ++i) {
        const int w = width(codePedal[i + 1]);
        doc.m_sizeFurther[i] = SIZE {w, w};
    }
    const BYTE pairs[CKVDoc::kPairSizes] = {codeMeasOneRepeat, codeMeasRepeat};
    for (int i = 0; i < CKVDoc::kPairSizes; ++i) {
        const int w = width(pairs[i]);
        doc.m_sizePair[i] = SIZE {w, w * 3 / 4};
    }
}
