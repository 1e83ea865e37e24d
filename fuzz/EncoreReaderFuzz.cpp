// Fuzz target of the Encore reader. The input is a whole Encore file. What
// reads must hold its measures, tracks and pages as the reader promises, keep
// only symbols of existing staves in sorted lists, list itself and copy.

#include "FuzzSupport.h"

#include <memory>

namespace {

void CheckSorted(const CTypedPtrArray<CPtrArray, CEncSymbol*>& list)
{
    for (int i = 1; i < list.GetSize(); ++i) {
        if (CompareEncSymbols(list[i - 1], list[i]) > 0)
            kvfuzz::Fail("a sorted symbol list is out of order");
    }
}

void CheckDocument(CEncDoc& doc)
{
    if (doc.m_arrMeas.GetSize() != doc.wMeasNumb() || doc.m_arrTrack.GetSize() < 1 || doc.m_arrPage.GetSize() < 1)
        kvfuzz::Fail("a read document lacks its measures, tracks or pages");
    int staves = 0;
    for (int t = 0; t < doc.m_arrTrack.GetSize(); ++t) {
        if (doc.m_arrTrack[t]->byStaffNum() > 4)
            kvfuzz::Fail("a track of more than four staves was read");
        staves += doc.m_arrTrack[t]->byStaffNum();
    }
    for (int m = 0; m < doc.m_arrMeas.GetSize(); ++m) {
        CEncMeas* meas = doc.m_arrMeas[m];
        for (auto* list : {&meas->m_arrType1Symbols, &meas->m_arrType2Symbols, &meas->m_arrNoteRestSymbols,
                           &meas->m_arrType4Symbols, &meas->m_arrType3Symbols, &meas->m_arrOctaveLineSymbols,
                           &meas->m_arrOtherSymbols}) {
            for (int i = 0; i < list->GetSize(); ++i) {
                const CEncSymbol* symbol = list->GetAt(i);
                const int track = symbol->byStaff() & 0x3F;
                if (track >= doc.m_arrTrack.GetSize() ||
                    (symbol->byStaff() >> 6) >= doc.m_arrTrack[track]->byStaffNum())
                    kvfuzz::Fail("a symbol of a missing staff was kept");
                const int index = symbol->GetStaffIndex();
                if (index < 0 || index >= staves)
                    kvfuzz::Fail("a symbol's staff index lies outside the score");
            }
        }
        CheckSorted(meas->m_arrNoteRestSymbols);
        CheckSorted(meas->m_arrType4Symbols);
    }
}

void ListEverything(CEncDoc& doc)
{
    CString out;
    doc.PrintOutOfStatus(out);
    doc.Test();
    for (int i = 0; i < doc.m_arrText.GetSize(); ++i)
        doc.PrintOutText(doc.m_arrText[i], out);
    for (int i = 0; i < doc.m_arrTrack.GetSize(); ++i)
        doc.m_arrTrack[i]->PrintOutOfStatus(out);
    for (int p = 0; p < doc.GetPageNum(); ++p) {
        CEncPage* page = doc.GetPage(p);
        page->PrintOutOfStatus(out);
        for (int s = 0; s < page->m_arrSystem.GetSize(); ++s) {
            page->m_arrSystem[s]->PrintOutOfStatus(out);
            for (int k = 0; CEncStaff* staff = page->m_arrSystem[s]->GetStaff(k); ++k)
                staff->PrintOutOfStatus(out);
        }
    }
    for (int m = 0; m < doc.m_arrMeas.GetSize(); ++m) {
        CEncMeas* meas = doc.m_arrMeas[m];
        meas->PrintOutOfStatus(out);
        for (auto* list : {&meas->m_arrNoteRestSymbols, &meas->m_arrOtherSymbols, &meas->m_arrType4Symbols})
            for (int i = 0; i < list->GetSize(); ++i)
                list->GetAt(i)->PrintOutOfStatus(out);
        out.Empty();
    }
}

const CEncSymbol* AnySymbol(CEncDoc& doc)
{
    for (int m = 0; m < doc.m_arrMeas.GetSize(); ++m) {
        CEncMeas* meas = doc.m_arrMeas[m];
        if (meas->m_arrNoteRestSymbols.GetSize() > 0)
            return meas->m_arrNoteRestSymbols[0];
        if (meas->m_arrOtherSymbols.GetSize() > 0)
            return meas->m_arrOtherSymbols[0];
    }
    return nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    kvfuzz::BeginInput();
    std::vector<BYTE> bytes(data, data + size);
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    auto doc = std::make_unique<CEncDoc>();
    if (!doc->Read(nullptr, file)) {
        if (doc->GetReadFailure() == EncReadFailure::None)
            kvfuzz::Fail("a failed read gives no reason");
        return 0;
    }
    CheckDocument(*doc);
    ListEverything(*doc);
    std::unique_ptr<CEncSymbol> copy;
    if (const CEncSymbol* symbol = AnySymbol(*doc))
        copy = std::make_unique<CEncSymbol>(*symbol);
    doc.reset();
    if (copy && copy->DataLength() > 0)
        static_cast<void>(copy->DataByte(copy->DataLength() - 1));
    return 0;
}
