#pragma once
// Whole KVC score files as the kvorel command writes and reads them: the
// host's leading part (the host block, its empty extra record and the "KVC"
// block), then the settings record, the file-info record and the document
// body, which the library writes and reads.

#include "Kvorel.h"

#include <vector>

namespace kvorel {

// The format version that this host writes.
constexpr WORD kKvcVersion = 8210;

// Sizes of the leading part: u32 length and the host block, u16 length of
// the empty extra record, and the "KVC" block.
constexpr DWORD kKvcHostBlockSize = 1420;
constexpr DWORD kKvcBlockSize = 792;
constexpr DWORD kKvcLeadingSize = 4 + kKvcHostBlockSize + 2 + kKvcBlockSize;

// The leading part as this host writes it: the host block with "SYMP" and
// the version, an extra record of length 0 and the "KVC" block with the
// version and no following block. Everything else is zero.
std::vector<BYTE> MakeKvcLeadingPart();

// Writes the leading part at the file's position; CFile::Write may throw.
void WriteKvcLeadingPart(CFile* file);

// The score that `kvorel new` makes.
struct NewScoreOptions {
    short staves = 2;
    LONG measures = 16;
    BYTE clef = 1;
    short beats = 4;
    short beatUnit = 4;
};

// Builds a new score in the document, a freshly constructed one: the page
// geometry of the default settings, the music font at 6 mm and the staves,
// measures and pages of the options. A page holds as many systems, 1 to 5,
// as fit the printable height at the default distances; when not even one
// fits, a page holds one and `fits` (when given) receives false. 1 on
// success, 0 when the score cannot be made.
int MakeNewScore(CKVDoc& doc, const NewScoreOptions& options, bool* fits = nullptr);

// Writes a whole file: leading part, settings, file info, body. 1 on
// success, 0 when the body cannot be written or the file refuses a write.
int WriteKvcFile(CFile* file, CKVDoc& doc);

enum class KvcReadResult {
    Read,        // the document holds the score
    Unreadable,  // damaged or truncated
    Newer,       // written by a newer version of the format
};

// Reads a whole file into a freshly constructed document and upgrades it
// from its version; `version` receives the version of the "KVC" block and
// `hostBlock` whether the host block was present.
KvcReadResult ReadKvcFile(CFile* file, CKVDoc& doc, WORD& version, bool& hostBlock);

} // namespace kvorel
