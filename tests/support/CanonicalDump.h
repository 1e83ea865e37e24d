#pragma once
// A text form of a whole score for comparing two scores: every stored field
// of the document, its system, staves, measures, symbols, pages and blocks,
// one node per line, indented by depth.
//
// Symbol ids are replaced by their reading order: the first id met while
// walking the tree in file order gets 1, the next new one 2, and so on. An id
// names the same symbol in both dumps of two equal scores even though saving
// and loading renumbers them. Ids that the score does not know (a tie naming
// a note that is gone) print as "?id". Symbols outside the system (titles,
// page texts) keep their own ids, as reading leaves them.

#include "Kvorel.h"

#include <string>

namespace kvtest {

std::string CanonicalDump(CKVDoc& doc);

} // namespace kvtest
