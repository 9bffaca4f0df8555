// Position sentences, for what the golden streams gga.nmea and gga_subtract.nmea (every field of
// GGA and INGGA, each way they fail part-way) cannot show: the site's fix-quality table, a height
// mode the host program does not offer, and texts too short to be sentences.
#include "SentenceText.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace
{

class PositionTest : public ::testing::Test
{
protected:
    void SetUp() override { ResetSharedReceiverState(); }

    // The sentence through the parser its tag names.
    bool Process(const std::string& strBody)
    {
        CString str = Sentence(strBody);
        return strBody[0] == 'I' ? m_receiver.ProcessINGGA(str) : m_receiver.ProcessGGA(str);
    }

    static CGPSData& Data() { return CDOZOzoeiver::m_GPSData; }

    CProbeReceiver m_receiver;
};

const std::string kGga = "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";

TEST_F(PositionTest, QualityFromTheSiteTableOnlyWhenTurnedOnAndHoldingTheNumber)
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
}

TEST_F(PositionTest, AnyHeightModeButOneSubtractsTheSeparation)
{
    m_receiver.m_nHeightMode = -3;
    m_receiver.m_dAntennaHeight = 2.0;
    EXPECT_TRUE(Process(kGga));
    EXPECT_NEAR(545.4 - 46.9 - 2.0, Data().m_dAltitude, 1e-9);
}

TEST_F(PositionTest, TextsThatAreNoSentenceAreRefusedAndMarkTheFixLost)
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
            EXPECT_EQ("P-------", Flags(Data()));
            EXPECT_EQ(UDF_SIGNAL_NONE, Data().m_SignalStatus);
        }
    }
}

} // namespace
