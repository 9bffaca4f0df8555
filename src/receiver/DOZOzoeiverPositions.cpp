// Position sentences: GGA and its inertial variant INGGA fill the position group of the working
// record; the fix quality number becomes a signal status.
#include "receiver/DOZOzoeiver.h"

#include "textparse/ParseException.h"
#include "textparse/Parser.h"

#include <numbers>
#include <cmath>
#include <iterator>
#include <string_view>

namespace
{

constexpr wchar_t s_szDelimiters[] = L",*";

// The built-in meaning of the GGA quality numbers 0 to 9; any other number counts as a plain fix.
constexpr UDF_SIGNAL_STATUS s_GGAQuality[] = {
    UDF_SIGNAL_NONE,          // 0 no fix
    UDF_SIGNAL_GPS,           // 1 autonomous
    UDF_SIGNAL_CORRECTED_GPS, // 2 differential
    UDF_SIGNAL_GPS,           // 3 precise code
    UDF_SIGNAL_RTK_FIXED,     // 4 RTK fixed
    UDF_SIGNAL_RTK_FLOAT,     // 5 RTK float
    UDF_SIGNAL_CALCULATED,    // 6 dead reckoning
    UDF_SIGNAL_MANUAL,        // 7 manual input
    UDF_SIGNAL_GPS,           // 8 simulator
    UDF_SIGNAL_WAAS,          // 9 SBAS
};
constexpr UDF_SIGNAL_STATUS s_eOtherGGAQuality = UDF_SIGNAL_GPS;

// The site's own meaning of a quality number, from the "GPSStatus" table, when it has one.
bool LookUpSiteStatus(bool bTableLoaded, const std::map<int, UDF_SIGNAL_STATUS>& table,
                      int nQuality, UDF_SIGNAL_STATUS& eStatus)
{
    if (!bTableLoaded)
    {
        return false;
    }
    const auto it = table.find(nQuality);
    if (it == table.end())
    {
        return false;
    }
    eStatus = it->second;
    return true;
}

// ddmm.mmmm (or dddmm.mmmm) to radians; the sign carries over.
double NmeaAngleToRadians(double dValue)
{
    const double d = dValue / 100.0;
    const double dDegrees = std::trunc(d);
    return ((d - dDegrees) * 100.0 / 60.0 + dDegrees) * std::numbers::pi / 180.0;
}

// The fields both sentences start with: hhmmss.ss, latitude, N/S, longitude, E/W. Each value is
// stored as soon as it is read; false (or, with throwing on, the parser's exception) at the first
// field that does not read, leaving what was stored before it. Any hemisphere other than exactly
// "N" or "E" counts as south or west.
bool ReadTimeAndPosition(CParser& parser, CGPSData& data)
{
    double dTime = 0.0;
    if (!parser.GetDouble(dTime))
    {
        return false;
    }
    const double dHours = std::trunc(dTime / 10000.0);
    dTime -= dHours * 10000.0;
    const double dMinutes = std::trunc(dTime / 100.0);
    dTime -= dMinutes * 100.0;
    data.m_dUTCTime = dHours * 3600.0 + dMinutes * 60.0 + dTime;

    std::wstring_view hemisphere;
    if (!parser.GetDouble(data.m_dLatitude) || !parser.GetNextView(hemisphere))
    {
        return false;
    }
    if (hemisphere != L"N")
    {
        data.m_dLatitude = -data.m_dLatitude;
    }
    data.m_dLatitude = NmeaAngleToRadians(data.m_dLatitude);

    if (!parser.GetDouble(data.m_dLongitude) || !parser.GetNextView(hemisphere))
    {
        return false;
    }
    if (hemisphere != L"E")
    {
        data.m_dLongitude = -data.m_dLongitude;
    }
    data.m_dLongitude = NmeaAngleToRadians(data.m_dLongitude);
    return true;
}

bool IsMetres(std::wstring_view unit)
{
    return unit == L"M" || unit == L"m";
}

// The geoid separation and its unit, applied as the height mode asks (0 ignore, 1 add, other
// subtract). A separation that is missing, unreadable or not in metres leaves the altitude as is.
void ApplyGeoidSeparation(CParser& parser, int nHeightMode, CGPSData& data)
{
    if (nHeightMode == 0)
    {
        return;
    }
    double dSeparation = 0.0;
    std::wstring_view unit;
    if (!parser.GetDouble(dSeparation) || !parser.GetNextView(unit) || !IsMetres(unit))
    {
        return;
    }
    data.m_dAltitude += nHeightMode == 1 ? dSeparation : -dSeparation;
}

// After the altitude: its unit, which must be metres (else false), the antenna height taken
// off, and the geoid separation applied.
bool ReadAltitudeUnitAndGeoid(CParser& parser, double dAntennaHeight, int nHeightMode,
                              CGPSData& data)
{
    std::wstring_view unit;
    parser.GetNextView(unit);
    if (!IsMetres(unit))
    {
        return false;
    }
    data.m_dAltitude -= dAntennaHeight;
    ApplyGeoidSeparation(parser, nHeightMode, data);
    return true;
}

} // namespace

double CDOZOzoeiver::GPSPosToRadians(double dValue)
{
    return NmeaAngleToRadians(dValue);
}

