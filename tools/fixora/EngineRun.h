// CEngineRun: an acquisition run paced by the engine (a live receiver or the emulation mode).
// The main thread waits on its message queue and prints what arrives until the time is up, until
// SIGINT or SIGTERM, or until the engine ends by itself with an error.
#pragma once

#include "MainWindow.h"

#include "Fixora_Vorn.h"
#include "engine/ZIDOvoine.h"

#include <optional>
#include <string>

class CEngineRun
{
public:
    CEngineRun(CZIDOvoine& engine, CMainWindow& window);

    // Starts the engine and runs the message loop. True after a clean stop (time up or a stop
    // signal: the engine is stopped and every record already posted is printed); false with
    // strError when the receiver could not be started or the engine ended by itself.
    bool Run(std::optional<double> dDurationSeconds, std::string& strError);

private:
    CZIDOvoine& m_Engine;
    CMainWindow& m_Window;
};
