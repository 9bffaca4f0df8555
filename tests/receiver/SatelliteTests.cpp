// The satellite table: GSV cycles and their sequencing, slot choice and eviction, GSA placing the
// satellites of the solution, and the mean SNR.
#include "SentenceText.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace
{
constexpr double kDeg = 3.141592653589793 / 180.0;

// One GSV sentence; each group is "PRN,elevation,azimuth,SNR" as it appears on the wire.
CString Gsv(int nTotal, int nNumber, int nInView, const std::vector<std::string>& groups,
            const std::string& strTag = "GPGSV")
{
    std::string body = strTag + "," + std::to_string(nTotal) + "," + std::to_string(nNumber) + "," +
                       std::to_string(nInView);
    for (const std::string& group : groups)
    {
        body += "," + group;
    }
    return Sentence(body);
}

// Satellite n of a test sky: elevation n % 90, azimuth 7n % 360.
std::string Sat(int nPRN, int nSNR = 35)
{
    return std::to_string(nPRN) + "," + std::to_string(nPRN % 90) + "," +
           std::to_string((nPRN * 7) % 360) + "," + std::to_string(nSNR);
}

// "GPGSA,A,3," + twelve satellite fields (padded with empty ones) + ",PDOP,HDOP,VDOP".
CString Gsa(const std::vector<std::string>& prns, const std::string& strDops = "2.5,1.3,2.1")
{
    std::string body = "GPGSA,A,3";
    for (std::size_t i = 0; i < 12; ++i)
    {
        body += "," + (i < prns.size() ? prns[i] : std::string());
    }
    return Sentence(body + "," + strDops);
}

const CGPSSatelliteData& Slot(int n)
{
    return CDOZOzoeiver::m_GPSData.m_Satellites[n];
}

// The satellite numbers of the first nSlots slots.
std::vector<int> SlotPRNs(std::size_t nSlots = 12)
{
    std::vector<int> prns;
    for (std::size_t i = 0; i < nSlots; ++i)
    {
        prns.push_back(CDOZOzoeiver::m_GPSData.m_Satellites[i].m_nPRN);
    }
    return prns;
}

class SatelliteTest : public ::testing::Test
{
protected:
    void SetUp() override { ResetSharedReceiverState(); }

    bool GSV(CString s) { return m_Receiver.ProcessGSV(s); }
    bool GSA(CString s) { return m_Receiver.ProcessGSA(s); }

    // Satellites 1-12 in view over three sentences, the last one's SNR nLastSNR.
    void TwelveInView(int nLastSNR = 35)
    {
        ASSERT_FALSE(GSV(Gsv(3, 1, 12, {Sat(1), Sat(2), Sat(3), Sat(4)})));
        ASSERT_FALSE(GSV(Gsv(3, 2, 12, {Sat(5), Sat(6), Sat(7), Sat(8)})));
        ASSERT_TRUE(GSV(Gsv(3, 3, 12, {Sat(9), Sat(10), Sat(11), Sat(12, nLastSNR)})));
    }

    CProbeReceiver m_Receiver;
};

TEST_F(SatelliteTest, GsvCyclesCompleteOnlyWithTheirLastSentenceInOrder)
{
    // "number/total" of each sentence ("!" where it completes the cycle), then whether satellites
    // are in view and the number expected next.
    const std::tuple<const char*, const char*, bool, int> rows[] = {
        {"in order", "1/3 2/3 3/3!", true, 1},
        {"1/3 then 3/3 is ignored", "1/3 3/3", false, 1},
        {"a single-sentence cycle", "1/1!", true, 1},
        {"2/3 first is ignored, then a whole cycle", "2/3 1/3 2/3 3/3!", true, 1},
        {"2/3 repeated is out of order", "1/3 2/3 2/3", false, 1},
        {"a new 1 restarts a cycle in the middle", "1/3 2/3 1/2 2/2!", true, 1},
        {"two cycles back to back", "1/2 2/2! 1/2 2/2!", true, 1},
        {"a cycle under way expects the next number", "1/4 2/4", false, 3},
        {"an announced total of 0 never completes", "1/0 1/0", false, 1},
        {"a number above the total is ignored", "1/2 2/2! 3/2", true, 1},
    };
    for (const auto& [legend, pszSteps, bInView, nNextGSV] : rows)
    {
        SCOPED_TRACE(legend);
        ResetSharedReceiverState();
        std::istringstream steps(pszSteps);
        int nStep = 0;
        for (std::string step; steps >> step; ++nStep)
        {
            SCOPED_TRACE(step);
            const int nTotal = std::stoi(step.substr(step.find('/') + 1));
            EXPECT_EQ(step.back() == '!', GSV(Gsv(nTotal, std::stoi(step), 4, {Sat(10 + nStep)})));
            EXPECT_EQ(nTotal, CDOZOzoeiver::m_nTotalGSV);
        }
        EXPECT_EQ(bInView, CDOZOzoeiver::m_GPSData.m_bSatellitesInView);
        EXPECT_EQ(nNextGSV, CDOZOzoeiver::m_nNextGSV);
    }
    // Sentences out of order store no satellites.
    ResetSharedReceiverState();
    EXPECT_FALSE(GSV(Gsv(3, 1, 12, {Sat(1), Sat(2)})));
    EXPECT_FALSE(GSV(Gsv(3, 3, 12, {Sat(7), Sat(8)})));
    EXPECT_FALSE(GSV(Gsv(3, 2, 12, {Sat(9)}))); // 2 is no longer expected after the reset
    EXPECT_EQ((std::vector<int>{1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), SlotPRNs());
}

TEST_F(SatelliteTest, UnreadableGsvHeaderRejectsTheSentence)
{
    // The announced total afterwards: kept from the sentence before where it is unreadable.
    for (const auto& [body, nTotalAfter] : {std::pair{"GPGSV,,1,4,05,40,100,44", 2},
                                            {"GPGSV,1,X,4,05,40,100,44", 1},
                                            {"GPGSV,1,,4,05,40,100,44", 1},
                                            {"GPGSV,1,1,,05,40,100,44", 1}})
    {
        SCOPED_TRACE(body);
        ResetSharedReceiverState();
        ASSERT_FALSE(GSV(Gsv(2, 1, 4, {Sat(3)})));
        EXPECT_FALSE(GSV(Sentence(body)));
        EXPECT_EQ(nTotalAfter, CDOZOzoeiver::m_nTotalGSV);
        EXPECT_FALSE(CDOZOzoeiver::m_GPSData.m_bSatellitesInView);
        int nSlot = -1;
        EXPECT_FALSE(m_Receiver.GetSatellite(5, nSlot)) << "satellite 5 stored at " << nSlot;
    }
}

TEST_F(SatelliteTest, GsvFillsSlotsUntilTheFirstUnreadableField)
{
    // The values of whole groups are pinned by the golden streams (tests/data/streams); an
    // empty SNR is 0 and the next satellite of the sentence is still read.
    ASSERT_TRUE(GSV(Gsv(1, 1, 3, {"05,40,100,44", "12,7,359,", "400,90,0,30"})));
    EXPECT_EQ(std::make_tuple(0, 400, 30),
              std::make_tuple(Slot(1).m_nSNR, Slot(2).m_nPRN, Slot(2).m_nSNR));

    // The groups of one sentence, the first slots' satellites afterwards.
    const std::tuple<const char*, std::vector<std::string>, std::vector<int>> rows[] = {
        {"elevation not a number", {"05,40,100,44", "06,x,100,44", "07,40,100,44"}, {5, 0, 0}},
        {"PRN too large for an int", {"2147483648,40,100,44", "07,40,100,44"}, {0, 0}},
        {"azimuth with a fraction", {"05,40,100.5,44", "07,40,100,44"}, {0, 0}},
        {"a fifth group is never read", {Sat(1), Sat(2), Sat(3), Sat(4), Sat(5)}, {1, 2, 3, 4, 0}},
        {"satellite 0 leaves its slot for the next", {"0,10,10,10", Sat(7)}, {7, 0}},
        {"numbers kept as sent", {"-3,-5,720,99", "2147483647,0,0,0"}, {-3, 2147483647, 0}},
    };
    for (const auto& [legend, groups, prns] : rows)
    {
        SCOPED_TRACE(legend);
        ResetSharedReceiverState();
        EXPECT_TRUE(GSV(Gsv(1, 1, 9, groups))) << "the cycle still completes";
        EXPECT_EQ(prns, SlotPRNs(prns.size()));
    }
}

TEST_F(SatelliteTest, ANewCycleOfAnyConstellationClearsVisibilityOfAll)
{
    ASSERT_TRUE(GSV(Gsv(1, 1, 2, {Sat(5), Sat(9)}, "GPGSV")));
    ASSERT_TRUE(GSV(Gsv(1, 1, 1, {Sat(70)}, "GLGSV")));
    EXPECT_EQ((std::vector<int>{5, 9, 70, 0}), SlotPRNs(4));
    EXPECT_FALSE(Slot(0).m_bVisible || Slot(1).m_bVisible);
    EXPECT_TRUE(Slot(2).m_bVisible);
    // The constellations share one sequence counter: a BeiDou 2/2 completes a GPS 1/2.
    EXPECT_FALSE(GSV(Gsv(2, 1, 3, {Sat(5)}, "GNGSV")));
    EXPECT_TRUE(GSV(Gsv(2, 2, 3, {Sat(201)}, "BDGSV")));
    EXPECT_TRUE(Slot(0).m_bVisible);
    EXPECT_FALSE(Slot(2).m_bVisible);
    EXPECT_EQ(201, Slot(3).m_nPRN);
}

TEST_F(SatelliteTest, FourteenSatellitesInViewEvictTheFirstUnusedSlot)
{
    for (const bool bUsed : {false, true})
    {
        SCOPED_TRACE(bUsed ? "1 and 2 used: the first unused slot is 2" : "none used: slot 0");
        ResetSharedReceiverState();
        if (bUsed)
        {
            ASSERT_TRUE(GSA(Gsa({"1", "2"})));
        }
        ASSERT_FALSE(GSV(Gsv(4, 1, 14, {Sat(1), Sat(2), Sat(3), Sat(4)})));
        ASSERT_FALSE(GSV(Gsv(4, 2, 14, {Sat(5), Sat(6), Sat(7), Sat(8)})));
        ASSERT_FALSE(GSV(Gsv(4, 3, 14, {Sat(9), Sat(10), Sat(11), Sat(12)})));
        ASSERT_TRUE(GSV(Gsv(4, 4, 14, {Sat(13, 20), Sat(14, 21)})));
        const int nEvicted = bUsed ? 2 : 0;
        std::vector<int> expected{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        expected[nEvicted] = 14;
        EXPECT_EQ(expected, SlotPRNs());
        EXPECT_EQ(21, Slot(nEvicted).m_nSNR);
        EXPECT_DOUBLE_EQ(14 * kDeg, Slot(nEvicted).m_dElevation);
        EXPECT_TRUE(Slot(nEvicted).m_bVisible && !Slot(nEvicted).m_bUsed);
        EXPECT_EQ(bUsed, Slot(0).m_bUsed && Slot(1).m_bUsed) << "used satellites keep their flag";
    }
}

TEST_F(SatelliteTest, SlotSearchesThatFindNothingLeaveTheSlotAlone)
{
    int nSlot = 77;
    EXPECT_FALSE(m_Receiver.GetSatellite(13, nSlot));
    EXPECT_TRUE(m_Receiver.GetEmptySatellite(nSlot));
    EXPECT_EQ(0, nSlot);
    for (int i = 0; i < 12; ++i)
    {
        CDOZOzoeiver::m_GPSData.m_Satellites[i].m_nPRN = i + 1;
        CDOZOzoeiver::m_GPSData.m_Satellites[i].m_bUsed = true;
    }
    nSlot = 77;
    EXPECT_FALSE(m_Receiver.GetSatellite(13, nSlot));
    EXPECT_FALSE(m_Receiver.GetEmptySatellite(nSlot));
    EXPECT_FALSE(m_Receiver.GetUnusedSatellite(nSlot));
    EXPECT_FALSE(m_Receiver.ChooseSatelliteSlot(13, nSlot));
    EXPECT_EQ(77, nSlot);
    EXPECT_TRUE(m_Receiver.ChooseSatelliteSlot(12, nSlot));
    EXPECT_EQ(11, nSlot) << "the last slot is searched too";
    CDOZOzoeiver::m_GPSData.m_Satellites[11].m_bUsed = false;
    EXPECT_TRUE(m_Receiver.ChooseSatelliteSlot(13, nSlot));
    EXPECT_EQ(11, nSlot) << "the only unused slot";
    CDOZOzoeiver::m_GPSData.m_Satellites[11].m_bUsed = true;

    // With every slot used, a newcomer in a GSV sentence ends its groups: satellite 3 after it
    // is not updated although it has a slot.
    EXPECT_TRUE(GSV(Gsv(1, 1, 13, {"50,10,10,10", "03,60,60,60"})));
    EXPECT_EQ(std::vector<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), SlotPRNs());
    EXPECT_EQ(0, Slot(2).m_nSNR);
}

TEST_F(SatelliteTest, GsaMarksTheSolutionsSatellitesAndPlacesNewOnes)
{
    ASSERT_TRUE(GSV(Gsv(1, 1, 3, {"03,10,20,30", "04,40,50,41", "06,70,80,42"})));
    ASSERT_TRUE(GSA(Gsa({"04", "", "09", "06", "x"})));
    EXPECT_EQ((std::vector<int>{3, 4, 6, 9, 0, 0, 0, 0, 0, 0, 0, 0}), SlotPRNs());
    EXPECT_FALSE(Slot(0).m_bUsed);
    EXPECT_TRUE(Slot(1).m_bUsed && Slot(2).m_bUsed);
    EXPECT_EQ(41, Slot(1).m_nSNR) << "GSA leaves what GSV measured";
    // A satellite GSV has not seen goes to the first empty slot, with nothing measured yet.
    EXPECT_TRUE(Slot(3).m_bUsed && Slot(3).m_bVisible);
    EXPECT_EQ(0.0, Slot(3).m_dElevation + Slot(3).m_dAzimuth + Slot(3).m_nSNR);
    const CGPSData& data = CDOZOzoeiver::m_GPSData;
    EXPECT_TRUE(data.m_bSatellites && data.m_bDOP);
    EXPECT_EQ((std::vector<double>{2.5, 1.3, 2.1}),
              (std::vector<double>{data.m_dPDOP, data.m_dHDOP, data.m_dVDOP}));
    // The next GSA says afresh which satellites are used; unreadable DOPs keep their values.
    ASSERT_TRUE(GSA(Gsa({"03"}, ",,")));
    EXPECT_TRUE(Slot(0).m_bUsed);
    EXPECT_FALSE(Slot(1).m_bUsed || Slot(3).m_bUsed);
    EXPECT_EQ((std::vector<double>{2.5, 1.3, 2.1}),
              (std::vector<double>{data.m_dPDOP, data.m_dHDOP, data.m_dVDOP}));
    EXPECT_TRUE(data.m_bDOP);
}

TEST_F(SatelliteTest, GsaIntoAFullTableEvictsAndKeepsTheOccupantsMeasurements)
{
    TwelveInView(47);
    // 99 takes the first slot not used by this sentence: 1 is marked used first, so slot 1.
    ASSERT_TRUE(GSA(Gsa({"1", "99", "99"})));
    EXPECT_EQ((std::vector<int>{1, 99, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), SlotPRNs());
    EXPECT_TRUE(Slot(1).m_bUsed);
    EXPECT_DOUBLE_EQ(2 * kDeg, Slot(1).m_dElevation) << "carries satellite 2's values";
    EXPECT_FALSE(Slot(2).m_bUsed) << "a repeated satellite takes no second slot";
    // The following GSV moves the evicted satellite 2 back in place of an unused one.
    ASSERT_TRUE(GSV(Gsv(1, 1, 1, {"99,45,90,50", Sat(2, 33)})));
    EXPECT_EQ(99, Slot(1).m_nPRN);
    EXPECT_TRUE(Slot(1).m_bUsed) << "a satellite in its own slot keeps its used flag";
    EXPECT_EQ(50, Slot(1).m_nSNR);
    EXPECT_EQ(2, Slot(2).m_nPRN);
    EXPECT_FALSE(Slot(2).m_bUsed);
}

TEST_F(SatelliteTest, MeanSnrCoversTheSatellitesUsed)
{
    // The satellites used, the groups in view, the mean SNR.
    const std::tuple<const char*, std::vector<std::string>, std::vector<std::string>, double>
        rows[] = {
            {"40 and 44 used, 30 unused",
             {"01", "02"},
             {"01,10,10,40", "02,10,10,44", "03,10,10,30"},
             42.0},
            {"none used", {}, {"01,10,10,40", "02,10,10,44"}, 0.0},
            {"an empty SNR counts as 0", {"01", "02"}, {"01,10,10,40", "02,10,10,"}, 20.0},
            {"used but never in view", {"01", "05"}, {"01,10,10,40"}, 20.0},
        };
    for (const auto& [legend, used, groups, dMean] : rows)
    {
        SCOPED_TRACE(legend);
        ResetSharedReceiverState();
        CDOZOzoeiver::m_GPSData.m_dMeanSNR = -1.0;
        ASSERT_TRUE(GSA(Gsa(used)));
        ASSERT_TRUE(GSV(Gsv(1, 1, 3, groups)));
        EXPECT_DOUBLE_EQ(dMean, CDOZOzoeiver::m_GPSData.m_dMeanSNR);
    }
}

} // namespace
