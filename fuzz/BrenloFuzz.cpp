// Fuzz target of the Brenlo page reader and conversion. The input is one
// page buffer, converted on a fresh document as the host converts it; a
// refused buffer must leave the document without a score, and a converted
// score must save and load again.

#include "FuzzSupport.h"

#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    kvfuzz::BeginInput();
    // A block of exactly the input's size, so that any read past it is seen.
    BYTE* buffer = static_cast<BYTE*>(std::malloc(size ? size : 1));
    if (!buffer)
        return 0;
    if (size)
        std::memcpy(buffer, data, size);

    auto doc = std::make_unique<CKVDoc>();
    kvimport::PrepareImportDocument(*doc);
    auto page = std::make_unique<CUPage>();
    const int first = doc->FirstConvertBrenloToKvc(nullptr, buffer, static_cast<DWORD>(size), page.get());
    if (!first) {
        std::free(buffer);
        if (doc->m_arrSystem.GetSize() != 0 || doc->GetPageNum() != 0)
            kvfuzz::Fail("a refused page left a system or a page behind");
        return 0;
    }
    if (doc->SecondConvertBrenloToKvc(nullptr, page.get()) != 1)
        kvfuzz::Fail("the second pass failed");
    page.reset();
    std::free(buffer);
    doc->FileVerUp(8209);

    CMemFile file;
    if (doc->Save(&file) != 1)
        kvfuzz::Fail("a converted score cannot be saved");
    file.SeekToBegin();
    auto loaded = std::make_unique<CKVDoc>();
    if (loaded->Load(&file, 0) != 0)
        kvfuzz::Fail("a converted score does not load");
    return 0;
}
