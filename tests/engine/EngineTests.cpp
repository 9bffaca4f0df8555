// The engine's receiver list, selection, minimum satellites, error texts and an idle Stop.
#include "EngineSupport.h"

#include "resources/ResourceIds.h"

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

TEST(EngineTest, MinimumSatellitesIsAtLeastThreeAndFollowsTheSelection)
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
    engine.SetReceiver(&second);
    EXPECT_EQ(second.m_nMinSatellites, 5);
    engine.SetReceiver(nullptr);
}

TEST(EngineTest, ErrorTextsComeFromTheStringTable)
{
    struct Row
    {
        const char* legend;
        int nError;
        const wchar_t* pszText;
    };
    const Row rows[] = {
        {"no error", 0, L"No Error."},
        {"no receiver", 1, L"No GPS Receiver Is Assigned."},
        {"initialisation failed", 2, L"Can't Initialize a Receiver."},
        {"thread failed", 3, L"Can't Start GPS Thread."},
        {"above the table", 4, L"Unknown GPS Error Code."},
        {"negative", -1, L"Unknown GPS Error Code."},
    };
    CZIDOvoine engine;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.legend);
        engine.m_eLastError = static_cast<GPS_ENGINE_ERROR>(row.nError);
        EXPECT_EQ(engine.GetLastErrorString(), CString(row.pszText));
    }

    CMessageBoxes boxes;
    EXPECT_TRUE(LoadEngineString(9999).IsEmpty());
    EXPECT_EQ(boxes.Texts(), std::vector<CString>{L"Error loading resource string. ZidOvo"});
}

TEST(EngineTest, StopOnAnIdleEngineSuspendsTheSelectedReceiverOnly)
{
    CZIDOvoine engine;
    CTestReceiver receiver;
    engine.SetReceiver(&receiver);
    EXPECT_EQ(receiver.Suspends(), 0) << "SetReceiver stops before the receiver is selected";
    engine.Stop();
    EXPECT_EQ(receiver.Suspends(), 1);
    EXPECT_FALSE(engine.IsActive());
    EXPECT_EQ(engine.GetLastError(), GPS_ENGINE_NO_ERROR);
    engine.SetReceiver(nullptr);
}
