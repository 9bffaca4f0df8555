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
    std::vector<CReceiverSimulator::SRule> answers;
    std::vector<std::string> sent;    // the lines the commands write, in order
    std::vector<std::string> printed; // lines of the output (all of it when the run fails)
    int nExit = 0;
    const char* pszError = "";  // found in the standard error
    const char* pszUnsent = ""; // a failed run's next command: no line starts so
};

// clang-format off
const SFamilyRow s_Families[] = {
    {"Ashtech", {"--model", "CSI", "--duration", "3", "--set-elevation-mask", "10",
     "--query-elevation-mask"},
     AshtechAnswers(), {"$PASHS,PEM,10\r\n", "$PASHQ,PAR\r\n"},
     {"status  acknowledged", "command  set-elevation-mask 10  sent",
      "status  elevation-mask 10 deg", "command  query-elevation-mask  sent"}},
    {"Axis3", {"--model", "Sokkia Axis3", "--duration", "3", "--query-dgps"}, Axis3Answers(),
     {"$JSHOW\r\n"}, {"status  dgps beacon", "command  query-dgps  sent"}},
    {"SiRF", {"--model", "SiRF", "--duration", "5", "--set-nmea", "gga-only"}, {},
     {"$PSRF103,00,00,02,01*26\r\n", "$PSRF103,02,00,00,01*26\r\n", "$PSRF103,05,00,00,01*21\r\n",
      "$PSRF103,03,00,00,01*27\r\n", "$PSRF103,04,00,00,01*20\r\n", "$PSRF103,01,00,00,01*25\r\n"},
     {"command  set-nmea gga-only  sent"}},
    // The board writes its sentence selection when the run begins; the queries follow it.
    {"OEM", {"--model", "GSR2650 LB", "--duration", "6", "--query-elevation-mask", "--query-dgps"},
     OemAnswers(),
     {"LOG COM2 ECUTOFFA ONCE\r\n", "LOG COM2 RTKSOURCEA ONCE\r\n",
      "LOG COM2 SBASCONTROLA ONCE\r\n", "LOG COM2 PSRDIFFSOURCEA ONCE\r\n"},
     {"status  elevation-mask 10 deg", "status  dgps waas", "command  query-elevation-mask  sent",
      "command  query-dgps  sent"}},
    // The reset's first step alone would wait ten seconds: the run's two end it, the three after
    // it are the receiver's settle time, and the query after it is left unsent.
    {"NoAcknowledgement", {"--model", "CSI", "--json", "--no-clock", "--duration", "2", "--reset",
     "--query-beacon"}, {}, {"$PASHS,RST\r\n"},
     {R"({"type":"command","command":"reset","value":"","result":"not acknowledged"})"}, 1,
     "the receiver did not carry out --reset", "$GPCRQ"},
    // A device that goes away ends the run at once, not after its twenty seconds.
    {"DeviceGone", {"--model", "CSI", "--duration", "20", "--set-elevation-mask", "10",
     "--query-elevation-mask"}, {{"$PASHS,PEM", "", true}},
     {"$PASHS,PEM,10\r\n"}, {"command  set-elevation-mask 10  not sent"}, 1,
     "fixora: the receiver's device went away while --set-elevation-mask was sent", "$PASHQ"},
};
// clang-format on

class FixoraCommand : public ::testing::TestWithParam<SFamilyRow>
{
};

TEST_P(FixoraCommand, TheReceiverGetsTheCommandsAndItsAnswersShowAsStatus)
{
    const SFamilyRow& row = GetParam();
    CPtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    const CReceiverSimulator receiver(pty, row.answers);
    std::vector<std::string> args = {"--device", pty.SlavePath()};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const auto start = std::chrono::steady_clock::now();
    const SProcessResult run = RunFixora(args);
    EXPECT_EQ(run.nExit, row.nExit);
    EXPECT_NE(run.strErr.find(row.pszError), std::string::npos) << run.strErr;
    const std::vector<std::string> lines = receiver.Lines();
    const auto first = std::find(lines.begin(), lines.end(), row.sent.front());
    const auto count = std::min<std::ptrdiff_t>(lines.end() - first, row.sent.size());
    EXPECT_EQ(row.sent, std::vector<std::string>(first, first + count));
    for (const std::string& strLine : row.printed)
    {
        EXPECT_NE(("\n" + run.strOut).find("\n" + strLine + "\n"), std::string::npos)
            << strLine << " in:\n"
            << run.strOut;
    }
    if (row.nExit == 0)
        return;
    EXPECT_EQ(Lines(run.strOut), row.printed);
    for (const std::string& strLine : lines)
        EXPECT_FALSE(strLine.starts_with(row.pszUnsent)) << strLine;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(9));
}

void PrintTo(const SFamilyRow& row, std::ostream* pStream)
{
    *pStream << row.pszLegend;
}

INSTANTIATE_TEST_SUITE_P(Families, FixoraCommand, ::testing::ValuesIn(s_Families),
                         [](const auto& info) { return std::string(info.param.pszLegend); });

} // namespace
