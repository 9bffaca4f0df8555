// The satellite table's slot searches, for what the golden streams gsv_*.nmea and gsa*.nmea
// (cycles, groups, eviction, GSA placing satellites, the mean SNR) cannot show: the searches'
// answers and the slot they leave where they find nothing.
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

namespace
{

TEST(SatelliteTable, SlotSearchesThatFindNothingLeaveTheSlotAlone)
{
    ResetSharedReceiverState();
    CProbeReceiver receiver;
    int nSlot = 77;
    EXPECT_FALSE(receiver.GetSatellite(13, nSlot));
    EXPECT_TRUE(receiver.GetEmptySatellite(nSlot));
    EXPECT_EQ(0, nSlot);
    CGPSSatelliteData(&slots)[12] = CDOZOzoeiver::m_GPSData.m_Satellites;
    for (int i = 0; i < 12; ++i)
    {
        slots[i].m_nPRN = i + 1;
        slots[i].m_bUsed = true;
    }
    nSlot = 77;
    EXPECT_FALSE(receiver.GetSatellite(13, nSlot));
    EXPECT_FALSE(receiver.GetEmptySatellite(nSlot));
    EXPECT_FALSE(receiver.GetUnusedSatellite(nSlot));
    EXPECT_FALSE(receiver.ChooseSatelliteSlot(13, nSlot));
    EXPECT_EQ(77, nSlot);
    EXPECT_TRUE(receiver.ChooseSatelliteSlot(12, nSlot));
    EXPECT_EQ(11, nSlot) << "the last slot is searched too";
    slots[11].m_bUsed = false;
    EXPECT_TRUE(receiver.ChooseSatelliteSlot(13, nSlot));
    EXPECT_EQ(11, nSlot) << "the only unused slot";
}

} // namespace
