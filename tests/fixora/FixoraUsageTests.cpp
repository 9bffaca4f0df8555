// fixora's command line: bad usage and unreadable files give their exit codes and say why; the
// model list shows the whole catalogue.
#include "FixoraRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include <set>

namespace
{

struct SUsageRow
{
    const char* legend;
    std::vector<std::string> args;
    int nExit;
    const char* pszMessage; // part of the standard-error text
};

TEST(FixoraUsage, BadUsageAndUnreadableFilesExplainThemselves)
{
    const std::string strStream = RecordedStream("garmin48.log");
    const CTempFile empty;
    const SUsageRow rows[] = {
        {"unknown option", {"--colour"}, 2, "unknown option '--colour'"},
        {"stray argument", {strStream}, 2, "unexpected argument"},
        {"missing value", {"--replay"}, 2, "--replay needs a value"},
        {"empty value", {"--model="}, 2, "--model needs a value"},
        {"bad number", {"--baud", "fast"}, 2, "--baud expects"},
        {"number with trailing text", {"--min-sats", "4x"}, 2, "--min-sats expects"},
        {"height mode out of range", {"--height-mode", "3"}, 2, "--height-mode expects"},
        {"zero duration", {"--emulate", strStream, "--duration", "0"}, 2, "--duration expects"},
        {"unknown model, case matters", {"--model", "nmea-0183"}, 2, "unknown model 'nmea-0183'"},
        {"two inputs", {"--replay", strStream, "--emulate", strStream}, 2, "exclude each other"},
        {"fast without emulation", {"--replay", strStream, "--fast"}, 2, "--fast needs --emulate"},
        {"duration of a replay", {"--replay", strStream, "--duration", "1"}, 2, "--duration needs"},
        {"raw log without a device", {"--replay", strStream, "--log-raw", "x"}, 2, "--log-raw"},
        {"option given twice", {"--json", "--json"}, 2, "--json is given twice"},
        {"flag with a value", {"--json=yes"}, 2, "--json takes no value"},
        {"missing replay file",
         {"--replay", "/nonexistent/stream.log"},
         1,
         "cannot read '/nonexistent/stream.log': No such file or directory"},
        {"emulation file is a folder",
         {"--emulate", FIXORA_TEST_DATA_DIR, "--fast"},
         1,
         "it is a folder"},
        {"engine-paced emulation of a missing file",
         {"--emulate", "/nonexistent/e.log"},
         1,
         "cannot read"},
        {"replay file is a folder", {"--replay", FIXORA_TEST_DATA_DIR}, 1, "it is a folder"},
        {"empty file replays nothing", {"--replay", empty.Path()}, 0, ""},
        {"empty file cannot be emulated endlessly", {"--emulate", empty.Path()}, 1, "is empty"},
        {"data log name with a dot", {"--data-log", "a.b"}, 2, "without a dot"},
        {"data log interval without a log", {"--data-log-interval", "2"}, 2, "--data-log-interval"},
        {"data log in a missing folder",
         {"--replay", strStream, "--data-log", "/nonexistent/session"},
         1,
         "cannot start the data log"},
        // Receiver commands are checked before anything opens.
        {"mask that is no number",
         {"--device", "COM3", "--model", "CSI", "--set-elevation-mask", "abc"},
         2,
         "--set-elevation-mask expects"},
        {"mask past the zenith", {"--set-elevation-mask", "91"}, 2, "--set-elevation-mask expects"},
        {"beacon that is no frequency", {"--beacon", "abc"}, 2, "--beacon expects"},
        {"beacon rate that is no number", {"--beacon", "310:x"}, 2, "--beacon expects"},
        {"negative raw interval", {"--raw-interval", "-1"}, 2, "--raw-interval expects"},
        {"unknown differential source", {"--dgps", "rtk"}, 2, "--dgps expects"},
        {"L-band without a rate", {"--lband", "1557.845"}, 2, "--lband expects"},
        {"command without a device", {"--replay", strStream, "--query-nmea"}, 2, "needs --device"},
        {"command the model lacks",
         {"--device", "COM3", "--model", "Omnistar", "--set-nmea", "default"},
         2,
         "the model 'Omnistar' has no command --set-nmea"},
        {"a source the model sets but cannot report",
         {"--device", "COM3", "--model", "SiRF", "--dgps", "waas", "--query-dgps"},
         2,
         "the model 'SiRF' has no command --query-dgps"},
    };
    for (const SUsageRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        const SFixoraRun run = RunFixora(row.args);
        EXPECT_EQ(run.nExit, row.nExit);
        EXPECT_NE(run.strErr.find(row.pszMessage), std::string::npos) << run.strErr;
        EXPECT_EQ(run.strOut, "");
    }
}

TEST(FixoraUsage, UnreadableFileExitsWithOne)
{
    const CTempFile file(NmeaSentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,,,,"));
    std::filesystem::permissions(file.Path(), std::filesystem::perms::none);
    if (std::FILE* pFile = std::fopen(file.Path().c_str(), "rb"))
    {
        std::fclose(pFile);
        GTEST_SKIP() << "this user reads files without read permission (root, or a system "
                        "without such permissions)";
    }
    const SFixoraRun run = RunFixora({"--replay", file.Path()});
    EXPECT_EQ(run.nExit, 1);
    EXPECT_NE(run.strErr.find("Permission denied"), std::string::npos) << run.strErr;
}

TEST(FixoraUsage, ModelListShowsTheNineteenModels)
{
    const SFixoraRun run = RunFixora({"--list-models", "--json"});
    ASSERT_EQ(run.nExit, 0);
    std::set<std::string> names;
    for (const nlohmann::json& model : run.Records())
    {
        names.insert(model["name"].get<std::string>());
        if (model["name"] == "NMEA-0183")
        {
            EXPECT_EQ(model["default_baud"], 9600);
            EXPECT_EQ(model["capabilities"], nlohmann::json::array());
            EXPECT_EQ(model["commands"], nlohmann::json::array());
        }
        if (model["name"] == "CSI")
        {
            EXPECT_EQ(model["default_baud"], 9600);
            EXPECT_EQ(model["capabilities"],
                      (nlohmann::json{"raw-data", "query-nmea", "query-settings", "beacon",
                                      "elevation-mask", "set-nmea", "reset"}));
        }
        // The commands follow the row: the OEM board has L-band tuning without a capability
        // for it, the SiRF chips set a differential source they cannot report.
        const auto& commands = model["commands"];
        const auto has = [&](const char* pszOption) {
            return std::find(commands.begin(), commands.end(), pszOption) != commands.end();
        };
        if (model["name"] == "GSR2650 LB")
        {
            EXPECT_TRUE(has("--lband") && has("--query-dgps") && has("--reset")) << commands;
        }
        if (model["name"] == "SiRF")
        {
            EXPECT_TRUE(has("--dgps") && !has("--query-dgps")) << commands;
        }
    }
    EXPECT_EQ(names.size(), 19u);
    EXPECT_TRUE(names.count("CSI - MAX") == 1 && names.count("GSR2650 LB") == 1);

    const SFixoraRun table = RunFixora({"--list-models"});
    EXPECT_NE(table.strOut.find("Garmin 17-N          4800  -\n"), std::string::npos)
        << table.strOut;
    EXPECT_EQ(RunFixora({"--list-models", "--replay", "x"}).nExit, 2);
}

} // namespace
