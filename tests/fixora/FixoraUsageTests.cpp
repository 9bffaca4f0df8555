// fixora's command line: bad usage and unreadable files give their exit codes and say why; the
// model list shows the whole catalogue.
#include "FixoraRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace
{

TEST(FixoraUsage, BadUsageAndUnreadableFilesExplainThemselves)
{
    const std::string s = RecordedStream("garmin48.log");
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
        {{"--colour"}, 2, "unknown option '--colour'"},
        {{s}, 2, "unexpected argument"},
        {{"--replay"}, 2, "--replay needs a value"},
        {{"--model="}, 2, "--model needs a value"},
        {{"--baud", "fast"}, 2, "--baud expects"},
        {{"--min-sats", "4x"}, 2, "--min-sats expects"},
        {{"--antenna-height", "2m"}, 2, "--antenna-height expects a height in metres"},
        {{"--height-mode", "3"}, 2, "--height-mode expects"},
        {{"--emulate", s, "--duration", "0"}, 2, "--duration expects"},
        {{"--model", "nmea-0183"}, 2, "unknown model 'nmea-0183'"}, // case matters
        {{"--replay", s, "--emulate", s}, 2, "exclude each other"},
        {{"--replay", s, "--fast"}, 2, "--fast needs --emulate"},
        {{"--serve", "localhost:65536"}, 2, "--serve expects [HOST:]PORT"},
        {{"--serve", ":2947"}, 2, "--serve expects"},
        {{"--replay", s, "--duration", "1"}, 2, "--duration needs"},
        {{"--replay", s, "--log-raw", "x"}, 2, "--log-raw"},
        {{"--replay", s, "--baud", "auto"}, 2, "--baud auto needs --device"},
        {{"--replay", s, "--reconnect"}, 2, "--reconnect needs --device"},
        {{"--replay", s, "--profile", strData}, 1, "cannot use the profile"},
        {{"--device", "COM3", "--log-raw", strData}, 1, "cannot write the raw log"},
        {{"--json", "--json"}, 2, "--json is given twice"},
        {{"--json=yes"}, 2, "--json takes no value"},
        {{"--list-models", "--replay", "x"}, 2, ""},
        {{"--replay", "/nonexistent/stream.log"}, 1,
         "cannot read '/nonexistent/stream.log': No such file or directory"},
        {{"--emulate", strData, "--fast"}, 1, "it is a folder"},
        {{"--emulate", "/nonexistent/e.log"}, 1, "cannot read"},
        {{"--replay", strData}, 1, "it is a folder"},
        {{"--replay", locked.Path()}, bPermissions ? 1 : 0,
         bPermissions ? "Permission denied" : ""},
        {{"--replay", empty.Path()}, 0, ""},
        {{"--emulate", empty.Path()}, 1, "is empty"},
        {{"--data-log", "a.b"}, 2, "without a dot"},
        {{"--data-log-interval", "2"}, 2, "--data-log-interval"},
        {{"--replay", s, "--data-log", "/nonexistent/session"}, 1, "cannot start the data log"},
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
        // Receiver commands are checked before anything opens.
        {{"--device", "COM3", "--model", "CSI", "--set-elevation-mask", "abc"}, 2,
         "--set-elevation-mask expects"},
        {{"--set-elevation-mask", "91"}, 2, "--set-elevation-mask expects"},
        {{"--beacon", "abc"}, 2, "--beacon expects"},
        {{"--beacon", "310:x"}, 2, "--beacon expects"},
        {{"--raw-interval", "-1"}, 2, "--raw-interval expects"},
        {{"--dgps", "rtk"}, 2, "--dgps expects"},
        {{"--lband", "1557.845"}, 2, "--lband expects"},
        {{"--replay", s, "--query-nmea"}, 2, "needs --device"},
        {{"--device", "COM3", "--model", "CSI", "--query-nmea", "--query-nmea"}, 2,
         "--query-nmea is given twice"},
        {{"--device", "COM3", "--model", "CSI", "--set-nmea"}, 2, "--set-nmea needs a value"},
        {{"--device", "COM3", "--model", "CSI", "--query-nmea=1"}, 2, "--query-nmea takes no value"},
        {{"--device", "COM3", "--model", "Omnistar", "--set-nmea", "default"}, 2,
         "the model 'Omnistar' has no command --set-nmea"},
        {{"--device", "COM3", "--model", "SiRF", "--dgps", "waas", "--query-dgps"}, 2,
         "the model 'SiRF' has no command --query-dgps"},
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
    const SProcessResult help = RunFixora({"--help"});
    EXPECT_EQ(help.nExit, 0);
    EXPECT_TRUE(help.strOut.starts_with("Usage: fixora [options]") &&
                help.strOut.find("--list-models") != std::string::npos);
}

// The commands follow the model's row: the OEM board tunes L-band without a capability for it,
// the SiRF chips set a differential source they cannot report.
TEST(FixoraUsage, ModelListShowsTheNineteenModels)
{
    std::map<std::string, nlohmann::json> models;
    for (const nlohmann::json& model : Records(RunFixora({"--list-models", "--json"}).strOut))
        models[model["name"]] = model;
    ASSERT_EQ(models.size(), 19u);
    const auto has = [&](const char* pszModel, const char* pszOption) {
        const nlohmann::json& commands = models[pszModel]["commands"];
        return std::find(commands.begin(), commands.end(), pszOption) != commands.end();
    };
    EXPECT_EQ(models["NMEA-0183"]["default_baud"], 9600);
    EXPECT_EQ(models["NMEA-0183"]["capabilities"], nlohmann::json::array());
    EXPECT_EQ(models["NMEA-0183"]["commands"], nlohmann::json::array());
    EXPECT_EQ(models["CSI"]["default_baud"], 9600);
    EXPECT_EQ(models["CSI"]["capabilities"],
              (nlohmann::json{"raw-data", "query-nmea", "query-settings", "beacon",
                              "elevation-mask", "set-nmea", "reset"}));
    EXPECT_EQ(1u, models.count("CSI - MAX"));
    EXPECT_TRUE(has("GSR2650 LB", "--lband") && has("GSR2650 LB", "--query-dgps") &&
                has("GSR2650 LB", "--reset"));
    EXPECT_TRUE(has("SiRF", "--dgps") && !has("SiRF", "--query-dgps"));
    const SProcessResult table = RunFixora({"--list-models"});
    EXPECT_NE(table.strOut.find("Garmin 17-N          4800  -\n"), std::string::npos)
        << table.strOut;
}

} // namespace
