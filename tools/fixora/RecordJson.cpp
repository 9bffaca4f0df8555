// JSON forms of the records. Keys keep the record's field order so that a line reads like the
// record it came from.
#include "RecordJson.h"

#include "RecordFields.h"

using Json = nlohmann::ordered_json;

namespace
{

Json StatusRecordJson(const CGPSStatusData& s)
{
    Json nmea = Json::array();
    for (const NmeaMsgStatus eStatus : s.m_NmeaStatus)
    {
        nmea.push_back(static_cast<int>(eStatus));
    }
    return Json{
        {"bNewStatus", s.m_bNewStatus},
        {"bBeaconSignal", s.m_bBeaconSignal},
        {"nBeaconSignalStrength", s.m_nBeaconSignalStrength},
        {"nBeaconSNR", s.m_nBeaconSNR},
        {"dBeaconFrequency", s.m_dBeaconFrequency},
        {"nBeaconBitRate", s.m_nBeaconBitRate},
        {"bBeaconTuning", s.m_bBeaconTuning},
        {"bBeaconAutoFrequency", s.m_bBeaconAutoFrequency},
        {"bPemReply", s.m_bPemReply},
        {"bElevMask", s.m_bElevMask},
        {"nElevMask", s.m_nElevMask},
        {"bSettingsSaved", s.m_bSettingsSaved},
        {"bNmeaStatus", s.m_bNmeaStatus},
        {"NmeaStatus", nmea},
        {"bPositionMode", s.m_bPositionMode},
        {"dFixedAltitude", s.m_dFixedAltitude},
        {"nPositionMode", s.m_nPositionMode},
        {"nPdopMask", s.m_nPdopMask},
        {"nHdopMask", s.m_nHdopMask},
        {"nVdopMask", s.m_nVdopMask},
        {"dRecordingInterval", s.m_dRecordingInterval},
        {"bAckReceived", s.m_bAckReceived},
        {"bDgpsMode", s.m_bDgpsMode},
        {"DgpsMode", static_cast<int>(s.m_DgpsMode)},
        {"nLbandMode", s.m_nLbandMode},
        {"bInfoText", s.m_bInfoText},
        {"szInfoText", Latin1ToUtf8(FixedText(s.m_szInfoText, sizeof s.m_szInfoText))},
    };
}

} // namespace

Json PositionJson(const CGPSData& d, bool bNoClock)
{
    Json satellites = Json::array();
    for (const CGPSSatelliteData& sv : d.m_Satellites)
    {
        if (sv.m_nPRN == 0)
        {
            continue; // an empty slot
        }
        satellites.push_back(Json{{"prn", sv.m_nPRN},
                                  {"elev", sv.m_dElevation * RadiansToDegrees},
                                  {"az", sv.m_dAzimuth * RadiansToDegrees},
                                  {"snr", sv.m_nSNR},
                                  {"used", sv.m_bUsed},
                                  {"visible", sv.m_bVisible}});
    }
    Json json{
        {"type", "position"},
        {"time", bNoClock ? 0 : d.m_Time},
        {"utc", d.m_dUTCTime},
        {"lat", d.m_dLatitude * RadiansToDegrees},
        {"lon", d.m_dLongitude * RadiansToDegrees},
        {"alt", d.m_dAltitude},
        {"status", static_cast<int>(d.m_SignalStatus)},
        {"status_name", SignalStatusName(d.m_SignalStatus)},
        {"sats_used", d.m_nSatellitesUsed},
        {"sats_in_view", d.m_nSatellitesInView},
        {"hdop", d.m_dHDOP},
        {"pdop", d.m_dPDOP},
        {"vdop", d.m_dVDOP},
        {"mean_snr", d.m_dMeanSNR},
        {"speed", d.m_dSpeed},
        {"heading", d.m_dHeading},
        {"north", d.m_dNorth},
        {"east", d.m_dEast},
        {"flags",
         {{"position", d.m_bPosition},
          {"motion", d.m_bMotion},
          {"dop", d.m_bDOP},
          {"satellites_in_view", d.m_bSatellitesInView},
          {"satellites", d.m_bSatellites},
          {"proprietary", d.m_bProprietary},
          {"error_estimate", d.m_bErrorEstimate},
          {"new_status", d.m_Status.m_bNewStatus}}},
        {"errors",
         {{"horz", d.m_dHorzError}, {"vert", d.m_dVertError}, {"spherical", d.m_dSphericalError}}},
        {"satellites", satellites},
    };
    if (d.m_bProprietary)
    {
        json["proprietary"] = Latin1ToUtf8(FixedText(d.m_szProprietary, sizeof d.m_szProprietary));
    }
    json["status_record"] = StatusRecordJson(d.m_Status);
    return json;
}

