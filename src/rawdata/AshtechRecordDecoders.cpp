// Receiver base: the Ashtech binary raw records. MBN measurements gather into the raw epoch, the
// PBN navigation record closes it, and an SNV record is one satellite's ephemeris.
#include "rawdata/AshtechRecords.h"
#include "rawdata/Geodesy.h"
#include "receiver/DOZOzoeiver.h"

#include <cmath>

namespace
{

constexpr double s_dSpeedOfLight = 299792458.0; // m/s
constexpr double s_dDegreesPerRadian = 57.29577951308232;
constexpr std::int8_t s_nMeasurementMarker = 1;
constexpr std::int8_t s_nUsableQuality = 24;

// The raw range as the receiver counts it, folded into -1..1 seconds around its complement.
double ReducedRawRange(double dRawRange)
{
    double x = 1.0 - dRawRange;
    if (x < -1.0)
    {
        x += std::trunc(std::fabs(x)) + 1.0;
    }
    else if (x > 1.0)
    {
        x -= std::trunc(x);
    }
    return x;
}

template <class TWire> bool ChecksumMatches(const void* pRecord, const TWire& wire)
{
    return BigEndianWordSum(pRecord, sizeof(TWire) - 2) == wire.m_nChecksum.Value();
}

} // namespace

bool CDOZOzoeiver::ProcessPASHR_MBN(const void* pRecord)
{
    if (pRecord == nullptr)
    {
        return false;
    }
    const auto wire = ReadRecord<SMbnWire>(pRecord);
    DataRecord_G12_MBN record{};
    record.m_cMarker = wire.m_cMarker;
    record.m_cLeft = wire.m_cLeft;
    record.m_cPRN = wire.m_cPRN;
    record.m_cByte3 = wire.m_cByte3;
    record.m_lTag = wire.m_lTag.Value();
    record.m_cByte8 = wire.m_cByte8;
    record.m_cQuality = wire.m_cQuality;
    record.m_cByte10 = wire.m_cByte10;
    record.m_cByte11 = wire.m_cByte11;
    record.m_dRawRange = ReducedRawRange(wire.m_dRawRange.Value());
    record.m_lDoppler = wire.m_lDoppler.Value();
    record.m_dFullPhase = wire.m_dFullPhase.Value();
    record.m_nChecksum = static_cast<std::int16_t>(wire.m_nChecksum.Value());
    if (!ChecksumMatches(pRecord, wire) || record.m_cMarker != s_nMeasurementMarker ||
        record.m_cQuality != s_nUsableQuality)
    {
        return false;
    }
    m_GPSDataRaw.m_bEpochComplete = record.m_cLeft == 0;
    return m_GPSDataRaw.AddSatelliteData(record);
}

bool CDOZOzoeiver::ProcessPASHR_PBN(const void* pRecord)
{
    if (pRecord == nullptr)
    {
        return false;
    }
    const auto wire = ReadRecord<SPbnWire>(pRecord);
    m_GPSDataRaw.m_bPosition = false;
    if (!ChecksumMatches(pRecord, wire))
    {
        // The epoch's measurements cannot be placed without it.
        m_GPSDataRaw.Clear();
        return false;
    }
    double dLatitude = 0.0;
    double dLongitude = 0.0;
    EcefToGeodetic(wire.m_dX.Value(), wire.m_dY.Value(), wire.m_dZ.Value(), dLatitude, dLongitude,
                   m_GPSDataRaw.m_dHeight);
    const double dClockOffset = wire.m_fClockOffset.Value();
    m_GPSDataRaw.m_dReceiverTime = wire.m_lTime.Value() * 0.001;
    m_GPSDataRaw.m_dCorrectedTime = m_GPSDataRaw.m_dReceiverTime - dClockOffset / s_dSpeedOfLight;
    m_GPSDataRaw.m_dClockOffset = dClockOffset;
    m_GPSDataRaw.m_dClockDrift = wire.m_fClockDrift.Value();
    m_GPSDataRaw.m_dLatitude = dLatitude * s_dDegreesPerRadian;
    m_GPSDataRaw.m_dLongitude = dLongitude * s_dDegreesPerRadian;
    m_GPSDataRaw.m_bPosition = true;
    return true;
}

bool CDOZOzoeiver::ProcessPASHR_SNV(const void* pRecord)
{
    if (pRecord == nullptr)
    {
        return false;
    }
    const auto wire = ReadRecord<SSnvWire>(pRecord);
    CGPSDataEphemeris& e = m_GPSEphemeris;
    e.m_nWeek = wire.m_nWeek.Value();
    e.m_nTOW = wire.m_nTOW.Value();
    e.m_dTGD = wire.m_fTGD.Value();
    e.m_nAODC = wire.m_nAODC.Value();
    e.m_nTOC = wire.m_nTOC.Value();
    e.m_dAF2 = wire.m_fAF2.Value();
    e.m_dAF1 = wire.m_fAF1.Value();
    e.m_dAF0 = wire.m_fAF0.Value();
    e.m_nAODE = wire.m_nAODE.Value();
    e.m_dDeltaN = wire.m_fDeltaN.Value();
    e.m_dM0 = wire.m_dM0.Value();
    e.m_dE = wire.m_dE.Value();
    e.m_dRootA = wire.m_dRootA.Value();
    e.m_nTOE = wire.m_nTOE.Value();
    e.m_dCic = wire.m_fCic.Value();
    e.m_dCrc = wire.m_fCrc.Value();
    e.m_dCis = wire.m_fCis.Value();
    e.m_dCrs = wire.m_fCrs.Value();
    e.m_dCuc = wire.m_fCuc.Value();
    e.m_dCus = wire.m_fCus.Value();
    e.m_dOmega0 = wire.m_dOmega0.Value();
    e.m_dOmega = wire.m_dOmega.Value();
    e.m_dI0 = wire.m_dI0.Value();
    e.m_dOmegaDot = wire.m_fOmegaDot.Value();
    e.m_dIDot = wire.m_fIDot.Value();
    e.m_nPRN = static_cast<std::int16_t>(wire.m_cPRNLessOne + 1);
    // A damaged record's values stay stored, but are not published.
    if (!ChecksumMatches(pRecord, wire))
    {
        return false;
    }
    PostEphemerisInfo();
    return true;
}
