// JSON forms of the records, written field by field. Keys keep the record's field order so that a
// line reads like the record it came from.
#include "RecordJson.h"

#include "JsonWriter.h"
#include "RecordFields.h"

#include <algorithm>
#include <iterator>

void StatusRecordJson(CJsonWriter& json, const CGPSStatusData& s)
{
    json.BeginObject()
        .Member("bNewStatus", s.m_bNewStatus)
        .Member("bBeaconSignal", s.m_bBeaconSignal)
        .Member("nBeaconSignalStrength", s.m_nBeaconSignalStrength)
        .Member("nBeaconSNR", s.m_nBeaconSNR)
        .Member("dBeaconFrequency", s.m_dBeaconFrequency)
        .Member("nBeaconBitRate", s.m_nBeaconBitRate)
        .Member("bBeaconTuning", s.m_bBeaconTuning)
        .Member("bBeaconAutoFrequency", s.m_bBeaconAutoFrequency)
        .Member("bPemReply", s.m_bPemReply)
        .Member("bElevMask", s.m_bElevMask)
        .Member("nElevMask", s.m_nElevMask)
        .Member("bSettingsSaved", s.m_bSettingsSaved)
        .Member("bNmeaStatus", s.m_bNmeaStatus)
        .Key("NmeaStatus")
        .BeginArray();
    for (const NmeaMsgStatus eStatus : s.m_NmeaStatus)
    {
        json.Value(static_cast<int>(eStatus));
    }
    json.EndArray()
        .Member("bPositionMode", s.m_bPositionMode)
        .Member("dFixedAltitude", s.m_dFixedAltitude)
        .Member("nPositionMode", s.m_nPositionMode)
        .Member("nPdopMask", s.m_nPdopMask)
        .Member("nHdopMask", s.m_nHdopMask)
        .Member("nVdopMask", s.m_nVdopMask)
        .Member("dRecordingInterval", s.m_dRecordingInterval)
        .Member("bAckReceived", s.m_bAckReceived)
        .Member("bDgpsMode", s.m_bDgpsMode)
        .Member("DgpsMode", static_cast<int>(s.m_DgpsMode))
        .Member("nLbandMode", s.m_nLbandMode)
        .Member("bInfoText", s.m_bInfoText)
        .Member("szInfoText", Latin1ToUtf8(FixedText(s.m_szInfoText, sizeof s.m_szInfoText)))
        .EndObject();
}

void PositionJson(const CGPSData& d, bool bNoClock, std::string& strLine)
{
    CJsonWriter json(strLine);
    json.BeginObject()
        .Member("type", "position")
        .Member("time", bNoClock ? 0 : d.m_Time)
        .Member("utc", d.m_dUTCTime)
        .Member("lat", d.m_dLatitude * s_dRadiansToDegrees)
        .Member("lon", d.m_dLongitude * s_dRadiansToDegrees)
        .Member("alt", d.m_dAltitude)
        .Member("status", static_cast<int>(d.m_SignalStatus))
        .Member("status_name", SignalStatusName(d.m_SignalStatus))
        .Member("sats_used", d.m_nSatellitesUsed)
        .Member("sats_in_view", d.m_nSatellitesInView)
        .Member("hdop", d.m_dHDOP)
        .Member("pdop", d.m_dPDOP)
        .Member("vdop", d.m_dVDOP)
        .Member("mean_snr", d.m_dMeanSNR)
        .Member("speed", d.m_dSpeed)
        .Member("heading", d.m_dHeading)
        .Member("north", d.m_dNorth)
        .Member("east", d.m_dEast)
        .Key("flags")
        .BeginObject()
        .Member("position", d.m_bPosition)
        .Member("motion", d.m_bMotion)
        .Member("dop", d.m_bDOP)
        .Member("satellites_in_view", d.m_bSatellitesInView)
        .Member("satellites", d.m_bSatellites)
        .Member("proprietary", d.m_bProprietary)
        .Member("error_estimate", d.m_bErrorEstimate)
        .Member("new_status", d.m_Status.m_bNewStatus)
        .EndObject()
        .Key("errors")
        .BeginObject()
        .Member("horz", d.m_dHorzError)
        .Member("vert", d.m_dVertError)
        .Member("spherical", d.m_dSphericalError)
        .EndObject()
        .Key("satellites")
        .BeginArray();
    for (const CGPSSatelliteData& sv : d.m_Satellites)
    {
        if (sv.m_nPRN == 0)
        {
            continue; // an empty slot
        }
        json.BeginObject()
            .Member("prn", sv.m_nPRN)
            .Member("elev", sv.m_dElevation * s_dRadiansToDegrees)
            .Member("az", sv.m_dAzimuth * s_dRadiansToDegrees)
            .Member("snr", sv.m_nSNR)
            .Member("used", sv.m_bUsed)
            .Member("visible", sv.m_bVisible)
            .EndObject();
    }
    json.EndArray();
    if (d.m_bProprietary)
    {
        json.Member("proprietary",
                    Latin1ToUtf8(FixedText(d.m_szProprietary, sizeof d.m_szProprietary)));
    }
    json.Key("status_record");
    StatusRecordJson(json, d.m_Status);
    json.EndObject();
}

