// Test helpers for the serial port: a pseudo-terminal whose slave side the library opens as a
// COM port while the test plays the device on the master side, and a scoped COM port mapping.
#pragma once

#include "platform/Comm.h"

#include <chrono>
#include <string>
#include <termios.h>

class CPtyPair
{
public:
    CPtyPair();
    ~CPtyPair();
    CPtyPair(const CPtyPair&) = delete;
    CPtyPair& operator=(const CPtyPair&) = delete;

    bool IsValid() const { return m_master >= 0 && m_slave >= 0; }
    const std::string& SlavePath() const { return m_strSlavePath; }

    // The device's side: bytes the port will read, and bytes the port has written.
    bool Send(const std::string& bytes) const;
    // Reads from the master until nCount bytes came or nothing came for quiet.
    std::string Receive(std::size_t nCount,
                        std::chrono::milliseconds quiet = std::chrono::milliseconds(500)) const;
    // The slave's line settings as the kernel holds them.
    termios SlaveTermios() const;
    // The device goes away: the port's side is hung up.
    void CloseMaster();

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_strSlavePath;
};

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

// Milliseconds since a start point, for ordering checks in timed tests.
inline long long MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}
