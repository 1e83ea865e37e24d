// Encore measure texts, lyric syllables, chord symbols and tempo marks become
// texts, lyrics, chord symbols and tempo marks of the native measure.

#include "document/KVDoc.h"
#include "harmony/ChordSymbol.h"
#include "import/EncConvert.h"
#include "import/EncDoc.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "model/KVSystem.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Data bytes each form needs.
constexpr DWORD kBoxData = 24;
constexpr DWORD kLyricData = 11;
constexpr DWORD kChordData = 4;
constexpr DWORD kTempoData = 27;

constexpr int kLyricText = 10;
constexpr int kLyricHeadSize = 16;
constexpr size_t kMaxSyllable = 255;
constexpr int kVerses = 8;
constexpr WORD kNoTime = 0xFFFF;
constexpr int kMaxTextHeight = 127;
constexpr size_t kMaxHead = 0x7FFF;

// Records of the text stream of a text head.
enum TextRecord : BYTE {
    REC_ALIGN = 1,
    REC_FONT = 2,
    REC_STYLE = 3,
    REC_HEIGHT = 4,
    REC_COLOR = 5,
    REC_TEXT = 6,
    REC_RESERVED = 7,
    REC_PAGE_BREAK = 10,
};

void PutWord(std::vector<BYTE>& out, int value)
{
    out.push_back(static_cast<BYTE>(value & 0xFF));
    out.push_back(static_cast<BYTE>((value >> 8) & 0xFF));
}

void PutText(std::vector<BYTE>& out, const std::string& piece)
{
    out.push_back(REC_TEXT);
    PutWord(out, static_cast<int>(piece.size()));
    out.insert(out.end(), piece.begin(), piece.end());
}

// The document font number of an Encore font index; 0 outside the list.
WORD FontNumberOf(const CEncDoc& enc, int index)
{
    return index >= 0 && index < enc.m_arrFontNumber.GetSize() ? enc.m_arrFontNumber[index] : 0;
}

CKVSystem* MasterOf(CKVDoc& doc) { return doc.m_arrSystem.GetSize() > 0 ? doc.m_arrSystem.GetAt(0) : nullptr; }

// The characters of one run as text records: line ends (CR LF, or a lone CR)
// close a piece and are stored as CR LF; a byte 4 closes a piece and adds a
// record 10.
void PutRun(std::vector<BYTE>& out, const char* text, size_t from, size_t to)
{
    std::string piece;
    for (size_t i = from; i < to; ++i) {
        const char c = text[i];
        if (c == '\r') {
            piece += "\r\n";
            if (i + 1 < to && text[i + 1] == '\n')
                ++i;
            PutText(out, piece);
            piece.clear();
        } else if (c == '\x04') {
            if (!piece.empty())
                PutText(out, piece);
            piece.clear();
            out.push_back(REC_PAGE_BREAK);
        } else {
            piece += c;
        }
    }
    if (!piece.empty())
        PutText(out, piece);
}

} // namespace

int CKVDoc::EncToKVC_MeasText(CEncDoc* enc, CEncSystem*, CEncMeas*, CEncSymbol* symbol, CKVMeas* meas, BYTE voice,
                              int measIndex)
{
    if (!enc || !symbol || !meas || voice < 1 || voice > kVerses)
        return 1;
    if (!EncHasData(*enc, *symbol, kBoxData))
        return 1;
    const int s = m_nStaffSpace;
    const short left = static_cast<short>(symbol->wLeft());
    const short top = static_cast<short>(symbol->wTop());
    int box = 0;
    if (!EncSpan(*enc, measIndex, left, static_cast<short>(symbol->wRight()),
                 static_cast<short>(symbol->wMeasNumb()), true, box))
        return 1;
    const int number = symbol->wStringNo();
    if (number >= enc->m_arrText.GetSize())
        return 1;
    const ENC_TEXTDATA& item = *enc->m_arrText[number];
    const char* text = static_cast<LPCTSTR>(item.szString);
    const size_t length = static_cast<size_t>(item.szString.GetLength());
    const COLORREF colour = EncSymbolColor(*enc, *symbol);

    std::vector<BYTE> head;
    head.push_back(REC_ALIGN);
    PutWord(head, symbol->wFontAlign());
    const size_t runs = std::min<size_t>(item.wReserved1, item.pTextPos.size());
    // Run starts kept in order and inside the text.
    std::vector<size_t> starts(runs);
    size_t previous = 0;
    for (size_t r = 0; r < runs; ++r) {
        previous = std::clamp<size_t>(item.pTextPos[r].wPos, previous, length);
        starts[r] = previous;
    }
    for (size_t r = 0; r < runs; ++r) {
        const WORD property = item.pTextPos[r].wProperty;
        if (property >= item.pSubText.size())
            return 1;
        const ENC_SUBTEXT& sub = item.pSubText[property];
        const int h = MulDiv(sub.wFontHt, 3, 4);
        if (h > kMaxTextHeight || box < h / 2)
            return 1;
        head.push_back(REC_FONT);
        PutWord(head, FontNumberOf(*enc, sub.wFontNo));
        head.push_back(REC_STYLE);
        head.push_back(static_cast<BYTE>(sub.wReserved3 & 0xFF));
        head.push_back(REC_HEIGHT);
        PutWord(head, h);
        head.push_back(REC_COLOR);
        head.insert(head.end(), {0, GetBValue(colour), GetGValue(colour), GetRValue(colour)});
        head.push_back(REC_RESERVED);
        head.insert(head.end(), {0, 0, 0, 0});
        PutRun(head, text, starts[r], r + 1 < runs ? starts[r + 1] : length);
    }
    // A head longer than a head can be is not taken.
    if (head.size() > kMaxHead)
        return 1;

    CKVMsg msg;
    msg.Initialize(MasterOf(*this), OBJ_MSG);
    msg.m_byKind = MSG_FREETEXT;
    msg.m_byVoice = voice;
    msg.m_wHeadType = 256;
    msg.m_wDuration = 0;
    msg.m_nPosX = meas->AbsXToMeasX(left);
    msg.m_nPosY = static_cast<short>(top + s);
    msg.m_nPosX2 = static_cast<short>(box);
    msg.m_nPosY2 = static_cast<short>(static_cast<short>(symbol->wBottom()) - top);
    msg.m_wObjWord = 0;
    msg.m_crColor = colour;
    const short size = static_cast<short>(head.size());
    if (msg.SetHead(size, head.data()) != size)
        return 0;
    return AddMsg(meas, &msg, 1, 0) ? 1 : 0;
}

