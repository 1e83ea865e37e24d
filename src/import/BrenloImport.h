#pragma once
// The whole import of one Brenlo page buffer into a new document, as hosts
// and tests call it: the document's page geometry and music font, both
// conversion passes and the upgrade of the imported texts.

#include "document/KVDoc.h"
#include "import/LeftOutNotes.h"

namespace kvimport {

// A file holding one page buffer is never larger than this.
constexpr DWORD kMaxBrenloBytes = 4u * 1024 * 1024;

// The two first steps of a new score: the page geometry of the document's
// settings and the music font at 6 mm.
void PrepareImportDocument(CKVDoc& doc);

enum class BrenloImportResult {
    Imported,
    Unreadable,       // the buffer is not a whole Brenlo page, or memory ran out converting it
    TooManyMeasures,  // more measures than one staff of the engine holds
};

// Imports buffer (length bytes, left unchanged) into doc, a freshly
// constructed document. With convertTexts the texts and lyrics are upgraded
// to the current format (FileVerUp); a host that converts them in its own
// code page passes 0. On a refusal the document holds no score, but when
// memory ran out bringing a measure within its record it holds what was
// converted. The notes that their measures refused or could not hold go to
// leftOut when it is given.
BrenloImportResult ImportBrenloBuffer(CKVDoc& doc, BYTE* buffer, DWORD length, int convertTexts,
                                      LeftOutNotes* leftOut = nullptr);

} // namespace kvimport
