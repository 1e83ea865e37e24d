// The title block of an Encore score as page texts (title lines on the first
// page, copyright lines at the foot of pages), the document's header and
// footer, and the names of instruments of several staves centred on them.

#include "document/KVDoc.h"
#include "import/EncDoc.h"
#include "model/KVBlock.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"

#include <cstring>
#include <vector>

namespace {

// Title block: the copyright items start over the fifteenth title item.
constexpr int kCopyrightItems = 1344;
constexpr int kCopyrightCount = 6;
constexpr int kTitleBuffer = 1024;
constexpr int kCopyrightBuffer = 2048;

// Title items by group.
constexpr int kCentred = 0;
constexpr int kLeft = 3;
constexpr int kRight = 6;
constexpr int kHeader = 10;
constexpr int kFooter = 12;

// The title-block messages that hold the footer and the header.
constexpr int kFooterMsg = 0;
constexpr int kHeaderMsg = 1;

constexpr int kHeaderRecord = 12;

void PutWord(char*& out, int value)
{
    *out++ = static_cast<char>(value & 0xFF);
    *out++ = static_cast<char>((value >> 8) & 0xFF);
}

WORD FontNumberOf(const CEncDoc* enc, int index)
{
    return enc && index < enc->m_arrFontNumber.GetSize() ? enc->m_arrFontNumber[index] : 0;
}

// The length of an item's text, at most `limit` bytes.
template <int SIZE, int LIMIT>
size_t TextLength(const EncTitleItem<SIZE, LIMIT>& item)
{
    return strnlen(reinterpret_cast<const char*>(item.m_byData + 32), LIMIT);
}

template <int SIZE, int LIMIT>
int MakeTextOf(const CEncDoc* enc, const EncTitleItem<SIZE, LIMIT>* items, int count, char* out, int* width,
               int* height)
{
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    if (!items || !out)
        return 0;
    char* at = out;
    for (int i = 0; i < count; ++i) {
        const EncTitleItem<SIZE, LIMIT>& item = items[i];
        const size_t n = TextLength(item);
        if (n == 0)
            continue;
        *at++ = 1;
        PutWord(at, 1);
        *at++ = 2;
        PutWord(at, FontNumberOf(enc, item.wFontNo()));
        *at++ = 3;
        *at++ = static_cast<char>(item.wStyle() & 0xFF);
        *at++ = 4;
        PutWord(at, item.wFontHt());
        *at++ = 5;
        std::memset(at, 0, 4);
        at += 4;
        *at++ = 7;
        std::memset(at, 0, 4);
        at += 4;
        *at++ = 9;
        PutWord(at, 0);
        *at++ = 6;
        PutWord(at, static_cast<int>(n + 2));
        std::memcpy(at, item.m_byData + 32, n);
        at += n;
        *at++ = '\r';
        *at++ = '\n';
    }
    return static_cast<int>(at - out);
}

const ENC_SUBTITTLE* TitleItems(const CEncDoc* enc, int first)
{
    return reinterpret_cast<const ENC_SUBTITTLE*>(enc->m_byTitle + sizeof(ENC_SUBTITTLE) * first);
}

// The page text that the title and copyright lines are made into.
void InitPageText(CKVMsg& msg, WORD headWord)
{
    msg.m_byKind = MSG_FREETEXT;
    msg.m_crColor = 0;
    msg.m_byVoice = 1;
    msg.m_wHeadType = headWord;
    msg.m_wDuration = 1;
    msg.m_byParentKind = CKVPage::PARENT_KIND_PAGE;
    msg.MakeMsgCtrlPoint();
}

// The 12-byte header and footer record of one item, then its text.
void PutHeaderItem(const CEncDoc* enc, const ENC_SUBTITTLE& item, std::vector<BYTE>& out)
{
    const size_t n = TextLength(item);
    const short align = static_cast<short>(item.wWord16());
    const short first = static_cast<short>(item.wWord22());
    const WORD number = static_cast<WORD>(item.wWord24() + 1);
    const WORD font = FontNumberOf(enc, item.wFontNo());
    // An alignment other than left, centre or right is taken as left.
    const BYTE place = align == 0 ? 1 : align == 1 ? 2 : 0;
    const BYTE record[kHeaderRecord] = {
        static_cast<BYTE>(font & 0xFF),
        static_cast<BYTE>(font >> 8),
        static_cast<BYTE>(item.wFontHt() & 0xFF),
        static_cast<BYTE>(item.wStyle() & 0xFF),
        place,
        item.byByte21(),
        static_cast<BYTE>(first < 0 ? 0 : first & 0xFF),
        static_cast<BYTE>(first < 0 ? 0 : (first >> 8) & 0xFF),
        static_cast<BYTE>(number & 0xFF),
        static_cast<BYTE>(number >> 8),
        static_cast<BYTE>(n & 0xFF),
        static_cast<BYTE>(n >> 8),
    };
    out.insert(out.end(), record, record + kHeaderRecord);
    out.insert(out.end(), item.m_byData + 32, item.m_byData + 32 + n);
}

// The head of a header or footer message from its two items.
void SetHeaderFooter(const CEncDoc* enc, CKVMsg* msg, const ENC_SUBTITTLE* items)
{
    if (!enc || !msg)
        return;
    if (TextLength(items[0]) == 0 && TextLength(items[1]) == 0)
        return;
    std::vector<BYTE> head;
    head.reserve(2 * kHeaderRecord + 128);
    PutHeaderItem(enc, items[0], head);
    PutHeaderItem(enc, items[1], head);
    msg->SetHead(static_cast<short>(head.size()), head.data());
}

} // namespace

