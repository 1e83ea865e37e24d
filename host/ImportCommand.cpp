#include "ImportCommand.h"

#include "KvcFile.h"
#include "import/EncDoc.h"
#include "import/BrenloImport.h"
#include "import/EncImport.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace kvorel {

namespace {

constexpr int kImportDpi = 72;

void CannotBeRead(const std::string& in) { std::fprintf(stderr, "kvorel: %s cannot be read\n", in.c_str()); }

// Writes the score; a file that cannot be written whole is removed.
int WriteImported(const std::string& out, CKVDoc& doc)
{
    try {
        CFile file(out.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
        if (WriteKvcFile(&file, doc)) {
            file.Close();
            return 0;
        }
    } catch (CFileException&) {
    }
    std::remove(out.c_str());
    std::fprintf(stderr, "kvorel: %s cannot be written\n", out.c_str());
    return 1;
}

int ImportEncoreFile(Host& host, const std::string& in, const std::string& out)
{
    auto doc = std::make_unique<CKVDoc>();
    auto enc = std::make_unique<CEncDoc>();
    CDC dc;
    dc.Attach(KvCreateRecordingDC(800, 600, kImportDpi));
    // A bar only for a person watching; a pipe or a log gets none.
    CDialog* dialog = isatty(fileno(stderr)) ? GetHostProgressDialog() : nullptr;
    EncImportFailure failure = EncImportFailure::None;
    int result = 0;
    try {
        CFile file(in.c_str(), CFile::modeRead | CFile::typeBinary);
        result = ImportEncore(file, *enc, *doc, &dc, doc->m_ScoreView, dialog, 14, &failure);
    } catch (CFileException&) {
        result = 0;
        failure = EncImportFailure::Unreadable;
    }
    host.EndProgressLine();
    if (!result) {
        switch (failure) {
        case EncImportFailure::LaterLayout:
            std::fprintf(stderr, "kvorel: %s is an Encore file of a later layout, which is not read\n", in.c_str());
            break;
        case EncImportFailure::TooLarge:
            std::fprintf(stderr,
                         "kvorel: %s is a score beyond 255 staves or 32,000 staff measures, which is not imported\n",
                         in.c_str());
            break;
        case EncImportFailure::LayoutMisfit:
            std::fprintf(stderr, "kvorel: %s cannot be read: %lu of %lu symbol records do not fit its layout\n",
                         in.c_str(), static_cast<unsigned long>(enc->m_dwShortSymbols),
                         static_cast<unsigned long>(enc->m_dwSymbolRecords));
            break;
        default:
            CannotBeRead(in);
            break;
        }
        return 1;
    }
    const int status = WriteImported(out, *doc);
    if (status == 0 && enc->m_dwShortSymbols > 0)
        std::fprintf(stderr, "kvorel: %lu symbols of %s were too short to read and were skipped\n",
                     static_cast<unsigned long>(enc->m_dwShortSymbols), in.c_str());
    if (status == 0)
        std::fputs(LeftOutNotesLines(enc->m_leftOutNotes, in).c_str(), stderr);
    return status;
}

// Every file that is neither Encore nor KVC is taken as one Brenlo page
// buffer, which has no mark of its own: it is a score only when the
// conversion accepts all of it.
int ImportOtherScore(Host&, const std::string& in, const std::string& out)
{
    std::vector<BYTE> buffer;
    DWORD size = 0;
    try {
        CFile file(in.c_str(), CFile::modeRead | CFile::typeBinary);
        size = file.GetLength();
        if (size > kvimport::kMaxBrenloBytes) {
            CannotBeRead(in);
            return 1;
        }
        buffer.resize(size > 0 ? size : 1);
        if (size > 0 && file.Read(buffer.data(), size) != size) {
            CannotBeRead(in);
            return 1;
        }
    } catch (CFileException&) {
        CannotBeRead(in);
        return 1;
    }
    auto doc = std::make_unique<CKVDoc>();
    LeftOutNotes leftOut;
    switch (kvimport::ImportBrenloBuffer(*doc, buffer.data(), size, 0, &leftOut)) {
    case kvimport::BrenloImportResult::Imported:
        break;
    case kvimport::BrenloImportResult::TooManyMeasures:
        std::fprintf(stderr, "kvorel: %s is a score beyond 255 staves or 32,000 staff measures, which is not imported\n",
                     in.c_str());
        return 1;
    default:
        CannotBeRead(in);
        return 1;
    }
    doc->ConvertImportedTexts();
    const int status = WriteImported(out, *doc);
    if (status == 0)
        std::fputs(LeftOutNotesLines(leftOut, in).c_str(), stderr);
    return status;
}

} // namespace

std::string LeftOutNotesLines(const LeftOutNotes& notes, const std::string& in)
{
    const std::pair<DWORD, const char*> reasons[] = {
        {notes.unisons, "share their chord's height with another note"},
        {notes.underMultiRest, "stand under a multi-measure rest"},
        {notes.oneLineStaff, "meet a note at another height on a one-line staff"},
        {notes.refused, "could not be placed in their measure"},
        {notes.crowdedMeasure, "would crowd their measure past the 255 symbols it holds"},
        {notes.beyondEighthVoice, "are in a voice beyond the eighth"},
        {notes.unknownDuration, "have a duration the score does not hold"},
        {notes.unconvertedStem, "have a stem entry that does not convert"},
    };
    std::string lines;
    for (const auto& [count, why] : reasons) {
        if (count > 0)
            lines += "kvorel: " + std::to_string(count) + " notes of " + in + " " + why + " and were not imported\n";
    }
    return lines;
}

ImportInput ClassifyImportInput(const BYTE* head, size_t length)
{
    if (length >= 4 && (std::memcmp(head, "SCOW", 4) == 0 || std::memcmp(head, "SCO5", 4) == 0))
        return ImportInput::Encore;
    static const BYTE hostLength[4] = {0x8C, 0x05, 0x00, 0x00};
    if (length >= 12 && std::memcmp(head, hostLength, 4) == 0 && std::memcmp(head + 8, "SYMP", 4) == 0)
        return ImportInput::Kvc;
    if (length >= 3 && std::memcmp(head, "KVC", 3) == 0)
        return ImportInput::Kvc;
    return ImportInput::Other;
}

int RunImport(Host& host, const std::string& in, const std::string& out)
{
    BYTE head[12] = {};
    UINT length = 0;
    try {
        CFile file(in.c_str(), CFile::modeRead | CFile::typeBinary);
        length = file.Read(head, sizeof head);
    } catch (CFileException&) {
        CannotBeRead(in);
        return 1;
    }
    switch (ClassifyImportInput(head, length)) {
    case ImportInput::Encore:
        return ImportEncoreFile(host, in, out);
    case ImportInput::Kvc:
        std::fprintf(stderr, "kvorel: %s is already a KVC score\n", in.c_str());
        return 1;
    case ImportInput::Other:
        break;
    }
    return ImportOtherScore(host, in, out);
}

} // namespace kvorel
