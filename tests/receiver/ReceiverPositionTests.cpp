// Position sentences: GGA and INGGA into the working record (time, position in radians, fix
// quality, satellites, HDOP, altitude with antenna height and geoid separation), and what a
// sentence that stops short leaves behind.
#include "SentenceText.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace
{

constexpr double kDegree = 3.141592653589793 / 180.0;

// Body of the classic GGA example: 12:35:19, 48 07.038' N, 11 31.000' E, quality 1, 8
// satellites, HDOP 0.9, 545.4 m, geoid separation 46.9 m.
const std::wstring kGGABody = L"GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";

class PositionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedReceiverState();
        m_receiver.m_dAntennaHeight = 2.0;
    }

    bool GGA(const std::wstring& body)
    {
        CString str = Sentence(body);
        return m_receiver.ProcessGGA(str);
    }

    bool INGGA(const std::wstring& body)
    {
        CString str = Sentence(body);
        return m_receiver.ProcessINGGA(str);
    }

    static CGPSData& Data() { return CDOZOzoeiver::m_GPSData; }

    CProbeReceiver m_receiver;
};

TEST_F(PositionTest, NmeaAngleBecomesRadians)
{
    struct SRow
    {
        const char* legend;
        double dNmea;
        double dDegrees;
    } const rows[] = {
        {"latitude", 4807.038, 48.1173},
        {"longitude with three degree digits", 1131.000, 11.0 + 31.0 / 60.0},
        {"negative keeps its sign", -4807.038, -48.1173},
        {"zero", 0.0, 0.0},
        {"minutes only", 30.0, 0.5},
        {"pole", 9000.0, 90.0},
        {"date line", 18000.0, 180.0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_NEAR(row.dDegrees * kDegree, m_receiver.GPSPosToRadians(row.dNmea), 1e-12);
    }
}

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
        EXPECT_TRUE(GGA(kGGABody));
        const CGPSData& data = Data();
        EXPECT_EQ(45319.0, data.m_dUTCTime);
        EXPECT_NEAR(48.1173 * kDegree, data.m_dLatitude, 1e-12);
        EXPECT_NEAR((11.0 + 31.0 / 60.0) * kDegree, data.m_dLongitude, 1e-12);
        EXPECT_EQ(UDF_SIGNAL_GPS, data.m_SignalStatus);
        EXPECT_EQ(8, data.m_nSatellitesUsed);
        EXPECT_DOUBLE_EQ(0.9, data.m_dHDOP);
        EXPECT_TRUE(data.m_bDOP);
        EXPECT_TRUE(data.m_bPosition);
        EXPECT_NEAR(row.dAltitude, data.m_dAltitude, 1e-9);
    }
}

TEST_F(PositionTest, HemispheresOtherThanNorthAndEastCountAsSouthAndWest)
{
    struct SRow
    {
        const char* legend;
        const wchar_t* ns;
        const wchar_t* ew;
        double dLatSign;
        double dLonSign;
    } const rows[] = {
        {"north east", L"N", L"E", 1, 1},   {"south west", L"S", L"W", -1, -1},
        {"lower case", L"n", L"e", -1, -1}, {"empty", L"", L"", -1, -1},
        {"padded", L"N ", L" E", -1, -1},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ResetSharedReceiverState();
        EXPECT_TRUE(GGA(std::wstring(L"GPGGA,123519,4807.038,") + row.ns + L",01131.000," + row.ew +
                        L",1,08,0.9,545.4,M,46.9,M,,"));
        EXPECT_NEAR(row.dLatSign * 48.1173 * kDegree, Data().m_dLatitude, 1e-12);
        EXPECT_NEAR(row.dLonSign * (11.0 + 31.0 / 60.0) * kDegree, Data().m_dLongitude, 1e-12);
    }
}

