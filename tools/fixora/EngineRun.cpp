// The message loop of an engine-paced run.
#include "EngineRun.h"

#include "Collection.h"

#include <chrono>
#include <csignal>

namespace
{

volatile std::sig_atomic_t s_nStopSignal = 0;

extern "C" void OnStopSignal(int nSignal)
{
    s_nStopSignal = nSignal;
}

// Catches SIGINT and SIGTERM for its lifetime.
class CStopSignals
{
public:
    CStopSignals()
    {
        s_nStopSignal = 0;
        m_pfnInt = std::signal(SIGINT, OnStopSignal);
        m_pfnTerm = std::signal(SIGTERM, OnStopSignal);
    }
    ~CStopSignals()
    {
        std::signal(SIGINT, m_pfnInt == SIG_ERR ? SIG_DFL : m_pfnInt);
        std::signal(SIGTERM, m_pfnTerm == SIG_ERR ? SIG_DFL : m_pfnTerm);
    }
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

private:
    void (*m_pfnInt)(int);
    void (*m_pfnTerm)(int);
};

// How long one wait for a message may last: how late a stop signal or the end of the duration
// may be noticed.
constexpr DWORD LoopWaitMs = 50;
// How long the receiver's port may take to open before commands are given up.
constexpr int PortWaitSeconds = 10;

} // namespace

CEngineRun::CEngineRun(CZIDOvoine& engine, CMainWindow& window) : m_Engine(engine), m_Window(window)
{
}

bool CEngineRun::WaitForPort(std::string& strError)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    while (!CDOZOzoeiver::m_Port.IsOpen())
    {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, LoopWaitMs, QS_ALLINPUT);
        m_Window.Pump();
        if (m_Engine.GetLastError() != GPS_ENGINE_NO_ERROR)
        {
            strError = ToSystemPath(m_Engine.GetLastErrorString().GetString());
            return false;
        }
        if (s_nStopSignal != 0 || !m_Engine.IsActive() ||
            Clock::now() - start > std::chrono::seconds(PortWaitSeconds))
        {
            strError = "the receiver's port did not open";
            return false;
        }
    }
    return true;
}

bool CEngineRun::Run(std::optional<double> dDurationSeconds, CDOZOzoeiver& receiver,
                     const std::vector<SCommand>& commands, std::string& strError)
{
    const CStopSignals signals;
    if (!m_Engine.Start())
    {
        strError = ToSystemPath(m_Engine.GetLastErrorString().GetString());
        return false;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    bool bClean = true;
    if (!commands.empty() && !WaitForPort(strError))
    {
        m_Engine.Stop();
        m_Window.Pump();
        return false;
    }
    // On this thread, as a host's commands run: each blocks for its pauses, and a reset's wait
    // keeps the records flowing to the window.
    for (const SCommand& command : commands)
    {
        if (s_nStopSignal != 0)
        {
            break;
        }
        const bool bDone = command.pOption->pfnRun(receiver, command.strValue);
        m_Window.Pump();
        m_Window.PrintCommand(command.pOption->pszName + 2, command.strValue, bDone);
        if (!bDone && bClean)
        {
            strError = std::string("the receiver did not carry out ") + command.pOption->pszName;
            bClean = false;
            m_bCommandRefused = true;
        }
    }
    for (;;)
    {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, LoopWaitMs, QS_ALLINPUT);
        m_Window.Pump();
        EmptyCollectedText(m_Engine);
        if (s_nStopSignal != 0)
        {
            break;
        }
        if (dDurationSeconds &&
            std::chrono::duration<double>(Clock::now() - start).count() >= *dDurationSeconds)
        {
            break;
        }
        // The thread reports a missing receiver or a failed start here; an emulation file that
        // cannot be opened stops the engine.
        if (m_Engine.GetLastError() != GPS_ENGINE_NO_ERROR)
        {
            strError = ToSystemPath(m_Engine.GetLastErrorString().GetString());
            bClean = false;
            break;
        }
        if (!m_Engine.IsActive())
        {
            strError = "the engine stopped by itself";
            bClean = false;
            break;
        }
    }
    m_Engine.Stop();
    m_Window.Pump();
    return bClean;
}
