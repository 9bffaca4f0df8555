#include "receiver/GPSData.h"

#include "receiver/RecordClock.h"

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

// Exact offsets and sizes, the same on Linux and on Windows x64: a field that moves, widens or
// appears fails the build, naming its record.
namespace
{
using Sat = CGPSSatelliteData;
using RawSat = CGPSSatelliteDataRaw;
using Raw = CGPSDataRaw;
using Eph = CGPSDataEphemeris;
using Status = CGPSStatusData;
using Data = CGPSData;
} // namespace
static_assert(sizeof(Sat) == 32 && offsetof(Sat, m_dElevation) == 0 &&
                  offsetof(Sat, m_dAzimuth) == 8 && offsetof(Sat, m_nPRN) == 16 &&
                  offsetof(Sat, m_bUsed) == 20 && offsetof(Sat, m_bVisible) == 21 &&
                  offsetof(Sat, m_nSNR) == 24,
              "CGPSSatelliteData");
static_assert(sizeof(RawSat) == 56 && offsetof(RawSat, m_nPRN) == 0 &&
                  offsetof(RawSat, m_nTag) == 4 && offsetof(RawSat, m_dPseudorange) == 8 &&
                  offsetof(RawSat, m_dCarrierPhase) == 16 && offsetof(RawSat, m_dDoppler) == 24 &&
                  offsetof(RawSat, m_dSpare1) == 32 && offsetof(RawSat, m_dSpare2) == 40 &&
                  offsetof(RawSat, m_bValid) == 48,
              "CGPSSatelliteDataRaw");
static_assert(sizeof(Raw) == 768 && offsetof(Raw, m_Time) == 0 && offsetof(Raw, m_dLatitude) == 8 &&
                  offsetof(Raw, m_dLongitude) == 16 && offsetof(Raw, m_dHeight) == 24 &&
                  offsetof(Raw, m_dSpare) == 32 && offsetof(Raw, m_bPosition) == 40 &&
                  offsetof(Raw, m_bSpare) == 41 && offsetof(Raw, m_bEpochComplete) == 42 &&
                  offsetof(Raw, m_dReceiverTime) == 48 && offsetof(Raw, m_dCorrectedTime) == 56 &&
                  offsetof(Raw, m_dClockOffset) == 64 && offsetof(Raw, m_dClockDrift) == 72 &&
                  offsetof(Raw, m_nGPSWeek) == 80 && offsetof(Raw, m_Satellites) == 88 &&
                  offsetof(Raw, m_nNumSV) == 760,
              "CGPSDataRaw");
static_assert(sizeof(Eph) == 184 && offsetof(Eph, m_nPRN) == 0 && offsetof(Eph, m_nWeek) == 2 &&
                  offsetof(Eph, m_nTOW) == 4 && offsetof(Eph, m_dTGD) == 8 &&
                  offsetof(Eph, m_nAODC) == 16 && offsetof(Eph, m_nTOC) == 20 &&
                  offsetof(Eph, m_dAF2) == 24 && offsetof(Eph, m_dAF1) == 32 &&
                  offsetof(Eph, m_dAF0) == 40 && offsetof(Eph, m_nAODE) == 48 &&
                  offsetof(Eph, m_dDeltaN) == 56 && offsetof(Eph, m_dM0) == 64 &&
                  offsetof(Eph, m_dE) == 72 && offsetof(Eph, m_dRootA) == 80 &&
                  offsetof(Eph, m_nTOE) == 88 && offsetof(Eph, m_dCic) == 96 &&
                  offsetof(Eph, m_dCrc) == 104 && offsetof(Eph, m_dCis) == 112 &&
                  offsetof(Eph, m_dCrs) == 120 && offsetof(Eph, m_dCuc) == 128 &&
                  offsetof(Eph, m_dCus) == 136 && offsetof(Eph, m_dOmega0) == 144 &&
                  offsetof(Eph, m_dOmega) == 152 && offsetof(Eph, m_dI0) == 160 &&
                  offsetof(Eph, m_dOmegaDot) == 168 && offsetof(Eph, m_dIDot) == 176,
              "CGPSDataEphemeris");

