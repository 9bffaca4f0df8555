// fixora on recorded streams where a golden stream (tests/data/streams) cannot show it: the
// computer clock's stamp, a fast emulation framing lines as the replay frames bytes, streams far
// longer than the framing buffer and the engine's limit on the texts it keeps; and on what no
// receiver should send: noise, line ends the framing does not know, one endless line. Each run
// ends cleanly, invents no fix and keeps its memory bounded.
#include "FixoraRunner.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{

#ifdef FIXORA_TEST_SANITIZED
constexpr bool Instrumented = true;
#else
constexpr bool Instrumented = false;
#endif

TEST(FixoraStreams, ClockStampsEmulationAndLongStreams)
{
    // Without --no-clock each record carries the computer's clock.
    const std::string strNavika = RecordedStream("navika-100-fix.log");
    const auto clocked = Records(RunFixora({"--replay", strNavika, "--json"}).strOut);
    ASSERT_FALSE(clocked.empty());
    EXPECT_GT(clocked.front()["time"].get<long long>(), 1500000000);
    // Every line of this stream ends in CR LF, so the fast emulation prints what the replay does.
    const SProcessResult replay = RunFixora({"--replay", strNavika, "--json", "--no-clock"});
    EXPECT_EQ(RunFixora({"--emulate", strNavika, "--fast", "--json", "--no-clock"}).strOut,
              replay.strOut);

    // 58 KB are replayed in pieces, nothing dropped: 29 fixes. The engine keeps a copy of about
    // 100000 characters of texts; the stream twice is 116 KB, and every text is still printed.
    const std::string strStream = RecordedStream("ublox-zed-f9p-nmea.log");
    const CTempFile twice(CScratchFolder::Read(strStream) + CScratchFolder::Read(strStream));
    const SProcessResult once = RunFixora({"--replay", strStream, "--collect", "--json"});
    EXPECT_EQ(once.nExit, 0);
    EXPECT_EQ(once.strErr, "");
    EXPECT_EQ(Records(once.strOut, "fix").size(), 29u);
    const std::size_t nTexts = Records(once.strOut, "text").size();
    EXPECT_GT(nTexts, 1000u);
    EXPECT_EQ(
        Records(RunFixora({"--replay", twice.Path(), "--collect", "--json"}).strOut, "text").size(),
        2 * nTexts);
}

TEST(FixoraStreams, NoiseUnknownLineEndsAndAnEndlessLineGiveNoFix)
{
    std::mt19937 random(20261205);
    std::string strNoise(1 << 20, '\0');
    std::generate(strNoise.begin(), strNoise.end(), [&] { return static_cast<char>(random()); });
    const CTempFile noise(strNoise, ".bin");
    // 100 MB of fields behind one sentence start, and no line end, written in pieces.
    const CTempFile endless("$GPGGA,", ".log");
    std::string strBlock;
    while (strBlock.size() < (1u << 20))
        strBlock += "123519,4807.038,N,";
    std::ofstream file(endless.Path(), std::ios::binary | std::ios::app);
    for (int i = 0; i < 100; ++i)
        file << strBlock;
    file.close();
    ASSERT_TRUE(file.good());
    // Sentences end at a carriage return in a raw stream; the Humminbird's file emulated line by
    // line gives its eight fixes (the golden stream humminbird_m37).
    for (const auto& args : {std::vector<std::string>{"--replay", noise.Path()},
                             {"--emulate", noise.Path(), "--fast"},
                             {"--replay", RecordedStream("humminbird-M37.log")},
                             {"--replay", endless.Path()},
                             {"--emulate", endless.Path(), "--fast"}})
    {
        SCOPED_TRACE(args[0] + " " + args[1]);
        std::vector<std::string> json = args;
        json.push_back("--json");
        const SProcessResult run = RunFixora(json);
        EXPECT_EQ(run.nExit, 0) << run.strErr;
        EXPECT_EQ(Records(run.strOut, "fix").size(), 0u); // every line is still a JSON record
        if (args[1] != endless.Path())
            continue;
        // The peak memory of a spawned child counts the test's own before its start.
        EXPECT_EQ(run.strOut, "");
        EXPECT_NE(run.strErr.find("framing buffer overflow(s): bytes were dropped"),
                  std::string::npos)
            << run.strErr;
        EXPECT_TRUE(Instrumented ||
                    (run.nPeakMemoryBytes > 0 && run.nPeakMemoryBytes < (64u << 20)))
            << run.nPeakMemoryBytes;
    }
}

} // namespace
