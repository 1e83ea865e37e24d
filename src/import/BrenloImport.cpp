// The whole import of one Brenlo page buffer.

#include "import/BrenloImport.h"

#include "import/UPage.h"
#include "document/KVFileInfo.h"

#include <memory>

namespace kvimport {

namespace {

// The version whose texts and lyrics FileVerUp converts.
constexpr short kLastByteTextVersion = 8209;

} // namespace

void PrepareImportDocument(CKVDoc& doc)
{
    const CKVCtrlTool& settings = doc.m_CtrlTool;
    const POINT paper {settings.m_sizePaper.cx, settings.m_sizePaper.cy};
    const RECT margins {settings.m_rcMargin.left, settings.m_rcMargin.top, settings.m_rcMargin.right,
                        settings.m_rcMargin.bottom};
    const POINT resolution {static_cast<LONG>(settings.m_dwResolutionX), static_cast<LONG>(settings.m_dwResolutionY)};
    doc.m_pFileInfo->SetLogicPageInfo(paper, margins, static_cast<short>(settings.m_wG2),
                                      static_cast<short>(settings.m_wG1), static_cast<short>(settings.m_wBlockDistance),
                                      static_cast<short>(settings.m_wStaffDistance), resolution);
    doc.SetScoreFontSize(6);
}

BrenloImportResult ImportBrenloBuffer(CKVDoc& doc, BYTE* buffer, DWORD length, int convertTexts,
                                      LeftOutNotes* leftOut)
{
    PrepareImportDocument(doc);
    std::unique_ptr<CUPage> page = std::make_unique<CUPage>();
    if (!doc.FirstConvertBrenloToKvc(nullptr, buffer, length, page.get()))
        return page->m_failure == BrenloFailure::TooManyMeasures ? BrenloImportResult::TooManyMeasures
                                                                 : BrenloImportResult::Unreadable;
    if (!doc.SecondConvertBrenloToKvc(nullptr, page.get()))
        return BrenloImportResult::Unreadable;
    if (leftOut)
        *leftOut = page->m_leftOutNotes;
    page.reset();
    if (convertTexts)
        doc.FileVerUp(kLastByteTextVersion);
    return BrenloImportResult::Imported;
}

} // namespace kvimport
