#include "receiver/GPSData.h"

#include "receiver/HostHandOver.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <type_traits>

// ---- CGPSStatusData ---------------------------------------------------------------------------

CGPSStatusData::CGPSStatusData()
    : m_bNewStatus(false), m_bBeaconSignal(false), m_nBeaconSignalStrength(0), m_nBeaconSNR(0),
      m_dBeaconFrequency(0.0), m_nBeaconBitRate(0), m_bBeaconTuning(false),
      m_bBeaconAutoFrequency(false), m_bPemReply(false), m_bElevMask(false), m_nElevMask(0),
      m_bSettingsSaved(false), m_bNmeaStatus(false), m_NmeaStatus{}, m_bPositionMode(false),
      m_dFixedAltitude(0.0), m_nPositionMode(0), m_nPdopMask(0), m_nHdopMask(0), m_nVdopMask(0),
      m_dRecordingInterval(0.0), m_bAckReceived(false), m_bDgpsMode(false), m_DgpsMode(DGPS_OFF),
      m_nLbandMode(0), m_bInfoText(false), m_szInfoText{}
{
    Invalidate();
}

void CGPSStatusData::Invalidate()
{
    m_bNewStatus = false;
    m_bBeaconSignal = false;
    m_bBeaconTuning = false;
    m_bPemReply = true;
    m_bElevMask = false;
    m_bNmeaStatus = false;
    for (NmeaMsgStatus& status : m_NmeaStatus)
    {
        status = NMEA_MSG_UNKNOWN;
    }
    m_dRecordingInterval = -1.0;
    m_bAckReceived = false;
    m_bDgpsMode = false;
    m_nLbandMode = 0;
    m_bInfoText = false;
}

// ---- CGPSData ---------------------------------------------------------------------------------

CGPSData::CGPSData() : m_szProprietary{}
{
    Clear();
}

void CGPSData::Clear()
{
    m_dLatitude = 0.0;
    m_dLongitude = 0.0;
    m_dAltitude = 0.0;
    m_dHDOP = 0.0;
    m_dPDOP = 0.0;
    m_dVDOP = 0.0;
    m_dMeanSNR = 0.0;
    m_dHorzError = 0.0;
    m_dVertError = 0.0;
    m_dSphericalError = 0.0;
    m_nSatellitesUsed = 0;
    m_nSatellitesInView = 0;
    m_SignalStatus = UDF_SIGNAL_NONE;
    m_dHeading = 0.0;
    m_dSpeed = 0.0;
    m_dUTCTime = 0.0;
    m_dNorth = 0.0;
    m_dEast = 0.0;
    m_Time = RecordClockNow();
    Invalidate(true);
}

void CGPSData::Invalidate(bool bAll)
{
    m_bPosition = false;
    m_bMotion = false;
    m_bDOP = false;
    m_bSatellites = false;
    m_bErrorEstimate = false;
    m_bProprietary = false;
    if (bAll)
    {
        m_bSatellitesInView = false;
    }
}

// ---- CGPSSatelliteDataRaw / CGPSDataRaw -------------------------------------------------------

void CGPSSatelliteDataRaw::Clear()
{
    m_nPRN = 0;
    m_nTag = 0;
    m_dPseudorange = 0.0;
    m_dCarrierPhase = 0.0;
    m_dDoppler = 0.0;
    m_dSpare1 = 0.0;
    m_dSpare2 = 0.0;
    m_bValid = false;
}

CGPSDataRaw::CGPSDataRaw() : m_Time(0)
{
    Clear();
}

void CGPSDataRaw::Clear()
{
    m_dLatitude = 0.0;
    m_dLongitude = 0.0;
    m_dHeight = 0.0;
    m_dSpare = 0.0;
    m_bPosition = false;
    m_bSpare = false;
    m_bEpochComplete = false;
    m_dReceiverTime = 0.0;
    m_dCorrectedTime = 0.0;
    m_dClockOffset = 0.0;
    m_dClockDrift = 0.0;
    m_nGPSWeek = 0;
    for (CGPSSatelliteDataRaw& slot : m_Satellites)
    {
        slot.Clear();
    }
    m_nNumSV = 0;
}

bool CGPSDataRaw::GetSatelliteData(CGPSSatelliteDataRaw& data, int nIndex) const
{
    // The second bound only matters when a caller has written m_nNumSV itself.
    if (nIndex < 0 || nIndex >= m_nNumSV || nIndex >= static_cast<int>(std::size(m_Satellites)))
    {
        return false;
    }
    data = m_Satellites[nIndex];
    return true;
}

