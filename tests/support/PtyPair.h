// A pseudo-terminal pair for tests: the library (or a program) opens the slave side as a serial
// device while the test plays the device on the master side. Needs nothing of the library.
#pragma once

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <poll.h>
#include <pty.h>
#include <string>
#include <utility>
#include <termios.h>
#include <unistd.h>

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
        // A program the test starts must not hold the device's side open: closing it here
        // would then hang nothing up.
        ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
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

    // What the port wrote: waits up to the deadline for nExpected bytes, then takes whatever else
    // follows within the quiet time, so a surplus shows. With nExpected 0 it only listens for
    // the quiet time.
    std::string Receive(std::size_t nExpected,
                        std::chrono::milliseconds quiet = std::chrono::milliseconds(150),
                        std::chrono::milliseconds deadline = std::chrono::milliseconds(3000)) const
    {
        std::string bytes;
        for (char buffer[1024];;)
        {
            const auto wait = bytes.size() < nExpected ? deadline : quiet;
            pollfd fd = {m_master, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(wait.count())) <= 0 || (fd.revents & POLLIN) == 0)
            {
                return bytes;
            }
            const ssize_t n = ::read(m_master, buffer, sizeof(buffer));
            if (n <= 0 && errno != EAGAIN && errno != EINTR)
            {
                return bytes;
            }
            bytes.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        }
    }

    // Plays the device: writes every byte, waiting while the port's input queue is full.
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

    // Drops whatever either side has not read yet.
    void Flush() const
    {
        ::tcflush(m_master, TCIOFLUSH);
        ::tcflush(m_slave, TCIOFLUSH);
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

// A pseudo-terminal reached through a link at a fixed path: a device that goes away (Unplug)
// and comes back at the same path as a new terminal (PlugIn).
class CPtyAtPath
{
public:
    explicit CPtyAtPath(std::string strLink) : m_strLink(std::move(strLink)) { PlugIn(); }

    void PlugIn()
    {
        m_pPty = std::make_unique<CPtyPair>();
        // Re-pointed in one step, so the path never names nothing while a device is there.
        std::filesystem::create_symlink(m_pPty->SlavePath(), m_strLink + ".next");
        std::filesystem::rename(m_strLink + ".next", m_strLink);
    }
    void Unplug() { m_pPty.reset(); }

    const std::string& Path() const { return m_strLink; }
    CPtyPair& Pty() { return *m_pPty; }

private:
    std::string m_strLink;
    std::unique_ptr<CPtyPair> m_pPty;
};
