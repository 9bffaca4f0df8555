// Motion: what the golden stream motion.nmea (VTG and PGRME values, refusals, the speed engine
// over fixes and VTG taking over) cannot show: the flags the motion sentences set, and the speed
// engine itself.
#include "SentenceText.h"
#include "receiver/SpeedEngine.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace
{
constexpr double kPi = 3.141592653589793;

// A motion sentence sets its flag only when it is read to the end.
TEST(MotionSentences, FlagSetOnlyByASentenceReadWhole)
{
    const std::pair<const char*, const char*> rows[] = {
        {"GPVTG,0,T,,M,019.4,N,036.0,K", "-M------"},
        {"GPVTG,090.0,T,,M,005.5,N,010.2,N", "--------"},
        {"PGRME,15.0,M,45.0,M,25.0,M", "------E-"},
        {"PGRME,15.0,M,45.0,M", "--------"},
    };
    for (const auto& [body, flags] : rows)
    {
        SCOPED_TRACE(body);
        ResetSharedReceiverState();
        CProbeReceiver receiver;
        CString s = Sentence(body);
        const bool bOk = body[1] == 'P' ? receiver.ProcessVTG(s) : receiver.ProcessGarminRME(s);
        EXPECT_EQ(flags != std::string("--------"), bOk);
        EXPECT_EQ(flags, Flags(CDOZOzoeiver::m_GPSData));
    }
}

} // namespace

