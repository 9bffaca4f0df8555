// Framed messages straight into one model family's Parse, as the engine hands them over but
// without the engine, the port reads or the host's text collection: the parsers get nearly all of
// the time. Each input runs twice, with the framer's facts (ParseFramed, as the engine calls it)
// and with Parse, which must agree. The input's first byte sets the receiver up, the rest is cut
// into messages by the framer in one go.
//   bit 0     attach every message's bytes for the binary decoders
//   bit 1     sentence monitoring on
//   bits 2-3  geoid height mode 0, 1, 2, 2
// Parse never throws: its parsers catch their own conversion failures, so any exception that
// leaves it is a finding.
#include "FuzzCheck.h"
#include "FuzzEntries.h"
#include "MainWindow.h"

#include "framing/BinBuffer.h"
#include "models/Ashtech.h"
#include "models/Gsr2650lb.h"
#include "models/NmeaModels.h"
#include "models/SokkiaAxis3.h"

#include <algorithm>
#include <vector>

namespace
{

// What a run over the input said: each message's answer, and the kinds monitoring saw.
struct SAnswers
{
    std::vector<bool> parsed;
    DWORD wNmeaBits = 0;
};

template <class TModel>
SAnswers ParseAll(const std::uint8_t* pData, std::size_t nSize, bool bFramed)
{
    fuzz_entry::PrepareReceiverRun();
    TModel receiver;
    const std::uint8_t nFlags = pData[0];
    receiver.m_nHeightMode = std::min((nFlags >> 2) & 0x03, 2);
    if ((nFlags & 0x02) != 0)
    {
        receiver.MonitorNmea(true);
    }
    CBinBuffer buffer(reinterpret_cast<const char*>(pData + 1), static_cast<int>(nSize - 1));
    CString strText;
    CBinBuffer::SMessageFacts facts;
    SAnswers answers;
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
        answers.parsed.push_back(bFramed ? receiver.ParseFramed(strText, facts)
                                         : receiver.Parse(strText));
        if (!buffer.Next())
        {
            break;
        }
    }
    fuzz_entry::MainWindow().Pump();
    answers.wNmeaBits = CDOZOzoeiver::m_wNmeaBits;
    return answers;
}

// The engine passes the framer's facts to the library's own classes; they must answer as the
// text itself would.
template <class TModel> void ParseWith(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize < 2)
    {
        return;
    }
    fuzz_entry::MainWindow();
    const SAnswers framed = ParseAll<TModel>(pData, nSize, true);
    const SAnswers plain = ParseAll<TModel>(pData, nSize, false);
    FUZZ_CHECK(framed.parsed == plain.parsed);
    FUZZ_CHECK(framed.wNmeaBits == plain.wNmeaBits);
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
