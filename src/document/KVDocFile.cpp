// The score file: the leading part in front of the settings, and the
// document body (master system, font metrics, titles and pages) that Save
// writes, Load reads and ImportKVC merges into an open score.

#include "document/KVDoc.h"

#include "MemoryGuard.h"
#include "document/KVFileInfo.h"
#include "document/KvcLeadingPart.h"
#include "document/OssiaReach.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/NewObject.h"
#include "model/TextRuns.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr DWORD kHostBlockSize = 1420;
constexpr DWORD kKvcBlockSize = 792;
constexpr int kKvcVersionOffset = 786;
constexpr int kKvcExtraOffset = 788;
constexpr int kHostMagicOffset = 4;
constexpr int kHostVersionOffset = 8;
// Page count and the four font metrics in front of the titles.
constexpr DWORD kMetricBytes = 10;
// The body buffer's room before the titles' heads are added.
constexpr size_t kBodyBufferBase = 46;
// Below these the layout would divide by zero.
constexpr short kMinStaffSpace = 2;
constexpr short kMinFontHeight = 8;



void PutU16(BYTE* p, WORD v)
{
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}

void PutU32(BYTE* p, DWORD v)
{
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
    p[2] = static_cast<BYTE>(v >> 16);
    p[3] = static_cast<BYTE>(v >> 24);
}

bool ReadExactly(CFile* file, void* buffer, UINT count)
{
    return file->Read(buffer, count) == count;
}

// Reads and drops `count` bytes; false when the file ends first.
bool SkipBytes(CFile* file, DWORD count)
{
    BYTE chunk[4096];
    while (count > 0) {
        const UINT step = count < sizeof chunk ? count : static_cast<UINT>(sizeof chunk);
        if (!ReadExactly(file, chunk, step))
            return false;
        count -= step;
    }
    return true;
}

DWORD BytesLeft(CFile* file)
{
    const DWORD length = file->GetLength();
    const DWORD position = file->GetPosition();
    return length > position ? length - position : 0;
}

void WriteU32(CFile* file, DWORD value)
{
    BYTE bytes[4];
    PutU32(bytes, value);
    file->Write(bytes, 4);
}

int ReadLeadingPart(CFile* file, WORD& version, BOOL& hostBlock)
{
    const DWORD start = file->GetPosition();
    hostBlock = FALSE;

    BYTE word[4];
    if (!ReadExactly(file, word, 4))
        return KVC_LEADING_UNREADABLE;
    bool rewind = true;
    if (GetDword(word) == kHostBlockSize) {
        std::vector<BYTE> block(kHostBlockSize);
        if (!ReadExactly(file, block.data(), kHostBlockSize))
            return KVC_LEADING_UNREADABLE;
        if (std::memcmp(block.data() + kHostMagicOffset, "SYMP", 4) == 0) {
            const short hostVersion = static_cast<short>(GetWord(block.data() + kHostVersionOffset));
            if (hostVersion > static_cast<short>(KVC_FILE_VERSION))
                return KVC_LEADING_NEWER;
            BYTE count[2];
            if (!ReadExactly(file, count, 2))
                return KVC_LEADING_UNREADABLE;
            // The follow-up record is skipped only for a length above 1.
            const short n = static_cast<short>(GetWord(count));
            if (n > 1 && !SkipBytes(file, static_cast<DWORD>(n)))
                return KVC_LEADING_UNREADABLE;
            hostBlock = TRUE;
            rewind = false;
        }
    }
    if (rewind)
        file->Seek(static_cast<LONG>(start), CFile::begin);

    std::vector<BYTE> block(kKvcBlockSize);
    if (!ReadExactly(file, block.data(), kKvcBlockSize))
        return KVC_LEADING_UNREADABLE;
    if (std::memcmp(block.data(), "KVC", 4) != 0)
        return KVC_LEADING_UNREADABLE;
    const WORD kvcVersion = GetWord(block.data() + kKvcVersionOffset);
    if (kvcVersion > KVC_FILE_VERSION)
        return KVC_LEADING_NEWER;
    const DWORD extra = GetDword(block.data() + kKvcExtraOffset);
    if (extra != 0 && !SkipBytes(file, extra))
        return KVC_LEADING_UNREADABLE;
    version = kvcVersion;
    return KVC_LEADING_READ;
}

