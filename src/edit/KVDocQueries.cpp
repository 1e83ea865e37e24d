// Queries of the document: the block of a measure, staff connections, the
// title texts, the memory estimate, even measure widths, measure-length
// errors and whether the selection reaches a block that hides staves.

#include "document/KVDoc.h"

#include "document/SelRect.h"
#include "edit/BlockWalk.h"
#include "model/KVBackupPtrArray.h"
#include "model/KVBlock.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "model/MeasPlace.h"

#include <string>

CKVBlock* CKVDoc::GetBlockByMeas(CKVMeas* meas)
{
    if (!meas || !m_pPageArray)
        return nullptr;
    const int index = measplace::IndexOnStaff(measplace::StaffOf(*meas), meas);
    if (index < 0)
        return nullptr;
    // Only the measure range counts: a normal block shows every staff.
    for (short p = 0; p < GetPageNum(); ++p) {
        CKVPage* page = GetPage(p);
        if (!page)
            continue;
        for (int b = 0; b < page->m_arrBlock.GetSize(); ++b) {
            CKVBlock* block = page->m_arrBlock.GetAt(b);
            if (block && block->m_byKind == CKVBlock::KIND_NORMAL && index >= block->m_nFirstMeas &&
                index < block->m_nFirstMeas + block->m_nMeasCount)
                return block;
        }
    }
    return nullptr;
}

namespace {

// Whether a staff between two staves of a block breaks a group of the kinds
// in `mask`: it is neither in the group's middle nor at its end, or it opens
// a group of its own.
bool EndsGroup(const CKVStaff* staff, unsigned char mask)
{
    if (!staff)
        return true;
    const BYTE start = staff->m_byGroupBracket[0];
    const BYTE end = staff->m_byGroupBracket[1];
    const BYTE middle = staff->m_byGroupBracket[2];
    return (start & mask) || !((middle | end) & mask);
}

} // namespace

int CKVDoc::IsConnectStaffEnd(CKVBlock& block, int staff, unsigned char mask)
{
    const int count = block.GetStaffNum();
    if (staff < 0 || staff >= count - 1)
        return 1;
    CKVStaff* here = block.GetStaff(static_cast<short>(staff));
    if (!here || (here->m_byGroupBracket[1] & mask))
        return 1;
    CKVStaff* next = block.GetStaff(static_cast<short>(staff + 1));
    if (block.m_byKind == CKVBlock::KIND_OSSIA)
        return EndsGroup(next, mask) ? 1 : 0;

    // The staves of the system that the block leaves out between the two.
    CKVSystem* system = here->m_pSystem;
    const int from = here->GetIndexInSystem();
    if (!system || from < 0)
        return 0;
    const int to = next ? next->GetIndexInSystem() : -1;
    const int systemCount = system->GetStaffNum();
    for (int i = from + 1; i < systemCount; ++i) {
        if (i == to)
            return 0;
        if (EndsGroup(system->GetStaff(static_cast<short>(i)), mask))
            return 1;
    }
    return 0;
}

int CKVDoc::IsConnectStaff(CKVBlock& block, int staff, unsigned char mask)
{
    // The staff opening the group still open while walking down, or -1.
    int opener = -1;
    for (int k = 0; k < staff && k < block.GetStaffNum(); ++k) {
        if (opener >= 0) {
            if (IsConnectStaffEnd(block, k, mask))
                opener = -1;
            continue;
        }
        const CKVStaff* here = block.GetStaff(static_cast<short>(k));
        if (here && ((here->m_byGroupBracket[0] | here->m_byGroupBracket[2]) & mask))
            opener = k;
    }
    return opener >= 0 ? 1 : 0;
}

