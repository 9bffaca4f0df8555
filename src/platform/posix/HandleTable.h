// The POSIX handle table: a HANDLE is a key into it, never a pointer, so a closed or made-up
// handle is refused instead of dereferenced. Events and comm devices register here; CloseHandle
// removes the entry, and the object goes away when its last user lets go of it.
#pragma once

#include "OsApi.h"

#include <memory>

namespace posix
{

class GEOMETRY_API KernelObject
{
public:
    KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;
    virtual ~KernelObject() = default;
    // Called once when the handle is closed (before the entry is dropped); releases the
    // operating-system resource so that blocked users fail instead of waiting on a dead object.
    virtual void OnClose() {}
};

// Registers an object and returns its new handle (keys are never reused).
GEOMETRY_API HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);
// The object behind a handle, or nullptr for a closed or unknown handle.
GEOMETRY_API std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);

template <typename T> std::shared_ptr<T> LookupHandleAs(HANDLE handle)
{
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

} // namespace posix
