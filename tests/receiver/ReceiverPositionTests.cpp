// Position sentences: GGA and INGGA into the working record (time, position in radians, fix
// quality, satellites, HDOP, altitude with antenna height and geoid separation), and what a
// sentence that stops short leaves behind.
#include "SentenceText.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace
{

constexpr double kDegree = 3.141592653589793 / 180.0;
constexpr double kLatitude = 48.1173 * kDegree;
constexpr double kLongitude = (11.0 + 31.0 / 60.0) * kDegree;
constexpr UDF_SIGNAL_STATUS eNone = UDF_SIGNAL_NONE;
constexpr UDF_SIGNAL_STATUS eGps = UDF_SIGNAL_GPS;
constexpr UDF_SIGNAL_STATUS eCalc = UDF_SIGNAL_CALCULATED;

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

    // The sentence through the parser its tag names.
    bool Process(const std::string& strBody)
    {
        CString str = Sentence(strBody);
        return strBody[0] == 'I' ? m_receiver.ProcessINGGA(str) : m_receiver.ProcessGGA(str);
    }

    static CGPSData& Data() { return CDOZOzoeiver::m_GPSData; }

    CProbeReceiver m_receiver;
};

TEST_F(PositionTest, WorkedExampleWithEachHeightModeAndHemisphere)
{
    // Height mode, hemispheres, the sign they give, the altitude with the antenna's 2 m off.
    const std::tuple<const char*, int, const char*, const char*, double, double> rows[] = {
        {"separation ignored", 0, "N", "E", 1, 543.4},
        {"separation added", 1, "S", "W", -1, 590.3},
        {"separation subtracted", 2, "n", "e", -1, 496.5},
        {"any other mode subtracts", -3, "", "", -1, 496.5},
        {"padded hemispheres", 0, "N ", " E", -1, 543.4},
    };
    for (const auto& [legend, nHeightMode, ns, ew, dSign, dAltitude] : rows)
    {
        SCOPED_TRACE(legend);
        ResetSharedReceiverState();
        m_receiver.m_nHeightMode = nHeightMode;
        EXPECT_TRUE(Process(Gga({{3, ns}, {5, ew}})));
        const CGPSData& data = Data();
        EXPECT_EQ(std::make_tuple(45319.0, UDF_SIGNAL_GPS, 8, 0.9, std::string("P-D-----")),
                  std::make_tuple(data.m_dUTCTime, data.m_SignalStatus, data.m_nSatellitesUsed,
                                  data.m_dHDOP, Flags(data)));
        EXPECT_NEAR(dSign * kLatitude, data.m_dLatitude, 1e-12);
        EXPECT_NEAR(dSign * kLongitude, data.m_dLongitude, 1e-12);
        EXPECT_NEAR(dAltitude, data.m_dAltitude, 1e-9);
    }
}

TEST_F(PositionTest, QualityFromTheBuiltInOrTheSiteTableAndTheMinimumSatellites)
{
    for (const auto& [nQuality, eBuiltIn] : {std::pair{0, eNone},
                                             {2, UDF_SIGNAL_CORRECTED_GPS},
                                             {4, UDF_SIGNAL_RTK_FIXED},
                                             {9, UDF_SIGNAL_WAAS},
                                             {10, eGps},
                                             {-1, eGps},
                                             {2000000000, eGps}})
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
    m_receiver.m_SignalStatusMap = {{4, UDF_SIGNAL_RTK_CODE}, {2, UDF_SIGNAL_RTK_FLOAT}};
    m_receiver.m_nMinSatellites = 4; // not applied to inertial fixes
    const std::pair<std::string, UDF_SIGNAL_STATUS> rows[] = {
        {Gga({{6, "04"}}), UDF_SIGNAL_RTK_CODE},
        {Gga({{6, "5"}}), UDF_SIGNAL_RTK_FLOAT},
        {Ingga({{6, "2"}, {7, "03"}}), UDF_SIGNAL_RTK_FLOAT},
        {Ingga({{6, "5"}}), eCalc},
        {Gga({{7, "04"}}), eGps},
        {Gga({{7, "03"}}), eNone},
    };
    for (const auto& [body, eStatus] : rows)
    {
        SCOPED_TRACE(body);
        ResetSharedReceiverState();
        EXPECT_TRUE(Process(body));
        EXPECT_EQ(eStatus, Data().m_SignalStatus);
        EXPECT_TRUE(Data().m_bPosition) << "too few satellites take the fix without quality";
        EXPECT_NEAR(543.4, Data().m_dAltitude, 1e-9);
    }
}

