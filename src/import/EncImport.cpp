#include "import/EncImport.h"

#include "document/KVCtrlTool.h"
#include "document/KVDoc.h"
#include "document/KVFileInfo.h"
#include "import/EncDoc.h"
#include "import/ImportScopes.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "render/ScoreView.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kTitleStyles = 2324;    // five font records of 10 bytes
constexpr int kTitleStyleSize = 10;
constexpr int kTitleSubTitles[2] = {1152, 1248};
constexpr int kTitleCopyright = 1344;
constexpr int kTextBufferSize = 2048;

void SetFail(EncImportFailure* failure, EncImportFailure reason)
{
    if (failure)
        *failure = reason;
}

// The five text styles of the title block into the settings' LOGFONTs.
void TakeTitleStyles(const CEncDoc& enc, CKVCtrlTool& ct)
{
    LOGFONT* const fonts[5] = {&ct.m_lfStaffName, &ct.m_lfMeasNum, &ct.m_lfCoda, &ct.m_lfEnding, &ct.m_lfMultiRest};
    for (int i = 0; i < 5; ++i) {
        const BYTE* style = enc.m_byTitle + kTitleStyles + kTitleStyleSize * i;
        const int index = encio::Word(style);
        const int size = encio::Word(style + 2);
        const int flags = encio::Word(style + 4);
        LOGFONT& lf = *fonts[i];
        // An index outside the font list leaves the face as it was.
        if (index < enc.m_arrFontName.GetSize()) {
            const CString& name = enc.m_arrFontName[index];
            if (!name.IsEmpty()) {
                std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
                std::strncpy(lf.lfFaceName, static_cast<LPCTSTR>(name), sizeof lf.lfFaceName - 1);
            }
        }
        lf.lfWeight = flags & 1 ? 700 : 300;
        lf.lfItalic = flags & 2 ? 1 : 0;
        lf.lfUnderline = flags & 4 ? 1 : 0;
        lf.lfHeight = size;
    }
    ct.m_lfTempo.lfHeight = 14;
    ct.m_lfImport.lfHeight = 14;
}

} // namespace

EncImportFailure EncImportRefusal(const CEncDoc& enc)
{
    long staves = 0;
    for (int t = 0; t < enc.m_arrTrack.GetSize(); ++t)
        staves += enc.m_arrTrack[t]->byStaffNum();
    if (staves > kEncImportMaxStaves || staves * static_cast<long>(enc.wMeasNumb()) > kEncImportMaxStaffMeasures)
        return EncImportFailure::TooLarge;
    return EncImportFailure::None;
}

bool EncSystemIsUsable(const CEncDoc& enc, const CEncSystem& system)
{
    const long first = system.wStartMeasNo();
    const long count = system.wMeasNumb();
    const long end = first + count;
    return count > 0 && end <= enc.wMeasNumb() && end <= enc.m_arrMeas.GetSize() && system.m_arrStaff.GetSize() > 0;
}

