#pragma once
// The whole import of an Encore file into a fresh document, as a host runs
// it: read, refuse what the engine does not take, convert, lay out. Not part
// of the library's public header; hosts and tests include it.

#include "Platform.h"

class CDC;
class CEncDoc;
class CEncSystem;
class CKVDoc;
class CScoreView;

// Why ImportEncore returned 0.
enum class EncImportFailure {
    None,
    Unreadable,   // a damaged file, a failed allocation or conversion, a document that is not fresh
    LaterLayout,  // an Encore file of the later layout, which is not read
    TooLarge,     // beyond 255 staves, or staves x measures beyond 32,000
    LayoutMisfit, // more than half of its symbol records too short for the layout they were read in
};

// The largest score an import builds.
inline constexpr int kEncImportMaxStaves = 255;
inline constexpr long kEncImportMaxStaffMeasures = 32000;

// TooLarge for a file read whole that asks for a score beyond the limits;
// None otherwise.
EncImportFailure EncImportRefusal(const CEncDoc& enc);

// Whether an Encore system makes a block: its measure range is not empty and
// lies inside the score, and it has at least one staff record.
bool EncSystemIsUsable(const CEncDoc& enc, const CEncSystem& system);

// Imports the file into the document, which must be freshly constructed, and
// returns 1, or 0 with the reason in *failure. The document is laid out with
// the view on the device context. lastStep stops the sequence after that
// step (1 to 14), for tests; the state is put back as on any other end.
int ImportEncore(CFile& file, CEncDoc& enc, CKVDoc& doc, CDC* dc, CScoreView& view, CDialog* dialog,
                 int lastStep = 14, EncImportFailure* failure = nullptr);
