// fixora's command line: bad usage and unreadable files give their exit codes and say why, and the
// model list shows the whole catalogue (tests/data/fixora/usage.txt, usage.transcript). Rows whose
// text depends on the system stay here.
#include "FixoraRunner.h"
#include "support/Transcript.h"

#include <gtest/gtest.h>

namespace
{

// Every occurrence of strFrom in strText replaced.
std::string Replaced(std::string strText, const std::string& strFrom, const std::string& strTo)
{
    for (std::size_t i = 0; (i = strText.find(strFrom, i)) != std::string::npos; i += strTo.size())
        strText.replace(i, strFrom.size(), strTo);
    return strText;
}

TEST(FixoraUsage, EachCommandLinePrintsItsTranscript)
{
    const CTempFile empty;
    const std::pair<std::string, std::string> names[] = {{"STREAM", RecordedStream("garmin48.log")},
                                                         {"EMPTY", empty.Path()},
                                                         {"DATA", FIXORA_TEST_DATA_DIR}};
    std::string strTranscript;
    for (const std::string& strLine :
         Lines(CScratchFolder::Read(FIXORA_TEST_DATA_DIR "/fixora/usage.txt")))
    {
        if (strLine.starts_with("#") || strLine.starts_with("=="))
        {
            strTranscript += strLine.starts_with("==") ? strLine + "\n" : "";
            continue;
        }
        std::vector<std::string> args;
        std::istringstream words(strLine);
        for (std::string strWord; words >> strWord;)
        {
            for (const auto& [strName, strValue] : names)
                strWord = strWord == strName ? strValue : strWord;
            args.push_back(strWord);
        }
        const SProcessResult run = RunFixora(args);
        std::string strRun = "exit " + std::to_string(run.nExit) + "\n" + run.strErr + run.strOut;
        for (const auto& [strName, strValue] : names)
            strRun = Replaced(strRun, strValue, strName);
        strTranscript += "$ fixora " + strLine + "\n" + strRun;
    }
    CompareWithTranscript(strTranscript, "fixora/usage.transcript");
}

TEST(FixoraUsage, SystemDependentFailuresExplainThemselves)
{
    const CTempFile empty;
    const std::string strData = FIXORA_TEST_DATA_DIR;
    // Root reads a file without read permission: then that row replays an empty file.
    const CTempFile locked;
    std::filesystem::permissions(locked.Path(), std::filesystem::perms::none);
    const bool bPermissions = !std::ifstream(locked.Path()).is_open();
    const struct
    {
        std::vector<std::string> args;
        int nExit;
        std::string strMessage; // part of the standard-error text
    } rows[] = {
        // clang-format off
        {{"--replay", locked.Path()}, bPermissions ? 1 : 0, bPermissions ? "Permission denied" : ""},
        // The file name carries the time of day.
        {{"--replay", RecordedStream("garmin48.log"), "--data-log", "/nonexistent/session"}, 1,
         "cannot start the data log"},
        // A device that is no serial port cannot start the receiver; Windows names its ports.
#ifdef _WIN32
        {{"--device", "/dev/ttyUSB0", "--duration", "5"}, 1,
         "cannot use '/dev/ttyUSB0' as a serial device: this system takes a COM port name such as "
         "COM3"},
        {{"--device", "Com9", "--duration", "5"}, 1,
         "cannot start the receiver 'NMEA-0183' on Com9"},
        {{"--device", "\\\\.\\COM42", "--duration", "5"}, 1,
         "cannot start the receiver 'NMEA-0183' on \\\\.\\COM42"},
#else
        {{"--device", "/nonexistent/ttyX", "--duration", "5", "--json"}, 1,
         "cannot start the receiver 'NMEA-0183' on /nonexistent/ttyX: Can't Initialize a "
         "Receiver."},
        {{"--device", empty.Path(), "--duration", "5", "--json"}, 1,
         "cannot start the receiver 'NMEA-0183' on " + empty.Path()},
        {{"--device", strData, "--duration", "5", "--json"}, 1,
         "cannot start the receiver 'NMEA-0183' on " + strData},
#endif
        // clang-format on
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(testing::PrintToString(row.args));
        const SProcessResult run = RunFixora(row.args);
        EXPECT_EQ(run.nExit, row.nExit);
        EXPECT_NE(run.strErr.find(row.strMessage), std::string::npos) << run.strErr;
        EXPECT_EQ(run.strOut, "");
    }
}

} // namespace
