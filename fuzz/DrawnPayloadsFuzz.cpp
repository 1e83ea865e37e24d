// Fuzz target of the heads that symbols draw themselves from: lyrics, tempo
// marks of both styles, staff names, free texts and dynamics. The input's
// first byte chooses the symbol (kvfuzz::DrawnPayload), the second steers
// its words, the rest is its head, which the symbol holds in a block of
// exactly that size so that the sanitizer sees any read past its end.

#include "FuzzSupport.h"

namespace {

template <class T>
void Prepare(T& msg, BYTE kind, const uint8_t* head, size_t size)
{
    msg.m_byKind = kind;
    msg.MakeMsgCtrlPoint();
    msg.SetHead(static_cast<short>(size), const_cast<BYTE*>(head));
}

void Draw(kvfuzz::DrawnPayload which, BYTE steer, const uint8_t* head, size_t size)
{
    CDC dc;
    dc.Attach(KvCreateRecordingDC(400, 300, 96));
    CFontDatas fonts;
    fonts.AddNewFont(0, "Serif", 5);
    CKVCtrlTool tool;
    CRect rect(50, 50, 350, 250);
    switch (which) {
    case kvfuzz::DRAW_LYRIC: {
        CKVLyricMsg lyric;
        Prepare(lyric, MSG_LYRIC, head, size);
        lyric.DrawMsg(&dc, &rect, &tool, &fonts, 100, 0);
        break;
    }
    case kvfuzz::DRAW_TEMPO: {
        CKVMetronomMsg tempo;
        Prepare(tempo, MSG_TEMPO, head, size);
        tempo.m_wFlag = steer & 1;
        tempo.m_wHeadType = (steer >> 1) & 0x0F;
        tempo.m_wDuration = 2 + (steer >> 5); // 9: the number
        tempo.DrawMsg(&dc, &rect, &tool, &fonts, 100, 0);
        break;
    }
    case kvfuzz::DRAW_STAFF_NAME: {
        CKVStaffNameMsg name;
        Prepare(name, MSG_STAFFNAME, head, size);
        name.DrawMsg(&dc, &rect, &tool, &fonts, 100, steer & 1);
        break;
    }
    case kvfuzz::DRAW_TEXT: {
        CKVTextMsg text;
        Prepare(text, MSG_FREETEXT, head, size);
        text.m_wHeadType = steer;
        text.DrawMsg(&dc, &rect, &tool, &fonts, 100, steer, 0);
        text.DrawMsg(&dc, &rect, &tool, &fonts, 100, steer, 0);
        break;
    }
    default: {
        CKVDynamicMsg dynamic;
        Prepare(dynamic, MSG_DYNAMIC, head, size);
        dynamic.m_wDuration = steer;
        dynamic.DrawMsg(&dc, 10, 10);
        break;
    }
    }
    dc.DeleteDC();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A head's length is a 16-bit word.
    if (size < 2 || size > 0x7FFF)
        return 0;
    kvfuzz::BeginInput();
    Draw(static_cast<kvfuzz::DrawnPayload>(data[0] % kvfuzz::DRAW_COUNT), data[1], data + 2, size - 2);
    return 0;
}
