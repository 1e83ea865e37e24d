#pragma once
// The symbols behind the walk list of the measure walked last, gathered as
// the list is built: the walk's own sort and the timing pass that follows
// it then take the symbols from here rather than looking each id up again.
// One list for the process, like the sort system the walk sets; it is only
// handed out while it still matches the measure's list id for id.

#include "Platform.h"

class CKVMeas;
class CKVMsg;

namespace kvwalk {

// Appends an id to the measure's walk list, and the symbol it names to the
// list gathered beside it when that one belongs to this measure.
void Append(CKVMeas& meas, DWORD id, CKVMsg& msg);

// Right after a walk of the measure (CKVMeas::ResetGetNextMsg): the symbols
// of its walk list in its order, or null when they were gathered for
// another measure or the list no longer matches them id for id.
CKVMsg* const* SymbolsOf(const CKVMeas& meas);

} // namespace kvwalk
