#pragma once
// A score skeleton imported from a writer file, for calling the Encore
// symbol converters directly: one staff, four measures of widths 200, 150,
// 180 and 120, the first with a head area of 20, and colour 5 of the colour
// block set to {0x10, 0x20, 0x30}.

#include "EncoreTestSupport.h"
#include "import/EncImport.h"
#include "support/Drawing.h"

#include <functional>

namespace kvtest {

inline constexpr COLORREF kEncColor5 = 0x00302010;

// Words from signed values.
inline std::vector<WORD> EncWords(std::initializer_list<int> values)
{
    std::vector<WORD> words;
    for (int v : values)
        words.push_back(static_cast<WORD>(v));
    return words;
}

// A type-5 symbol on staff 0 of voice 2 (nibble 1) with colour index 5;
// its data is padded with zeros to `size` bytes.
inline EncoreSymbol EncVoiceMark(BYTE kind, std::initializer_list<int> words, size_t size = 0)
{
    EncoreSymbol s = EncMark(0, 0, kind, EncWords(words));
    if (s.data.size() < size)
        s.data.resize(size);
    s.voice = 1;
    s.wColor = 5;
    return s;
}

inline EncoreFile FourMeasureEncore(std::vector<EncoreSymbol> symbols)
{
    EncoreFile f = MinimalEncore(4);
    const WORD widths[4] = {200, 150, 180, 120};
    for (size_t i = 0; i < 4; ++i)
        f.measures[i].wMeasDistance = widths[i];
    f.measures[0].byPakArea = 20;
    f.measures[0].symbols = std::move(symbols);
    std::vector<BYTE> colors(174);
    colors[78 + 20] = 0x10;
    colors[78 + 21] = 0x20;
    colors[78 + 22] = 0x30;
    f.blocks = {EncColor(colors), EncDrum()};
    return f;
}

// The import run up to the skeleton (no symbols converted).
struct EncSymbolScore {
    CKVDoc doc;
    CEncDoc enc;
    std::unique_ptr<TestDC> dc = MakeRecordingDC(800, 600, 72);

    int Load(const EncoreFile& file, EncoreOrder order = EncoreOrder::Scow)
    {
        std::vector<BYTE> bytes = WriteEncore(file, order);
        CMemFile memory(bytes.data(), static_cast<UINT>(bytes.size()));
        return ImportEncore(memory, enc, doc, dc.get(), doc.m_ScoreView, nullptr, 7);
    }
    CKVMeas* Meas(int m) { return doc.m_arrSystem.GetAt(0)->GetMeas(0, static_cast<short>(m)); }
    CEncSymbol* Symbol(int i = 0, int m = 0) { return AllSymbols(enc.m_arrMeas[m])[static_cast<size_t>(i)]; }
    // The children of measure m of that kind, in the measure's order.
    std::vector<CKVMsg*> Added(BYTE kind, int m = 0)
    {
        std::vector<CKVMsg*> out;
        CKVMeas* meas = Meas(m);
        for (short i = 0; i < meas->GetMsgNum(); ++i)
            if (meas->GetMsg(i)->m_byKind == kind)
                out.push_back(meas->GetMsg(i));
        return out;
    }
};

} // namespace kvtest
