// The Axis3 family's "$BIN" blocks keep block 95 coming: every 3 seconds' worth of blocks at the
// raw interval, the receiver is asked for it again on the port, with a pause after the request.
#include "rawdata/RawBinInterval.h"
#include "support/PauseRecorder.h"
#include "support/PseudoTerminal.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

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
