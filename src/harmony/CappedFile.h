#pragma once
// Reading the small text files of the chord folders whole, with a size cap.

#include "Platform.h"

#include <vector>

namespace kvharmony {

// Reads the file at `path` into `text` when it holds at most `limit` bytes.
// False when it cannot be opened or read, is larger, or memory runs out. A
// file that turns out shorter than its length said gives the bytes that were
// there, and `complete` (when given) is false.
bool ReadCappedFile(const CString& path, DWORD limit, std::vector<char>& text, bool* complete = nullptr);

} // namespace kvharmony
