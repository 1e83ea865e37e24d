// Fuzz target of the custom symbol block reader. The input is one block.
// What reads completely must write, read and write again to the same bytes,
// copy, draw object by object, and rescale inside a symbol of a small score.

#include "FuzzSupport.h"

#include "model/CustomSymbol.h"

#include <memory>

namespace {

void Draw(CCustomSymbol& symbol)
{
    CDC dc;
    dc.Attach(KvCreateRecordingDC(400, 300, 96));
    for (int i = 0; i < symbol.m_listObject.GetSize(); ++i) {
        symbol.m_listObject.GetAt(i)->DrawStroke(&dc, 0, 0, 0);
        if (kvrec::Recorder* log = KvRecorder(dc.m_hDC))
            log->Clear();
    }
    dc.DeleteDC();
}

void Rescale(const uint8_t* data, size_t size)
{
    auto doc = std::make_unique<CKVDoc>();
    if (!doc->CreateDocument(2, 4, 1, 4, 4) || doc->GetPage(0) == nullptr)
        kvfuzz::Fail("the small score cannot be made");
    auto* msg = new CKVMsg;
    msg->m_byKind = MSG_CUSTOM;
    msg->m_nPosX = 30;
    msg->m_nPosY = 40;
    if (doc->GetPage(0)->AddMsg(msg) < 0) {
        delete msg;
        kvfuzz::Fail("the symbol cannot be added");
    }
    msg->SetHead(static_cast<short>(size), const_cast<BYTE*>(data));
    msg->ModifyCustomSymbol(4, CPoint(1, 1), CPoint(1, 1));
    msg->ModifyCustomSymbol(4, CPoint(2, 2), CPoint(1, 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 32767)
        return 0;
    kvfuzz::BeginInput();
    CCustomSymbol symbol;
    if (symbol.ReadBlock(data, static_cast<int>(size)) != 1)
        return 0;
    std::vector<unsigned char> first;
    if (symbol.WriteBlock(first) != 1)
        return 0; // too long to store once rewritten
    CCustomSymbol again;
    std::vector<unsigned char> second;
    if (again.ReadBlock(first.data(), static_cast<int>(first.size())) != 1 || again.WriteBlock(second) != 1 ||
        first != second)
        kvfuzz::Fail("a written block does not read and write back to the same bytes");
    CCustomSymbol copy;
    copy = symbol;
    Draw(copy);
    Rescale(data, size);
    return 0;
}