namespace {

// The title-block markers, in the bytes of the Japanese code page.
constexpr char kLyricistMarker[] = "\x8D\xEC\x8E\x8C";
constexpr char kComposerMarker[] = "\x8D\xEC\x8B\xC8";

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string WithoutChar(std::string text, char gone)
{
    std::erase(text, gone);
    return text;
}

// Takes the lyricist and the composer off one text of the title block.
void ReadCredits(std::string text, std::string& lyricist, std::string& composer)
{
    text = Trimmed(text);
    if (const size_t at = text.find(kLyricistMarker); at != std::string::npos) {
        text.erase(at, sizeof(kLyricistMarker) - 1);
        if (const size_t comma = text.find(','); comma != std::string::npos) {
            lyricist = WithoutChar(text.substr(0, comma), ' ');
            const size_t next = text.find_first_not_of(' ', comma + 1);
            text = next == std::string::npos ? std::string() : text.substr(next);
        } else if (const size_t cr = text.find('\r'); cr != std::string::npos) {
            lyricist = WithoutChar(text.substr(0, cr), ' ');
            text = text.substr(cr + 1);
        } else {
            lyricist = text;
        }
    }
    if (const size_t at = text.find(kComposerMarker); at != std::string::npos) {
        text.erase(at, sizeof(kComposerMarker) - 1);
        const size_t comma = text.find(',');
        composer = WithoutChar(comma == std::string::npos ? text : text.substr(comma + 1), ' ');
    }
}

} // namespace

CString CKVDoc::GetTittle(CString& lyricist, CString& composer)
{
    lyricist.Empty();
    composer.Empty();
    CKVPage* page = GetPageNum() > 0 ? GetPage(0) : nullptr;
    if (!page)
        return CString();
    std::string title;
    std::string foundLyricist;
    std::string foundComposer;
    int largest = -1;
    for (short i = 0; i < page->GetMsgNum(); ++i) {
        CKVMsg* msg = page->GetMsg(i);
        if (!msg)
            continue;
        CString text;
        const int size = msg->GetTextInfo(text);
        if (size < 0)
            continue;
        const std::string bytes(static_cast<const char*>(text));
        if (size > largest) {
            largest = size;
            title = bytes;
        }
        ReadCredits(bytes, foundLyricist, foundComposer);
    }
    // One found stands for both.
    if (foundLyricist.empty())
        foundLyricist = foundComposer;
    if (foundComposer.empty())
        foundComposer = foundLyricist;
    lyricist = WithoutChar(foundLyricist, '\r').c_str();
    composer = WithoutChar(foundComposer, '\r').c_str();
    return CString(title.c_str());
}

void CKVDoc::GetMemorySize(DWORD& total)
{
    total += 5024;
    total += 4 * static_cast<DWORD>(m_arrSystem.GetSize() + GetPageNum());
    for (short p = 0; p < GetPageNum(); ++p) {
        if (CKVPage* page = GetPage(p))
            page->GetMemorySize(total);
    }
    if (m_arrSystem.GetSize() > 0 && m_arrSystem.GetAt(0))
        m_arrSystem.GetAt(0)->GetMemorySize(total);
}

void CKVDoc::UniformMeasWidth()
{
    ResetBackup();
    ObjectBackup(1);
    blockwalk::AnyBlock(*this, [](CKVPage& page, short b) {
        CKVBlock* block = page.GetBlock(b);
        if (block->m_byKind != CKVBlock::KIND_NORMAL)
            return false;
        // Undo of a page keeps the boundaries it finds, so each block keeps
        // its own copy for the step; the block then live is spread.
        block->ObjectBackup(1);
        if (CKVBlock* live = page.GetBlock(b))
            live->InitMeasPos();
        return false;
    });
    m_bModified = 1;
}

int CKVDoc::FindError(int& staff, int& measure, int first, int last)
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    const int count = master ? master->GetMeasNum() : 0;
    const int staves = master ? master->GetStaffNum() : 0;
    first = first < 0 ? 0 : first;
    if (last < 0 || last >= count)
        last = count - 1;
    const long long ticks = master ? master->m_dwTicksPerQuarter : 0;
    for (int m = std::max(first, measure); m <= last; ++m) {
        for (int s = 0; s < staves; ++s) {
            if (m == measure && s <= staff)
                continue;
            CKVMeas* meas = master->GetMeas(static_cast<short>(s), static_cast<short>(m));
            // A measure without a time signature has no length to miss.
            if (!meas || meas->m_nTimeNum < 1 || meas->m_nTimeDen < 1)
                continue;
            const long long capacity = ticks * 4 * meas->m_nTimeNum / meas->m_nTimeDen;
            const long long content = meas->GetCurWholeCount();
            if (content == 0 || content == capacity)
                continue;
            staff = s;
            measure = m;
            return content < capacity ? -1 : -2;
        }
    }
    staff = -1;
    measure = -1;
    return 0;
}

