#include "document/KVDoc.h"
#include "import/EncDoc.h"
#include "import/EncConvert.h"
#include "model/KVMeas.h"
#include "model/KVMsg.h"
#include "platform/MulDiv.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

// The Encore marks, lines and shapes of symbol type 5. Each builds its
// message(s) in a local template and adds the document's copy to the native
// measure. Positions "from x" are dots from the measure's left edge, put on
// the measure's 0-256 scale.

namespace {

bool IsNativeVoice(BYTE voice) { return voice >= 1 && voice <= 8; }

short MeasX(CKVMeas* meas, int x) { return meas->AbsXToMeasX(static_cast<short>(x)); }

// What a point symbol becomes.
struct PointForm {
    BYTE kind;
    WORD head;
    WORD value;
    DWORD word;
};

// The width of Encore measure `index`; false outside the list.
bool MeasWidth(const CEncDoc& enc, int index, WORD& width)
{
    if (index < 0 || index >= enc.m_arrMeas.GetSize())
        return false;
    width = enc.m_arrMeas[index]->wMeasDistance();
    return true;
}

// A data word of a zigzag: words 4 to 6 of a SCO5 file come most significant
// byte first, as the reader leaves them.
short ZigzagWord(const CEncDoc& enc, const CEncSymbol& symbol, int word)
{
    const WORD w = symbol.DataWord(static_cast<DWORD>(2 * word));
    if (enc.m_bSwap && word >= 4)
        return static_cast<short>(((w & 0xFF) << 8) | (w >> 8));
    return static_cast<short>(w);
}

bool IsArgs(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas) { return enc && symbol && meas; }

} // namespace

// The point symbols share one form: x from wX (shifted), y from wY.
static int EncPointSymbol(CKVDoc& doc, CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice,
                          const PointForm& form, int shift, DWORD need = kEncPointData)
{
    if (!IsArgs(enc, symbol, meas) || !IsNativeVoice(voice) || !EncHasData(*enc, *symbol, need))
        return 1;
    CKVMsg msg;
    msg.m_byKind = form.kind;
    msg.m_byVoice = voice;
    msg.m_wHeadType = form.head;
    msg.m_wDuration = form.value;
    msg.m_dwWord = form.word;
    msg.m_nPosX = MeasX(meas, symbol->DataShort(0) + shift);
    msg.m_nPosY = EncStandardY(doc.m_nStaffSpace, symbol->DataShort(2));
    msg.m_crColor = EncSymbolColor(*enc, *symbol);
    return doc.AddMsg(meas, &msg, 1, 0) ? 1 : 0;
}

static int EncDynamic(CKVDoc& doc, CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice, int base)
{
    if (!symbol)
        return 1;
    const int k = symbol->byKind() - base;
    // Only the 13 dynamic glyphs have a width.
    if (k < 1 || k > CKVDoc::kDynamicSizes)
        return 1;
    const int shift = 2 - doc.m_sizeDynamic[k - 1].cx / 2;
    return EncPointSymbol(doc, enc, symbol, meas, voice, {MSG_DYNAMIC, 0, static_cast<WORD>(k), 0}, shift);
}

static int EncSlide(CKVDoc& doc, CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice, BYTE kind)
{
    const int shift = -((2 * doc.m_nStaffSpace) / 3);
    return EncPointSymbol(doc, enc, symbol, meas, voice, {kind, 0, 0, 0}, shift);
}

int CKVDoc::EncToKVC_Dynamic1(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncDynamic(*this, enc, symbol, meas, voice, 127);
}

int CKVDoc::EncToKVC_Dynamic2(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncDynamic(*this, enc, symbol, meas, voice, 158);
}

int CKVDoc::EncToKVC_Cesura(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncPointSymbol(*this, enc, symbol, meas, voice, {MSG_CAESURA, 0, 0, 0}, 0);
}

int CKVDoc::EncToKVC_Breath(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncPointSymbol(*this, enc, symbol, meas, voice, {MSG_BREATH, 0, 0, 0}, 0);
}

int CKVDoc::EncToKVC_Flower(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncPointSymbol(*this, enc, symbol, meas, voice, {MSG_ORNAMENT, 0, 0, 0}, 0);
}

int CKVDoc::EncToKVC_Pedal(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncPointSymbol(*this, enc, symbol, meas, voice, {MSG_PEDAL, 0, 3, 0}, 0);
}

