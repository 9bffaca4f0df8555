// A pseudo-terminal mapped to a COM port number for the life of the object: the library opens
// the slave side as that port while the test plays the receiver on the master side.
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

class CPseudoTerminal
{
public:
    explicit CPseudoTerminal(int nPort) : m_nPort(nPort)
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        {
            m_master = m_slave = -1;
            return;
        }
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        SetComPortDevice(m_nPort, name);
    }

    ~CPseudoTerminal()
    {
        SetComPortDevice(m_nPort, nullptr);
        if (m_master >= 0)
        {
            ::close(m_master);
        }
        if (m_slave >= 0)
        {
            ::close(m_slave);
        }
    }

    CPseudoTerminal(const CPseudoTerminal&) = delete;
    CPseudoTerminal& operator=(const CPseudoTerminal&) = delete;

    bool IsValid() const { return m_master >= 0 && m_slave >= 0; }
    int Port() const { return m_nPort; }

    // What the port wrote: waits up to the deadline for nExpected bytes, then takes whatever else
    // follows within the quiet time, so a surplus shows. With nExpected 0 it only listens for
    // the quiet time.
    std::string Receive(std::size_t nExpected,
                        std::chrono::milliseconds quiet = std::chrono::milliseconds(150),
                        std::chrono::milliseconds deadline = std::chrono::milliseconds(3000)) const
    {
        std::string bytes;
        for (;;)
        {
            const auto wait = bytes.size() < nExpected ? deadline : quiet;
            pollfd fd = {m_master, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(wait.count())) <= 0 || (fd.revents & POLLIN) == 0)
            {
                return bytes;
            }
            char buffer[1024];
            const ssize_t n = ::read(m_master, buffer, sizeof(buffer));
            if (n <= 0 && errno != EAGAIN && errno != EINTR)
            {
                return bytes;
            }
            if (n > 0)
            {
                bytes.append(buffer, static_cast<std::size_t>(n));
            }
        }
    }

    // Plays the receiver: writes every byte, waiting while the port's input queue is full.
    bool Send(const std::string& strBytes) const
    {
        for (std::size_t nDone = 0; nDone < strBytes.size();)
        {
            const ssize_t n = ::write(m_master, strBytes.data() + nDone, strBytes.size() - nDone);
            if (n > 0)
            {
                nDone += static_cast<std::size_t>(n);
                continue;
            }
            pollfd fd = {m_master, POLLOUT, 0};
            if (n == 0 || (errno != EAGAIN && errno != EINTR) || ::poll(&fd, 1, 5000) <= 0)
            {
                return false;
            }
        }
        return true;
    }

    // The slave's line settings as the kernel holds them.
    termios SlaveTermios() const
    {
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        return tio;
    }

private:
    int m_nPort;
    int m_master = -1;
    int m_slave = -1;
};