int CKVDoc::IsStaffVisible()
{
    CKVSystem* master = m_arrSystem.GetSize() > 0 ? m_arrSystem.GetAt(0) : nullptr;
    const int staves = master ? master->GetStaffNum() : 0;
    if (!m_pSelRectArray || m_pSelRectArray->GetSize() == 0)
        return m_pCurBlock && m_pCurBlock->GetStaffNum() != staves ? 1 : 0;
    const bool hidden = blockwalk::AnyBlock(*this, [this, staves](CKVPage& page, short b) {
        CKVBlock* block = page.GetBlock(b);
        if (block->GetStaffNum() == staves)
            return false;
        for (int r = 0; r < m_pSelRectArray->GetSize(); ++r) {
            const SelRect* rec = static_cast<SelRect*>(m_pSelRectArray->GetAt(r));
            if (!rec || (rec->pPage && rec->pPage != &page))
                continue;
            bool reaches = false;
            if (rec->nKind == SelRect::kRect) {
                for (short k = 0; k < block->GetStaffNum() && !reaches; ++k) {
                    RECT area = rec->rect;
                    reaches = block->IsStaffSelected(block->GetStaff(k), &area) != 0;
                }
            } else if (rec->nKind == SelRect::kBlockStaff) {
                reaches = rec->pBlock == block;
            } else if (rec->nKind == SelRect::kStaff) {
                reaches = true;
            }
            if (reaches)
                return true;
        }
        return false;
    });
    return hidden ? 1 : 0;
}

namespace {

// Edit mode in which the host's buttons decide which handles may be taken.
constexpr DWORD kButtonEditMode = 2;
constexpr WORD kNoteEditGroup = 2;

bool TakesButtonRules(BYTE kind)
{
    return kind == MSG_REST || kind == MSG_NOTE || kind == MSG_BEAM || kind == MSG_TREMOLO;
}

} // namespace

int CKVDoc::IsCtrlPoint(CPoint point)
{
    CKVPage* page = PageAtIndex();
    if (!page)
        return 0;
    const POINT rel {point.x - page->m_rcPrint.left, point.y - page->m_rcPrint.top};
    const BYTE voice = static_cast<BYTE>(m_CtrlTool.m_wActiveVoice);

    if (CKVMsg* msg = GetCtrlPointedMsg(rel, voice, 0, POINT {0, 0})) {
        if (voice != 0 && msg->m_pParent && msg->m_byVoice != voice)
            return 0;
        if (msg->m_cPointedCtrl >= msg->m_arrCtrlPoint.GetSize())
            return 0;
        if (TakesButtonRules(msg->m_byKind)) {
            if (m_dwEditMode != kButtonEditMode)
                return 1;
            const WORD button = CKVCtrlTool::m_wEditPushButtonID;
            if (CKVCtrlTool::m_wEditCtrlGroupID != kNoteEditGroup || button == 28 || button == 29)
                return 0;
            if (msg->m_byKind == MSG_REST)
                return button > 8 ? 1 : 0;
            return msg->m_cPointedCtrl == 1 || button < 18 ? 1 : 0;
        }
    }

    short index = -1;
    if (GetCtrlStaffName(point, &index))
        return 1;
    int result = 0;
    short ending = -1;
    if (GetCtrlPointedEnding(rel, &ending, 0) && ending >= 0 && ending <= 3)
        result = 1;
    if (GetCtrlPointedStaff(rel, &index, 0) || GetCtrlPointedMeas(rel, &index, 0, nullptr))
        return 1;
    CKVBlock* block = nullptr;
    if (GetSelStaff(rel, block))
        return 1;
    return result;
}