short SaveBody(CKVDoc& doc, CFile* file, unsigned char*& buffer)
{
    CKVSystem* master = doc.m_arrSystem.GetAt(0);
    const DWORD start = file->GetPosition();
    WriteU32(file, 0);
    DWORD length = 0;
    if (!master->Write(file, length))
        return -1;

    size_t room = kBodyBufferBase;
    for (CKVMsg* title : doc.m_pTitleMsg) {
        if (title && title->m_pHead)
            room += title->m_wHeadLen;
    }
    buffer = static_cast<unsigned char*>(std::malloc(room));
    if (!buffer) {
        ReportOutOfMemory(1);
        return -1;
    }
    std::memset(buffer, 0, room);
    DWORD capacity = static_cast<DWORD>(room);
    PutU16(buffer, static_cast<WORD>(doc.GetPageNum()));
    PutU16(buffer + 2, static_cast<WORD>(doc.m_nStaffSpace));
    PutU16(buffer + 4, static_cast<WORD>(doc.m_nScoreFontSize));
    PutU16(buffer + 6, static_cast<WORD>(doc.m_nFontHeight));
    PutU16(buffer + 8, static_cast<WORD>(doc.m_nFontHeight78));
    DWORD used = kMetricBytes;
    for (CKVMsg* title : doc.m_pTitleMsg) {
        // A title that cannot be written would leave a body that no reader
        // gets past.
        if (!title || !title->Write(buffer, &used, &capacity))
            return -1;
    }
    length += used;
    file->Write(buffer, used);
    std::memset(buffer, 0, capacity);
    used = 0;

    const short pages = doc.GetPageNum();
    for (short i = 0; i < pages; ++i) {
        CKVPage* page = doc.GetPage(i);
        if (!page || !page->Write(buffer, &used, &capacity))
            return -1;
        length += used;
        file->Write(buffer, used);
        std::memset(buffer, 0, capacity);
        used = 0;
    }

    WriteU32(file, length);
    const DWORD end = file->GetPosition();
    file->Seek(static_cast<LONG>(start), CFile::begin);
    WriteU32(file, length);
    file->Seek(static_cast<LONG>(end), CFile::begin);
    return 1;
}

// The third title with a head becomes a free text on the first page.
void MoveThirdTitleToPage(CKVDoc& doc)
{
    CKVMsg* title = doc.m_pTitleMsg[2];
    if (!title || !title->m_pHead || title->m_wHeadLen == 0 || doc.GetPageNum() == 0)
        return;
    title->m_byKind = MSG_FREETEXT;
    // The move is part of reading, not an edit to undo.
    const BOOL record = doc.m_bBackupRecord;
    doc.m_bBackupRecord = 0;
    void* const pageLink = title->m_pPage;
    const BYTE parentKind = title->m_byParentKind;
    doc.AddMsg(doc.GetPage(0), title, 1, kWithBackup);
    // The title keeps its page-level mark rather than a pointer to a page
    // that it does not belong to.
    title->m_pPage = pageLink;
    title->m_byParentKind = parentKind;
    doc.m_bBackupRecord = record;
    title->SetHead(0, nullptr);
}

