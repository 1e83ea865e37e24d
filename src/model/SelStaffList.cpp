// The process-wide selected-staff list.

#include "model/SelStaffList.h"

#include "platform/ProcessState.h"

#include <algorithm>
#include <vector>

namespace selstaff {
namespace {

std::vector<CKVStaff*>& List()
{
    static std::vector<CKVStaff*> list;
    return list;
}

void Reset()
{
    std::vector<CKVStaff*>().swap(List());
}

const KvProcessReset s_reset("selected-staff list", &Reset);

} // namespace

void Clear()
{
    List().clear();
}

void Add(CKVStaff* staff)
{
    List().push_back(staff);
}

int Count()
{
    return static_cast<int>(List().size());
}

CKVStaff* At(int index)
{
    return index >= 0 && index < Count() ? List()[static_cast<size_t>(index)] : nullptr;
}

void Forget(const CKVStaff* staff)
{
    auto& list = List();
    if (!list.empty())
        list.erase(std::remove(list.begin(), list.end(), staff), list.end());
}

} // namespace selstaff
