// Fuzz target of the clipboard image reader. The first byte sets the
// context (fuzz/FuzzSupport.h: the voice, a selection to paste over, undo
// recording, automatic beaming); the rest is an image of exactly that
// length, pasted into a small score. An image that pastes must leave a score
// that copies, saves, loads, undoes and redoes cleanly.

#include "FuzzSupport.h"


#include <cstdlib>
#include <memory>

namespace {

void CheckPastedScore(CKVDoc& doc, bool recording)
{
    doc.RemoveAllSelRect(kResetDrag, kClearSelRects);
    CKVStaff* staff = doc.m_arrSystem.GetAt(0)->GetStaff(0);
    doc.AddSelRect(SelRect::kStaff, nullptr, nullptr, staff, nullptr);
    unsigned char* image = static_cast<unsigned char*>(std::malloc(1));
    const DWORD size = doc.CopyDataToMem(image, 0, 0);
    std::free(image);
    if (size == 0xFFFFFFFF)
        kvfuzz::Fail("a pasted score cannot be copied");

    CMemFile saved;
    if (doc.Save(&saved) != 1)
        kvfuzz::Fail("a pasted score cannot be saved");
    saved.SeekToBegin();
    auto again = std::make_unique<CKVDoc>();
    if (again->Load(&saved, 3) != 0)
        kvfuzz::Fail("a pasted score saved does not load");
    if (recording) {
        doc.MultiUndoStart();
        doc.MultiRedoStart();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kvfuzz::BeginInput();
    if (size == 0)
        return 0;
    const uint8_t context = data[0];
    auto doc = std::make_unique<CKVDoc>();
    if (!kvfuzz::MakeClipboardScore(*doc))
        kvfuzz::Fail("the clipboard score cannot be made");
    const bool recording = (context & kvfuzz::kClipRecordUndo) != 0;
    doc->m_bBackupRecord = recording ? 1 : 0;
    if (context & kvfuzz::kClipSelectMeasure) {
        CKVMeas* meas = doc->m_arrSystem.GetAt(0)->GetMeas(0, 2);
        RECT none {0, 0, 0, 0};
        doc->AddSelRect(SelRect::kMeas, &none, meas, nullptr, doc->GetBlockByMeas(meas));
    }
    // The image in a buffer of its own length, so that a read past it is
    // a finding.
    std::unique_ptr<unsigned char[]> image(new unsigned char[size - 1 > 0 ? size - 1 : 1]);
    if (size > 1)
        std::copy(data + 1, data + size, image.get());
    const short result = doc->PastMemoryTo(image.get(), static_cast<DWORD>(size - 1),
                                           static_cast<unsigned char>(context & kvfuzz::kClipVoiceMask), 0,
                                           (context & kvfuzz::kClipAutoBeam) ? 1 : 0);
    if (result < -1 || result > 1)
        kvfuzz::Fail("a paste gives a result outside -1 to 1");
    if (result == 1)
        CheckPastedScore(*doc, recording);
    doc.reset();
    return 0;
}
