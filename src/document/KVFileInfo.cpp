#include "document/KVFileInfo.h"

#include "AllocHook.h"

#include "MemoryGuard.h"
#include "document/KVDoc.h"
#include "model/KVMsg.h"
#include "model/NewObject.h"

#include <new>

namespace {

// The undo entry kind of the file info.
constexpr short kUndoFileInfo = 9;

// Makes target a copy of source, or null when source is null.
void CopyTitle(CKVMsg*& target, const CKVMsg* source)
{
    if (!source) {
        delete target;
        target = nullptr;
        return;
    }
    if (!target) {
        target = KvNewReported<CKVMsg>();
        if (!target)
            return;
    }
    *target = *source;
}

} // namespace

CKVFileInfo::CKVFileInfo()
{
    // The record and the copies start at their declared defaults.
}

CKVFileInfo::~CKVFileInfo()
{
    for (CKVMsg*& title : m_pTitle) {
        delete title;
        title = nullptr;
    }
}

CKVFileInfo& CKVFileInfo::operator=(const CKVFileInfo& other)
{
    if (this == &other)
        return *this;
    m_nBlockPerPage = other.m_nBlockPerPage;
    m_nMeasPerBlock = other.m_nMeasPerBlock;
    m_nLeftMargin = other.m_nLeftMargin;
    m_nRightMargin = other.m_nRightMargin;
    m_nTopMargin = other.m_nTopMargin;
    m_nBottomMargin = other.m_nBottomMargin;
    m_nFirstBlockX = other.m_nFirstBlockX;
    m_nFirstBlockY = other.m_nFirstBlockY;
    m_nBlockDistance = other.m_nBlockDistance;
    m_nStaffDistance = other.m_nStaffDistance;
    m_lPrintWidth = other.m_lPrintWidth;
    m_lPrintHeight = other.m_lPrintHeight;
    m_lStaffSpace = other.m_lStaffSpace;
    m_lScoreFontSize = other.m_lScoreFontSize;
    m_lFontHeight = other.m_lFontHeight;
    m_lFontHeight78 = other.m_lFontHeight78;
    m_CtrlTool = other.m_CtrlTool;
    for (int i = 0; i < 3; ++i)
        CopyTitle(m_pTitle[i], other.m_pTitle[i]);
    return *this;
}

int CKVFileInfo::SetLogicPageInfo(POINT paper, RECT margins, short firstBlockY, short firstBlockX,
                                  short blockDistance, short staffDistance, POINT resolution)
{
    const short left = static_cast<short>(margins.left * resolution.x / 254);
    const short right = static_cast<short>(margins.right * resolution.x / 254);
    const short top = static_cast<short>(margins.top * resolution.y / 254);
    const short bottom = static_cast<short>(margins.bottom * resolution.y / 254);
    // Both offsets are stored whatever the comparison below finds.
    m_nFirstBlockY = static_cast<short>(firstBlockY * resolution.y / 254);
    m_nFirstBlockX = static_cast<short>(firstBlockX * resolution.x / 254);
    const LONG width = paper.x * resolution.x / 254 - left - right;
    const LONG height = paper.y * resolution.y / 254 - top - bottom;

    // The vertical offset was stored above, so it always compares equal here;
    // only the margins, printable size and distances report a change.
    if (left == m_nLeftMargin && right == m_nRightMargin && top == m_nTopMargin &&
        bottom == m_nBottomMargin && width == m_lPrintWidth && height == m_lPrintHeight &&
        blockDistance == m_nBlockDistance && staffDistance == m_nStaffDistance)
        return 0;
    m_nLeftMargin = left;
    m_nRightMargin = right;
    m_nTopMargin = top;
    m_nBottomMargin = bottom;
    m_lPrintWidth = width;
    m_lPrintHeight = height;
    m_nBlockDistance = blockDistance;
    m_nStaffDistance = staffDistance;
    return 1;
}

void CKVFileInfo::UpdateLogicDoc(POINT oldResolution, POINT newResolution)
{
    // Scaling from a resolution of 0 would store MulDiv's -1 everywhere.
    if (oldResolution.x == 0 || oldResolution.y == 0)
        return;
    const auto scaleX = [&](LONG value) { return MulDiv(value, newResolution.x, oldResolution.x); };
    const auto scaleY = [&](LONG value) { return MulDiv(value, newResolution.y, oldResolution.y); };
    m_nLeftMargin = static_cast<short>(scaleX(m_nLeftMargin));
    m_nRightMargin = static_cast<short>(scaleX(m_nRightMargin));
    m_nFirstBlockX = static_cast<short>(scaleX(m_nFirstBlockX));
    m_lPrintWidth = scaleX(m_lPrintWidth);
    m_nTopMargin = static_cast<short>(scaleY(m_nTopMargin));
    m_nBottomMargin = static_cast<short>(scaleY(m_nBottomMargin));
    m_nFirstBlockY = static_cast<short>(scaleY(m_nFirstBlockY));
    m_lPrintHeight = scaleY(m_lPrintHeight);
}

