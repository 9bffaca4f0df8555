// Ashtech binary raw records built from their byte layouts, for tests: big-endian fields at their
// offsets, the sum of the record's 16-bit words after them, and the head ("$PASHR,<kind>,") and
// line end around the record as a receiver sends it.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <type_traits>

class CRecordBytes
{
public:
    explicit CRecordBytes(int nSize) : m_bytes(static_cast<std::size_t>(nSize), '\0') {}

    template <class T> CRecordBytes& Put(int nOffset, T value)
    {
        using U = std::conditional_t<
            sizeof(T) == 1, std::uint8_t,
            std::conditional_t<sizeof(T) == 2, std::uint16_t,
                               std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;
        const auto bits = std::bit_cast<U>(value);
        for (std::size_t i = 0; i < sizeof(T); ++i)
        {
            m_bytes[static_cast<std::size_t>(nOffset) + i] =
                static_cast<char>((bits >> (8 * (sizeof(T) - 1 - i))) & 0xFF);
        }
        return *this;
    }

    // The record closed by its checksum (one more than the sum when bGood is false), framed as
    // "$PASHR,<kind>," + record + CR LF.
    std::string Framed(const std::string& strKind, bool bGood = true)
    {
        const int nSumBytes = static_cast<int>(m_bytes.size()) - 2;
        std::uint16_t nSum = 0;
        for (int i = 0; i + 1 < nSumBytes; i += 2)
        {
            nSum = static_cast<std::uint16_t>(nSum + ((Byte(i) << 8) | Byte(i + 1)));
        }
        Put(nSumBytes, static_cast<std::uint16_t>(bGood ? nSum : nSum + 1));
        return "$PASHR," + strKind + "," + m_bytes + "\r\n";
    }

private:
    unsigned Byte(int i) const { return static_cast<unsigned char>(m_bytes[std::size_t(i)]); }

    std::string m_bytes;
};

// One satellite's measurement.
struct SMbn
{
    std::int8_t nPRN = 5;
    std::int8_t nLeft = 0;         // records still to come in the epoch
    double dRawRange = 0.5;        // seconds, as the receiver counts it
    std::int32_t nDoppler = 12345; // 0.0001 Hz
    double dPhase = 1000.25;       // cycles
    std::int32_t nTag = 1000;
    std::int8_t nQuality = 24;
    std::int8_t nMarker = 1;
};

inline std::string MbnMessage(const SMbn& m, bool bGood = true)
{
    return CRecordBytes(42)
        .Put(0, m.nMarker)
        .Put(1, m.nLeft)
        .Put(2, m.nPRN)
        .Put(4, m.nTag)
        .Put(9, m.nQuality)
        .Put(12, m.dRawRange)
        .Put(20, m.nDoppler)
        .Put(24, m.dPhase)
        .Framed("MBN", bGood);
}

// The navigation record of an epoch.
inline std::string PbnMessage(std::int32_t nMilliseconds, double dX, double dY, double dZ,
                              float fClockOffset = 0.0f, float fClockDrift = 0.0f,
                              bool bGood = true)
{
    return CRecordBytes(56)
        .Put(0, nMilliseconds)
        .Put(8, dX)
        .Put(16, dY)
        .Put(24, dZ)
        .Put(32, fClockOffset)
        .Put(48, fClockDrift)
        .Framed("PBN", bGood);
}

// An ephemeris with the week, times and satellite given and fixed orbit values.
inline std::string SnvMessage(std::int16_t nWeek, std::int32_t nTOE, std::int8_t nPRN,
                              bool bGood = true)
{
    return CRecordBytes(132)
        .Put(0, nWeek)
        .Put(2, nTOE - 18)         // TOW of the message
        .Put(6, -1.1641532e-8f)    // TGD
        .Put(10, std::int32_t{37}) // AODC
        .Put(14, nTOE)             // TOC
        .Put(22, -6.8212103e-13f)  // AF1
        .Put(26, 1.2345e-4f)       // AF0
        .Put(30, std::int32_t{37}) // AODE
        .Put(34, 1.4e-9f)          // delta n, semicircles/s
        .Put(38, 0.25)             // M0, semicircles
        .Put(46, 0.0123)           // e
        .Put(54, 5153.65)          // sqrt(A)
        .Put(62, nTOE)             // TOE
        .Put(90, -0.5)             // OMEGA0, semicircles
        .Put(98, 0.3)              // omega, semicircles
        .Put(106, 0.31)            // i0, semicircles
        .Put(114, -2.6e-9f)        // OMEGA dot, semicircles/s
        .Put(128, static_cast<std::int8_t>(nPRN - 1))
        .Framed("SNV", bGood);
}
