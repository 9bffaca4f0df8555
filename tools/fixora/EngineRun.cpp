// The message loop of an engine-paced run.
#include "EngineRun.h"

#include "Collection.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

namespace
{

// Set by the handler, read by the main thread and by the commands' watch: a lock-free atomic is
// safe in a handler and between threads.
std::atomic<int> s_nStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

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
// How long the receiver may take to open its port and write its own set-up before commands are
// given up.
constexpr double ReadyWaitSeconds = 20.0;

constexpr const char* DeviceGone = "the receiver's device went away";

// While commands run on the main thread: once the run's time is up or a stop signal has come,
// posts a quit to that thread. A wait for an acknowledgement ends on it and hands it back, so
// the commands' loop sees that it fired and sends no more.
class CCommandWatch
{
public:
    explicit CCommandWatch(std::optional<double> dSecondsLeft)
        : m_dwThread(GetCurrentThreadId()), m_dSecondsLeft(dSecondsLeft),
          m_Thread([this] { Watch(); })
    {
    }
    ~CCommandWatch()
    {
        m_bDone = true;
        m_Thread.join();
    }
    CCommandWatch(const CCommandWatch&) = delete;
    CCommandWatch& operator=(const CCommandWatch&) = delete;

    bool Fired() const { return m_bFired; }

private:
    void Watch()
    {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point start = Clock::now();
        while (!m_bDone)
        {
            if (s_nStopSignal != 0 ||
                (m_dSecondsLeft &&
                 std::chrono::duration<double>(Clock::now() - start).count() >= *m_dSecondsLeft))
            {
                m_bFired = true;
                PostThreadMessageW(m_dwThread, WM_QUIT, 0, 0);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(LoopWaitMs / 2));
        }
    }

    const DWORD m_dwThread;
    const std::optional<double> m_dSecondsLeft;
    std::atomic<bool> m_bDone{false};
    std::atomic<bool> m_bFired{false};
    std::thread m_Thread; // last: starts once everything above exists
};

} // namespace

CEngineRun::CEngineRun(CZIDOvoine& engine, CMainWindow& window) : m_Engine(engine), m_Window(window)
{
}

bool CEngineRun::WaitForReceiver(std::optional<double> dDurationSeconds, std::string& strError)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    while (!m_Engine.IsReceiving())
    {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, LoopWaitMs, QS_ALLINPUT);
        m_Window.Pump();
        if (m_Engine.GetLastError() != GPS_ENGINE_NO_ERROR)
        {
            strError = ToSystemPath(m_Engine.GetLastErrorString().GetString());
            return false;
        }
        const double dSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (s_nStopSignal != 0 || (dDurationSeconds && dSeconds >= *dDurationSeconds))
        {
            strError = "the run ended before the receiver was ready for commands";
            m_bFailedWhileRunning = true;
            return false;
        }
        if (!m_Engine.IsActive() || dSeconds > ReadyWaitSeconds)
        {
            strError = "the receiver was not ready for commands";
            return false;
        }
    }
    return true;
}

bool CEngineRun::SendCommands(const std::vector<SCommand>& commands, CDOZOzoeiver& receiver,
                              std::optional<double> dSecondsLeft, std::string& strError,
                              bool& bDeviceGone)
{
    bool bAllDone = true;
    CCommandWatch watch(dSecondsLeft);
    // On this thread, as a host's commands run: each blocks for its pauses, and a reset's wait
    // keeps the records flowing to the window.
    for (const SCommand& command : commands)
    {
        const std::string strName = command.pOption->pszName + 2;
        if (watch.Fired())
        {
            if (bAllDone)
            {
                strError = "the run ended before --" + strName + " was sent";
            }
            return false;
        }
        const bool bDone = command.pOption->pfnRun(receiver, command.strValue);
        m_Window.Pump();
        if (CDOZOzoeiver::m_Port.IsDeviceGone())
        {
            m_Window.PrintCommand(strName, command.strValue, ECommandResult::NotSent);
            strError = std::string(DeviceGone) + " while --" + strName + " was sent";
            bDeviceGone = true;
            return false;
        }
        const bool bReset = strName == "reset";
        m_Window.PrintCommand(
            strName, command.strValue,
            bDone ? (bReset ? ECommandResult::Acknowledged : ECommandResult::Sent)
                  : (bReset ? ECommandResult::NotAcknowledged : ECommandResult::Refused));
        if (!bDone && bAllDone)
        {
            strError = "the receiver did not carry out --" + strName;
            bAllDone = false;
        }
    }
    return bAllDone;
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
    const auto secondsSinceStart = [&] {
        return std::chrono::duration<double>(Clock::now() - start).count();
    };
    bool bClean = true;
    if (!commands.empty())
    {
        if (!WaitForReceiver(dDurationSeconds, strError))
        {
            m_Engine.Stop();
            m_Window.Pump();
            return false;
        }
        std::optional<double> dSecondsLeft;
        if (dDurationSeconds)
        {
            dSecondsLeft = *dDurationSeconds - secondsSinceStart();
        }
        bool bDeviceGone = false;
        if (!SendCommands(commands, receiver, dSecondsLeft, strError, bDeviceGone))
        {
            bClean = false;
            m_bFailedWhileRunning = true;
        }
        // A quit the watch posted after the last wait is no message for the window.
        m_Window.Pump();
        if (bDeviceGone)
        {
            m_Engine.Stop();
            m_Window.Pump();
            return false;
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
        if (dDurationSeconds && secondsSinceStart() >= *dDurationSeconds)
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
        if (CDOZOzoeiver::m_Port.IsDeviceGone())
        {
            strError = DeviceGone;
            bClean = false;
            m_bFailedWhileRunning = true;
            break;
        }
    }
    m_Engine.Stop();
    m_Window.Pump();
    return bClean;
}
