// Events and waits. Every event lives in the handle table; its state is guarded by the kernel
// lock, and every change wakes all waiters, which then look again (cheap at the handful of threads
// a driver runs, and it keeps wait-all atomic without per-event bookkeeping).
#include "HandleTable.h"
#include "Kernel.h"
#include "OsApi.h"

#include <chrono>
#include <fcntl.h>
#include <unistd.h>
#include <list>
#include <memory>
#include <optional>
#include <vector>

namespace
{

class Event final : public posix::KernelObject
{
public:
    Event(bool bManualReset, bool bSignalled)
        : m_bManualReset(bManualReset), m_bSignalled(bSignalled)
    {
    }

    // A closed event fails the waits still blocked on it instead of leaving them hanging.
    void OnClose() override
    {
        auto& kernel = posix::GetKernel();
        {
            std::lock_guard lock(kernel.mutex);
            m_bClosed = true;
        }
        kernel.changed.notify_all();
    }

    ~Event() override
    {
        for (int fd : m_signalPipe)
        {
            if (fd >= 0)
            {
                ::close(fd);
            }
        }
    }

    // All members below are guarded by the kernel lock.
    const bool m_bManualReset;
    bool m_bSignalled;
    bool m_bClosed = false;

    // Takes the signal as a successful wait does: an auto-reset event resets.
    void Consume()
    {
        if (!m_bManualReset)
        {
            m_bSignalled = false;
            MirrorState();
        }
    }

