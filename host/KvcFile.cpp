#include "KvcFile.h"

#include "document/KvcLeadingPart.h"

#include <algorithm>
#include <cstring>

namespace kvorel {

namespace {

// Where the library's answer falls among the three outcomes.
KvcReadResult LeadingPartOutcome(int result)
{
    if (result == KVC_LEADING_READ)
        return KvcReadResult::Read;
    return result == KVC_LEADING_NEWER ? KvcReadResult::Newer : KvcReadResult::Unreadable;
}

// The largest count of systems a page of a new score offers.
constexpr short kMostSystemsPerPage = 5;

// Lays out a new score with `perPage` systems a page.
int LayOutNewScore(CKVDoc& doc, const NewScoreOptions& options, short perPage)
{
    const CKVCtrlTool& settings = doc.m_CtrlTool;
    const POINT paper {settings.m_sizePaper.cx, settings.m_sizePaper.cy};
    const RECT margins {settings.m_rcMargin.left, settings.m_rcMargin.top, settings.m_rcMargin.right,
                        settings.m_rcMargin.bottom};
    const POINT resolution {static_cast<LONG>(settings.m_dwResolutionX), static_cast<LONG>(settings.m_dwResolutionY)};
    doc.m_pFileInfo->SetLogicPageInfo(paper, margins, static_cast<short>(settings.m_wG2),
                                      static_cast<short>(settings.m_wG1), static_cast<short>(settings.m_wBlockDistance),
                                      static_cast<short>(settings.m_wStaffDistance), resolution);
    doc.m_pFileInfo->m_nBlockPerPage = perPage;
    doc.SetScoreFontSize(6);
    if (!doc.CreateDocument(options.staves, options.measures, options.clef, options.beats, options.beatUnit))
        return 0;
    return doc.m_arrSystem.GetSize() > 0 ? 1 : 0;
}

// How many systems of the options' staves the first page holds with the
// bottom line of each inside the printable height, at most five: a trial
// score of five systems, laid out by the library itself, is measured.
// -1 when the trial cannot be made.
int SystemsThatFit(const NewScoreOptions& options)
{
    CKVDoc trial;
    NewScoreOptions five = options;
    five.measures = LONG {kMostSystemsPerPage} * std::max<short>(1, trial.m_pFileInfo->m_nMeasPerBlock);
    if (!LayOutNewScore(trial, five, kMostSystemsPerPage) || trial.GetPageNum() == 0)
        return -1;
    CKVPage* page = trial.GetPage(0);
    const LONG height = trial.m_pFileInfo->m_lPrintHeight;
    int fitting = 0;
    for (short b = 0; b < page->GetBlockNum(); ++b) {
        // A laid-out block's bottom is its last staff's bottom line.
        if (page->GetBlock(b)->m_rcBlock.bottom > height)
            break;
        ++fitting;
    }
    return fitting;
}

} // namespace

std::vector<BYTE> MakeKvcLeadingPart()
{
    std::vector<BYTE> bytes(kKvcLeadingSize, 0);
    BYTE* host = bytes.data();
    PutDword(host, kKvcHostBlockSize);
    std::memcpy(host + 4 + 4, "SYMP", 4);
    PutWord(host + 4 + 8, kKvcVersion);
    // The extra record after the host block has length 0 (already zero).
    BYTE* kvc = host + 4 + kKvcHostBlockSize + 2;
    std::memcpy(kvc, "KVC", 4);
    PutWord(kvc + 786, kKvcVersion);
    PutDword(kvc + 788, 0); // no host block follows
    return bytes;
}

void WriteKvcLeadingPart(CFile* file)
{
    const std::vector<BYTE> bytes = MakeKvcLeadingPart();
    file->Write(bytes.data(), static_cast<UINT>(bytes.size()));
}

int MakeNewScore(CKVDoc& doc, const NewScoreOptions& options, bool* fits)
{
    const int fitting = SystemsThatFit(options);
    if (fitting < 0)
        return 0;
    if (fits)
        *fits = fitting > 0;
    return LayOutNewScore(doc, options, static_cast<short>(std::max(1, fitting)));
}

int WriteKvcFile(CFile* file, CKVDoc& doc)
{
    try {
        WriteKvcLeadingPart(file);
        doc.m_CtrlTool.Write(file);
        doc.m_pFileInfo->Write(file);
    } catch (CFileException&) {
        return 0;
    }
    return doc.Save(file) == 1 ? 1 : 0;
}

KvcReadResult ReadKvcFile(CFile* file, CKVDoc& doc, WORD& version, bool& hostBlock)
{
    version = 0;
    hostBlock = false;
    // The library's reader does not say which form the file has; the host
    // block is the one that starts with its length and carries "SYMP".
    const DWORD start = file->GetPosition();
    BYTE head[12] = {};
    if (file->Read(head, sizeof head) == sizeof head) {
        const DWORD length = head[0] | (head[1] << 8) | (head[2] << 16) | (static_cast<DWORD>(head[3]) << 24);
        hostBlock = length == kKvcHostBlockSize && std::memcmp(head + 8, "SYMP", 4) == 0;
    }
    file->Seek(static_cast<LONG>(start), CFile::begin);

    const KvcReadResult leading = LeadingPartOutcome(ReadKvcLeadingPart(file, version));
    if (leading != KvcReadResult::Read)
        return leading;
    if (doc.m_CtrlTool.Read(file) == 0)
        return KvcReadResult::Unreadable;
    if (doc.m_pFileInfo->Read(file) == 0)
        return KvcReadResult::Unreadable;
    if (doc.Load(file, 3) != 0)
        return KvcReadResult::Unreadable;
    doc.FileVerUp(static_cast<short>(version));
    return KvcReadResult::Read;
}

} // namespace kvorel
