// The message loop of an engine-paced run.
#include "EngineRun.h"

#include "Collection.h"
#include "StopSignals.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace
{

// How long one wait for a message may last: how late a stop signal or the end of the duration
// may be noticed.
constexpr DWORD s_dwLoopWait = 50;
// How long the receiver may take to open its port and write its own set-up before commands are
// given up.
constexpr int s_nReadyWaitSeconds = 20;

constexpr const char* s_pszDeviceGone = "the receiver's device went away";

// While commands run on the main thread: once the run is over, posts a quit to that thread. A
// wait for an acknowledgement ends on it and hands it back, so the commands' loop sees that it
// fired and sends no more.
class CCommandWatch
{
public:
    explicit CCommandWatch(std::function<bool()> isOver)
        : m_dwThread(GetCurrentThreadId()), m_IsOver(std::move(isOver)),
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
        while (!m_bDone)
        {
            if (m_IsOver())
            {
                m_bFired = true;
                PostThreadMessageW(m_dwThread, WM_QUIT, 0, 0);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(s_dwLoopWait / 2));
        }
    }

    const DWORD m_dwThread;
    const std::function<bool()> m_IsOver;
    std::atomic<bool> m_bDone{false};
    std::atomic<bool> m_bFired{false};
    std::thread m_Thread; // last: starts once everything above exists
};

} // namespace

CEngineRun::CEngineRun(CZIDOvoine& engine, CCountingWindow& window, const SLiveRecovery* pLive)
    : m_Engine(engine), m_Window(window)
{
    if (pLive != nullptr)
    {
        m_Live = *pLive;
    }
}

bool CEngineRun::IsOver() const
{
    return StopSignal() != 0 || (m_End && Clock::now() >= *m_End);
}

bool CEngineRun::WaitForReceiver(std::string& strError)
{
    const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(s_nReadyWaitSeconds);
    while (!m_Engine.IsReceiving())
    {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, s_dwLoopWait, QS_ALLINPUT);
        m_Window.Pump();
        if (m_Engine.GetLastError() != GPS_ENGINE_NO_ERROR)
        {
            strError = ToSystemPath(m_Engine.GetLastErrorString().GetString());
            return false;
        }
        if (IsOver())
        {
            strError = "the run ended before the receiver was ready for commands";
            m_bFailedWhileRunning = true;
            return false;
        }
        if (!m_Engine.IsActive() || Clock::now() > giveUp)
        {
            strError = "the receiver was not ready for commands";
            return false;
        }
    }
    return true;
}

bool CEngineRun::SendCommands(const std::vector<SCommand>& commands, CDOZOzoeiver& receiver,
                              std::string& strError)
{
    bool bAllDone = true;
    CCommandWatch watch([this] { return IsOver(); });
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
        // The command's own write to a device that has just gone fails at once, while the
        // acquisition thread may see the loss only at its next read.
        if (m_Engine.IsPortLost() || CDOZOzoeiver::m_Port.IsDeviceGone())
        {
            m_Window.PrintCommand(strName, command.strValue, ECommandResult::NotSent);
            strError = std::string(s_pszDeviceGone) + " while --" + strName + " was sent";
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
    if (dDurationSeconds)
    {
        m_End = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(*dDurationSeconds));
    }
    if (!StartEngine(receiver, strError))
    {
        m_Engine.Stop();
        m_Window.Pump();
        return false;
    }
    bool bClean = true;
    if (!commands.empty())
    {
        if (!WaitForReceiver(strError))
        {
            m_Engine.Stop();
            m_Window.Pump();
            return false;
        }
        bClean = SendCommands(commands, receiver, strError);
        m_bFailedWhileRunning = !bClean;
    }
    // The first failure is the one reported.
    const auto fail = [&](std::string strWhy) {
        if (bClean)
        {
            strError = std::move(strWhy);
        }
        bClean = false;
    };
    StartWatch();
    for (;;)
    {
        // Also takes a quit the commands' watch posted after their last wait.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, s_dwLoopWait, QS_ALLINPUT);
        m_Window.Pump();
        EmptyCollectedText(m_Engine);
        if (IsOver())
        {
            break;
        }
        // The thread reports a missing receiver or a failed start here; an emulation file that
        // cannot be opened stops the engine.
        if (m_Engine.GetLastError() != GPS_ENGINE_NO_ERROR)
        {
            fail(ToSystemPath(m_Engine.GetLastErrorString().GetString()));
            break;
        }
        if (!m_Engine.IsActive())
        {
            fail("the engine stopped by itself");
            break;
        }
        if (m_Engine.IsPortLost())
        {
            if (m_Live && m_Live->bReconnect)
            {
                if (!TakeDeviceBack())
                {
                    break; // the run ended while the device was away
                }
                continue;
            }
            fail(s_pszDeviceGone);
            m_bFailedWhileRunning = true;
            break;
        }
        Watch(receiver);
    }
    m_Engine.Stop();
    m_Window.Pump();
    KeepRawLogSegment();
    return bClean;
}
