#include "ProcessState.h"

#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<std::string, KvResetFunction>>& Registry()
{
    // Built on first use, so that registrations from static initialisers of
    // any file find it ready.
    static std::vector<std::pair<std::string, KvResetFunction>> registry;
    return registry;
}

} // namespace

void RegisterProcessReset(const char* name, KvResetFunction reset)
{
    auto& registry = Registry();
    for (auto& entry : registry) {
        if (entry.first == name) {
            entry.second = reset;
            return;
        }
    }
    registry.emplace_back(name, reset);
}

void ResetProcessState()
{
    for (auto& entry : Registry())
        entry.second();
}
