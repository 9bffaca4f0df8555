// The receiver base on a pseudo-terminal: opening the shared port with the receiver's settings,
// sending, the lifecycle (initialise, suspend, destroy), stored baud rates, the shared state that
// every new receiver resets, the base raw-output control in the Ashtech command language, and
// binary requests. Waits that the receiver's acknowledgement ends, or that run out while records
// without one arrive, are the models suite's resets against the live engine.
#include "rawdata/RawBinInterval.h"
#include "support/PauseRecorder.h"
#include "support/PseudoTerminal.h"
#include "support/ReceiverProbe.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <tuple>
#include <vector>

namespace
{

constexpr int kPort = 7;

// A receiver whose answers a test chooses: raw data, the external-setting predicates and the
// default baud rate (4800, so that it differs from the 9600 every receiver starts with).
class CConfigurableProbe : public CProbeReceiver
{
public:
    bool HasRawData() override { return m_bRawData; }
    bool IsExternalDriver() override { return m_bExternalDriver; }
    bool IsRtkReceiver() override { return m_bRtkReceiver; }
    int GetDefaultBaudrate() override { return 4800; }

    bool m_bRawData = false;
    bool m_bExternalDriver = false;
    bool m_bRtkReceiver = false;
};

const std::string kRawOff =
    "$PASHS,RAW,MBN,A,OFF\r\n$PASHS,RAW,PBN,A,OFF\r\n$PASHS,RAW,SNV,A,OFF\r\n";

class ReceiverBaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedReceiverState();
        ASSERT_TRUE(m_pty.IsValid());
        m_receiver.SetupReceiver(kPort, 0, 0.0, CString(L""), false);
    }

    void TearDown() override { CDOZOzoeiver::m_Port.Close(); }

    // Opens the shared port as the probe without counting the port's own settle pause.
    void OpenAsReceiver()
    {
        ASSERT_TRUE(m_receiver.OpenPort());
        m_pauses.Clear();
    }

    CTempProfile m_profile;
    CPseudoTerminal m_pty{kPort};
    CConfigurableProbe m_receiver;
    CPauseRecorder m_pauses;
};

} // namespace

TEST_F(ReceiverBaseTest, WritesGoOutExactlyAndAClosedOrMissingPortTakesNothing)
{
    OpenAsReceiver();
    m_receiver.Send(CString(L"$PASHQ,PRT"));
    EXPECT_EQ("$PASHQ,PRT\r\n", m_pty.Receive(12));
    const unsigned char bytes[] = {0xA0, 0xA2, 0x00, 0x0D, 0x0A, 0xFF};
    EXPECT_FALSE(m_receiver.SendBinary(nullptr, 6)) << "nothing to send";
    EXPECT_FALSE(m_receiver.SendBinary(bytes, 0)) << "nothing to send";
    EXPECT_TRUE(m_receiver.SendBinary(bytes, 6));
    EXPECT_EQ(std::string("\xA0\xA2\x00\x0D\x0A\xFF", 6), m_pty.Receive(6));
    EXPECT_TRUE(m_receiver.WriteAck(L"X\r\n", false, 500)) << "a write without a wait";
    EXPECT_EQ("X\r\n", m_pty.Receive(3));
    EXPECT_EQ((std::vector<DWORD>{500}), m_pauses.Pauses());

    ASSERT_TRUE(CDOZOzoeiver::m_Port.Close());
    m_pauses.Clear();
    m_receiver.Send(CString(L"X"));
    EXPECT_FALSE(m_receiver.SendBinary(bytes, 6));
    EXPECT_FALSE(m_receiver.WriteAck(L"$PASHS,RST\r\n", false, 500));
    EXPECT_FALSE(m_receiver.WriteAck(L"$PASHS,RST\r\n", true, 500)) << "no wait either";
    EXPECT_FALSE(CDOZOzoeiver::m_Port.IsOpen());
    EXPECT_EQ("", m_pty.Receive(0));
    EXPECT_TRUE(m_pauses.Pauses().empty());

    SetComPortDevice(kPort, "/nonexistent/fixora-tty");
    EXPECT_FALSE(m_receiver.OpenPort());
    EXPECT_FALSE(m_receiver.Initialize());
    EXPECT_FALSE(CDOZOzoeiver::m_Port.IsOpen());
}