void RawEpochJson(const CGPSDataRaw& r, bool bNoClock, std::string& strLine)
{
    CJsonWriter json(strLine);
    json.BeginObject()
        .Member("type", "raw")
        .Member("time", bNoClock ? 0 : r.m_Time)
        .Member("lat", r.m_dLatitude)
        .Member("lon", r.m_dLongitude)
        .Member("height", r.m_dHeight)
        .Member("spare", r.m_dSpare)
        .Member("position", r.m_bPosition)
        .Member("spare_flag", r.m_bSpare)
        .Member("epoch_complete", r.m_bEpochComplete)
        .Member("receiver_time", r.m_dReceiverTime)
        .Member("corrected_time", r.m_dCorrectedTime)
        .Member("clock_offset", r.m_dClockOffset)
        .Member("clock_drift", r.m_dClockDrift)
        .Member("gps_week", r.m_nGPSWeek)
        .Member("num_sv", r.m_nNumSV)
        .Key("satellites")
        .BeginArray();
    const int nSlots = std::min(r.m_nNumSV, static_cast<int>(std::size(r.m_Satellites)));
    for (int i = 0; i < nSlots; ++i)
    {
        const CGPSSatelliteDataRaw& sv = r.m_Satellites[i];
        json.BeginObject()
            .Member("prn", sv.m_nPRN)
            .Member("tag", sv.m_nTag)
            .Member("pseudorange", sv.m_dPseudorange)
            .Member("carrier_phase", sv.m_dCarrierPhase)
            .Member("doppler", sv.m_dDoppler)
            .Member("spare1", sv.m_dSpare1)
            .Member("spare2", sv.m_dSpare2)
            .Member("valid", sv.m_bValid)
            .EndObject();
    }
    json.EndArray().EndObject();
}

void EphemerisJson(const CGPSDataEphemeris& e, std::string& strLine)
{
    CJsonWriter(strLine)
        .BeginObject()
        .Member("type", "ephemeris")
        .Member("prn", e.m_nPRN)
        .Member("week", e.m_nWeek)
        .Member("tow", e.m_nTOW)
        .Member("tgd", e.m_dTGD)
        .Member("aodc", e.m_nAODC)
        .Member("toc", e.m_nTOC)
        .Member("af2", e.m_dAF2)
        .Member("af1", e.m_dAF1)
        .Member("af0", e.m_dAF0)
        .Member("aode", e.m_nAODE)
        .Member("delta_n", e.m_dDeltaN)
        .Member("m0", e.m_dM0)
        .Member("e", e.m_dE)
        .Member("root_a", e.m_dRootA)
        .Member("toe", e.m_nTOE)
        .Member("cic", e.m_dCic)
        .Member("crc", e.m_dCrc)
        .Member("cis", e.m_dCis)
        .Member("crs", e.m_dCrs)
        .Member("cuc", e.m_dCuc)
        .Member("cus", e.m_dCus)
        .Member("omega0", e.m_dOmega0)
        .Member("omega", e.m_dOmega)
        .Member("i0", e.m_dI0)
        .Member("omega_dot", e.m_dOmegaDot)
        .Member("idot", e.m_dIDot)
        .EndObject();
}

void TextJson(const CString& strText, std::string& strLine)
{
    CJsonWriter(strLine)
        .BeginObject()
        .Member("type", "text")
        .Member("text", WideToUtf8(strText))
        .EndObject();
}

void BinaryJson(std::size_t nWords, std::string& strLine)
{
    CJsonWriter(strLine).BeginObject().Member("type", "binary").Member("words", nWords).EndObject();
}

void CommandJson(const std::string& strName, const std::string& strValue,
                 const std::string& strResult, std::string& strLine)
{
    CJsonWriter(strLine)
        .BeginObject()
        .Member("type", "command")
        .Member("command", strName)
        .Member("value", strValue)
        .Member("result", strResult)
        .EndObject();
}
