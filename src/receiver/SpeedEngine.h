// Derives speed and heading from successive fixes: the displacement of a moving average over the
// last three fixes, in a local north/east frame around the first fix after a reset.
#pragma once

#include "receiver/GPSData.h"

#include <array>

class CSpeedEngine
{
public:
    CSpeedEngine();

    // Places the fix in the local frame (m_dNorth, m_dEast, metres), adds it to the window and,
    // from the second fix on, writes m_dSpeed (m/s), m_dHeading (radians counter-clockwise from
    // east, in [-pi, pi)) and m_bMotion. False when no motion was computed: no fix (nothing is
    // changed then), the first fix after a reset, or no time step between the two newest fixes.
    bool ComputeMotion(CGPSData* pFix);
    // Forgets the origin and the window; the next fix becomes the new origin.
    void Reset();
    // Number of fixes in the window (at most WindowSize).
    int GetCount() const { return m_nCount; }

    static constexpr int WindowSize = 3;
    static constexpr double EarthRadius = 6378000.0; // metres

    double m_dEastScale = 0.0; // metres per radian of longitude at the origin; 0 = no origin
    double m_dOriginLat = 0.0; // radians
    double m_dOriginLon = 0.0; // radians
    double m_dTime = 0.0;      // UTC time of day of the newest fix, seconds
    double m_dMeanNorth = 0.0; // window means, metres
    double m_dMeanEast = 0.0;
    double m_dPrevTime = 0.0; // the three values above as they were before the newest fix
    double m_dPrevMeanNorth = 0.0;
    double m_dPrevMeanEast = 0.0;

private:
    void AddFix(const CGPSData& fix);

    // The window as a ring of the three values each fix contributes, oldest first from m_nHead;
    // no heap traffic per fix.
    struct SFix
    {
        double dNorth;
        double dEast;
        double dUTCTime;
    };
    std::array<SFix, WindowSize> m_Window{};
    int m_nHead = 0;
    int m_nCount = 0;
};
