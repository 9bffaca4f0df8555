// A pseudo-terminal that plays the receiver: the engine opens its slave side as COM port n while
// the test writes the receiver's bytes to the master side.
#pragma once

#include "platform/Comm.h"

#include <pty.h>
#include <string>
#include <unistd.h>

class CDevicePty
{
public:
    explicit CDevicePty(int nPort) : m_nPort(nPort)
    {
        char szName[256] = {};
        if (::openpty(&m_master, &m_slave, szName, nullptr, nullptr) == 0)
        {
            SetComPortDevice(nPort, szName);
        }
    }
    ~CDevicePty()
    {
        SetComPortDevice(m_nPort, nullptr);
        for (int fd : {m_master, m_slave})
        {
            if (fd >= 0)
            {
                ::close(fd);
            }
        }
    }
    CDevicePty(const CDevicePty&) = delete;
    CDevicePty& operator=(const CDevicePty&) = delete;

    bool IsValid() const { return m_master >= 0; }

    // Blocks while the port's input queue is full.
    bool Send(const std::string& strBytes) const
    {
        std::size_t nDone = 0;
        while (nDone < strBytes.size())
        {
            const ssize_t n = ::write(m_master, strBytes.data() + nDone, strBytes.size() - nDone);
            if (n <= 0)
            {
                return false;
            }
            nDone += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int m_nPort;
    int m_master = -1;
    int m_slave = -1;
};
