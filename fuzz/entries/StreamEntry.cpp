// The whole receive path: arbitrary bytes reach a receiver through the engine's own delivery step,
// from the port in reads of varying size or from an emulation file line by line. The framing
// buffer with its overflow rule, every parser behind Parse and the publishing to the host window
// all run; the window deletes what it is given, so a record lost or freed twice is a finding.
// Input: three header bytes, then the stream.
//   byte 0  bit 0     receiver: 0 the plain NMEA model, 1 a model of a receiver family with
//                     replies and raw data, chosen by byte 1 modulo 6 (see kFamilyModels)
//           bit 1     attach every message's bytes for the binary decoders
//           bit 2     emulation: lines (LF-separated) each with CR LF appended
//           bit 3     sentence monitoring on
//           bits 4-5  geoid height mode 0, 1, 2, 2
//           bits 6-7  largest port read: 16, 256, 4096 or 16393 bytes
//   bytes 1-2  seed of the read sizes
#include "FuzzEntries.h"

#include "engine/ZIDOvoine.h"
#include "models/Ashtech.h"
#include "models/Gsr2650lb.h"
#include "models/SokkiaAxis3.h"
#include "support/MainWindowStandIn.h"

#include <algorithm>

namespace
{

// One model of each family whose replies or raw data the receiver parses.
template <class TModel> CDOZOzoeiver* Make()
{
    return new TModel;
}
constexpr CDOZOzoeiver* (*kFamilyModels[])() = {&Make<CAshtech>,     &Make<CCSI>,
                                                &Make<CStarlink>,    &Make<CSokkia>,
                                                &Make<CSokkiaAxis3>, &Make<Cgsr2650lb>};
constexpr std::size_t kMaxReads[] = {16, 256, 4096, 16393};

void Deliver(CBinBuffer chunk, CZIDOvoine& engine)
{
    engine.UpdateGPSBuffer(chunk);
    fuzz_entry::MainWindow().Pump();
}

} // namespace

void fuzz_entry::Stream(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize < 3)
    {
        return;
    }
    MainWindow();
    PrepareReceiverRun();
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
    const std::string_view stream(reinterpret_cast<const char*>(pData) + 3, nSize - 3);
    if ((nFlags & 0x04) != 0)
    {
        // An emulation file: the line reader drops the CR before a LF and keeps every other
        // byte; a pause marker is framed as it is, every other line gets CR LF.
        for (std::size_t nStart = 0, nEnd = 0; nStart < stream.size(); nStart = nEnd + 1)
        {
            nEnd = std::min(stream.find('\n', nStart), stream.size());
            std::string_view line = stream.substr(nStart, nEnd - nStart);
            if (nEnd < stream.size() && line.ends_with('\r'))
            {
                line.remove_suffix(1);
            }
            CString text(Widen(line) + (line.starts_with("VKR PAUSE") ? L"" : L"\r\n"));
            Deliver(CBinBuffer(text), engine);
        }
    }
    else
    {
        // The port: reads of 1 to the largest bytes, sizes drawn from the seed.
        std::uint32_t nState = (static_cast<std::uint32_t>(pData[1]) << 8 | pData[2]) | 1U;
        for (std::size_t i = 0, n = 0; i < stream.size(); i += n)
        {
            n = std::min(NextChunk(nState, kMaxReads[nFlags >> 6]), stream.size() - i);
            Deliver(CBinBuffer(stream.data() + i, static_cast<int>(n)), engine);
        }
    }
    MainWindow().Pump();
}
