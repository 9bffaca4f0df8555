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

std::string RandomBytes(std::size_t nCount)
{
    std::mt19937 random(20261205);
    std::string strBytes(nCount, '\0');
    for (char& c : strBytes)
    {
        c = static_cast<char>(random() & 0xFF);
    }
    return strBytes;
}

TEST(FixoraBadInput, NoiseAndUnknownLineEndsGiveNoFix)
{
    const CTempFile noise(RandomBytes(1 << 20), ".bin");
    const struct
    {
        const char* legend;
        std::vector<std::string> args;
    } rows[] = {
        {"random bytes replayed", {"--replay", noise.Path()}},
        {"random bytes emulated", {"--emulate", noise.Path(), "--fast"}},
        // Sentences end at a carriage return in a raw stream; the same file emulated line by
        // line gives its eight fixes (the recorded-stream test).
        {"line feeds only, replayed", {"--replay", RecordedStream("humminbird-M37.log")}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        std::vector<std::string> args = row.args;
        args.push_back("--json");
        const SFixoraRun run = RunFixora(args);
        EXPECT_EQ(run.nExit, 0) << run.strErr;
        EXPECT_EQ(run.Fixes().size(), 0u); // every printed line is still a JSON record
    }
}

TEST(FixoraBadInput, EndlessLineIsDroppedInBoundedMemory)
{
    // 100 MB of fields behind one sentence start, and no line end.
    const CTempFile endless("", ".log");
    {
        std::ofstream file(endless.Path(), std::ios::binary);
        const std::string strField = "123519,4807.038,N,";
        std::string strBlock;
        while (strBlock.size() < (1u << 20))
        {
            strBlock += strField;
        }
        file << "$GPGGA,";
        for (int i = 0; i < 100; ++i)
        {
            file << strBlock;
        }
        ASSERT_TRUE(file.good());
    }
    const std::uint64_t nFileSize = std::filesystem::file_size(endless.Path());
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
        if (!Instrumented)
        {
            EXPECT_GT(run.nPeakMemoryBytes, 0u);
            EXPECT_LT(run.nPeakMemoryBytes, 64u << 20) << "of a " << nFileSize << "-byte file";
        }
    }
}

} // namespace
