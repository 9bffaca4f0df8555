// fixora's receiver commands end to end, against the simulated receiver of the model's family on a
// pseudo-terminal (tests/data/fixora/commands.transcript; the output is sorted, since answers and
// command lines come from two threads). A receiver that never acknowledges and a device that goes
// away end the run with exit status 1 within the run's time.
#include "../FixoraRunner.h"
#include "support/PtyPair.h"
#include "support/ReceiverSimulator.h"
#include "support/Transcript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

namespace
{

TEST(FixoraCommand, TheReceiverGetsTheCommandsAndItsAnswersShowAsStatus)
{
    const struct
    {
        const char* pszLegend;
        std::vector<std::string> args; // the model, the run's time in seconds, the commands
        std::vector<CReceiverSimulator::SRule> answers;
        bool bAlone = false; // run before the others, on an unloaded machine: its timing matters
    } rows[] = {
        // clang-format off
        {"Ashtech", {"--model", "CSI", "--duration", "3", "--set-elevation-mask", "10",
         "--query-elevation-mask", "--query-nmea", "--query-settings", "--raw", "on"},
         AshtechAnswers()},
        {"Axis3", {"--model", "Sokkia Axis3", "--duration", "5", "--query-dgps", "--beacon",
         "310.5:100", "--query-beacon", "--dgps", "beacon"},
         Axis3Answers()},
        {"SiRF", {"--model", "SiRF", "--duration", "5", "--set-nmea", "gga-only"}, {}},
        // The board writes its sentence selection when the run begins; the queries follow it.
        {"OEM", {"--model", "GSR2650 LB", "--duration", "8", "--query-elevation-mask",
         "--query-dgps", "--raw-interval", "2", "--lband", "1557.845:1200"}, OemAnswers()},
        // The reset's first step alone would wait ten seconds: the run's two end it, the three
        // after it are the receiver's settle time, and the query after it is left unsent.
        {"no acknowledgement", {"--model", "CSI", "--json", "--no-clock", "--duration", "2",
         "--reset", "--query-beacon"}, {}},
        // A device that goes away ends the run at once, not after its twenty seconds.
        {"device gone", {"--model", "CSI", "--duration", "20", "--set-elevation-mask", "10",
         "--query-elevation-mask"}, {{"$PASHS,PEM", "", true}}, true},
        // clang-format on
    };
    // The rows run side by side, each on its own pseudo-terminal; their parts join in row order.
    const auto runRow = [](const auto& row) {
        CPtyPair pty;
        if (!pty.IsValid())
            return std::string("no pseudo-terminal\n");
        const CReceiverSimulator receiver(pty, row.answers);
        std::vector<std::string> args = {"--device", pty.SlavePath()};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const auto start = std::chrono::steady_clock::now();
        const SProcessResult run = RunFixora(args);
        // All that fixora wrote before it ended waits on the pseudo-terminal; let the simulator
        // read it (a stop's last lines come just before the end).
        for (std::string strBefore; strBefore != receiver.Bytes();)
        {
            strBefore = receiver.Bytes();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_TRUE(run.nExit == 0 ||
                    std::chrono::steady_clock::now() - start < std::chrono::seconds(9))
            << row.pszLegend;
        std::string strPart = std::string("== ") + row.pszLegend + "\nexit " +
                              std::to_string(run.nExit) + "\n" + run.strErr + "the receiver got:\n";
        for (const std::string& strLine : receiver.Lines())
        {
            strPart += "  ";
            for (const char c : strLine)
                strPart += EscapedByte(c);
            strPart += "\n";
        }
        std::vector<std::string> printed = Lines(run.strOut);
        std::sort(printed.begin(), printed.end());
        for (const std::string& strLine : printed)
            strPart += "> " + strLine + "\n";
        return strPart;
    };
    // A row whose timing matters runs first, alone.
    std::vector<std::future<std::string>> parts(std::size(rows));
    for (const bool bAlone : {true, false})
    {
        for (std::size_t i = 0; i < std::size(rows); ++i)
        {
            if (rows[i].bAlone != bAlone)
                continue;
            parts[i] =
                std::async(std::launch::async, [&runRow, &row = rows[i]] { return runRow(row); });
            if (bAlone)
                parts[i].wait();
        }
    }
    std::string strTranscript;
    for (auto& part : parts)
        strTranscript += part.get();
    CompareWithTranscript(strTranscript, "fixora/commands.transcript");
}

} // namespace
