// The entry functions of the fuzz targets, one a target: each takes one input as libFuzzer hands
// it over. The fuzz targets call them, and the fuzz test suite replays the kept findings through
// the very same functions. A broken invariant (FUZZ_CHECK) prints where and aborts, which
// libFuzzer reports as a crash with its input and the replaying test as a failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

[[noreturn]] inline void BrokenFuzzInvariant(const char* pszFile, int nLine, const char* pszCheck)
{
    std::fprintf(stderr, "%s:%d: fuzz invariant broken: %s\n", pszFile, nLine, pszCheck);
    std::abort();
}
#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? void() : BrokenFuzzInvariant(__FILE__, __LINE__, #condition))

class CMainWindowStandIn;

namespace fuzz_entry
{

using EntryFunction = void (*)(const std::uint8_t* pData, std::size_t nSize);

// The target of that name ("framer", "nmea", ...; fuzz/targets.txt), or null.
EntryFunction FindEntry(std::string_view name);

// The whole receive path, engine included (StreamEntry.cpp).
void Stream(const std::uint8_t* pData, std::size_t nSize);
// The framer alone, with its byte accounting (FramerEntry.cpp).
void Framer(const std::uint8_t* pData, std::size_t nSize);
// Framed messages through one model family's Parse (SentenceEntry.cpp).
extern const EntryFunction NmeaSentences, AshtechSentences, Axis3Sentences, OemSentences;
// The field tokenizer and the decimal conversion (TextEntry.cpp).
void Tokenizer(const std::uint8_t* pData, std::size_t nSize);
void Decimal(const std::uint8_t* pData, std::size_t nSize);
// The profile reader and the fix-quality table reader, over a file (FileEntry.cpp).
void Profile(const std::uint8_t* pData, std::size_t nSize);
void StatusTable(const std::uint8_t* pData, std::size_t nSize);

// The receiver entries' host window, made on the first call and kept for the whole run: it
// deletes the records the receiver publishes.
CMainWindowStandIn& MainWindow();
// Shared receiver records and flags back to their state at load; pauses counted out, not slept.
void PrepareReceiverRun();

// Characters of the bytes' values.
inline std::wstring Widen(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    return std::wstring(p, p + bytes.size());
}

// The next read size, 1 to nLargest bytes, from a xorshift state.
inline std::size_t NextChunk(std::uint32_t& nState, std::size_t nLargest)
{
    nState ^= nState << 13;
    nState ^= nState >> 17;
    nState ^= nState << 5;
    return 1 + nState % nLargest;
}

} // namespace fuzz_entry
