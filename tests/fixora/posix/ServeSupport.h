// For the tests of fixora --serve: a fixora serving on a free loopback port, a connection of the
// test's own that reads whole lines, and a stream of 100 fixes a second that a replay paced by
// UTC plays in a short time.
#pragma once

#include "../FixoraRunner.h"
#include "support/Waiting.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <regex>
#include <string_view>
#include <sys/socket.h>

// nFixes of GGA (quality 1 and 2 in turn, 0.2 m higher each time), RMC, GSA and one GSV, 0.01 s
// of UTC apart from 10:00:00 (the first is fix number nFirst).
inline std::string FastStream(int nFixes, int nFirst = 0)
{
    std::string strStream;
    for (int i = nFirst; i < nFirst + nFixes; ++i)
    {
        char szTime[16];
        char szLat[16];
        char szGga[96];
        std::snprintf(szTime, sizeof szTime, "1000%02d.%02d", i / 100 % 60, i % 100);
        std::snprintf(szLat, sizeof szLat, "48%07.4f", 7.038 + i * 0.0001);
        std::snprintf(szGga, sizeof szGga, "GPGGA,%s,%s,N,01131.0000,E,%d,08,0.9,%.1f,M,46.9,M,,",
                      szTime, szLat, 1 + i % 2, 545.4 + i * 0.2);
        strStream += NmeaSentence(szGga);
        strStream += NmeaSentence(std::string("GPRMC,") + szTime + ",A," + szLat +
                                  ",N,01131.0000,E,022.4,084.4,230394,003.1,W");
        strStream += NmeaSentence("GPGSA,A,3,04,05,09,12,,,,,,,,,2.5,1.3,2.1");
        strStream +=
            NmeaSentence("GPGSV,1,1,04,04,40,083,46,05,30,120,40,09,60,300,45,12,10,200,30");
    }
    return strStream;
}

// Seconds of the day of an ISO 8601 time ("...T10:00:00.310Z").
inline double SecondsOfDay(const std::string& strIso)
{
    const std::size_t nT = strIso.find('T');
    return std::stoi(strIso.substr(nT + 1, 2)) * 3600.0 +
           std::stoi(strIso.substr(nT + 4, 2)) * 60.0 + std::stod(strIso.substr(nT + 7));
}

// fixora with args and --serve 127.0.0.1:0, ready once it has said where it listens.
class CServing : public CBackgroundRun
{
public:
    explicit CServing(const std::vector<std::string>& args)
        : CBackgroundRun(Serving(args)), m_nPort(0)
    {
        const std::regex says("serving gpsd clients on 127.0.0.1:([0-9]+)\n");
        std::smatch match;
        std::string strLog;
        if (WaitUntil([&] { return std::regex_search(strLog = Err(), match, says); }))
            m_nPort = std::stoi(match[1]);
    }
    int Port() const { return m_nPort; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_nPort); }

private:
    static std::vector<std::string> Serving(std::vector<std::string> args)
    {
        args.insert(args.end(), {"--serve", "127.0.0.1:0"});
        return args;
    }
    int m_nPort;
};

// A client connection of the test: sends text, reads lines; every wait ends after five seconds.
class CConnection
{
public:
    // nReceiveBuffer > 0 shrinks the socket's receive buffer (a client that reads little).
    explicit CConnection(int nPort, int nReceiveBuffer = 0)
        : m_nSocket(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        if (nReceiveBuffer > 0)
            setsockopt(m_nSocket, SOL_SOCKET, SO_RCVBUF, &nReceiveBuffer, sizeof nReceiveBuffer);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(nPort));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connect(m_nSocket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~CConnection() { close(m_nSocket); }
    CConnection(const CConnection&) = delete;
    CConnection& operator=(const CConnection&) = delete;

    bool Ended() const { return m_bEnded; }
    int LocalPort() const
    {
        sockaddr_in address{};
        socklen_t nSize = sizeof address;
        getsockname(m_nSocket, reinterpret_cast<sockaddr*>(&address), &nSize);
        return ntohs(address.sin_port);
    }

    // A blocking send hands over every byte unless the connection fails.
    bool Send(const std::string& strText) const
    {
        return send(m_nSocket, strText.data(), strText.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(strText.size());
    }

    // The next line without its line end; none when the connection ends (Ended() then says
    // so) or nothing comes within nWaitMs.
    std::optional<std::string> Line(int nWaitMs = 5000)
    {
        std::size_t nEnd;
        while ((nEnd = m_strPending.find('\n')) == std::string::npos)
        {
            pollfd fd = {m_nSocket, POLLIN, 0};
            char block[65536];
            if (poll(&fd, 1, nWaitMs) <= 0)
                return std::nullopt;
            const ssize_t n = recv(m_nSocket, block, sizeof block, 0);
            if ((m_bEnded = n <= 0))
                return std::nullopt;
            m_strPending.append(block, static_cast<std::size_t>(n));
        }
        std::string strLine = m_strPending.substr(0, nEnd);
        m_strPending.erase(0, nEnd + 1);
        return strLine;
    }

    // The first of the next lines that holds strText; none when the connection ends or falls
    // silent first.
    std::optional<std::string> LineWith(std::string_view strText)
    {
        std::optional<std::string> strLine;
        while ((strLine = Line()) && strLine->find(strText) == std::string::npos)
        {
        }
        return strLine;
    }

private:
    const int m_nSocket;
    std::string m_strPending;
    bool m_bEnded = false;
};
