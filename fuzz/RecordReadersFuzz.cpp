// Fuzz target of the record readers that do not depend on the clipboard
// image. The input's first byte chooses the reader (kvfuzz::RecordReader);
// the rest is its record. A record that reads is written back, so that the
// writers also meet whatever the readers accept.

#include "FuzzSupport.h"
#include "document/KvcLeadingPart.h"

#include <cstring>
#include <memory>

namespace {

using kvfuzz::RecordBuffer;

// The record in a block of exactly its size (the readers take a writable
// pointer), so that the sanitizer sees any read past its end.
struct Record {
    unsigned char* data;
    DWORD pos = 0;
    DWORD length;

    Record(const uint8_t* bytes, size_t size)
        : data(static_cast<unsigned char*>(std::malloc(size == 0 ? 1 : size))), length(static_cast<DWORD>(size))
    {
        if (size != 0)
            std::memcpy(data, bytes, size);
    }
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;
    ~Record() { std::free(data); }
};

template <class T>
void WriteBack(T& object)
{
    RecordBuffer out;
    object.Write(out.data, &out.used, &out.capacity);
}

template <class T>
void WriteBackToMem(T& object)
{
    RecordBuffer out;
    object.WriteToMem(out.data, &out.used, &out.capacity);
}

// A small score for the readers that need a document and a page.
std::unique_ptr<CKVDoc> SmallScore()
{
    auto doc = std::make_unique<CKVDoc>();
    if (!doc->CreateDocument(2, 4, 1, 4, 4) || doc->GetPage(0) == nullptr)
        return nullptr;
    return doc;
}

void ReadBody(const uint8_t* data, size_t size)
{
    std::vector<BYTE> body = kvfuzz::FrameBody(data, size);
    CMemFile file(body.data(), static_cast<UINT>(body.size()));
    CKVDoc doc;
    if (doc.Load(&file, 3) != 0)
        return;
    doc.FileVerUp(8208);
    CMemFile saved;
    doc.Save(&saved);
}

void ReadRecord(kvfuzz::RecordReader reader, const uint8_t* data, size_t size)
{
    Record r(data, size);
    switch (reader) {
    case kvfuzz::READ_MSG: {
        CKVSystem system;
        CKVMsg* msg = new CKVMsg;
        msg->Initialize(&system, OBJ_MSG);
        if (msg->Read(r.data, &r.pos, &r.length) == 1)
            WriteBack(*msg);
        delete msg;
        break;
    }
    case kvfuzz::READ_MEAS: {
        CKVSystem system;
        CKVMeas meas;
        meas.Initialize(&system, OBJ_MEAS);
        if (meas.Read(r.data, &r.pos, &r.length) == 1)
            WriteBack(meas);
        break;
    }
    case kvfuzz::READ_STAFF: {
        CKVSystem system;
        CKVStaff staff;
        staff.Initialize(&system, OBJ_STAFF);
        if (staff.Read(r.data, &r.pos, &r.length) == 1)
            WriteBack(staff);
        break;
    }
    case kvfuzz::READ_SYSTEM: {
        CKVSystem system;
        if (system.Read(r.data, &r.pos, &r.length, 0) == 1)
            WriteBack(system);
        break;
    }
    case kvfuzz::READ_BLOCK: {
        std::unique_ptr<CKVDoc> doc = SmallScore();
        if (!doc)
            kvfuzz::Fail("the small score cannot be made");
        CKVBlock block;
        block.m_pPage = doc->GetPage(0);
        if (block.Read(r.data, &r.pos, &r.length, doc.get()) == 1)
            WriteBack(block);
        break;
    }
    case kvfuzz::READ_PAGE: {
        std::unique_ptr<CKVDoc> doc = SmallScore();
        if (!doc)
            kvfuzz::Fail("the small score cannot be made");
        CKVPage page;
        page.m_pDoc = doc.get();
        if (page.Read(r.data, &r.pos, &r.length, doc.get()) == 1)
            WriteBack(page);
        break;
    }
    case kvfuzz::READ_CHORD_SYMBOL: {
        CChordSymbol chord;
        if (chord.ReadFromMem(r.data, &r.pos, &r.length) == 1)
            WriteBackToMem(chord);
        break;
    }
    case kvfuzz::READ_FRET_BOARD: {
        CFretBoard board;
        if (board.ReadFromMem(r.data, &r.pos, &r.length) == 1)
            WriteBackToMem(board);
        break;
    }
    case kvfuzz::READ_RHYTHM: {
        CRhythm rhythm;
        if (rhythm.ReadFromMem(r.data, &r.pos, &r.length) == 1)
            WriteBackToMem(rhythm);
        break;
    }
    case kvfuzz::READ_RHYTHM_DATA: {
        CRtmData rhythmData;
        if (rhythmData.ReadFromMem(r.data, &r.pos, &r.length) == 1)
            WriteBackToMem(rhythmData);
        break;
    }
    case kvfuzz::READ_SURFIX: {
        CChordSurfix surfix;
        if (surfix.ReadFromMem(r.data, &r.pos, &r.length) == 1)
            WriteBackToMem(surfix);
        break;
    }
    case kvfuzz::READ_SETTINGS: {
        CMemFile file(r.data, r.length);
        CKVCtrlTool settings;
        if (settings.Read(&file) != 0) {
            CMemFile out;
            settings.Write(&out);
        }
        break;
    }
    case kvfuzz::READ_FILE_INFO: {
        CMemFile file(r.data, r.length);
        CKVFileInfo info;
        if (info.Read(&file) != 0) {
            CMemFile out;
            info.Write(&out);
        }
        break;
    }
    case kvfuzz::READ_LEADING_PART: {
        CMemFile file(r.data, r.length);
        WORD version = 0;
        BOOL hostBlock = FALSE;
        ReadKvcLeadingPart(&file, version, &hostBlock);
        break;
    }
    case kvfuzz::READ_UPGRADE:
        ReadBody(data, size);
        break;
    case kvfuzz::READ_COUNT:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    kvfuzz::BeginInput();
    ReadRecord(static_cast<kvfuzz::RecordReader>(data[0] % kvfuzz::READ_COUNT), data + 1, size - 1);
    return 0;
}
