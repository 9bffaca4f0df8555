// Thread message queues and message-only windows. Each thread gets its queue on first use and
// loses it when it ends; a window belongs to the thread that created it and is found through a
// table keyed by a handle value that is never reused, so a stale HWND is refused, never followed.
// Queues, windows and events share the kernel lock (Kernel.h).
#include "Kernel.h"
#include "OsApi.h"
#include "platform/Messaging.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace
{

// A queue holds at most this many posted messages, as on the original; further posts fail, so
// a thread that stops pumping cannot make the process grow without bound.
constexpr std::size_t s_nPostedLimit = 10000;

const HWND s_hThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));

struct SentMessage
{
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool bDone = false; // the sender may go on (handled, window gone or owner thread ended)
};

struct ThreadQueue
{
    explicit ThreadQueue(DWORD dwId) : dwThreadId(dwId) {}

    const DWORD dwThreadId;
    bool bAlive = true;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool bQuit = false;
    int nExitCode = 0;

    bool HasInput() const { return !posted.empty() || !sent.empty() || bQuit; }
};

struct WindowRecord
{
    CWnd* pWnd;
    std::shared_ptr<ThreadQueue> owner;
    // Threads currently inside this window's WindowProc (one entry per nested call).
    std::vector<DWORD> dispatching;
};

// Guarded by the kernel lock.
struct Registry
{
    std::unordered_map<std::uintptr_t, std::shared_ptr<WindowRecord>> windows;
    std::uintptr_t nextWindow = 0x10010;
    std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> threads;
};

Registry& GetRegistry()
{
    static Registry* registry = new Registry; // outlives statics that destroy windows at exit
    return *registry;
}

void TearDownQueue(const std::shared_ptr<ThreadQueue>& queue);

// The calling thread's queue. The raw pointer is trivially destructible, so it can be read at
// any time, also after the owner below has gone at thread exit.
thread_local ThreadQueue* t_pQueue = nullptr;
thread_local bool t_bQueueEnded = false;

struct QueueOwner
{
    std::shared_ptr<ThreadQueue> queue;
    QueueOwner() = default;
    QueueOwner(const QueueOwner&) = delete;
    QueueOwner& operator=(const QueueOwner&) = delete;
    ~QueueOwner()
    {
        if (queue)
        {
            TearDownQueue(queue);
        }
        t_pQueue = nullptr;
        t_bQueueEnded = true;
    }
};

thread_local QueueOwner t_queueOwner;

// The calling thread's queue, created on first use; nullptr only once the thread is ending.
// Kernel lock held.
ThreadQueue* CurrentQueueLocked()
{
    if (t_pQueue == nullptr && !t_bQueueEnded)
    {
        auto queue = std::make_shared<ThreadQueue>(GetCurrentThreadId());
        GetRegistry().threads[queue->dwThreadId] = queue;
        t_queueOwner.queue = queue;
        t_pQueue = queue.get();
    }
    return t_pQueue;
}

std::shared_ptr<WindowRecord> FindWindowLocked(HWND hWnd)
{
    auto& windows = GetRegistry().windows;
    const auto it = windows.find(reinterpret_cast<std::uintptr_t>(hWnd));
    return it == windows.end() ? nullptr : it->second;
}

void NotifyAll()
{
    posix::GetKernel().changed.notify_all();
}

// Lets every sender that waits for hWnd (or, with nullptr, for any window) go on with result 0.
void ReleaseSenders(ThreadQueue& queue, HWND hWnd)
{
    auto& sent = queue.sent;
    for (auto it = sent.begin(); it != sent.end();)
    {
        if (hWnd == nullptr || (*it)->hwnd == hWnd)
        {
            (*it)->bDone = true;
            it = sent.erase(it);
        }
        else
        {
            ++it;
        }
    }
}

