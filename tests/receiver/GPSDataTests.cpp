#include "receiver/GPSData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <tuple>
#include <vector>

namespace
{
// A status record with every field set away from its defaults.
CGPSStatusData BusyStatus()
{
    CGPSStatusData st;
    st.m_bNewStatus = st.m_bBeaconSignal = st.m_bBeaconTuning = st.m_bBeaconAutoFrequency = true;
    st.m_bElevMask = st.m_bSettingsSaved = st.m_bNmeaStatus = st.m_bPositionMode = true;
    st.m_bAckReceived = st.m_bDgpsMode = st.m_bInfoText = true;
    st.m_bPemReply = false;
    st.m_nBeaconSignalStrength = 41;
    st.m_nBeaconSNR = 17;
    st.m_dBeaconFrequency = 313.5;
    st.m_nBeaconBitRate = 200;
    st.m_nElevMask = 10;
    for (NmeaMsgStatus& s : st.m_NmeaStatus)
    {
        s = NMEA_MSG_ON;
    }
    st.m_dFixedAltitude = 123.25;
    st.m_nPositionMode = 1;
    st.m_nPdopMask = 40;
    st.m_nHdopMask = 4;
    st.m_nVdopMask = 5;
    st.m_dRecordingInterval = 2.0;
    st.m_DgpsMode = DGPS_WAAS;
    st.m_nLbandMode = 2;
    std::strcpy(st.m_szInfoText, "RECEIVER ID 42");
    return st;
}

void SetAllFlags(CGPSData& data)
{
    data.m_bPosition = data.m_bMotion = data.m_bDOP = data.m_bSatellitesInView = true;
    data.m_bSatellites = data.m_bProprietary = data.m_bErrorEstimate = true;
}

DataRecord_G12_MBN Mbn(int nPRN, std::int32_t lTag = 0, double dRawRange = 0.0,
                       std::int32_t lDoppler = 0, double dFullPhase = 0.0)
{
    DataRecord_G12_MBN record{};
    record.m_cMarker = 1;
    record.m_cQuality = 24;
    record.m_cPRN = static_cast<std::int8_t>(nPRN);
    record.m_lTag = lTag;
    record.m_dRawRange = dRawRange;
    record.m_lDoppler = lDoppler;
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
} // namespace

TEST(GPSDataRecord, FreshRecordIsEmptyAndStamped)
{
    const auto before = static_cast<GPSTime32>(std::time(nullptr));
    const CGPSData data;
    const auto after = static_cast<GPSTime32>(std::time(nullptr));

    EXPECT_EQ(UDF_SIGNAL_NONE, data.m_SignalStatus);
    EXPECT_GE(data.m_Time, before);
    EXPECT_LE(data.m_Time, after);
    EXPECT_FALSE(data.m_bPosition || data.m_bMotion || data.m_bDOP || data.m_bSatellitesInView ||
                 data.m_bSatellites || data.m_bProprietary || data.m_bErrorEstimate);
    for (const CGPSSatelliteData& sat : data.m_Satellites)
    {
        EXPECT_EQ(0, sat.m_nPRN);
        EXPECT_EQ(0.0, sat.m_dElevation);
        EXPECT_EQ(0.0, sat.m_dAzimuth);
        EXPECT_EQ(0, sat.m_nSNR);
        EXPECT_FALSE(sat.m_bUsed || sat.m_bVisible);
    }
    EXPECT_EQ(0, data.m_nSatellitesUsed);
    EXPECT_EQ(0.0, data.m_dLatitude);
    EXPECT_EQ(0.0, data.m_dUTCTime);
    for (char c : data.m_szProprietary)
    {
        EXPECT_EQ('\0', c);
    }
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
    data.m_dLatitude = data.m_dLongitude = data.m_dAltitude = 1.5;
    data.m_dHDOP = data.m_dPDOP = data.m_dVDOP = data.m_dMeanSNR = 2.5;
    data.m_dHorzError = data.m_dVertError = data.m_dSphericalError = 3.5;
    data.m_dHeading = data.m_dSpeed = data.m_dUTCTime = data.m_dNorth = data.m_dEast = 4.5;
    data.m_nSatellitesUsed = 7;
    data.m_nSatellitesInView = 9;
    data.m_SignalStatus = UDF_SIGNAL_RTK_FIXED;
    data.m_Satellites[3].m_nPRN = 17;
    data.m_Satellites[3].m_bUsed = true;
    std::memcpy(data.m_szProprietary, "$PXYZ", 5);
    data.m_Status = BusyStatus();
    SetAllFlags(data);

    data.Clear();

    for (double value : {data.m_dLatitude, data.m_dLongitude, data.m_dAltitude, data.m_dHDOP,
                         data.m_dPDOP, data.m_dVDOP, data.m_dMeanSNR, data.m_dHorzError,
                         data.m_dVertError, data.m_dSphericalError, data.m_dHeading, data.m_dSpeed,
                         data.m_dUTCTime, data.m_dNorth, data.m_dEast})
    {
        EXPECT_EQ(0.0, value);
    }
    EXPECT_EQ(0, data.m_nSatellitesUsed);
    EXPECT_EQ(0, data.m_nSatellitesInView);
    EXPECT_EQ(UDF_SIGNAL_NONE, data.m_SignalStatus);
    EXPECT_GT(data.m_Time, 5) << "stamped again";
    EXPECT_FALSE(data.m_bSatellitesInView || data.m_bPosition);
    EXPECT_EQ(17, data.m_Satellites[3].m_nPRN);
    EXPECT_TRUE(data.m_Satellites[3].m_bUsed);
    EXPECT_EQ(0, std::memcmp(data.m_szProprietary, "$PXYZ", 5));
    EXPECT_TRUE(data.m_Status.m_bNewStatus) << "the status record is not Clear's business";
    EXPECT_STREQ("RECEIVER ID 42", data.m_Status.m_szInfoText);
}

TEST(GPSStatusRecord, InvalidateResetsFlagsAndKeepsValues)
{
    CGPSStatusData status = BusyStatus();
    status.Invalidate();

    // Flags and the values documented as reset.
    EXPECT_FALSE(status.m_bNewStatus);
    EXPECT_FALSE(status.m_bBeaconSignal);
    EXPECT_FALSE(status.m_bBeaconTuning);
    EXPECT_TRUE(status.m_bPemReply);
    EXPECT_FALSE(status.m_bElevMask);
    EXPECT_FALSE(status.m_bNmeaStatus);
    for (NmeaMsgStatus s : status.m_NmeaStatus)
    {
        EXPECT_EQ(NMEA_MSG_UNKNOWN, s);
    }
    EXPECT_EQ(-1.0, status.m_dRecordingInterval);
    EXPECT_FALSE(status.m_bAckReceived);
    EXPECT_FALSE(status.m_bDgpsMode);
    EXPECT_EQ(0, status.m_nLbandMode);
    EXPECT_FALSE(status.m_bInfoText);

    // Everything else keeps its contents, the position-mode flag included.
    EXPECT_EQ(41, status.m_nBeaconSignalStrength);
    EXPECT_EQ(17, status.m_nBeaconSNR);
    EXPECT_EQ(313.5, status.m_dBeaconFrequency);
    EXPECT_EQ(200, status.m_nBeaconBitRate);
    EXPECT_TRUE(status.m_bBeaconAutoFrequency);
    EXPECT_EQ(10, status.m_nElevMask);
    EXPECT_TRUE(status.m_bSettingsSaved);
    EXPECT_TRUE(status.m_bPositionMode);
    EXPECT_EQ(123.25, status.m_dFixedAltitude);
    EXPECT_EQ(1, status.m_nPositionMode);
    EXPECT_EQ(40, status.m_nPdopMask);
    EXPECT_EQ(4, status.m_nHdopMask);
    EXPECT_EQ(5, status.m_nVdopMask);
    EXPECT_EQ(DGPS_WAAS, status.m_DgpsMode);
    EXPECT_STREQ("RECEIVER ID 42", status.m_szInfoText);
}

TEST(GPSDataRecord, CopiesCarryEveryField)
{
    CGPSData data;
    data.m_dLatitude = 0.75;
    data.m_Time = 1234;
    data.m_Satellites[11].m_nSNR = 45;
    std::memset(data.m_szProprietary, 'P', sizeof(data.m_szProprietary));
    data.m_Status = BusyStatus();
    SetAllFlags(data);

    CGPSData* pCopy = new CGPSData(data);
    data = CGPSData(); // the copy owns nothing of the original
    EXPECT_EQ(0.75, pCopy->m_dLatitude);
    EXPECT_EQ(1234, pCopy->m_Time);
    EXPECT_EQ(45, pCopy->m_Satellites[11].m_nSNR);
    EXPECT_EQ('P', pCopy->m_szProprietary[78]);
    EXPECT_TRUE(pCopy->m_bSatellitesInView && pCopy->m_bErrorEstimate);
    EXPECT_STREQ("RECEIVER ID 42", pCopy->m_Status.m_szInfoText);
    EXPECT_EQ(DGPS_WAAS, pCopy->m_Status.m_DgpsMode);
    delete pCopy;

    CGPSStatusData* pStatus = new CGPSStatusData(BusyStatus());
    EXPECT_EQ(NMEA_MSG_ON, pStatus->m_NmeaStatus[6]);
    delete pStatus;
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
        ASSERT_TRUE(raw.AddSatelliteData(Mbn(5, row.lTag, 0.07, 12345, 1000.25)));
        CGPSSatelliteDataRaw slot;
        ASSERT_TRUE(raw.GetSatelliteData(slot, 0));
        EXPECT_EQ(5, slot.m_nPRN);
        EXPECT_EQ(row.nTag, slot.m_nTag);
        EXPECT_DOUBLE_EQ(0.07 * 299792458.0, slot.m_dPseudorange);
        EXPECT_EQ(-1000.25, slot.m_dCarrierPhase);
        EXPECT_DOUBLE_EQ(-1.2345, slot.m_dDoppler);
        EXPECT_TRUE(slot.m_bValid);
        EXPECT_EQ(1, raw.GetNumSV());
    }
}

