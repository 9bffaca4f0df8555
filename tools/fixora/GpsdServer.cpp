// The server's sockets (asio, on its own thread) and the clients' report queues, shared with the
// main thread under one mutex that is never held across a socket operation.
#include "GpsdServer.h"

#include "GpsdRequests.h"

#include <asio.hpp>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace
{

using asio::ip::tcp;
using Report = std::shared_ptr<const std::string>;

// Without SO_REUSEADDR Linux keeps a stopped server's port from a new one for a minute; on
// Windows the option would let a second server take a port in use. The build says which
// (FIXORA_REUSE_ADDRESS).
constexpr bool s_bReuseAddress = FIXORA_REUSE_ADDRESS != 0;
// A request line longer than this ends the connection: no client needs more.
constexpr std::size_t s_nMaxRequestLine = 4096;
// Connections beyond this are closed at once.
constexpr std::size_t s_nMaxClients = 512;
// A client that lost reports is said to read again once it has lost none for this long, so that
// a client that keeps only just up is one episode in the log, not one per queue it empties.
constexpr std::chrono::seconds s_CaughtUp(5);
// The pause after a failed accept.
constexpr std::chrono::milliseconds s_AcceptRetry(100);
// Reports handed to one write: a reading client takes the whole queue at once.
constexpr std::size_t s_nReportsPerWrite = 1024;

Report MakeReport(std::string strText, const char* pszEnd)
{
    strText += pszEnd;
    return std::make_shared<const std::string>(std::move(strText));
}

} // namespace

class CGpsdServer::CImpl
{
public:
    CImpl(SGpsdDevice device, std::size_t nQueueReports)
        : m_Device(std::move(device)), m_nQueueReports(nQueueReports)
    {
    }

    struct SClient
    {
        explicit SClient(tcp::socket socket) : socket(std::move(socket)) {}

        tcp::socket socket;
        std::string strName;
        // Under m_Mutex.
        SGpsdWatch watch;
        std::deque<Report> queue;
        bool bKicked = false;  // a write start is posted
        bool bWriting = false; // a write is under way
        bool bClosing = false; // gone, or closed once the queue is written
        bool bGone = false;
        bool bDropping = false;
        std::size_t nDropped = 0;
        std::chrono::steady_clock::time_point lastDrop;
        // The io thread's own.
        std::vector<Report> sending;
        std::array<char, 2048> readBlock{};
        std::string strPending;
    };
    using ClientPtr = std::shared_ptr<SClient>;

    bool Start(const std::string& strHost, unsigned short nPort, std::string& strError)
    {
        asio::error_code error;
        tcp::resolver resolver(m_Io);
        const auto endpoints =
            resolver.resolve(strHost, std::to_string(nPort), tcp::resolver::numeric_service, error);
        if (error || endpoints.empty())
        {
            strError = "cannot serve on " + strHost + ": " + error.message();
            return false;
        }
        const tcp::endpoint endpoint = endpoints.begin()->endpoint();
        m_Acceptor.open(endpoint.protocol(), error);
        if (!error)
        {
            m_Acceptor.set_option(tcp::acceptor::reuse_address(s_bReuseAddress), error);
        }
        if (!error)
        {
            m_Acceptor.bind(endpoint, error);
        }
        if (!error)
        {
            m_Acceptor.listen(asio::socket_base::max_listen_connections, error);
        }
        if (error)
        {
            strError =
                "cannot serve on " + strHost + ":" + std::to_string(nPort) + ": " + error.message();
            return false;
        }
        const tcp::endpoint bound = m_Acceptor.local_endpoint(error);
        const std::string strAddress = bound.address().to_string();
        m_strAddress = (bound.address().is_v6() ? "[" + strAddress + "]" : strAddress) + ":" +
                       std::to_string(bound.port());
        Accept();
        m_Thread = std::thread([this] { m_Io.run(); });
        return true;
    }

    void Stop()
    {
        if (!m_Thread.joinable())
        {
            return;
        }
        asio::post(m_Io, [this] {
            asio::error_code error;
            m_Acceptor.close(error);
            m_AcceptRetry.cancel();
            const std::lock_guard lock(m_Mutex);
            for (const ClientPtr& pClient : m_Clients)
            {
                pClient->socket.close(error);
            }
            m_Io.stop();
        });
        m_Thread.join();
        const std::lock_guard lock(m_Mutex);
        m_Clients.clear();
    }

    void Publish(const CGPSData& data)
    {
        const std::time_t now = std::time(nullptr);
        std::string strTpv = GpsdTpv(data, m_Device, now);
        std::string strSky = GpsdSky(data, m_Device);
        if (strTpv.empty() && strSky.empty())
        {
            return;
        }
        const bool bWatched = m_nJsonWatchers > 0;
        const Report pTpv = bWatched && !strTpv.empty() ? MakeReport(strTpv, "\n") : nullptr;
        const Report pSky = bWatched && !strSky.empty() ? MakeReport(strSky, "\n") : nullptr;
        const std::lock_guard lock(m_Mutex);
        for (const ClientPtr& pClient : m_Clients)
        {
            if (pClient->watch.bEnable && pClient->watch.bJson)
            {
                for (const Report& pReport : {pTpv, pSky})
                {
                    if (pReport)
                    {
                        Push(pClient, pReport);
                    }
                }
            }
        }
        if (!strTpv.empty())
        {
            m_strLastTpv = std::move(strTpv);
        }
        if (!strSky.empty())
        {
            m_strLastSky = std::move(strSky);
        }
    }

