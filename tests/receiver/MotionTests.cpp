// Motion: VTG heading and speed with their refusals, Garmin's error estimates, the hand-over
// between the speed engine and VTG as the host sees it, and the speed engine itself.
#include "SentenceText.h"
#include "support/HostWindow.h"
#include "receiver/SpeedEngine.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>
#include <utility>

namespace
{
constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;

class MotionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedReceiverState();
        // Values a refused sentence must leave alone.
        Data().m_dHeading = 5.0;
        Data().m_dSpeed = 99.0;
        Data().m_dHorzError = Data().m_dVertError = Data().m_dSphericalError = -1.0;
    }

    static CGPSData& Data() { return CDOZOzoeiver::m_GPSData; }

    CProbeReceiver m_Receiver;
};

TEST_F(MotionTest, VtgGivesHeadingCounterClockwiseFromEastAndSpeedInMetresPerSecond)
{
    // Read, heading and speed (5 and 99: untouched).
    const std::tuple<const char*, const char*, bool, double, double> rows[] = {
        {"north at 36 km/h", "GPVTG,0,T,,M,019.4,N,036.0,K", true, kPi / 2.0, 10.0},
        {"east, lower-case letters", "GPVTG,90,t,,M,019.4,N,18,k", true, 0.0, 5.0},
        {"south, empty speed is 0", "GPVTG,180,T,,M,019.4,N,,K", true, 3.0 * kPi / 2.0, 0.0},
        {"west, mode after the unit", "GPVTG,270,T,,M,019.4,N,7.2,K,A", true, kPi, 2.0},
        {"just west of north", "GPVTG,359.9,T,,M,019.4,N,1,K", true, kPi / 2.0 + 0.1 * kDeg,
         1 / 3.6},
        {"empty course is north", "GPVTG,,T,,M,019.4,N,1,K", true, kPi / 2.0, 1 / 3.6},
        {"two turns wrap", "GPVTG,720.0,T,,M,019.4,N,1,K", true, kPi / 2.0, 1 / 3.6},
        {"450 wraps to 0", "GPVTG,450,T,,M,019.4,N,1,K", true, 0.0, 1 / 3.6},
        {"magnetic reference", "GPVTG,054.7,M,034.4,M,005.5,N,010.2,K", false, 5.0, 99.0},
        {"empty reference", "GPVTG,054.7,,034.4,M,005.5,N,010.2,K", false, 5.0, 99.0},
        {"a word for the reference", "GPVTG,054.7,TRUE,034.4,M,5.5,N,10.2,K", false, 5.0, 99.0},
        {"old layout without letters", "GPVTG,054.7,034.4,005.5,010.2", false, 5.0, 99.0},
        {"knots in the km/h place", "GPVTG,090.0,T,,M,005.5,N,010.2,N", false, 0.0, 99.0},
        {"ends after the reference", "GPVTG,180.0,T", false, 3.0 * kPi / 2.0, 99.0},
    };
    for (const auto& [legend, body, bOk, dHeading, dSpeed] : rows)
    {
        SCOPED_TRACE(legend);
        SetUp();
        CString s = Sentence(body);
        EXPECT_EQ(bOk, m_Receiver.ProcessVTG(s));
        EXPECT_NEAR(dHeading, Data().m_dHeading, 1e-12);
        EXPECT_LT(Data().m_dHeading, 2.0 * kPi);
        EXPECT_DOUBLE_EQ(dSpeed, Data().m_dSpeed);
        EXPECT_EQ(bOk ? "-M------" : "--------", Flags(Data()));
        EXPECT_EQ(!bOk, CDOZOzoeiver::m_bComputeMotion) << "VTG replaces the speed engine";
    }
}

TEST_F(MotionTest, GarminErrorEstimatesNeedMetresForEachValue)
{
    // Read, horizontal, vertical and spherical error (-1: untouched).
    const std::tuple<const char*, bool, double, double, double> rows[] = {
        {"PGRME,15.0,M,45.0,M,25.0,M", true, 15.0, 45.0, 25.0},
        {"PGRME,1.5,m,4.5,m,2.5,m", true, 1.5, 4.5, 2.5},
        {"PGRME,15.0,M,45.0,F,25.0,M", false, 15.0, -1.0, -1.0},
        {"PGRME,15.0,F,45.0,M,25.0,M", false, -1.0, -1.0, -1.0},
        {"PGRME,15.0,M,45.0,M", false, 15.0, 45.0, -1.0},
        {"PGRME,,M,,M,,M", true, 0.0, 0.0, 0.0},
    };
    for (const auto& [body, bOk, dHorz, dVert, dSpherical] : rows)
    {
        SCOPED_TRACE(body);
        SetUp();
        CString s = Sentence(body);
        EXPECT_EQ(bOk, m_Receiver.ProcessGarminRME(s));
        EXPECT_EQ(
            std::make_tuple(dHorz, dVert, dSpherical),
            std::make_tuple(Data().m_dHorzError, Data().m_dVertError, Data().m_dSphericalError));
        EXPECT_EQ(bOk ? "------E-" : "--------", Flags(Data()));
    }
}

// A GGA sentence at 12:00:ss, dNorth metres north of 48 deg 07' N, 11 deg 31' E.
CString GgaNorthOf(int nSecond, double dNorth)
{
    const double dMinutes = 7.0 + dNorth / 6378000.0 / kDeg * 60.0;
    char szBody[128];
    std::snprintf(szBody, sizeof(szBody),
                  "GPGGA,1200%02d.00,48%010.7f,N,01131.0000000,E,1,08,0.9,545.4,M,46.9,M,,",
                  nSecond, dMinutes);
    return Sentence(szBody);
}

TEST_F(MotionTest, FixesGiveSpeedUntilVtgTakesOver)
{
    ResetSharedReceiverState();
    CHostWindow host;
    for (int i = 0; i < 4; ++i)
    {
        CString gga = GgaNorthOf(i, i);
        EXPECT_TRUE(m_Receiver.Parse(gga)) << "fix " << i;
    }
    CString vtg = Sentence("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K");
    m_Receiver.Parse(vtg);
    CString gga = GgaNorthOf(4, 10.0);
    EXPECT_TRUE(m_Receiver.Parse(gga));
    host.Pump();
    const auto positions = host.Positions();
    ASSERT_EQ(5u, positions.size());
    // The first fix has no motion; below 0.3 m/s the host sees none either.
    const double speeds[] = {0.0, 0.5, 0.5, 1.0};
    for (int i = 0; i < 4; ++i)
    {
        SCOPED_TRACE(i);
        const CGPSData& copy = *positions[i].pPosition;
        EXPECT_NEAR(speeds[i], copy.m_dSpeed, 1e-3);
        EXPECT_NEAR(i, copy.m_dNorth, 1e-3);
        EXPECT_NEAR(i == 0 ? 0.0 : kPi / 2.0, copy.m_dHeading, 1e-4);
        EXPECT_EQ(i > 0, copy.m_bMotion);
    }
    // After VTG the fix is no longer placed or timed by the speed engine.
    const CGPSData& last = *positions[4].pPosition;
    EXPECT_NEAR(10.2 / 3.6, last.m_dSpeed, 1e-9);
    EXPECT_NEAR((90.0 - 54.7) * kDeg, last.m_dHeading, 1e-9);
    EXPECT_TRUE(last.m_bMotion);
    EXPECT_NEAR(3.0, last.m_dNorth, 1e-3);
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
