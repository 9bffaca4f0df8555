// The OEM board's command set on a pseudo-terminal: the exact lines of each operation with the
// pauses after them (counted through the sleep hook), what its queries clear and its setters
// record in the status record, its raw-log state, and its reset.
#include "Fixora_Vorn.h"

#include "support/PauseRecorder.h"
#include "support/PseudoTerminal.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace
{

constexpr int kPort = 13;

const std::string kDefaultSentences = "LOG  GPGGA ONTIME 1 0 NOHOLD\r\n"
                                      "UNLOG  GPGGALONG\r\n"
                                      "UNLOG  GPGGARTK\r\n"
                                      "UNLOG  GPGLL\r\n"
                                      "UNLOG  GPGRS\r\n"
                                      "LOG  GPGSA ONTIME 1 0 NOHOLD\r\n"
                                      "UNLOG  GPGST\r\n"
                                      "LOG  GPGSV ONTIME 1 0 NOHOLD\r\n"
                                      "UNLOG  GPRMB\r\n"
                                      "UNLOG  GPRMC\r\n"
                                      "LOG  GPVTG ONTIME 1 0 NOHOLD\r\n"
                                      "UNLOG  GPZDA\r\n"
                                      "UNLOG  GPALM\r\n";
const std::string kAutomaticSources = "RTKSOURCE AUTO ANY\r\nPSRDIFFSOURCE AUTO ANY\r\n"
                                      "SBASCONTROL ENABLE AUTO\r\n";
const std::string kDatumReset = "UNDULATION TABLE\r\nDATUM WGS84\r\n";

std::vector<DWORD> Times(std::size_t nCount, DWORD dwPause)
{
    return std::vector<DWORD>(nCount, dwPause);
}

std::vector<DWORD> Joined(std::initializer_list<std::vector<DWORD>> parts)
{
    std::vector<DWORD> all;
    for (const auto& part : parts)
    {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

class OemCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedReceiverState();
        ASSERT_TRUE(m_pty.IsValid());
        // Made before the port opens: its own initialisation finds no port to write to.
        m_board.SetupReceiver(kPort, 0, 0.0, CString(L""), false);
        ASSERT_TRUE(m_board.OpenPort());
        m_pauses.Clear();
    }
    void TearDown() override { CDOZOzoeiver::m_Port.Close(); }

    CGPSStatusData& Status() { return CDOZOzoeiver::m_GPSData.m_Status; }

    Cgsr2650lb m_board;
    CPseudoTerminal m_pty{kPort};
    CPauseRecorder m_pauses;
};

} // namespace

