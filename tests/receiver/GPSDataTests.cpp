// The published records: a fresh record, Clear and Invalidate of the position and status records,
// and the raw epoch's satellite slots.
#include "receiver/GPSData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>
#include <tuple>
#include <vector>

namespace
{

// A status record with the fields Invalidate resets set, and a few that it keeps.
CGPSStatusData BusyStatus()
{
    CGPSStatusData st;
    st.m_bNewStatus = st.m_bBeaconSignal = st.m_bBeaconTuning = st.m_bElevMask = true;
    st.m_bNmeaStatus = st.m_bAckReceived = st.m_bDgpsMode = st.m_bInfoText = true;
    st.m_bPositionMode = st.m_bBeaconAutoFrequency = true;
    st.m_bPemReply = false;
    st.m_NmeaStatus[6] = NMEA_MSG_ON;
    st.m_dRecordingInterval = 2.0;
    st.m_nLbandMode = 2;
    st.m_nElevMask = 10;
    st.m_dFixedAltitude = 123.25;
    st.m_DgpsMode = DGPS_WAAS;
    std::strcpy(st.m_szInfoText, "RECEIVER ID 42");
    return st;
}

// Every value of the record zero and every flag down, the status record left out.
void ExpectEmptyValues(const CGPSData& data)
{
    for (double value : {data.m_dLatitude, data.m_dLongitude, data.m_dAltitude, data.m_dHDOP,
                         data.m_dPDOP, data.m_dVDOP, data.m_dMeanSNR, data.m_dHorzError,
                         data.m_dVertError, data.m_dSphericalError, data.m_dHeading, data.m_dSpeed,
                         data.m_dUTCTime, data.m_dNorth, data.m_dEast})
    {
        EXPECT_EQ(0.0, value);
    }
    EXPECT_EQ(0, data.m_nSatellitesUsed + data.m_nSatellitesInView);
    EXPECT_EQ(UDF_SIGNAL_NONE, data.m_SignalStatus);
    EXPECT_FALSE(data.m_bPosition || data.m_bMotion || data.m_bDOP || data.m_bSatellitesInView ||
                 data.m_bSatellites || data.m_bProprietary || data.m_bErrorEstimate);
}

void SetAllFlags(CGPSData& data)
{
    data.m_bPosition = data.m_bMotion = data.m_bDOP = data.m_bSatellitesInView = true;
    data.m_bSatellites = data.m_bProprietary = data.m_bErrorEstimate = true;
}

DataRecord_G12_MBN Mbn(int nPRN, std::int32_t lTag = 0, double dFullPhase = 0.0)
{
    DataRecord_G12_MBN record{};
    record.m_cMarker = 1;
    record.m_cQuality = 24;
    record.m_cPRN = static_cast<std::int8_t>(nPRN);
    record.m_lTag = lTag;
    record.m_dRawRange = 0.07;
    record.m_lDoppler = 12345;
    record.m_dFullPhase = dFullPhase;
    return record;
}

DataRecord_G12_MCA Mca(unsigned nPRN, double dFullPhase, std::int32_t lDoppler)
{
    DataRecord_G12_MCA record{};
    record.m_cPRN = static_cast<std::uint8_t>(nPRN);
    record.m_dFullPhase = dFullPhase;
    record.m_lDoppler = lDoppler;
    return record;
}

// What a raw epoch holds, field by field (padding bytes carry no meaning).
using RawSlot = std::tuple<int, int, double, double, double, double, double, bool>;
std::vector<RawSlot> Slots(const CGPSDataRaw& raw)
{
    std::vector<RawSlot> slots;
    for (const CGPSSatelliteDataRaw& x : raw.m_Satellites)
    {
        slots.emplace_back(x.m_nPRN, x.m_nTag, x.m_dPseudorange, x.m_dCarrierPhase, x.m_dDoppler,
                           x.m_dSpare1, x.m_dSpare2, x.m_bValid);
    }
    slots.emplace_back(raw.m_nNumSV, raw.m_nGPSWeek, raw.m_dLatitude, raw.m_dLongitude,
                       raw.m_dHeight, raw.m_dReceiverTime, raw.m_dClockOffset, raw.m_bPosition);
    return slots;
}

CGPSSatelliteDataRaw SlotAt(const CGPSDataRaw& raw, int nIndex)
{
    CGPSSatelliteDataRaw slot;
    EXPECT_TRUE(raw.GetSatelliteData(slot, nIndex));
    return slot;
}

} // namespace

