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
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace
{

const std::filesystem::path kStreamDir = std::filesystem::path(FIXORA_TEST_DATA_DIR) / "gpsd";
constexpr double kDegrees = 180.0 / 3.141592653589793;
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

bool IsGSV(const std::string& s)
{
    return s.size() > 6 && s[0] == '$' && s.compare(3, 3, "GSV") == 0;
}

// ---- counts ------------------------------------------------------------------------------------

struct SStreamRow
{
    const char* legend; // the file
    EFeed eFeed;
    int nPositions;
    int nProprietary;
    int nRecords;
    int nCycles; // completed GSV cycles
};

// Read off the replay once and checked against the sentences by hand where they surprise.
const SStreamRow kStreams[] = {
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
    for (const SStreamRow& row : kStreams)
    {
        SCOPED_TRACE(row.legend);
        CHostWindow host;
        const std::vector<SDelivered> delivered = Replay(row.legend, row.eFeed, host);
        int nPositions = 0;
        int nProprietary = 0;
        for (const CHostWindow::SMessage& m : host.m_Messages)
        {
            ASSERT_EQ(WM_GPS_POSITION, m.nMessage);
            nPositions += m.pPosition->m_bPosition ? 1 : 0;
            nProprietary += m.pPosition->m_bProprietary ? 1 : 0;
        }
        int nCycles = 0;
        for (const SDelivered& m : delivered)
        {
            nCycles += IsGSV(m.text) && m.bAccepted ? 1 : 0;
        }

        EXPECT_EQ(row.nPositions, nPositions);
        EXPECT_EQ(row.nProprietary, nProprietary);
        EXPECT_EQ(row.nRecords, static_cast<int>(host.m_Messages.size()));
        EXPECT_EQ(row.nCycles, nCycles);
    }
}

} // namespace