    void PublishSentence(const CString& strText)
    {
        if (m_nNmeaWatchers == 0)
        {
            return;
        }
        // The characters of the library's texts are the bytes received.
        const Report pSentence = std::make_shared<const std::string>(strText.ToNarrow());
        const std::lock_guard lock(m_Mutex);
        for (const ClientPtr& pClient : m_Clients)
        {
            if (pClient->watch.bEnable && pClient->watch.bNmea)
            {
                Push(pClient, pSentence);
            }
        }
    }

    void EndDevice()
    {
        const Report pGone = MakeReport(GpsdDeviceGone(m_Device, std::time(nullptr)), "\n");
        const std::lock_guard lock(m_Mutex);
        m_bDevice = false;
        for (const ClientPtr& pClient : m_Clients)
        {
            if (pClient->watch.bEnable && pClient->watch.bJson)
            {
                Push(pClient, pGone);
            }
        }
    }

    const std::string& Address() const { return m_strAddress; }

private:
    void Accept()
    {
        m_Acceptor.async_accept([this](const asio::error_code& error, tcp::socket socket) {
            if (error == asio::error::operation_aborted || !m_Acceptor.is_open())
            {
                return;
            }
            if (!error)
            {
                Welcome(std::move(socket));
                Accept();
                return;
            }
            // Out of descriptors, say: try again a little later rather than at once, forever.
            m_AcceptRetry.expires_after(s_AcceptRetry);
            m_AcceptRetry.async_wait([this](const asio::error_code& waitError) {
                if (!waitError)
                {
                    Accept();
                }
            });
        });
    }

    void Welcome(tcp::socket socket)
    {
        asio::error_code error;
        socket.set_option(tcp::no_delay(true), error);
        const tcp::endpoint peer = socket.remote_endpoint(error);
        auto pClient = std::make_shared<SClient>(std::move(socket));
        pClient->strName = peer.address().to_string() + ":" + std::to_string(peer.port());
        {
            const std::lock_guard lock(m_Mutex);
            if (m_Clients.size() >= s_nMaxClients)
            {
                pClient->socket.close(error);
                return;
            }
            m_Clients.push_back(pClient);
            Push(pClient, MakeReport(GpsdVersion(), "\n"));
        }
        Read(pClient);
    }

    void Read(const ClientPtr& pClient)
    {
        pClient->socket.async_read_some(
            asio::buffer(pClient->readBlock),
            [this, pClient](const asio::error_code& error, std::size_t nRead) {
                if (error)
                {
                    Drop(pClient);
                    return;
                }
                if (Received(pClient, std::string_view(pClient->readBlock.data(), nRead)))
                {
                    Read(pClient);
                }
            });
    }

    // Answers the complete lines; false when the connection is to end.
    bool Received(const ClientPtr& pClient, std::string_view svBytes)
    {
        std::string& strPending = pClient->strPending;
        strPending.append(svBytes);
        std::size_t nStart = 0;
        for (std::size_t nEnd; (nEnd = strPending.find('\n', nStart)) != std::string::npos;
             nStart = nEnd + 1)
        {
            Answer(pClient, std::string_view(strPending).substr(nStart, nEnd - nStart));
        }
        strPending.erase(0, nStart);
        if (strPending.size() <= s_nMaxRequestLine)
        {
            return true;
        }
        const std::lock_guard lock(m_Mutex);
        Push(pClient, MakeReport(GpsdError("request line too long"), "\n"));
        pClient->bClosing = true; // after the error is written
        return false;
    }

    void Answer(const ClientPtr& pClient, std::string_view svLine)
    {
        std::unique_lock lock(m_Mutex);
        SGpsdState state;
        state.pDevice = m_bDevice ? &m_Device : nullptr;
        state.now = std::time(nullptr);
        if (svLine.find("?POLL") != std::string_view::npos)
        {
            state.strLastTpv = m_strLastTpv;
            state.strLastSky = m_strLastSky;
        }
        SGpsdWatch watch = pClient->watch;
        lock.unlock();
        const std::vector<std::string> answers = AnswerGpsdLine(svLine, watch, state);
        lock.lock();
        pClient->watch = watch;
        Recount();
        for (const std::string& strAnswer : answers)
        {
            Push(pClient, MakeReport(strAnswer, "\n"));
        }
    }