// The first start's rate, status and silence are also the models suite's command transcript.
TEST_F(ReceiverBaseTest, InitializeResetsTheParseStateAndOpensThePortAgainAfterEachSuspend)
{
    m_receiver.SetProperties(19200);
    for (int nRound = 0; nRound < 2; ++nRound)
    {
        SCOPED_TRACE(nRound == 0 ? "first start" : "after a suspend");
        CDOZOzoeiver::m_bComputeMotion = false;
        CDOZOzoeiver::m_bGSAReceived = CDOZOzoeiver::m_bGSVReceived = true;
        CGPSData& data = CDOZOzoeiver::m_GPSData;
        data.m_bPosition = data.m_bSatellitesInView = data.m_Status.m_bNewStatus = true;
        ASSERT_TRUE(m_receiver.Initialize());
        EXPECT_TRUE(CDOZOzoeiver::m_bComputeMotion);
        EXPECT_FALSE(CDOZOzoeiver::m_bGSAReceived || CDOZOzoeiver::m_bGSVReceived ||
                     data.m_bPosition || data.m_bSatellitesInView || data.m_Status.m_bNewStatus);
        EXPECT_NE(INVALID_HANDLE_VALUE, m_receiver.GetPortHandle());
        // Eight data bits, no parity, one stop bit, no handshake.
        const termios tio = m_pty.SlaveTermios();
        EXPECT_EQ(std::make_tuple(speed_t{B19200}, speed_t{B19200}, tcflag_t{CS8}, tcflag_t{0},
                                  tcflag_t{0}),
                  std::make_tuple(cfgetospeed(&tio), cfgetispeed(&tio), tio.c_cflag & CSIZE,
                                  tio.c_cflag & (PARENB | CSTOPB | CRTSCTS),
                                  tio.c_iflag & (INPCK | IXON | IXOFF)));
        EXPECT_EQ("", m_pty.Receive(0)) << "the base sends nothing when it starts";
        m_receiver.Suspend();
        EXPECT_FALSE(CDOZOzoeiver::m_Port.IsOpen());
    }
}

TEST_F(ReceiverBaseTest, AnExternalPortIsNeitherOpenedNorClosedByTheReceiver)
{
    m_receiver.m_bRawData = true; // Suspend switches raw output off on an open port
    m_receiver.SetupReceiver(kPort, 0, 0.0, CString(L""), true);
    CDOZOzoeiver::m_GPSData.m_bPosition = true;
    EXPECT_TRUE(m_receiver.Initialize());
    EXPECT_FALSE(CDOZOzoeiver::m_Port.IsOpen());
    EXPECT_FALSE(CDOZOzoeiver::m_GPSData.m_bPosition) << "the parse state is reset all the same";

    // The host opened the port at its own rate: initialising keeps it, suspending leaves it open.
    CDOZOzoeiver::m_Port.SetPort(kPort);
    CDOZOzoeiver::m_Port.SetBaudRate(4800);
    ASSERT_TRUE(CDOZOzoeiver::m_Port.Open());
    m_receiver.SetProperties(38400);
    EXPECT_TRUE(m_receiver.Initialize());
    termios tio = m_pty.SlaveTermios();
    EXPECT_EQ(static_cast<speed_t>(B4800), cfgetospeed(&tio));
    m_receiver.Suspend();
    EXPECT_TRUE(CDOZOzoeiver::m_Port.IsOpen());
    EXPECT_EQ(kRawOff, m_pty.Receive(kRawOff.size()));
}

TEST_F(ReceiverBaseTest, SuspendSwitchesRawOutputOffAndDestroyingSendsNothing)
{
    for (const bool bRawData : {false, true})
    {
        SCOPED_TRACE(bRawData ? "raw data: the three records off" : "no raw data");
        m_receiver.m_bRawData = bRawData;
        OpenAsReceiver();
        m_receiver.Suspend();
        EXPECT_FALSE(CDOZOzoeiver::m_Port.IsOpen());
        EXPECT_EQ(bRawData ? kRawOff : "", m_pty.Receive(bRawData ? kRawOff.size() : 0));
        EXPECT_EQ(std::vector<DWORD>(bRawData ? 3 : 0, 200), m_pauses.Pauses());
    }
    for (const bool bExternalPort : {false, true})
    {
        SCOPED_TRACE(bExternalPort ? "external port" : "own port");
        {
            CConfigurableProbe receiver;
            receiver.m_bRawData = true; // only the base answers while it is destroyed
            receiver.SetupReceiver(kPort, 0, 0.0, CString(L""), bExternalPort);
            ASSERT_TRUE(receiver.OpenPort());
            m_pauses.Clear();
        }
        EXPECT_FALSE(CDOZOzoeiver::m_Port.IsOpen());
        EXPECT_EQ("", m_pty.Receive(0));
        EXPECT_TRUE(m_pauses.Pauses().empty());
    }
}

TEST_F(ReceiverBaseTest, AttachRawDataMakesTheBytesTheCurrentMessage)
{
    const char five[] = {'\xAA', '\x44', '\x12', '\x00', '\x1C'};
    // A failure leaves no message behind, the one before included.
    for (const auto& [pData, nCount, bResult] : {std::tuple<const char*, int, bool>{five, 5, true},
                                                 {five, 1, true},
                                                 {five, 0, false},
                                                 {five, -3, false},
                                                 {nullptr, 5, false}})
    {
        SCOPED_TRACE(testing::Message() << nCount << (pData ? " bytes" : " bytes of null"));
        ASSERT_TRUE(CDOZOzoeiver::m_GPSMessageRaw.Set("$GPGGA,1*00\r\n", 13, 13));
        EXPECT_EQ(bResult, m_receiver.AttachRawData(pData, nCount));
        int nLen = -1;
        const char* pMessage = CDOZOzoeiver::m_GPSMessageRaw.GetMessageBin(nLen);
        EXPECT_EQ(bResult ? nCount : 0, CDOZOzoeiver::m_GPSMessageRaw.GetLength());
        EXPECT_EQ(bResult, CDOZOzoeiver::m_GPSMessageRaw.HasMessage());
        EXPECT_EQ(bResult ? std::string(five, nCount) : "",
                  pMessage ? std::string(pMessage, nLen) : "");
    }
}

