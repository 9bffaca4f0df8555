// Sleep, the millisecond clock, thread ids and the per-thread last-error value.
#include "OsApi.h"
#include "platform/Sync.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace
{

struct SleepRedirect
{
    std::mutex mutex;
    SleepHook pfnHook = nullptr;
    void* pContext = nullptr;
};

SleepRedirect& GetSleepRedirect()
{
    static SleepRedirect redirect;
    return redirect;
}

// The clock's hook is read on every GetTickCount, so without a lock: the context is set before
// the hook and outlives it (the installer's promise).
std::atomic<TickHook> s_pfnTickHook{nullptr};
std::atomic<void*> s_pTickContext{nullptr};

thread_local DWORD t_dwLastError = ERROR_SUCCESS;

} // namespace

bool SetSleepHook(SleepHook pfnHook, void* pContext)
{
    auto& redirect = GetSleepRedirect();
    std::lock_guard lock(redirect.mutex);
    redirect.pfnHook = pfnHook;
    redirect.pContext = pContext;
    return true;
}

void Sleep(DWORD dwMilliseconds)
{
    SleepHook pfnHook = nullptr;
    void* pContext = nullptr;
    {
        auto& redirect = GetSleepRedirect();
        std::lock_guard lock(redirect.mutex);
        pfnHook = redirect.pfnHook;
        pContext = redirect.pContext;
    }
    if (pfnHook != nullptr)
    {
        pfnHook(dwMilliseconds, pContext);
        return;
    }
    if (dwMilliseconds == 0)
    {
        std::this_thread::yield();
        return;
    }
    if (dwMilliseconds == INFINITE)
    {
        for (;;)
        {
            std::this_thread::sleep_for(std::chrono::hours(24));
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

bool SetTickHook(TickHook pfnHook, void* pContext)
{
    s_pfnTickHook = nullptr;
    s_pTickContext = pContext;
    s_pfnTickHook = pfnHook;
    return true;
}

DWORD GetTickCount()
{
    if (const TickHook pfnHook = s_pfnTickHook)
    {
        return pfnHook(s_pTickContext);
    }
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    // Wraps at 2^32 like the original; callers compare with unsigned subtraction.
    return static_cast<DWORD>(static_cast<unsigned long long>(ms));
}

DWORD GetCurrentThreadId()
{
    static std::atomic<DWORD> s_nextId{1};
    thread_local const DWORD t_id = s_nextId.fetch_add(1);
    return t_id;
}

DWORD GetLastError()
{
    return t_dwLastError;
}

void SetLastError(DWORD dwErrCode)
{
    t_dwLastError = dwErrCode;
}
