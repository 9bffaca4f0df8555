// What a receiver makes of a message, for what the golden streams cannot show. Recognition: its
// kind from the prefix, the NMEA checksum, and sentence monitoring (what messages publish is
// pinned by port_tag.nmea, nmea_satellites_first.nmea and proprietary.nmea). Positions: the
// site's fix-quality table (where its file is looked for, which lines count, what they store),
// a height mode the host program does not offer, and texts too short to be sentences (every field
// of GGA and INGGA is gga.nmea's and gga_subtract.nmea's). The satellite table's slot searches and
// the slot they leave where they find nothing (cycles, groups, eviction and GSA placing are
// gsv_*.nmea's and gsa*.nmea's).
#include "framing/SentenceChecks.h"
#include "support/ReceiverProbe.h"
#include "support/ScratchFolder.h"
#include "support/Sentences.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

namespace
{

const std::wstring kGGA = L"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";

class CSentenceProbe : public CProbeReceiver
{
public:
    using CDOZOzoeiver::GetStatusFilePath;
    using CDOZOzoeiver::LoadStatusTable;
};

using StatusMap = std::map<int, UDF_SIGNAL_STATUS>;

class SentenceTest : public ::testing::Test
{
protected:
    void SetUp() override { ResetSharedReceiverState(); }

    // The site's fix-quality table, read from a temporary folder: one beside the test program
    // would change what every other test of this program sees (the tests run in parallel).
    void Load(const std::string& content)
    {
        CScratchFolder::Write(m_folder.File("GPSStatus"), content);
        m_receiver.LoadStatusTable(CString(m_folder.File("GPSStatus").string().c_str()));
    }

    // The sentence through the parser its tag names.
    bool Process(const std::string& strBody)
    {
        CString str(NmeaSentence(strBody).c_str());
        return strBody[0] == 'I' ? m_receiver.ProcessINGGA(str) : m_receiver.ProcessGGA(str);
    }

    static CGPSData& Data() { return CDOZOzoeiver::m_GPSData; }

