// What the live probes share: a pseudo-terminal that plays the receiver (the engine opens its
// slave side as a COM port, the probe writes to the master side), the engine in live mode with
// the plain NMEA receiver, and a main window that notes when each position record arrives.
#pragma once

#include "engine/ZIDOvoine.h"
#include "models/ModelCatalogue.h"
#include "platform/Comm.h"
#include "platform/FixoraApp.h"
#include "support/MainWindowStandIn.h"
#include "support/Sentences.h"

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace live_rig
{

using Clock = std::chrono::steady_clock;

// The receiver's side of a serial line: bytes written to the master arrive at the slave, which
// the engine opens as COM port nPort.
class CReceiverPty
{
public:
    explicit CReceiverPty(int nPort) : m_nPort(nPort)
    {
        char szName[256] = {};
        if (::openpty(&m_nMaster, &m_nSlave, szName, nullptr, nullptr) != 0)
        {
            return;
        }
        // Raw from the start: no echo back to the master, no line editing.
        termios settings{};
        if (::tcgetattr(m_nSlave, &settings) == 0)
        {
            ::cfmakeraw(&settings);
            ::tcsetattr(m_nSlave, TCSANOW, &settings);
        }
        SetComPortDevice(nPort, szName);
    }
    ~CReceiverPty()
    {
        SetComPortDevice(m_nPort, nullptr);
        for (int fd : {m_nMaster, m_nSlave})
        {
            if (fd >= 0)
            {
                ::close(fd);
            }
        }
    }
    CReceiverPty(const CReceiverPty&) = delete;
    CReceiverPty& operator=(const CReceiverPty&) = delete;

    bool IsValid() const { return m_nMaster >= 0; }
    int Master() const { return m_nMaster; }
    // The receiver's side goes away, as a pulled cable or a closed pseudo-terminal: the
    // engine's side reads a hang-up from now on.
    void HangUp()
    {
        if (m_nMaster >= 0)
        {
            ::close(m_nMaster);
            m_nMaster = -1;
        }
    }

    bool Write(const char* pBytes, std::size_t nCount) const
    {
        while (nCount > 0)
        {
            const ssize_t n = ::write(m_nMaster, pBytes, nCount);
            if (n <= 0)
            {
                return false;
            }
            pBytes += n;
            nCount -= static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int m_nPort;
    int m_nMaster = -1;
    int m_nSlave = -1;
};

// The host's main window: deletes every record and notes when the last position arrived.
class CProbeWindow : public CMainWindowStandIn
{
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (m_OnMessage)
        {
            m_OnMessage(message, wParam, lParam); // before the record is deleted
        }
        if (message == WM_GPS_POSITION)
        {
            m_LastPosition = Clock::now();
            ++m_nPositions;
        }
        return CMainWindowStandIn::WindowProc(message, wParam, lParam);
    }

    long long m_nPositions = 0;
    Clock::time_point m_LastPosition{};
    // A probe's look at every message, when set.
    std::function<void(UINT, WPARAM, LPARAM)> m_OnMessage;
};

// The engine in live mode on the pseudo-terminal, with the plain NMEA receiver (or another
// registered one), a profile of its own (so no user settings are read) and the main window.
class CLiveRig
{
public:
    static constexpr int kPort = 9;

    explicit CLiveRig(const wchar_t* pszReceiver = L"NMEA-0183")
    {
        m_strPreviousProfile = theApp.GetProfilePath();
        m_profilePath = std::filesystem::temp_directory_path() /
                        ("fixora-probe-" + std::to_string(::getpid()) + ".ini");
        theApp.SetProfilePath(CString(m_profilePath.string().c_str()));
        // A catalogue model is registered first; the engine has only the default receiver.
        if (const SReceiverModel* pModel = FindReceiverModel(CString(pszReceiver)))
        {
            CDOZOzoeiver* pCreated = pModel->m_pfnCreate();
            if (!m_engine.AddReceiver(pCreated))
            {
                delete pCreated;
            }
        }
        m_pReceiver = m_engine.FindReceiver(CString(pszReceiver));
        m_pReceiver->SetupReceiver(kPort, 0, 0.0, CString(L""), false);
        m_engine.SetReceiver(m_pReceiver);
    }
    ~CLiveRig()
    {
        m_engine.Stop();
        theApp.SetProfilePath(m_strPreviousProfile);
        std::error_code error;
        std::filesystem::remove(m_profilePath, error);
    }
    CLiveRig(const CLiveRig&) = delete;
    CLiveRig& operator=(const CLiveRig&) = delete;

    // Starts acquisition and sends sentences until the first record comes back, so the port is
    // open and the road warm; false (with a message) when nothing arrives.
    bool Start()
    {
        if (!m_pty.IsValid())
        {
            std::fprintf(stderr, "no pseudo-terminal\n");
            return false;
        }
        if (!m_engine.Start())
        {
            std::fprintf(stderr, "the engine did not start\n");
            return false;
        }
        for (int i = 0; i < 10; ++i)
        {
            const std::string strSentence = GgaAt(i);
            const long long nBefore = m_window.m_nPositions;
            m_pty.Write(strSentence.data(), strSentence.size());
            const auto until = Clock::now() + std::chrono::milliseconds(1500);
            while (m_window.m_nPositions == nBefore && Clock::now() < until)
            {
                m_window.WaitAndPump(50);
            }
            if (m_window.m_nPositions > nBefore)
            {
                return true;
            }
        }
        std::fprintf(stderr, "no record reached the window (engine error %d)\n",
                     static_cast<int>(m_engine.GetLastError()));
        return false;
    }

    CReceiverPty m_pty{kPort};
    CProbeWindow m_window;
    CZIDOvoine m_engine; // after the device and the window: its thread ends before they go
    CDOZOzoeiver* m_pReceiver = nullptr;

private:
    CString m_strPreviousProfile;
    std::filesystem::path m_profilePath;
};

} // namespace live_rig
