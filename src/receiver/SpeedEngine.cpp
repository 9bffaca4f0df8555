#include "receiver/SpeedEngine.h"

#include <numbers>
#include <cmath>

namespace
{
constexpr double s_dSecondsPerDay = 86400.0;

// Angle of (dE, dN) counter-clockwise from east, in [-pi, pi): due west is -pi, and a vector
// straight south or of zero length east-west points to -pi/2 (0 when there is no displacement).
double HeadingOf(double dE, double dN)
{
    if (dE == 0.0 && dN == 0.0)
    {
        return 0.0;
    }
    if (dE == 0.0)
    {
        return dN > 0.0 ? std::numbers::pi / 2.0 : -std::numbers::pi / 2.0;
    }
    const double a = std::fabs(std::atan(dN / dE));
    if (dN > 0.0)
    {
        return dE > 0.0 ? a : std::numbers::pi - a;
    }
    return dE > 0.0 ? -a : -std::numbers::pi + a;
}
} // namespace

CSpeedEngine::CSpeedEngine()
{
    Reset();
}

void CSpeedEngine::Reset()
{
    m_dEastScale = 0.0;
    m_dOriginLat = 0.0;
    m_dOriginLon = 0.0;
    m_dTime = 0.0;
    m_dMeanNorth = 0.0;
    m_dMeanEast = 0.0;
    m_dPrevTime = 0.0;
    m_dPrevMeanNorth = 0.0;
    m_dPrevMeanEast = 0.0;
    m_nHead = 0;
    m_nCount = 0;
}

bool CSpeedEngine::ComputeMotion(CGPSData* pFix)
{
    if (pFix == nullptr || pFix->m_SignalStatus == UDF_SIGNAL_NONE)
    {
        return false;
    }
    CGPSData& fix = *pFix;
    if (m_dEastScale == 0.0)
    {
        // The first fix after a reset is the origin of the local frame for good.
        m_dEastScale = std::cos(fix.m_dLatitude) * EarthRadius;
        m_dOriginLat = fix.m_dLatitude;
        m_dOriginLon = fix.m_dLongitude;
    }
    fix.m_dNorth = (fix.m_dLatitude - m_dOriginLat) * EarthRadius;
    fix.m_dEast = (fix.m_dLongitude - m_dOriginLon) * m_dEastScale;

    AddFix(fix);

    double dt = m_dTime - m_dPrevTime;
    if (dt < 0.0)
    {
        dt += s_dSecondsPerDay; // the time of day wrapped at midnight
    }
    if (!(dt > 0.0))
    {
        return false;
    }
    const double dE = m_dMeanEast - m_dPrevMeanEast;
    const double dN = m_dMeanNorth - m_dPrevMeanNorth;
    fix.m_dSpeed = std::sqrt(dE * dE + dN * dN) / dt;
    fix.m_dHeading = HeadingOf(dE, dN);
    fix.m_bMotion = true;
    return true;
}

void CSpeedEngine::AddFix(const CGPSData& fix)
{
    const int n = m_nCount;
    double dSumNorth = 0.0;
    double dSumEast = 0.0;
    if (n > 0)
    {
        for (int i = 0; i < n; ++i)
        {
            const SFix& stored = m_Window[(m_nHead + i) % WindowSize];
            dSumNorth += stored.dNorth;
            dSumEast += stored.dEast;
        }
        m_dPrevMeanNorth = dSumNorth / n;
        m_dPrevMeanEast = dSumEast / n;
        m_dPrevTime = m_Window[(m_nHead + n - 1) % WindowSize].dUTCTime;
    }

    if (n >= WindowSize)
    {
        // The oldest fix leaves the window; the new one takes its place in the ring.
        const SFix& oldest = m_Window[m_nHead];
        dSumNorth -= oldest.dNorth;
        dSumEast -= oldest.dEast;
        m_Window[m_nHead] = SFix{fix.m_dNorth, fix.m_dEast, fix.m_dUTCTime};
        m_nHead = (m_nHead + 1) % WindowSize;
    }
    else
    {
        m_Window[(m_nHead + n) % WindowSize] = SFix{fix.m_dNorth, fix.m_dEast, fix.m_dUTCTime};
        ++m_nCount;
    }

    dSumNorth += fix.m_dNorth;
    dSumEast += fix.m_dEast;
    m_dMeanNorth = dSumNorth / m_nCount;
    m_dMeanEast = dSumEast / m_nCount;
    m_dTime = fix.m_dUTCTime;

    if (n == 0)
    {
        // A single fix has no predecessor: no displacement and no time step.
        m_dPrevMeanNorth = m_dMeanNorth;
        m_dPrevMeanEast = m_dMeanEast;
        m_dPrevTime = m_dTime;
    }
}
