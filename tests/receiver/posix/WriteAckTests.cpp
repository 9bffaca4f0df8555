// Writes on a pseudo-terminal: the acknowledged write (what reaches the device, the pause
// without a wait, the wait that ends when the acknowledgement comes back through the publisher
// or the sentence parser on another thread, or when its time runs out), and binary requests.
#include "rawdata/RawBinInterval.h"
#include "support/HostWindow.h"
#include "support/PauseRecorder.h"
#include "support/PseudoTerminal.h"
#include "support/ReceiverProbe.h"
#include "support/Waiting.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

constexpr int kPort = 11;

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

    CPseudoTerminal m_device{kPort};
    CProbeReceiver m_rx;
};

} // namespace

TEST_F(WriteAckTest, WithoutWaitWritesThenPausesAndAClosedPortFailsAtOnce)
{
    CPauseRecorder pauses;
    EXPECT_TRUE(m_rx.WriteAck(L"X\r\n", false, 500));
    EXPECT_EQ("X\r\n", m_device.Receive(3));
    EXPECT_EQ((std::vector<DWORD>{500}), pauses.Pauses());
    CDOZOzoeiver::m_Port.Close();
    pauses.Clear();
    EXPECT_FALSE(m_rx.WriteAck(L"$PASHS,RST\r\n", false, 500));
    EXPECT_FALSE(m_rx.WriteAck(L"$PASHS,RST\r\n", true, 500));
    EXPECT_TRUE(pauses.Pauses().empty());
}

TEST_F(WriteAckTest, AcknowledgementFromAnotherThreadEndsTheWait)
{
    // The receiver's acknowledgement sentence, or a record noting it.
    for (const bool bSentence : {false, true})
    {
        SCOPED_TRACE(bSentence ? "the sentence parsed" : "a published record");
        CHostWindow host;
        std::thread acquisition([this, bSentence] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            CString strLine(L"$PASHR,ACK*3D\r\n");
            CDOZOzoeiver::m_GPSData.m_Status.m_bAckReceived = !bSentence;
            CDOZOzoeiver::m_GPSData.m_Status.m_bNewStatus = !bSentence;
            bSentence ? m_rx.Parse(strLine) : m_rx.PostNewData(false);
        });
        const auto start = Clock::now();
        const bool bAcknowledged = m_rx.WriteAck(L"$PASHS,RST\r\n", true, 2000);
        const long long nElapsed = MillisecondsSince(start);
        acquisition.join();

        EXPECT_TRUE(bAcknowledged);
        EXPECT_GE(nElapsed, 90);
        EXPECT_LT(nElapsed, 1500);
        EXPECT_EQ("$PASHS,RST\r\n", m_device.Receive(12));
        // The acknowledgement is noted before the record is posted, so the host gets it after.
        ASSERT_TRUE(host.WaitFor(1, 2000));
        ASSERT_EQ(1u, host.m_Messages.size());
        EXPECT_TRUE(host.Positions()[0].pPosition->m_Status.m_bAckReceived);
    }
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

// The Axis3 family's "$BIN" blocks keep block 95 coming: every 3 seconds' worth of blocks at the
// raw interval, the receiver is asked for it again on the port, with a pause after the request.
TEST(BinaryRequest, BlockNinetyFiveIsAskedForAgainEveryThreeSecondsOfBlocks)
{
    const struct
    {
        double dInterval;
        int nBlocks;
        std::string request;
        std::vector<int> asked; // the blocks after which the request went out
    } rows[] = {
        {0.2, 31, "$JBIN,95,0.2\r\n", {15, 30}},
        {1.0, 7, "$JBIN,95,1\r\n", {3, 6}},
    };
    std::string block(140, '\x01');
    block.replace(0, 8, std::string("$BIN\x5F\x00\x80\x00", 8));
    CPseudoTerminal device(9);
    ASSERT_TRUE(device.IsValid());
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.dInterval);
        ResetSharedReceiverState();
        g_dRawBinInterval = row.dInterval;
        CPauseRecorder pauses; // recorded, not slept
        CProbeReceiver rx;
        rx.SetupReceiver(device.Port(), 0, 0.0, CString(L""), false);
        ASSERT_TRUE(rx.OpenPort());
        pauses.Clear(); // the port's own settling pause
        std::vector<int> asked;
        for (int i = 1; i <= row.nBlocks; ++i)
        {
            rx.AttachRawData(block.data(), static_cast<int>(block.size()));
            CString strText(L"$BIN");
            EXPECT_TRUE(rx.Parse(strText));
            if (pauses.Pauses().size() > asked.size())
            {
                asked.push_back(i);
            }
        }
        EXPECT_EQ(row.asked, asked);
        // Written before Parse returned: a surplus would be there already, no need to wait for it.
        EXPECT_EQ(row.request + row.request,
                  device.Receive(2 * row.request.size(), std::chrono::milliseconds(10)));
        EXPECT_EQ(std::vector<DWORD>(2, 200), pauses.Pauses());
        CDOZOzoeiver::m_Port.Close();
    }
    g_dRawBinInterval = 0.2;
}
