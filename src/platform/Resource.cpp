#include "Resource.h"

#include "ProcessState.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

namespace {

// A resource type: an integer, or a name kept upper-cased because names
// compare ignoring case.
struct TypeKey {
    WORD number;
    std::string name;

    bool operator<(const TypeKey& other) const { return std::tie(number, name) < std::tie(other.number, other.name); }
};

TypeKey MakeTypeKey(LPCSTR type)
{
    if (IS_INTRESOURCE(type))
        return TypeKey {static_cast<WORD>(reinterpret_cast<uintptr_t>(type)), std::string()};
    std::string name(type);
    for (char& ch : name) {
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
    }
    return TypeKey {0, name};
}

struct Entry {
    std::unique_ptr<BYTE[]> bytes;
    DWORD size;
};

struct ModuleRecord {
    std::string name;
};

using Key = std::tuple<HMODULE, UINT, TypeKey>;

struct ResourceTable {
    std::mutex mutex;
    std::vector<std::unique_ptr<ModuleRecord>> modules;
    std::map<Key, std::unique_ptr<Entry>> entries;

    // The entry behind a handle, or null when the handle is not one of ours.
    Entry* Lookup(HRSRC resource)
    {
        for (auto& item : entries) {
            if (reinterpret_cast<HRSRC>(item.second.get()) == resource)
                return item.second.get();
        }
        return nullptr;
    }
};

ResourceTable& Table()
{
    static ResourceTable table;
    return table;
}

void ResetResources()
{
    ResourceTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.entries.clear();
    table.modules.clear();
}

KvProcessReset s_reset("resource table", &ResetResources);

} // namespace

HMODULE KvCreateResourceModule(const char* name)
{
    ResourceTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.modules.push_back(std::make_unique<ModuleRecord>(ModuleRecord {name ? name : ""}));
    return reinterpret_cast<HMODULE>(table.modules.back().get());
}

void KvAddResource(HMODULE module, UINT id, LPCSTR type, const void* bytes, DWORD size)
{
    auto entry = std::make_unique<Entry>();
    // Never empty, so that a loaded resource is never a null handle.
    entry->bytes.reset(new BYTE[std::max<DWORD>(size, 1)]());
    if (size)
        std::memcpy(entry->bytes.get(), bytes, size);
    entry->size = size;
    ResourceTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.entries[Key(module, id, MakeTypeKey(type))] = std::move(entry);
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type)
{
    if (!name || !type || !IS_INTRESOURCE(name))
        return nullptr;
    const UINT id = static_cast<WORD>(reinterpret_cast<uintptr_t>(name));
    ResourceTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    const auto it = table.entries.find(Key(module, id, MakeTypeKey(type)));
    return it == table.entries.end() ? nullptr : reinterpret_cast<HRSRC>(it->second.get());
}

HGLOBAL LoadResource(HMODULE, HRSRC resource)
{
    ResourceTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    Entry* entry = table.Lookup(resource);
    return entry ? reinterpret_cast<HGLOBAL>(entry->bytes.get()) : nullptr;
}

LPVOID LockResource(HGLOBAL loaded)
{
    // A loaded resource's handle is the address of its bytes.
    return reinterpret_cast<LPVOID>(loaded);
}

DWORD SizeofResource(HMODULE, HRSRC resource)
{
    ResourceTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    Entry* entry = table.Lookup(resource);
    return entry ? entry->size : 0;
}

BOOL FreeResource(HGLOBAL)
{
    return FALSE;
}