int CKVDoc::EncToKVC_MakeText(CEncDoc* enc, ENC_SUBTITTLE* items, int count, char* out, int* width, int* height)
{
    return MakeTextOf(enc, items, count, out, width, height);
}

int CKVDoc::EncToKVC_MakeText(CEncDoc* enc, ENC_COPYRIGHT* items, int count, char* out, int* width, int* height)
{
    return MakeTextOf(enc, items, count, out, width, height);
}

void CKVDoc::EncToKVC_Title(CDialog*, CEncDoc* enc)
{
    if (!enc || GetPageNum() < 1)
        return;
    CKVPage* page = GetPage(0);
    const int printWidth = page->m_rcPrint.Width();
    CKVMsg msg;
    InitPageText(msg, 256);
    char buffer[kTitleBuffer];
    int w = 0;
    int h = 0;
    auto group = [&](int first, int count) {
        auto* items = const_cast<ENC_SUBTITTLE*>(TitleItems(enc, first));
        const int n = EncToKVC_MakeText(enc, items, count, buffer, &w, &h);
        return n > 0 && msg.SetHead(static_cast<short>(n), reinterpret_cast<unsigned char*>(buffer)) == n;
    };
    int row = 0;
    if (group(kCentred, 3)) {
        msg.m_nPosX = static_cast<short>((printWidth - w) / 2);
        msg.m_nPosY = 0;
        msg.m_nPosX2 = static_cast<short>(w);
        msg.m_nPosY2 = static_cast<short>(h);
        row = h;
        AddMsg(page, &msg, 0, 0);
    }
    row += 2 * m_nStaffSpace;
    if (group(kLeft, 3)) {
        msg.m_nPosX = 0;
        msg.m_nPosY = static_cast<short>(row);
        msg.m_nPosX2 = static_cast<short>(w);
        msg.m_nPosY2 = static_cast<short>(h);
        AddMsg(page, &msg, 0, 0);
    }
    if (group(kRight, 4)) {
        msg.m_nPosX = static_cast<short>(printWidth - w);
        msg.m_nPosY = static_cast<short>(row);
        msg.m_nPosX2 = static_cast<short>(w);
        msg.m_nPosY2 = static_cast<short>(h);
        AddMsg(page, &msg, 0, 0);
    }
}

