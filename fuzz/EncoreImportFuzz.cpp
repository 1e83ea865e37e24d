// Fuzz target of the Encore import. The input is a whole Encore file; one
// that reads and stays small is imported into a fresh document. Whatever
// the result, the import flag is back at 0 and undo records again (unless
// the size refusal ended the import before recording was switched off); an
// imported score saves and loads.

#include "FuzzSupport.h"

#include "import/EncImport.h"
#include "model/ImportState.h"

#include <memory>

namespace {

constexpr long kMaxStaffMeasures = 2000;
constexpr int kMaxPages = 64;

bool SmallEnough(std::vector<BYTE>& bytes)
{
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    auto scratch = std::make_unique<CEncDoc>();
    if (!scratch->Read(nullptr, file))
        return false;
    long staves = 0;
    for (int t = 0; t < scratch->m_arrTrack.GetSize(); ++t)
        staves += scratch->m_arrTrack[t]->byStaffNum();
    return staves * static_cast<long>(scratch->wMeasNumb()) <= kMaxStaffMeasures &&
           scratch->GetPageNum() <= kMaxPages;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    kvfuzz::BeginInput();
    std::vector<BYTE> bytes(data, data + size);
    if (!SmallEnough(bytes))
        return 0;

    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    auto enc = std::make_unique<CEncDoc>();
    auto doc = std::make_unique<CKVDoc>();
    CDC dc;
    dc.Attach(KvCreateRecordingDC(800, 600, 72));
    EncImportFailure failure = EncImportFailure::None;
    const int result = ImportEncore(file, *enc, *doc, &dc, doc->m_ScoreView, nullptr, 14, &failure);
    if (bImportConverting != 0)
        kvfuzz::Fail("the import left the import flag set");
    if (failure != EncImportFailure::TooLarge && !doc->m_bBackupRecord)
        kvfuzz::Fail("the import left undo recording off");
    if (result != 1)
        return 0;

    CMemFile body;
    if (doc->Save(&body) != 1)
        kvfuzz::Fail("an imported score does not save");
    body.SeekToBegin();
    auto loaded = std::make_unique<CKVDoc>();
    if (loaded->Load(&body, 3) != 0)
        kvfuzz::Fail("the body of an imported score does not load");
    return 0;
}