short LoadBody(CKVDoc& doc, CFile* file, unsigned char*& body)
{
    doc.SetLoadPosInfo(-1);

    BYTE word[4];
    if (!ReadExactly(file, word, 4))
        return -1;
    DWORD length = GetDword(word);
    // A body longer than the file is cut short; nothing is allocated for it.
    if (length > BytesLeft(file))
        return -1;
    const uint64_t need = static_cast<uint64_t>(length) * 3 / 2;
    if (need > static_cast<uint64_t>(INT_MAX)) {
        ReportOutOfMemory(1);
        return -1;
    }
    if (!CheckAvailableMemory(static_cast<int>(need)))
        return -1;

    body = static_cast<unsigned char*>(std::malloc(length > 0 ? length : 1));
    if (!body) {
        ReportOutOfMemory(1);
        return -1;
    }
    if (length > 0 && !ReadExactly(file, body, length))
        return -1;
    doc.m_dwLoadLength = length;
    doc.m_dwLoadPos = 0;

    CKVSystem* system = KvNewReported<CKVSystem>();
    if (!system)
        return -1;
    system->m_pDoc = &doc;
    system->Initialize(system, OBJ_SYSTEM);
    doc.m_arrSystem.Add(system);
    DWORD pos = 0;
    if (!system->Read(body, &pos, &length, 0))
        return -1;

    if (pos > length || length - pos < kMetricBytes)
        return -1;
    const short pages = static_cast<short>(GetWord(body + pos));
    const short staffSpace = static_cast<short>(GetWord(body + pos + 2));
    const short scoreFontSize = static_cast<short>(GetWord(body + pos + 4));
    const short fontHeight = static_cast<short>(GetWord(body + pos + 6));
    const short fontHeight78 = static_cast<short>(GetWord(body + pos + 8));
    pos += kMetricBytes;
    if (staffSpace < kMinStaffSpace || fontHeight < kMinFontHeight) {
        doc.SetScoreFontSize(static_cast<short>(doc.m_CtrlTool.m_wScoreFontSize));
    } else {
        doc.m_nStaffSpace = staffSpace;
        doc.m_nScoreFontSize = scoreFontSize;
        doc.m_nFontHeight = fontHeight;
        doc.m_nFontHeight78 = fontHeight78;
    }

    for (CKVMsg* title : doc.m_pTitleMsg) {
        if (!title)
            return -1;
        title->Initialize(nullptr, OBJ_MSG);
        // The page-level mark gives the title its control handles.
        title->m_pPage = reinterpret_cast<void*>(std::uintptr_t {1});
        if (!title->Read(body, &pos, &length))
            return -1;
    }

    for (short i = 0; i < pages; ++i) {
        CKVPage* page = KvNewReported<CKVPage>();
        if (!page)
            return -1;
        page->m_pDoc = &doc;
        page->Create(doc.m_pFileInfo);
        doc.AddPage(page);
        // A damaged page ends the pages; those read so far are kept.
        if (!page->Read(body, &pos, &length, &doc))
            break;
    }
    std::free(body);
    body = nullptr;

    MoveThirdTitleToPage(doc);

    doc.m_nCurPage = 0;
    doc.m_nCurBlock = 0;
    doc.m_nCurSystem = 0;
    doc.m_nCurStaff = 0;
    doc.m_nCurMeas = 0;
    doc.m_nCaretMeasNum = 1;
    doc.m_pCurPage = doc.GetPage(0);
    doc.m_pCurBlock = doc.m_pCurPage ? doc.m_pCurPage->GetBlock(0) : nullptr;
    doc.m_pCurSystem = system;
    doc.m_pCurStaff = doc.m_pCurBlock ? doc.m_pCurBlock->GetStaff(0) : nullptr;
    doc.m_pCurMeas = doc.m_pCurStaff ? doc.m_pCurStaff->GetMeas(doc.m_pCurBlock->m_nFirstMeas) : nullptr;

    nCurStaffSpace = doc.m_nStaffSpace;
    doc.SetLoadPosInfo(101);
    doc.m_bModified = 0;
    doc.m_bSpacingApplied = 1;
    if (doc.m_pCtrlToolMirror)
        *doc.m_pCtrlToolMirror = doc.m_CtrlTool;
    return 0;
}


