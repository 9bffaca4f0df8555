// CGpsdService: fixora as a gpsd-protocol server. It listens to the main window, paces a replay
// by its fixes' UTC when asked to, and after the input has ended keeps serving until a stop
// signal or the end of the run's time.
#pragma once

#include "GpsdServer.h"
#include "MainWindow.h"
#include "StopSignals.h"

#include <chrono>
#include <optional>
#include <string>

class CGpsdService : public CRecordListener
{
public:
    // bPaceByUtc: a fix waits until as much time has passed since the one before as their UTC
    // times say (up to a few seconds: larger steps are gaps in a recording).
    CGpsdService(SGpsdDevice device, bool bPaceByUtc);

    // Listens on strHost:nPort and says so on standard error; false with strError.
    bool Start(const std::string& strHost, unsigned short nPort, std::string& strError);

    void OnPosition(const CGPSData& data) override;
    void OnText(const CString& strText) override;

    // A stop signal came or the run's time is up.
    bool IsOver() const;
    // The input has ended: tells the clients, then serves until IsOver().
    void ServeToEnd();

    // The run's time, counted from now.
    void SetDuration(std::optional<double> dSeconds);

private:
    using Clock = std::chrono::steady_clock;

    // Waits (in short steps that notice a stop) until the fix of dUtcSeconds is due.
    void PaceFix(double dUtcSeconds);

    const CStopSignals m_Signals;
    CGpsdServer m_Server;
    const bool m_bPaceByUtc;
    std::optional<double> m_dLastFixUtc;
    Clock::time_point m_LastFixDue;
    std::optional<Clock::time_point> m_End;
};