// At thread exit: the thread's windows go away, its posted messages are dropped and every
// thread that waits on a message sent to it is released.
void TearDownQueue(const std::shared_ptr<ThreadQueue>& queue)
{
    auto& kernel = posix::GetKernel();
    {
        std::lock_guard lock(kernel.mutex);
        auto& registry = GetRegistry();
        queue->bAlive = false;
        const auto it = registry.threads.find(queue->dwThreadId);
        if (it != registry.threads.end() && it->second == queue)
        {
            registry.threads.erase(it);
        }
        for (auto w = registry.windows.begin(); w != registry.windows.end();)
        {
            w = w->second->owner == queue ? registry.windows.erase(w) : std::next(w);
        }
        ReleaseSenders(*queue, nullptr);
        queue->posted.clear();
        queue->bQuit = false;
    }
    kernel.changed.notify_all();
}

// Calls the window's WindowProc without the kernel lock and takes the lock back afterwards,
// also when the handler throws. While the call runs, the window cannot be destroyed by another
// thread (DestroyWindow waits), so the object stays valid.
LRESULT CallWindowUnlocked(const std::shared_ptr<WindowRecord>& record, UINT message, WPARAM wParam,
                           LPARAM lParam, std::unique_lock<std::mutex>& lock)
{
    const DWORD dwSelf = GetCurrentThreadId();
    CWnd* pWnd = record->pWnd;
    record->dispatching.push_back(dwSelf);

    struct Relock
    {
        const std::shared_ptr<WindowRecord>& record;
        std::unique_lock<std::mutex>& lock;
        DWORD dwSelf;
        ~Relock()
        {
            lock.lock();
            auto& ids = record->dispatching;
            const auto it = std::find(ids.begin(), ids.end(), dwSelf);
            if (it != ids.end())
            {
                ids.erase(it);
            }
            NotifyAll();
        }
    } relock{record, lock, dwSelf};

    lock.unlock();
    return pWnd->WindowProc(message, wParam, lParam);
}

// Handles the oldest message sent to this thread, if any. Kernel lock held (released meanwhile).
bool DeliverOneSent(ThreadQueue* pQueue, std::unique_lock<std::mutex>& lock)
{
    if (pQueue == nullptr || pQueue->sent.empty())
    {
        return false;
    }
    const auto message = pQueue->sent.front();
    pQueue->sent.pop_front();

    struct Complete
    {
        const std::shared_ptr<SentMessage>& message;
        ~Complete()
        {
            message->bDone = true;
            NotifyAll();
        }
    } complete{message};

    if (const auto record = FindWindowLocked(message->hwnd))
    {
        message->result =
            CallWindowUnlocked(record, message->message, message->wParam, message->lParam, lock);
    }
    return true;
}

bool MatchesFilter(const MSG& msg, HWND hWnd, UINT wMin, UINT wMax)
{
    if (hWnd == s_hThreadMessagesOnly)
    {
        if (msg.hwnd != nullptr)
        {
            return false;
        }
    }
    else if (hWnd != nullptr && msg.hwnd != hWnd)
    {
        return false;
    }
    return (wMin == 0 && wMax == 0) || (msg.message >= wMin && msg.message <= wMax);
}

bool IsValidFilter(HWND hWnd)
{
    return hWnd == nullptr || hWnd == s_hThreadMessagesOnly || FindWindowLocked(hWnd) != nullptr;
}

// Handles pending sent messages, then takes the first posted message that passes the filter;
// WM_QUIT comes when nothing else passes. Kernel lock held.
bool TakeMessage(ThreadQueue& queue, std::unique_lock<std::mutex>& lock, MSG* pMsg, HWND hWnd,
                 UINT wMin, UINT wMax, UINT wRemove)
{
    while (DeliverOneSent(&queue, lock))
    {
    }
    const bool bRemove = (wRemove & PM_REMOVE) != 0;
    auto& posted = queue.posted;
    for (auto it = posted.begin(); it != posted.end(); ++it)
    {
        if (MatchesFilter(*it, hWnd, wMin, wMax))
        {
            *pMsg = *it;
            if (bRemove)
            {
                posted.erase(it);
            }
            return true;
        }
    }
    if (queue.bQuit)
    {
        *pMsg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue.nExitCode), 0, GetTickCount(), {}};
        if (bRemove)
        {
            queue.bQuit = false;
        }
        return true;
    }
    return false;
}