TEST_F(OemCommandTest, EachOperationWritesItsLinesAndPauses)
{
    struct SRow
    {
        const char* legend;
        void (*pfnCall)(Cgsr2650lb& board);
        std::string lines;
        std::vector<DWORD> pauses;
    };
    const SRow rows[] = {
        {"default sentences", [](auto& b) { b.SetDefaultNMEA(); }, kDefaultSentences,
         Times(13, 200)},
        {"GGA only", [](auto& b) { b.SetGgaOnlyNMEA(); },
         "UNLOG  GPALM\r\nLOG  GPGGA ONTIME 1 0 NOHOLD\r\nUNLOG  GPGGALONG\r\nUNLOG  GPGGARTK\r\n"
         "UNLOG  GPGLL\r\nUNLOG  GPGRS\r\nUNLOG  GPGSA\r\nUNLOG  GPGST\r\nUNLOG  GPGSV\r\n"
         "UNLOG  GPRMB\r\nUNLOG  GPRMC\r\nUNLOG  GPVTG\r\nUNLOG  GPZDA\r\n",
         Times(13, 200)},
        {"queries: sentences, mask (twice: the settings query is the mask's), beacon, WAAS",
         [](auto& b) {
             b.QueryNmeaActive();
             b.QuerySatElevMask();
             b.QueryGpsSettings();
             b.QueryBeacon();
             b.QueryWAAS();
         },
         "LOG LOGLISTA ONCE\r\nLOG COM2 ECUTOFFA ONCE\r\nLOG COM2 ECUTOFFA ONCE\r\n"
         "LOG COM2 RXCONFIGA ONCE\r\nLOG WAAS1A ONCE\r\n",
         {200, 100, 100, 100, 200}},
        {"differential and L-band queries",
         [](auto& b) {
             b.QueryDgpsMode();
             b.QueryLbandSatellites();
         },
         "LOG COM2 RTKSOURCEA ONCE\r\nLOG COM2 SBASCONTROLA ONCE\r\nLOG COM2 PSRDIFFSOURCEA "
         "ONCE\r\n"
         "LOG OMNIINFOA ONCE\r\nLOG OMNISTATA ONCE\r\nLOG OMNIHPPOSA ONCE\r\n",
         {100, 100, 100, 200, 200, 200}},
        {"mask, saved",
         [](auto& b) { b.SetSatElevMask(10); },
         "ECUTOFF 10\r\nSAVECONFIG\r\n",
         {200, 500}},
        {"beacon: every source automatic, whatever is asked",
         [](auto& b) { b.SetBeacon(BEACON_MODE_MANUAL, L"305.0", L"200"); }, kAutomaticSources,
         Times(3, 100)},
        {"differential source: the datum, the sources, the save",
         [](auto& b) { b.SetDgpsMode(DGPS_CDGPS); },
         kDatumReset + "PSRDIFFSOURCE CDGPS\r\nRTKSOURCE NONE\r\nSBASCONTROL DISABLE AUTO\r\n"
                       "SAVECONFIG\r\n",
         {100, 100, 100, 100, 100, 2000}},
        {"an unknown source: the datum and the save",
         [](auto& b) { b.SetDgpsMode(static_cast<DgpsMode>(7)); },
         kDatumReset + "SAVECONFIG\r\n",
         {100, 100, 2000}},
        {"L-band found automatically, the bit rate ignored",
         [](auto& b) { b.SetLbandFrequency(0.0, 1200); },
         "RTKSOURCE OMNISTAR ANY\r\nSAVECONFIG\r\n",
         {800, 2000}},
        {"L-band assigned in kHz",
         [](auto& b) { b.SetLbandFrequency(1557.845, 1200); },
         "ASSIGNOMNI USER 1557845 1200\r\nSAVECONFIG\r\n",
         {800, 2000}},
        {"CDGPS in whole MHz, up to 3000 MHz",
         [](auto& b) {
             b.ChangeCDGPS_Freq(1547.5);
             b.ChangeCDGPS_Freq(3000.0);
             b.ChangeCDGPS_Freq(3000.5);
             b.ChangeCDGPS_Freq(-1.0);
         },
         "ASSIGNLBAND CDGPS 1547000 4800\r\nSAVECONFIG\r\nASSIGNLBAND CDGPS 3000000 4800\r\n"
         "SAVECONFIG\r\n",
         {100, 1000, 100, 1000}},
        {"a fixed user datum",
         [](auto& b) { b.SendCorrection(); },
         "USERDATUM 6378137 298.257222101 -.9910 1.9072 .5129 .000000125033 .0000000467845 "
         ".0000000565292 0 \r\ndatum user\r\nUNDULATION USER -1.09\r\nSAVECONFIG\r\n",
         {100, 100, 100, 1000}},
        {"no differential messages", [](auto& b) { b.DgpsStatusMsg(true); }, "", {}},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        m_pauses.Clear();
        row.pfnCall(m_board);
        EXPECT_EQ(row.lines, m_pty.Receive(row.lines.size(), std::chrono::milliseconds(20)));
        EXPECT_EQ(row.pauses, m_pauses.Pauses());
    }
}

