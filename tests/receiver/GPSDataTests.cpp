// The published records: Clear and Invalidate of the position and status records, and the raw
// epoch's satellite slots.
#include "SentenceText.h"
#include "receiver/GPSData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <tuple>
#include <vector>

namespace
{

// Every value Clear owns and every flag, so one comparison shows the whole state.
auto Values(const CGPSData& d)
{
    return std::make_tuple(d.m_dLatitude, d.m_dLongitude, d.m_dAltitude, d.m_dHDOP, d.m_dPDOP,
                           d.m_dVDOP, d.m_dMeanSNR, d.m_dHorzError, d.m_dVertError,
                           d.m_dSphericalError, d.m_dHeading, d.m_dSpeed, d.m_dUTCTime, d.m_dNorth,
                           d.m_dEast, d.m_nSatellitesUsed, d.m_nSatellitesInView, d.m_SignalStatus,
                           d.m_bPosition, d.m_bMotion, d.m_bDOP, d.m_bSatellitesInView,
                           d.m_bSatellites, d.m_bProprietary, d.m_bErrorEstimate);
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

// What a raw epoch holds, slot by slot (padding bytes carry no meaning).
auto Slots(const CGPSDataRaw& raw)
{
    std::vector<std::tuple<int, int, double, double, double, bool>> slots;
    for (const CGPSSatelliteDataRaw& x : raw.m_Satellites)
    {
        slots.emplace_back(x.m_nPRN, x.m_nTag, x.m_dPseudorange, x.m_dCarrierPhase, x.m_dDoppler,
                           x.m_bValid);
    }
    slots.emplace_back(raw.m_nNumSV, raw.m_nGPSWeek, raw.m_dLatitude, raw.m_dReceiverTime,
                       raw.m_dClockOffset, raw.m_bPosition);
    return slots;
}

CGPSSatelliteDataRaw SlotAt(const CGPSDataRaw& raw, int nIndex)
{
    CGPSSatelliteDataRaw slot;
    EXPECT_TRUE(raw.GetSatelliteData(slot, nIndex));
    return slot;
}

} // namespace

TEST(GPSDataRecord, ClearAndInvalidateLeaveExactlyTheirState)
{
    const auto before = static_cast<GPSTime32>(std::time(nullptr));
    const CGPSData fresh;
    EXPECT_GE(fresh.m_Time, before);

    CGPSData data;
    data.m_Time = 5;
    data.m_dLatitude = data.m_dLongitude = data.m_dAltitude = data.m_dHDOP = data.m_dPDOP = 1.5;
    data.m_dVDOP = data.m_dMeanSNR = data.m_dHorzError = data.m_dVertError = 2.5;
    data.m_dSphericalError = data.m_dHeading = data.m_dSpeed = data.m_dUTCTime = 3.5;
    data.m_dNorth = data.m_dEast = 4.5;
    data.m_nSatellitesUsed = 7;
    data.m_nSatellitesInView = 9;
    data.m_SignalStatus = UDF_SIGNAL_RTK_FIXED;
    data.m_bPosition = data.m_bMotion = data.m_bDOP = data.m_bSatellitesInView = true;
    data.m_bSatellites = data.m_bProprietary = data.m_bErrorEstimate = true;
    data.m_Satellites[3].m_nPRN = 17;
    std::memcpy(data.m_szProprietary, "$PXYZ", 5);
    data.m_Status.m_bNewStatus = true;

    // Invalidate drops the flags only, and keeps a satellite cycle under way unless told.
    CGPSData partly = data;
    partly.Invalidate(false);
    auto expected = Values(data);
    std::get<18>(expected) = std::get<19>(expected) = std::get<20>(expected) = false;
    std::get<22>(expected) = std::get<23>(expected) = std::get<24>(expected) = false;
    EXPECT_EQ(expected, Values(partly));
    partly.Invalidate(true);
    std::get<21>(expected) = false;
    EXPECT_EQ(expected, Values(partly));

    data.Clear();
    EXPECT_EQ(Values(fresh), Values(data));
    EXPECT_GE(data.m_Time, before) << "stamped again";
    EXPECT_EQ(17, data.m_Satellites[3].m_nPRN) << "the table is not Clear's business";
    EXPECT_EQ(0, std::memcmp(data.m_szProprietary, "$PXYZ", 5));
    EXPECT_TRUE(data.m_Status.m_bNewStatus) << "nor the status record";
}

TEST(GPSStatusRecord, InvalidateResetsTheReplyFlagsAndKeepsTheValues)
{
    CGPSStatusData status;
    Fill(status);
    CGPSStatusData expected = status;
    status.Invalidate();
    expected.m_bNewStatus = expected.m_bBeaconSignal = expected.m_bBeaconTuning = false;
    expected.m_bElevMask = expected.m_bNmeaStatus = expected.m_bAckReceived = false;
    expected.m_bDgpsMode = expected.m_bInfoText = false;
    expected.m_bPemReply = true; // a PEM reply awaited
    std::fill(std::begin(expected.m_NmeaStatus), std::end(expected.m_NmeaStatus), NMEA_MSG_UNKNOWN);
    expected.m_dRecordingInterval = -1.0;
    expected.m_nLbandMode = 0;
    EXPECT_EQ(Fields(expected), Fields(status));
    const CGPSStatusData fresh;
    EXPECT_TRUE(fresh.m_bPemReply && fresh.m_dRecordingInterval == -1.0) << "starts invalidated";
}

TEST(GPSRawRecord, MeasurementsAndCodeRecordsFillTheirSlot)
{
    // The tag is divided by 500 and truncated toward zero.
    for (const auto& [lTag, nTag] : {std::pair{1000, 2}, {1499, 2}, {-1499, -2}, {499, 0}})
    {
        SCOPED_TRACE(lTag);
        CGPSDataRaw raw;
        ASSERT_TRUE(raw.AddSatelliteData(Mbn(5, lTag, 1000.25)));
        const CGPSSatelliteDataRaw slot = SlotAt(raw, 0);
        EXPECT_EQ(std::make_tuple(1, 5, nTag, -1000.25, true),
                  std::make_tuple(raw.GetNumSV(), slot.m_nPRN, slot.m_nTag, slot.m_dCarrierPhase,
                                  slot.m_bValid));
        EXPECT_DOUBLE_EQ(0.07 * 299792458.0, slot.m_dPseudorange);
        EXPECT_DOUBLE_EQ(-1.2345, slot.m_dDoppler);
    }
    CGPSDataRaw raw;
    ASSERT_TRUE(raw.AddSatelliteData(Mbn(9, 5000, 10.0)));
    ASSERT_TRUE(raw.AddSatelliteData(Mca(9, 20.5, 300)));
    const CGPSSatelliteDataRaw slot = SlotAt(raw, 0);
    EXPECT_EQ(1, raw.GetNumSV());
    EXPECT_EQ(10, slot.m_nTag) << "kept from the measurement";
    EXPECT_EQ(20.5, slot.m_dCarrierPhase) << "not negated";
    EXPECT_DOUBLE_EQ(0.03, slot.m_dDoppler) << "positive factor";
    // The code record's satellite number is unsigned: 200 is a satellite.
    EXPECT_TRUE(raw.AddSatelliteData(Mca(200, 1.0, 1)));
    EXPECT_EQ(200, SlotAt(raw, 1).m_nPRN);

    raw.m_Time = 99;
    raw.m_bEpochComplete = true;
    raw.m_dCorrectedTime = raw.m_dClockDrift = 2.0;
    raw.Clear();
    EXPECT_EQ(Slots(CGPSDataRaw()), Slots(raw));
    EXPECT_EQ(99, raw.m_Time) << "the epoch keeps its time";
    EXPECT_FALSE(raw.m_bEpochComplete);
    EXPECT_EQ(0.0, raw.m_dCorrectedTime + raw.m_dClockDrift);
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
    const auto full = Slots(raw);
    // A twelfth, an update of one held, code records old and new, satellite 0, a negative one.
    EXPECT_FALSE(raw.AddSatelliteData(Mbn(12, 0, 99.0)));
    EXPECT_FALSE(raw.AddSatelliteData(Mbn(3, 0, 99.0)));
    EXPECT_FALSE(raw.AddSatelliteData(Mca(3, 99.0, 1)));
    EXPECT_FALSE(raw.AddSatelliteData(Mca(40, 99.0, 1)));
    EXPECT_FALSE(raw.AddSatelliteData(Mbn(-128, 0, 99.0)));
    EXPECT_EQ(full, Slots(raw));
    CGPSDataRaw empty;
    EXPECT_FALSE(empty.AddSatelliteData(Mca(0, 99.0, 1)));
    EXPECT_FALSE(empty.AddSatelliteData(Mbn(0, 0, 99.0)));
    EXPECT_EQ(0, empty.GetNumSV());
    // Index searches past either end find nothing and leave the caller's slot alone.
    for (const auto& [pRaw, nIndex] : {std::pair{&raw, -1}, {&raw, 11}, {&raw, 1000}, {&empty, 0}})
    {
        SCOPED_TRACE(nIndex);
        CGPSSatelliteDataRaw probe;
        probe.m_nPRN = 77;
        EXPECT_FALSE(pRaw->GetSatelliteData(probe, nIndex));
        EXPECT_EQ(77, probe.m_nPRN);
    }
    EXPECT_EQ(11, SlotAt(raw, 10).m_nPRN) << "the last slot held";
}
