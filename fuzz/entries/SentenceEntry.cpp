// Framed messages straight into one model family's Parse, as the engine hands them over but
// without the engine, the port reads or the host's text collection: the parsers get nearly all of
// the time. The input's first byte sets the receiver up, the rest is cut into messages by the
// framer in one go.
//   bit 0     attach every message's bytes for the binary decoders
//   bit 1     sentence monitoring on
//   bit 2     the framer's facts (ParseFramed), as the engine passes them, instead of Parse
//   bits 3-4  geoid height mode 0, 1, 2, 2
// Parse never throws: its parsers catch their own conversion failures, so any exception that
// leaves it is a finding.
#include "FuzzEntries.h"
#include "MainWindow.h"

#include "framing/BinBuffer.h"
#include "models/Ashtech.h"
#include "models/Gsr2650lb.h"
#include "models/NmeaModels.h"
#include "models/SokkiaAxis3.h"
#include "port/Ack.h"
#include "support/ReceiverProbe.h"

#include <algorithm>
#include <memory>

namespace
{

void ParseAll(CDOZOzoeiver& receiver, const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize < 2)
    {
        return;
    }
    const std::uint8_t nFlags = pData[0];
    receiver.m_nHeightMode = std::min((nFlags >> 3) & 0x03, 2);
    if ((nFlags & 0x02) != 0)
    {
        receiver.MonitorNmea(true);
    }
    CBinBuffer buffer(reinterpret_cast<const char*>(pData + 1), static_cast<int>(nSize - 1));
    CString strText;
    CBinBuffer::SMessageFacts facts;
    // The engine's walk: a walk may report success without a message, which ends it too.
    for (buffer.First(); buffer.HasMessage();)
    {
        buffer.GetMessage(strText, facts);
        if ((nFlags & 0x01) != 0)
        {
            int nLength = 0;
            const char* pBytes = buffer.GetMessageBin(nLength);
            receiver.AttachRawData(pBytes, nLength);
        }
        if ((nFlags & 0x04) != 0)
        {
            receiver.ParseFramed(strText, facts);
        }
        else
        {
            receiver.Parse(strText);
        }
        if (!buffer.Next())
        {
            break;
        }
    }
    fuzz_entry::MainWindow().Pump();
}

template <class TModel> void ParseWith(const std::uint8_t* pData, std::size_t nSize)
{
    fuzz_entry::MainWindow();
    fuzz_entry::PrepareReceiverRun();
    TModel receiver;
    ParseAll(receiver, pData, nSize);
}

} // namespace

namespace fuzz_entry
{

void NmeaSentences(const std::uint8_t* pData, std::size_t nSize)
{
    ParseWith<COtherGps>(pData, nSize);
}

void AshtechSentences(const std::uint8_t* pData, std::size_t nSize)
{
    ParseWith<CAshtech>(pData, nSize);
}

void Axis3Sentences(const std::uint8_t* pData, std::size_t nSize)
{
    ParseWith<CSokkiaAxis3>(pData, nSize);
}

void OemSentences(const std::uint8_t* pData, std::size_t nSize)
{
    ParseWith<Cgsr2650lb>(pData, nSize);
}

} // namespace fuzz_entry