// Renumbers the fonts of a merged free text's tag-2 runs: the merged file's
// numbers are shifted past this document's fonts, then looked up in the
// font map. A run list that passes the end of the head stays as it is.
void RenumberTextFonts(CKVMsg* msg, const BYTE* fontMap, int pairs, int fontCount)
{
    unsigned char* head = nullptr;
    const int length = msg->GetHead(&head);
    if (!head || length <= 0)
        return;
    std::vector<int> fontRuns;
    int pos = 0;
    while (pos < length) {
        const BYTE tag = head[pos++];
        int size = TextRunOperandSize(tag);
        if (size < 0) {
            if (length - pos < 2)
                return;
            size = 2 + GetWord(head + pos);
        }
        if (length - pos < size)
            return;
        if (tag == 2)
            fontRuns.push_back(pos);
        pos += size;
    }
    const int searched = fontMap ? (pairs < fontCount ? pairs : fontCount) : 0;
    for (int at : fontRuns) {
        const WORD shifted = static_cast<WORD>(GetWord(head + at) + fontCount - pairs);
        const BYTE wanted = static_cast<BYTE>(shifted);
        WORD mapped = 0;
        for (int i = 0; i < searched; ++i) {
            if (fontMap[2 * i] == wanted) {
                mapped = fontMap[2 * i + 1];
                break;
            }
        }
        PutU16(head + at, mapped);
    }
}

// Index of a staff in a list; -1 when it is not there.
int IndexIn(CKVStaffPtrArray* list, CKVStaff* staff)
{
    for (int i = 0; list && i < list->GetSize(); ++i) {
        if (list->GetAt(i) == staff)
            return i;
    }
    return -1;
}

// Points entry i of a block's staves at another staff.
void RebindBlockStaff(CKVBlock* block, int i, CKVStaff* staff)
{
    block->m_pStaffArray->SetAt(i, staff);
    if (i < block->m_arrStaffEntry.GetSize()) {
        if (BlockStaffEntry* entry = block->m_arrStaffEntry.GetAt(i))
            entry->pStaff = staff;
    }
}

} // namespace

int ReadKvcLeadingPart(CFile* file, WORD& version, BOOL* hostBlock)
{
    if (!file)
        return KVC_LEADING_UNREADABLE;
    BOOL host = FALSE;
    int result = KVC_LEADING_UNREADABLE;
    try {
        result = ReadLeadingPart(file, version, host);
    } catch (const CFileException&) {
        result = KVC_LEADING_UNREADABLE;
    }
    if (hostBlock)
        *hostBlock = host;
    return result;
}

short CKVDoc::Save(CFile* file)
{
    if (!file || m_arrSystem.GetSize() == 0 || !m_arrSystem.GetAt(0))
        return -1;
    unsigned char* buffer = nullptr;
    short result = -1;
    // A failing write leaves the score unsaved; the exception stops here.
    try {
        result = SaveBody(*this, file, buffer);
    } catch (const CFileException&) {
        result = -1;
    }
    std::free(buffer);
    if (result == 1)
        m_bModified = 0;
    return result;
}

short CKVDoc::Load(CFile* file, int)
{
    if (!file)
        return -1;
    unsigned char* body = nullptr;
    short result = -1;
    try {
        result = LoadBody(*this, file, body);
    } catch (const CFileException&) {
        result = -1;
    }
    std::free(body);
    return result;
}

