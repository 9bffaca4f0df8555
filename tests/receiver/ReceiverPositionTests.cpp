// Position sentences: GGA and INGGA into the working record (time, position in radians, fix
// quality, satellites, HDOP, altitude with antenna height and geoid separation), and what a
// sentence that stops short leaves behind.
#include "SentenceText.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace
{

constexpr double kDegree = 3.141592653589793 / 180.0;
constexpr double kLatitude = 48.1173 * kDegree;
constexpr double kLongitude = (11.0 + 31.0 / 60.0) * kDegree;

// The classic GGA example (12:35:19, 48 07.038' N, 11 31.000' E, quality 1, 8 satellites, HDOP
// 0.9, 545.4 m, geoid separation 46.9 m) with fields replaced (1 is the time) and cut after
// nFields fields.
std::string Gga(const std::vector<std::pair<int, std::string>>& changes = {},
                std::size_t nFields = 14, const char* pszTag = "GPGGA")
{
    std::vector<std::string> fields = {pszTag, "123519", "4807.038", "N",   "01131.000",
                                       "E",    "1",      "08",       "0.9", "545.4",
                                       "M",    "46.9",   "M",        "",    ""};
    for (const auto& [nIndex, strField] : changes)
    {
        fields[nIndex] = strField;
    }
    std::string strBody = fields[0];
    for (std::size_t i = 1; i <= nFields; ++i)
    {
        strBody += "," + fields[i];
    }
    return strBody;
}

std::string Ingga(const std::vector<std::pair<int, std::string>>& changes = {},
                  std::size_t nFields = 14)
{
    return Gga(changes, nFields, "INGGA");
}

class PositionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedReceiverState();
        m_receiver.m_dAntennaHeight = 2.0;
    }

    bool GGA(const std::string& strBody)
    {
        CString str = Sentence(strBody);
        return m_receiver.ProcessGGA(str);
    }

    bool INGGA(const std::string& strBody)
    {
        CString str = Sentence(strBody);
        return m_receiver.ProcessINGGA(str);
    }

    static CGPSData& Data() { return CDOZOzoeiver::m_GPSData; }

    CProbeReceiver m_receiver;
};

TEST_F(PositionTest, WorkedExampleWithEachHeightMode)
{
    struct SRow
    {
        const char* legend;
        int nHeightMode;
        double dAltitude;
    } const rows[] = {
        {"separation ignored", 0, 543.4},
        {"separation added", 1, 590.3},
        {"separation subtracted", 2, 496.5},
        {"any other mode subtracts", -3, 496.5},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ResetSharedReceiverState();
        m_receiver.m_nHeightMode = row.nHeightMode;
        EXPECT_TRUE(GGA(Gga()));
        const CGPSData& data = Data();
        EXPECT_EQ(45319.0, data.m_dUTCTime);
        EXPECT_NEAR(kLatitude, data.m_dLatitude, 1e-12);
        EXPECT_NEAR(kLongitude, data.m_dLongitude, 1e-12);
        EXPECT_EQ(UDF_SIGNAL_GPS, data.m_SignalStatus);
        EXPECT_EQ(8, data.m_nSatellitesUsed);
        EXPECT_DOUBLE_EQ(0.9, data.m_dHDOP);
        EXPECT_TRUE(data.m_bDOP && data.m_bPosition);
        EXPECT_NEAR(row.dAltitude, data.m_dAltitude, 1e-9);
    }
}

TEST_F(PositionTest, HemispheresOtherThanNorthAndEastCountAsSouthAndWest)
{
    struct SRow
    {
        const char* legend;
        const char* ns;
        const char* ew;
        double dSign;
    } const rows[] = {
        {"north east", "N", "E", 1}, {"south west", "S", "W", -1}, {"lower case", "n", "e", -1},
        {"empty", "", "", -1},       {"padded", "N ", " E", -1},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ResetSharedReceiverState();
        EXPECT_TRUE(GGA(Gga({{3, row.ns}, {5, row.ew}})));
        EXPECT_NEAR(row.dSign * kLatitude, Data().m_dLatitude, 1e-12);
        EXPECT_NEAR(row.dSign * kLongitude, Data().m_dLongitude, 1e-12);
    }
}

TEST_F(PositionTest, TooFewSatellitesTakeTheFixWithoutQuality)
{
    m_receiver.m_nMinSatellites = 4;
    EXPECT_TRUE(GGA(Gga({{7, "03"}})));
    EXPECT_EQ(UDF_SIGNAL_NONE, Data().m_SignalStatus);
    EXPECT_EQ(3, Data().m_nSatellitesUsed);
    EXPECT_TRUE(Data().m_bPosition);
    EXPECT_NEAR(543.4, Data().m_dAltitude, 1e-9);

    ResetSharedReceiverState();
    EXPECT_TRUE(GGA(Gga({{7, "04"}})));
    EXPECT_EQ(UDF_SIGNAL_GPS, Data().m_SignalStatus);
}

