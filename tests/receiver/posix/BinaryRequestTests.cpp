// The Axis3 family's "$BIN" blocks keep block 95 coming: every 3 seconds' worth of blocks at the
// raw interval, the receiver is asked for it again on the port, with a pause after the request.
#include "rawdata/RawBinInterval.h"
#include "support/PauseRecorder.h"
#include "support/PseudoTerminal.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(BinaryRequest, BlockNinetyFiveIsAskedForAgainEveryThreeSecondsOfBlocks)
{
    struct SRow
    {
        const char* legend;
        double dInterval;
        int nBlocks;
        std::string requests;
    } const rows[] = {
        {"0.2 s: every 15th block", 0.2, 31, "$JBIN,95,0.2\r\n$JBIN,95,0.2\r\n"},
        {"1 s: every 3rd block", 1.0, 7, "$JBIN,95,1\r\n$JBIN,95,1\r\n"},
    };
    std::string block(140, '\x01');
    block.replace(0, 8, std::string("$BIN\x5F\x00\x80\x00", 8));
    CPseudoTerminal device(9);
    ASSERT_TRUE(device.IsValid());
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ResetSharedReceiverState();
        g_dRawBinInterval = row.dInterval;
        CProbeReceiver rx;
        rx.SetupReceiver(device.Port(), 0, 0.0, CString(L""), false);
        ASSERT_TRUE(rx.OpenPort());
        CPauseRecorder pauses;
        for (int i = 0; i < row.nBlocks; ++i)
        {
            rx.AttachRawData(block.data(), static_cast<int>(block.size()));
            CString strText(L"$BIN");
            EXPECT_TRUE(rx.Parse(strText));
        }
        EXPECT_EQ(row.requests, device.Receive(row.requests.size()));
        EXPECT_EQ(std::vector<DWORD>(2, 200), pauses.Pauses());
        CDOZOzoeiver::m_Port.Close();
    }
    g_dRawBinInterval = 0.2;
}
