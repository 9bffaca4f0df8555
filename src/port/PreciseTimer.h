// CPreciseTimer: periodic ticks sent to a window from a worker thread of its own. Before each tick
// a checker message is sent, which returns only once the window's thread handles messages, and
// the next wait is shortened by the time the delivery took, so a busy target is neither flooded
// nor left behind.
#pragma once

#include "platform/Framework.h"

#include <atomic>
#include <memory>
#include <thread>

// The tick: WPARAM is the timer's identifier, LPARAM 0.
constexpr UINT WM_PRECISE_TIMER = 0xA732;
// Sent before every tick ("VKR Precise Timer Queue Checker"); the target need not handle it.
FIXORA_API extern const UINT WM_PRECISE_TIMER_CHECK;

class FIXORA_API CPreciseTimer
{
public:
    CPreciseTimer();
    // Stops ticking and tells the thread to end; does not wait for it.
    virtual ~CPreciseTimer();
    CPreciseTimer(const CPreciseTimer&) = delete;
    CPreciseTimer& operator=(const CPreciseTimer&) = delete;

    // Starts ticking to pWnd every nMilliseconds; the first tick comes one interval from now.
    // Returns the timer's identifier; on a running timer the identifier, changing nothing. 0 (and
    // nothing started) for a null or uncreated window or an interval of 0 or below.
    UINT Start(CWnd* pWnd, int nMilliseconds);
    void Stop();
    bool IsRunning() const { return m_bRunning; }
    // Halts the ticks of a running timer and starts them again; IsRunning stays true meanwhile.
    void Pause();
    void Resume();
    bool IsPaused() const { return m_bPaused; }
    UINT GetTimerID() const { return m_nTimerID; }

    // Identifiers handed out so far; the first timer is 1.
    static std::atomic<UINT> s_nTimerCount;

protected:
    // What the thread reads when it is told to start. It is shared with the thread, so a thread
    // that outlives its timer never reads a destroyed object.
    struct SStartSettings;

    bool m_bRunning = false;
    bool m_bPaused = false;
    int m_nInterval = 0;
    HWND m_hTargetWnd = nullptr;
    HANDLE m_hStartEvent = nullptr; // auto-reset: begin ticking
    HANDLE m_hHaltEvent = nullptr;  // manual-reset: stop ticking
    HANDLE m_hQuitEvent = nullptr;  // manual-reset: end the thread
    std::unique_ptr<std::thread> m_pTimerThread;
    UINT m_nTimerID;

private:
    // The thread's body: waits for start or quit, then ticks until halted or told to quit.
    static UINT TimerThreadProc(HANDLE hStartEvent, HANDLE hHaltEvent, HANDLE hQuitEvent,
                                std::shared_ptr<SStartSettings> pSettings);

    std::shared_ptr<SStartSettings> m_pSettings;
};