// CGPSStatusData has a virtual destructor and CGPSData embeds it, so neither is standard-layout;
// offsetof is still exact on the compilers we build with, hence the local silence.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
#endif
static_assert(
    sizeof(Status) == 208 && offsetof(Status, m_bNewStatus) == 8 &&
        offsetof(Status, m_bBeaconSignal) == 9 && offsetof(Status, m_nBeaconSignalStrength) == 12 &&
        offsetof(Status, m_nBeaconSNR) == 16 && offsetof(Status, m_dBeaconFrequency) == 24 &&
        offsetof(Status, m_nBeaconBitRate) == 32 && offsetof(Status, m_bBeaconTuning) == 36 &&
        offsetof(Status, m_bBeaconAutoFrequency) == 37 && offsetof(Status, m_bPemReply) == 38 &&
        offsetof(Status, m_bElevMask) == 39 && offsetof(Status, m_nElevMask) == 40 &&
        offsetof(Status, m_bSettingsSaved) == 44 && offsetof(Status, m_bNmeaStatus) == 45 &&
        offsetof(Status, m_NmeaStatus) == 48 && offsetof(Status, m_bPositionMode) == 76 &&
        offsetof(Status, m_dFixedAltitude) == 80 && offsetof(Status, m_nPositionMode) == 88 &&
        offsetof(Status, m_nPdopMask) == 92 && offsetof(Status, m_nHdopMask) == 96 &&
        offsetof(Status, m_nVdopMask) == 100 && offsetof(Status, m_dRecordingInterval) == 104 &&
        offsetof(Status, m_bAckReceived) == 112 && offsetof(Status, m_bDgpsMode) == 113 &&
        offsetof(Status, m_DgpsMode) == 116 && offsetof(Status, m_nLbandMode) == 120 &&
        offsetof(Status, m_bInfoText) == 124 && offsetof(Status, m_szInfoText) == 125,
    "CGPSStatusData");
static_assert(sizeof(Data) == 824 && offsetof(Data, m_dLatitude) == 0 &&
                  offsetof(Data, m_dLongitude) == 8 && offsetof(Data, m_dAltitude) == 16 &&
                  offsetof(Data, m_dHDOP) == 24 && offsetof(Data, m_dPDOP) == 32 &&
                  offsetof(Data, m_dVDOP) == 40 && offsetof(Data, m_dMeanSNR) == 48 &&
                  offsetof(Data, m_dHorzError) == 56 && offsetof(Data, m_dVertError) == 64 &&
                  offsetof(Data, m_dSphericalError) == 72 && offsetof(Data, m_Time) == 80 &&
                  offsetof(Data, m_Satellites) == 88 && offsetof(Data, m_nSatellitesUsed) == 472 &&
                  offsetof(Data, m_nSatellitesInView) == 476 &&
                  offsetof(Data, m_SignalStatus) == 480 && offsetof(Data, m_dHeading) == 488 &&
                  offsetof(Data, m_dSpeed) == 496 && offsetof(Data, m_bPosition) == 504 &&
                  offsetof(Data, m_bMotion) == 505 && offsetof(Data, m_bDOP) == 506 &&
                  offsetof(Data, m_bSatellitesInView) == 507 &&
                  offsetof(Data, m_bSatellites) == 508 && offsetof(Data, m_bProprietary) == 509 &&
                  offsetof(Data, m_bErrorEstimate) == 510 && offsetof(Data, m_dUTCTime) == 512 &&
                  offsetof(Data, m_dNorth) == 520 && offsetof(Data, m_dEast) == 528 &&
                  offsetof(Data, m_szProprietary) == 536 && offsetof(Data, m_Status) == 616,
              "CGPSData");
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