int CGPSDataRaw::SlotIndex(int nPRN) const
{
    // Eleven is the limit even for an update of a satellite already held.
    if (nPRN <= 0 || m_nNumSV >= MaxSatellites || m_nNumSV < 0)
    {
        return -1;
    }
    for (int i = 0; i < m_nNumSV; ++i)
    {
        if (m_Satellites[i].m_nPRN == nPRN)
        {
            return i;
        }
    }
    return m_nNumSV;
}

bool CGPSDataRaw::AddSatelliteData(const DataRecord_G12_MBN& record)
{
    const int nIndex = SlotIndex(record.m_cPRN);
    if (nIndex < 0)
    {
        return false;
    }
    CGPSSatelliteDataRaw& slot = m_Satellites[nIndex];
    slot.m_nPRN = record.m_cPRN;
    slot.m_nTag = static_cast<int>(std::trunc(record.m_lTag / 500.0));
    slot.m_dPseudorange = 299792458.0 * record.m_dRawRange;
    slot.m_dCarrierPhase = -record.m_dFullPhase;
    slot.m_dDoppler = record.m_lDoppler * -0.0001;
    slot.m_bValid = true;
    if (nIndex == m_nNumSV)
    {
        ++m_nNumSV;
    }
    return true;
}

bool CGPSDataRaw::AddSatelliteData(const DataRecord_G12_MCA& record)
{
    const int nIndex = SlotIndex(record.m_cPRN);
    if (nIndex < 0)
    {
        return false;
    }
    // Tag and pseudorange keep what the slot held.
    CGPSSatelliteDataRaw& slot = m_Satellites[nIndex];
    slot.m_nPRN = record.m_cPRN;
    slot.m_dCarrierPhase = record.m_dFullPhase;
    slot.m_dDoppler = record.m_lDoppler * 0.0001;
    slot.m_bValid = true;
    if (nIndex == m_nNumSV)
    {
        ++m_nNumSV;
    }
    return true;
}

// ---- layout guards ----------------------------------------------------------------------------
// The host reads these records field by field, so the documented order and widths must hold on
// every compiler that builds the library.

static_assert(sizeof(bool) == 1 && sizeof(int) == 4 && sizeof(double) == 8);
static_assert(sizeof(GPSTime32) == 4 && std::is_signed_v<GPSTime32>);
static_assert(sizeof(CGPSStatusData::m_szInfoText) == 80);
static_assert(sizeof(CGPSData::m_szProprietary) == 79);
static_assert(sizeof(CGPSStatusData::m_NmeaStatus) == 7 * sizeof(NmeaMsgStatus));
static_assert(sizeof(CGPSData::m_Satellites) == 12 * sizeof(CGPSSatelliteData));
static_assert(sizeof(CGPSDataRaw::m_Satellites) == 12 * sizeof(CGPSSatelliteDataRaw));
static_assert(sizeof(CGPSDataEphemeris::m_nPRN) == 2 && sizeof(CGPSDataEphemeris::m_nWeek) == 2);
// Raw epochs and ephemerides are copied as plain memory.
static_assert(std::is_trivially_copyable_v<CGPSSatelliteDataRaw>);
static_assert(std::is_trivially_copyable_v<CGPSDataRaw>);
static_assert(std::is_trivially_copyable_v<CGPSDataEphemeris>);