TEST_F(PositionTest, QualityNumbersMapToSignalStatus)
{
    struct SRow
    {
        int nQuality;
        UDF_SIGNAL_STATUS eBuiltIn;
    } const rows[] = {
        {0, UDF_SIGNAL_NONE},         {1, UDF_SIGNAL_GPS},       {2, UDF_SIGNAL_CORRECTED_GPS},
        {3, UDF_SIGNAL_GPS},          {4, UDF_SIGNAL_RTK_FIXED}, {5, UDF_SIGNAL_RTK_FLOAT},
        {6, UDF_SIGNAL_CALCULATED},   {7, UDF_SIGNAL_MANUAL},    {8, UDF_SIGNAL_GPS},
        {9, UDF_SIGNAL_WAAS},         {10, UDF_SIGNAL_GPS},      {-1, UDF_SIGNAL_GPS},
        {2000000000, UDF_SIGNAL_GPS},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.nQuality);
        m_receiver.m_bAlternateStatus = false;
        m_receiver.m_SignalStatusMap.clear();
        EXPECT_EQ(row.eBuiltIn, m_receiver.MapGGAQuality(row.nQuality));
        // Entries of a table that was never turned on are not consulted.
        m_receiver.m_SignalStatusMap[row.nQuality] = UDF_SIGNAL_POSTPROCESSED;
        EXPECT_EQ(row.eBuiltIn, m_receiver.MapGGAQuality(row.nQuality));
        // The site's table wins for the numbers it holds, and only for those.
        m_receiver.m_bAlternateStatus = true;
        EXPECT_EQ(UDF_SIGNAL_POSTPROCESSED, m_receiver.MapGGAQuality(row.nQuality));
        m_receiver.m_SignalStatusMap.clear();
        m_receiver.m_SignalStatusMap[row.nQuality + 1] = UDF_SIGNAL_POSTPROCESSED;
        EXPECT_EQ(row.eBuiltIn, m_receiver.MapGGAQuality(row.nQuality));
    }
}

TEST_F(PositionTest, QualityFieldGoesThroughTheSiteTable)
{
    m_receiver.m_bAlternateStatus = true;
    m_receiver.m_SignalStatusMap[4] = UDF_SIGNAL_RTK_CODE;
    m_receiver.m_SignalStatusMap[2] = UDF_SIGNAL_RTK_FLOAT;
    m_receiver.m_nHeightMode = 2;
    struct SRow
    {
        const char* legend;
        std::string body;
        UDF_SIGNAL_STATUS eStatus;
    } const rows[] = {
        {"in the table", Gga({{6, "4"}}), UDF_SIGNAL_RTK_CODE},
        {"leading zero", Gga({{6, "04"}}), UDF_SIGNAL_RTK_CODE},
        {"built in", Gga({{6, "5"}}), UDF_SIGNAL_RTK_FLOAT},
        {"no fix", Gga({{6, "0"}}), UDF_SIGNAL_NONE},
        {"inertial, in the table", Ingga({{6, "2"}}), UDF_SIGNAL_RTK_FLOAT},
        {"inertial, not in the table", Ingga({{6, "5"}}), UDF_SIGNAL_CALCULATED},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ResetSharedReceiverState();
        EXPECT_TRUE(row.body[0] == 'I' ? INGGA(row.body) : GGA(row.body));
        EXPECT_EQ(row.eStatus, Data().m_SignalStatus);
        EXPECT_NEAR(496.5, Data().m_dAltitude, 1e-9) << "the separation applies to both";
    }
}

