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
    std::vector<std::string> args; // the model, the run's time in seconds, the commands
    std::vector<CReceiverSimulator::SRule> (*pfnAnswers)();
    std::vector<std::string> sent;    // the lines the commands write, in order
    std::vector<std::string> printed; // lines of the output, wherever they come
};

// clang-format off
const SFamilyRow s_Families[] = {
    {"Ashtech", {"--model", "CSI", "--duration", "3", "--set-elevation-mask", "10",
     "--query-elevation-mask"},
     &AshtechAnswers, {"$PASHS,PEM,10\r\n", "$PASHQ,PAR\r\n"},
     {"status  acknowledged", "command  set-elevation-mask 10  sent",
      "status  elevation-mask 10 deg", "command  query-elevation-mask  sent"}},
    {"Axis3", {"--model", "Sokkia Axis3", "--duration", "3", "--query-dgps"}, &Axis3Answers,
     {"$JSHOW\r\n"}, {"status  dgps beacon", "command  query-dgps  sent"}},
    {"SiRF", {"--model", "SiRF", "--duration", "5", "--set-nmea", "gga-only"},
     [] { return std::vector<CReceiverSimulator::SRule>(); },
     {"$PSRF103,00,00,02,01*26\r\n", "$PSRF103,02,00,00,01*26\r\n", "$PSRF103,05,00,00,01*21\r\n",
      "$PSRF103,03,00,00,01*27\r\n", "$PSRF103,04,00,00,01*20\r\n", "$PSRF103,01,00,00,01*25\r\n"},
     {"command  set-nmea gga-only  sent"}},
    // The board writes its sentence selection when the run begins; the queries follow it.
    {"OEM", {"--model", "GSR2650 LB", "--duration", "6", "--query-elevation-mask", "--query-dgps"},
     &OemAnswers,
     {"LOG COM2 ECUTOFFA ONCE\r\n", "LOG COM2 RTKSOURCEA ONCE\r\n",
      "LOG COM2 SBASCONTROLA ONCE\r\n", "LOG COM2 PSRDIFFSOURCEA ONCE\r\n"},
     {"status  elevation-mask 10 deg", "status  dgps waas", "command  query-elevation-mask  sent",
      "command  query-dgps  sent"}},
};
// clang-format on

std::string Joined(const std::vector<std::string>& lines)
{
    std::string strAll;
    for (const std::string& strLine : lines)
    {
        strAll += strLine;
    }
    return strAll;
}

// Runs fixora on a pseudo-terminal played by the simulator with these answers: the run, and the
// lines the simulator received.
std::pair<SFixoraRun, std::vector<std::string>> RunOnDevice(
    std::vector<CReceiverSimulator::SRule> answers, const std::vector<std::string>& args)
{
    CPtyPair pty;
    EXPECT_TRUE(pty.IsValid());
    const CReceiverSimulator receiver(pty, std::move(answers));
    std::vector<std::string> all = {"--device", pty.SlavePath()};
    all.insert(all.end(), args.begin(), args.end());
    SFixoraRun run = RunFixora(all);
    return {run, receiver.Lines()};
}

class FixoraCommand : public ::testing::TestWithParam<SFamilyRow>
{
};

TEST_P(FixoraCommand, TheReceiverGetsTheCommandsAndItsAnswersShowAsStatus)
{
    const SFamilyRow& row = GetParam();
    const auto [run, lines] = RunOnDevice(row.pfnAnswers(), row.args);
    EXPECT_EQ(run.nExit, 0) << run.strErr;
    const auto first = std::find(lines.begin(), lines.end(), row.sent.front());
    ASSERT_NE(first, lines.end()) << Joined(lines);
    const auto count = std::min<std::ptrdiff_t>(lines.end() - first, row.sent.size());
    EXPECT_EQ(row.sent, std::vector<std::string>(first, first + count)) << Joined(lines);
    for (const std::string& strLine : row.printed)
    {
        EXPECT_NE(("\n" + run.strOut).find("\n" + strLine + "\n"), std::string::npos)
            << strLine << " in:\n"
            << run.strOut;
    }
}

INSTANTIATE_TEST_SUITE_P(Families, FixoraCommand, ::testing::ValuesIn(s_Families),
                         [](const auto& info) { return std::string(info.param.pszLegend); });

// The reset's first step alone would wait ten seconds: the run's two end it, the three after it
// are the receiver's settle time, and the query after it is left unsent. A device that goes away
// ends the run at once, not after its twenty seconds.
TEST(FixoraCommandFailure, NoAcknowledgementOrAVanishedDeviceEndsTheRunWithOne)
{
    const auto start = std::chrono::steady_clock::now();
    const auto [reset, resetLines] = RunOnDevice(
        {}, {"--model", "CSI", "--json", "--duration", "2", "--reset", "--query-beacon"});
    EXPECT_EQ(reset.nExit, 1);
    EXPECT_NE(reset.strErr.find("the receiver did not carry out --reset"), std::string::npos)
        << reset.strErr;
    std::vector<nlohmann::json> records = reset.Records();
    std::erase_if(records, [](const nlohmann::json& r) { return r["type"] != "command"; });
    ASSERT_EQ(records.size(), 1u) << reset.strOut;
    EXPECT_EQ(records[0]["command"], "reset");
    EXPECT_EQ(records[0]["result"], "not acknowledged");
    ASSERT_FALSE(resetLines.empty());
    EXPECT_EQ(resetLines.front(), "$PASHS,RST\r\n");
    EXPECT_EQ(Joined(resetLines).find("$GPCRQ"), std::string::npos) << Joined(resetLines);

    const auto [gone, goneLines] = RunOnDevice(
        {{"$PASHS,PEM", "", true}}, {"--model", "CSI", "--duration", "20", "--set-elevation-mask",
                                     "10", "--query-elevation-mask"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(14));
    EXPECT_EQ(gone.nExit, 1);
    EXPECT_FALSE(goneLines.empty());
    EXPECT_NE(gone.strErr.find(
                  "fixora: the receiver's device went away while --set-elevation-mask was sent"),
              std::string::npos)
        << gone.strErr;
    EXPECT_EQ(gone.strOut, "command  set-elevation-mask 10  not sent\n");
}

} // namespace