// The message names the field that is out of place.
#define FIXORA_FIELD_ORDER(cls, first, second)                                                     \
    static_assert(offsetof(cls, first) < offsetof(cls, second), #cls "::" #second)

FIXORA_FIELD_ORDER(CGPSSatelliteData, m_dElevation, m_dAzimuth);
FIXORA_FIELD_ORDER(CGPSSatelliteData, m_dAzimuth, m_nPRN);
FIXORA_FIELD_ORDER(CGPSSatelliteData, m_nPRN, m_bUsed);
FIXORA_FIELD_ORDER(CGPSSatelliteData, m_bUsed, m_bVisible);
FIXORA_FIELD_ORDER(CGPSSatelliteData, m_bVisible, m_nSNR);

FIXORA_FIELD_ORDER(CGPSSatelliteDataRaw, m_nPRN, m_nTag);
FIXORA_FIELD_ORDER(CGPSSatelliteDataRaw, m_nTag, m_dPseudorange);
FIXORA_FIELD_ORDER(CGPSSatelliteDataRaw, m_dPseudorange, m_dCarrierPhase);
FIXORA_FIELD_ORDER(CGPSSatelliteDataRaw, m_dCarrierPhase, m_dDoppler);
FIXORA_FIELD_ORDER(CGPSSatelliteDataRaw, m_dDoppler, m_dSpare1);
FIXORA_FIELD_ORDER(CGPSSatelliteDataRaw, m_dSpare1, m_dSpare2);
FIXORA_FIELD_ORDER(CGPSSatelliteDataRaw, m_dSpare2, m_bValid);

FIXORA_FIELD_ORDER(CGPSDataRaw, m_Time, m_dLatitude);
FIXORA_FIELD_ORDER(CGPSDataRaw, m_dLatitude, m_dLongitude);
FIXORA_FIELD_ORDER(CGPSDataRaw, m_dLongitude, m_dHeight);
FIXORA_FIELD_ORDER(CGPSDataRaw, m_dHeight, m_dSpare);
FIXORA_FIELD_ORDER(CGPSDataRaw, m_dSpare, m_bPosition);
FIXORA_FIELD_ORDER(CGPSDataRaw, m_bPosition, m_bSpare);
FIXORA_FIELD_ORDER(CGPSDataRaw, m_bSpare, m_bEpochComplete);
FIXORA_FIELD_ORDER(CGPSDataRaw, m_bEpochComplete, m_dReceiverTime);
FIXORA_FIELD_ORDER(CGPSDataRaw, m_dReceiverTime, m_dCorrectedTime);
FIXORA_FIELD_ORDER(CGPSDataRaw, m_dCorrectedTime, m_dClockOffset);
FIXORA_FIELD_ORDER(CGPSDataRaw, m_dClockOffset, m_dClockDrift);
FIXORA_FIELD_ORDER(CGPSDataRaw, m_dClockDrift, m_nGPSWeek);
FIXORA_FIELD_ORDER(CGPSDataRaw, m_nGPSWeek, m_Satellites);
FIXORA_FIELD_ORDER(CGPSDataRaw, m_Satellites, m_nNumSV);

FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_nPRN, m_nWeek);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_nWeek, m_nTOW);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_nTOW, m_dTGD);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dTGD, m_nAODC);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_nAODC, m_nTOC);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_nTOC, m_dAF2);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dAF2, m_dAF1);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dAF1, m_dAF0);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dAF0, m_nAODE);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_nAODE, m_dDeltaN);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dDeltaN, m_dM0);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dM0, m_dE);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dE, m_dRootA);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dRootA, m_nTOE);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_nTOE, m_dCic);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dCic, m_dCrc);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dCrc, m_dCis);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dCis, m_dCrs);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dCrs, m_dCuc);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dCuc, m_dCus);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dCus, m_dOmega0);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dOmega0, m_dOmega);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dOmega, m_dI0);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dI0, m_dOmegaDot);
FIXORA_FIELD_ORDER(CGPSDataEphemeris, m_dOmegaDot, m_dIDot);

// CGPSStatusData has a virtual destructor and CGPSData embeds it, so neither is standard-layout;
// offsetof is still exact on the compilers we build with, hence the local silence.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
#endif

