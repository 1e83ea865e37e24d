#pragma once
// Reading Encore files built by the test writer or taken from ../shared.

#include "Kvorel.h"
#include "support/EncoreWriter.h"
#include "support/KvTest.h"

#include <fstream>
#include <iterator>
#include <memory>

namespace kvtest {

struct EncRead {
    std::unique_ptr<CEncDoc> doc = std::make_unique<CEncDoc>();
    int result = 0;
};

inline EncRead ReadEncore(std::vector<BYTE> bytes, CDialog* dialog = GetHostProgressDialog())
{
    EncRead read;
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    read.result = read.doc->Read(dialog, file);
    return read;
}

inline std::vector<BYTE> LoadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<CEncSymbol*> AllSymbols(CEncMeas* meas)
{
    std::vector<CEncSymbol*> all;
    for (auto* list : {&meas->m_arrType1Symbols, &meas->m_arrType2Symbols, &meas->m_arrNoteRestSymbols,
                       &meas->m_arrType4Symbols, &meas->m_arrType3Symbols, &meas->m_arrOctaveLineSymbols,
                       &meas->m_arrOtherSymbols})
        for (int i = 0; i < list->GetSize(); ++i)
            all.push_back(list->GetAt(i));
    return all;
}

inline std::vector<BYTE> SymbolBytes(const CEncSymbol* symbol)
{
    std::vector<BYTE> bytes(symbol->m_byHead, symbol->m_byHead + 10);
    bytes.insert(bytes.end(), symbol->m_data.begin(), symbol->m_data.end());
    return bytes;
}

} // namespace kvtest
