// The acknowledged write on a pseudo-terminal: what reaches the device, the pause without a
// wait, and the wait that ends when the acknowledgement comes back through the publisher (or
// through the sentence parser) on another thread, or when its time runs out.
#include "port/Ack.h"
#include "support/HostWindow.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

constexpr int kPort = 11;

// The device's side of the port: a pseudo-terminal whose slave the library opens as kPort.
class CDevice
{
public:
    CDevice()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0)
        {
            ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
            SetComPortDevice(kPort, name);
        }
    }
    ~CDevice()
    {
        SetComPortDevice(kPort, nullptr);
        ::close(m_master);
        ::close(m_slave);
    }
    CDevice(const CDevice&) = delete;
    CDevice& operator=(const CDevice&) = delete;

    bool IsValid() const { return m_master >= 0; }

    // Everything written to the port until nothing more comes for 200 ms.
    std::string Received() const
    {
        std::string bytes;
        pollfd fd = {m_master, POLLIN, 0};
        while (::poll(&fd, 1, 200) > 0 && (fd.revents & POLLIN) != 0)
        {
            char buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof(buffer));
            if (n <= 0)
            {
                break;
            }
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        return bytes;
    }

private:
    int m_master = -1;
    int m_slave = -1;
};

// Records the pauses asked of Sleep instead of sleeping them.
class CPauses
{
public:
    CPauses() { SetSleepHook(&CPauses::Record, this); }
    ~CPauses() { SetSleepHook(nullptr, nullptr); }
    CPauses(const CPauses&) = delete;
    CPauses& operator=(const CPauses&) = delete;

    std::vector<DWORD> Taken()
    {
        std::lock_guard lock(m_mutex);
        return m_pauses;
    }

private:
    static void Record(DWORD dwMilliseconds, void* pContext)
    {
        auto* pThis = static_cast<CPauses*>(pContext);
        std::lock_guard lock(pThis->m_mutex);
        pThis->m_pauses.push_back(dwMilliseconds);
    }

    std::mutex m_mutex;
    std::vector<DWORD> m_pauses;
};

class WriteAckTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedReceiverState();
        ASSERT_TRUE(m_device.IsValid());
        m_rx.SetupReceiver(kPort, 0, 0.0, CString(L""), false);
        ASSERT_TRUE(m_rx.OpenPort());
    }
    void TearDown() override { CDOZOzoeiver::m_Port.Close(); }

    CDevice m_device;
    CProbeReceiver m_rx;
};

} // namespace

TEST_F(WriteAckTest, WithoutWaitWritesTheCommandAsGivenThenPauses)
{
    CPauses pauses;
    EXPECT_TRUE(m_rx.WriteAck(L"X\r\n", false, 500));
    EXPECT_EQ("X\r\n", m_device.Received());
    EXPECT_EQ((std::vector<DWORD>{500}), pauses.Taken());
}

TEST_F(WriteAckTest, ClosedPortFailsAtOnce)
{
    CDOZOzoeiver::m_Port.Close();
    CPauses pauses;
    EXPECT_FALSE(m_rx.WriteAck(L"$PASHS,RST\r\n", false, 500));
    EXPECT_FALSE(m_rx.WriteAck(L"$PASHS,RST\r\n", true, 500));
    EXPECT_TRUE(pauses.Taken().empty());
}

TEST_F(WriteAckTest, AcknowledgementPublishedDuringTheWaitEndsIt)
{
    CHostWindow host;
    std::thread acquisition([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        CDOZOzoeiver::m_GPSData.m_Status.m_bAckReceived = true;
        CDOZOzoeiver::m_GPSData.m_Status.m_bNewStatus = true;
        m_rx.PostNewData(false);
    });
    const auto start = Clock::now();
    const bool bAcknowledged = m_rx.WriteAck(L"$PASHS,RST\r\n", true, 1000);
    const long long nElapsed = MillisecondsSince(start);
    acquisition.join();

    EXPECT_TRUE(bAcknowledged);
    EXPECT_GE(nElapsed, 90);
    EXPECT_LT(nElapsed, 800);
    EXPECT_EQ("$PASHS,RST\r\n", m_device.Received());
    // The acknowledgement is noted before the record is posted, so the host gets it after.
    ASSERT_TRUE(host.WaitFor(1, 2000));
    ASSERT_EQ(1u, host.m_Messages.size());
    EXPECT_TRUE(host.Positions()[0].pPosition->m_Status.m_bAckReceived);
}

TEST_F(WriteAckTest, RecordsWithoutAcknowledgementLetTheWaitTimeOut)
{
    CHostWindow host;
    std::thread acquisition([this] {
        for (int i = 0; i < 5; ++i)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            CDOZOzoeiver::m_GPSData.m_bPosition = true;
            m_rx.PostNewData(false);
        }
    });
    const auto start = Clock::now();
    const bool bAcknowledged = m_rx.WriteAck(L"$PASHS,RST\r\n", true, 400);
    const long long nElapsed = MillisecondsSince(start);
    acquisition.join();

    EXPECT_FALSE(bAcknowledged);
    EXPECT_GE(nElapsed, 380);
    EXPECT_LT(nElapsed, 3000);
    EXPECT_TRUE(host.WaitFor(5, 2000)) << "every record still reaches the host";
}

TEST_F(WriteAckTest, AcknowledgementSentenceFromTheReceiverEndsTheWait)
{
    CHostWindow host;
    std::thread acquisition([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        CString strLine(L"$PASHR,ACK*3D\r\n");
        m_rx.Parse(strLine);
    });
    const auto start = Clock::now();
    const bool bAcknowledged = m_rx.WriteAck(L"$PASHS,ELM,10\r\n", true, 2000);
    const long long nElapsed = MillisecondsSince(start);
    acquisition.join();

    EXPECT_TRUE(bAcknowledged);
    EXPECT_LT(nElapsed, 1500);
}
