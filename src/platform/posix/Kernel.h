// The one lock and wake-up signal shared by events and thread message queues. Every event state
// and every queue is read and changed under this lock, so a wait on several events, or on events
// and the calling thread's queue together, sees one consistent picture and cannot miss a change.
#pragma once

#include "HandleTable.h"
#include "OsApi.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace posix
{

struct Kernel
{
    std::mutex mutex;
    // Notified (all waiters) after any change that can end a wait.
    std::condition_variable changed;
};

// Created on first use and never destroyed, so it outlives every static that may still signal an
// event or destroy a window while the process exits.
Kernel& GetKernel();

// The body of WaitForMultipleObjects. pfnExtraReady, when given, is an extra condition checked
// under the kernel lock (MsgWaitForMultipleObjects: a message for the calling thread). Wait-any
// answers WAIT_OBJECT_0 + nCount when it holds and no object is signalled; wait-all needs every
// object and the condition together and then answers WAIT_OBJECT_0.
DWORD WaitForObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds,
                     const std::function<bool()>* pfnExtraReady);

// A descriptor that polls readable while the event is signalled, for waiting on the event beside
// a device; -1 (and null) when hEvent is no event. The object returned keeps the descriptor open
// for as long as it is held.
std::shared_ptr<KernelObject> EventSignalFd(HANDLE hEvent, int& fd);

} // namespace posix
