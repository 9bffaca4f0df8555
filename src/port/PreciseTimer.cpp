#include "port/PreciseTimer.h"

#include <chrono>
#include <mutex>
#include <system_error>

const UINT WM_PRECISE_TIMER_CHECK = RegisterWindowMessageW(L"VKR Precise Timer Queue Checker");

std::atomic<UINT> CPreciseTimer::s_nTimerCount{0};

struct CPreciseTimer::SStartSettings
{
    std::mutex mutex; // Start writes while a thread woken by an earlier start may still read
    int nInterval = 0;
    HWND hTargetWnd = nullptr;
    UINT nTimerID = 0;
};

namespace
{

// Milliseconds since dwStart on the platform tick count; unsigned arithmetic absorbs its wrap.
DWORD ElapsedSince(DWORD dwStart)
{
    return GetTickCount() - dwStart;
}

} // namespace

CPreciseTimer::CPreciseTimer()
    : m_hStartEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_hHaltEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_hQuitEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_nTimerID(++s_nTimerCount),
      m_pSettings(std::make_shared<SStartSettings>())
{
}

CPreciseTimer::~CPreciseTimer()
{
    Stop();
    SetEvent(m_hQuitEvent);
    if (m_pTimerThread)
    {
        // The thread closes the events when it sees the quit signal; it holds its own share of
        // the settings, so nothing it touches goes away with this object.
        m_pTimerThread->detach();
    }
    else
    {
        CloseHandle(m_hStartEvent);
        CloseHandle(m_hHaltEvent);
        CloseHandle(m_hQuitEvent);
    }
}

UINT CPreciseTimer::Start(CWnd* pWnd, int nMilliseconds)
{
    if (m_bRunning)
    {
        return m_nTimerID;
    }
    if (pWnd == nullptr || pWnd->GetSafeHwnd() == nullptr || nMilliseconds <= 0)
    {
        return 0;
    }
    m_nInterval = nMilliseconds;
    m_hTargetWnd = pWnd->GetSafeHwnd();
    {
        std::lock_guard lock(m_pSettings->mutex);
        m_pSettings->nInterval = m_nInterval;
        m_pSettings->hTargetWnd = m_hTargetWnd;
        m_pSettings->nTimerID = m_nTimerID;
    }
    if (!m_pTimerThread)
    {
        // Thread priority and stack size are left to the system: neither can be set through
        // the standard thread class.
        try
        {
            m_pTimerThread =
                std::make_unique<std::thread>(&CPreciseTimer::TimerThreadProc, m_hStartEvent,
                                              m_hHaltEvent, m_hQuitEvent, m_pSettings);
        }
        catch (const std::system_error&)
        {
            return 0; // no thread, no ticks: nothing was started
        }
    }
    m_bRunning = true;
    m_bPaused = false;
    ResetEvent(m_hHaltEvent);
    SetEvent(m_hStartEvent);
    return m_nTimerID;
}

void CPreciseTimer::Stop()
{
    if (m_bRunning)
    {
        ResetEvent(m_hStartEvent);
        SetEvent(m_hHaltEvent);
        m_bRunning = false;
        m_bPaused = false;
    }
}

void CPreciseTimer::Pause()
{
    if (m_bRunning && !m_bPaused)
    {
        ResetEvent(m_hStartEvent);
        SetEvent(m_hHaltEvent);
        m_bPaused = true;
    }
}

void CPreciseTimer::Resume()
{
    if (m_bRunning && m_bPaused)
    {
        ResetEvent(m_hHaltEvent);
        SetEvent(m_hStartEvent);
        m_bPaused = false;
    }
}

UINT CPreciseTimer::TimerThreadProc(HANDLE hStartEvent, HANDLE hHaltEvent, HANDLE hQuitEvent,
                                    std::shared_ptr<SStartSettings> pSettings)
{
    // While ticking, a start signal can only mean that the owner stopped and started again
    // faster than this thread looked (a halt set and cleared in between): take the new
    // settings then, as if the halt had been seen.
    const HANDLE startOrQuit[2] = {hStartEvent, hQuitEvent};
    const HANDLE haltQuitOrStart[3] = {hHaltEvent, hQuitEvent, hStartEvent};
    constexpr DWORD kHalted = WAIT_OBJECT_0;
    constexpr DWORD kRestarted = WAIT_OBJECT_0 + 2;
    DWORD dwDelivery = 0; // how long the previous tick took to deliver, ms

    int nInterval = 0;
    HWND hTargetWnd = nullptr;
    UINT nTimerID = 0;
    const auto readSettings = [&] {
        std::lock_guard lock(pSettings->mutex);
        nInterval = pSettings->nInterval;
        hTargetWnd = pSettings->hTargetWnd;
        nTimerID = pSettings->nTimerID;
    };

    bool bQuit = false;
    while (!bQuit)
    {
        if (WaitForMultipleObjects(2, startOrQuit, FALSE, INFINITE) != WAIT_OBJECT_0)
        {
            break; // quit, or the wait failed
        }
        readSettings();
        for (;;)
        {
            const long long nWait = static_cast<long long>(nInterval) - dwDelivery;
            const DWORD dwWait = nWait > 1 ? static_cast<DWORD>(nWait) : 1;
            const DWORD dwResult = WaitForMultipleObjects(3, haltQuitOrStart, FALSE, dwWait);
            if (dwResult == kHalted)
            {
                break; // wait for the next start
            }
            if (dwResult == kRestarted)
            {
                readSettings();
                continue;
            }
            if (dwResult != WAIT_TIMEOUT)
            {
                bQuit = true;
                break;
            }
            if (!IsWindow(hTargetWnd))
            {
                continue; // the target went away: stay silent until stopped or told to quit
            }
            const DWORD dwStart = GetTickCount();
            SendMessageW(hTargetWnd, WM_PRECISE_TIMER_CHECK, 0, 0);
            // A stop may have come while the target was busy: then no tick.
            const DWORD dwSignal = WaitForMultipleObjects(3, haltQuitOrStart, FALSE, 0);
            if (dwSignal == kRestarted)
            {
                readSettings();
            }
            if (dwSignal != WAIT_TIMEOUT)
            {
                continue;
            }
            SendMessageW(hTargetWnd, WM_PRECISE_TIMER, nTimerID, 0);
            dwDelivery = ElapsedSince(dwStart);
            if (dwDelivery > static_cast<DWORD>(nInterval))
            {
                // The target cannot keep up: give it a breath. Not the platform's Sleep, whose
                // test seam belongs to the thread that installs it.
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
    }
    CloseHandle(hStartEvent);
    CloseHandle(hHaltEvent);
    CloseHandle(hQuitEvent);
    return 1;
}