TEST(GPSRawRecord, CodeRecordUpdatesPhaseAndDopplerOnly)
{
    CGPSDataRaw raw;
    ASSERT_TRUE(raw.AddSatelliteData(Mbn(9, 5000, 0.07, 100, 10.0)));
    ASSERT_TRUE(raw.AddSatelliteData(Mca(9, 20.5, 300)));
    EXPECT_EQ(1, raw.GetNumSV());
    CGPSSatelliteDataRaw slot;
    ASSERT_TRUE(raw.GetSatelliteData(slot, 0));
    EXPECT_EQ(10, slot.m_nTag) << "kept from the measurement";
    EXPECT_DOUBLE_EQ(0.07 * 299792458.0, slot.m_dPseudorange);
    EXPECT_EQ(20.5, slot.m_dCarrierPhase) << "not negated";
    EXPECT_DOUBLE_EQ(0.03, slot.m_dDoppler) << "positive factor";

    // The code record's satellite number is unsigned: 200 is a satellite, 0 is not.
    EXPECT_TRUE(raw.AddSatelliteData(Mca(200, 1.0, 1)));
    EXPECT_EQ(2, raw.GetNumSV());
    ASSERT_TRUE(raw.GetSatelliteData(slot, 1));
    EXPECT_EQ(200, slot.m_nPRN);
    EXPECT_EQ(0, slot.m_nTag);
    EXPECT_FALSE(raw.AddSatelliteData(Mca(0, 1.0, 1)));
}