BOOL PostToQueue(ThreadQueue& queue, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (queue.posted.size() >= s_nPostedLimit)
    {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    queue.posted.push_back(MSG{hWnd, Msg, wParam, lParam, GetTickCount(), {}});
    NotifyAll();
    return TRUE;
}

} // namespace

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    std::lock_guard lock(posix::GetKernel().mutex);
    if (hWnd == nullptr)
    {
        // No window: a thread message for the calling thread.
        ThreadQueue* pQueue = CurrentQueueLocked();
        return pQueue != nullptr && PostToQueue(*pQueue, nullptr, Msg, wParam, lParam);
    }
    const auto record = FindWindowLocked(hWnd);
    if (!record || !record->owner->bAlive)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return PostToQueue(*record->owner, hWnd, Msg, wParam, lParam);
}

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    auto& kernel = posix::GetKernel();
    std::unique_lock lock(kernel.mutex);
    const auto record = FindWindowLocked(hWnd);
    if (!record || !record->owner->bAlive)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    ThreadQueue* pSelf = CurrentQueueLocked();
    if (record->owner.get() == pSelf)
    {
        return CallWindowUnlocked(record, Msg, wParam, lParam, lock);
    }

    const auto message = std::make_shared<SentMessage>(SentMessage{hWnd, Msg, wParam, lParam});
    record->owner->sent.push_back(message);
    NotifyAll();
    // While waiting, handle what other threads send to this one: two threads that send to each
    // other's windows must not wait for each other forever.
    while (!message->bDone)
    {
        if (!DeliverOneSent(pSelf, lock))
        {
            kernel.changed.wait(lock);
        }
    }
    return message->result;
}

BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    std::lock_guard lock(posix::GetKernel().mutex);
    auto& threads = GetRegistry().threads;
    const auto it = threads.find(idThread);
    if (it == threads.end() || !it->second->bAlive)
    {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return PostToQueue(*it->second, nullptr, Msg, wParam, lParam);
}

void PostQuitMessage(int nExitCode)
{
    std::lock_guard lock(posix::GetKernel().mutex);
    if (ThreadQueue* pQueue = CurrentQueueLocked())
    {
        pQueue->bQuit = true;
        pQueue->nExitCode = nExitCode;
        NotifyAll();
    }
}

BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (lpMsg == nullptr)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::unique_lock lock(posix::GetKernel().mutex);
    ThreadQueue* pQueue = CurrentQueueLocked();
    if (pQueue == nullptr)
    {
        return FALSE;
    }
    if (!IsValidFilter(hWnd))
    {
        // Sent messages are still handled, as they are whenever the thread looks at its queue.
        while (DeliverOneSent(pQueue, lock))
        {
        }
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TakeMessage(*pQueue, lock, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg)
               ? TRUE
               : FALSE;
}

BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    if (lpMsg == nullptr)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    auto& kernel = posix::GetKernel();
    std::unique_lock lock(kernel.mutex);
    ThreadQueue* pQueue = CurrentQueueLocked();
    if (pQueue == nullptr)
    {
        return -1;
    }
    for (;;)
    {
        if (!IsValidFilter(hWnd))
        {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
        if (TakeMessage(*pQueue, lock, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, PM_REMOVE))
        {
            return lpMsg->message == WM_QUIT ? FALSE : TRUE;
        }
        kernel.changed.wait(lock);
    }
}

LRESULT DispatchMessageW(const MSG* lpMsg)
{
    if (lpMsg == nullptr || lpMsg->hwnd == nullptr)
    {
        return 0;
    }
    std::unique_lock lock(posix::GetKernel().mutex);
    const auto record = FindWindowLocked(lpMsg->hwnd);
    if (!record)
    {
        return 0; // the window went away while the message waited
    }
    return CallWindowUnlocked(record, lpMsg->message, lpMsg->wParam, lpMsg->lParam, lock);
}

