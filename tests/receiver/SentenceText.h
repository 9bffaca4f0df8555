// Test sentences as the receiver gets them, and the records' flags in one word.
#pragma once

#include "platform/String.h"
#include "receiver/GPSData.h"
#include "support/Sentences.h"

#include <string>

inline CString Sentence(const std::string& strBody)
{
    return CString(NmeaSentence(strBody).c_str());
}

// A letter for each flag set: Position, Motion, Dop, in View, Satellites, pRoprietary, Error
// estimate, New status; so one comparison shows every flag.
inline std::string Flags(const CGPSData& d)
{
    std::string s;
    const bool flags[] = {
        d.m_bPosition,   d.m_bMotion,      d.m_bDOP,           d.m_bSatellitesInView,
        d.m_bSatellites, d.m_bProprietary, d.m_bErrorEstimate, d.m_Status.m_bNewStatus};
    for (int i = 0; i < 8; ++i)
    {
        s += flags[i] ? "PMDVSREN"[i] : '-';
    }
    return s;
}

// Sets the flags a word of Flags names and clears the others.
inline void SetFlags(CGPSData& d, const std::string& s)
{
    bool* flags[] = {
        &d.m_bPosition,   &d.m_bMotion,      &d.m_bDOP,           &d.m_bSatellitesInView,
        &d.m_bSatellites, &d.m_bProprietary, &d.m_bErrorEstimate, &d.m_Status.m_bNewStatus};
    for (int i = 0; i < 8; ++i)
    {
        *flags[i] = s[i] != '-';
    }
}