int ImportEncore(CFile& file, CEncDoc& enc, CKVDoc& doc, CDC* dc, CScoreView& view, CDialog* dialog, int lastStep,
                 EncImportFailure* failure)
{
    SetFail(failure, EncImportFailure::None);
    // The sequence appends the master system and the pages.
    if (doc.m_arrSystem.GetSize() > 0 || doc.GetPageNum() > 0 || !doc.m_pFileInfo) {
        SetFail(failure, EncImportFailure::Unreadable);
        return 0;
    }
    ImportConvertingScope converting;
    ImportResolutionScope resolution;
    ImportRecordingScope recording(doc);
    CKVCtrlTool& ct = doc.m_CtrlTool;
    auto fail = [&](EncImportFailure reason) {
        SetFail(failure, reason);
        return 0;
    };

    // 1. The document's resolution and music font.
    ct.m_dwResolutionX = ImportResolutionScope::kImportDpi;
    ct.m_dwResolutionY = ImportResolutionScope::kImportDpi;
    doc.SetScoreFontSize(8);
    ct.m_wScoreFontSize = 8;
    if (lastStep <= 1)
        return 1;

    // 2. The file, and what the engine does not take.
    if (!enc.Read(dialog, file))
        return fail(enc.GetReadFailure() == EncReadFailure::LaterLayout ? EncImportFailure::LaterLayout
                                                                         : EncImportFailure::Unreadable);
    const EncImportFailure refusal = EncImportRefusal(enc);
    if (refusal != EncImportFailure::None)
        return fail(refusal);
    if (lastStep <= 2)
        return 1;

    // 3. Text styles.
    TakeTitleStyles(enc, ct);
    if (lastStep <= 3)
        return 1;

    // 4. Symbol sizes; no undo from here on.
    doc.SetSymbolSize();
    recording.Start();
    if (lastStep <= 4)
        return 1;

    // 5. Page geometry.
    const POINT paper {ct.m_sizePaper.cx, ct.m_sizePaper.cy};
    const RECT margins {ct.m_rcMargin.left, ct.m_rcMargin.top, ct.m_rcMargin.right, ct.m_rcMargin.bottom};
    const POINT dpi {ImportResolutionScope::kImportDpi, ImportResolutionScope::kImportDpi};
    doc.m_pFileInfo->SetLogicPageInfo(paper, margins, static_cast<short>(ct.m_wG2), static_cast<short>(ct.m_wG1),
                                      static_cast<short>(2 * ct.m_wBlockDistance),
                                      static_cast<short>(2 * ct.m_wStaffDistance), dpi);
    if (lastStep <= 5)
        return 1;

    // 6. Fonts: the non-empty names are numbered in order.
    doc.m_FontDatas.Initalize();
    const int fontCount = enc.m_arrFontName.GetSize();
    enc.m_arrFontNumber.SetSize(fontCount);
    short number = 0;
    for (int i = 0; i < fontCount; ++i) {
        const CString& name = enc.m_arrFontName[i];
        if (name.IsEmpty()) {
            enc.m_arrFontNumber[i] = 0;
            continue;
        }
        const int length = std::min(name.GetLength(), 255);
        doc.m_FontDatas.AddNewFont(number, static_cast<LPCTSTR>(name), static_cast<BYTE>(length));
        enc.m_arrFontNumber[i] = static_cast<WORD>(number);
        ++number;
    }
    if (lastStep <= 6)
        return 1;

    // 7. The skeleton.
    LONG right = 0;
    LONG bottom = 0;
    if (!doc.FirstConvertEncToKvc(dialog, &enc, right, bottom))
        return fail(EncImportFailure::Unreadable);
    if (lastStep <= 7)
        return 1;

    CKVFileInfo& info = *doc.m_pFileInfo;
    const short pages = doc.GetPageNum();
    // 8. Page rectangles.
    for (short i = 0; i < pages; ++i) {
        CKVPage* page = doc.GetPage(i);
        page->m_rcPrint.SetRect(info.m_nLeftMargin, info.m_nTopMargin, info.m_nLeftMargin + info.m_lPrintWidth,
                                info.m_nTopMargin + info.m_lPrintHeight);
    }
    if (lastStep <= 8)
        return 1;

    // 9. Staff names.
    doc.MakeAllPageStaffName();
    if (lastStep <= 9)
        return 1;

    // 10. An invisible pass per block; a last measure that the pass left
    // narrower than its boundary gives the block that much more room.
    CKVSystem* master = doc.m_arrSystem.GetAt(0);
    for (short i = 0; i < pages; ++i) {
        CKVPage* page = doc.GetPage(i);
        page->Create(&info);
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            view.VirtualDrawBlock(*block, &doc.m_FontDatas, ImportResolutionScope::kImportDpi);
            recording.Reapply();
            const short count = block->m_nMeasCount;
            if (count <= 0 || block->GetStaffNum() <= 0 || block->m_arrMeasX.GetSize() <= count)
                continue;
            const LONG last = block->m_nFirstMeas + count - 1;
            CKVMeas* meas = block->GetStaff(0)->GetMeas(last);
            if (!meas)
                continue;
            const int boundary = block->m_arrMeasX[count];
            const int d = boundary - meas->m_rcMeas.right;
            if (d <= 0)
                continue;
            {
                ImportConvertingScope held;
                held.Set();
                block->SetMeasPos(count, POINT {boundary + d, 0}, 0);
            }
            for (short st = 0; st < master->GetStaffNum(); ++st) {
                if (CKVMeas* column = master->GetMeas(st, static_cast<short>(last)))
                    column->m_nRealWidth = static_cast<short>(column->m_nRealWidth - d);
            }
        }
    }
    if (lastStep <= 10)
        return 1;

    // 11. The measures' contents.
    if (!doc.SecondConvertEncToKvc(dialog, &enc))
        return fail(EncImportFailure::Unreadable);
    // The converters have counted every record too short to convert; when
    // they are most of the file, it was read in the wrong layout.
    if (enc.IsLayoutMisfit())
        return fail(EncImportFailure::LayoutMisfit);
    if (lastStep <= 11)
        return 1;

    // 12. Staff names move right of the brackets and braces.
    for (short i = 0; i < pages; ++i) {
        CKVPage* page = doc.GetPage(i);
        page->Create(&info);
        for (short b = 0; b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            view.KVOpen(dc, &doc, 0, 0);
            const short dx = view.GetDispXByBrace(*block);
            view.KVClose();
            recording.Reapply();
            for (int st = 0; st < block->m_arrStaffNamePoint.GetSize(); ++st) {
                if (POINT* point = block->m_arrStaffNamePoint[st])
                    point->x += dx;
            }
        }
    }
    if (lastStep <= 12)
        return 1;

    // 13. Page texts from the title block, then the texts as UTF-16.
    char buffer[kTextBufferSize] = {};
    int shared = 0;
    int own[3] = {0, 0, 0};
    doc.EncToKVC_MakeText(&enc, reinterpret_cast<ENC_COPYRIGHT*>(enc.m_byTitle + kTitleCopyright), 6, buffer, &shared,
                          &own[0]);
    for (int k = 0; k < 2; ++k)
        doc.EncToKVC_MakeText(&enc, reinterpret_cast<ENC_SUBTITTLE*>(enc.m_byTitle + kTitleSubTitles[k]), 1, buffer,
                              &shared, &own[k + 1]);
    doc.EncToKVC_Title(dialog, &enc);
    doc.EncToKVC_Header(dialog, &enc);
    doc.EncToKVC_Footer(dialog, &enc);
    doc.EncToKVC_Copyright(dialog, &enc);
    doc.ConvertImportedTexts();
    if (lastStep <= 13)
        return 1;

    // 14. Done.
    ct.m_byJ0 = 1;
    doc.m_bModified = 0;
    return 1;
}