// The speed engine: the local frame around the first fix, the three-fix moving average, the time
// step across midnight, fixes without signal, and the heading conventions.
namespace
{
constexpr double kRadius = 6378000.0;

// A fix dNorth/dEast metres from latitude dLat0 (radians), longitude 0, at time dTime.
CGPSData Fix(double dTime, double dNorth, double dEast = 0.0, double dLat0 = 0.0,
             UDF_SIGNAL_STATUS eStatus = UDF_SIGNAL_GPS)
{
    CGPSData fix;
    fix.m_dUTCTime = dTime;
    fix.m_dLatitude = dLat0 + dNorth / kRadius;
    fix.m_dLongitude = dEast / (kRadius * std::cos(dLat0));
    fix.m_SignalStatus = eStatus;
    fix.m_dSpeed = -1.0; // what the engine must overwrite or leave
    fix.m_dHeading = -9.0;
    return fix;
}

TEST(SpeedEngine, FirstFixOfANewOrResetEngineIsTheOriginAndTheWindowAveragesThree)
{
    const double dLat = 60.0 * kPi / 180.0;
    for (const bool bReset : {false, true})
    {
        SCOPED_TRACE(bReset ? "after a reset" : "new engine");
        CSpeedEngine engine;
        for (int i = 0; bReset && i < 4; ++i)
        {
            CGPSData earlier = Fix(i, 2.0 * i);
            engine.ComputeMotion(&earlier);
        }
        engine.Reset();
        EXPECT_EQ(0, engine.GetCount());
        // One metre north every second: the window mean moves 0.5 m while the window fills.
        const double expected[] = {-1.0, 0.5, 0.5, 1.0, 1.0, 1.0};
        for (int i = 0; i < 6; ++i)
        {
            SCOPED_TRACE(i);
            CGPSData fix = Fix(1000.0 + i, i, 0.0, dLat);
            fix.m_dLongitude = 0.3;
            fix.m_dNorth = fix.m_dEast = 55.0;
            EXPECT_EQ(i > 0, engine.ComputeMotion(&fix));
            EXPECT_EQ(i > 0, fix.m_bMotion);
            EXPECT_NEAR(i, fix.m_dNorth, 1e-6);
            EXPECT_EQ(0.0, fix.m_dEast);
            EXPECT_NEAR(expected[i], fix.m_dSpeed, 1e-6);
            EXPECT_EQ(std::min(i + 1, CSpeedEngine::WindowSize), engine.GetCount());
        }
        EXPECT_NEAR(kRadius / 2.0, engine.m_dEastScale, 1e-6);
        // Later fixes are placed east with the origin's scale, not their own.
        CGPSData east = Fix(1010.0, 10.0, 0.0, dLat);
        east.m_dLongitude = 0.3 + 1e-5;
        engine.ComputeMotion(&east);
        EXPECT_NEAR(1e-5 * kRadius / 2.0, east.m_dEast, 1e-6);
    }
}

TEST(SpeedEngine, TimeStepsAcrossMidnightAndRefusesNoStep)
{
    const struct
    {
        const char* legend;
        double dFirst, dSecond;
        bool bMotion;
        double dSpeed; // for 1 m north between the two fixes
    } rows[] = {
        {"one second", 500.0, 501.0, true, 0.5},
        {"across midnight", 86399.5, 0.5, true, 0.5},
        {"two seconds across midnight", 86399.0, 1.0, true, 0.25},
        {"the same time twice", 500.0, 500.0, false, -1.0},
        {"the same time twice at midnight", 0.0, 0.0, false, -1.0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CSpeedEngine engine;
        CGPSData first = Fix(row.dFirst, 0.0);
        CGPSData second = Fix(row.dSecond, 1.0);
        engine.ComputeMotion(&first);
        EXPECT_EQ(row.bMotion, engine.ComputeMotion(&second));
        EXPECT_EQ(row.bMotion, second.m_bMotion);
        EXPECT_NEAR(row.dSpeed, second.m_dSpeed, 1e-6);
        EXPECT_NEAR(1.0, second.m_dNorth, 1e-6) << "placed in the frame even without motion";
        EXPECT_EQ(2, engine.GetCount());
    }
}

TEST(SpeedEngine, AFixWithoutSignalIsNeitherChangedNorCounted)
{
    // Two engines see the same fixes, one with a no-fix in between: the next fix is the same.
    CSpeedEngine plain;
    CSpeedEngine interrupted;
    for (CSpeedEngine* pEngine : {&plain, &interrupted})
    {
        CGPSData a = Fix(10.0, 0.0);
        CGPSData b = Fix(11.0, 3.0, 4.0);
        pEngine->ComputeMotion(&a);
        pEngine->ComputeMotion(&b);
    }
    CGPSData none = Fix(12.0, 50.0, 50.0, 0.0, UDF_SIGNAL_NONE);
    none.m_dNorth = none.m_dEast = 7.0;
    EXPECT_FALSE(interrupted.ComputeMotion(&none));
    EXPECT_EQ(std::make_pair(7.0, 7.0), std::make_pair(none.m_dNorth, none.m_dEast));
    EXPECT_EQ(-1.0, none.m_dSpeed);
    EXPECT_EQ(-9.0, none.m_dHeading);
    EXPECT_FALSE(none.m_bMotion);
    EXPECT_EQ(2, interrupted.GetCount());
    CGPSData c1 = Fix(13.0, 6.0, 8.0);
    CGPSData c2 = Fix(13.0, 6.0, 8.0);
    EXPECT_TRUE(plain.ComputeMotion(&c1));
    EXPECT_TRUE(interrupted.ComputeMotion(&c2));
    EXPECT_EQ(c1.m_dNorth, c2.m_dNorth);
    EXPECT_EQ(c1.m_dSpeed, c2.m_dSpeed);
    EXPECT_EQ(c1.m_dHeading, c2.m_dHeading);
    // Nor does a no-fix become the origin of an empty engine, and no fix at all is refused.
    CSpeedEngine empty;
    EXPECT_FALSE(empty.ComputeMotion(&none));
    EXPECT_FALSE(empty.ComputeMotion(nullptr));
    EXPECT_EQ(0, empty.GetCount());
}

TEST(SpeedEngine, HeadingIsCounterClockwiseFromEastInMinusPiToPi)
{
    const double s3 = std::sqrt(3.0);
    const struct
    {
        double dNorth, dEast, dHeading;
    } rows[] = {
        {0.0, 2.0, 0.0},
        {2.0, 0.0, kPi / 2.0},
        {0.0, -2.0, -kPi},
        {-2.0, 0.0, -kPi / 2.0},
        {2.0, -2.0, 3.0 * kPi / 4.0},
        {-2.0, -2.0, -3.0 * kPi / 4.0},
        {2.0 * s3, -2.0, 2.0 * kPi / 3.0},
        {-2.0, 2.0 * s3, -kPi / 6.0},
        {0.0, 0.0, 0.0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(testing::Message() << row.dNorth << " north, " << row.dEast << " east");
        CSpeedEngine engine;
        CGPSData origin = Fix(0.0, 0.0);
        CGPSData moved = Fix(1.0, row.dNorth, row.dEast);
        engine.ComputeMotion(&origin);
        ASSERT_TRUE(engine.ComputeMotion(&moved));
        EXPECT_NEAR(row.dHeading, moved.m_dHeading, 1e-9);
        // The window of two moves half the displacement.
        EXPECT_NEAR(std::hypot(row.dNorth, row.dEast) / 2.0, moved.m_dSpeed, 1e-6);
    }
}

} // namespace
