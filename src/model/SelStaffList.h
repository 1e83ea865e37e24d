#pragma once
// The process-wide list of selected staves that the document's staff count
// fills and the staff queries read. A staff leaves it when it is destroyed,
// so the list never hands out a freed staff.

class CKVStaff;

namespace selstaff {

void Clear();
void Add(CKVStaff* staff);
int Count();
// Null for an index outside the list.
CKVStaff* At(int index);
// Takes every entry of the staff out of the list.
void Forget(const CKVStaff* staff);

} // namespace selstaff
