// Text forms of the records.
#include "RecordText.h"

#include "RecordFields.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

namespace
{

// printf into a std::string.
std::string Format(const char* pszFormat, ...)
{
    char szBuffer[512];
    va_list args;
    va_start(args, pszFormat);
    const int n = std::vsnprintf(szBuffer, sizeof szBuffer, pszFormat, args);
    va_end(args);
    return n < 0 ? std::string()
                 : std::string(szBuffer, std::min<std::size_t>(n, sizeof szBuffer - 1));
}

// The computer-clock stamp as an ISO 8601 UTC time, or "0".
std::string ClockText(GPSTime32 time, bool bNoClock)
{
    if (bNoClock)
    {
        return "0";
    }
    const std::time_t t = time;
    const std::tm* pTm = std::gmtime(&t);
    char szBuffer[32] = "?";
    if (pTm != nullptr)
    {
        std::strftime(szBuffer, sizeof szBuffer, "%Y-%m-%dT%H:%M:%SZ", pTm);
    }
    return szBuffer;
}

// Seconds since midnight as hh:mm:ss.sss.
std::string TimeOfDayText(double dSeconds)
{
    if (!(dSeconds >= 0.0 && dSeconds < 86400.0 * 2))
    {
        return Format("%g s", dSeconds);
    }
    const int nWhole = static_cast<int>(dSeconds);
    return Format("%02d:%02d:%06.3f", nWhole / 3600, nWhole / 60 % 60,
                  dSeconds - (nWhole - nWhole % 60));
}

std::string NewFlagsText(const CGPSData& d)
{
    std::string str;
    const std::pair<bool, const char*> flags[] = {{d.m_bPosition, "position"},
                                                  {d.m_bMotion, "motion"},
                                                  {d.m_bDOP, "dop"},
                                                  {d.m_bSatellitesInView, "satellites_in_view"},
                                                  {d.m_bSatellites, "satellites"},
                                                  {d.m_bProprietary, "proprietary"},
                                                  {d.m_bErrorEstimate, "errors"},
                                                  {d.m_Status.m_bNewStatus, "status"}};
    for (const auto& [bSet, pszName] : flags)
    {
        if (bSet)
        {
            str += str.empty() ? "" : ",";
            str += pszName;
        }
    }
    return str.empty() ? "-" : str;
}

std::string SatellitesText(const CGPSData& d)
{
    std::string str = "  satellites:";
    for (const CGPSSatelliteData& sv : d.m_Satellites)
    {
        if (sv.m_nPRN != 0)
        {
            str += Format(
                " %d(el %.0f az %.0f snr %d%s)", sv.m_nPRN, sv.m_dElevation * s_dRadiansToDegrees,
                sv.m_dAzimuth * s_dRadiansToDegrees, sv.m_nSNR, sv.m_bUsed ? " used" : "");
        }
    }
    return str;
}

// Bytes outside printable ASCII as \xNN.
std::string Escaped(const std::string& strBytes)
{
    std::string str;
    for (const char c : strBytes)
    {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && b != '\\')
        {
            str += c;
        }
        else
        {
            str += Format("\\x%02X", b);
        }
    }
    return str;
}

// The differential source by its option name.
const char* DgpsModeName(DgpsMode eMode)
{
    static const char* const s_names[] = {"off",  "beacon", "lband",
                                          "waas", "cdgps",  "omnistar_vbs"};
    return eMode >= DGPS_OFF && eMode <= DGPS_OMNISTAR_VBS ? s_names[eMode] : "unknown";
}

// What a receiver's reply set, in words and units: the groups whose validity flag is set, and
// the values without a flag of their own when they hold what a reply just brought.
std::string StatusText(const CGPSStatusData& s)
{
    std::string str = "status  ";
    const auto add = [&str](const std::string& strPart) { str += strPart + "  "; };
    if (s.m_bElevMask)
    {
        add(Format("elevation-mask %d deg", s.m_nElevMask));
    }
    if (s.m_bNmeaStatus)
    {
        static const char* const s_names[] = {"GGA", "GSA", "ZDA", "GLL", "VTG", "SAT", "GSV"};
        std::string strList;
        for (int i = 0; i < 7; ++i)
        {
            if (s.m_NmeaStatus[i] == NMEA_MSG_ON || s.m_NmeaStatus[i] == NMEA_MSG_OFF)
            {
                strList += Format("%s%s %s", strList.empty() ? "" : ", ", s_names[i],
                                  s.m_NmeaStatus[i] == NMEA_MSG_ON ? "on" : "off");
            }
        }
        add("nmea " + (strList.empty() ? std::string("unknown") : strList));
    }
    if (s.m_bBeaconSignal || s.m_bBeaconTuning)
    {
        std::string strBeacon = "beacon";
        if (s.m_bBeaconSignal)
        {
            strBeacon += Format(" %.1f kHz %d bps snr %d strength %d", s.m_dBeaconFrequency,
                                s.m_nBeaconBitRate, s.m_nBeaconSNR, s.m_nBeaconSignalStrength);
        }
        if (s.m_bBeaconTuning)
        {
            strBeacon += s.m_bBeaconAutoFrequency ? " auto" : " manual";
        }
        add(strBeacon);
    }
    if (s.m_dRecordingInterval >= 0.0)
    {
        add(Format("recording-interval %.2f s", s.m_dRecordingInterval));
    }
    if (s.m_bDgpsMode)
    {
        add(std::string("dgps ") + DgpsModeName(s.m_DgpsMode));
    }
    if (s.m_nLbandMode != 0)
    {
        add(s.m_nLbandMode == 1 ? "lband auto" : "lband user-frequency");
    }
    if (s.m_bAckReceived)
    {
        add("acknowledged");
    }
    if (s.m_bInfoText)
    {
        add("info \"" + Escaped(FixedText(s.m_szInfoText, sizeof s.m_szInfoText)) + "\"");
    }
    // The position-mode group keeps its flag once set: it is named when no other reply did
    // anything, that is when the record is the position-mode reply's own.
    if (s.m_bPositionMode && str == "status  ")
    {
        add(Format("position-mode %d altitude %.2f m pdop-mask %d hdop-mask %d vdop-mask %d",
                   s.m_nPositionMode, s.m_dFixedAltitude, s.m_nPdopMask, s.m_nHdopMask,
                   s.m_nVdopMask));
    }
    while (!str.empty() && str.back() == ' ')
    {
        str.pop_back();
    }
    return str;
}