int CKVDoc::EncToKVC_RepeatMeas(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncPointSymbol(*this, enc, symbol, meas, voice, {MSG_MEASREPEAT, 0, 3, 0}, 0);
}

int CKVDoc::EncToKVC_Slide1(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncSlide(*this, enc, symbol, meas, voice, MSG_SLIDE1);
}

int CKVDoc::EncToKVC_Slide2(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncSlide(*this, enc, symbol, meas, voice, MSG_SLIDE2);
}

int CKVDoc::EncToKVC_Slide3(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncSlide(*this, enc, symbol, meas, voice, MSG_SLIDE3);
}

int CKVDoc::EncToKVC_Slide4(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncSlide(*this, enc, symbol, meas, voice, MSG_SLIDE4);
}

int CKVDoc::EncToKVC_MarkUp(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncPointSymbol(*this, enc, symbol, meas, voice, {MSG_MARKUP, 0, 0, 0}, 0);
}

int CKVDoc::EncToKVC_MarkDown(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncPointSymbol(*this, enc, symbol, meas, voice, {MSG_MARKDOWN, 0, 0, 0}, 0);
}

int CKVDoc::EncToKVC_MarkBigDown(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncPointSymbol(*this, enc, symbol, meas, voice, {MSG_BIGMARKDOWN, 0, 0, 0}, 0);
}

int CKVDoc::EncToKVC_Segno(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncPointSymbol(*this, enc, symbol, meas, voice, {MSG_CODA, 1, 0x0201, 10}, 0);
}

int CKVDoc::EncToKVC_DalSegno(CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice)
{
    return EncPointSymbol(*this, enc, symbol, meas, voice, {MSG_CODA, 1, 0x0301, 8}, 0);
}

int CKVDoc::EncToKVC_MidiMsg(CEncDoc* enc, CEncSystem*, CEncMeas*, CEncSymbol* symbol, CKVMeas* meas, BYTE voice,
                             int)
{
    if (!symbol)
        return 1;
    const DWORD message = symbol->DataByte(17) | (static_cast<DWORD>(symbol->DataByte(18)) << 8) |
                          (static_cast<DWORD>(symbol->DataByte(19)) << 16);
    return EncPointSymbol(*this, enc, symbol, meas, voice, {MSG_MIDI, 0, 0, message}, 0, kEncMidiData);
}

int CKVDoc::EncToKVC_PageSlur(CEncDoc* enc, CEncSystem*, CEncMeas*, CEncSymbol* symbol, CKVMeas* meas, BYTE voice,
                              int measIndex)
{
    if (!IsArgs(enc, symbol, meas) || !IsNativeVoice(voice) || !EncHasData(*enc, *symbol, kEncLineData))
        return 1;
    const int n1 = symbol->wMeasNumb1();
    const int n2 = symbol->wMeasNumb2();
    WORD w0 = 0, wEnd = 0, wMid = 0;
    if (n1 < 0 || n2 < 0 || !MeasWidth(*enc, measIndex, w0) || !MeasWidth(*enc, measIndex + n1, wEnd) ||
        !MeasWidth(*enc, measIndex + n2, wMid))
        return 1;
    if (w0 < static_cast<WORD>(symbol->wXs()) || wEnd < static_cast<WORD>(symbol->wXe()) ||
        wMid < static_cast<WORD>(symbol->wXm()))
        return 1;
    int spanEnd = 0, spanMid = 0;
    if (!EncSpan(*enc, measIndex, symbol->wXs(), symbol->wXe(), n1, false, spanEnd) ||
        !EncSpan(*enc, measIndex, symbol->wXs(), symbol->wXm(), n2, false, spanMid))
        return 1;
    const int L = m_nStaffSpace;
    const short ys = EncStandardY(L, symbol->wYs());
    CKVMsg msg;
    msg.m_byKind = MSG_PAGESLUR;
    msg.m_byVoice = voice;
    msg.m_wDuration = 1;
    msg.m_nPosX = MeasX(meas, symbol->wXs());
    msg.m_nPosY = ys;
    msg.m_nPosX2 = static_cast<short>(spanEnd);
    msg.m_nPosY2 = static_cast<short>(EncStandardY(L, symbol->wYe()) - ys);
    msg.m_wObjWord = static_cast<WORD>(spanMid);
    msg.m_dwWord = static_cast<DWORD>(EncStandardY(L, symbol->wYm()) - ys);
    msg.m_crColor = EncSymbolColor(*enc, *symbol);
    return AddMsg(meas, &msg, 1, 0) ? 1 : 0;
}

