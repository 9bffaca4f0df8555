// Building the gpsd-protocol objects with the program's JSON writer.
#include "GpsdReports.h"

#include "JsonWriter.h"
#include "RecordFields.h"
#include "RecordJson.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace
{

constexpr std::int64_t s_nDayMs = 86400000;

// How each fix quality of the library reads in the protocol: the TPV's mode (1 no fix, 3 a fix
// with height; a height of exactly 0 makes it 2) and status (0 unknown, 1 plain, 2 differential,
// 3 RTK fixed, 4 RTK float, 5 dead reckoning, 7 surveyed position).
struct SQualityRow
{
    int nMode;
    int nStatus;
};
// clang-format off
constexpr SQualityRow s_Qualities[] = {
    {1, 0}, // none
    {3, 1}, // gps
    {3, 2}, // corrected_gps
    {3, 5}, // calculated
    {3, 7}, // manual
    {3, 2}, // rtk_code
    {3, 3}, // rtk_fixed
    {3, 4}, // rtk_float
    {3, 2}, // postprocessed
    {3, 2}, // waas
    {2, 0}, // unknown
};
// clang-format on

std::string IsoTimeOfMs(std::int64_t nMsSinceEpoch)
{
    using namespace std::chrono;
    const sys_days day = floor<days>(sys_time<milliseconds>(milliseconds(nMsSinceEpoch)));
    const year_month_day ymd(day);
    const std::int64_t nMsOfDay =
        nMsSinceEpoch - duration_cast<milliseconds>(day.time_since_epoch()).count();
    char szText[40];
    std::snprintf(szText, sizeof szText, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ",
                  static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()), static_cast<int>(nMsOfDay / 3600000),
                  static_cast<int>(nMsOfDay / 60000 % 60), static_cast<int>(nMsOfDay / 1000 % 60),
                  static_cast<int>(nMsOfDay % 1000));
    return szText;
}

void DeviceMember(CJsonWriter& json, const SGpsdDevice& device)
{
    json.Member("device", device.strPath);
}

} // namespace

std::string GpsdIsoTime(double dUtcSeconds, std::time_t now)
{
    const std::int64_t nNowMs = static_cast<std::int64_t>(now) * 1000;
    const std::int64_t nDayStart = nNowMs - ((nNowMs % s_nDayMs) + s_nDayMs) % s_nDayMs;
    std::int64_t nFix = nDayStart + std::llround(dUtcSeconds * 1000.0);
    if (nFix - nNowMs > s_nDayMs / 2)
    {
        nFix -= s_nDayMs;
    }
    else if (nNowMs - nFix > s_nDayMs / 2)
    {
        nFix += s_nDayMs;
    }
    return IsoTimeOfMs(nFix);
}

std::string GpsdIsoTime(std::time_t moment)
{
    return IsoTimeOfMs(static_cast<std::int64_t>(moment) * 1000);
}

std::string GpsdTpv(const CGPSData& d, const SGpsdDevice& device, std::time_t now)
{
    const bool bNewStatus = d.m_Status.m_bNewStatus;
    if (!d.m_bPosition && !d.m_bMotion && !bNewStatus)
    {
        return {};
    }
    const int nQuality = d.m_SignalStatus;
    const bool bKnown = nQuality >= 0 && nQuality < static_cast<int>(std::size(s_Qualities));
    const SQualityRow row = bKnown ? s_Qualities[nQuality] : SQualityRow{1, 0};
    int nMode = row.nMode == 3 && d.m_dAltitude == 0.0 ? 2 : row.nMode;
    if (!d.m_bPosition && !d.m_bMotion)
    {
        nMode = 0; // a receiver status alone: nothing is said of the fix
    }
    std::string strOut;
    CJsonWriter json(strOut);
    json.BeginObject().Member("class", "TPV");
    DeviceMember(json, device);
    json.Member("mode", nMode);
    if (d.m_bPosition)
    {
        json.Member("status", row.nStatus).Member("time", GpsdIsoTime(d.m_dUTCTime, now));
        if (nMode >= 2)
        {
            json.Member("lat", d.m_dLatitude * s_dRadiansToDegrees)
                .Member("lon", d.m_dLongitude * s_dRadiansToDegrees);
        }
        if (nMode == 3)
        {
            json.Member("alt", d.m_dAltitude).Member("altMSL", d.m_dAltitude);
        }
    }
    if (d.m_bMotion)
    {
        // The record's heading runs counter-clockwise from east; a track clockwise from north.
        const double dTrack = std::fmod(450.0 - d.m_dHeading * s_dRadiansToDegrees, 360.0);
        json.Member("track", dTrack).Member("speed", d.m_dSpeed);
    }
    if (d.m_bErrorEstimate)
    {
        json.Member("eph", d.m_dHorzError)
            .Member("epv", d.m_dVertError)
            .Member("sep", d.m_dSphericalError);
    }
    if (d.m_bPosition)
    {
        json.Member("fixora_status", SignalStatusName(nQuality)).Member("fixora_quality", nQuality);
    }
    if (bNewStatus)
    {
        json.Key("fixora_receiver");
        StatusRecordJson(json, d.m_Status);
    }
    json.EndObject();
    return strOut;
}

