// fixora fed what no receiver should send: noise, line ends the framing does not know, one
// endless line. Each run ends cleanly, invents no fix and keeps its memory bounded.
#include "FixoraRunner.h"

#include <gtest/gtest.h>

namespace
{

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool Instrumented = true; // the sanitizers keep freed memory resident
#else
constexpr bool Instrumented = false;
#endif

TEST(FixoraBadInput, NoiseAndUnknownLineEndsGiveNoFix)
{
    std::mt19937 random(20261205);
    std::string strNoise(1 << 20, '\0');
    std::generate(strNoise.begin(), strNoise.end(), [&] { return static_cast<char>(random()); });
    const CTempFile noise(strNoise, ".bin");
    // Sentences end at a carriage return in a raw stream; the same file emulated line by line
    // gives its eight fixes (the golden stream humminbird_m37).
    for (const auto& args : {std::vector<std::string>{"--replay", noise.Path(), "--json"},
                             {"--emulate", noise.Path(), "--fast", "--json"},
                             {"--replay", RecordedStream("humminbird-M37.log"), "--json"}})
    {
        SCOPED_TRACE(args[0] + " " + args[1]);
        const SFixoraRun run = RunFixora(args);
        EXPECT_EQ(run.nExit, 0) << run.strErr;
        EXPECT_EQ(run.Fixes().size(), 0u); // every printed line is still a JSON record
    }
}

TEST(FixoraBadInput, EndlessLineIsDroppedInBoundedMemory)
{
    // 100 MB of fields behind one sentence start, and no line end, written in pieces: the peak
    // memory of a spawned child counts the test's own before its start.
    const CTempFile endless("$GPGGA,", ".log");
    std::string strBlock;
    while (strBlock.size() < (1u << 20))
    {
        strBlock += "123519,4807.038,N,";
    }
    std::ofstream file(endless.Path(), std::ios::binary | std::ios::app);
    for (int i = 0; i < 100; ++i)
    {
        file << strBlock;
    }
    file.close();
    ASSERT_TRUE(file.good());
    for (const auto& args : {std::vector<std::string>{"--replay", endless.Path()},
                             std::vector<std::string>{"--emulate", endless.Path(), "--fast"}})
    {
        SCOPED_TRACE(args[0]);
        const SFixoraRun run = RunFixora(args);
        EXPECT_EQ(run.nExit, 0) << run.strErr;
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