    CScratchFolder m_folder;
    CSentenceProbe m_receiver;
};

TEST_F(SentenceTest, KindsComeFromAPrefixAtTheStartAndNmeaKindsNeedTheirChecksum)
{
    const std::tuple<const char*, std::wstring, GPSStringType> rows[] = {
        {"GGA", kGGA, GPS_STRING_GGA},
        {"GGA with a wrong checksum", kGGA.substr(0, 63) + L"48\r\n", GPS_STRING_UNKNOWN},
        {"GGA without a checksum", kGGA.substr(0, 62) + L"\r\n", GPS_STRING_UNKNOWN},
        {"other talkers", L"$GNGSV,1,2*48\r\n", GPS_STRING_GSV},
        {"last checked kind, good", L"$PMCAG,1,2*5B\r\n", GPS_STRING_PMCAG},
        {"last checked kind, wrong", L"$PMCAG,1,2*5A\r\n", GPS_STRING_UNKNOWN},
        {"a reply needs no checksum", L"$PASHR,1,2*5A\r\n", GPS_STRING_PASHR},
        {"nor does the Garmin estimate", L"$PGRME,1,2\r\n", GPS_STRING_PGRME},
        {"reply without a dollar", L"PEM:05 DOI:060\r\n", GPS_STRING_PEM},
        {"log header", L"#LOGLISTA,COM1\r\n", GPS_STRING_LOGLIST},
        {"longer tag on a short prefix", L"$>JIX,1\r\n", GPS_STRING_JI},
        {"blank before the prefix", L" " + kGGA, GPS_STRING_UNKNOWN},
        {"lower-case prefix", L"$gpgga,1*00", GPS_STRING_UNKNOWN},
        {"prefix cut short", L"$GPGG", GPS_STRING_UNKNOWN},
        {"empty", L"", GPS_STRING_UNKNOWN},
        {"a dollar alone", L"$", GPS_STRING_UNKNOWN},
        {"unknown proprietary", L"$PGRMZ,246,f,3*1B\r\n", GPS_STRING_UNKNOWN},
        {"other PSLIR reply", L"$PSLIR,PAR,OTHER,1\r\n", GPS_STRING_UNKNOWN},
        {"OEM binary sync", std::wstring{0xAA, 0x44, 0x12, 0x1C, 0x00}, GPS_STRING_OEM_BINARY},
        {"two sync bytes only", std::wstring{0xAA, 0x44}, GPS_STRING_UNKNOWN},
        {"wrong third sync byte", std::wstring{0xAA, 0x44, 0x13}, GPS_STRING_UNKNOWN},
        {"a character beyond a byte in the prefix", L"$GP\x0147GA,1*00", GPS_STRING_UNKNOWN},
    };
    for (const auto& [legend, text, eType] : rows)
    {
        SCOPED_TRACE(legend);
        EXPECT_EQ(eType, m_receiver.GetGPSStringType(CString(text)));
    }
    // Such a character in a proprietary sentence reaches the host as its low byte.
    CString strWide(L"$P\x0141XYZ,1,2");
    EXPECT_TRUE(m_receiver.Parse(strWide));
    EXPECT_STREQ("$PAXYZ,1,2", CDOZOzoeiver::m_GPSData.m_szProprietary);
}

TEST_F(SentenceTest, ChecksumIsTheLowByteOfUpToFourHexDigits)
{
    const std::wstring body = kGGA.substr(0, 62);
    const std::tuple<const char*, std::wstring, bool> rows[] = {
        {"upper-case digits", body + L"*47\r\n", true},
        {"wrong digits", body + L"*48\r\n", false},
        {"letters in lower case",
         L"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6a", true},
        {"three digits, low byte matches", body + L"*147", true},
        {"four digits, low byte matches", body + L"*0047", true},
        {"a fifth digit is not read", body + L"*00470", true},
        {"four digits, low byte differs", body + L"*4700", false},
        {"digits that differ only in the top bit", body + L"*C7", false},
        {"one digit", body + L"*4", false},
        {"text after the digits", body + L"*47zz", true},
        {"blank before the digits", body + L"* 47", false},
        {"no star", body + L"\r\n", false},
        {"no dollar", body.substr(1) + L"*47", false},
        {"star before the dollar", L"*47" + body, false},
        {"text before the dollar is not summed", L"xyz" + body + L"*47", true},
        {"a star and no digits compares with 0", L"$AA*", true},
        {"an empty payload sums the star itself", L"$*2A", true},
    };
    for (const auto& [legend, text, bOk] : rows)
    {
        SCOPED_TRACE(legend);
        EXPECT_EQ(bOk, m_receiver.IsChecksumOK(CString(text)));
        // The framer reads the received bytes by the same rule.
        const std::string bytes = CString(text).ToNarrow();
        EXPECT_EQ(bOk, sentence_checks::IsChecksumOK(std::string_view(bytes)));
    }
}

TEST_F(SentenceTest, MonitoringCollectsTheKindsSeenUntilRestarted)
{
    const auto parse = [this](CString str) { m_receiver.Parse(str); };
    parse(kGGA.c_str());
    EXPECT_FALSE(m_receiver.HaveGotNmea(GPS_STRING_GGA)); // monitoring off: nothing noted
    m_receiver.MonitorNmea(true);
    EXPECT_TRUE(m_receiver.MonitoringNmea());
    parse(kGGA.c_str());
    parse(NmeaSentence("GPGSV,3,1,09,01,40,083,46").c_str());
    EXPECT_TRUE(m_receiver.HaveGotNmea(GPS_STRING_GGA) && m_receiver.HaveGotNmea(GPS_STRING_GSV));
    EXPECT_FALSE(m_receiver.HaveGotNmea(GPS_STRING_GSA));
    EXPECT_FALSE(m_receiver.HaveGotNmea(GPS_STRING_UNKNOWN));
    // Unrecognised messages mark kind 0, which kind 32 shares.
    parse(L"junk\r\n");
    EXPECT_TRUE(m_receiver.HaveGotNmea(GPS_STRING_UNKNOWN) &&
                m_receiver.HaveGotNmea(GPS_STRING_WAAS1));
    EXPECT_FALSE(m_receiver.HaveGotNmea(GPS_STRING_RTKSOURCE));
    m_receiver.MonitorNmea(true);
    EXPECT_FALSE(m_receiver.HaveGotNmea(GPS_STRING_GGA) ||
                 m_receiver.HaveGotNmea(GPS_STRING_UNKNOWN));
    m_receiver.MonitorNmea(false);
    EXPECT_FALSE(m_receiver.MonitoringNmea());
}

TEST_F(SentenceTest,
       QualityFromTheSiteTableOnlyWhenTurnedOnAndHoldingTheNumberAndAnyHeightModeSubtracts)
{
    for (const auto& [nQuality, eBuiltIn] : {std::pair{0, UDF_SIGNAL_NONE},
                                             {4, UDF_SIGNAL_RTK_FIXED},
                                             {10, UDF_SIGNAL_GPS},
                                             {-1, UDF_SIGNAL_GPS}})
    {
        SCOPED_TRACE(nQuality);
        m_receiver.m_bAlternateStatus = false;
        m_receiver.m_SignalStatusMap.clear();
        m_receiver.m_SignalStatusMap[nQuality] = UDF_SIGNAL_POSTPROCESSED;
        EXPECT_EQ(eBuiltIn, m_receiver.MapGGAQuality(nQuality)) << "a table not turned on";
        m_receiver.m_bAlternateStatus = true;
        EXPECT_EQ(UDF_SIGNAL_POSTPROCESSED, m_receiver.MapGGAQuality(nQuality));
        m_receiver.m_SignalStatusMap.clear();
        m_receiver.m_SignalStatusMap[nQuality + 1] = UDF_SIGNAL_POSTPROCESSED;
        EXPECT_EQ(eBuiltIn, m_receiver.MapGGAQuality(nQuality)) << "a number not in the table";
    }
    // GGA and INGGA look their quality up; too few satellites still take the status away.
    m_receiver.m_SignalStatusMap = {{4, UDF_SIGNAL_RTK_CODE}, {2, UDF_SIGNAL_RTK_FLOAT}};
    m_receiver.m_nMinSatellites = 4;
    const std::pair<std::string, UDF_SIGNAL_STATUS> rows[] = {
        {"GPGGA,123519,4807.038,N,01131.000,E,4,08,0.9,545.4,M,46.9,M,,", UDF_SIGNAL_RTK_CODE},
        {"GPGGA,123519,4807.038,N,01131.000,E,4,03,0.9,545.4,M,46.9,M,,", UDF_SIGNAL_NONE},
        {"INGGA,123519,4807.038,N,01131.000,E,2,03,0.9,545.4,M,46.9,M,,", UDF_SIGNAL_RTK_FLOAT},
        {"INGGA,123519,4807.038,N,01131.000,E,5,08,0.9,545.4,M,46.9,M,,", UDF_SIGNAL_CALCULATED}};
    for (const auto& [body, eStatus] : rows)
    {
        SCOPED_TRACE(body);
        ResetSharedReceiverState();
        EXPECT_TRUE(Process(body));
        EXPECT_EQ(eStatus, Data().m_SignalStatus);
    }
    // A height mode the host program does not offer subtracts the separation, as 2 does.
    m_receiver.m_nHeightMode = -3;
    m_receiver.m_dAntennaHeight = 2.0;
    EXPECT_TRUE(Process(rows[0].first));
    EXPECT_NEAR(545.4 - 46.9 - 2.0, Data().m_dAltitude, 1e-9);
}

TEST_F(SentenceTest, LinesWithANumberOrDefaultTurnTheTableOn)
{
    // The file, whether it turns the table on, what it stores.
    const std::tuple<std::string, bool, StatusMap> rows[] = {
        {"4,\"UDF_SIGNAL_RTK_FLOAT\"\n", true, {{4, UDF_SIGNAL_RTK_FLOAT}}},
        {"2, udf_signal_waas\n", true, {{2, UDF_SIGNAL_WAAS}}},
        {"7,\t\"UDF_SIGNAL_\"POST PROCESSED\t\r\n", true, {{7, UDF_SIGNAL_POSTPROCESSED}}},
        {"  -1 ,UDF_SIGNAL_MANUAL\n", true, {{-1, UDF_SIGNAL_MANUAL}}},
        {"5th,UDF_SIGNAL_RTK_CODE\n", true, {{5, UDF_SIGNAL_RTK_CODE}}},
        {"4,UDF_SIGNAL_GPS\n4,UDF_SIGNAL_WAAS\n", true, {{4, UDF_SIGNAL_WAAS}}},
        // An unknown or empty name turns the table on and stores nothing.
        {"3,UDF_SIGNAL_SOMETHING\n", true, {}},
        {"3,UDF_SIGNAL_GPS2\n", true, {}},
        {"3,UDF_SIGNAL_\n", true, {}},
        {"3,\n", true, {}},
        // "default" takes the number of the line before, and has none first.
        {"4,UDF_SIGNAL_GPS\ndefault,UDF_SIGNAL_UNKNOWN\n", true, {{4, UDF_SIGNAL_UNKNOWN}}},
        {"DEFAULT,UDF_SIGNAL_GPS\n", true, {}},
        {"A,UDF_SIGNAL_GPS\n", false, {}},
        {" default,UDF_SIGNAL_GPS\n", false, {}},
        {"UDF_SIGNAL_GPS\n4\n", false, {}},
        {"2147483647,UDF_SIGNAL_GPS\n", false, {}},
        {"", false, {}},
        {"\n\n# site table\n", false, {}},
        {std::string("\x00\xff,\x01\n\xAA\x44\x12", 8), false, {}}};
    for (const auto& [content, bTableOn, entries] : rows)
    {
        SCOPED_TRACE(content);
        m_receiver.m_bAlternateStatus = false;
        m_receiver.m_SignalStatusMap.clear();
        Load(content);
        EXPECT_EQ(bTableOn, m_receiver.m_bAlternateStatus);
        EXPECT_EQ(entries, m_receiver.m_SignalStatusMap);
    }
}

TEST_F(SentenceTest, TableIsOnlyEverAddedToAndLivesBesideTheExecutable)
{
    Load("4,UDF_SIGNAL_RTK_FLOAT\n1,UDF_SIGNAL_WAAS\n");
    Load("2,UDF_SIGNAL_WAAS\n1,UDF_SIGNAL_MANUAL\n");
    const StatusMap expected{
        {1, UDF_SIGNAL_MANUAL}, {2, UDF_SIGNAL_WAAS}, {4, UDF_SIGNAL_RTK_FLOAT}};
    EXPECT_EQ(expected, m_receiver.m_SignalStatusMap);
    // A table that disappears, or one of lines that do not count, leaves what was loaded.
    m_receiver.LoadStatusTable(CString(m_folder.File("GPSStatus.gone").string().c_str()));
    m_receiver.LoadStatusTable(CString(L""));
    Load("nothing here\n");
    EXPECT_TRUE(m_receiver.m_bAlternateStatus);
    EXPECT_EQ(expected, m_receiver.m_SignalStatusMap);

    wchar_t szProgram[4096] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, szProgram, 4096), 0u);
    const auto file = std::filesystem::path(szProgram).parent_path() / "GPSStatus";
    EXPECT_EQ(CString(file.wstring().c_str()), CSentenceProbe::GetStatusFilePath());
    if (std::filesystem::exists(file))
    {
        GTEST_SKIP() << "a GPSStatus file lies beside the test program";
    }
    CSentenceProbe fresh;
    fresh.LoadAlternatGPSStatusStrings();
    EXPECT_FALSE(fresh.m_bAlternateStatus);
    EXPECT_TRUE(fresh.m_SignalStatusMap.empty());
    EXPECT_EQ(UDF_SIGNAL_RTK_FIXED, fresh.MapGGAQuality(4));
}

