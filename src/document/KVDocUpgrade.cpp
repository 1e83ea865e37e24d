// Bringing a score read from an older file up to the current format: older
// tremolo flags, and multibyte texts of the ANSI code page that the current
// format stores as UTF-16. A head that cannot be converted whole stays as
// it was.

#include "document/KVDoc.h"

#include "document/KvcLeadingPart.h"
#include "model/KVBlock.h"
#include "model/TextRuns.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVPage.h"
#include "model/KVStaff.h"
#include "model/KVSystem.h"
#include "platform/LittleEndian.h"

#include <climits>
#include <cstdint>
#include <unordered_set>
#include <vector>

namespace {

// The first versions with the current tremolo flags and with UTF-16 texts.
constexpr short kTremoloVersion = 8209;
constexpr short kUtf16Version = KVC_FILE_VERSION;

// The largest head a symbol holds.
constexpr size_t kMaxHead = 32767;
constexpr size_t kLyricHeader = 16;
constexpr int kLyricLengthByte = 12;
constexpr size_t kCustomHeader = 16;
constexpr size_t kStrokeRecord = 40;
constexpr size_t kPointRecord = 16;
constexpr size_t kTextPrimitiveWord = 4;
constexpr size_t kTextItemFixed = 108; // in front of the text length
constexpr WORD kTextRunPadding = 8;   // zero bytes after a converted run

using Bytes = std::vector<BYTE>;

void AppendU16(Bytes& out, WORD v)
{
    BYTE field[2];
    PutWord(field, v);
    out.insert(out.end(), field, field + 2);
}

void AppendU32(Bytes& out, DWORD v)
{
    BYTE field[4];
    PutDword(field, v);
    out.insert(out.end(), field, field + 4);
}

void AppendBytes(Bytes& out, const BYTE* p, size_t n)
{
    out.insert(out.end(), p, p + n);
}

// Text of the ANSI code page to UTF-16 units; false when it cannot be
// converted. Bytes the code page does not define become U+FFFD.
bool ToUtf16(const BYTE* text, size_t n, std::vector<WCHAR>& out)
{
    out.clear();
    if (n == 0)
        return true;
    if (n > static_cast<size_t>(INT_MAX))
        return false;
    const LPCSTR source = reinterpret_cast<LPCSTR>(text);
    const int units = MultiByteToWideChar(CP_ACP, 0, source, static_cast<int>(n), nullptr, 0);
    if (units <= 0)
        return false;
    out.resize(static_cast<size_t>(units));
    return MultiByteToWideChar(CP_ACP, 0, source, static_cast<int>(n), out.data(), units) == units;
}

void AppendUtf16(Bytes& out, const std::vector<WCHAR>& text)
{
    for (WCHAR c : text)
        AppendU16(out, static_cast<WORD>(c));
}

// The head of a symbol; false when it has none.
bool HeadOf(CKVMsg* msg, const BYTE*& head, size_t& length)
{
    unsigned char* bytes = nullptr;
    const short n = msg ? msg->GetHead(&bytes) : 0;
    if (!bytes || n <= 0)
        return false;
    head = bytes;
    length = static_cast<size_t>(n);
    return true;
}

bool ReplaceHead(CKVMsg* msg, Bytes& head)
{
    if (head.empty() || head.size() > kMaxHead)
        return false;
    return msg->SetHead(static_cast<short>(head.size()), head.data()) > 0;
}


bool ConvertTextRuns(const BYTE* head, size_t length, Bytes& out)
{
    size_t pos = 0;
    std::vector<WCHAR> wide;
    while (pos < length) {
        const BYTE tag = head[pos++];
        const int size = TextRunOperandSize(tag);
        if (size >= 0) {
            if (length - pos < static_cast<size_t>(size))
                return false;
            out.push_back(tag);
            AppendBytes(out, head + pos, static_cast<size_t>(size));
            pos += static_cast<size_t>(size);
            continue;
        }
        if (length - pos < 2)
            return false;
        const size_t n = static_cast<size_t>(GetWord(head + pos));
        pos += 2;
        if (length - pos < n)
            return false;
        // Line ends were CR LF; the current format breaks lines at a CR.
        Bytes text;
        for (size_t i = 0; i < n; ++i) {
            const BYTE c = head[pos + i];
            text.push_back(c);
            if (c == '\r' && i + 1 < n && head[pos + i + 1] == '\n')
                ++i;
        }
        pos += n;
        if (!ToUtf16(text.data(), text.size(), wide))
            return false;
        const size_t runLength = 2 * wide.size() + kTextRunPadding;
        if (runLength > 0xFFFF)
            return false;
        out.push_back(tag);
        AppendU16(out, static_cast<WORD>(runLength));
        AppendUtf16(out, wide);
        out.insert(out.end(), kTextRunPadding, 0);
    }
    return true;
}

bool ConvertLyricHead(const BYTE* head, size_t length, Bytes& out)
{
    if (length < kLyricHeader)
        return false;
    const size_t n = head[kLyricLengthByte];
    if (length - kLyricHeader < n)
        return false;
    std::vector<WCHAR> wide;
    if (!ToUtf16(head + kLyricHeader, n, wide))
        return false;
    AppendBytes(out, head, kLyricHeader);
    out[kLyricLengthByte] = static_cast<BYTE>(wide.size());
    AppendUtf16(out, wide);
    return true;
}

// A bounded reader over a custom-symbol block.
struct BlockCursor {
    const BYTE* data;
    size_t length;
    size_t pos = 0;