FIXORA_FIELD_ORDER(CGPSStatusData, m_bNewStatus, m_bBeaconSignal);
FIXORA_FIELD_ORDER(CGPSStatusData, m_bBeaconSignal, m_nBeaconSignalStrength);
FIXORA_FIELD_ORDER(CGPSStatusData, m_nBeaconSignalStrength, m_nBeaconSNR);
FIXORA_FIELD_ORDER(CGPSStatusData, m_nBeaconSNR, m_dBeaconFrequency);
FIXORA_FIELD_ORDER(CGPSStatusData, m_dBeaconFrequency, m_nBeaconBitRate);
FIXORA_FIELD_ORDER(CGPSStatusData, m_nBeaconBitRate, m_bBeaconTuning);
FIXORA_FIELD_ORDER(CGPSStatusData, m_bBeaconTuning, m_bBeaconAutoFrequency);
FIXORA_FIELD_ORDER(CGPSStatusData, m_bBeaconAutoFrequency, m_bPemReply);
FIXORA_FIELD_ORDER(CGPSStatusData, m_bPemReply, m_bElevMask);
FIXORA_FIELD_ORDER(CGPSStatusData, m_bElevMask, m_nElevMask);
FIXORA_FIELD_ORDER(CGPSStatusData, m_nElevMask, m_bSettingsSaved);
FIXORA_FIELD_ORDER(CGPSStatusData, m_bSettingsSaved, m_bNmeaStatus);
FIXORA_FIELD_ORDER(CGPSStatusData, m_bNmeaStatus, m_NmeaStatus);
FIXORA_FIELD_ORDER(CGPSStatusData, m_NmeaStatus, m_bPositionMode);
FIXORA_FIELD_ORDER(CGPSStatusData, m_bPositionMode, m_dFixedAltitude);
FIXORA_FIELD_ORDER(CGPSStatusData, m_dFixedAltitude, m_nPositionMode);
FIXORA_FIELD_ORDER(CGPSStatusData, m_nPositionMode, m_nPdopMask);
FIXORA_FIELD_ORDER(CGPSStatusData, m_nPdopMask, m_nHdopMask);
FIXORA_FIELD_ORDER(CGPSStatusData, m_nHdopMask, m_nVdopMask);
FIXORA_FIELD_ORDER(CGPSStatusData, m_nVdopMask, m_dRecordingInterval);
FIXORA_FIELD_ORDER(CGPSStatusData, m_dRecordingInterval, m_bAckReceived);
FIXORA_FIELD_ORDER(CGPSStatusData, m_bAckReceived, m_bDgpsMode);
FIXORA_FIELD_ORDER(CGPSStatusData, m_bDgpsMode, m_DgpsMode);
FIXORA_FIELD_ORDER(CGPSStatusData, m_DgpsMode, m_nLbandMode);
FIXORA_FIELD_ORDER(CGPSStatusData, m_nLbandMode, m_bInfoText);
FIXORA_FIELD_ORDER(CGPSStatusData, m_bInfoText, m_szInfoText);

FIXORA_FIELD_ORDER(CGPSData, m_dLatitude, m_dLongitude);
FIXORA_FIELD_ORDER(CGPSData, m_dLongitude, m_dAltitude);
FIXORA_FIELD_ORDER(CGPSData, m_dAltitude, m_dHDOP);
FIXORA_FIELD_ORDER(CGPSData, m_dHDOP, m_dPDOP);
FIXORA_FIELD_ORDER(CGPSData, m_dPDOP, m_dVDOP);
FIXORA_FIELD_ORDER(CGPSData, m_dVDOP, m_dMeanSNR);
FIXORA_FIELD_ORDER(CGPSData, m_dMeanSNR, m_dHorzError);
FIXORA_FIELD_ORDER(CGPSData, m_dHorzError, m_dVertError);
FIXORA_FIELD_ORDER(CGPSData, m_dVertError, m_dSphericalError);
FIXORA_FIELD_ORDER(CGPSData, m_dSphericalError, m_Time);
FIXORA_FIELD_ORDER(CGPSData, m_Time, m_Satellites);
FIXORA_FIELD_ORDER(CGPSData, m_Satellites, m_nSatellitesUsed);
FIXORA_FIELD_ORDER(CGPSData, m_nSatellitesUsed, m_nSatellitesInView);
FIXORA_FIELD_ORDER(CGPSData, m_nSatellitesInView, m_SignalStatus);
FIXORA_FIELD_ORDER(CGPSData, m_SignalStatus, m_dHeading);
FIXORA_FIELD_ORDER(CGPSData, m_dHeading, m_dSpeed);
FIXORA_FIELD_ORDER(CGPSData, m_dSpeed, m_bPosition);
FIXORA_FIELD_ORDER(CGPSData, m_bPosition, m_bMotion);
FIXORA_FIELD_ORDER(CGPSData, m_bMotion, m_bDOP);
FIXORA_FIELD_ORDER(CGPSData, m_bDOP, m_bSatellitesInView);
FIXORA_FIELD_ORDER(CGPSData, m_bSatellitesInView, m_bSatellites);
FIXORA_FIELD_ORDER(CGPSData, m_bSatellites, m_bProprietary);
FIXORA_FIELD_ORDER(CGPSData, m_bProprietary, m_bErrorEstimate);
FIXORA_FIELD_ORDER(CGPSData, m_bErrorEstimate, m_dUTCTime);
FIXORA_FIELD_ORDER(CGPSData, m_dUTCTime, m_dNorth);
FIXORA_FIELD_ORDER(CGPSData, m_dNorth, m_dEast);
FIXORA_FIELD_ORDER(CGPSData, m_dEast, m_szProprietary);
FIXORA_FIELD_ORDER(CGPSData, m_szProprietary, m_Status);

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#undef FIXORA_FIELD_ORDER
