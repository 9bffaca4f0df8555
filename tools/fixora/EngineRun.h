// CEngineRun: an acquisition run paced by the engine (a live receiver or the emulation mode).
// The main thread waits on its message queue and prints what arrives until the time is up, until
// SIGINT or SIGTERM, or until the engine ends by itself with an error.
#pragma once

#include "Commands.h"
#include "MainWindow.h"

#include "Fixora_Vorn.h"
#include "engine/ZIDOvoine.h"

#include <optional>
#include <string>

class CEngineRun
{
public:
    CEngineRun(CZIDOvoine& engine, CMainWindow& window);

    // Starts the engine, sends the commands once the receiver's port is open (each one printed
    // with its result), and runs the message loop. True after a clean stop (time up or a stop
    // signal: the engine is stopped and every record already posted is printed) with every
    // command carried out; false with strError when the receiver could not be started, the
    // engine ended by itself, or the receiver refused a command.
    bool Run(std::optional<double> dDurationSeconds, CDOZOzoeiver& receiver,
             const std::vector<SCommand>& commands, std::string& strError);

    // The run failed because the receiver refused a command (a reset not acknowledged), not
    // because it could not be started.
    bool CommandRefused() const { return m_bCommandRefused; }

private:
    // Pumps until the receiver's port is open; false when the engine failed first.
    bool WaitForPort(std::string& strError);

    CZIDOvoine& m_Engine;
    CMainWindow& m_Window;
    bool m_bCommandRefused = false;
};