TEST(GPSDataRecord, FreshRecordIsEmptyAndStamped)
{
    const auto before = static_cast<GPSTime32>(std::time(nullptr));
    const CGPSData data;
    EXPECT_GE(data.m_Time, before);
    EXPECT_LE(data.m_Time, static_cast<GPSTime32>(std::time(nullptr)));
    ExpectEmptyValues(data);
    for (const CGPSSatelliteData& sat : data.m_Satellites)
    {
        EXPECT_EQ(0, sat.m_nPRN + sat.m_nSNR);
        EXPECT_EQ(0.0, sat.m_dElevation + sat.m_dAzimuth);
        EXPECT_FALSE(sat.m_bUsed || sat.m_bVisible);
    }
    EXPECT_EQ(std::string(sizeof(data.m_szProprietary), '\0'),
              std::string(data.m_szProprietary, sizeof(data.m_szProprietary)));
    // The status record starts invalidated: a PEM reply awaited, no recording interval.
    EXPECT_FALSE(data.m_Status.m_bPositionMode);
    EXPECT_EQ(DGPS_OFF, data.m_Status.m_DgpsMode);
    EXPECT_EQ('\0', data.m_Status.m_szInfoText[0]);
    EXPECT_TRUE(data.m_Status.m_bPemReply);
    EXPECT_EQ(-1.0, data.m_Status.m_dRecordingInterval);
}

TEST(GPSDataRecord, InvalidateKeepsTheSatelliteCycleUnlessAll)
{
    for (const bool bAll : {false, true})
    {
        SCOPED_TRACE(bAll ? "Invalidate(true)" : "Invalidate(false)");
        CGPSData data;
        SetAllFlags(data);
        data.m_dLatitude = 0.9;
        data.Invalidate(bAll);
        EXPECT_FALSE(data.m_bPosition || data.m_bMotion || data.m_bDOP || data.m_bSatellites ||
                     data.m_bProprietary || data.m_bErrorEstimate);
        EXPECT_EQ(!bAll, data.m_bSatellitesInView);
        EXPECT_EQ(0.9, data.m_dLatitude) << "values persist, only flags go";
    }
}

TEST(GPSDataRecord, ClearZeroesValuesAndKeepsTablesAndStatus)
{
    CGPSData data;
    data.m_Time = 5;
    data.m_dLatitude = data.m_dLongitude = data.m_dAltitude = data.m_dHDOP = data.m_dPDOP = 1.5;
    data.m_dVDOP = data.m_dMeanSNR = data.m_dHorzError = data.m_dVertError = 2.5;
    data.m_dSphericalError = data.m_dHeading = data.m_dSpeed = data.m_dUTCTime = 3.5;
    data.m_dNorth = data.m_dEast = 4.5;
    data.m_nSatellitesUsed = 7;
    data.m_nSatellitesInView = 9;
    data.m_SignalStatus = UDF_SIGNAL_RTK_FIXED;
    data.m_Satellites[3].m_nPRN = 17;
    data.m_Satellites[3].m_bUsed = true;
    std::memcpy(data.m_szProprietary, "$PXYZ", 5);
    data.m_Status = BusyStatus();
    SetAllFlags(data);

    data.Clear();

    ExpectEmptyValues(data);
    EXPECT_GT(data.m_Time, 5) << "stamped again";
    EXPECT_EQ(17, data.m_Satellites[3].m_nPRN);
    EXPECT_TRUE(data.m_Satellites[3].m_bUsed);
    EXPECT_EQ(0, std::memcmp(data.m_szProprietary, "$PXYZ", 5));
    EXPECT_TRUE(data.m_Status.m_bNewStatus) << "the status record is not Clear's business";
}

TEST(GPSStatusRecord, InvalidateResetsFlagsAndKeepsValues)
{
    CGPSStatusData status = BusyStatus();
    status.Invalidate();

    EXPECT_FALSE(status.m_bNewStatus || status.m_bBeaconSignal || status.m_bBeaconTuning ||
                 status.m_bElevMask || status.m_bNmeaStatus || status.m_bAckReceived ||
                 status.m_bDgpsMode || status.m_bInfoText);
    EXPECT_TRUE(status.m_bPemReply);
    EXPECT_EQ(NMEA_MSG_UNKNOWN, status.m_NmeaStatus[6]);
    EXPECT_EQ(-1.0, status.m_dRecordingInterval);
    EXPECT_EQ(0, status.m_nLbandMode);
    // The values themselves stay, the position-mode flag included.
    EXPECT_TRUE(status.m_bBeaconAutoFrequency && status.m_bPositionMode);
    EXPECT_EQ(10, status.m_nElevMask);
    EXPECT_EQ(123.25, status.m_dFixedAltitude);
    EXPECT_EQ(DGPS_WAAS, status.m_DgpsMode);
    EXPECT_STREQ("RECEIVER ID 42", status.m_szInfoText);
}

