#include "KvcFile.h"

#include "document/KvcLeadingPart.h"

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

int MakeNewScore(CKVDoc& doc, const NewScoreOptions& options)
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
    if (!doc.CreateDocument(options.staves, options.measures, options.clef, options.beats, options.beatUnit))
        return 0;
    return doc.m_arrSystem.GetSize() > 0 ? 1 : 0;
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