BOOL TranslateMessage(const MSG*)
{
    return FALSE; // message-only windows have no keyboard input to translate
}

DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll,
                                DWORD dwMilliseconds, DWORD dwWakeMask)
{
    ThreadQueue* pQueue = nullptr;
    {
        std::lock_guard lock(posix::GetKernel().mutex);
        pQueue = CurrentQueueLocked();
    }
    // Evaluated under the kernel lock by the wait; the queue lives as long as this thread.
    const std::function<bool()> hasInput = [pQueue, dwWakeMask] {
        return dwWakeMask != 0 && pQueue != nullptr && pQueue->HasInput();
    };
    return posix::WaitForObjects(nCount, pHandles, fWaitAll, dwMilliseconds, &hasInput);
}

BOOL IsWindow(HWND hWnd)
{
    std::lock_guard lock(posix::GetKernel().mutex);
    return FindWindowLocked(hWnd) ? TRUE : FALSE;
}

UINT RegisterWindowMessageW(LPCWSTR lpString)
{
    if (lpString == nullptr || *lpString == L'\0')
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    struct Names
    {
        std::mutex mutex;
        std::map<std::wstring, UINT> numbers;
        UINT next = 0xC000;
    };
    static Names* names = new Names; // may be used by statics of any translation unit
    std::wstring key(lpString);
    for (auto& ch : key)
    {
        ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    }
    std::lock_guard lock(names->mutex);
    const auto it = names->numbers.find(key);
    if (it != names->numbers.end())
    {
        return it->second;
    }
    if (names->next > 0xFFFF)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    const UINT number = names->next++;
    names->numbers.emplace(std::move(key), number);
    return number;
}

// ---- CWnd: the parts that touch the window table ------------------------------------------

CWnd::~CWnd()
{
    if (m_hWnd != nullptr)
    {
        CWnd::DestroyWindow();
    }
}

BOOL CWnd::Create()
{
    std::lock_guard lock(posix::GetKernel().mutex);
    if (m_hWnd != nullptr && FindWindowLocked(m_hWnd))
    {
        return FALSE;
    }
    ThreadQueue* pQueue = CurrentQueueLocked();
    if (pQueue == nullptr)
    {
        return FALSE;
    }
    auto& registry = GetRegistry();
    const std::uintptr_t key = registry.nextWindow;
    registry.nextWindow += 4;
    registry.windows.emplace(
        key, std::make_shared<WindowRecord>(WindowRecord{this, t_queueOwner.queue, {}}));
    m_hWnd = reinterpret_cast<HWND>(key);
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    auto& kernel = posix::GetKernel();
    std::unique_lock lock(kernel.mutex);
    const HWND hWnd = m_hWnd;
    const auto record = FindWindowLocked(hWnd);
    if (!record || record->pWnd != this)
    {
        m_hWnd = nullptr;
        return FALSE;
    }
    GetRegistry().windows.erase(reinterpret_cast<std::uintptr_t>(hWnd));
    auto& posted = record->owner->posted;
    posted.erase(std::remove_if(posted.begin(), posted.end(),
                                [hWnd](const MSG& msg) { return msg.hwnd == hWnd; }),
                 posted.end());
    ReleaseSenders(*record->owner, hWnd);
    NotifyAll();

    // Another thread may be inside this window's WindowProc; the object must outlive that call.
    // Meanwhile keep handling messages sent to this thread, in case that call waits on one.
    const DWORD dwSelf = GetCurrentThreadId();
    const auto othersInside = [&] {
        return std::any_of(record->dispatching.begin(), record->dispatching.end(),
                           [dwSelf](DWORD id) { return id != dwSelf; });
    };
    while (othersInside())
    {
        if (!DeliverOneSent(t_pQueue, lock))
        {
            kernel.changed.wait(lock);
        }
    }
    m_hWnd = nullptr;
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT, WPARAM, LPARAM)
{
    return 0; // a message-only window has no default behaviour
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    std::lock_guard lock(posix::GetKernel().mutex);
    const auto record = FindWindowLocked(hWnd);
    return record ? record->pWnd : nullptr;
}