TEST(GPSRawRecord, MeasurementsFillTheirSlot)
{
    struct Row
    {
        const char* legend;
        std::int32_t lTag;
        int nTag;
    };
    // The tag is divided by 500 and truncated toward zero.
    const std::vector<Row> rows = {
        {"exact", 1000, 2}, {"just below", 1499, 2}, {"negative", -1499, -2}, {"small", 499, 0}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CGPSDataRaw raw;
        ASSERT_TRUE(raw.AddSatelliteData(Mbn(5, row.lTag, 1000.25)));
        EXPECT_EQ(1, raw.GetNumSV());
        const CGPSSatelliteDataRaw slot = SlotAt(raw, 0);
        EXPECT_EQ(5, slot.m_nPRN);
        EXPECT_EQ(row.nTag, slot.m_nTag);
        EXPECT_DOUBLE_EQ(0.07 * 299792458.0, slot.m_dPseudorange);
        EXPECT_EQ(-1000.25, slot.m_dCarrierPhase);
        EXPECT_DOUBLE_EQ(-1.2345, slot.m_dDoppler);
        EXPECT_TRUE(slot.m_bValid);
    }
}

TEST(GPSRawRecord, CodeRecordUpdatesPhaseAndDopplerOnly)
{
    CGPSDataRaw raw;
    ASSERT_TRUE(raw.AddSatelliteData(Mbn(9, 5000, 10.0)));
    ASSERT_TRUE(raw.AddSatelliteData(Mca(9, 20.5, 300)));
    EXPECT_EQ(1, raw.GetNumSV());
    const CGPSSatelliteDataRaw slot = SlotAt(raw, 0);
    EXPECT_EQ(10, slot.m_nTag) << "kept from the measurement";
    EXPECT_DOUBLE_EQ(0.07 * 299792458.0, slot.m_dPseudorange);
    EXPECT_EQ(20.5, slot.m_dCarrierPhase) << "not negated";
    EXPECT_DOUBLE_EQ(0.03, slot.m_dDoppler) << "positive factor";

    // The code record's satellite number is unsigned: 200 is a satellite (0 is not, below).
    EXPECT_TRUE(raw.AddSatelliteData(Mca(200, 1.0, 1)));
    EXPECT_EQ(2, raw.GetNumSV());
    EXPECT_EQ(200, SlotAt(raw, 1).m_nPRN);
    EXPECT_EQ(0, SlotAt(raw, 1).m_nTag);
}

TEST(GPSRawRecord, ElevenSatellitesAtMostAndRefusalsChangeNothing)
{
    CGPSDataRaw raw;
    ASSERT_TRUE(raw.AddSatelliteData(Mbn(4, 0, 1.0)));
    ASSERT_TRUE(raw.AddSatelliteData(Mbn(4, 0, 2.0))) << "the same satellite again";
    EXPECT_EQ(-2.0, SlotAt(raw, 0).m_dCarrierPhase);
    for (int nPRN = 1; nPRN <= 11; ++nPRN)
    {
        ASSERT_TRUE(raw.AddSatelliteData(Mbn(nPRN, 0, nPRN)));
    }
    EXPECT_EQ(11, raw.GetNumSV());

    const CGPSDataRaw full = raw;
    struct Row
    {
        const char* legend;
        bool bMbn;
        int nPRN;
    };
    const std::vector<Row> rows = {
        {"a twelfth satellite", true, 12},
        {"an update of a satellite already held", true, 3},
        {"a code record of a satellite already held", false, 3},
        {"a code record of a new satellite", false, 40},
        {"a code record of satellite 0", false, 0},
        {"a measurement of satellite 0", true, 0},
        {"a negative satellite number", true, -128},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_FALSE(row.bMbn
                         ? raw.AddSatelliteData(Mbn(row.nPRN, 0, 99.0))
                         : raw.AddSatelliteData(Mca(static_cast<unsigned>(row.nPRN), 99.0, 1)));
        EXPECT_EQ(Slots(full), Slots(raw));
    }
    for (const int nIndex : {-1, 11, 1000})
    {
        SCOPED_TRACE(nIndex);
        CGPSSatelliteDataRaw probe;
        probe.m_nPRN = 77;
        EXPECT_FALSE(raw.GetSatelliteData(probe, nIndex));
        EXPECT_EQ(77, probe.m_nPRN);
    }
}

TEST(GPSRawRecord, ClearEmptiesTheEpochButKeepsItsTime)
{
    CGPSDataRaw raw;
    EXPECT_EQ(0, raw.m_Time);
    raw.m_Time = 99;
    raw.m_dLatitude = raw.m_dLongitude = raw.m_dHeight = raw.m_dSpare = 1.0;
    raw.m_bPosition = raw.m_bSpare = raw.m_bEpochComplete = true;
    raw.m_dReceiverTime = raw.m_dCorrectedTime = raw.m_dClockOffset = raw.m_dClockDrift = 2.0;
    raw.m_nGPSWeek = 2300;
    ASSERT_TRUE(raw.AddSatelliteData(Mbn(8, 500, 1.0)));

    raw.Clear();

    EXPECT_EQ(Slots(CGPSDataRaw()), Slots(raw));
    EXPECT_EQ(99, raw.m_Time);
    EXPECT_FALSE(raw.m_bSpare || raw.m_bEpochComplete);
    EXPECT_EQ(0.0, raw.m_dSpare + raw.m_dCorrectedTime + raw.m_dClockDrift);
}
