// Streams recorded from real receivers (tests/data/gpsd, see the README there), framed as the
// acquisition thread frames the bytes it reads from the port. Random bytes in random chunks are
// the framer fuzz target's (fuzz/entries/FramerEntry.cpp).
#include "FramingHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace framing_test;

namespace
{

const std::filesystem::path kStreamDir = std::filesystem::path(FIXORA_TEST_DATA_DIR) / "gpsd";

std::string ReadStream(const std::filesystem::path& file)
{
    std::ifstream in(kStreamDir / file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool StartsWith(const std::string& s, const std::string& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

// Every recording frames to the same messages whole and in random chunks. Where every line ends
// in CR LF, each line that begins with a start byte is one message. Without any carriage return
// no sentence is complete: only the "#" comment lines come out, each ended by the next one.
TEST(RecordedStreams, SameMessagesWholeAndInRandomChunksAndLineEndRules)
{
    int nStreams = 0, nClean = 0, nLineFeedOnly = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kStreamDir))
    {
        if (entry.path().extension() != ".log")
        {
            continue;
        }
        SCOPED_TRACE(entry.path().filename().string());
        ++nStreams;
        const std::string stream = ReadStream(entry.path().filename());
        const std::vector<std::string> whole = Frame(stream);
        ASSERT_FALSE(whole.empty());
        EXPECT_EQ(whole, Frame(stream, 4096, 1));
        EXPECT_EQ(whole, Frame(stream, 16, 6));

        std::vector<std::string> lines; // without their line feeds
        for (std::size_t nStart = 0, nEnd; (nEnd = stream.find('\n', nStart)) != std::string::npos;
             nStart = nEnd + 1)
        {
            lines.push_back(stream.substr(nStart, nEnd - nStart));
        }
        if (std::all_of(lines.begin(), lines.end(), [](const std::string& line) {
                return !line.empty() && line.back() == '\r';
            }))
        {
            ++nClean;
            std::vector<std::string> expected;
            std::copy_if(lines.begin(), lines.end(), std::back_inserter(expected),
                         [](const std::string& line) { return line[0] == '$' || line[0] == '#'; });
            EXPECT_EQ(expected, whole);
        }
        if (stream.find('\r') == std::string::npos)
        {
            ++nLineFeedOnly;
            EXPECT_TRUE(std::all_of(whole.begin(), whole.end(),
                                    [](const std::string& m) { return m[0] == '#'; }));
        }
    }
    EXPECT_EQ(21, nStreams);
    EXPECT_EQ(6, nClean);
    EXPECT_EQ(6, nLineFeedOnly);
}

TEST(RecordedStreams, KnownMessages)
{
    const struct
    {
        const char* legend;
        const char* file;
        const char* prefix;   // the first message that begins so ...
        std::string expected; // ... is exactly these bytes
    } rows[] = {
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
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        const std::vector<std::string> messages = Frame(ReadStream(row.file));
        const auto hit =
            std::find_if(messages.begin(), messages.end(),
                         [&row](const std::string& m) { return StartsWith(m, row.prefix); });
        ASSERT_NE(messages.end(), hit);
        EXPECT_EQ(row.expected, *hit);
    }
}

} // namespace