    // Under m_Mutex: queues a report for a client, dropping its oldest when the queue is full.
    void Push(const ClientPtr& pClient, const Report& pReport)
    {
        SClient& client = *pClient;
        if (client.bGone || client.bClosing)
        {
            return;
        }
        if (client.queue.size() >= m_nQueueReports)
        {
            client.queue.pop_front();
            ++client.nDropped;
            client.lastDrop = std::chrono::steady_clock::now();
            if (!client.bDropping)
            {
                client.bDropping = true;
                std::fprintf(stderr,
                             "fixora: gpsd client %s is not reading: its oldest reports are "
                             "dropped\n",
                             client.strName.c_str());
            }
        }
        client.queue.push_back(pReport);
        if (!client.bWriting && !client.bKicked)
        {
            client.bKicked = true;
            asio::post(m_Io, [this, pClient] { WriteNext(pClient); });
        }
    }

    void WriteNext(const ClientPtr& pClient)
    {
        SClient& client = *pClient;
        std::vector<asio::const_buffer> buffers;
        bool bClose = false;
        bool bWrite = false;
        {
            const std::lock_guard lock(m_Mutex);
            client.bKicked = false;
            if (client.bWriting || client.bGone)
            {
                return;
            }
            if (client.queue.empty())
            {
                if (client.bDropping &&
                    std::chrono::steady_clock::now() - client.lastDrop >= s_CaughtUp)
                {
                    std::fprintf(stderr, "fixora: gpsd client %s reads again; %zu reports lost\n",
                                 client.strName.c_str(), client.nDropped);
                    client.bDropping = false;
                    client.nDropped = 0;
                }
                bClose = client.bClosing;
            }
            else
            {
                while (!client.queue.empty() && client.sending.size() < s_nReportsPerWrite)
                {
                    client.sending.push_back(std::move(client.queue.front()));
                    client.queue.pop_front();
                }
                client.bWriting = true;
                bWrite = true;
            }
        }
        if (bClose)
        {
            Drop(pClient);
        }
        if (!bWrite)
        {
            return;
        }
        for (const Report& pReport : client.sending)
        {
            buffers.push_back(asio::buffer(*pReport));
        }
        asio::async_write(client.socket, buffers,
                          [this, pClient](const asio::error_code& error, std::size_t) {
                              pClient->sending.clear();
                              {
                                  const std::lock_guard lock(m_Mutex);
                                  pClient->bWriting = false;
                              }
                              if (error)
                              {
                                  Drop(pClient);
                                  return;
                              }
                              WriteNext(pClient);
                          });
    }

    void Drop(const ClientPtr& pClient)
    {
        {
            const std::lock_guard lock(m_Mutex);
            if (pClient->bGone)
            {
                return;
            }
            pClient->bGone = true;
            pClient->queue.clear();
            if (pClient->bDropping)
            {
                std::fprintf(stderr, "fixora: gpsd client %s left; %zu reports lost\n",
                             pClient->strName.c_str(), pClient->nDropped);
            }
            std::erase(m_Clients, pClient);
            Recount();
        }
        asio::error_code error;
        pClient->socket.close(error);
    }

    // Under m_Mutex: how many clients watch each form, read by the main thread without the lock
    // to skip building reports that nobody wants.
    void Recount()
    {
        int nJson = 0;
        int nNmea = 0;
        for (const ClientPtr& pClient : m_Clients)
        {
            nJson += pClient->watch.bEnable && pClient->watch.bJson ? 1 : 0;
            nNmea += pClient->watch.bEnable && pClient->watch.bNmea ? 1 : 0;
        }
        m_nJsonWatchers = nJson;
        m_nNmeaWatchers = nNmea;
    }

    asio::io_context m_Io;
    tcp::acceptor m_Acceptor{m_Io};
    asio::steady_timer m_AcceptRetry{m_Io};
    std::thread m_Thread;
    std::string m_strAddress;
    const SGpsdDevice m_Device;
    const std::size_t m_nQueueReports;
    std::atomic<int> m_nJsonWatchers{0};
    std::atomic<int> m_nNmeaWatchers{0};
    std::mutex m_Mutex;
    // Under m_Mutex.
    std::vector<ClientPtr> m_Clients;
    bool m_bDevice = true;
    std::string m_strLastTpv;
    std::string m_strLastSky;
};

CGpsdServer::CGpsdServer(SGpsdDevice device, std::size_t nQueueReports)
    : m_pImpl(std::make_unique<CImpl>(std::move(device), nQueueReports))
{
}

CGpsdServer::~CGpsdServer()
{
    Stop();
}

bool CGpsdServer::Start(const std::string& strHost, unsigned short nPort, std::string& strError)
{
    return m_pImpl->Start(strHost, nPort, strError);
}

std::string CGpsdServer::Address() const
{
    return m_pImpl->Address();
}

void CGpsdServer::Stop()
{
    m_pImpl->Stop();
}

void CGpsdServer::Publish(const CGPSData& data)
{
    m_pImpl->Publish(data);
}

void CGpsdServer::PublishSentence(const CString& strText)
{
    m_pImpl->PublishSentence(strText);
}

void CGpsdServer::EndDevice()
{
    m_pImpl->EndDevice();
}
