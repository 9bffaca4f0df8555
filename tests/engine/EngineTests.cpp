// The engine's receiver list, selection, minimum satellites, error texts and an idle Stop.
#include "EngineSupport.h"

#include <gtest/gtest.h>

TEST(EngineTest, ReceiverListKeepsTheDefaultLastFindsExactNamesAndDeletesEachOnce)
{
    int nDeleted = 0;
    auto* pStray = new CTestReceiver(L"Alpha", &nDeleted);
    {
        CZIDOvoine engine;
        CDOZOzoeiver* pDefault = engine.FindReceiver(L"anything");
        ASSERT_NE(pDefault, nullptr);
        EXPECT_EQ(pDefault->GetName(), CString(L"NMEA-0183"));
        auto* pA = new CTestReceiver(L"Alpha", &nDeleted);
        auto* pB = new CTestReceiver(L"Beta", &nDeleted);
        EXPECT_TRUE(engine.AddReceiver(pA));
        EXPECT_TRUE(engine.AddReceiver(pB));
        EXPECT_FALSE(engine.AddReceiver(pStray)) << "a second receiver named Alpha";
        EXPECT_FALSE(engine.AddReceiver(nullptr));
        EXPECT_EQ(engine.m_ReceiverList, (std::list<CDOZOzoeiver*>{pA, pB, pDefault}));
        EXPECT_EQ(engine.FindReceiver(L"Alpha"), pA);
        EXPECT_EQ(engine.FindReceiver(L"Beta"), pB);
        EXPECT_EQ(engine.FindReceiver(L"ALPHA"), pDefault);
    }
    EXPECT_EQ(nDeleted, 2) << "the refused receiver stays with the caller";
    delete pStray;
}

TEST(EngineTest, SelectionTakesTheMinimumSatellitesOfAtLeastThreeAndAnIdleStopSuspendsIt)
{
    CZIDOvoine engine;
    CTestReceiver first(L"First");
    CTestReceiver second(L"Second");
    EXPECT_EQ(engine.GetMinSatRequierment(), 4);
    engine.SetMinSatRequierment(0);
    EXPECT_EQ(engine.GetMinSatRequierment(), 3);
    engine.SetReceiver(&first);
    EXPECT_EQ(first.m_nMinSatellites, 3);
    engine.SetMinSatRequierment(5);
    EXPECT_EQ(first.m_nMinSatellites, 5);
    EXPECT_EQ(first.Log().nSuspends, 0) << "SetReceiver stops before the receiver is selected";
    engine.SetReceiver(&second);
    EXPECT_EQ(second.m_nMinSatellites, 5);
    EXPECT_EQ(first.Log().nSuspends, 1);
    engine.Stop();
    EXPECT_EQ(second.Log().nSuspends, 1);
    EXPECT_EQ(first.Log().nSuspends, 1);
    EXPECT_FALSE(engine.IsActive());
    EXPECT_EQ(engine.GetLastError(), GPS_ENGINE_NO_ERROR);
    engine.SetReceiver(nullptr);
}

TEST(EngineTest, ErrorCodesOutsideTheTableAndMissingStringsAreNamedAsSuch)
{
    CZIDOvoine engine;
    for (const int nError : {0, 4, -1})
    {
        engine.m_eLastError = static_cast<GPS_ENGINE_ERROR>(nError);
        EXPECT_EQ(engine.GetLastErrorString(),
                  CString(nError == 0 ? L"No Error." : L"Unknown GPS Error Code."));
    }
    CMessageBoxes boxes;
    EXPECT_TRUE(LoadEngineString(9999).IsEmpty());
    EXPECT_EQ(boxes.Texts(), std::vector<CString>{L"Error loading resource string. ZidOvo"});
}
