// CEngineRun: an acquisition run paced by the engine (a live receiver or the emulation mode).
// The main thread waits on its message queue and prints what arrives until the time is up, until
// SIGINT or SIGTERM, or until the engine ends by itself with an error. A live run may also look
// for the receiver's baud rate, take a device that went away back, and warns when nothing valid
// comes.
#pragma once

#include "Commands.h"
#include "CountingWindow.h"

#include "Fixora_Vorn.h"
#include "engine/ZIDOvoine.h"

#include <chrono>
#include <optional>
#include <string>

// What a live run does beyond reading its device.
struct SLiveRecovery
{
    std::string strDevice; // as the user named it, for the messages
    int nPort = 1;         // the library's port that opens it
    bool bBaudAuto = false;
    bool bReconnect = false;
    std::string strRawLog; // --log-raw's file (empty: none)
};

class CEngineRun
{
public:
    // pLive: a live run (nullptr: the emulation mode).
    CEngineRun(CZIDOvoine& engine, CCountingWindow& window, const SLiveRecovery* pLive = nullptr);

    // Starts the engine, sends the commands once the receiver's port is open (each one printed
    // with its result), and runs the message loop. The duration and a stop signal bound the
    // commands too: a wait for an acknowledgement ends with them, and what is left is not sent.
    // True after a clean stop (time up or a stop signal: the engine is stopped and every record
    // already posted is printed) with every command carried out; false with strError when the
    // receiver could not be started, the engine ended by itself, the receiver refused a command,
    // a command was left unsent, the receiver's device went away (unless it is taken back) or no
    // baud rate brought anything valid.
    bool Run(std::optional<double> dDurationSeconds, CDOZOzoeiver& receiver,
             const std::vector<SCommand>& commands, std::string& strError);

    // The run failed after the receiver had started (a command not carried out, the device
    // gone), not because it could not be started.
    bool FailedWhileRunning() const { return m_bFailedWhileRunning; }

private:
    using Clock = std::chrono::steady_clock;

    // A stop signal came or the run's time is up.
    bool IsOver() const;
    // Pumps until the receiver is set up and read (commands sent then follow its own set-up);
    // false when the engine failed, the run ended or the receiver took too long.
    bool WaitForReceiver(std::string& strError);
    // Sends the commands in order, until the run is over or the device goes away; false with
    // strError on the first that was not carried out.
    bool SendCommands(const std::vector<SCommand>& commands, CDOZOzoeiver& receiver,
                      std::string& strError);

    // ---- live recovery (LiveRecovery.cpp) ----
    // Starts the engine, with --baud auto at each rate in turn until one brings intact messages
    // (the run then goes on at that rate); false with strError.
    bool StartEngine(CDOZOzoeiver& receiver, std::string& strError);
    bool FindBaudRate(CDOZOzoeiver& receiver, std::string& strError);
    // The device went away: says so, waits for it to come back at its path and starts again
    // (true), or gives up when the run is over (false).
    bool TakeDeviceBack();
    // Whether the device's path is there again.
    bool IsDeviceThere() const;
    // The engine starts its raw log anew at every start: after a reconnect it writes to a file
    // of its own, added to the user's log when that connection ends.
    std::string RawLogSegment() const { return m_Live->strRawLog + ".reconnected"; }
    void KeepRawLogSegment();
    // Restarts the watch for intact messages.
    void StartWatch();
    // Says once when nothing intact came for a while.
    void Watch(CDOZOzoeiver& receiver);

    CZIDOvoine& m_Engine;
    CCountingWindow& m_Window;
    std::optional<SLiveRecovery> m_Live;
    std::optional<Clock::time_point> m_End; // of the run's time, when it has one
    bool m_bFailedWhileRunning = false;
    Clock::time_point m_LastIntact{};
    long long m_nIntactSeen = 0;
    bool m_bWarned = false;
    bool m_bOnRawLogSegment = false; // the engine's raw log is RawLogSegment()
};
