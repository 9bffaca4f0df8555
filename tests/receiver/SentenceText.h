// Test sentences as the receiver gets them, and the records' flags and values in one word.
#pragma once

#include "platform/String.h"
#include "receiver/GPSData.h"
#include "support/Sentences.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

inline CString Sentence(const std::string& strBody)
{
    return CString(NmeaSentence(strBody).c_str());
}

inline CString Sentence(const std::wstring& body)
{
    return Sentence(CString(body.c_str()).ToNarrow());
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

// Every value differs from its default and every flag is flipped, so that a value a reply must
// leave alone shows a change whichever way it goes wrong.
inline void Fill(CGPSStatusData& s)
{
    s.m_bNewStatus = s.m_bBeaconSignal = s.m_bBeaconTuning = s.m_bElevMask = true;
    s.m_bNmeaStatus = s.m_bPositionMode = s.m_bAckReceived = s.m_bDgpsMode = s.m_bInfoText = true;
    s.m_bPemReply = false;
    s.m_bBeaconAutoFrequency = s.m_bSettingsSaved = true;
    s.m_nBeaconSignalStrength = s.m_nBeaconSNR = s.m_nBeaconBitRate = -3;
    s.m_dBeaconFrequency = s.m_dFixedAltitude = -3.0;
    s.m_nPositionMode = s.m_nPdopMask = s.m_nHdopMask = s.m_nVdopMask = -3;
    s.m_nElevMask = 99;
    std::fill(std::begin(s.m_NmeaStatus), std::end(s.m_NmeaStatus), NMEA_MSG_ON);
    s.m_dRecordingInterval = 99.0;
    s.m_DgpsMode = DGPS_CDGPS;
    s.m_nLbandMode = 2;
    std::strcpy(s.m_szInfoText, "OLD");
}

// Every field, the arrays as values, so that one comparison shows the whole record.
inline auto Fields(const CGPSStatusData& s)
{
    return std::make_tuple(
        s.m_bNewStatus, s.m_bBeaconSignal, s.m_nBeaconSignalStrength, s.m_nBeaconSNR,
        s.m_dBeaconFrequency, s.m_nBeaconBitRate, s.m_bBeaconTuning, s.m_bBeaconAutoFrequency,
        s.m_bPemReply, s.m_bElevMask, s.m_nElevMask, s.m_bSettingsSaved, s.m_bNmeaStatus,
        std::vector<int>(std::begin(s.m_NmeaStatus), std::end(s.m_NmeaStatus)), s.m_bPositionMode,
        s.m_dFixedAltitude, s.m_nPositionMode, s.m_nPdopMask, s.m_nHdopMask, s.m_nVdopMask,
        s.m_dRecordingInterval, s.m_bAckReceived, s.m_bDgpsMode, s.m_DgpsMode, s.m_nLbandMode,
        s.m_bInfoText, std::string(s.m_szInfoText));
}
