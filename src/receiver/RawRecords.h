// Decoded Ashtech binary measurement records, the arguments of CGPSDataRaw::AddSatelliteData.
// DataRecord_G12_MBN mirrors the 42-byte MBN record byte for byte (packed, no padding); its
// decoder zero-fills it and converts every multi-byte field from the receiver's big-endian order,
// so the values held here are in host order.
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// One satellite's code and carrier measurement (MBN record).
struct DataRecord_G12_MBN
{
    std::int8_t m_cMarker;    // always 1 in a valid record
    std::int8_t m_cLeft;      // records still to come in this epoch; 0 marks the last
    std::int8_t m_cPRN;       // satellite number; records with 0 or less are refused
    std::int8_t m_cByte3;     // copied, not used
    std::int32_t m_lTag;      // tag word; the measurement keeps it divided by 500
    std::int8_t m_cByte8;     // copied, not used
    std::int8_t m_cQuality;   // measurement quality; 24 for a usable measurement
    std::int8_t m_cByte10;    // copied, not used
    std::int8_t m_cByte11;    // copied, not used
    double m_dRawRange;       // raw range, seconds (already reduced by the decoder)
    std::int32_t m_lDoppler;  // Doppler, units of 0.0001 Hz
    double m_dFullPhase;      // full carrier phase, cycles
    double m_dUnfilled;       // bytes 32-39 of the record: never read, left zero
    std::int16_t m_nChecksum; // sum of the big-endian words of bytes 0-39
};

// A C/A-code measurement (MCA record). Receivers frame it, but no decoder here produces it; only
// the satellite number (the fourth byte), the full phase and the Doppler after it are read.
struct DataRecord_G12_MCA
{
    std::int8_t m_cMarker;
    std::int8_t m_cLeft;
    std::int8_t m_cByte2;
    std::uint8_t m_cPRN;     // satellite number, unsigned
    double m_dFullPhase;     // full carrier phase, cycles
    std::int32_t m_lDoppler; // Doppler, units of 0.0001 Hz
};

#pragma pack(pop)

static_assert(sizeof(DataRecord_G12_MBN) == 42, "the MBN record is 42 bytes");
static_assert(offsetof(DataRecord_G12_MBN, m_cPRN) == 2);
static_assert(offsetof(DataRecord_G12_MBN, m_lTag) == 4);
static_assert(offsetof(DataRecord_G12_MBN, m_cQuality) == 9);
static_assert(offsetof(DataRecord_G12_MBN, m_dRawRange) == 12);
static_assert(offsetof(DataRecord_G12_MBN, m_lDoppler) == 20);
static_assert(offsetof(DataRecord_G12_MBN, m_dFullPhase) == 24);
static_assert(offsetof(DataRecord_G12_MBN, m_dUnfilled) == 32);
static_assert(offsetof(DataRecord_G12_MBN, m_nChecksum) == 40);
static_assert(offsetof(DataRecord_G12_MCA, m_cPRN) == 3, "the satellite is the fourth byte");
static_assert(offsetof(DataRecord_G12_MCA, m_dFullPhase) <
              offsetof(DataRecord_G12_MCA, m_lDoppler));