int CKVDoc::EncToKVC_TwoLines(CEncDoc* enc, CEncMeas*, CEncSymbol* symbol, CKVMeas* meas, BYTE, int measIndex)
{
    // The lines take no voice: the measure gives them voice 1.
    if (!IsArgs(enc, symbol, meas) || !EncHasData(*enc, *symbol, kEncLineData))
        return 1;
    int s1 = 0, spanEnd = 0;
    if (!EncSpan(*enc, measIndex, symbol->wXs(), symbol->wXm(), symbol->wMeasNumb2(), true, s1) ||
        !EncSpan(*enc, measIndex, symbol->wXs(), symbol->wXe(), symbol->wMeasNumb1(), true, spanEnd))
        return 1;
    const int L = m_nStaffSpace;
    const short ys = EncStandardY(L, symbol->wYs());
    const short ym = EncStandardY(L, symbol->wYm());
    const short ye = EncStandardY(L, symbol->wYe());
    CKVMsg msg;
    msg.m_byKind = MSG_LINE;
    msg.m_lHeight = 1;
    msg.m_crColor = EncSymbolColor(*enc, *symbol);
    msg.m_nPosX = MeasX(meas, symbol->wXs());
    msg.m_nPosY = ys;
    msg.m_nPosX2 = static_cast<short>(s1);
    msg.m_nPosY2 = static_cast<short>(ym - ys);
    if (!AddMsg(meas, &msg, 1, 0))
        return 0;
    msg.m_nPosX = MeasX(meas, symbol->wXs() + s1);
    msg.m_nPosY = ym;
    msg.m_nPosX2 = static_cast<short>(spanEnd - s1);
    msg.m_nPosY2 = static_cast<short>(ye - ym);
    return AddMsg(meas, &msg, 1, 0) ? 1 : 0;
}

int CKVDoc::EncToKVC_Crescendo(CEncDoc* enc, CEncSystem*, CEncMeas*, CEncSymbol* symbol, CKVMeas* meas, BYTE voice,
                               int measIndex)
{
    if (!IsArgs(enc, symbol, meas) || !IsNativeVoice(voice) || !EncHasData(*enc, *symbol, kEncShapeData))
        return 1;
    const int s = symbol->DataShort(4);
    int span = 0;
    if (!EncSpan(*enc, measIndex, s, symbol->DataShort(10), symbol->DataShort(8), false, span))
        return 1;
    const int L = m_nStaffSpace;
    const int d = (symbol->DataShort(12) - symbol->DataShort(6)) >> 1;
    const int dx = span - L / 2;
    CKVMsg msg;
    msg.m_byKind = MSG_HAIRPIN;
    msg.m_byVoice = voice;
    msg.m_wDuration = 1;
    msg.m_nPosX = MeasX(meas, s);
    msg.m_nPosY = static_cast<short>(L + symbol->DataShort(6) + std::abs(d));
    msg.m_nPosX2 = static_cast<short>(dx);
    msg.m_nPosY2 = static_cast<short>(d);
    msg.m_wObjWord = static_cast<WORD>(dx);
    msg.m_dwWord = static_cast<DWORD>(-d);
    const BYTE direction = symbol->DataByte(16);
    if (direction == 1 || direction == 3) {
        // A decrescendo opens toward its start.
        msg.m_nPosX = MeasX(meas, s + dx);
        msg.m_nPosX2 = static_cast<short>(-dx);
        msg.m_wObjWord = static_cast<WORD>(-dx);
    }
    msg.m_crColor = EncSymbolColor(*enc, *symbol);
    return AddMsg(meas, &msg, 1, 0) ? 1 : 0;
}