void CKVDoc::EncToKVC_Header(CDialog*, CEncDoc* enc)
{
    if (enc)
        SetHeaderFooter(enc, m_pTitleMsg[kHeaderMsg], TitleItems(enc, kHeader));
}

void CKVDoc::EncToKVC_Footer(CDialog*, CEncDoc* enc)
{
    if (enc)
        SetHeaderFooter(enc, m_pTitleMsg[kFooterMsg], TitleItems(enc, kFooter));
}

void CKVDoc::EncToKVC_Copyright(CDialog*, CEncDoc* enc)
{
    if (!enc || GetPageNum() < 1)
        return;
    auto* items = reinterpret_cast<ENC_COPYRIGHT*>(enc->m_byTitle + kCopyrightItems);
    static_assert(kCopyrightItems + kCopyrightCount * sizeof(ENC_COPYRIGHT) <= sizeof(CEncDoc::m_byTitle));
    char buffer[kCopyrightBuffer];
    int w = 0;
    int h = 0;
    const int n = EncToKVC_MakeText(enc, items, kCopyrightCount, buffer, &w, &h);
    if (n <= 0)
        return;
    CKVMsg msg;
    InitPageText(msg, 0);
    if (msg.SetHead(static_cast<short>(n), reinterpret_cast<unsigned char*>(buffer)) != n)
        return;
    const int printWidth = GetPage(0)->m_rcPrint.Width();
    const short align = static_cast<short>(items[0].wWord16());
    int x = 0;
    if (align == 0)
        x = (printWidth - w) / 2;
    else if (align == 1)
        x = printWidth - w;
    // Counted in 32 bits, so a step of 0xFFFF ends the walk.
    const int step = 1 + items[0].wWord24();
    int p = static_cast<short>(items[0].wWord22());
    if (p < 0)
        p = 0;
    for (; p < GetPageNum(); p += step) {
        CKVPage* page = GetPage(static_cast<short>(p));
        if (!page)
            continue;
        msg.m_nPosX = static_cast<short>(x);
        msg.m_nPosY = static_cast<short>(page->m_rcPrint.Height() - h);
        msg.m_nPosX2 = static_cast<short>(w);
        msg.m_nPosY2 = static_cast<short>(h);
        AddMsg(page, &msg, 0, 0);
    }
}

void CKVDoc::EncToKVC_StaffNamePos_Correction(CEncDoc* enc)
{
    if (!enc || GetPageNum() < 1 || m_arrSystem.GetSize() < 1)
        return;
    CKVPage* page = GetPage(0);
    if (!page || page->GetBlockNum() < 1)
        return;
    CKVBlock* block = page->GetBlock(0);
    CKVSystem* master = m_arrSystem.GetAt(0);
    auto indexInBlock = [&](int staffIndex) {
        CKVStaff* staff = master->GetStaff(static_cast<short>(staffIndex));
        for (short b = 0; staff && b < block->GetStaffNum(); ++b) {
            if (block->GetStaff(b) == staff)
                return static_cast<int>(b);
        }
        return -1;
    };
    int first = 0;
    for (int t = 0; t < enc->m_arrTrack.GetSize(); ++t) {
        const int staves = enc->m_arrTrack[t]->byStaffNum();
        if (staves > 1) {
            const int top = indexInBlock(first);
            const int bottom = indexInBlock(first + staves - 1);
            if (top >= 0 && bottom >= 0 && top < block->m_arrStaffNamePoint.GetSize() &&
                top < block->m_arrStaffY.GetSize() && bottom < block->m_arrStaffY.GetSize()) {
                if (POINT* point = block->m_arrStaffNamePoint[top])
                    point->y += (block->m_arrStaffY[bottom] - block->m_arrStaffY[top]) / 2;
            }
        }
        first += staves;
    }
}
