// Every recorded stream of tests/data/gpsd replayed through the plain NMEA receiver the way the
// acquisition thread delivers it, with a stand-in host window collecting what is posted: the
// records the host receives, counted per stream (the values of single fixes are pinned by the
// host program's golden streams).
#include "models/NmeaModels.h"
#include "support/HostWindow.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

namespace
{

const std::filesystem::path kStreamDir = std::filesystem::path(FIXORA_TEST_DATA_DIR) / "gpsd";
constexpr int kBufferLimit = 16392; // the engine drops its framing buffer at this size
constexpr int kReadSize = 997;      // bytes per port read; any size frames the same
constexpr int kEngineMinSatellites = 4;

enum class EFeed
{
    Bytes, // CR LF streams: the bytes as the port delivers them
    Lines  // LF-only streams: as the emulation replays a file, each line plus CR LF
};

// Replays one stream into a fresh receiver the way the engine delivers it: append each chunk
// (the buffer must stay below the engine's limit), attach and parse every whole message. The host
// window keeps what was posted; the result is how many accepted GSV sentences there were.
int Replay(const char* file, EFeed eFeed, CHostWindow& host)
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
    std::ifstream in(kStreamDir / file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(bytes.empty()) << file;
    for (std::size_t i = 0; eFeed == EFeed::Bytes && i < bytes.size(); i += kReadSize)
        deliver(bytes.substr(i, kReadSize));
    // As the emulation replays a file: each line without its line feed, then CR LF.
    for (std::size_t i = 0, nEnd; eFeed == EFeed::Lines && i < bytes.size(); i = nEnd + 1)
    {
        nEnd = std::min(bytes.find('\n', i), bytes.size());
        deliver(bytes.substr(i, nEnd - i) + "\r\n");
    }
    host.Pump();
    return nGsv;
}

// Per stream: the file, how it is fed, and the records the host receives: with a position, with
// a proprietary sentence, in all, and the GSV cycles completed. Read off the replay once and
// checked against the sentences by hand where they surprise. The six captures copied to
// tests/data/streams are left to their golden output, which shows every record.
const std::tuple<const char*, EFeed, int, int, int, int> kStreams[] = {
    {"GPSmap-76S.log", EFeed::Bytes, 12, 0, 24, 12},
    {"beidou-bd.log", EFeed::Bytes, 10, 11, 25, 4},
    {"ch-4701.log", EFeed::Bytes, 26, 27, 57, 4}, // the header swallows the first GGA
    {"eXplorist110.log", EFeed::Bytes, 9, 0, 18, 9},
    {"firefly-II.log", EFeed::Bytes, 0, 0, 0, 0},     // every GGA fails its checksum
    {"garmin17n.log", EFeed::Lines, 2, 8, 10, 0},     // a cycle without its first sentence
    {"holux-gm-210.log", EFeed::Lines, 11, 0, 13, 2}, // one GGA cut before its checksum
    {"isync.log", EFeed::Lines, 12, 11, 28, 5},
    {"mtk-3301.log", EFeed::Lines, 11, 4, 18, 3}, // empty HDOP: lost, published by the GSA
    {"myguide-3100.log", EFeed::Bytes, 13, 0, 26, 13},
    {"neo-m8n.log", EFeed::Bytes, 23, 0, 68, 45},
    {"saab-r4.log", EFeed::Lines, 0, 12, 12, 0}, // each lost fix is overtaken by a $PFEC text
    {"skytraq-PX1172RH_DS.log", EFeed::Bytes, 9, 36, 54, 9},
    {"ublox-zed-f9p-nmea.log", EFeed::Bytes, 29, 0, 145, 116},
    {"ublox8-uniqid-monhw.log", EFeed::Bytes, 4, 0, 14, 10},
};

TEST(RecordedStreamReplay, RecordsFollowFromTheSentences)
{
    for (const auto& [file, eFeed, nPositions, nProprietary, nRecords, nCycles] : kStreams)
    {
        SCOPED_TRACE(file);
        CHostWindow host;
        const int nGsv = Replay(file, eFeed, host);
        int nCounted[2] = {};
        for (const CHostWindow::SMessage& m : host.m_Messages)
        {
            ASSERT_EQ(WM_GPS_POSITION, m.nMessage);
            nCounted[0] += m.pPosition->m_bPosition;
            nCounted[1] += m.pPosition->m_bProprietary;
        }
        EXPECT_EQ(std::make_tuple(nPositions, nProprietary, nRecords, nCycles),
                  std::make_tuple(nCounted[0], nCounted[1],
                                  static_cast<int>(host.m_Messages.size()), nGsv));
    }
}

} // namespace
