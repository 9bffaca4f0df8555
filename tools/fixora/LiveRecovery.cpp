// What a live run does beyond reading its device: --baud auto tries the usual rates until one
// brings intact messages, --reconnect waits for a device that went away, and a run that brings
// nothing intact for a while says so once.
#include "EngineRun.h"

#include "Collection.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace
{

using namespace std::chrono_literals;

// The rates --baud auto tries after the model's own.
constexpr int s_anProbeRates[] = {4800, 9600, 19200, 38400, 57600, 115200};
// How long one rate is listened to, and how many intact messages make it the receiver's: a
// receiver sends at least a sentence a second, noise at a wrong rate almost never one whose
// checksum holds.
constexpr auto s_ProbeWindow = 2000ms;
constexpr long long s_nIntactForRate = 2;
// How often a device that went away is looked for.
constexpr auto s_ReconnectPoll = 1000ms;
// How long a run may bring nothing intact before it says so.
constexpr auto s_QuietWarning = 5s;
// One wait for a message: how late the end of the run is seen.
constexpr DWORD s_dwPumpWait = 50;

} // namespace

bool CEngineRun::StartEngine(CDOZOzoeiver& receiver, std::string& strError)
{
    if (m_Live && m_Live->bBaudAuto)
    {
        return FindBaudRate(receiver, strError);
    }
    if (!m_Engine.Start())
    {
        strError = ToSystemPath(m_Engine.GetLastErrorString().GetString());
        return false;
    }
    return true;
}

bool CEngineRun::FindBaudRate(CDOZOzoeiver& receiver, std::string& strError)
{
    // The model's own rate first: a receiver is most often at it, and then one window is spent.
    std::vector<int> rates = {receiver.GetCurrentBaudrate()};
    for (int nRate : s_anProbeRates)
    {
        if (nRate != rates.front())
        {
            rates.push_back(nRate);
        }
    }
    std::string strTried;
    for (int nRate : rates)
    {
        receiver.SetProperties(nRate);
        if (!m_Engine.Start() || !WaitForReceiver(strError))
        {
            if (strError.empty())
            {
                strError = ToSystemPath(m_Engine.GetLastErrorString().GetString());
            }
            return false;
        }
        const long long nBefore = m_Window.IntactCount();
        const auto until = Clock::now() + s_ProbeWindow;
        while (m_Window.IntactCount() - nBefore < s_nIntactForRate && Clock::now() < until &&
               !IsOver() && !m_Engine.IsPortLost())
        {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, s_dwPumpWait, QS_ALLINPUT);
            m_Window.Pump();
            EmptyCollectedText(m_Engine);
        }
        if (m_Window.IntactCount() - nBefore >= s_nIntactForRate)
        {
            std::fprintf(stderr, "fixora: %s answers at %d baud\n", m_Live->strDevice.c_str(),
                         nRate);
            return true;
        }
        if (IsOver() || m_Engine.IsPortLost())
        {
            strError = IsOver() ? "the run ended before a baud rate was found"
                                : "the receiver's device went away while its baud rate was sought";
            m_bFailedWhileRunning = true;
            return false;
        }
        m_Engine.Stop();
        m_Window.Pump();
        strTried += (strTried.empty() ? "" : ", ") + std::to_string(nRate);
    }
    strError = "nothing valid at " + strTried + " baud (is the receiver on, and sending?)";
    return false;
}

bool CEngineRun::IsDeviceThere() const
{
#ifdef _WIN32
    return true; // a COM port name is no path to look at: the port's open is the look
#else
    std::error_code error;
    return std::filesystem::exists(ToSystemPath(GetComPortDevice(m_Live->nPort).GetString()),
                                   error);
#endif
}

bool CEngineRun::TakeDeviceBack()
{
    const char* pszDevice = m_Live->strDevice.c_str();
    std::fprintf(stderr, "fixora: lost the receiver's device %s; waiting for it to come back\n",
                 pszDevice);
    m_Engine.Stop();
    m_Window.Pump();
    KeepRawLogSegment();
    if (!m_Live->strRawLog.empty())
    {
        m_Engine.m_strRawLogFile = CString(RawLogSegment().c_str());
        m_bOnRawLogSegment = true;
    }
    for (;;)
    {
        for (const auto next = Clock::now() + s_ReconnectPoll; Clock::now() < next;)
        {
            if (IsOver())
            {
                return false;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, s_dwPumpWait, QS_ALLINPUT);
            m_Window.Pump();
        }
        std::string strError;
        if (IsDeviceThere() && m_Engine.Start() && WaitForReceiver(strError))
        {
            std::fprintf(stderr, "fixora: reconnected to %s\n", pszDevice);
            StartWatch();
            return true;
        }
        m_Engine.Stop();
        m_Window.Pump();
    }
}

void CEngineRun::KeepRawLogSegment()
{
    if (!m_bOnRawLogSegment)
    {
        return;
    }
    const std::string strSegment = RawLogSegment();
    std::error_code error;
    const auto nBytes = std::filesystem::file_size(strSegment, error);
    if (error)
    {
        return; // nothing came on that connection
    }
    bool bKept = nBytes == 0;
    if (!bKept)
    {
        std::ifstream in(strSegment, std::ios::binary);
        std::ofstream out(m_Live->strRawLog, std::ios::binary | std::ios::app);
        bKept = in && out && (out << in.rdbuf()) && out.flush();
    }
    if (bKept)
    {
        std::filesystem::remove(strSegment, error);
    }
    else
    {
        std::fprintf(stderr, "fixora: could not add %s to the raw log %s; its bytes stay there\n",
                     strSegment.c_str(), m_Live->strRawLog.c_str());
    }
}

void CEngineRun::StartWatch()
{
    m_LastIntact = Clock::now();
    m_nIntactSeen = m_Window.IntactCount();
    m_bWarned = false;
}

void CEngineRun::Watch(CDOZOzoeiver& receiver)
{
    if (!m_Live || m_Live->bBaudAuto)
    {
        return;
    }
    const auto now = Clock::now();
    if (m_Window.IntactCount() != m_nIntactSeen)
    {
        m_nIntactSeen = m_Window.IntactCount();
        m_LastIntact = now;
        return;
    }
    if (!m_bWarned && now - m_LastIntact >= s_QuietWarning)
    {
        m_bWarned = true;
        std::fprintf(stderr,
                     "fixora: nothing valid from %s in %lld s at %d baud; is the receiver at "
                     "another rate? try --baud auto\n",
                     m_Live->strDevice.c_str(),
                     static_cast<long long>(
                         std::chrono::duration_cast<std::chrono::seconds>(s_QuietWarning).count()),
                     receiver.GetCurrentBaudrate());
    }
}