// What a GGA that does not get through leaves in the working record.
TEST_F(PositionTest, GGARefusedPartWayKeepsWhatItReadAndMarksTheFixLost)
{
    const UDF_SIGNAL_STATUS eNone = UDF_SIGNAL_NONE;
    const UDF_SIGNAL_STATUS eGps = UDF_SIGNAL_GPS; // the quality was read before the failure
    struct SRow
    {
        const char* legend;
        std::string body;
        UDF_SIGNAL_STATUS eStatus;
        double dUTCTime; // -1: untouched
        double dAltitude;
    } const rows[] = {
        {"no fix: empty position fields", "GPGGA,123519,,,,,0,00,,,M,,M,,", eNone, 45319.0, -1.0},
        {"empty time", Gga({{1, ""}}), eNone, -1.0, -1.0},
        {"time not a number", Gga({{1, "12h35"}}), eNone, -1.0, -1.0},
        {"empty quality", Gga({{6, ""}}), eNone, 45319.0, -1.0},
        {"satellites not a number", Gga({{7, "x8"}}), eGps, 45319.0, -1.0},
        {"empty HDOP", Gga({{8, ""}}), eGps, 45319.0, -1.0},
        {"empty altitude", Gga({{9, ""}}), eGps, 45319.0, -1.0},
        {"altitude in feet", Gga({{10, "F"}}), eGps, 45319.0, 545.4},
        {"altitude unit missing", Gga({}, 9), eGps, 45319.0, 545.4},
        {"cut after the quality", Gga({}, 6), eGps, 45319.0, -1.0},
        {"cut after the latitude", Gga({}, 2), eNone, 45319.0, -1.0},
        {"latitude longer than any number", Gga({{2, std::string(5000, '7')}}), eNone, 45319.0,
         -1.0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ResetSharedReceiverState();
        CGPSData& data = Data();
        data.m_SignalStatus = UDF_SIGNAL_RTK_FIXED;
        data.m_dUTCTime = -1.0;
        data.m_dAltitude = -1.0;
        EXPECT_FALSE(GGA(row.body));
        EXPECT_TRUE(data.m_bPosition);
        EXPECT_EQ(row.eStatus, data.m_SignalStatus);
        EXPECT_EQ(row.dUTCTime, data.m_dUTCTime);
        EXPECT_DOUBLE_EQ(row.dAltitude, data.m_dAltitude);
    }
    // Hardly a sentence: still refused without harm.
    for (const wchar_t* text : {L"", L"$GPGGA", L"$GPGGA\r\n", L",,,,,,,,,,,,,,,,,,,,,,,,"})
    {
        CString str(text);
        EXPECT_FALSE(m_receiver.ProcessGGA(str));
        EXPECT_FALSE(m_receiver.ProcessINGGA(str));
    }
}

TEST_F(PositionTest, GeoidSeparationThatCannotBeUsedIsLeftOut)
{
    m_receiver.m_nHeightMode = 1;
    struct SRow
    {
        const char* legend;
        std::string body;
        double dAltitude;
    } const rows[] = {
        {"lower-case units", Gga({{10, "m"}, {12, "m"}}), 590.3},
        {"separation empty", Gga({{11, ""}}), 543.4},
        {"separation not a number", Gga({{11, "abc"}}), 543.4},
        {"separation in feet", Gga({{12, "F"}}), 543.4},
        {"sentence ends after the altitude unit", Gga({}, 10), 543.4},
        {"separation unit missing", Gga({}, 11), 543.4},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ResetSharedReceiverState();
        EXPECT_TRUE(GGA(row.body));
        EXPECT_NEAR(row.dAltitude, Data().m_dAltitude, 1e-9);
    }
}

TEST_F(PositionTest, InertialGGAHasItsOwnQualityAndOptionalFields)
{
    m_receiver.m_nMinSatellites = 9; // not applied to inertial fixes
    const UDF_SIGNAL_STATUS eCalculated = UDF_SIGNAL_CALCULATED;
    struct SRow
    {
        const char* legend;
        std::string body;
        bool bOk;
        UDF_SIGNAL_STATUS eStatus;
        bool bDOP;
        int nSatellites; // -1: untouched
    } const rows[] = {
        {"quality 2 is computed", Ingga({{6, "2"}}), true, eCalculated, true, 8},
        {"quality 0 is no fix", Ingga({{6, "0"}}), true, UDF_SIGNAL_NONE, true, 8},
        {"empty HDOP", Ingga({{8, ""}}), true, eCalculated, false, 8},
        {"empty satellite count", Ingga({{7, ""}}), true, eCalculated, true, -1},
        {"altitude in feet", Ingga({{10, "F"}}), false, eCalculated, true, 8},
        {"cut after the HDOP", Ingga({}, 8), false, eCalculated, true, 8},
        {"empty quality", Ingga({{6, ""}}), false, UDF_SIGNAL_NONE, false, -1},
        {"time not a number", Ingga({{1, "x"}}), false, UDF_SIGNAL_NONE, false, -1},
        {"empty longitude", Ingga({{4, ""}}), false, UDF_SIGNAL_NONE, false, -1},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ResetSharedReceiverState();
        CDOZOzoeiver::m_GPSData.m_nSatellitesUsed = -1;
        EXPECT_EQ(row.bOk, INGGA(row.body));
        EXPECT_TRUE(Data().m_bPosition);
        EXPECT_EQ(row.eStatus, Data().m_SignalStatus);
        EXPECT_EQ(row.bDOP, Data().m_bDOP);
        EXPECT_EQ(row.nSatellites, Data().m_nSatellitesUsed);
        if (row.bOk)
        {
            EXPECT_EQ(45319.0, Data().m_dUTCTime);
            EXPECT_NEAR(543.4, Data().m_dAltitude, 1e-9);
        }
    }
}

TEST_F(PositionTest, GGAThroughParseReachesTheRightParser)
{
    struct SRow
    {
        std::string body;
        double dUTCTime;
        UDF_SIGNAL_STATUS eStatus;
    } const rows[] = {
        {Gga(), 45319.0, UDF_SIGNAL_GPS},
        {Gga({{0, "GNGGA"}, {1, "000001"}, {6, "2"}}), 1.0, UDF_SIGNAL_CORRECTED_GPS},
        {Ingga({{1, "000002"}, {6, "2"}}), 2.0, UDF_SIGNAL_CALCULATED},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.body);
        CString str = Sentence(row.body);
        m_receiver.Parse(str);
        EXPECT_EQ(row.dUTCTime, Data().m_dUTCTime);
        EXPECT_EQ(row.eStatus, Data().m_SignalStatus);
    }
}

} // namespace
