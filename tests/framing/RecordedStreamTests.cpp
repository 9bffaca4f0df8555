// Streams recorded from real receivers (tests/data/gpsd, see the README there), framed as the
// acquisition thread frames the bytes it reads from the port.
#include "FramingHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

using namespace framing_test;

namespace
{

const std::filesystem::path kStreamDir = std::filesystem::path(FIXORA_TEST_DATA_DIR) / "gpsd";

enum class ELineEnd
{
    CrLf,    // sentences end in CR LF; some comment lines may end in LF only
    CrLfAll, // every line, comments included, ends in CR LF
    LfOnly   // no carriage return at all
};

struct SStream
{
    const char* file;
    ELineEnd eLineEnd;
};

const SStream kStreams[] = {
    {"GPSmap-76S.log", ELineEnd::CrLf},
    {"ac12_binary.log", ELineEnd::CrLf},
    {"beidou-bd.log", ELineEnd::CrLf},
    {"ch-4701.log", ELineEnd::CrLf},
    {"eXplorist110.log", ELineEnd::CrLf},
    {"firefly-II.log", ELineEnd::CrLf},
    {"garmin17n.log", ELineEnd::LfOnly},
    {"garmin48.log", ELineEnd::CrLf},
    {"holux-gm-210.log", ELineEnd::LfOnly},
    {"humminbird-M37.log", ELineEnd::LfOnly},
    {"isync.log", ELineEnd::LfOnly},
    {"mtk-3301.log", ELineEnd::LfOnly},
    {"myguide-3100.log", ELineEnd::CrLf},
    {"navika-100-fix.log", ELineEnd::CrLfAll},
    {"neo-m8n.log", ELineEnd::CrLfAll},
    {"nmea-rtk.log", ELineEnd::CrLfAll},
    {"rx210.log", ELineEnd::CrLfAll},
    {"saab-r4.log", ELineEnd::LfOnly},
    {"skytraq-PX1172RH_DS.log", ELineEnd::CrLfAll},
    {"ublox-zed-f9p-nmea.log", ELineEnd::CrLfAll},
    {"ublox8-uniqid-monhw.log", ELineEnd::CrLf},
};

std::optional<std::string> ReadStream(const char* file)
{
    std::ifstream in(kStreamDir / file, std::ios::binary);
    if (!in)
    {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#define SKIP_WITHOUT_STREAMS()                                                                     \
    if (!std::filesystem::is_directory(kStreamDir))                                                \
    {                                                                                              \
        GTEST_SKIP() << "recorded streams not found in " << kStreamDir.string();                   \
    }

bool StartsWith(const std::string& s, const std::string& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> Lines(const std::string& stream)
{
    std::vector<std::string> lines;
    std::size_t nStart = 0;
    for (std::size_t nEnd; (nEnd = stream.find('\n', nStart)) != std::string::npos;
         nStart = nEnd + 1)
    {
        lines.push_back(stream.substr(nStart, nEnd - nStart));
    }
    return lines;
}

TEST(RecordedStreams, SameMessagesWholeAndInRandomChunks)
{
    SKIP_WITHOUT_STREAMS();
    for (const SStream& row : kStreams)
    {
        SCOPED_TRACE(row.file);
        const std::optional<std::string> stream = ReadStream(row.file);
        ASSERT_TRUE(stream.has_value());
        const std::vector<std::string> whole = FrameInChunks(*stream, 0);
        EXPECT_FALSE(whole.empty());
        for (std::uint32_t nSeed : {1u, 2u, 3u, 4u, 5u})
        {
            SCOPED_TRACE("seed " + std::to_string(nSeed));
            EXPECT_EQ(whole, FrameInRandomChunks(*stream, nSeed, 4096));
        }
        EXPECT_EQ(whole, FrameInRandomChunks(*stream, 6, 16, true));
    }
}

// Where every line ends in CR LF, each line that begins with a start byte is one message.
TEST(RecordedStreams, EveryLineOfACleanStreamIsOneMessage)
{
    SKIP_WITHOUT_STREAMS();
    for (const SStream& row : kStreams)
    {
        if (row.eLineEnd != ELineEnd::CrLfAll)
        {
            continue;
        }
        SCOPED_TRACE(row.file);
        const std::string stream = ReadStream(row.file).value_or("");
        std::vector<std::string> expected;
        for (const std::string& line : Lines(stream))
        {
            ASSERT_TRUE(!line.empty() && line.back() == '\r') << line;
            if (line[0] == '$' || line[0] == '#')
            {
                expected.push_back(line);
            }
        }
        EXPECT_EQ(expected, FrameInChunks(stream, 0));
    }
}

// Without a carriage return no sentence is complete: nothing is framed at a line feed. Only the
// "#" comment lines come out, each ended by the next one.
TEST(RecordedStreams, LineFeedOnlyStreamsFrameNoSentence)
{
    SKIP_WITHOUT_STREAMS();
    for (const SStream& row : kStreams)
    {
        if (row.eLineEnd != ELineEnd::LfOnly)
        {
            continue;
        }
        SCOPED_TRACE(row.file);
        const std::string stream = ReadStream(row.file).value_or("");
        ASSERT_EQ(std::string::npos, stream.find('\r'));
        const std::vector<std::string> messages = FrameInChunks(stream, 0);
        EXPECT_FALSE(messages.empty());
        for (const std::string& message : messages)
        {
            EXPECT_EQ('#', message[0]) << message;
        }
    }
}

TEST(RecordedStreams, KnownMessages)
{
    SKIP_WITHOUT_STREAMS();
    struct SRow
    {
        const char* legend;
        const char* file;
        const char* prefix;   // the first message that begins so ...
        std::string expected; // ... is exactly these bytes
    };
    const SRow rows[] = {
        {"first GGA of a clean stream", "navika-100-fix.log", "$GPGGA",
         "$GPGGA,223251.00,3757.92653,N,12231.94543,W,1,05,1.20,9.2,M,-25.1,M,,*6C\r"},
        {"GNGGA in the southern hemisphere", "ublox-zed-f9p-nmea.log", "$GNGGA",
         "$GNGGA,003956.00,4552.65403,S,17030.00668,E,1,12,0.64,14.2,M,1.8,M,,*56\r"},
        {"the JSON lines before the first sentence are skipped", "skytraq-PX1172RH_DS.log", "$",
         "$GPGGA,003832.000,4404.1271062,N,12118.8438377,W,5,14,0.8,1127.630,M,-20.300,M,1.000,"
         "0000*74\r"},
        {"the first RMC runs into the comment before it", "GPSmap-76S.log", "$",
         "$GPRMB,V,,,,,,,,,,,,A,S*0E\r"},
        {"the first GGA runs into the comment before it", "ch-4701.log", "$",
         "$GPRMC,123434.000,A,5356.21440,N,02734.85946,E,00.00,252.7,290508,,,A*6B\r"},
        {"a text reply between binary records", "ac12_binary.log", "$PASHR,POS",
         "$PASHR,POS,0,03,183530.00,2037.76012,N,08704.07373,W,058.48,,359.4,000.0,+000.0,2.2,2.2,"
         "0.0,1.0,BQ00*20\r"},
        {"a sentence right after a u-blox binary frame", "ublox8-uniqid-monhw.log",
         "$GNTXT,01,01,01,PMTK", "$GNTXT,01,01,01,PMTK inv format*20\r"},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        const std::string stream = ReadStream(row.file).value_or("");
        const std::vector<std::string> messages = FrameInChunks(stream, 0);
        const auto hit =
            std::find_if(messages.begin(), messages.end(),
                         [&row](const std::string& m) { return StartsWith(m, row.prefix); });
        ASSERT_NE(messages.end(), hit);
        EXPECT_EQ(row.expected, *hit);
    }
}

// The comment header ends in bare line feeds, so its last line runs on to the carriage return
// of the first sentence, which is never framed on its own.
TEST(RecordedStreams, LastCommentLineSwallowsTheFirstSentence)
{
    SKIP_WITHOUT_STREAMS();
    const struct
    {
        const char* file;
        const char* swallowed;
    } rows[] = {
        {"GPSmap-76S.log", "$GPRMC,125106,V,3854.5087,N,07726.4523,W,0.0,0.0,241011,10.5,W,S*28\r"},
        {"ch-4701.log",
         "$GPGGA,123433.000,5356.21442,N,02734.85952,E,1,04,07.2,251.9,M,26.0,M,,*67\r"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.file);
        const std::string stream = ReadStream(row.file).value_or("");
        const std::vector<std::string> messages = FrameInChunks(stream, 0);
        const std::string sentence = row.swallowed;
        const auto inComment =
            std::find_if(messages.begin(), messages.end(), [&](const std::string& m) {
                return m[0] == '#' && m.size() > sentence.size() &&
                       m.compare(m.size() - sentence.size(), sentence.size(), sentence) == 0;
            });
        EXPECT_NE(messages.end(), inComment);
        EXPECT_EQ(messages.end(), std::find(messages.begin(), messages.end(), sentence));
    }
}

// The Ashtech binary records of the AC12 capture hold carriage returns; each is framed by its
// fixed length and comes out as exactly the bytes recorded.
TEST(RecordedStreams, AshtechBinaryRecordsKeepTheirLength)
{
    SKIP_WITHOUT_STREAMS();
    const std::string stream = ReadStream("ac12_binary.log").value_or("");
    const std::vector<std::string> messages = FrameInChunks(stream, 0);
    int nPbn = 0;
    int nMca = 0;
    for (const std::string& message : messages)
    {
        SCOPED_TRACE(message.substr(0, 10));
        if (StartsWith(message, "$PASHR,PBN,"))
        {
            EXPECT_EQ(68u, message.size());
            ++nPbn;
        }
        else if (StartsWith(message, "$PASHR,MCA,"))
        {
            EXPECT_EQ(49u, message.size());
            ++nMca;
        }
        if (message[0] == '$')
        {
            EXPECT_EQ('\r', message.back());
        }
    }
    EXPECT_EQ(4, nPbn);
    EXPECT_EQ(12, nMca);
    // The first navigation record, byte for byte as recorded at offset 1262.
    const auto first = std::find_if(messages.begin(), messages.end(), [](const std::string& m) {
        return StartsWith(m, "$PASHR,PBN,");
    });
    ASSERT_NE(messages.end(), first);
    EXPECT_EQ(stream.substr(1262, 68), *first);
}

} // namespace