// The two zigzag lines: kind 41 runs along the span, kind 43 across it.
static int EncZigzag(CKVDoc& doc, CEncDoc* enc, CEncSymbol* symbol, CKVMeas* meas, BYTE voice, int measIndex,
                     BYTE kind)
{
    if (!IsArgs(enc, symbol, meas) || !IsNativeVoice(voice) || !EncHasData(*enc, *symbol, kEncZigzagData))
        return 1;
    const int x = ZigzagWord(*enc, *symbol, 0);
    int span = 0;
    if (!EncSpan(*enc, measIndex, x, ZigzagWord(*enc, *symbol, 5), ZigzagWord(*enc, *symbol, 4), false, span))
        return 1;
    const int L = doc.m_nStaffSpace;
    CKVMsg msg;
    msg.m_byKind = kind;
    msg.m_byVoice = voice;
    msg.m_wDuration = 1;
    msg.m_lHeight = 1;
    msg.m_nPosX = MeasX(meas, x);
    msg.m_nPosY = static_cast<short>(L + ZigzagWord(*enc, *symbol, 6));
    if (kind == MSG_ZIGZAG_N) {
        msg.m_nPosX2 = static_cast<short>(span);
        msg.m_nPosY2 = static_cast<short>(-L);
    } else {
        msg.m_nPosX2 = static_cast<short>(span >> 1);
        msg.m_nPosY2 = static_cast<short>(span);
    }
    msg.m_crColor = EncSymbolColor(*enc, *symbol);
    return doc.AddMsg(meas, &msg, 1, 0) ? 1 : 0;
}

int CKVDoc::EncToKVC_InversN(CEncDoc* enc, CEncSystem*, CEncMeas*, CEncSymbol* symbol, CKVMeas* meas, BYTE voice,
                             int measIndex)
{
    return EncZigzag(*this, enc, symbol, meas, voice, measIndex, MSG_ZIGZAG_N);
}

int CKVDoc::EncToKVC_InversM(CEncDoc* enc, CEncSystem*, CEncMeas*, CEncSymbol* symbol, CKVMeas* meas, BYTE voice,
                             int measIndex)
{
    return EncZigzag(*this, enc, symbol, meas, voice, measIndex, MSG_ZIGZAG_M);
}

int CKVDoc::EncToKVC_Alpegio(CEncDoc* enc, CEncSystem*, CEncMeas*, CEncSymbol* symbol, CKVMeas* meas, BYTE voice,
                             int measIndex)
{
    if (!IsArgs(enc, symbol, meas) || !IsNativeVoice(voice) || !EncHasData(*enc, *symbol, kEncLineData))
        return 1;
    WORD w0 = 0;
    if (!MeasWidth(*enc, measIndex, w0) || w0 < static_cast<WORD>(symbol->wXm()))
        return 1;
    int span = 0;
    if (!EncSpan(*enc, measIndex, symbol->wXm(), symbol->wXe(), symbol->wMeasNumb1(), false, span))
        return 1;
    // The lower end first; the symbol's data stays as read.
    int top = symbol->wYm();
    int bottom = symbol->wYe();
    if (bottom < top)
        std::swap(top, bottom);
    CKVMsg msg;
    msg.m_byKind = MSG_ARPEGGIO;
    msg.m_byVoice = voice;
    msg.m_wDuration = symbol->byKind() == 54 ? 1 : 0;
    msg.m_lHeight = 1;
    msg.m_nPosX = MeasX(meas, symbol->wXm());
    msg.m_nPosY = static_cast<short>(m_nStaffSpace + top);
    msg.m_nPosX2 = static_cast<short>(span);
    msg.m_nPosY2 = static_cast<short>(bottom - top);
    msg.m_crColor = EncSymbolColor(*enc, *symbol);
    return AddMsg(meas, &msg, 1, 0) ? 1 : 0;
}

int CKVDoc::EncToKVC_Trill(CEncDoc* enc, CEncSystem*, CEncMeas*, CEncSymbol* symbol, CKVMeas* meas, BYTE voice,
                           int measIndex)
{
    if (!IsArgs(enc, symbol, meas) || !IsNativeVoice(voice) || !EncHasData(*enc, *symbol, kEncLineData))
        return 1;
    int span = 0;
    if (!EncSpan(*enc, measIndex, symbol->wXm(), symbol->wXe(), symbol->wMeasNumb1(), false, span))
        return 1;
    const int L = m_nStaffSpace;
    const short x0 = MeasX(meas, symbol->wXm());
    // AbsXToMeasX has cached the real width.
    const int realWidth = std::max<int>(meas->m_nRealWidth, 1);
    constexpr WORD kTrillMark = 25;
    CKVMsg msg;
    msg.m_byKind = MSG_TRILL;
    msg.m_byVoice = voice;
    msg.m_dwWord = symbol->byKind() == 55 ? 1 : 0;
    msg.m_lHeight = 1;
    msg.m_nPosX = static_cast<short>(x0 + MulDiv(3 * L, 256, realWidth));
    msg.m_nPosY = static_cast<short>(L + symbol->wYm());
    msg.m_nPosX2 = static_cast<short>(span - 3 * L);
    msg.m_nPosY2 = static_cast<short>(symbol->wYe() - symbol->wYm());
    msg.m_crColor = EncSymbolColor(*enc, *symbol);
    if (!AddMsg(meas, &msg, 1, 0))
        return 0;
    msg.m_byKind = MSG_NOTEMARK;
    msg.m_wHeadType = kTrillMark;
    msg.m_nPosX = x0;
    return AddMsg(meas, &msg, 1, 0) ? 1 : 0;
}

