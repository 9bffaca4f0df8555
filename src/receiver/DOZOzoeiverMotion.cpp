// Receiver base: the motion sentences (VTG for heading and speed, Garmin's PGRME for the
// estimated position errors). Without VTG the speed engine derives motion from the fixes.
#include "receiver/DOZOzoeiver.h"
#include "textparse/Parser.h"

#include <numbers>
#include <cmath>
#include <string_view>

namespace
{
constexpr double s_dTwoPi = 2.0 * std::numbers::pi;
constexpr double s_dKmhPerMs = 3.6;

// Whether a unit or reference field is exactly the one letter, in either case.
bool IsLetter(std::wstring_view field, wchar_t cUpper)
{
    return field.size() == 1 && (field[0] == cUpper || field[0] == cUpper - L'A' + L'a');
}
} // namespace

// $GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48
//   tag                        skipped
//   true course, degrees       m_dHeading, turned from clockwise-from-north into radians
//                              counter-clockwise from east, in [0, 2pi) (course 90 gives 0,
//                              course 0 gives pi/2); an empty or unreadable course counts as 0
//   "T"                        reference, either case; anything else rejects the sentence
//   magnetic course, "M", speed in knots, "N"   skipped
//   speed, km/h                m_dSpeed in m/s; an empty or unreadable speed counts as 0
//   "K"                        unit, either case; anything else rejects the sentence, after
//                              m_dHeading has been written
// An accepted sentence sets m_bMotion and takes motion away from the speed engine
// (m_bComputeMotion cleared) until the next Initialize.
bool CDOZOzoeiver::ProcessVTG(CString& strSentence)
{
    CParser parser(strSentence, L",*", false);
    std::wstring_view field;
    parser.Skip();
    double dCourse = 0.0;
    parser.GetDouble(dCourse);
    parser.GetNextView(field);
    if (!IsLetter(field, L'T'))
    {
        return false;
    }

    double dHeading = std::fmod((450.0 - dCourse) * std::numbers::pi / 180.0, s_dTwoPi);
    if (dHeading < 0.0)
    {
        dHeading += s_dTwoPi;
        if (dHeading >= s_dTwoPi)
        {
            dHeading = 0.0; // a remainder just below zero rounds up to a full turn
        }
    }
    m_GPSData.m_dHeading = dHeading;

    for (int i = 0; i < 4; ++i)
    {
        parser.Skip();
    }
    double dKmh = 0.0;
    parser.GetDouble(dKmh);
    parser.GetNextView(field);
    if (!IsLetter(field, L'K'))
    {
        return false;
    }
    m_GPSData.m_dSpeed = dKmh / s_dKmhPerMs;
    m_bComputeMotion = false;
    m_GPSData.m_bMotion = true;
    return true;
}

// $PGRME,15.0,M,45.0,M,25.0,M*1C
//   tag                        skipped
//   horizontal error, "M"      m_dHorzError, metres
//   vertical error, "M"        m_dVertError, metres
//   spherical error, "M"       m_dSphericalError, metres
// Each value is stored once its unit is confirmed as "M" (either case); the first other unit
// rejects the sentence, keeping the values stored before it. An empty or unreadable value counts
// as 0. An accepted sentence sets m_bErrorEstimate.
bool CDOZOzoeiver::ProcessGarminRME(CString& strSentence)
{
    CParser parser(strSentence, L",*", false);
    std::wstring_view unit;
    parser.Skip();
    double* const apTargets[] = {&m_GPSData.m_dHorzError, &m_GPSData.m_dVertError,
                                 &m_GPSData.m_dSphericalError};
    for (double* pTarget : apTargets)
    {
        double dValue = 0.0;
        parser.GetDouble(dValue);
        parser.GetNextView(unit);
        if (!IsLetter(unit, L'M'))
        {
            return false;
        }
        *pTarget = dValue;
    }
    m_GPSData.m_bErrorEstimate = true;
    return true;
}