    bool Has(uint64_t n) const { return n <= length - pos; }
    bool ReadCount(LONG& value)
    {
        if (!Has(4))
            return false;
        value = static_cast<LONG>(GetDword(data + pos));
        pos += 4;
        return true;
    }
};

bool ConvertCustomBlock(const BYTE* head, size_t length, Bytes& out)
{
    BlockCursor in {head, length};
    if (!in.Has(kCustomHeader))
        return false;
    in.pos = kCustomHeader;
    LONG strokes = 0;
    if (!in.ReadCount(strokes))
        return false;
    if (strokes > 0) {
        if (!in.Has(static_cast<uint64_t>(strokes) * kStrokeRecord))
            return false;
        in.pos += static_cast<size_t>(strokes) * kStrokeRecord;
        LONG points = 0;
        if (!in.ReadCount(points) || points < 0 || !in.Has(static_cast<uint64_t>(points) * kPointRecord))
            return false;
        in.pos += static_cast<size_t>(points) * kPointRecord;
    }
    LONG primitives = 0;
    if (!in.ReadCount(primitives))
        return false;
    // Without text primitives there is no text to convert.
    if (primitives <= 0)
        return false;
    if (!in.Has(static_cast<uint64_t>(primitives) * kTextPrimitiveWord))
        return false;
    in.pos += static_cast<size_t>(primitives) * kTextPrimitiveWord;
    LONG items = 0;
    if (!in.ReadCount(items) || items < 0)
        return false;
    AppendBytes(out, head, in.pos);

    std::vector<WCHAR> wide;
    for (LONG i = 0; i < items; ++i) {
        if (!in.Has(kTextItemFixed + 4))
            return false;
        AppendBytes(out, head + in.pos, kTextItemFixed);
        in.pos += kTextItemFixed;
        const DWORD n = GetDword(head + in.pos);
        in.pos += 4;
        if (!in.Has(n) || !ToUtf16(head + in.pos, n, wide))
            return false;
        in.pos += n;
        AppendU32(out, static_cast<DWORD>(wide.size()));
        AppendUtf16(out, wide);
        if (out.size() > kMaxHead)
            return false;
    }
    // Images and any trailing bytes follow the texts unchanged.
    AppendBytes(out, head + in.pos, length - in.pos);
    return true;
}

bool IsText(const CKVMsg* msg)
{
    return msg->m_byKind == MSG_TEXT || msg->m_byKind == MSG_FREETEXT;
}

// Every symbol of the master system's map once, in map order.
std::vector<CKVMsg*> MapSymbols(CKVDoc& doc)
{
    std::vector<CKVMsg*> symbols;
    if (doc.m_arrSystem.GetSize() == 0 || !doc.m_arrSystem.GetAt(0))
        return symbols;
    CKVSystem* master = doc.m_arrSystem.GetAt(0);
    std::unordered_set<CKVMsg*> seen;
    for (int id = 1; id < master->m_arrMsgMap.GetSize(); ++id) {
        CKVMsg* msg = master->GetMsgFromMap(static_cast<DWORD>(id));
        if (msg && seen.insert(msg).second)
            symbols.push_back(msg);
    }
    return symbols;
}

std::vector<CKVMsg*> PageSymbols(CKVDoc& doc)
{
    std::vector<CKVMsg*> symbols;
    const short pages = doc.GetPageNum();
    for (short p = 0; p < pages; ++p) {
        CKVPage* page = doc.GetPage(p);
        for (short i = 0; page && i < page->GetMsgNum(); ++i) {
            if (CKVMsg* msg = page->GetMsg(i))
                symbols.push_back(msg);
        }
    }
    return symbols;
}

// The lyric children of a note or rest. References that no longer resolve
// are dropped on the way, as every access does.
std::vector<CKVMsg*> Lyrics(CKVMsg* note)
{
    std::vector<CKVMsg*> lyrics;
    for (short i = 0; i < note->GetMsgNum(); ++i) {
        const short before = note->GetMsgNum();
        CKVMsg* child = note->GetMsg(i);
        if (!child) {
            if (note->GetMsgNum() < before)
                --i;
            continue;
        }
        if (child->m_byKind == MSG_LYRIC)
            lyrics.push_back(child);
    }
    return lyrics;
}

void ConvertLyric(CKVMsg* lyric)
{
    const BYTE* head = nullptr;
    size_t length = 0;
    Bytes out;
    if (HeadOf(lyric, head, length) && ConvertLyricHead(head, length, out))
        ReplaceHead(lyric, out);
}

} // namespace