TEST_F(OemCommandTest, QueriesClearWhatTheyAskForAndSettersRecordWhatTheySet)
{
    CGPSStatusData& status = Status();
    status.m_bElevMask = true;
    status.m_bNewStatus = true;
    m_board.QuerySatElevMask();
    EXPECT_FALSE(status.m_bElevMask || status.m_bNewStatus) << "the answer alone sets them";

    m_board.SetDgpsMode(DGPS_LBAND);
    EXPECT_TRUE(status.m_bDgpsMode && status.m_bNewStatus);
    EXPECT_EQ(DGPS_LBAND, status.m_DgpsMode) << "the host sees the source without a query";
    m_board.QueryBeacon();
    EXPECT_FALSE(status.m_bDgpsMode || status.m_bNewStatus);
    EXPECT_EQ(DGPS_OFF, status.m_DgpsMode);

    m_board.SetLbandFrequency(0.0, 0);
    EXPECT_EQ(1, status.m_nLbandMode);
    m_board.SetLbandFrequency(1557.845, 1200);
    EXPECT_EQ(2, status.m_nLbandMode);

    // A closed port takes nothing and records nothing.
    CDOZOzoeiver::m_Port.Close();
    m_pauses.Clear();
    m_board.SetDgpsMode(DGPS_WAAS);
    m_board.SetLbandFrequency(0.0, 0);
    EXPECT_EQ(DGPS_OFF, status.m_DgpsMode);
    EXPECT_EQ(2, status.m_nLbandMode);
    EXPECT_FALSE(m_board.ResetAll(false));
    EXPECT_TRUE(m_pauses.Pauses().empty());
}

TEST_F(OemCommandTest, RawLogsFollowTheirState)
{
    const std::string on1 = "LOG RANGEB ONTIME 1\r\nLOG RAWEPHEMB ONCHANGED\r\n"
                            "LOG ALMANACB ONCHANGED\r\nSAVECONFIG\r\n";
    const std::string on5 = "LOG RANGEB ONTIME 5\r\nLOG RAWEPHEMB ONCHANGED\r\n"
                            "LOG ALMANACB ONCHANGED\r\nSAVECONFIG\r\n";
    const std::string off = "UNLOG RANGEB\r\nUNLOG RAWEPHEMB\r\nUNLOG ALMANACB\r\nSAVECONFIG\r\n";
    struct SRow
    {
        const char* legend;
        bool (*pfnCall)(Cgsr2650lb& board);
        std::string lines;
        bool bOn;
        int nInterval;
    };
    const SRow rows[] = {
        {"off already: nothing", [](auto& b) { return b.EnablePostProcessing(false); }, "", false,
         0},
        {"on at one second", [](auto& b) { return b.EnablePostProcessing(true); }, on1, true, 1},
        {"1.9 s is the second it runs at", [](auto& b) { return b.SetRawDataOutputInterval(1.9); },
         "", true, 1},
        {"5 s", [](auto& b) { return b.SetRawDataOutputInterval(5.0); }, on5, true, 5},
        {"off, the period kept", [](auto& b) { return b.EnablePostProcessing(false); }, off, false,
         5},
        {"an interval while off switches off again and is not kept",
         [](auto& b) { return b.SetRawDataOutputInterval(3.0); }, off, false, 5},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_TRUE(row.pfnCall(m_board));
        EXPECT_EQ(row.lines, m_pty.Receive(row.lines.size(), std::chrono::milliseconds(20)));
        EXPECT_EQ(row.bOn, m_board.m_bRawDataOutput.load());
        EXPECT_EQ(row.nInterval, m_board.m_nRawDataInterval.load());
    }

    // Initialising clears the state without a word to the board.
    ASSERT_TRUE(m_board.Initialize());
    EXPECT_FALSE(m_board.m_bRawDataOutput);
    EXPECT_EQ(0, m_board.m_nRawDataInterval);
    EXPECT_EQ(kDefaultSentences,
              m_pty.Receive(kDefaultSentences.size(), std::chrono::milliseconds(20)));
}

TEST_F(OemCommandTest, ResetIsAcknowledgedThenTheBoardStartsAgainOnAutomaticSources)
{
    // Without the wait window the acknowledgement time is a plain pause.
    EXPECT_TRUE(m_board.ResetAll(false));
    const std::string expected =
        "RESET 0\r\n" + kDefaultSentences + kDatumReset + kAutomaticSources + "SAVECONFIG\r\n";
    EXPECT_EQ(expected, m_pty.Receive(expected.size(), std::chrono::milliseconds(20)));
    std::vector<DWORD> pauses = m_pauses.Pauses();
    EXPECT_EQ(Joined({{10000}, Times(13, 200), {100, 100, 100, 100, 100, 2000}, {3000}}), pauses);
    EXPECT_EQ(DGPS_BEACON, Status().m_DgpsMode);
}