short CKVDoc::ImportKVC(CFile* file, unsigned char* fontMap, unsigned char pairCount, short version)
{
    if (!file || m_arrSystem.GetSize() == 0 || !m_arrSystem.GetAt(0))
        return 0;
    CKVSystem* master = m_arrSystem.GetAt(0);

    CKVDoc* other = KvNewReported<CKVDoc>();
    if (!other)
        return 0;
    short read = -1;
    try {
        if (other->m_pFileInfo->Read(file) != 0)
            read = other->Load(file, 3);
    } catch (const CFileException&) {
        read = -1;
    }
    // A body that failed part-way is not merged at all.
    CKVSystem* otherMaster = other->m_arrSystem.GetSize() > 0 ? other->m_arrSystem.GetAt(0) : nullptr;
    if (read != 0 || !otherMaster || master->IsEmptySystem() || otherMaster->IsEmptySystem()) {
        delete other;
        return 0;
    }
    const LONG measures = master->GetMeasNum();

    other->FileVerUp(version);

    // Ossia blocks name the merged file's ossia staves by their index there;
    // those staves join this system after its own ossia staves.
    const int ossiaBase = master->m_pOssiaStaffArray ? master->m_pOssiaStaffArray->GetSize() : 0;
    std::vector<std::vector<int>> ossiaIndex;
    const short pages = other->GetPageNum();
    for (short p = 0; p < pages; ++p) {
        CKVPage* page = other->GetPage(p);
        for (int b = 0; page && b < page->m_arrOssiaBlock.GetSize(); ++b) {
            CKVBlock* block = page->m_arrOssiaBlock.GetAt(b);
            std::vector<int> indices;
            for (short s = 0; block && s < block->GetStaffNum(); ++s)
                indices.push_back(IndexIn(otherMaster->m_pOssiaStaffArray, block->GetStaff(s)));
            ossiaIndex.push_back(indices);
        }
    }

    // A merge that would show more ossia staves than a block can name is
    // refused, as the score could no longer be saved.
    if (ossiareach::Overflows(*this, static_cast<long long>(ossiareach::ShownOssiaStaves(*other).size()), nullptr)) {
        delete other;
        return 0;
    }

    master->Import(otherMaster, fontMap, pairCount);
    // Import moves nothing when it cannot give both systems the same staves.
    if (master->GetStaffNum() != otherMaster->GetStaffNum()) {
        delete other;
        return 0;
    }

    const int fontCount = m_FontDatas.GetFontCount();
    size_t ossiaBlock = 0;
    for (short p = 0; p < pages; ++p) {
        CKVPage* page = other->GetPage(p);
        if (!page)
            continue;
        page->m_pDoc = this;
        for (int b = 0; b < page->m_arrBlock.GetSize(); ++b) {
            CKVBlock* block = page->m_arrBlock.GetAt(b);
            if (!block)
                continue;
            block->m_pSystem = master;
            for (short s = 0; s < block->GetStaffNum(); ++s) {
                const int index = IndexIn(otherMaster->m_pStaffArray, block->GetStaff(s));
                RebindBlockStaff(block, s, master->GetStaff(static_cast<short>(index)));
            }
            block->m_nFirstMeas = static_cast<short>(block->m_nFirstMeas + measures);
        }
        for (int b = 0; b < page->m_arrOssiaBlock.GetSize(); ++b, ++ossiaBlock) {
            CKVBlock* block = page->m_arrOssiaBlock.GetAt(b);
            if (!block)
                continue;
            block->m_pSystem = master;
            const std::vector<int>& indices = ossiaIndex[ossiaBlock];
            for (short s = 0; s < block->GetStaffNum() && s < static_cast<short>(indices.size()); ++s) {
                const int index = indices[static_cast<size_t>(s)];
                CKVStaff* staff = index < 0 ? nullptr : master->GetOssiaStaff(static_cast<short>(ossiaBase + index));
                RebindBlockStaff(block, s, staff);
            }
        }
        for (short m = 0; m < page->GetMsgNum(); ++m) {
            CKVMsg* msg = page->GetMsg(m);
            if (msg && msg->m_byKind == MSG_FREETEXT)
                RenumberTextFonts(msg, fontMap, pairCount, fontCount);
        }
    }

    // The measures belong to this score now.
    for (short s = 0; s < otherMaster->GetStaffNum(); ++s) {
        if (CKVStaff* staff = otherMaster->GetStaff(s))
            staff->m_arrMeas.RemoveAll();
    }
    for (short p = 0; p < pages; ++p) {
        if (CKVPage* page = other->GetPage(p))
            m_pPageArray->Add(page);
    }
    other->m_pPageArray->RemoveAll();
    delete other;
    // The merged ossia staves join after this score's own, those that its
    // emptied ossias left too.
    ossiareach::MakeRoom(*this, *master);
    m_bModified = 1;
    return 1;
}
