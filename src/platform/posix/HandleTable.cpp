#include "HandleTable.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace
{

struct Table
{
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, std::shared_ptr<posix::KernelObject>> objects;
    // Start well away from 0 and from INVALID_HANDLE_VALUE; step by 4 like the original.
    std::uintptr_t next = 0x1000;
};

Table& GetTable()
{
    static Table* table = new Table; // outlives every static that may close a handle at exit
    return *table;
}

} // namespace

namespace posix
{

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object)
{
    if (!object)
    {
        return nullptr;
    }
    auto& table = GetTable();
    std::lock_guard lock(table.mutex);
    const std::uintptr_t key = table.next;
    table.next += 4;
    table.objects.emplace(key, std::move(object));
    return reinterpret_cast<HANDLE>(key);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle)
{
    auto& table = GetTable();
    std::lock_guard lock(table.mutex);
    const auto it = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == table.objects.end() ? nullptr : it->second;
}

} // namespace posix

BOOL CloseHandle(HANDLE hObject)
{
    std::shared_ptr<posix::KernelObject> object;
    {
        auto& table = GetTable();
        std::lock_guard lock(table.mutex);
        const auto it = table.objects.find(reinterpret_cast<std::uintptr_t>(hObject));
        if (it == table.objects.end())
        {
            return FALSE;
        }
        object = std::move(it->second);
        table.objects.erase(it);
    }
    object->OnClose();
    return TRUE;
}
