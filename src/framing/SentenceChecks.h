// What a sentence's text says about itself: where a port tag sits and whether its NMEA checksum
// holds. Read the same way from the received bytes (the framer, while it copies a message out)
// and from the wide text a receiver parses, so that both give one answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace sentence_checks
{

// A line may arrive with a six-character port tag in front ("[COM1]").
constexpr std::size_t s_nPortTagLength = 6;

// Where the first port tag starts, or npos. Looks for the bracket first, which sentences do not
// otherwise hold, so the usual line costs one fast scan.
template <class Char> std::size_t FindPortTag(std::basic_string_view<Char> text)
{
    constexpr Char tag[] = {'[', 'C', 'O', 'M'};
    const std::basic_string_view<Char> prefix(tag, 4);
    for (std::size_t i = text.find(prefix[0]); i != text.npos; i = text.find(prefix[0], i + 1))
    {
        if (text.substr(i, prefix.size()) == prefix)
        {
            return i;
        }
    }
    return text.npos;
}

// The XOR of the characters' low bytes. Eight bytes are combined at a time and folded at the
// end: the XOR of the low bytes is the low byte of the XOR of the characters.
template <class Char> unsigned XorOfLowBytes(const Char* p, std::size_t n)
{
    const auto* pBytes = reinterpret_cast<const unsigned char*>(p);
    const std::size_t nBytes = n * sizeof(Char);
    const auto load = [pBytes](std::size_t i) {
        std::uint64_t nWord = 0;
        std::memcpy(&nWord, pBytes + i, sizeof nWord);
        return nWord;
    };
    std::uint64_t anWords[4] = {};
    std::size_t i = 0;
    for (; i + 32 <= nBytes; i += 32)
    {
        for (std::size_t k = 0; k < 4; ++k)
        {
            anWords[k] ^= load(i + 8 * k);
        }
    }
    std::uint64_t nWords = anWords[0] ^ anWords[1] ^ anWords[2] ^ anWords[3];
    for (; i + 8 <= nBytes; i += 8)
    {
        nWords ^= load(i);
    }
    if (i < nBytes && nBytes >= 8)
    {
        // The last word read again, shifted so that only the bytes not yet counted remain; whole
        // characters stay at character boundaries.
        nWords ^= load(nBytes - 8) >> (8 * (8 - (nBytes - i)));
    }
    else
    {
        for (; i < nBytes; i += sizeof(Char))
        {
            nWords ^= pBytes[i];
        }
    }
    for (unsigned nShift = 32; nShift >= 8 * sizeof(Char); nShift /= 2)
    {
        nWords ^= nWords >> nShift;
    }
    return static_cast<unsigned>(nWords & 0xFF);
}

template <class Char> int HexDigitValue(Char c)
{
    if (c >= '0' && c <= '9')
    {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F')
    {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f')
    {
        return c - 'a' + 10;
    }
    return -1;
}

// "$" payload "*" hh: the XOR of the payload's characters against up to four hex digits (either
// case), compared on the low 8 bits. No "*" after the "$" means no checksum: refused.
template <class Char> bool IsChecksumOK(std::basic_string_view<Char> text)
{
    const std::size_t nDollar = !text.empty() && text[0] == '$' ? 0 : text.find(Char('$'));
    const std::size_t nStar = text.find(Char('*'));
    if (nDollar == text.npos || nStar == text.npos || nStar <= nDollar)
    {
        return false;
    }
    unsigned nChecksum = 0;
    for (std::size_t i = nStar + 1; i < text.size() && i <= nStar + 4; ++i)
    {
        const int nDigit = HexDigitValue(text[i]);
        if (nDigit < 0)
        {
            break;
        }
        nChecksum = (nChecksum << 4) | static_cast<unsigned>(nDigit);
    }
    // The sum starts with the character after "$": the "*" itself when the payload is empty.
    const std::size_t nPayload = nStar - nDollar - 1;
    return XorOfLowBytes(text.data() + nDollar + 1, nPayload == 0 ? 1 : nPayload) ==
           (nChecksum & 0xFF);
}

} // namespace sentence_checks