// The low byte of each character, as the library stores its texts.
std::string LowBytes(const CString& str)
{
    std::string strBytes;
    for (const wchar_t c : str.View())
    {
        strBytes += static_cast<char>(c & 0xFF);
    }
    return strBytes;
}

// The fix record's line, with its detail lines.
std::string FixText(const CGPSData& d, bool bNoClock)
{
    std::string str = Format(
        "%s time %s  utc %s  lat %.7f lon %.7f alt %.2f m  fix %s  sats %d/%d  hdop %.2f pdop %.2f "
        "vdop %.2f  speed %.2f m/s  heading %.1f deg  new %s",
        d.m_bPosition ? "position" : "update  ", ClockText(d.m_Time, bNoClock).c_str(),
        TimeOfDayText(d.m_dUTCTime).c_str(), d.m_dLatitude * s_dRadiansToDegrees,
        d.m_dLongitude * s_dRadiansToDegrees, d.m_dAltitude, SignalStatusName(d.m_SignalStatus),
        d.m_nSatellitesUsed, d.m_nSatellitesInView, d.m_dHDOP, d.m_dPDOP, d.m_dVDOP, d.m_dSpeed,
        d.m_dHeading * s_dRadiansToDegrees, NewFlagsText(d).c_str());
    if (d.m_bSatellites || d.m_bSatellitesInView)
    {
        str += '\n';
        str += SatellitesText(d);
    }
    if (d.m_bErrorEstimate)
    {
        str += Format("\n  errors: horz %.2f m vert %.2f m spherical %.2f m", d.m_dHorzError,
                      d.m_dVertError, d.m_dSphericalError);
    }
    if (d.m_bProprietary)
    {
        str += "\n  proprietary: ";
        str += Escaped(FixedText(d.m_szProprietary, sizeof d.m_szProprietary));
    }
    return str;
}

} // namespace

std::string PositionText(const CGPSData& d, bool bNoClock)
{
    // A reply's record says only what the reply set; a record with a fix as well gets both.
    const bool bStatus = d.m_Status.m_bNewStatus;
    const bool bFix = d.m_bPosition || d.m_bMotion || d.m_bSatellites || d.m_bSatellitesInView ||
                      d.m_bErrorEstimate || d.m_bProprietary;
    if (bStatus && !bFix)
    {
        return StatusText(d.m_Status);
    }
    std::string str = FixText(d, bNoClock);
    if (bStatus)
    {
        str += '\n';
        str += StatusText(d.m_Status);
    }
    return str;
}

std::string RawEpochText(const CGPSDataRaw& r, bool bNoClock)
{
    std::string str = Format(
        "raw      time %s  week %d  receiver time %.3f s  lat %.7f lon %.7f height %.2f m"
        "  clock offset %.3f m drift %.3f m/s  %d satellites",
        ClockText(r.m_Time, bNoClock).c_str(), r.m_nGPSWeek, r.m_dReceiverTime, r.m_dLatitude,
        r.m_dLongitude, r.m_dHeight, r.m_dClockOffset, r.m_dClockDrift, r.m_nNumSV);
    const int nSlots = std::min(r.m_nNumSV, static_cast<int>(std::size(r.m_Satellites)));
    for (int i = 0; i < nSlots; ++i)
    {
        const CGPSSatelliteDataRaw& sv = r.m_Satellites[i];
        str += Format("\n  sv %d: tag %d  pseudorange %.3f m  phase %.3f cycles  doppler %.4f Hz",
                      sv.m_nPRN, sv.m_nTag, sv.m_dPseudorange, sv.m_dCarrierPhase, sv.m_dDoppler);
    }
    return str;
}

std::string EphemerisText(const CGPSDataEphemeris& e)
{
    return Format(
        "ephemeris prn %d  week %d  tow %d  toe %d  toc %d  iode %d  sqrt(a) %.6f  e %.9f",
        e.m_nPRN, e.m_nWeek, e.m_nTOW, e.m_nTOE, e.m_nTOC, e.m_nAODE, e.m_dRootA, e.m_dE);
}

std::string MessageText(const CString& strText)
{
    std::string strBytes = LowBytes(strText);
    while (!strBytes.empty() && (strBytes.back() == '\n' || strBytes.back() == '\r'))
    {
        strBytes.pop_back();
    }
    return "text     " + Escaped(strBytes);
}

std::string BinaryText(std::size_t nWords)
{
    return Format("binary   %zu words", nWords);
}
