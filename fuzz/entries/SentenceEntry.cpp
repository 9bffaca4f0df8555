// Framed messages straight into one model family's Parse, as the engine hands them over but
// without the engine, the port reads or the host's text collection, so the parsers get nearly all
// of the time. Each input runs with the framer's facts (ParseFramed, as the engine calls it) and
// with Parse, which must agree; any exception that leaves them is a finding (their parsers catch
// their own conversion failures). Byte 0 sets the receiver up, the framer cuts the rest at once:
//   bit 0     attach every message's bytes for the binary decoders
//   bit 1     sentence monitoring on
//   bits 2-3  geoid height mode 0, 1, 2, 2
#include "FuzzEntries.h"

#include "framing/BinBuffer.h"
#include "models/Ashtech.h"
#include "models/Gsr2650lb.h"
#include "models/NmeaModels.h"
#include "models/SokkiaAxis3.h"
#include "support/MainWindowStandIn.h"

#include <algorithm>
#include <vector>

namespace
{

// Each message's answer, then the kinds monitoring saw.
template <class TModel>
std::vector<DWORD> ParseAll(const std::uint8_t* pData, std::size_t nSize, bool bFramed)
{
    fuzz_entry::PrepareReceiverRun();
    TModel receiver;
    const std::uint8_t nFlags = pData[0];
    receiver.m_nHeightMode = std::min((nFlags >> 2) & 0x03, 2);
    receiver.MonitorNmea((nFlags & 0x02) != 0);
    CBinBuffer buffer(reinterpret_cast<const char*>(pData + 1), static_cast<int>(nSize - 1));
    CString strText;
    CBinBuffer::SMessageFacts facts;
    std::vector<DWORD> answers;
    // The engine's walk: a walk may report success without a message, which ends it too.
    buffer.First();
    for (bool bMore = true; bMore && buffer.HasMessage(); bMore = buffer.Next())
    {
        buffer.GetMessage(strText, facts);
        if ((nFlags & 0x01) != 0)
        {
            int nLength = 0;
            const char* pBytes = buffer.GetMessageBin(nLength);
            receiver.AttachRawData(pBytes, nLength);
        }
        answers.push_back(bFramed ? receiver.ParseFramed(strText, facts) : receiver.Parse(strText));
    }
    fuzz_entry::MainWindow().Pump();
    answers.push_back(CDOZOzoeiver::m_wNmeaBits);
    return answers;
}

// The engine passes the framer's facts to the library's own classes; they must answer as the
// text itself would.
template <class TModel> void ParseWith(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize >= 2)
    {
        fuzz_entry::MainWindow();
        FUZZ_CHECK(ParseAll<TModel>(pData, nSize, true) == ParseAll<TModel>(pData, nSize, false));
    }
}

} // namespace

const fuzz_entry::EntryFunction fuzz_entry::NmeaSentences = &ParseWith<COtherGps>;
const fuzz_entry::EntryFunction fuzz_entry::AshtechSentences = &ParseWith<CAshtech>;
const fuzz_entry::EntryFunction fuzz_entry::Axis3Sentences = &ParseWith<CSokkiaAxis3>;
const fuzz_entry::EntryFunction fuzz_entry::OemSentences = &ParseWith<Cgsr2650lb>;
