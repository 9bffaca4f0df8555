// Ashtech binary raw records built from their byte layouts, for tests: big-endian fields at their
// offsets, the sum of the record's 16-bit words after them, and the head ("$PASHR,<kind>,") and
// line end around the record as a receiver sends it.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <string>

class CRecordBytes
{
public:
    explicit CRecordBytes(int nSize) : m_bytes(static_cast<std::size_t>(nSize), '\0') {}

    template <class T> CRecordBytes& Put(int nOffset, T value)
    {
        auto bytes = std::bit_cast<std::array<char, sizeof(T)>>(value);
        if constexpr (std::endian::native == std::endian::little)
        {
            std::reverse(bytes.begin(), bytes.end());
        }
        std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + nOffset);
        return *this;
    }

    // The record closed by its checksum (one more than the sum when bGood is false) and framed.
    std::string Framed(const std::string& strKind, bool bGood)
    {
        const std::size_t nSumBytes = m_bytes.size() - 2;
        unsigned nSum = bGood ? 0 : 1;
        for (std::size_t i = 0; i + 1 < nSumBytes; i += 2)
        {
            nSum += (static_cast<unsigned char>(m_bytes[i]) << 8) |
                    static_cast<unsigned char>(m_bytes[i + 1]);
        }
        Put(static_cast<int>(nSumBytes), static_cast<std::uint16_t>(nSum));
        return "$PASHR," + strKind + "," + m_bytes + "\r\n";
    }

private:
    std::string m_bytes;
};

// One satellite's measurement.
struct SMbn
{
    std::int8_t nPRN = 5;
    double dRawRange = 0.5; // seconds, as the receiver counts it
    std::int8_t nQuality = 24;
    std::int8_t nMarker = 1;
};

inline std::string MbnMessage(const SMbn& m, bool bGood = true)
{
    return CRecordBytes(42)
        .Put(0, m.nMarker)
        .Put(2, m.nPRN)
        .Put(9, m.nQuality)
        .Put(12, m.dRawRange)
        .Framed("MBN", bGood);
}

// The navigation record of an epoch: GPS time of week in milliseconds, earth-centred position,
// receiver clock offset in metres.
inline std::string PbnMessage(std::int32_t nMilliseconds, double dX, double dY, double dZ,
                              float fClockOffset = 0.0f, bool bGood = true)
{
    return CRecordBytes(56)
        .Put(0, nMilliseconds)
        .Put(8, dX)
        .Put(16, dY)
        .Put(24, dZ)
        .Put(32, fClockOffset)
        .Framed("PBN", bGood);
}

// An ephemeris of week 2400, which is published unless the record is damaged.
inline std::string SnvMessage(std::int8_t nPRN, bool bGood = true)
{
    return CRecordBytes(132)
        .Put(0, std::int16_t{2400})
        .Put(128, static_cast<std::int8_t>(nPRN - 1))
        .Framed("SNV", bGood);
}
