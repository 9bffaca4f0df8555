// The acknowledged write on a pseudo-terminal: what reaches the device, the pause without a
// wait, and the wait that ends when the acknowledgement comes back through the publisher (or
// through the sentence parser) on another thread, or when its time runs out.
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