void CKVDoc::FileVerUp(short version)
{
    if (version < kTremoloVersion)
        EraseAllTremoloFlag();
    if (version >= kUtf16Version)
        return;

    ConvertImportedTexts();
    const std::vector<CKVMsg*> map = MapSymbols(*this);
    const std::vector<CKVMsg*> pageSymbols = PageSymbols(*this);
    // Custom symbols wherever they stand, so that no page keeps multibyte
    // text that the current format would read as UTF-16.
    for (CKVMsg* msg : map) {
        if (msg->m_byKind == MSG_CUSTOM)
            ConvertSymbolMsg(msg);
    }
    for (CKVMsg* msg : pageSymbols) {
        if (msg->m_byKind == MSG_CUSTOM)
            ConvertSymbolMsg(msg);
    }
}

void CKVDoc::ConvertImportedTexts()
{
    // A lyric shared by two notes is converted once.
    std::unordered_set<CKVMsg*> lyricsDone;
    for (CKVMsg* msg : MapSymbols(*this)) {
        if (IsText(msg)) {
            ConvertTextMsg(msg);
        } else if (msg->m_byKind == MSG_NOTE || msg->m_byKind == MSG_REST) {
            for (CKVMsg* lyric : Lyrics(msg)) {
                if (lyricsDone.insert(lyric).second)
                    ConvertLyric(lyric);
            }
        }
    }
    for (CKVMsg* msg : PageSymbols(*this)) {
        if (IsText(msg))
            ConvertTextMsg(msg);
    }
}

void CKVDoc::EraseAllTremoloFlag()
{
    for (CKVMsg* msg : MapSymbols(*this)) {
        if (msg->m_byKind == MSG_BEAM)
            msg->ResetBeamOffset();
        else if (msg->m_byKind == MSG_NOTE)
            msg->m_wFlag &= static_cast<WORD>(~(MSGFLAG_TREMOLO_START | MSGFLAG_TREMOLO_END));
    }
}

void CKVDoc::ConvertTextMsg(CKVMsg* msg)
{
    const BYTE* head = nullptr;
    size_t length = 0;
    if (!HeadOf(msg, head, length))
        return;
    Bytes out;
    if (ConvertTextRuns(head, length, out))
        ReplaceHead(msg, out);
}

void CKVDoc::ConvertLyricsMsg(CKVMsg* note)
{
    if (!note)
        return;
    std::unordered_set<CKVMsg*> done;
    for (CKVMsg* lyric : Lyrics(note)) {
        if (done.insert(lyric).second)
            ConvertLyric(lyric);
    }
}

void CKVDoc::ConvertSymbolMsg(CKVMsg* msg)
{
    const BYTE* head = nullptr;
    size_t length = 0;
    if (!HeadOf(msg, head, length))
        return;
    Bytes out;
    if (!ConvertCustomBlock(head, length, out) || !ReplaceHead(msg, out))
        return;
    // The block's writers keep its length in these two words as well.
    msg->m_wDuration = static_cast<WORD>(out.size());
    msg->m_wFlag = static_cast<WORD>(out.size());
}

void CKVDoc::ChangeMsgInfos()
{
    std::vector<CKVMsg*> symbols = MapSymbols(*this);
    const std::vector<CKVMsg*> pageSymbols = PageSymbols(*this);
    symbols.insert(symbols.end(), pageSymbols.begin(), pageSymbols.end());
    for (CKVMsg* msg : symbols) {
        if (IsText(msg) && HIBYTE(msg->m_wHeadType) != 1) {
            // The text box grows by 7 on every side.
            msg->m_nPosX = static_cast<short>(msg->m_nPosX - 7);
            msg->m_nPosY = static_cast<short>(msg->m_nPosY - 7);
            msg->m_nPosX2 = static_cast<short>(msg->m_nPosX2 + 14);
            msg->m_nPosY2 = static_cast<short>(msg->m_nPosY2 + 14);
        } else if (msg->m_byKind == MSG_NOTEMARK && msg->m_wHeadType == 16) {
            msg->m_nPosY = static_cast<short>(msg->m_nPosY - 3);
        }
    }
}

void CKVDoc::ChangeMeasInfos()
{
    const short pages = GetPageNum();
    for (short p = 0; p < pages; ++p) {
        CKVPage* page = GetPage(p);
        for (short b = 0; page && b < page->GetBlockNum(); ++b) {
            CKVBlock* block = page->GetBlock(b);
            for (short s = 0; block && s < block->GetStaffNum(); ++s) {
                CKVStaff* staff = block->GetStaff(s);
                for (LONG m = 0; staff && m < staff->GetMeasNum(); ++m) {
                    CKVMeas* meas = staff->GetMeas(m);
                    if (!meas)
                        continue;
                    if (meas->m_byStartBar == CKVMeas::BAR_THIN)
                        meas->m_byStartBar = CKVMeas::BAR_SINGLE;
                    if (meas->m_byStartBar == 5 && meas->m_byEndBar == CKVMeas::BAR_THIN)
                        meas->m_byEndBar = CKVMeas::BAR_SINGLE;
                }
            }
        }
    }
}