// What a position sentence that does not get through leaves in the working record.
TEST_F(PositionTest, SentencesRefusedPartWayKeepWhatTheyReadAndMarkTheFixLost)
{
    // The status (eGps: the quality was read before the failure), time, altitude (-1: untouched)
    // and whether the DOP was read.
    const std::tuple<const char*, std::string, UDF_SIGNAL_STATUS, double, double, bool> rows[] = {
        {"no fix: empty position fields", "GPGGA,123519,,,,,0,00,,,M,,M,,", eNone, 45319, -1,
         false},
        {"empty time", Gga({{1, ""}}), eNone, -1, -1, false},
        {"time not a number", Gga({{1, "12h35"}}), eNone, -1, -1, false},
        {"empty quality", Gga({{6, ""}}), eNone, 45319, -1, false},
        {"satellites not a number", Gga({{7, "x8"}}), eGps, 45319, -1, false},
        {"empty HDOP", Gga({{8, ""}}), eGps, 45319, -1, false},
        {"empty altitude", Gga({{9, ""}}), eGps, 45319, -1, true},
        {"altitude in feet", Gga({{10, "F"}}), eGps, 45319, 545.4, true},
        {"altitude unit missing", Gga({}, 9), eGps, 45319, 545.4, true},
        {"cut after the quality", Gga({}, 6), eGps, 45319, -1, false},
        {"cut after the latitude", Gga({}, 2), eNone, 45319, -1, false},
        {"latitude longer than any number", Gga({{2, std::string(5000, '7')}}), eNone, 45319, -1,
         false},
        {"inertial: altitude in feet", Ingga({{10, "F"}}), eCalc, 45319, 545.4, true},
        {"inertial: cut after the HDOP", Ingga({}, 8), eCalc, 45319, -1, true},
        {"inertial: empty quality", Ingga({{6, ""}}), eNone, 45319, -1, false},
        {"inertial: time not a number", Ingga({{1, "x"}}), eNone, -1, -1, false},
        {"inertial: empty longitude", Ingga({{4, ""}}), eNone, 45319, -1, false},
    };
    for (const auto& [legend, body, eStatus, dUTCTime, dAltitude, bDOP] : rows)
    {
        SCOPED_TRACE(legend);
        ResetSharedReceiverState();
        CGPSData& data = Data();
        data.m_SignalStatus = UDF_SIGNAL_RTK_FIXED;
        data.m_dUTCTime = data.m_dAltitude = -1.0;
        EXPECT_FALSE(Process(body));
        EXPECT_EQ(bDOP ? "P-D-----" : "P-------", Flags(data)) << "the fix is marked lost";
        EXPECT_EQ(std::make_tuple(eStatus, dUTCTime, dAltitude),
                  std::make_tuple(data.m_SignalStatus, data.m_dUTCTime, data.m_dAltitude));
    }
    for (const wchar_t* text : {L"", L"$GPGGA", L"$GPGGA\r\n", L",,,,,,,,,,,,,,,,,,,,,,,,"})
    {
        CString str(text);
        EXPECT_FALSE(m_receiver.ProcessGGA(str));
        EXPECT_FALSE(m_receiver.ProcessINGGA(str));
    }
}

TEST_F(PositionTest, OptionalFieldsThatCannotBeUsedAreLeftOut)
{
    m_receiver.m_nHeightMode = 1;
    // The altitude, whether the DOP was read, the satellites used (-1: untouched).
    const std::tuple<const char*, std::string, double, bool, int> rows[] = {
        {"lower-case units", Gga({{10, "m"}, {12, "m"}}), 590.3, true, 8},
        {"separation empty", Gga({{11, ""}}), 543.4, true, 8},
        {"separation not a number", Gga({{11, "abc"}}), 543.4, true, 8},
        {"separation in feet", Gga({{12, "F"}}), 543.4, true, 8},
        {"sentence ends after the altitude unit", Gga({}, 10), 543.4, true, 8},
        {"separation unit missing", Gga({}, 11), 543.4, true, 8},
        {"inertial: separation added, quality 0", Ingga({{6, "0"}}), 590.3, true, 8},
        {"inertial: empty HDOP", Ingga({{8, ""}}), 590.3, false, 8},
        {"inertial: empty satellite count", Ingga({{7, ""}}), 590.3, true, -1},
    };
    for (const auto& [legend, body, dAltitude, bDOP, nSatellites] : rows)
    {
        SCOPED_TRACE(legend);
        ResetSharedReceiverState();
        Data().m_nSatellitesUsed = -1;
        EXPECT_TRUE(Process(body));
        EXPECT_NEAR(dAltitude, Data().m_dAltitude, 1e-9);
        EXPECT_EQ(std::make_pair(bDOP, nSatellites),
                  std::make_pair(Data().m_bDOP, Data().m_nSatellitesUsed));
    }
    // Through the receiver's entry point each tag reaches its parser.
    for (const auto& [body, eStatus] :
         {std::pair{Gga({{0, "GNGGA"}, {6, "2"}}), UDF_SIGNAL_CORRECTED_GPS},
          {Ingga({{6, "2"}}), eCalc}})
    {
        ResetSharedReceiverState();
        CString str = Sentence(body);
        m_receiver.Parse(str);
        EXPECT_EQ(45319.0, Data().m_dUTCTime);
        EXPECT_EQ(eStatus, Data().m_SignalStatus);
    }
}

} // namespace
