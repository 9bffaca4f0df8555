// fixora on recorded streams: what it prints for a raw replay and for the fast emulation, checked
// against the sentences of the streams by hand, and the receiver options as they reach the fix.
#include "FixoraRunner.h"

#include <gtest/gtest.h>

namespace
{

struct SStreamRow
{
    const char* legend;
    std::vector<std::string> args;
    int nRecords; // every record printed; -1: not counted by hand
    int nFixes;   // records with the position flag: one per accepted GGA
    // The first fix, from the sentence named in the legend.
    double dUtc, dLat, dLon, dAlt;
    const char* pszStatus;
    int nSatsUsed;
    double dHdop;
};

TEST(FixoraStreams, RecordedStreamsPrintTheirFixes)
{
    const SStreamRow rows[] = {
        // 20 GGAs and 20 three-sentence GSV cycles (each completed cycle is published).
        // First: $GPGGA,223251.00,3757.92653,N,12231.94543,W,1,05,1.20,9.2,M,-25.1,M,,*6C
        {"navika-100 replayed",
         {"--replay", RecordedStream("navika-100-fix.log")},
         40,
         20,
         81171.0,
         37.0 + 57.92653 / 60,
         -(122.0 + 31.94543 / 60),
         9.2,
         "gps",
         5,
         1.2},
        // 7 GGAs, 7 complete GSV cycles, 7 $PGRMZ and 7 $PGRMM (unknown to the receiver: each
        // is published as a proprietary record). Southern and eastern hemisphere.
        // First: $GPGGA,225308,4527.458,S,16709.165,E,1,05,2.1,14.7,M,1.1,M,,*53
        {"garmin48 replayed",
         {"--replay", RecordedStream("garmin48.log")},
         28,
         7,
         82388.0,
         -(45.0 + 27.458 / 60),
         167.0 + 9.165 / 60,
         14.7,
         "gps",
         5,
         2.1},
        // 122 GGAs (104 of quality 2, 18 of quality 4), no GSV.
        // First: $GNGGA,132819.60,4134.49795459,N,09345.03431408,W,2,10,0.9,278.161,M,...
        {"nmea-rtk replayed",
         {"--replay", RecordedStream("nmea-rtk.log")},
         122,
         122,
         48499.6,
         41.0 + 34.49795459 / 60,
         -(93.0 + 45.03431408 / 60),
         278.161,
         "corrected_gps",
         10,
         0.9},
        // 5 GGAs with 3 satellites (below the default minimum of 4: no fix quality) and 5 GSV
        // cycles. First: $GPGGA,183530.00,2037.76012,N,08704.07373,W,1,03,2.2,072.35,M,...
        {"ac12 replayed",
         {"--replay", RecordedStream("ac12_binary.log")},
         10,
         5,
         66930.0,
         20.0 + 37.76012 / 60,
         -(87.0 + 4.07373 / 60),
         72.35,
         "none",
         3,
         2.2},
        // 58 KB, far more than the framing buffer holds: replayed in pieces, nothing dropped.
        // First: $GNGGA,003956.00,4552.65403,S,17030.00668,E,1,12,0.64,14.2,M,1.8,M,,*56
        {"zed-f9p replayed",
         {"--replay", RecordedStream("ublox-zed-f9p-nmea.log")},
         -1,
         29,
         2396.0,
         -(45.0 + 52.65403 / 60),
         170.0 + 30.00668 / 60,
         14.2,
         "gps",
         12,
         0.64},
        // A line-feed-only file, line by line: 8 $INGGA (quality 2 is "calculated" there).
        // First: $INGGA,194104,4426.1138,N,07140.5536,W,2,10,0.9,267.9,M,,,,*13
        {"humminbird emulated fast",
         {"--emulate", RecordedStream("humminbird-M37.log"), "--fast"},
         8,
         8,
         70864.0,
         44.0 + 26.1138 / 60,
         -(71.0 + 40.5536 / 60),
         267.9,
         "calculated",
         10,
         0.9},
    };
    for (const SStreamRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        std::vector<std::string> args = row.args;
        args.insert(args.end(), {"--json", "--no-clock"});
        const SFixoraRun run = RunFixora(args);
        ASSERT_EQ(run.nExit, 0) << run.strErr;
        EXPECT_EQ(run.strErr, "");
        if (row.nRecords >= 0)
        {
            EXPECT_EQ(static_cast<int>(run.Records().size()), row.nRecords);
        }
        const std::vector<nlohmann::json> fixes = run.Fixes();
        ASSERT_EQ(static_cast<int>(fixes.size()), row.nFixes);
        const nlohmann::json& fix = fixes.front();
        EXPECT_DOUBLE_EQ(fix["utc"].get<double>(), row.dUtc);
        EXPECT_NEAR(fix["lat"].get<double>(), row.dLat, 1e-9);
        EXPECT_NEAR(fix["lon"].get<double>(), row.dLon, 1e-9);
        EXPECT_NEAR(fix["alt"].get<double>(), row.dAlt, 1e-9);
        EXPECT_EQ(fix["status_name"], row.pszStatus);
        EXPECT_EQ(fix["sats_used"], row.nSatsUsed);
        EXPECT_DOUBLE_EQ(fix["hdop"].get<double>(), row.dHdop);
        EXPECT_EQ(fix["time"], 0);
    }
}

TEST(FixoraStreams, SpotValuesOfStatusErrorsAndProprietaryRecords)
{
    const SFixoraRun rtk = RunFixora({"--replay", RecordedStream("nmea-rtk.log"), "--json"});
    int nRtkFixed = 0;
    for (const nlohmann::json& fix : rtk.Fixes())
    {
        nRtkFixed += fix["status_name"] == "rtk_fixed" && fix["status"] == 6 ? 1 : 0;
    }
    EXPECT_EQ(nRtkFixed, 18); // the 18 GGAs of quality 4
    EXPECT_GT(rtk.Records().front()["time"].get<long long>(), 1500000000); // the computer's clock

    const std::vector<nlohmann::json> garmin =
        RunFixora({"--replay", RecordedStream("garmin48.log"), "--json", "--no-clock"}).Records();
    ASSERT_EQ(garmin.size(), 28u);
    // The third record is the first $PGRMZ,48,f,3*27, after $PGRME,9.1,M,15.0,M,12.0,M*21.
    const nlohmann::json& proprietary = garmin[2];
    EXPECT_EQ(proprietary["flags"]["proprietary"], true);
    EXPECT_EQ(proprietary["proprietary"], "$PGRMZ,48,f,3*27\r\n");
    EXPECT_DOUBLE_EQ(proprietary["errors"]["horz"].get<double>(), 9.1);
    EXPECT_DOUBLE_EQ(proprietary["errors"]["vert"].get<double>(), 15.0);
    EXPECT_DOUBLE_EQ(proprietary["errors"]["spherical"].get<double>(), 12.0);
    // The second record closes the first GSV cycle: $GPGSV,3,1,11,01,78,221,47,... with
    // $GPGSA,A,3,01,,,,13,20,22,,,,28,,3.1,2.1,2.0 before it: 11 in view, satellite 1 used.
    const nlohmann::json& cycle = garmin[1];
    EXPECT_EQ(cycle["flags"]["position"], false);
    EXPECT_EQ(cycle["flags"]["satellites_in_view"], true);
    EXPECT_EQ(cycle["sats_in_view"], 11);
    ASSERT_EQ(cycle["satellites"].size(), 11u);
    const nlohmann::json& first = cycle["satellites"][0];
    EXPECT_EQ(first["prn"], 1);
    EXPECT_NEAR(first["elev"].get<double>(), 78.0, 1e-9);
    EXPECT_NEAR(first["az"].get<double>(), 221.0, 1e-9);
    EXPECT_EQ(first["snr"], 47);
    EXPECT_EQ(first["used"], true);
    EXPECT_DOUBLE_EQ(cycle["pdop"].get<double>(), 3.1);
}

TEST(FixoraStreams, FastEmulationFramesLinesAsReplayFramesBytes)
{
    // Every line of this stream ends in CR LF, so both ways must frame the same messages.
    const std::string strStream = RecordedStream("navika-100-fix.log");
    const SFixoraRun replay = RunFixora({"--replay", strStream, "--json", "--no-clock"});
    const SFixoraRun emulated =
        RunFixora({"--emulate", strStream, "--fast", "--json", "--no-clock"});
    ASSERT_EQ(replay.nExit, 0);
    ASSERT_EQ(emulated.nExit, 0);
    EXPECT_FALSE(replay.strOut.empty());
    EXPECT_EQ(emulated.strOut, replay.strOut);
}

TEST(FixoraStreams, CollectPrintsMessageTextsAndPauseLinesGoToStandardError)
{
    const std::string strGga = Sentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,"
                                        "46.9,M,,");
    const std::string strGsa = Sentence("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
    // Emulation lines: no line end needed; the pause line is not a message.
    const CTempFile file(strGga.substr(0, strGga.size() - 2) + "\nVKR PAUSE,take a break\n" +
                         strGsa.substr(0, strGsa.size() - 2) + "\n");
    const SFixoraRun run = RunFixora({"--emulate", file.Path(), "--fast", "--collect", "--json"});
    ASSERT_EQ(run.nExit, 0);
    EXPECT_EQ(run.strErr, "fixora: take a break\n");
    std::vector<std::string> texts;
    int nPositions = 0;
    for (const nlohmann::json& record : run.Records())
    {
        if (record["type"] == "text")
        {
            texts.push_back(record["text"]);
        }
        nPositions += record["type"] == "position" ? 1 : 0;
    }
    EXPECT_EQ(texts, (std::vector<std::string>{strGga, strGsa}));
    EXPECT_EQ(nPositions, 1); // the GGA; a GSA alone publishes nothing

    // Without --collect no text is printed.
    const SFixoraRun quiet = RunFixora({"--emulate", file.Path(), "--fast", "--json"});
    EXPECT_EQ(quiet.Records().size(), 1u);
}

TEST(FixoraStreams, CollectGoesOnPastTheEnginesCopyOfTheTexts)
{
    // The engine keeps a copy of about 100000 characters of texts; the stream twice is 116 KB.
    const auto CountTexts = [](const std::string& strPath) {
        int nTexts = 0;
        for (const nlohmann::json& record :
             RunFixora({"--replay", strPath, "--collect", "--json"}).Records())
        {
            nTexts += record["type"] == "text" ? 1 : 0;
        }
        return nTexts;
    };
    const std::string strStream = RecordedStream("ublox-zed-f9p-nmea.log");
    std::ifstream file(strStream, std::ios::binary);
    const std::string strBytes((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
    const CTempFile twice(strBytes + strBytes);
    const int nOnce = CountTexts(strStream);
    EXPECT_GT(nOnce, 1000);
    EXPECT_EQ(CountTexts(twice.Path()), 2 * nOnce);
}

struct SOptionRow
{
    const char* legend;
    std::vector<std::string> args;
    double dAlt;
    const char* pszStatus;
};

TEST(FixoraStreams, ReceiverOptionsReachTheFix)
{
    // Altitude 545.4 M, geoid separation 46.9 M, 8 satellites.
    const std::string strGga = Sentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,"
                                        "46.9,M,,");
    const CTempFile file(strGga);
    const SOptionRow rows[] = {
        {"defaults", {}, 545.4, "gps"},
        {"antenna height taken off", {"--antenna-height", "2"}, 543.4, "gps"},
        {"height mode 1 adds the separation",
         {"--antenna-height=2", "--height-mode=1"},
         590.3,
         "gps"},
        {"height mode 2 subtracts it",
         {"--antenna-height", "2", "--height-mode", "2"},
         496.5,
         "gps"},
        {"more satellites required than used", {"--min-sats", "9"}, 545.4, "none"},
        {"a model of the catalogue parses the same", {"--model", "Garmin 17-N"}, 545.4, "gps"},
    };
    for (const SOptionRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        std::vector<std::string> args = {"--replay", file.Path(), "--json"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const SFixoraRun run = RunFixora(args);
        ASSERT_EQ(run.nExit, 0) << run.strErr;
        const std::vector<nlohmann::json> fixes = run.Fixes();
        ASSERT_EQ(fixes.size(), 1u);
        EXPECT_NEAR(fixes[0]["alt"].get<double>(), row.dAlt, 1e-9);
        EXPECT_EQ(fixes[0]["status_name"], row.pszStatus);
    }
}

} // namespace