TEST_F(SentenceTest, TextsThatAreNoSentenceAreRefusedAndMarkTheFixLost)
{
    for (const wchar_t* text : {L"", L"$GPGGA", L"$GPGGA\r\n", L",,,,,,,,,,,,,,,,,,,,,,,,"})
    {
        SCOPED_TRACE(CString(text).ToNarrow());
        for (const bool bInertial : {false, true})
        {
            ResetSharedReceiverState();
            Data().m_SignalStatus = UDF_SIGNAL_RTK_FIXED;
            CString str(text);
            EXPECT_FALSE(bInertial ? m_receiver.ProcessINGGA(str) : m_receiver.ProcessGGA(str));
            const CGPSData& d = Data();
            EXPECT_TRUE(d.m_bPosition && !d.m_bMotion && !d.m_bDOP && !d.m_bSatellitesInView &&
                        !d.m_bSatellites && !d.m_Status.m_bNewStatus);
            EXPECT_EQ(UDF_SIGNAL_NONE, Data().m_SignalStatus);
        }
    }
}

TEST_F(SentenceTest, SatelliteSlotSearchesThatFindNothingLeaveTheSlotAlone)
{
    int nSlot = 77;
    EXPECT_FALSE(m_receiver.GetSatellite(13, nSlot));
    EXPECT_TRUE(m_receiver.GetEmptySatellite(nSlot));
    EXPECT_EQ(0, nSlot);
    CGPSSatelliteData(&slots)[12] = CDOZOzoeiver::m_GPSData.m_Satellites;
    for (int i = 0; i < 12; ++i)
    {
        slots[i].m_nPRN = i + 1;
        slots[i].m_bUsed = true;
    }
    nSlot = 77;
    EXPECT_FALSE(m_receiver.GetSatellite(13, nSlot));
    EXPECT_FALSE(m_receiver.GetEmptySatellite(nSlot));
    EXPECT_FALSE(m_receiver.GetUnusedSatellite(nSlot));
    EXPECT_FALSE(m_receiver.ChooseSatelliteSlot(13, nSlot));
    EXPECT_EQ(77, nSlot);
    EXPECT_TRUE(m_receiver.ChooseSatelliteSlot(12, nSlot));
    EXPECT_EQ(11, nSlot) << "the last slot is searched too";
    slots[11].m_bUsed = false;
    EXPECT_TRUE(m_receiver.ChooseSatelliteSlot(13, nSlot));
    EXPECT_EQ(11, nSlot) << "the only unused slot";
}

} // namespace
