// Every recorded stream of tests/data/gpsd replayed through the plain NMEA receiver the way the
// acquisition thread delivers it, with a stand-in host window collecting what is posted: the
// records the host receives, counted per stream (the values of single fixes are pinned by the
// host program's golden streams).
#include "models/NmeaModels.h"
#include "support/HostWindow.h"
#include "support/ReceiverProbe.h"
#include "textparse/TextFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

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

struct SDelivered
{
    std::string text; // the message text handed to Parse (CR from the stream, LF appended)
    bool bAccepted;   // what Parse answered
};

// Replays one stream into a fresh receiver the way the engine delivers it: append each chunk,
// (drop everything at the buffer limit), attach and parse every whole message, delete its text.
// The host window keeps what was posted.
std::vector<SDelivered> Replay(const char* file, EFeed eFeed, CHostWindow& host)
{
    ResetSharedReceiverState();
    COtherGps receiver;
    receiver.m_nMinSatellites = kEngineMinSatellites; // what the engine hands a new receiver
    std::vector<SDelivered> delivered;
    CBinBuffer buffer;
    auto deliver = [&](CBinBuffer& chunk) {
        buffer += chunk;
        ASSERT_LT(buffer.GetLength(), kBufferLimit);
        buffer.GetCurrentMessage();
        while (buffer.HasMessage())
        {
            std::unique_ptr<CString> pText(buffer.GetMessageAsPtr());
            int nLength = 0;
            const char* pBytes = buffer.GetMessageBin(nLength);
            receiver.AttachRawData(pBytes, nLength);
            std::string text = pText->ToNarrow();
            const bool bAccepted = receiver.Parse(*pText);
            delivered.push_back({std::move(text), bAccepted});
            if (!buffer.Next())
            {
                break;
            }
        }
        buffer.Resize();
    };

    const std::filesystem::path path = kStreamDir / file;
    if (eFeed == EFeed::Bytes)
    {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        EXPECT_FALSE(bytes.empty()) << path;
        for (std::size_t i = 0; i < bytes.size(); i += kReadSize)
        {
            const std::size_t n = std::min<std::size_t>(kReadSize, bytes.size() - i);
            CBinBuffer chunk(bytes.data() + i, static_cast<int>(n));
            deliver(chunk);
        }
    }
    else
    {
        CTextFile reader(false, false);
        EXPECT_TRUE(reader.Open(path.wstring().c_str(), CTextFile::modeRead | CTextFile::typeText))
            << path;
        CString line;
        while (reader.ReadString(line))
        {
            line += L"\r\n";
            CBinBuffer chunk(line);
            deliver(chunk);
        }
    }
    host.Pump();
    return delivered;
}

// Per stream: the file, how it is fed, and the records the host receives: with a position, with
// a proprietary sentence, in all, and the GSV cycles completed. Read off the replay once and
// checked against the sentences by hand where they surprise.
const std::tuple<const char*, EFeed, int, int, int, int> kStreams[] = {
    {"GPSmap-76S.log", EFeed::Bytes, 12, 0, 24, 12},
    {"ac12_binary.log", EFeed::Bytes, 5, 0, 10, 5}, // Ashtech replies refused after GSA and GSV
    {"beidou-bd.log", EFeed::Bytes, 10, 11, 25, 4},
    {"ch-4701.log", EFeed::Bytes, 26, 27, 57, 4}, // the header swallows the first GGA
    {"eXplorist110.log", EFeed::Bytes, 9, 0, 18, 9},
    {"firefly-II.log", EFeed::Bytes, 0, 0, 0, 0}, // every GGA fails its checksum
    {"garmin17n.log", EFeed::Lines, 2, 8, 10, 0}, // a cycle without its first sentence
    {"garmin48.log", EFeed::Bytes, 7, 14, 28, 7},
    {"holux-gm-210.log", EFeed::Lines, 11, 0, 13, 2}, // one GGA cut before its checksum
    {"humminbird-M37.log", EFeed::Lines, 8, 0, 8, 0},
    {"isync.log", EFeed::Lines, 12, 11, 28, 5},
    {"mtk-3301.log", EFeed::Lines, 11, 4, 18, 3}, // empty HDOP: lost, published by the GSA
    {"myguide-3100.log", EFeed::Bytes, 13, 0, 26, 13},
    {"navika-100-fix.log", EFeed::Bytes, 20, 0, 40, 20},
    {"neo-m8n.log", EFeed::Bytes, 23, 0, 68, 45},
    {"nmea-rtk.log", EFeed::Bytes, 122, 0, 122, 0},
    {"rx210.log", EFeed::Bytes, 46, 0, 49, 4},   // 40 fixes, 6 runs of lost fixes published
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
        int nCounted[3] = {};
        for (const SDelivered& m : Replay(file, eFeed, host))
        {
            nCounted[2] += m.bAccepted && m.text.size() > 6 && m.text[0] == '$' &&
                           m.text.compare(3, 3, "GSV") == 0;
        }
        for (const CHostWindow::SMessage& m : host.m_Messages)
        {
            ASSERT_EQ(WM_GPS_POSITION, m.nMessage);
            nCounted[0] += m.pPosition->m_bPosition;
            nCounted[1] += m.pPosition->m_bProprietary;
        }
        EXPECT_EQ(nPositions, nCounted[0]);
        EXPECT_EQ(nProprietary, nCounted[1]);
        EXPECT_EQ(nRecords, static_cast<int>(host.m_Messages.size()));
        EXPECT_EQ(nCycles, nCounted[2]);
    }
}

} // namespace
