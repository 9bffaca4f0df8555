#include "PtyPair.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

CPtyPair::CPtyPair()
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

CPtyPair::~CPtyPair()
{
    CloseMaster();
    if (m_slave >= 0)
    {
        ::close(m_slave);
    }
}

bool CPtyPair::Send(const std::string& bytes) const
{
    std::size_t nDone = 0;
    while (nDone < bytes.size())
    {
        const ssize_t n = ::write(m_master, bytes.data() + nDone, bytes.size() - nDone);
        if (n > 0)
        {
            nDone += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
        {
            return false;
        }
        pollfd fd = {m_master, POLLOUT, 0};
        ::poll(&fd, 1, 100);
    }
    return true;
}

std::string CPtyPair::Receive(std::size_t nCount, std::chrono::milliseconds quiet) const
{
    std::string bytes;
    while (bytes.size() < nCount)
    {
        pollfd fd = {m_master, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(quiet.count())) <= 0 || (fd.revents & POLLIN) == 0)
        {
            break;
        }
        char buffer[1024];
        const ssize_t n = ::read(m_master, buffer, sizeof(buffer));
        if (n <= 0)
        {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

termios CPtyPair::SlaveTermios() const
{
    termios tio{};
    ::tcgetattr(m_slave, &tio);
    return tio;
}

void CPtyPair::CloseMaster()
{
    if (m_master >= 0)
    {
        ::close(m_master);
        m_master = -1;
    }
}
