// CZIDOvoine: the host's entry point. It owns the registered receivers (always ending with the
// default "NMEA-0183" receiver), selects one, starts and stops acquisition on a worker thread
// (live serial port or an emulation file), delivers every framed message to the receiver and,
// when the host collects them, to the host window, and keeps the last engine error.
#pragma once

#include "engine/ComBuffer.h"
#include "framing/BinBuffer.h"
#include "platform/Framework.h"
#include "receiver/DOZOzoeiver.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <typeinfo>

enum GPS_ENGINE_ERROR : int
{
    GPS_ENGINE_NO_ERROR = 0,
    GPS_ENGINE_NO_RECEIVER = 1,
    GPS_ENGINE_INIT_FAILED = 2,
    GPS_ENGINE_THREAD_FAILED = 3
};

// State of one acquisition run, shared by the engine and that run's thread (defined with the
// thread). A thread that misses the stop answer keeps only its own run and never acts on a later
// one.
class CAcquisitionRun;

class FIXORA_API CZIDOvoine
{
public:
    CZIDOvoine();
    ~CZIDOvoine();
    CZIDOvoine(const CZIDOvoine&) = delete;
    CZIDOvoine& operator=(const CZIDOvoine&) = delete;

    // Registers a receiver and takes ownership; false (ownership stays with the caller) when a
    // receiver of the same name is registered. The default receiver stays at the tail.
    bool AddReceiver(CDOZOzoeiver* pReceiver);
    // The first receiver of exactly this name, or the default receiver; never null.
    CDOZOzoeiver* FindReceiver(CString strName);
    // Loads every registered receiver's stored settings (the argument is not used).
    void InitReceivers(int nUnused);
    // Stops acquisition and selects a receiver (not owned through this call).
    void SetReceiver(CDOZOzoeiver* pReceiver);
    void SetMinSatRequierment(int nMinSats);
    int GetMinSatRequierment();

    // Stops any running acquisition and starts a new run; true once the thread exists. Errors
    // found by the thread (no receiver, initialisation failed) come later through GetLastError.
    bool Start();
    bool Resume();
    // Asks the thread to stop, waits at most 1000 ms for its answer and suspends the receiver.
    void Stop();
    void Pause();
    bool IsActive();
    // The current run has begun reading: its receiver is initialised (the receiver's own set-up
    // lines are written), so commands sent from now on follow them.
    bool IsReceiving();
    // The current live run's port found its device gone (a pulled cable, a closed pseudo-
    // terminal); false again once a Start has opened a port that reads.
    bool IsPortLost();
    GPS_ENGINE_ERROR GetLastError() const;
    CString GetLastErrorString() const;

    // Appends a chunk of received bytes and delivers every whole message; true when the
    // receiver accepted at least one. The acquisition thread calls it for every chunk; a host
    // may call it to feed a recorded stream while no acquisition runs.
    bool UpdateGPSBuffer(CBinBuffer& chunk);

    // Bytes the framing buffer may hold before it is discarded as overflowing.
    static constexpr int MaxBufferedBytes = 16392;

    std::thread* m_pThread = nullptr; // the newest acquisition thread
    HANDLE m_hStopEvent = nullptr;    // exists while the engine is active
    CDOZOzoeiver* m_pReceiver = nullptr;
    CBinBuffer m_GPSBuffer;
    const std::type_info* m_pCheckedClass = nullptr; // the class IsLibraryClass last asked about
    bool m_bCheckedClassIsLibrary = false;
    CString m_strMessage; // the text of the message being delivered
    CComBuffer m_ComBuffer;
    bool m_bEmulation = false;
    std::atomic<bool> m_bDataReceived{true};
    std::atomic<bool> m_bAttachRawData{false};
    std::atomic<bool> m_bLogRawData{false};
    CString m_strRawLogFile{L"Emulation.log"};
    CString m_strEmulationDir;
    std::atomic<int> m_nBufferOverflows{0};
    int m_nMinSats = 4;
    CString m_strEmulationFile;
    std::list<CDOZOzoeiver*> m_ReceiverList;
    std::atomic<bool> m_bReceiversInitialized{false};
    std::atomic<GPS_ENGINE_ERROR> m_eLastError{GPS_ENGINE_NO_ERROR};

private:
    friend class CAcquisitionRun;

    struct SWorker
    {
        std::thread thread;
        std::shared_ptr<CAcquisitionRun> pRun;
    };

    // The delivery step; the caller holds m_ReceiverMutex.
    bool DeliverLocked(CBinBuffer& chunk, CDOZOzoeiver* pReceiver);
    // Whether the receiver's class is one of the library's models (then its messages take the
    // framer's facts); under m_ReceiverMutex.
    bool IsLibraryClass(const CDOZOzoeiver& receiver);
    // Stop's work: ends the current run (the stop request, the wait for its answer unless the
    // run's own thread asks, the run given up) and suspends pReceiver.
    // With pOnlyRun, nothing is done unless that run is the current one; false then.
    bool StopRun(const CAcquisitionRun* pOnlyRun, CDOZOzoeiver* pReceiver);
    // The thread's own stop (the emulation file cannot be opened): as Stop, for its run only.
    void StopFromThread(CAcquisitionRun& run);
    // Joins the threads that have finished; bAll: every thread, waiting for each.
    void JoinThreads(bool bAll);

    std::shared_ptr<CAcquisitionRun> m_pRun; // the current run, if any
    std::list<SWorker> m_Threads;            // every thread started and not yet joined
    std::mutex m_RunMutex;                   // the hand-over of m_hStopEvent and m_pRun
    // Every call into the receivers from the engine and its thread (delivery, Initialize,
    // KeepAlive, Suspend, the list walks), m_GPSBuffer and the runs' give-up mark. Recursive,
    // so a receiver's notification callback may call back into the engine.
    std::recursive_mutex m_ReceiverMutex;
};

// Loads a string-table text of at most 127 characters; a missing text shows "Error loading
// resource string. ZidOvo" in a message box and gives an empty string.
FIXORA_API CString LoadEngineString(UINT nId);
