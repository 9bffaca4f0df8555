// CAcquisitionRun: one run of the acquisition thread, shared by the engine and that run's thread.
// It holds the run's stop request and answer events and what the run took from the engine at
// Start, so that a thread which missed the stop answer never touches a later run's events.
#pragma once

#include "engine/ZIDOvoine.h"

#include <atomic>
#include <memory>
#include <thread>

class CAcquisitionRun
{
public:
    // Takes the engine's settings for the run; the two events belong to the run from now on.
    CAcquisitionRun(CZIDOvoine& engine, HANDLE hStopRequest, HANDLE hAnswer);
    // Closes the events, once neither the engine nor the thread holds the run: a system that
    // reuses handle values at once (Windows does) can then never hand them to a later run while
    // a late thread still waits on or sets them.
    ~CAcquisitionRun();
    CAcquisitionRun(const CAcquisitionRun&) = delete;
    CAcquisitionRun& operator=(const CAcquisitionRun&) = delete;

    // The thread procedure: live port or emulation file until the stop request. Returns 0.
    static UINT ThreadProc(std::shared_ptr<CAcquisitionRun> pRun);

    // Runs f under the engine's receiver lock unless the run has been given up; false when it
    // was given up (f did not run). Everything the thread does to the receiver or to the engine's
    // buffers goes through here, so a late thread never acts on the next run's state.
    template <class F> bool WhileCurrent(F&& f)
    {
        std::lock_guard lock(m_Engine.m_ReceiverMutex);
        if (m_bAbandoned)
        {
            return false;
        }
        f();
        return true;
    }

    // Called by whoever ends the run (Stop, or the thread itself), under the receiver lock:
    // from now on the thread leaves the engine alone.
    void Abandon() { m_bAbandoned = true; }
    bool IsOwnThread() const { return std::this_thread::get_id() == m_ThreadId.load(); }
    bool HasFinished() const { return m_bFinished; }
    // The receiver is initialised and the thread reads its input.
    bool HasBegun() const { return m_bBegun; }
    // The port's last read found its device gone; bytes read since clear it.
    bool IsPortLost() const { return m_bPortLost; }

    CZIDOvoine& m_Engine;
    CDOZOzoeiver* const m_pReceiver; // the receiver selected at Start
    const bool m_bEmulation;
    const CString m_strRawLogFile;
    const CString m_strEmulationDir;
    const CString m_strEmulationFile;
    const HANDLE m_hStopRequest; // manual reset: a request stays visible until the run ends
    const HANDLE m_hAnswer;      // manual reset: the thread has finished with the engine

private:
    // Thread start: receivers' settings, the receiver check and (live) its Initialize. False
    // when the run ends here.
    bool Begin();
    void RunLive();
    void RunEmulation();
    enum class EWaitResult
    {
        Bytes,   // bytes came (all that were waiting, up to a chunk)
        Silence, // none within the wait
        Stop     // the stop request came
    };
    // Waits up to dwMilliseconds for bytes, or until the stop request, and reads them as soon as
    // they come: every byte waiting, up to a chunk.
    EWaitResult AwaitBytes(HANDLE hPort, char* pBuffer, DWORD dwMilliseconds, DWORD& nRead);
    // Hands one chunk to the engine's delivery; true when the receiver accepted a message.
    bool Deliver(CBinBuffer& chunk);
    // True when the stop request came (or the wait failed) within dwMilliseconds.
    bool StopRequested(DWORD dwMilliseconds) const;

    std::atomic<bool> m_bAbandoned{false};
    std::atomic<bool> m_bFinished{false};
    std::atomic<bool> m_bBegun{false};
    std::atomic<bool> m_bPortLost{false};
    std::atomic<std::thread::id> m_ThreadId{};
};