Json RawEpochJson(const CGPSDataRaw& r, bool bNoClock)
{
    Json satellites = Json::array();
    const int nSlots = std::min(r.m_nNumSV, static_cast<int>(std::size(r.m_Satellites)));
    for (int i = 0; i < nSlots; ++i)
    {
        const CGPSSatelliteDataRaw& sv = r.m_Satellites[i];
        satellites.push_back(Json{{"prn", sv.m_nPRN},
                                  {"tag", sv.m_nTag},
                                  {"pseudorange", sv.m_dPseudorange},
                                  {"carrier_phase", sv.m_dCarrierPhase},
                                  {"doppler", sv.m_dDoppler},
                                  {"spare1", sv.m_dSpare1},
                                  {"spare2", sv.m_dSpare2},
                                  {"valid", sv.m_bValid}});
    }
    return Json{
        {"type", "raw"},
        {"time", bNoClock ? 0 : r.m_Time},
        {"lat", r.m_dLatitude},
        {"lon", r.m_dLongitude},
        {"height", r.m_dHeight},
        {"spare", r.m_dSpare},
        {"position", r.m_bPosition},
        {"spare_flag", r.m_bSpare},
        {"epoch_complete", r.m_bEpochComplete},
        {"receiver_time", r.m_dReceiverTime},
        {"corrected_time", r.m_dCorrectedTime},
        {"clock_offset", r.m_dClockOffset},
        {"clock_drift", r.m_dClockDrift},
        {"gps_week", r.m_nGPSWeek},
        {"num_sv", r.m_nNumSV},
        {"satellites", satellites},
    };
}

Json EphemerisJson(const CGPSDataEphemeris& e)
{
    return Json{
        {"type", "ephemeris"},   {"prn", e.m_nPRN},
        {"week", e.m_nWeek},     {"tow", e.m_nTOW},
        {"tgd", e.m_dTGD},       {"aodc", e.m_nAODC},
        {"toc", e.m_nTOC},       {"af2", e.m_dAF2},
        {"af1", e.m_dAF1},       {"af0", e.m_dAF0},
        {"aode", e.m_nAODE},     {"delta_n", e.m_dDeltaN},
        {"m0", e.m_dM0},         {"e", e.m_dE},
        {"root_a", e.m_dRootA},  {"toe", e.m_nTOE},
        {"cic", e.m_dCic},       {"crc", e.m_dCrc},
        {"cis", e.m_dCis},       {"crs", e.m_dCrs},
        {"cuc", e.m_dCuc},       {"cus", e.m_dCus},
        {"omega0", e.m_dOmega0}, {"omega", e.m_dOmega},
        {"i0", e.m_dI0},         {"omega_dot", e.m_dOmegaDot},
        {"idot", e.m_dIDot},
    };
}

Json TextJson(const CString& strText)
{
    return Json{{"type", "text"}, {"text", WideToUtf8(strText)}};
}

Json BinaryJson(std::size_t nWords)
{
    return Json{{"type", "binary"}, {"words", nWords}};
}
