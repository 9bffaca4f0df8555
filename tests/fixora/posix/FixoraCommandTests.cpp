// fixora's receiver commands end to end: the program runs a model against the simulated receiver
// of its family on a pseudo-terminal; the simulator sees the command's bytes and answers, and the
// program prints what it sent and the status the answer set. A receiver that never acknowledges
// and a device that goes away end the run with a message and exit status 1, within the run's time.
#include "../FixoraRunner.h"
#include "support/PtyPair.h"
#include "support/ReceiverSimulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace
{

struct SFamilyRow
{
    const char* pszLegend;
    const char* pszModel;
    const char* pszDuration; // seconds: the model's set-up and the commands' pauses, with room
    std::vector<std::string> commands;
    std::vector<CReceiverSimulator::SRule> (*pfnAnswers)();
    std::vector<std::string> sent;    // the lines the commands write, in order
    std::vector<std::string> printed; // lines of the output, wherever they come
};

std::vector<CReceiverSimulator::SRule> Silent()
{
    return {};
}

const SFamilyRow s_Families[] = {
    {"Ashtech",
     "CSI",
     "3",
     {"--set-elevation-mask", "10", "--query-elevation-mask"},
     &AshtechAnswers,
     {"$PASHS,PEM,10\r\n", "$PASHQ,PAR\r\n"},
     {"status  acknowledged", "command  set-elevation-mask 10  sent",
      "status  elevation-mask 10 deg", "command  query-elevation-mask  sent"}},
    {"Axis3",
     "Sokkia Axis3",
     "3",
     {"--query-dgps"},
     &Axis3Answers,
     {"$JSHOW\r\n"},
     {"status  dgps beacon", "command  query-dgps  sent"}},
    {"SiRF",
     "SiRF",
     "5",
     {"--set-nmea", "gga-only"},
     &Silent,
     {"$PSRF103,00,00,02,01*26\r\n", "$PSRF103,02,00,00,01*26\r\n", "$PSRF103,05,00,00,01*21\r\n",
      "$PSRF103,03,00,00,01*27\r\n", "$PSRF103,04,00,00,01*20\r\n", "$PSRF103,01,00,00,01*25\r\n"},
     {"command  set-nmea gga-only  sent"}},
    // The board writes its sentence selection when the run begins; the queries follow it.
    {"OEM",
     "GSR2650 LB",
     "6",
     {"--query-elevation-mask", "--query-dgps"},
     &OemAnswers,
     {"LOG COM2 ECUTOFFA ONCE\r\n", "LOG COM2 RTKSOURCEA ONCE\r\n",
      "LOG COM2 SBASCONTROLA ONCE\r\n", "LOG COM2 PSRDIFFSOURCEA ONCE\r\n"},
     {"status  elevation-mask 10 deg", "status  dgps waas", "command  query-elevation-mask  sent",
      "command  query-dgps  sent"}},
};

std::string Joined(const std::vector<std::string>& lines)
{
    std::string strAll;
    for (const std::string& strLine : lines)
    {
        strAll += strLine;
    }
    return strAll;
}

bool HasLine(const std::string& strOut, const std::string& strLine)
{
    return ("\n" + strOut).find("\n" + strLine + "\n") != std::string::npos;
}

long long SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                            start)
        .count();
}

class FixoraCommand : public ::testing::TestWithParam<SFamilyRow>
{
};

TEST_P(FixoraCommand, TheReceiverGetsTheCommandsAndItsAnswersShowAsStatus)
{
    const SFamilyRow& row = GetParam();
    CPtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    const CReceiverSimulator receiver(pty, row.pfnAnswers());
    std::vector<std::string> args = {"--device",   pty.SlavePath(), "--model",
                                     row.pszModel, "--duration",    row.pszDuration};
    args.insert(args.end(), row.commands.begin(), row.commands.end());
    const SFixoraRun run = RunFixora(args);
    EXPECT_EQ(run.nExit, 0) << run.strErr;

    const std::vector<std::string> lines = receiver.Lines();
    const auto first = std::find(lines.begin(), lines.end(), row.sent.front());
    ASSERT_NE(first, lines.end()) << Joined(lines);
    const auto count = std::min<std::ptrdiff_t>(lines.end() - first, row.sent.size());
    EXPECT_EQ(row.sent, std::vector<std::string>(first, first + count)) << Joined(lines);
    for (const std::string& strLine : row.printed)
    {
        EXPECT_TRUE(HasLine(run.strOut, strLine)) << strLine << " in:\n" << run.strOut;
    }
}

INSTANTIATE_TEST_SUITE_P(Families, FixoraCommand, ::testing::ValuesIn(s_Families),
                         [](const auto& info) { return std::string(info.param.pszLegend); });

TEST(FixoraCommandFailure, AResetNeverAcknowledgedEndsWithTheRunsTime)
{
    CPtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    const CReceiverSimulator receiver(pty);
    const auto start = std::chrono::steady_clock::now();
    // The first step alone would wait ten seconds; the run's two end it, the three after it
    // are the receiver's settle time, and the steps left go out without a wait.
    const SFixoraRun run = RunFixora({"--device", pty.SlavePath(), "--model", "CSI", "--json",
                                      "--duration", "2", "--reset", "--query-beacon"});
    EXPECT_LT(SecondsSince(start), 9);
    EXPECT_EQ(run.nExit, 1);
    EXPECT_NE(run.strErr.find("the receiver did not carry out --reset"), std::string::npos)
        << run.strErr;
    std::vector<nlohmann::json> commands;
    for (const nlohmann::json& record : run.Records())
    {
        if (record["type"] == "command")
        {
            commands.push_back(record);
        }
    }
    ASSERT_EQ(commands.size(), 1u) << run.strOut << "the query after the reset is left unsent";
    EXPECT_EQ(commands[0]["command"], "reset");
    EXPECT_EQ(commands[0]["result"], "not acknowledged");
    const std::vector<std::string> lines = receiver.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "$PASHS,RST\r\n");
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(), [](const std::string& strLine) {
        return strLine.rfind("$GPCRQ", 0) == 0;
    })) << Joined(lines);
}

TEST(FixoraCommandFailure, ADeviceThatGoesAwayEndsTheRunAtOnce)
{
    CPtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    const CReceiverSimulator receiver(pty, {{"$PASHS,PEM", "", true}});
    const auto start = std::chrono::steady_clock::now();
    const SFixoraRun run =
        RunFixora({"--device", pty.SlavePath(), "--model", "CSI", "--duration", "20",
                   "--set-elevation-mask", "10", "--query-elevation-mask"});
    EXPECT_LT(SecondsSince(start), 10) << "the run does not wait out its time";
    EXPECT_EQ(run.nExit, 1);
    EXPECT_NE(run.strErr.find("fixora: the receiver's device went away while "
                              "--set-elevation-mask was sent"),
              std::string::npos)
        << run.strErr;
    EXPECT_TRUE(HasLine(run.strOut, "command  set-elevation-mask 10  not sent")) << run.strOut;
    EXPECT_EQ(run.strOut.find("query-elevation-mask"), std::string::npos) << run.strOut;
}

} // namespace
