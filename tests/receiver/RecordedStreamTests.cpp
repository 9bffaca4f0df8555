// Every recorded stream of tests/data/gpsd replayed through the plain NMEA receiver the way the
// acquisition thread delivers it, with a stand-in host window collecting what is posted: the
// records the host receives, counted per stream (the values of single fixes are pinned by the
// host program's golden streams, six of them copies of these captures).
#include "models/NmeaModels.h"
#include "support/HostWindow.h"
#include "support/ReceiverProbe.h"
#include "support/Transcript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{

const std::filesystem::path kStreamDir = std::filesystem::path(FIXORA_TEST_DATA_DIR) / "gpsd";
constexpr int kBufferLimit = 16392; // the engine drops its framing buffer at this size
constexpr int kReadSize = 997;      // bytes per port read; any size frames the same
constexpr int kEngineMinSatellites = 4;

// Replays one stream into a fresh receiver the way the engine delivers it: append each chunk
// (the buffer must stay below the engine's limit), attach and parse every whole message. The host
// window keeps what was posted; the result is how many accepted GSV sentences there were.
int Replay(const std::filesystem::path& file, CHostWindow& host)
{
    ResetSharedReceiverState();
    COtherGps receiver;
    receiver.m_nMinSatellites = kEngineMinSatellites; // what the engine hands a new receiver
    int nGsv = 0;
    CBinBuffer buffer;
    auto deliver = [&](const std::string& bytes) {
        buffer += CBinBuffer(bytes.data(), static_cast<int>(bytes.size()));
        ASSERT_LT(buffer.GetLength(), kBufferLimit);
        buffer.GetCurrentMessage();
        for (bool bMore = buffer.HasMessage(); bMore; bMore = buffer.Next() && buffer.HasMessage())
        {
            int nLength = 0;
            const char* pBytes = buffer.GetMessageBin(nLength);
            receiver.AttachRawData(pBytes, nLength);
            CString text = buffer.GetMessage();
            const std::string narrow = text.ToNarrow(); // before Parse, which may change the text
            const bool bGsv =
                narrow.size() > 6 && narrow[0] == '$' && narrow.compare(3, 3, "GSV") == 0;
            nGsv += receiver.Parse(text) && bGsv ? 1 : 0;
        }
        buffer.Resize();
    };
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(bytes.empty()) << file;
    // CR LF streams as the port delivers them; LF-only ones as the emulation replays a file, each
    // line without its line feed, then CR LF.
    const bool bLines = bytes.find('\r') == std::string::npos;
    for (std::size_t i = 0; !bLines && i < bytes.size(); i += kReadSize)
        deliver(bytes.substr(i, kReadSize));
    for (std::size_t i = 0, nEnd; bLines && i < bytes.size(); i = nEnd + 1)
    {
        nEnd = std::min(bytes.find('\n', i), bytes.size());
        deliver(bytes.substr(i, nEnd - i) + "\r\n");
    }
    host.Pump();
    return nGsv;
}

// Per stream, the records the host receives (with a position, with a proprietary sentence, in
// all) and the GSV cycles completed are tests/data/receiver/streams.transcript: read off the
// replay and checked against the sentences by hand where they surprise. The header of ch-4701
// swallows the first GGA; every GGA of firefly-II fails its checksum; garmin17n has a cycle
// without its first sentence; holux-gm-210 a GGA cut before its checksum; mtk-3301 an empty HDOP
// (the fix lost, published by the GSA); rx210 six runs of lost fixes published with 40 fixes;
// each lost fix of saab-r4 is overtaken by a $PFEC text; the Ashtech replies of ac12_binary are
// refused once GSA and GSV have come.
TEST(RecordedStreamReplay, RecordsFollowFromTheSentences)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(kStreamDir))
    {
        if (entry.path().extension() == ".log")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::string transcript;
    for (const std::filesystem::path& file : files)
    {
        CHostWindow host;
        const int nGsv = Replay(file, host);
        int nCounted[2] = {};
        for (const CHostWindow::SMessage& m : host.m_Messages)
        {
            ASSERT_EQ(WM_GPS_POSITION, m.nMessage) << file;
            nCounted[0] += m.pPosition->m_bPosition;
            nCounted[1] += m.pPosition->m_bProprietary;
        }
        transcript += file.filename().string() + ": " + std::to_string(nCounted[0]) +
                      " positions, " + std::to_string(nCounted[1]) + " proprietary, " +
                      std::to_string(host.m_Messages.size()) + " records, " + std::to_string(nGsv) +
                      " GSV cycles\n";
    }
    CompareWithTranscript(transcript, "receiver/streams.transcript");
}

} // namespace
