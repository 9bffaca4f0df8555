// The entry functions of the fuzz targets, one a target: each takes one input as libFuzzer hands
// it over. The fuzz targets call them, and the fuzz test suite replays the kept findings through
// the very same functions. A broken invariant aborts (FuzzCheck.h), so it counts as a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fuzz_entry
{

using EntryFunction = void (*)(const std::uint8_t* pData, std::size_t nSize);

// The whole receive path, engine included (StreamEntry.cpp).
void Stream(const std::uint8_t* pData, std::size_t nSize);
// The framer alone, with its byte accounting (FramerEntry.cpp).
void Framer(const std::uint8_t* pData, std::size_t nSize);
// Framed messages through one model family's Parse (SentenceEntry.cpp).
void NmeaSentences(const std::uint8_t* pData, std::size_t nSize);
void AshtechSentences(const std::uint8_t* pData, std::size_t nSize);
void Axis3Sentences(const std::uint8_t* pData, std::size_t nSize);
void OemSentences(const std::uint8_t* pData, std::size_t nSize);
// The field tokenizer and the decimal conversion (TextEntry.cpp).
void Tokenizer(const std::uint8_t* pData, std::size_t nSize);
void Decimal(const std::uint8_t* pData, std::size_t nSize);
// The profile reader and the fix-quality table reader, over a file (FileEntry.cpp).
void Profile(const std::uint8_t* pData, std::size_t nSize);
void StatusTable(const std::uint8_t* pData, std::size_t nSize);

// The target of that name ("framer", "nmea", ...), or null.
EntryFunction FindEntry(std::string_view name);

} // namespace fuzz_entry