TEST(GPSRawRecord, ElevenSatellitesAtMost)
{
    CGPSDataRaw raw;
    for (int nPRN = 1; nPRN <= 11; ++nPRN)
    {
        ASSERT_TRUE(raw.AddSatelliteData(Mbn(nPRN, 0, 0.0, 0, nPRN)));
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
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_FALSE(row.bMbn
                         ? raw.AddSatelliteData(Mbn(row.nPRN, 0, 0.0, 0, 99.0))
                         : raw.AddSatelliteData(Mca(static_cast<unsigned>(row.nPRN), 99.0, 1)));
        EXPECT_EQ(Slots(full), Slots(raw)) << "a refused record changes nothing";
    }
}

TEST(GPSRawRecord, RefusalsLeaveEverythingUnchanged)
{
    CGPSDataRaw raw;
    ASSERT_TRUE(raw.AddSatelliteData(Mbn(4, 0, 0.0, 0, 1.0)));
    ASSERT_TRUE(raw.AddSatelliteData(Mbn(4, 0, 0.0, 0, 2.0))) << "the same satellite again";
    EXPECT_EQ(1, raw.GetNumSV());
    CGPSSatelliteDataRaw slot;
    ASSERT_TRUE(raw.GetSatelliteData(slot, 0));
    EXPECT_EQ(-2.0, slot.m_dCarrierPhase);

    const CGPSDataRaw before = raw;
    for (const int nPRN : {0, -1, -128})
    {
        SCOPED_TRACE(nPRN);
        EXPECT_FALSE(raw.AddSatelliteData(Mbn(nPRN)));
        EXPECT_EQ(Slots(before), Slots(raw));
    }

    CGPSSatelliteDataRaw untouched;
    untouched.m_nPRN = 77;
    for (const int nIndex : {-1, 1, 12, 1000})
    {
        SCOPED_TRACE(nIndex);
        CGPSSatelliteDataRaw probe = untouched;
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
    ASSERT_TRUE(raw.AddSatelliteData(Mbn(8, 500, 0.07, 1, 1.0)));

    raw.Clear();

    EXPECT_EQ(Slots(CGPSDataRaw()), Slots(raw));
    EXPECT_EQ(99, raw.m_Time);
    EXPECT_FALSE(raw.m_bSpare || raw.m_bEpochComplete);
    EXPECT_EQ(0.0, raw.m_dSpare + raw.m_dCorrectedTime + raw.m_dClockDrift);
}