short CKVFileInfo::Write(CFile* file)
{
    BYTE record[kRecordSize];
    PutWord(record + 0, static_cast<WORD>(m_nBlockPerPage));
    PutWord(record + 2, static_cast<WORD>(m_nMeasPerBlock));
    PutWord(record + 4, static_cast<WORD>(m_nLeftMargin));
    PutWord(record + 6, static_cast<WORD>(m_nRightMargin));
    PutWord(record + 8, static_cast<WORD>(m_nTopMargin));
    PutWord(record + 10, static_cast<WORD>(m_nBottomMargin));
    PutWord(record + 12, static_cast<WORD>(m_nFirstBlockX));
    PutWord(record + 14, static_cast<WORD>(m_nFirstBlockY));
    PutWord(record + 16, static_cast<WORD>(m_nBlockDistance));
    PutWord(record + 18, static_cast<WORD>(m_nStaffDistance));
    PutWord(record + 20, m_wReserved[0]);
    PutWord(record + 22, m_wReserved[1]);
    PutDword(record + 24, static_cast<DWORD>(m_lPrintWidth));
    PutDword(record + 28, static_cast<DWORD>(m_lPrintHeight));
    file->Write(record, kRecordSize);
    return kRecordSize;
}

short CKVFileInfo::Read(CFile* file)
{
    BYTE record[kRecordSize];
    if (file->Read(record, kRecordSize) != kRecordSize)
        return 0;
    m_nBlockPerPage = static_cast<short>(GetWord(record + 0));
    m_nMeasPerBlock = static_cast<short>(GetWord(record + 2));
    m_nLeftMargin = static_cast<short>(GetWord(record + 4));
    m_nRightMargin = static_cast<short>(GetWord(record + 6));
    m_nTopMargin = static_cast<short>(GetWord(record + 8));
    m_nBottomMargin = static_cast<short>(GetWord(record + 10));
    m_nFirstBlockX = static_cast<short>(GetWord(record + 12));
    m_nFirstBlockY = static_cast<short>(GetWord(record + 14));
    m_nBlockDistance = static_cast<short>(GetWord(record + 16));
    m_nStaffDistance = static_cast<short>(GetWord(record + 18));
    m_wReserved[0] = GetWord(record + 20);
    m_wReserved[1] = GetWord(record + 22);
    m_lPrintWidth = static_cast<LONG>(GetDword(record + 24));
    m_lPrintHeight = static_cast<LONG>(GetDword(record + 28));
    return kRecordSize;
}

short CKVFileInfo::Read(CFile& file)
{
    return Read(&file);
}

void CKVFileInfo::TakeFromDocument()
{
    m_lStaffSpace = m_pDoc->m_nStaffSpace;
    m_lScoreFontSize = m_pDoc->m_nScoreFontSize;
    m_lFontHeight = m_pDoc->m_nFontHeight;
    m_lFontHeight78 = m_pDoc->m_nFontHeight78;
    m_CtrlTool = m_pDoc->m_CtrlTool;
    for (int i = 0; i < 3; ++i)
        CopyTitle(m_pTitle[i], m_pDoc->m_pTitleMsg[i]);
}

void CKVFileInfo::GiveToDocument() const
{
    m_pDoc->m_nStaffSpace = static_cast<short>(m_lStaffSpace);
    m_pDoc->m_nScoreFontSize = static_cast<short>(m_lScoreFontSize);
    m_pDoc->m_nFontHeight = static_cast<short>(m_lFontHeight);
    m_pDoc->m_nFontHeight78 = static_cast<short>(m_lFontHeight78);
    m_pDoc->m_CtrlTool = m_CtrlTool;
    // The document's titles stay the same objects; only their content goes back.
    for (int i = 0; i < 3; ++i) {
        if (m_pDoc->m_pTitleMsg[i] && m_pTitle[i])
            *m_pDoc->m_pTitleMsg[i] = *m_pTitle[i];
    }
}

void CKVFileInfo::ObjectBackup(int record)
{
    if (!m_pDoc)
        return;
    TakeFromDocument();
    CKVFileInfo* clone = KvNewReported<CKVFileInfo>();
    if (!clone) {
        m_pBackupLink = this;
        return;
    }
    *clone = *this;
    clone->m_pDoc = m_pDoc;
    clone->m_pBackupLink = this;
    m_pBackupLink = clone;
    if (record && !m_pDoc->AddBackup(kUndoFileInfo, this)) {
        // No undo step took the pair, so nothing would ever free the clone:
        // stay live and linked to ourselves, as with recording off.
        delete clone;
        m_pBackupLink = this;
    }
}

void CKVFileInfo::ObjectFeedBack()
{
    CKVFileInfo* partner = static_cast<CKVFileInfo*>(GetCurBackupObj());
    if (!m_pDoc || !partner)
        return;
    // This member leaves the document: it keeps the document's present state
    // so that replaying the pair the other way brings it back.
    TakeFromDocument();
    SetCurrentFlag2BackupObj();
    m_pDoc->m_pFileInfo = partner;
    partner->GiveToDocument();
}