TEST_F(PositionTest, TooFewSatellitesTakeTheFixWithoutQuality)
{
    m_receiver.m_nMinSatellites = 4;
    EXPECT_TRUE(GGA(L"GPGGA,123519,4807.038,N,01131.000,E,1,03,0.9,545.4,M,46.9,M,,"));
    EXPECT_EQ(UDF_SIGNAL_NONE, Data().m_SignalStatus);
    EXPECT_EQ(3, Data().m_nSatellitesUsed);
    EXPECT_TRUE(Data().m_bPosition);
    EXPECT_NEAR(543.4, Data().m_dAltitude, 1e-9);

    ResetSharedReceiverState();
    EXPECT_TRUE(GGA(L"GPGGA,123519,4807.038,N,01131.000,E,1,04,0.9,545.4,M,46.9,M,,"));
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

TEST_F(PositionTest, GGAQualityFieldGoesThroughTheMapping)
{
    m_receiver.m_bAlternateStatus = true;
    m_receiver.m_SignalStatusMap[4] = UDF_SIGNAL_RTK_CODE;
    struct SRow
    {
        const wchar_t* quality;
        UDF_SIGNAL_STATUS eStatus;
    } const rows[] = {
        {L"4", UDF_SIGNAL_RTK_CODE},  {L"5", UDF_SIGNAL_RTK_FLOAT}, {L"8", UDF_SIGNAL_GPS},
        {L"04", UDF_SIGNAL_RTK_CODE}, {L"0", UDF_SIGNAL_NONE},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(CString(row.quality).ToNarrow());
        ResetSharedReceiverState();
        EXPECT_TRUE(GGA(std::wstring(L"GPGGA,123519,4807.038,N,01131.000,E,") + row.quality +
                        L",08,0.9,545.4,M,46.9,M,,"));
        EXPECT_EQ(row.eStatus, Data().m_SignalStatus);
    }
}

// What a GGA that does not get through leaves in the working record.
TEST_F(PositionTest, GGARefusedPartWayKeepsWhatItReadAndMarksTheFixLost)
{
    const std::wstring longField(5000, L'7');
    const UDF_SIGNAL_STATUS eNone = UDF_SIGNAL_NONE;
    const UDF_SIGNAL_STATUS eGps = UDF_SIGNAL_GPS; // the quality was read before the failure
    struct SRow
    {
        const char* legend;
        std::wstring body;
        UDF_SIGNAL_STATUS eStatus;
        double dUTCTime; // -1: untouched
        double dAltitude;
    } const rows[] = {
        {"no fix: empty position fields", L"GPGGA,123520,,,,,0,00,,,M,,M,,", eNone, 45320.0, -1.0},
        {"empty time", L"GPGGA,,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", eNone, -1.0,
         -1.0},
        {"time not a number", L"GPGGA,12h35,4807.038,N,01131.000,E,1,08,0.9,545.4,M,,M,,", eNone,
         -1.0, -1.0},
        {"empty quality", L"GPGGA,123520,4807.038,N,01131.000,E,,08,0.9,545.4,M,46.9,M,,", eNone,
         45320.0, -1.0},
        {"satellites not a number",
         L"GPGGA,123520,4807.038,N,01131.000,E,1,x8,0.9,545.4,M,46.9,M,,", eGps, 45320.0, -1.0},
        {"empty HDOP", L"GPGGA,123520,4807.038,N,01131.000,E,1,08,,545.4,M,46.9,M,,", eGps, 45320.0,
         -1.0},
        {"empty altitude", L"GPGGA,123520,4807.038,N,01131.000,E,1,08,0.9,,M,46.9,M,,", eGps,
         45320.0, -1.0},
        {"altitude in feet", L"GPGGA,123520,4807.038,N,01131.000,E,1,08,0.9,545.4,F,46.9,M,,", eGps,
         45320.0, 545.4},
        {"altitude unit missing", L"GPGGA,123520,4807.038,N,01131.000,E,1,08,0.9,545.4", eGps,
         45320.0, 545.4},
        {"cut after the quality", L"GPGGA,123520,4807.038,N,01131.000,E,1", eGps, 45320.0, -1.0},
        {"cut after the latitude", L"GPGGA,123520,4807.038", eNone, 45320.0, -1.0},
        {"latitude longer than any number", L"GPGGA,123520," + longField + L",N,01131.000,E,1",
         eNone, 45320.0, -1.0},
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
        std::wstring tail;
        double dAltitude;
    } const rows[] = {
        {"lower-case units", L"545.4,m,46.9,m,,", 590.3},
        {"separation empty", L"545.4,M,,M,,", 543.4},
        {"separation not a number", L"545.4,M,abc,M,,", 543.4},
        {"separation in feet", L"545.4,M,46.9,F,,", 543.4},
        {"sentence ends after the altitude unit", L"545.4,M", 543.4},
        {"separation unit missing", L"545.4,M,46.9", 543.4},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ResetSharedReceiverState();
        EXPECT_TRUE(GGA(L"GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9," + row.tail));
        EXPECT_NEAR(row.dAltitude, Data().m_dAltitude, 1e-9);
    }
}

TEST_F(PositionTest, InertialGGAHasItsOwnQualityAndOptionalFields)
{
    m_receiver.m_nMinSatellites = 6; // not applied to inertial fixes
    struct SRow
    {
        const char* legend;
        std::wstring body;
        bool bOk;
        UDF_SIGNAL_STATUS eStatus;
        bool bDOP;
        int nSatellites; // -1: untouched
    } const rows[] = {
        {"quality 2 is computed", L"INGGA,123519,4807.038,N,01131.000,E,2,04,0.9,545.4,M,46.9,M,,",
         true, UDF_SIGNAL_CALCULATED, true, 4},
        {"quality 0 is no fix", L"INGGA,123519,4807.038,N,01131.000,E,0,04,0.9,545.4,M,46.9,M,,",
         true, UDF_SIGNAL_NONE, true, 4},
        {"empty HDOP", L"INGGA,123519,4807.038,N,01131.000,E,1,04,,545.4,M,46.9,M,,", true,
         UDF_SIGNAL_CALCULATED, false, 4},
        {"empty satellite count", L"INGGA,123519,4807.038,N,01131.000,E,1,,0.9,545.4,M,46.9,M,,",
         true, UDF_SIGNAL_CALCULATED, true, -1},
        {"altitude in feet", L"INGGA,123519,4807.038,N,01131.000,E,1,04,0.9,545.4,F,46.9,M,,",
         false, UDF_SIGNAL_CALCULATED, true, 4},
        {"cut after the HDOP", L"INGGA,123519,4807.038,N,01131.000,E,1,04,0.9", false,
         UDF_SIGNAL_CALCULATED, true, 4},
        {"empty quality", L"INGGA,123519,4807.038,N,01131.000,E,,04,0.9,545.4,M,46.9,M,,", false,
         UDF_SIGNAL_NONE, false, -1},
        {"time not a number", L"INGGA,x,4807.038,N,01131.000,E,1,04,0.9,545.4,M,46.9,M,,", false,
         UDF_SIGNAL_NONE, false, -1},
        {"empty longitude", L"INGGA,123519,4807.038,N,,E,1,04,0.9,545.4,M,46.9,M,,", false,
         UDF_SIGNAL_NONE, false, -1},
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

TEST_F(PositionTest, InertialGGAConsultsTheSiteTableAndAppliesTheSeparation)
{
    m_receiver.m_bAlternateStatus = true;
    m_receiver.m_SignalStatusMap[2] = UDF_SIGNAL_RTK_FLOAT;
    m_receiver.m_nHeightMode = 2;
    EXPECT_TRUE(INGGA(L"INGGA,123519,4807.038,S,01131.000,W,2,04,0.9,545.4,M,46.9,M,,"));
    EXPECT_EQ(UDF_SIGNAL_RTK_FLOAT, Data().m_SignalStatus);
    EXPECT_NEAR(-48.1173 * kDegree, Data().m_dLatitude, 1e-12);
    EXPECT_NEAR(496.5, Data().m_dAltitude, 1e-9);

    ResetSharedReceiverState();
    EXPECT_TRUE(INGGA(L"INGGA,123519,4807.038,N,01131.000,E,5,04,0.9,545.4,M,46.9,M,,"));
    EXPECT_EQ(UDF_SIGNAL_CALCULATED, Data().m_SignalStatus);
}

TEST_F(PositionTest, GGAThroughParseReachesTheRightParser)
{
    CString strGGA = Sentence(kGGABody);
    EXPECT_EQ(GPS_STRING_GGA, m_receiver.GetGPSStringType(strGGA));
    m_receiver.Parse(strGGA);
    EXPECT_EQ(UDF_SIGNAL_GPS, Data().m_SignalStatus);

    CString strGNGGA = Sentence(L"GNGGA,000001,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,,");
    m_receiver.Parse(strGNGGA);
    EXPECT_EQ(1.0, Data().m_dUTCTime);
    EXPECT_EQ(UDF_SIGNAL_CORRECTED_GPS, Data().m_SignalStatus);

    CString strINGGA = Sentence(L"INGGA,000002,4807.038,N,01131.000,E,2,08,0.9,545.4,M,46.9,M,,");
    m_receiver.Parse(strINGGA);
    EXPECT_EQ(2.0, Data().m_dUTCTime);
    EXPECT_EQ(UDF_SIGNAL_CALCULATED, Data().m_SignalStatus);
}

} // namespace
