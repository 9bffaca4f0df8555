// The speed engine, for what the golden stream motion.nmea (fixes 1 m apart averaged over three,
// no motion below 0.3 m/s, VTG and PGRME and the flags they set) cannot show: the local frame of
// a reset engine, the time step across midnight, fixes without signal and the heading's quadrants.
#include "receiver/SpeedEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace
{

constexpr double kPi = 3.141592653589793;
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

TEST(SpeedEngine, FirstFixOfANewOrResetEngineIsTheOriginAndTheWindowFillsAgain)
{
    const double dLat = kPi / 3.0;
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
        const double expected[] = {-1.0, 0.5, 0.5, 1.0};
        for (int i = 0; i < 4; ++i)
        {
            CGPSData fix = Fix(1000.0 + i, i, 0.0, dLat);
            fix.m_dLongitude = 0.3;
            EXPECT_EQ(i > 0, engine.ComputeMotion(&fix));
            EXPECT_NEAR(i, fix.m_dNorth, 1e-6);
            EXPECT_EQ(0.0, fix.m_dEast);
            EXPECT_NEAR(expected[i], fix.m_dSpeed, 1e-6);
            EXPECT_EQ(std::min(i + 1, CSpeedEngine::WindowSize), engine.GetCount());
        }
        // Later fixes are placed east with the origin's scale, not their own.
        CGPSData east = Fix(1010.0, 10.0, 0.0, dLat);
        east.m_dLongitude = 0.3 + 1e-5;
        engine.ComputeMotion(&east);
        EXPECT_NEAR(1e-5 * kRadius / 2.0, east.m_dEast, 1e-6);
    }
}

// Two fixes: the time step (across midnight, none at all) and the heading, counter-clockwise
// from east in [-pi, pi); the window of two moves half the displacement.
TEST(SpeedEngine, TimeStepAndHeadingOfTwoFixes)
{
    const double s3 = std::sqrt(3.0);
    const struct
    {
        double dFirst, dSecond, dNorth, dEast;
        bool bMotion;
        double dSpeed, dHeading;
    } rows[] = {
        {500.0, 501.0, 1.0, 0.0, true, 0.5, kPi / 2.0},
        {86399.5, 0.5, 1.0, 0.0, true, 0.5, kPi / 2.0},
        {86399.0, 1.0, 1.0, 0.0, true, 0.25, kPi / 2.0},
        {500.0, 500.0, 1.0, 0.0, false, -1.0, -9.0},
        {0.0, 0.0, 1.0, 0.0, false, -1.0, -9.0},
        {0.0, 1.0, 0.0, 2.0, true, 1.0, 0.0},
        {0.0, 1.0, 0.0, -2.0, true, 1.0, -kPi},
        {0.0, 1.0, -2.0, 0.0, true, 1.0, -kPi / 2.0},
        {0.0, 1.0, 2.0, -2.0, true, std::sqrt(2.0), 3.0 * kPi / 4.0},
        {0.0, 1.0, -2.0, -2.0, true, std::sqrt(2.0), -3.0 * kPi / 4.0},
        {0.0, 1.0, 2.0 * s3, -2.0, true, 2.0, 2.0 * kPi / 3.0},
        {0.0, 1.0, -2.0, 2.0 * s3, true, 2.0, -kPi / 6.0},
        {0.0, 1.0, 0.0, 0.0, true, 0.0, 0.0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(testing::Message() << row.dFirst << " to " << row.dSecond << ", " << row.dNorth
                                        << " north, " << row.dEast << " east");
        CSpeedEngine engine;
        CGPSData first = Fix(row.dFirst, 0.0);
        CGPSData second = Fix(row.dSecond, row.dNorth, row.dEast);
        engine.ComputeMotion(&first);
        EXPECT_EQ(row.bMotion, engine.ComputeMotion(&second));
        EXPECT_EQ(row.bMotion, second.m_bMotion);
        EXPECT_NEAR(row.dSpeed, second.m_dSpeed, 1e-6);
        EXPECT_NEAR(row.dHeading, second.m_dHeading, 1e-9);
        EXPECT_NEAR(row.dNorth, second.m_dNorth, 1e-6) << "placed in the frame even without motion";
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
    const auto Seen = [](const CGPSData& d) {
        return std::make_tuple(d.m_dNorth, d.m_dEast, d.m_dSpeed, d.m_dHeading, d.m_bMotion);
    };
    const auto untouched = Seen(none);
    EXPECT_FALSE(interrupted.ComputeMotion(&none));
    EXPECT_EQ(untouched, Seen(none));
    EXPECT_EQ(2, interrupted.GetCount());
    CGPSData c1 = Fix(13.0, 6.0, 8.0);
    CGPSData c2 = Fix(13.0, 6.0, 8.0);
    EXPECT_TRUE(plain.ComputeMotion(&c1));
    EXPECT_TRUE(interrupted.ComputeMotion(&c2));
    EXPECT_EQ(Seen(c1), Seen(c2));
    // Nor does a no-fix become the origin of an empty engine, and no fix at all is refused.
    CSpeedEngine empty;
    EXPECT_FALSE(empty.ComputeMotion(&none));
    EXPECT_FALSE(empty.ComputeMotion(nullptr));
    EXPECT_EQ(0, empty.GetCount());
}

} // namespace