int CKVDoc::EncToKVC_PolyLine(CEncDoc* enc, CEncSystem*, CEncMeas*, CEncSymbol* symbol, CKVMeas* meas, BYTE voice,
                              int)
{
    if (!IsArgs(enc, symbol, meas) || !IsNativeVoice(voice) || !EncHasData(*enc, *symbol, kEncShapeData))
        return 1;
    const int L = m_nStaffSpace;
    int y = L + symbol->DataShort(6);
    int dy = symbol->DataShort(12) - symbol->DataShort(6);
    const BYTE direction = symbol->DataByte(16);
    if (direction == 1 || direction == 2) {
        y += dy;
        dy = -dy;
    }
    const int otherEnd = y + dy;
    CKVMsg msg;
    msg.m_byKind = MSG_LINE;
    msg.m_byVoice = voice;
    msg.m_lHeight = 1;
    msg.m_crColor = EncSymbolColor(*enc, *symbol);
    msg.m_nPosX = MeasX(meas, symbol->DataShort(4));
    msg.m_nPosY = static_cast<short>(y);
    msg.m_nPosX2 = 0;
    msg.m_nPosY2 = static_cast<short>(dy);
    if (!AddMsg(meas, &msg, 1, 0))
        return 0;
    msg.m_nPosX2 = static_cast<short>(L);
    msg.m_nPosY2 = 0;
    if (!AddMsg(meas, &msg, 1, 0))
        return 0;
    msg.m_nPosY = static_cast<short>(otherEnd);
    return AddMsg(meas, &msg, 1, 0) ? 1 : 0;
}

int CKVDoc::EncToKVC_Graphic(CEncDoc* enc, CEncSystem*, CEncMeas*, CEncSymbol* symbol, CKVMeas* meas, BYTE voice,
                             int measIndex)
{
    if (!IsArgs(enc, symbol, meas) || !IsNativeVoice(voice))
        return 1;
    BYTE kind = 0;
    switch (symbol->byKind()) {
    case 25: kind = MSG_RECTANGLE; break;
    case 26: kind = MSG_ROUNDRECT; break;
    case 27: kind = MSG_ELLIPSE; break;
    case 28:
    case 44: kind = MSG_LINE; break;
    default: return 1;
    }
    if (!EncHasData(*enc, *symbol, kEncShapeData))
        return 1;
    const int s = symbol->DataShort(4);
    int span = 0;
    if (!EncSpan(*enc, measIndex, s, symbol->DataShort(10), symbol->DataShort(8), true, span))
        return 1;
    int y = m_nStaffSpace + symbol->DataShort(6);
    int dy = symbol->DataShort(12) - symbol->DataShort(6);
    const BYTE direction = symbol->DataByte(16);
    if (kind == MSG_LINE && (direction == 1 || direction == 2)) {
        // The other diagonal.
        y += dy;
        dy = -dy;
    }
    CKVMsg msg;
    msg.m_byKind = kind;
    msg.m_byVoice = voice;
    // Width 0 draws the dashed line.
    msg.m_lHeight = symbol->byKind() == 44 ? 0 : symbol->DataByte(14);
    msg.m_nPosX = MeasX(meas, s);
    msg.m_nPosY = static_cast<short>(y);
    msg.m_nPosX2 = static_cast<short>(span);
    msg.m_nPosY2 = static_cast<short>(dy);
    msg.m_crColor = EncSymbolColor(*enc, *symbol);
    return AddMsg(meas, &msg, 1, 0) ? 1 : 0;
}