UDF_SIGNAL_STATUS CDOZOzoeiver::MapGGAQuality(int nQuality)
{
    UDF_SIGNAL_STATUS eStatus = UDF_SIGNAL_NONE;
    if (LookUpSiteStatus(m_bAlternateStatus, m_SignalStatusMap, nQuality, eStatus))
    {
        return eStatus;
    }
    if (nQuality >= 0 && nQuality < static_cast<int>(std::size(s_GGAQuality)))
    {
        return s_GGAQuality[nQuality];
    }
    return s_eOtherGGAQuality;
}

// $GPGGA,hhmmss.ss,ddmm.mmmm,N,dddmm.mmmm,E,q,nn,h.h,a.a,M,g.g,M,age,station*cs ($GNGGA alike)
//   hhmmss.ss      -> m_dUTCTime, seconds since midnight
//   ddmm.mmmm,N/S  -> m_dLatitude, radians, north positive
//   dddmm.mmmm,E/W -> m_dLongitude, radians, east positive
//   q              -> m_SignalStatus through MapGGAQuality; UDF_SIGNAL_NONE when nn is below
//                     m_nMinSatellites (the fix is still taken)
//   nn             -> m_nSatellitesUsed
//   h.h            -> m_dHDOP, sets m_bDOP
//   a.a,M          -> m_dAltitude, metres, less m_dAntennaHeight; a unit other than M (any case)
//                     rejects the sentence
//   g.g,M          -> geoid separation, applied by m_nHeightMode; unusable = ignored
//   age, station   -> not read
// m_bPosition is set and m_SignalStatus is UDF_SIGNAL_NONE before the first field is read, so a
// sentence whose fields stop short (a receiver without a fix sends empty position fields) leaves
// "position lost" behind, with whatever fields came before the failing one; the result is false.
bool CDOZOzoeiver::ProcessGGA(CString& strSentence)
{
    m_GPSData.m_SignalStatus = UDF_SIGNAL_NONE;
    m_GPSData.m_bPosition = true;
    try
    {
        CParser parser(strSentence, s_szDelimiters, false);
        parser.Skip(); // the tag
        if (!ReadTimeAndPosition(parser, m_GPSData))
        {
            return false;
        }
        int nQuality = 0;
        if (!parser.GetInt(nQuality))
        {
            return false;
        }
        m_GPSData.m_SignalStatus = MapGGAQuality(nQuality);
        if (!parser.GetInt(m_GPSData.m_nSatellitesUsed))
        {
            return false;
        }
        if (m_GPSData.m_nSatellitesUsed < m_nMinSatellites)
        {
            m_GPSData.m_SignalStatus = UDF_SIGNAL_NONE;
        }
        if (!parser.GetDouble(m_GPSData.m_dHDOP))
        {
            return false;
        }
        m_GPSData.m_bDOP = true;
        if (!parser.GetDouble(m_GPSData.m_dAltitude))
        {
            return false;
        }
        return ReadAltitudeUnitAndGeoid(parser, m_dAntennaHeight, m_nHeightMode, m_GPSData);
    }
    catch (const CParseException&)
    {
        return false;
    }
}

// $INGGA: the fields of GGA, from an inertial navigation unit.
//   hhmmss.ss, latitude, longitude -> as GGA; a field that does not read rejects the sentence
//   q   -> m_SignalStatus: the site's table when it holds q, else 0 UDF_SIGNAL_NONE and any other
//          number UDF_SIGNAL_CALCULATED (an inertial position is computed); a q that does not
//          read rejects the sentence
//   nn  -> m_nSatellitesUsed, no minimum applied; h.h -> m_dHDOP, m_bDOP says whether it read
//   a.a,M -> m_dAltitude as GGA; nn, h.h and a.a may be missing (the old value stays), but a
//          unit other than M rejects the sentence
//   g.g,M -> geoid separation as GGA
// As with GGA, m_bPosition is set and m_SignalStatus is UDF_SIGNAL_NONE before anything is read.
bool CDOZOzoeiver::ProcessINGGA(CString& strSentence)
{
    m_GPSData.m_SignalStatus = UDF_SIGNAL_NONE;
    m_GPSData.m_bPosition = true;
    try
    {
        CParser parser(strSentence, s_szDelimiters, true);
        parser.Skip(); // the tag
        if (!ReadTimeAndPosition(parser, m_GPSData))
        {
            return false;
        }
        int nQuality = 0;
        parser.GetInt(nQuality);
        UDF_SIGNAL_STATUS eStatus = UDF_SIGNAL_NONE;
        if (!LookUpSiteStatus(m_bAlternateStatus, m_SignalStatusMap, nQuality, eStatus))
        {
            eStatus = nQuality == 0 ? UDF_SIGNAL_NONE : UDF_SIGNAL_CALCULATED;
        }
        m_GPSData.m_SignalStatus = eStatus;

        parser.SetExceptionThrowing(false);
        parser.GetInt(m_GPSData.m_nSatellitesUsed);
        m_GPSData.m_bDOP = parser.GetDouble(m_GPSData.m_dHDOP);
        parser.GetDouble(m_GPSData.m_dAltitude);
        return ReadAltitudeUnitAndGeoid(parser, m_dAntennaHeight, m_nHeightMode, m_GPSData);
    }
    catch (const CParseException&)
    {
        return false;
    }
}
