// The gpsd-protocol server of fixora (tools/fixora/GpsdServer.*), driven in this process as
// fixora's main thread drives it, with clients on loopback sockets in threads of their own:
//   1. reports per second from records handed over as fast as a fast replay hands them, to one
//      and to 20 reading clients (each record is a TPV and a SKY);
//   2. the latency from handing a record over to a client holding its TPV line (p50, p99), one
//      record a millisecond;
//   3. the server's resident memory while one client that never reads is sent records.
//
//   gpsd_serve_probe [--records N]   records of the throughput runs (default 100000)
#include "GpsdServer.h"
#include "ProcessUsage.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using process_usage::ResidentKb;

namespace
{

using Clock = std::chrono::steady_clock;

// A fix with twelve satellites: the size of a typical TPV and SKY. Its UTC carries its number.
CGPSData MakeRecord(int nIndex)
{
    CGPSData data;
    data.m_dLatitude = 0.8398;
    data.m_dLongitude = 0.2010;
    data.m_dAltitude = 545.4;
    data.m_SignalStatus = UDF_SIGNAL_GPS;
    data.m_dHDOP = 0.9;
    data.m_dPDOP = 1.8;
    data.m_dVDOP = 1.5;
    data.m_dSpeed = 1.25;
    data.m_dHeading = 1.0;
    data.m_bPosition = data.m_bMotion = data.m_bDOP = data.m_bSatellites = true;
    data.m_dUTCTime = nIndex * 0.001;
    for (int i = 0; i < 12; ++i)
    {
        CGPSSatelliteData& sv = data.m_Satellites[i];
        sv.m_nPRN = i + 1;
        sv.m_dElevation = 0.1 * i;
        sv.m_dAzimuth = 0.5 * i;
        sv.m_nSNR = 30 + i;
        sv.m_bUsed = i < 8;
    }
    return data;
}

int Connect(int nPort, int nReceiveBuffer = 0)
{
    const int nSocket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (nReceiveBuffer > 0)
    {
        setsockopt(nSocket, SOL_SOCKET, SO_RCVBUF, &nReceiveBuffer, sizeof nReceiveBuffer);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(nPort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(nSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    {
        std::perror("connect");
        std::exit(1);
    }
    const char szWatch[] = "?WATCH={\"enable\":true,\"json\":true};\n";
    if (send(nSocket, szWatch, sizeof szWatch - 1, 0) < 0)
    {
        std::perror("send");
        std::exit(1);
    }
    return nSocket;
}

// A client that reads every line and notes, for each TPV, when it arrived (by the record number
// its time carries). It stops at the TPV of record nLast, or when the connection ends.
class CReader
{
public:
    CReader(int nPort, int nRecords)
        : m_nSocket(Connect(nPort)), m_Arrivals(static_cast<std::size_t>(nRecords)),
          m_Thread([this] { Read(); })
    {
    }
    ~CReader()
    {
        Join();
        close(m_nSocket);
    }
    // Waits until the server has answered the watch.
    void WaitWatching() const
    {
        while (!m_bWatching)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    void Join()
    {
        if (m_Thread.joinable())
        {
            m_Thread.join();
        }
    }
    const std::vector<Clock::time_point>& Arrivals() const { return m_Arrivals; }
    long long Reports() const { return m_nReports; }

private:
    void Read()
    {
        std::string strPending;
        std::vector<char> block(1 << 16);
        for (;;)
        {
            const ssize_t n = recv(m_nSocket, block.data(), block.size(), 0);
            if (n <= 0)
            {
                return;
            }
            const Clock::time_point now = Clock::now();
            strPending.append(block.data(), static_cast<std::size_t>(n));
            std::size_t nStart = 0;
            for (std::size_t nEnd; (nEnd = strPending.find('\n', nStart)) != std::string::npos;
                 nStart = nEnd + 1)
            {
                const std::string_view svLine(strPending.data() + nStart, nEnd - nStart);
                if (svLine.starts_with("{\"class\":\"WATCH\""))
                {
                    m_bWatching = true;
                }
                if (svLine.starts_with("{\"class\":\"TPV\"") ||
                    svLine.starts_with("{\"class\":\"SKY\""))
                {
                    ++m_nReports;
                }
                // "time":"YYYY-MM-DDTHH:MM:SS.mmmZ": the record number is the UTC in ms.
                const std::size_t nTime = svLine.find("\"time\":\"");
                if (svLine.starts_with("{\"class\":\"TPV\"") && nTime != std::string_view::npos)
                {
                    const std::string_view svClock = svLine.substr(nTime + 19, 12);
                    const int nMs = std::atoi(std::string(svClock.substr(0, 2)).c_str()) * 3600000 +
                                    std::atoi(std::string(svClock.substr(3, 2)).c_str()) * 60000 +
                                    std::atoi(std::string(svClock.substr(6, 2)).c_str()) * 1000 +
                                    std::atoi(std::string(svClock.substr(9, 3)).c_str());
                    if (nMs >= 0 && static_cast<std::size_t>(nMs) < m_Arrivals.size())
                    {
                        m_Arrivals[static_cast<std::size_t>(nMs)] = now;
                        if (static_cast<std::size_t>(nMs) + 1 == m_Arrivals.size())
                        {
                            return;
                        }
                    }
                }
            }
            strPending.erase(0, nStart);
        }
    }

    const int m_nSocket;
    std::vector<Clock::time_point> m_Arrivals;
    std::atomic<bool> m_bWatching{false};
    std::atomic<long long> m_nReports{0};
    std::thread m_Thread;
};

void Throughput(int nClients, int nRecords)
{
    CGpsdServer server(SGpsdDevice{"bench", "NMEA-0183", 0});
    std::string strError;
    if (!server.Start("127.0.0.1", 0, strError))
    {
        std::fprintf(stderr, "%s\n", strError.c_str());
        std::exit(1);
    }
    const int nPort = std::atoi(server.Address().substr(server.Address().rfind(':') + 1).c_str());
    std::vector<std::unique_ptr<CReader>> readers;
    for (int i = 0; i < nClients; ++i)
    {
        readers.push_back(std::make_unique<CReader>(nPort, nRecords));
        readers.back()->WaitWatching();
    }
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < nRecords; ++i)
    {
        server.Publish(MakeRecord(i));
    }
    const double dPublished = std::chrono::duration<double>(Clock::now() - start).count();
    long long nReceived = 0;
    for (auto& pReader : readers)
    {
        pReader->Join();
        nReceived += pReader->Reports();
    }
    const double dSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%2d client(s): %d records (%d reports each) handed over in %.3f s; clients got "
                "%lld of %lld reports (%.1f %%) in %.3f s: %.0f reports/s to each client, %.0f "
                "in all\n",
                nClients, nRecords, 2 * nRecords, dPublished, nReceived, 2LL * nRecords * nClients,
                100.0 * nReceived / (2.0 * nRecords * nClients), dSeconds,
                nReceived / dSeconds / nClients, nReceived / dSeconds);
    readers.clear();
}

void Latency(int nRecords)
{
    CGpsdServer server(SGpsdDevice{"bench", "NMEA-0183", 0});
    std::string strError;
    server.Start("127.0.0.1", 0, strError);
    const int nPort = std::atoi(server.Address().substr(server.Address().rfind(':') + 1).c_str());
    CReader reader(nPort, nRecords);
    reader.WaitWatching();
    std::vector<Clock::time_point> handed(static_cast<std::size_t>(nRecords));
    for (int i = 0; i < nRecords; ++i)
    {
        const CGPSData record = MakeRecord(i);
        handed[static_cast<std::size_t>(i)] = Clock::now();
        server.Publish(record);
        std::this_thread::sleep_until(handed[static_cast<std::size_t>(i)] +
                                      std::chrono::milliseconds(1));
    }
    reader.Join();
    std::vector<double> latencies;
    for (int i = 0; i < nRecords; ++i)
    {
        const Clock::time_point arrived = reader.Arrivals()[static_cast<std::size_t>(i)];
        if (arrived != Clock::time_point())
        {
            latencies.push_back(std::chrono::duration<double, std::micro>(
                                    arrived - handed[static_cast<std::size_t>(i)])
                                    .count());
        }
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double dShare) {
        return latencies[static_cast<std::size_t>(dShare * (latencies.size() - 1))];
    };
    std::printf("latency, record handed over to its TPV read by one client (%zu of %d records, one "
                "a millisecond): p50 %.0f us, p99 %.0f us, max %.0f us\n",
                latencies.size(), nRecords, at(0.5), at(0.99), latencies.back());
}

void SleeperMemory(int nRecords)
{
    CGpsdServer server(SGpsdDevice{"bench", "NMEA-0183", 0});
    std::string strError;
    server.Start("127.0.0.1", 0, strError);
    const int nPort = std::atoi(server.Address().substr(server.Address().rfind(':') + 1).c_str());
    const int nSleeper = Connect(nPort, 4096);
    std::printf("resident memory with one client that never reads, after N records:");
    for (int i = 0; i < nRecords; ++i)
    {
        server.Publish(MakeRecord(i % 86400000));
        if ((i + 1) % (nRecords / 8) == 0)
        {
            std::printf(" %d: %lld kB%s", i + 1, ResidentKb(), i + 1 < nRecords ? "," : "\n");
        }
    }
    close(nSleeper);
}

} // namespace

int main(int argc, char** argv)
{
    int nRecords = 100000;
    if (argc == 3 && std::strcmp(argv[1], "--records") == 0)
    {
        nRecords = std::max(1000, std::atoi(argv[2]));
    }
    std::printf("resident memory at start: %lld kB\n", ResidentKb());
    SleeperMemory(8 * nRecords);
    Throughput(1, nRecords);
    Throughput(20, nRecords);
    Latency(5000);
    return 0;
}
