// Fuzz target of the score body reader. The input is the content of a body;
// the target frames it with its length, loads it into a fresh document and,
// when that succeeds, saves the score and loads the saved body again: what
// the library accepts it must also be able to write and read back.

#include "FuzzSupport.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kvfuzz::BeginInput();
    std::vector<BYTE> body = kvfuzz::FrameBody(data, size);
    CMemFile file(body.data(), static_cast<UINT>(body.size()));
    auto doc = std::make_unique<CKVDoc>();
    if (doc->Load(&file, 3) != 0)
        return 0;

    CMemFile saved;
    if (doc->Save(&saved) != 1)
        return 0;
    doc.reset();
    saved.SeekToBegin();
    auto again = std::make_unique<CKVDoc>();
    if (again->Load(&saved, 3) != 0)
        kvfuzz::Fail("a body saved from a loaded score does not load");
    return 0;
}
