#pragma once
// `kvorel import FILE OUT.kvc`: turns a score of another program into a KVC
// score. The input is told apart by its first bytes.

#include "HostApp.h"
#include "import/LeftOutNotes.h"

#include <string>

namespace kvorel {

// What the first bytes of a file say it is.
enum class ImportInput { Encore, Kvc, Other };
ImportInput ClassifyImportInput(const BYTE* head, size_t length);

// The lines that tell the notes of `in` an import left out, one for each
// reason that left any.
std::string LeftOutNotesLines(const LeftOutNotes& notes, const std::string& in);

// Runs the command; the exit status (0, or 1 after a message on stderr).
int RunImport(Host& host, const std::string& in, const std::string& out);

} // namespace kvorel
