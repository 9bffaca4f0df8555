// The whole receive path: arbitrary bytes reach a receiver through the engine's own delivery step,
// as the acquisition thread hands them over, from the port in reads of varying size or from an
// emulation file line by line. The framing buffer with its overflow rule, every parser behind
// Parse and the publishing to the host window all run;
// the window deletes what it is given, so a record that is lost or freed twice is a finding.
//
// Input: three header bytes, then the stream.
//   byte 0  bit 0     receiver: 0 the plain NMEA model, 1 a model of a receiver family with
//                     replies and raw data, chosen by byte 1 modulo 6 (see kFamilyModels)
//           bit 1     attach every message's bytes for the binary decoders
//           bit 2     emulation: lines (LF-separated) each with CR LF appended
//           bit 3     sentence monitoring on
//           bits 4-5  geoid height mode 0, 1, 2, 2
//           bits 6-7  largest port read: 16, 256, 4096 or 16393 bytes
//   bytes 1-2  seed of the read sizes
// The receiver's pauses (the "$BIN" re-request's) are counted out, not slept: the sleep hook.
#include "FuzzEntries.h"
#include "MainWindow.h"

#include "engine/ZIDOvoine.h"
#include "models/Ashtech.h"
#include "models/Gsr2650lb.h"
#include "models/SokkiaAxis3.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace
{

constexpr std::size_t kHeaderSize = 3;

// One model of each family whose replies or raw data the receiver parses.
template <class TModel> CDOZOzoeiver* Make()
{
    return new TModel;
}
constexpr CDOZOzoeiver* (*kFamilyModels[])() = {&Make<CAshtech>,     &Make<CCSI>,
                                                &Make<CStarlink>,    &Make<CSokkia>,
                                                &Make<CSokkiaAxis3>, &Make<Cgsr2650lb>};
constexpr std::size_t kMaxReads[] = {16, 256, 4096, 16393};

// The port: reads of 1 to nMaxRead bytes, sizes drawn from the seed.
void FeedReads(const std::uint8_t* pData, std::size_t nSize, std::uint32_t nSeed,
               std::size_t nMaxRead, CZIDOvoine& engine)
{
    std::uint32_t nState = nSeed | 1U;
    for (std::size_t i = 0; i < nSize;)
    {
        nState ^= nState << 13;
        nState ^= nState >> 17;
        nState ^= nState << 5;
        const std::size_t n = std::min<std::size_t>(1 + nState % nMaxRead, nSize - i);
        CBinBuffer chunk(reinterpret_cast<const char*>(pData + i), static_cast<int>(n));
        engine.UpdateGPSBuffer(chunk);
        fuzz_entry::MainWindow().Pump();
        i += n;
    }
}

// An emulation file: the line reader drops the CR before a LF and keeps every other byte; a
// pause marker is framed as it is, every other line gets CR LF.
void FeedLines(const std::uint8_t* pData, std::size_t nSize, CZIDOvoine& engine)
{
    std::size_t nStart = 0;
    while (nStart < nSize)
    {
        std::size_t nEnd = nStart;
        while (nEnd < nSize && pData[nEnd] != '\n')
        {
            ++nEnd;
        }
        const std::size_t nNext = nEnd + 1;
        if (nEnd < nSize && nEnd > nStart && pData[nEnd - 1] == '\r')
        {
            --nEnd;
        }
        std::wstring text(pData + nStart, pData + nEnd);
        if (text.rfind(L"VKR PAUSE", 0) != 0)
        {
            text += L"\r\n";
        }
        CString line(std::move(text));
        CBinBuffer chunk(line);
        engine.UpdateGPSBuffer(chunk);
        fuzz_entry::MainWindow().Pump();
        nStart = nNext;
    }
}

void Run(const std::uint8_t* pData, std::size_t nSize)
{
    const std::uint8_t nFlags = pData[0];
    // The engine owns its receivers; without a name match it selects its default NMEA model.
    CZIDOvoine engine;
    CDOZOzoeiver* pReceiver = engine.FindReceiver(CString());
    if ((nFlags & 0x01) != 0)
    {
        pReceiver = kFamilyModels[pData[1] % std::size(kFamilyModels)]();
        engine.AddReceiver(pReceiver);
    }
    engine.SetReceiver(pReceiver);
    engine.m_bAttachRawData = (nFlags & 0x02) != 0;
    pReceiver->m_nHeightMode = std::min((nFlags >> 4) & 0x03, 2);
    if ((nFlags & 0x08) != 0)
    {
        pReceiver->MonitorNmea(true);
    }
    const std::uint8_t* pStream = pData + kHeaderSize;
    const std::size_t nStream = nSize - kHeaderSize;
    if ((nFlags & 0x04) != 0)
    {
        FeedLines(pStream, nStream, engine);
    }
    else
    {
        const std::uint32_t nSeed = static_cast<std::uint32_t>(pData[1]) << 8 | pData[2];
        FeedReads(pStream, nStream, nSeed, kMaxReads[nFlags >> 6], engine);
    }
    fuzz_entry::MainWindow().Pump();
}

} // namespace

namespace fuzz_entry
{

void Stream(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize < kHeaderSize)
    {
        return;
    }
    MainWindow();
    PrepareReceiverRun();
    Run(pData, nSize);
}

} // namespace fuzz_entry
