// Big-endian fields of the receivers' binary records, as they lie in the record: a field is its
// bytes, read into a value of the host's order only when asked. Records are laid out as packed
// structs of these fields and filled with memcpy, so nothing is read through a misaligned pointer.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

template <class T> struct SBigEndian
{
    static_assert(std::is_arithmetic_v<T> &&
                  (sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8));
    using Unsigned = std::conditional_t<
        sizeof(T) == 1, std::uint8_t,
        std::conditional_t<sizeof(T) == 2, std::uint16_t,
                           std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;

    std::uint8_t m_Bytes[sizeof(T)];

    T Value() const
    {
        Unsigned nBits = 0;
        for (std::uint8_t byte : m_Bytes)
        {
            nBits = static_cast<Unsigned>((nBits << 8) | byte);
        }
        return std::bit_cast<T>(nBits);
    }
};

// A record of one of these layouts, copied out of a message's bytes.
template <class TRecord> TRecord ReadRecord(const void* pBytes)
{
    static_assert(std::is_trivially_copyable_v<TRecord> && alignof(TRecord) == 1);
    TRecord record;
    std::memcpy(&record, pBytes, sizeof(TRecord));
    return record;
}

// The sum of the big-endian 16-bit words of the first nBytes bytes (an even count), modulo
// 65536: the checksum of the Ashtech binary records.
inline std::uint16_t BigEndianWordSum(const void* pBytes, int nBytes)
{
    const auto* p = static_cast<const std::uint8_t*>(pBytes);
    std::uint16_t nSum = 0;
    for (int i = 0; i + 1 < nBytes; i += 2)
    {
        nSum = static_cast<std::uint16_t>(nSum + ((p[i] << 8) | p[i + 1]));
    }
    return nSum;
}