    // The read end of a pipe that holds a byte while the event is signalled, made on first
    // request, so that poll can wait on the event beside a device; -1 when no pipe can be made.
    int SignalFd()
    {
        if (m_signalPipe[0] < 0 && ::pipe2(m_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        {
            m_signalPipe[0] = m_signalPipe[1] = -1;
            return -1;
        }
        MirrorState();
        return m_signalPipe[0];
    }

    // Brings the pipe in line with the state after every change of it.
    void MirrorState()
    {
        if (m_signalPipe[0] < 0 || m_bPipeFull == m_bSignalled)
        {
            return;
        }
        char byte = 1;
        const ssize_t n =
            m_bSignalled ? ::write(m_signalPipe[1], &byte, 1) : ::read(m_signalPipe[0], &byte, 1);
        if (n == 1)
        {
            m_bPipeFull = m_bSignalled;
        }
    }

private:
    int m_signalPipe[2] = {-1, -1};
    bool m_bPipeFull = false;
};

// A thread blocked in a wait. SetEvent hands the signal straight to the waiters it satisfies (in
// the order they began waiting), as the original does: a waiter released by SetEvent stays
// released even when ResetEvent follows before it runs again.
struct Waiter
{
    const std::vector<std::shared_ptr<Event>>* pEvents;
    bool bWaitAll;
    std::optional<DWORD> result;
};

// Guarded by the kernel lock.
std::list<Waiter*>& GetWaiters()
{
    static auto* waiters = new std::list<Waiter*>;
    return *waiters;
}

std::optional<DWORD> CheckWait(const std::vector<std::shared_ptr<Event>>& events, bool bWaitAll,
                               const std::function<bool()>* pfnExtraReady);

// Kernel lock held: satisfies the waiting calls that the newly signalled event can end.
void HandOverSignal(const Event& event)
{
    for (Waiter* pWaiter : GetWaiters())
    {
        if (!event.m_bSignalled)
        {
            break; // an auto-reset event went to one waiter
        }
        // Wait-all (and a wait that also watches its message queue) decides for itself on waking.
        if (pWaiter->result || pWaiter->bWaitAll)
        {
            continue;
        }
        pWaiter->result = CheckWait(*pWaiter->pEvents, false, nullptr);
    }
}

std::shared_ptr<Event> LookupEvent(HANDLE hEvent)
{
    return posix::LookupHandleAs<Event>(hEvent);
}

BOOL SetEventState(HANDLE hEvent, bool bSignalled)
{
    const auto event = LookupEvent(hEvent);
    if (!event)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto& kernel = posix::GetKernel();
    {
        std::lock_guard lock(kernel.mutex);
        if (event->m_bClosed)
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        event->m_bSignalled = bSignalled;
        if (bSignalled)
        {
            HandOverSignal(*event);
        }
        event->MirrorState();
    }
    if (bSignalled)
    {
        kernel.changed.notify_all();
    }
    return TRUE;
}

// One look at the events (kernel lock held): the wait's result if it is over, nothing otherwise.
std::optional<DWORD> CheckWait(const std::vector<std::shared_ptr<Event>>& events, bool bWaitAll,
                               const std::function<bool()>* pfnExtraReady)
{
    for (const auto& event : events)
    {
        if (event->m_bClosed)
        {
            return WAIT_FAILED; // the waiting thread sets its own last error
        }
    }
    const auto nCount = static_cast<DWORD>(events.size());
    if (bWaitAll)
    {
        for (const auto& event : events)
        {
            if (!event->m_bSignalled)
            {
                return std::nullopt;
            }
        }
        if (pfnExtraReady != nullptr && !(*pfnExtraReady)())
        {
            return std::nullopt;
        }
        for (const auto& event : events)
        {
            event->Consume();
        }
        return WAIT_OBJECT_0;
    }
    for (DWORD i = 0; i < nCount; ++i)
    {
        if (events[i]->m_bSignalled)
        {
            events[i]->Consume();
            return WAIT_OBJECT_0 + i;
        }
    }
    if (pfnExtraReady != nullptr && (*pfnExtraReady)())
    {
        return WAIT_OBJECT_0 + nCount;
    }
    return std::nullopt;
}

} // namespace

namespace posix
{

Kernel& GetKernel()
{
    static Kernel* kernel = new Kernel;
    return *kernel;
}

std::shared_ptr<KernelObject> EventSignalFd(HANDLE hEvent, int& fd)
{
    fd = -1;
    const auto event = LookupEvent(hEvent);
    if (!event)
    {
        return nullptr;
    }
    std::lock_guard lock(GetKernel().mutex);
    fd = event->SignalFd();
    return event;
}

DWORD WaitForObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds,
                     const std::function<bool()>* pfnExtraReady)
{
    if (nCount > MAXIMUM_WAIT_OBJECTS || (nCount > 0 && lpHandles == nullptr) ||
        (nCount == 0 && pfnExtraReady == nullptr))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<Event>> events;
    events.reserve(nCount);
    for (DWORD i = 0; i < nCount; ++i)
    {
        auto event = LookupEvent(lpHandles[i]);
        if (!event)
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        if (bWaitAll)
        {
            // Waiting for all of a list that names one event twice is refused, as on the original.
            for (const auto& earlier : events)
            {
                if (earlier == event)
                {
                    SetLastError(ERROR_INVALID_PARAMETER);
                    return WAIT_FAILED;
                }
            }
        }
        events.push_back(std::move(event));
    }

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(dwMilliseconds);
    auto& kernel = GetKernel();
    std::unique_lock lock(kernel.mutex);
    // A wait fails only on an event closed under it (CheckWait may run on a signalling thread).
    const auto report = [](DWORD dwResult) {
        if (dwResult == WAIT_FAILED)
        {
            SetLastError(ERROR_INVALID_HANDLE);
        }
        return dwResult;
    };
    if (const auto result = CheckWait(events, bWaitAll != FALSE, pfnExtraReady))
    {
        return report(*result);
    }
    if (dwMilliseconds == 0)
    {
        return WAIT_TIMEOUT; // a look, not a wait: no sleep on the wake-up signal
    }
    Waiter waiter{&events, bWaitAll != FALSE, std::nullopt};
    auto& waiters = GetWaiters();
    const auto self = waiters.insert(waiters.end(), &waiter);
    const auto finish = [&](DWORD dwResult) {
        waiters.erase(self);
        return report(dwResult);
    };
    for (;;)
    {
        if (waiter.result)
        {
            return finish(*waiter.result);
        }
        if (const auto result = CheckWait(events, bWaitAll != FALSE, pfnExtraReady))
        {
            return finish(*result);
        }
        if (dwMilliseconds == INFINITE)
        {
            kernel.changed.wait(lock);
        }
        else if (kernel.changed.wait_until(lock, deadline) == std::cv_status::timeout)
        {
            // One last look: a signal that came with the time-out still counts.
            if (waiter.result)
            {
                return finish(*waiter.result);
            }
            if (const auto result = CheckWait(events, bWaitAll != FALSE, pfnExtraReady))
            {
                return finish(*result);
            }
            return finish(WAIT_TIMEOUT);
        }
    }
}

} // namespace posix

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCWSTR)
{
    // Named events are not shared between processes here; a name is accepted and ignored.
    HANDLE handle = posix::RegisterHandle(
        std::make_shared<Event>(bManualReset != FALSE, bInitialState != FALSE));
    if (handle == nullptr)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return handle;
}

BOOL SetEvent(HANDLE hEvent)
{
    return SetEventState(hEvent, true);
}

BOOL ResetEvent(HANDLE hEvent)
{
    return SetEventState(hEvent, false);
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    return posix::WaitForObjects(1, &hHandle, FALSE, dwMilliseconds, nullptr);
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                             DWORD dwMilliseconds)
{
    if (nCount == 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    return posix::WaitForObjects(nCount, lpHandles, bWaitAll, dwMilliseconds, nullptr);
}