std::string GpsdSky(const CGPSData& d, const SGpsdDevice& device)
{
    if (!d.m_bSatellites && !d.m_bDOP)
    {
        return {};
    }
    std::string strOut;
    CJsonWriter json(strOut);
    json.BeginObject().Member("class", "SKY");
    DeviceMember(json, device);
    if (d.m_bDOP)
    {
        json.Member("hdop", d.m_dHDOP).Member("vdop", d.m_dVDOP).Member("pdop", d.m_dPDOP);
    }
    int nSats = 0;
    int nUsed = 0;
    json.Key("satellites").BeginArray();
    for (const CGPSSatelliteData& sv : d.m_Satellites)
    {
        if (sv.m_nPRN == 0)
        {
            continue;
        }
        ++nSats;
        nUsed += sv.m_bUsed ? 1 : 0;
        json.BeginObject()
            .Member("PRN", sv.m_nPRN)
            .Member("el", sv.m_dElevation * s_dRadiansToDegrees)
            .Member("az", sv.m_dAzimuth * s_dRadiansToDegrees)
            .Member("ss", sv.m_nSNR)
            .Member("used", sv.m_bUsed)
            .EndObject();
    }
    json.EndArray().Member("nSat", nSats).Member("uSat", nUsed).EndObject();
    return strOut;
}

std::string GpsdVersion()
{
    std::string strOut;
    CJsonWriter(strOut)
        .BeginObject()
        .Member("class", "VERSION")
        .Member("release", "fixora")
        .Member("rev", "fixora")
        .Member("proto_major", 3)
        .Member("proto_minor", 14)
        .EndObject();
    return strOut;
}

std::string GpsdDevices(const SGpsdDevice* pDevice)
{
    std::string strOut;
    CJsonWriter json(strOut);
    json.BeginObject().Member("class", "DEVICES").Key("devices").BeginArray();
    if (pDevice != nullptr)
    {
        json.BeginObject()
            .Member("class", "DEVICE")
            .Member("path", pDevice->strPath)
            .Member("driver", pDevice->strDriver)
            .Member("activated", GpsdIsoTime(pDevice->activated))
            .Member("flags", 1)
            .EndObject();
    }
    json.EndArray().EndObject();
    return strOut;
}

std::string GpsdDeviceGone(const SGpsdDevice& device, std::time_t now)
{
    std::string strOut;
    CJsonWriter(strOut)
        .BeginObject()
        .Member("class", "DEVICE")
        .Member("path", device.strPath)
        .Member("deactivated", GpsdIsoTime(now))
        .EndObject();
    return strOut;
}

std::string GpsdWatchAnswer(const SGpsdWatch& watch)
{
    std::string strOut;
    CJsonWriter(strOut)
        .BeginObject()
        .Member("class", "WATCH")
        .Member("enable", watch.bEnable)
        .Member("json", watch.bJson)
        .Member("nmea", watch.bNmea)
        .Member("raw", 0)
        .Member("scaled", false)
        .Member("timing", false)
        .Member("split24", false)
        .Member("pps", false)
        .EndObject();
    return strOut;
}

std::string GpsdPoll(const std::string& strTpv, const std::string& strSky, bool bActive,
                     std::time_t now)
{
    // The last reports are whole objects already: they go into the arrays as they are.
    return R"({"class":"POLL","time":")" + GpsdIsoTime(now) + R"(","active":)" +
           (bActive ? "1" : "0") + R"(,"tpv":[)" + strTpv + R"(],"sky":[)" + strSky + "]}";
}

std::string GpsdError(const std::string& strMessage)
{
    std::string strOut;
    CJsonWriter(strOut)
        .BeginObject()
        .Member("class", "ERROR")
        .Member("message", strMessage)
        .EndObject();
    return strOut;
}