int CKVDoc::EncToKVC_Lyric(CEncDoc* enc, CEncSystem* encSystem, CEncMeas* encMeas, CEncSymbol* symbol,
                           CKVMeas* meas, BYTE voice)
{
    // The voice numbers the verse; a measure keeps eight verse positions.
    if (!enc || !encMeas || !symbol || !meas || voice < 1 || voice > kVerses)
        return 1;
    if (!EncHasData(*enc, *symbol, kLyricData))
        return 1;
    const int s = m_nStaffSpace;
    const int half = s >> 1;
    const int verse = voice - 1;
    // Scaled here only: the Encore data stays as read.
    const int h = MulDiv(symbol->DataWord(4), 3, 4);
    const CEncStaff* staff = encSystem ? encSystem->GetStaff(symbol->GetStaffIndex()) : nullptr;
    const short x = meas->AbsXToMeasX(static_cast<short>(symbol->DataWord(0) + encMeas->byPakArea()));

    CKVMsg* right = meas->GetNearestRightOfX(0, x, kNotesOnly, kChordNotesSingly);
    CKVMsg* left = meas->GetNearestLeftOfX(0, x, kNotesOnly, kChordNotesSingly);
    if (!right && !left) {
        right = meas->GetNearestRightOfX(0, x, kNotesAndRests, kChordNotesSingly);
        left = meas->GetNearestLeftOfX(0, x, kNotesAndRests, kChordNotesSingly);
    }
    CKVMsg* note = left;
    if (right && (!left || std::abs(right->m_nPosX - x) < std::abs(x - left->m_nPosX)))
        note = right;
    if (!note)
        return 1;

    // The syllable: up to its NUL or the end of the data, at most 255 bytes.
    const BYTE* data = symbol->Data();
    const size_t room = symbol->DataLength() - kLyricText;
    const auto* syllable = reinterpret_cast<const char*>(data + kLyricText);
    const size_t length = std::min(strnlen(syllable, room), kMaxSyllable);

    if (meas->m_dwTrailWord1 == 0)
        meas->m_dwTrailWord1 = 1;
    CKVMsg msg;
    msg.Initialize(MasterOf(*this), OBJ_MSG);
    msg.m_byKind = MSG_LYRIC;
    msg.m_byVoice = note->m_byVoice;
    int dx = MulDiv(x - note->m_nPosX, meas->GetRealWidth(), 256);
    if (symbol->byParam1() == 4)
        dx += static_cast<int>(length >> 1) * (h >> 1);
    msg.m_nPosX = static_cast<short>(dx);
    msg.m_nPosY = static_cast<short>(verse);
    const int songPos = staff ? staff->SongPos(verse) : 0;
    meas->m_wVoiceWord[verse] = static_cast<WORD>(s - songPos * half - h + half);

    std::vector<BYTE> head(kLyricHeadSize, 0);
    const WORD font = FontNumberOf(*enc, symbol->DataWord(2));
    head[0] = static_cast<BYTE>(font & 0xFF);
    head[1] = static_cast<BYTE>(font >> 8);
    head[4] = static_cast<BYTE>(h & 0xFF);
    head[5] = static_cast<BYTE>((h >> 8) & 0xFF);
    head[12] = static_cast<BYTE>(length);
    head.insert(head.end(), syllable, syllable + length);
    const short size = static_cast<short>(head.size());
    if (msg.SetHead(size, head.data()) != size)
        return 0;
    msg.m_crColor = EncSymbolColor(*enc, *symbol);
    return AddMsg(note, &msg, 1, 0) ? 1 : 0;
}

