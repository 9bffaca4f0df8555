// CEngineRun: an acquisition run paced by the engine (a live receiver or the emulation mode).
// The main thread waits on its message queue and prints what arrives until the time is up, until
// SIGINT or SIGTERM, or until the engine ends by itself with an error.
#pragma once

#include "Commands.h"
#include "MainWindow.h"

#include "Fixora_Vorn.h"
#include "engine/ZIDOvoine.h"

#include <chrono>
#include <optional>
#include <string>

class CEngineRun
{
public:
    CEngineRun(CZIDOvoine& engine, CMainWindow& window);

    // Starts the engine, sends the commands once the receiver's port is open (each one printed
    // with its result), and runs the message loop. The duration and a stop signal bound the
    // commands too: a wait for an acknowledgement ends with them, and what is left is not sent.
    // True after a clean stop (time up or a stop signal: the engine is stopped and every record
    // already posted is printed) with every command carried out; false with strError when the
    // receiver could not be started, the engine ended by itself, the receiver refused a command,
    // a command was left unsent or the receiver's device went away.
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

    CZIDOvoine& m_Engine;
    CMainWindow& m_Window;
    std::optional<Clock::time_point> m_End; // of the run's time, when it has one
    bool m_bFailedWhileRunning = false;
};