// Rates saved and found again per model name are the models suite's
// (StoredRatesAreKeptPerModelName).
TEST_F(ReceiverBaseTest, BaudRateFromTheArgumentOverTheProfileAndSavedOnlyWhenNew)
{
    m_profile.Write("[Probe]\nBaud=38400\n");
    m_receiver.SetProperties(19200);
    EXPECT_EQ(19200, m_receiver.GetCurrentBaudrate()) << "an argument wins over the profile";
    m_profile.Write("[Probe]\nBaud=fast\n");
    m_receiver.SetProperties(-1);
    EXPECT_EQ(4800, m_receiver.GetCurrentBaudrate()) << "a value that is no number: the default";
    EXPECT_FALSE(m_receiver.SaveDifferentSettings(4800));
    EXPECT_EQ("[Probe]\nBaud=fast\n", m_profile.Content()) << "the profile is untouched";
}

TEST_F(ReceiverBaseTest, ConstructingAnotherReceiverResetsTheSharedSequencing)
{
    CDOZOzoeiver::m_nNextGSV = 3;
    CDOZOzoeiver::m_nTotalGSV = 4;
    CDOZOzoeiver::m_bComputeMotion = false;
    CDOZOzoeiver::m_bMonitorNmea = CDOZOzoeiver::m_bGSVReceived = CDOZOzoeiver::m_bGSAReceived =
        true;
    CDOZOzoeiver::m_wNmeaBits = 0x44;
    CProbeReceiver second;
    EXPECT_EQ(std::make_tuple(1, 0, true, false, 0u, false, false),
              std::make_tuple(CDOZOzoeiver::m_nNextGSV.load(), CDOZOzoeiver::m_nTotalGSV.load(),
                              CDOZOzoeiver::m_bComputeMotion.load(), m_receiver.MonitoringNmea(),
                              CDOZOzoeiver::m_wNmeaBits.load(), CDOZOzoeiver::m_bGSVReceived.load(),
                              CDOZOzoeiver::m_bGSAReceived.load()));
}

TEST_F(ReceiverBaseTest, RawOutputCommandsGoOutOnlyWhenTheyApply)
{
    // The command transcripts (tests/data/commands) show raw output switched on, a one-second
    // interval, and models without raw data. Raw data, external driver, RTK receiver, port open;
    // EnablePostProcessing(1/0) or, for -1, SetRawDataOutputInterval(seconds); the result and what
    // the receiver gets.
    const std::tuple<const char*, bool, bool, bool, bool, int, double, bool, std::string> rows[] = {
        {"off", true, false, false, true, 0, 0, true, kRawOff},
        {"on, closed port", true, false, false, false, 1, 0, false, ""},
        {"quarter second", true, false, false, true, -1, 0.25, true, "$PASHS,RCI,0.250000\r\n"},
        {"below a quarter second", true, false, false, true, -1, 0.2, false, ""},
        {"interval, closed port", true, false, false, false, -1, 2.0, true, ""},
        {"interval, external driver", true, true, false, true, -1, 1.0, false, ""},
        // Only the first of the external-setting predicates is consulted.
        {"interval, RTK receiver", true, false, true, true, -1, 1.0, true,
         "$PASHS,RCI,1.000000\r\n"},
    };
    for (const auto& [legend, bRawData, bExternalDriver, bRtkReceiver, bOpen, nEnable, dSeconds,
                      bResult, expected] : rows)
    {
        SCOPED_TRACE(legend);
        m_receiver.m_bRawData = bRawData;
        m_receiver.m_bExternalDriver = bExternalDriver;
        m_receiver.m_bRtkReceiver = bRtkReceiver;
        if (bOpen)
        {
            OpenAsReceiver();
        }
        m_pauses.Clear();
        m_receiver.m_dRawOutputInterval = -1.0;
        EXPECT_EQ(bResult, nEnable >= 0 ? m_receiver.EnablePostProcessing(nEnable == 1)
                                        : m_receiver.SetRawDataOutputInterval(dSeconds));
        EXPECT_EQ(nEnable >= 0 ? -1.0 : dSeconds, m_receiver.m_dRawOutputInterval)
            << "the interval is stored whatever happens";
        EXPECT_EQ(expected, m_pty.Receive(expected.size()));
        EXPECT_EQ(std::vector<DWORD>(expected.empty() ? 0
                                     : nEnable >= 0   ? 3
                                                      : 1,
                                     200),
                  m_pauses.Pauses());
        CDOZOzoeiver::m_Port.Close();
    }
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