int CKVDoc::EncToKVC_ChordSymbol(CEncDoc* enc, CEncSystem* encSystem, CEncMeas* encMeas, CEncSymbol* symbol,
                                 CKVMeas* meas, BYTE voice)
{
    if (!enc || !encMeas || !symbol || !meas || voice < 1 || voice > kVerses)
        return 1;
    if (symbol->wTime() == kNoTime)
        return 1;
    if (!EncHasData(*enc, *symbol, kChordData))
        return 1;
    const int half = m_nStaffSpace >> 1;
    const CEncStaff* staff = encSystem ? encSystem->GetStaff(symbol->GetStaffIndex()) : nullptr;
    // Without a staff record the symbol stands on the default row.
    const int row = staff ? staff->byChordLabel() : 2;
    const BYTE root = symbol->DataByte(2);
    const BYTE bass = symbol->DataByte(3);
    const BYTE param1 = symbol->byParam1();

    CChordSymbol chord;
    chord.Initialize(MasterOf(*this), OBJ_MSG);
    chord.m_nPosX = meas->AbsXToMeasX(static_cast<short>(symbol->DataWord(0) + encMeas->byPakArea()));
    chord.m_nPosY = static_cast<short>(-(row - 2) * half);
    chord.m_byKind = MSG_CHORD;
    chord.m_byVoice = voice;
    // Encore letter indexes and accidentals, converted below.
    chord.m_nRoot = static_cast<short>(root & 15);
    chord.m_nPosX2 = static_cast<short>(root >> 4);
    if (param1 & 2) {
        chord.m_nBass = static_cast<short>(bass & 15);
        chord.m_nPosY2 = static_cast<short>(bass >> 4);
    } else {
        chord.m_nBass = -1;
    }
    chord.m_wHeadType = param1 & 4 ? 1 : 0;
    CString suffix;
    if (!symbol->GetSufix(suffix))
        return 1;
    chord.MakeFromEncChordSymbol(suffix);
    chord.SetColor(EncSymbolColor(*enc, *symbol));
    return AddMsg(meas, &chord, 1, 0) ? 1 : 0;
}

int CKVDoc::EncToKVC_Metronome(CEncDoc* enc, CEncSystem*, CEncMeas*, CEncSymbol* symbol, CKVMeas* meas, BYTE voice,
                               int)
{
    if (!enc || !symbol || !meas || voice < 1 || voice > kVerses)
        return 1;
    if (!EncHasData(*enc, *symbol, kTempoData))
        return 1;
    const int s = m_nStaffSpace;
    const short y = symbol->DataShort(2);
    auto beat = [](BYTE code) { return (code & 127) + (code & 128 ? 4 : 0); };
    const int first = beat(symbol->DataByte(18));
    const int second = beat(symbol->DataByte(19));
    const short tempo = symbol->DataShort(20);

    CKVMsg msg;
    msg.Initialize(MasterOf(*this), OBJ_MSG);
    msg.m_byKind = MSG_TEMPO;
    msg.m_byVoice = voice;
    msg.m_nPosX = meas->AbsXToMeasX(static_cast<short>(symbol->wX()));
    msg.m_nPosY = static_cast<short>(3 * s - y * (s >> 1));
    msg.m_wFlag = 1;
    BYTE head[5];
    const WORD font = FontNumberOf(*enc, symbol->DataWord(22));
    const int height = MulDiv(symbol->DataWord(24), 3, 4);
    head[0] = static_cast<BYTE>(font & 0xFF);
    head[1] = static_cast<BYTE>(font >> 8);
    head[2] = static_cast<BYTE>(height & 0xFF);
    head[3] = static_cast<BYTE>((height >> 8) & 0xFF);
    head[4] = symbol->DataByte(26);
    // A tempo the mark cannot take (0 or less beats a minute) adds nothing.
    const int filled = tempo != 0 ? SetTempoSign(&msg, first, tempo, tempo, head, 5, 10)
                                  : SetTempoSign(&msg, first, 120, second, head, 5, 2);
    if (!filled)
        return 1;
    msg.m_crColor = EncSymbolColor(*enc, *symbol);
    return AddMsg(meas, &msg, 1, 0) ? 1 : 0;
}
