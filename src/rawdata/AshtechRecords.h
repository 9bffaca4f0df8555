// The Ashtech binary raw records as they arrive after their 11-character head ("$PASHR", a comma,
// the kind and a comma): big-endian fields at fixed offsets, each record closed by the sum of its
// 16-bit words. The decoders copy a record into one of these layouts and read its fields.
#pragma once

#include "rawdata/BigEndian.h"

#include <cstddef>

#pragma pack(push, 1)

// MBN: one satellite's code and carrier measurement.
struct SMbnWire
{
    std::int8_t m_cMarker; // 1
    std::int8_t m_cLeft;   // records still to come in the epoch
    std::int8_t m_cPRN;    // satellite number
    std::int8_t m_cByte3;
    SBigEndian<std::int32_t> m_lTag; // tag word
    std::int8_t m_cByte8;
    std::int8_t m_cQuality; // 24 for a usable measurement
    std::int8_t m_cByte10;
    std::int8_t m_cByte11;
    SBigEndian<double> m_dRawRange;      // seconds
    SBigEndian<std::int32_t> m_lDoppler; // 0.0001 Hz
    SBigEndian<double> m_dFullPhase;     // cycles
    std::uint8_t m_Unread[8];
    SBigEndian<std::uint16_t> m_nChecksum;
};

// PBN: the receiver's navigation position and clock for the epoch.
struct SPbnWire
{
    SBigEndian<std::int32_t> m_lTime; // milliseconds of the GPS week
    std::uint8_t m_Unread[4];
    SBigEndian<double> m_dX; // earth-centred earth-fixed, metres
    SBigEndian<double> m_dY;
    SBigEndian<double> m_dZ;
    SBigEndian<float> m_fClockOffset; // metres
    SBigEndian<float> m_fUnused[3];
    SBigEndian<float> m_fClockDrift; // metres per second
    SBigEndian<std::uint16_t> m_nUnused;
    SBigEndian<std::uint16_t> m_nChecksum;
};

// SNV: one satellite's broadcast ephemeris, angles in semicircles.
struct SSnvWire
{
    SBigEndian<std::int16_t> m_nWeek;
    SBigEndian<std::int32_t> m_nTOW;
    SBigEndian<float> m_fTGD;
    SBigEndian<std::int32_t> m_nAODC;
    SBigEndian<std::int32_t> m_nTOC;
    SBigEndian<float> m_fAF2;
    SBigEndian<float> m_fAF1;
    SBigEndian<float> m_fAF0;
    SBigEndian<std::int32_t> m_nAODE;
    SBigEndian<float> m_fDeltaN;
    SBigEndian<double> m_dM0;
    SBigEndian<double> m_dE;
    SBigEndian<double> m_dRootA;
    SBigEndian<std::int32_t> m_nTOE;
    SBigEndian<float> m_fCic;
    SBigEndian<float> m_fCrc;
    SBigEndian<float> m_fCis;
    SBigEndian<float> m_fCrs;
    SBigEndian<float> m_fCuc;
    SBigEndian<float> m_fCus;
    SBigEndian<double> m_dOmega0;
    SBigEndian<double> m_dOmega;
    SBigEndian<double> m_dI0;
    SBigEndian<float> m_fOmegaDot;
    SBigEndian<float> m_fIDot;
    std::uint8_t m_Unread[6];
    std::int8_t m_cPRNLessOne; // satellite number minus 1
    std::uint8_t m_cUnread;
    SBigEndian<std::uint16_t> m_nChecksum;
};

#pragma pack(pop)

// The head before every record: "$PASHR", a comma, the kind and a comma.
constexpr int ASHTECH_RECORD_HEAD = 11;

static_assert(sizeof(SMbnWire) == 42 && offsetof(SMbnWire, m_lTag) == 4 &&
              offsetof(SMbnWire, m_cQuality) == 9 && offsetof(SMbnWire, m_dRawRange) == 12 &&
              offsetof(SMbnWire, m_lDoppler) == 20 && offsetof(SMbnWire, m_dFullPhase) == 24 &&
              offsetof(SMbnWire, m_nChecksum) == 40);
static_assert(sizeof(SPbnWire) == 56 && offsetof(SPbnWire, m_dX) == 8 &&
              offsetof(SPbnWire, m_dZ) == 24 && offsetof(SPbnWire, m_fClockOffset) == 32 &&
              offsetof(SPbnWire, m_fClockDrift) == 48 && offsetof(SPbnWire, m_nChecksum) == 54);
static_assert(sizeof(SSnvWire) == 132 && offsetof(SSnvWire, m_nTOW) == 2 &&
              offsetof(SSnvWire, m_nAODE) == 30 && offsetof(SSnvWire, m_dM0) == 38 &&
              offsetof(SSnvWire, m_nTOE) == 62 && offsetof(SSnvWire, m_dOmega0) == 90 &&
              offsetof(SSnvWire, m_fOmegaDot) == 114 && offsetof(SSnvWire, m_cPRNLessOne) == 128 &&
              offsetof(SSnvWire, m_nChecksum) == 130);
