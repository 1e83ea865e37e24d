#pragma once
// How far a block reaches into its system's ossia-staff list: a block names
// each of its ossia staves by a byte, and its staff count travels in a byte
// too, so a score can only be saved while every shown ossia staff stands in
// the first 256 places of the list. Not part of the library's interface.

#include "Platform.h"
#include "document/RecordIO.h"

#include <unordered_set>

class CKVBlock;
class CKVDoc;
class CKVStaff;
class CKVSystem;

namespace ossiareach {

// The places of the ossia-staff list that a block can name.
constexpr long long kNameableOssiaStaves = kvrec::kMaxBlockStaffIndex + 1;

// The ossia staves that some ossia block of the score shows.
std::unordered_set<CKVStaff*> ShownOssiaStaves(CKVDoc& doc);

// Whether `made` more shown ossia staves would leave more than a block can
// name, counting those the score already shows and, for a block given, its
// own staff count as well.
bool Overflows(CKVDoc& doc, long long made, CKVBlock* block);

// The ossia staves that no block shows any longer (those an emptied ossia
// leaves) stay in the system's list until a shown staff would stand past the
// places a block can name; then they leave it in the open step, undo keeping
// them (or, with no step open, are deleted), so that the score can still be
// saved. The selection records and the cursor let go of them.
void MakeRoom(CKVDoc& doc, CKVSystem& system);

} // namespace ossiareach
