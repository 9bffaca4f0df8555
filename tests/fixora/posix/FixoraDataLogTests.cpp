// fixora --data-log: the observation and navigation files of a raw stream as a transcript
// (tests/data/fixora/data-log.transcript), and both read back by an independent reader, rtklib's
// rnx2rtkp, which finds the receiver where the stream's navigation records put it (the stream's
// measurements agree with its ephemerides; tests/data/streams/README.md).
#include "../FixoraRunner.h"
#include "support/Transcript.h"

#include <gtest/gtest.h>

#include <regex>

TEST(FixoraDataLog, TheFilesMatchTheirTranscriptAndRtklibReadsThemBack)
{
    const CScratchFolder folder;
    const SProcessResult run = RunFixora(
        {"--replay", FIXORA_TEST_DATA_DIR "/streams/ashtech_raw.bin", "--json", "--no-clock",
         "--data-log", folder.File("session").string(), "--antenna-height", "1.5"});
    ASSERT_EQ(0, run.nExit) << run.strErr;
    // The two files' paths, from what fixora says of them.
    std::smatch match;
    ASSERT_TRUE(std::regex_search(
        run.strErr, match,
        std::regex("data log: \\d+ epochs in (\\S+), \\d+ ephemerides in (\\S+)")))
        << run.strErr;
    const std::string strObservations = match[1], strNavigation = match[2];
    // The files' names (padded in the header) and their headers carry the time they were written.
    const std::regex clock("\\S*(session_)\\w+ *|\\d{8} \\d{6} UTC");
    CompareWithTranscript(std::regex_replace(run.strErr + CScratchFolder::Read(strObservations) +
                                                 CScratchFolder::Read(strNavigation),
                                             clock, "$1<time>"),
                          "fixora/data-log.transcript");

    if (!std::filesystem::exists("/usr/bin/rnx2rtkp"))
        GTEST_SKIP() << "rtklib is not installed (Debian package rtklib)";
    // Single-point positions from both files, without the atmosphere models the stream leaves
    // out: the receiver where the navigation records put it.
    const std::filesystem::path options = folder.File("spp.conf");
    CScratchFolder::Write(options, "pos1-posmode =single\npos1-ionoopt =off\n"
                                   "pos1-tropopt =off\npos1-elmask =10\n");
    const SProcessResult solution = RunProcess(
        "/usr/bin/rnx2rtkp", {"-k", options.string(), "-e", strObservations, strNavigation});
    ASSERT_EQ(0, solution.nExit) << solution.strErr;
    int nSolutions = 0;
    for (const std::string& strLine : Lines(solution.strOut))
    {
        if (strLine.empty() || strLine[0] == '%')
            continue;
        std::string strDate, strTime;
        double x = 0, y = 0, z = 0;
        std::istringstream(strLine) >> strDate >> strTime >> x >> y >> z;
        EXPECT_NEAR(x, 4331297.3480, 0.01) << strLine;
        EXPECT_NEAR(y, 567555.6390, 0.01) << strLine;
        EXPECT_NEAR(z, 4633133.7280, 0.01) << strLine;
        ++nSolutions;
    }
    EXPECT_EQ(5, nSolutions) << solution.strOut;
}
