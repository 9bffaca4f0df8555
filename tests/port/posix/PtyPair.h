// Test helpers for the serial port: a pseudo-terminal whose slave side the library opens as a
// COM port while the test plays the device on the master side, and a scoped COM port mapping.
#pragma once

#include "platform/Comm.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>

// Maps a COM port number to a device path for the life of the object.
class CComPortMapping
{
public:
    CComPortMapping(int nPort, const std::string& strPath) : m_nPort(nPort)
    {
        SetComPortDevice(nPort, strPath.c_str());
    }
    ~CComPortMapping() { SetComPortDevice(m_nPort, nullptr); }
    CComPortMapping(const CComPortMapping&) = delete;
    CComPortMapping& operator=(const CComPortMapping&) = delete;

private:
    int m_nPort;
};

class CPtyPair
{
public:
    CPtyPair()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        {
            m_master = m_slave = -1;
            return;
        }
        m_strSlavePath = name;
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~CPtyPair()
    {
        CloseMaster();
        if (m_slave >= 0)
        {
            ::close(m_slave);
        }
    }
    CPtyPair(const CPtyPair&) = delete;
    CPtyPair& operator=(const CPtyPair&) = delete;

    bool IsValid() const { return m_master >= 0 && m_slave >= 0; }
    const std::string& SlavePath() const { return m_strSlavePath; }

    // The device's side: bytes the port will read.
    bool Send(const std::string& bytes) const
    {
        for (std::size_t nDone = 0; nDone < bytes.size();)
        {
            const ssize_t n = ::write(m_master, bytes.data() + nDone, bytes.size() - nDone);
            if (n < 0 && errno != EAGAIN && errno != EINTR)
            {
                return false;
            }
            nDone += n > 0 ? static_cast<std::size_t>(n) : 0;
            pollfd fd = {m_master, POLLOUT, 0};
            ::poll(&fd, 1, n > 0 ? 0 : 100);
        }
        return true;
    }
    // Bytes the port has written: reads until nCount bytes came or nothing came for quiet.
    std::string Receive(std::size_t nCount,
                        std::chrono::milliseconds quiet = std::chrono::milliseconds(500)) const
    {
        std::string bytes;
        char buffer[1024];
        pollfd fd = {m_master, POLLIN, 0};
        ssize_t n = 0;
        while (bytes.size() < nCount && ::poll(&fd, 1, static_cast<int>(quiet.count())) > 0 &&
               (fd.revents & POLLIN) != 0 && (n = ::read(m_master, buffer, sizeof(buffer))) > 0)
        {
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        return bytes;
    }
    // The slave's line settings as the kernel holds them.
    termios SlaveTermios() const
    {
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        return tio;
    }
    // The device goes away: the port's side is hung up.
    void CloseMaster()
    {
        if (m_master >= 0)
        {
            ::close(m_master);
            m_master = -1;
        }
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_strSlavePath;
};

// Milliseconds since a start point, for ordering checks in timed tests.
inline long long MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now() - start).count();
}
