// CGpsdServer: serves the records as the gpsd JSON protocol over TCP to any number of clients.
// Its sockets live on a thread of their own (asio); the main thread hands it records, which it
// turns into reports and queues for each watching client without waiting on any socket. A
// client's queue holds a bounded number of reports: one that does not read loses its oldest,
// and the log (standard error) says so once per episode.
#pragma once

#include "GpsdReports.h"

#include "Fixora_Vorn.h"

#include <memory>
#include <string>

class CGpsdServer
{
public:
    // Enough for a burst of a fast replay to a client that reads; about half a megabyte.
    static constexpr std::size_t DefaultQueueReports = 1024;

    explicit CGpsdServer(SGpsdDevice device, std::size_t nQueueReports = DefaultQueueReports);
    ~CGpsdServer();
    CGpsdServer(const CGpsdServer&) = delete;
    CGpsdServer& operator=(const CGpsdServer&) = delete;

    // Listens on strHost (a name or address) and nPort (0: any free port) and starts serving;
    // false with strError when the address cannot be used.
    bool Start(const std::string& strHost, unsigned short nPort, std::string& strError);
    // HOST:PORT as bound, once started.
    std::string Address() const;
    // Closes every connection and ends the thread; the destructor does it too.
    void Stop();

    // Main thread: a position record, as TPV and SKY to the clients watching JSON.
    void Publish(const CGPSData& data);
    // Main thread: a message's text, to the clients watching NMEA.
    void PublishSentence(const CString& strText);
    // Main thread: the input has ended; the device leaves the DEVICES list.
    void EndDevice();

private:
    class CImpl;
    std::unique_ptr<CImpl> m_pImpl;
};
