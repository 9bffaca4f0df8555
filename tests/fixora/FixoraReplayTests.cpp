// fixora on recorded streams: what it prints for a raw replay and for the fast emulation, checked
// against the sentences of the streams by hand, and the receiver options as they reach the fix.
#include "FixoraRunner.h"

#include <gtest/gtest.h>

namespace
{

// The first fix's values in degrees and every record of three streams are pinned by the golden
// streams; here: what the others print, replayed and emulated.
TEST(FixoraStreams, RecordedStreamsPrintTheirFixes)
{
    struct SRow
    {
        const char* legend;
        std::vector<std::string> args;
        int nRecords; // every record printed; -1: not counted by hand
        int nFixes;   // records with the position flag: one per accepted GGA
        double dUtc;  // the first fix, from the sentence in the comment
        const char* pszStatus;
    };
    const SRow rows[] = {
        // 20 GGAs and 20 three-sentence GSV cycles (each completed cycle is published).
        // First: $GPGGA,223251.00,3757.92653,N,12231.94543,W,1,05,1.20,9.2,M,-25.1,M,,*6C
        {"navika-100 replayed",
         {"--replay", RecordedStream("navika-100-fix.log")},
         40,
         20,
         81171.0,
         "gps"},
        // 122 GGAs (104 of quality 2, 18 of quality 4), no GSV.
        // First: $GNGGA,132819.60,4134.49795459,N,09345.03431408,W,2,10,0.9,278.161,M,...
        {"nmea-rtk replayed",
         {"--replay", RecordedStream("nmea-rtk.log")},
         122,
         122,
         48499.6,
         "corrected_gps"},
        // 58 KB, far more than the framing buffer holds: replayed in pieces, nothing dropped.
        // First: $GNGGA,003956.00,4552.65403,S,17030.00668,E,1,12,0.64,14.2,M,1.8,M,,*56
        {"zed-f9p replayed",
         {"--replay", RecordedStream("ublox-zed-f9p-nmea.log")},
         -1,
         29,
         2396.0,
         "gps"},
        // A line-feed-only file, line by line: 8 $INGGA (quality 2 is "calculated" there).
        // First: $INGGA,194104,4426.1138,N,07140.5536,W,2,10,0.9,267.9,M,,,,*13
        {"humminbird emulated fast",
         {"--emulate", RecordedStream("humminbird-M37.log"), "--fast"},
         8,
         8,
         70864.0,
         "calculated"},
    };
    for (const SRow& row : rows)
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
        EXPECT_DOUBLE_EQ(fixes.front()["utc"].get<double>(), row.dUtc);
        EXPECT_EQ(fixes.front()["status_name"], row.pszStatus);
        EXPECT_EQ(fixes.front()["time"], 0);
    }

    // Without --no-clock each record carries the computer's clock; the 18 GGAs of quality 4 are
    // RTK fixes.
    const SFixoraRun rtk = RunFixora({"--replay", RecordedStream("nmea-rtk.log"), "--json"});
    int nRtkFixed = 0;
    for (const nlohmann::json& fix : rtk.Fixes())
    {
        nRtkFixed += fix["status_name"] == "rtk_fixed" && fix["status"] == 6 ? 1 : 0;
    }
    EXPECT_EQ(nRtkFixed, 18);
    EXPECT_GT(rtk.Records().front()["time"].get<long long>(), 1500000000);
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
    const std::string strGga = NmeaSentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,"
                                            "46.9,M,,");
    const std::string strGsa = NmeaSentence("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
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
    const std::string strBytes = CScratchFolder::Read(strStream);
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
    const std::string strGga = NmeaSentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,"
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

// A reply's record prints as one status line naming what the reply set, in words and units.
TEST(FixoraStreams, RepliesPrintWhatTheySet)
{
    struct SRow
    {
        const char* legend;
        std::vector<std::string> args;
        const char* pszReply; // the line as it stands in the stream
        const char* pszStatus;
    };
    const SRow rows[] = {
        {"elevation mask", {}, "$[COM1]PEM:10 ION:N SAV:Y\r\n", "status  elevation-mask 10 deg"},
        {"NMEA switches, in the order of the record",
         {},
         "$[COM1]PRTA: 9600 N81 ALM OFF DAL ON ON GRS MSG ON OFF GXP RRE CRT OFF\r\n",
         "status  nmea GGA on, GSA on, ZDA off, GLL off, VTG on, SAT off"},
        {"beacon signal",
         {},
         "$CRMSS,55,27,318.0,100*4C\r\n",
         "status  beacon 318.0 kHz 100 bps snr 27 strength 55"},
        {"the position-mode group when it is the news",
         {},
         "$[COM1]PMD:1 FIX:0 ALT:+00100.00 PDP:30 HDP:05 VDP:06\r\n",
         "status  position-mode 1 altitude 100.00 m pdop-mask 30 hdop-mask 5 vdop-mask 6"},
        {"recording interval", {}, "$[COM1]PER:000.50\r\n", "status  recording-interval 0.50 s"},
        {"acknowledgement", {}, "$PASHR,ACK*3D\r\n", "status  acknowledged"},
        {"differential source",
         {"--model", "GSR2650 LB"},
         "#RTKSOURCEA,COM1,0,60.5,FINESTEERING,1337,400008.000,0,c00c,1984;AUTO,ANY*1\r\n",
         "status  dgps beacon"},
        {"L-band tuning", {"--model", "Sokkia Axis3"}, "$>JSHOW,FREQ,0\r\n", "status  lband auto"},
        {"information text, its bytes escaped",
         {"--model", "Sokkia Axis3"},
         "$>JI,311062,1,5\r\n",
         "status  info \"$>JI,311062,1,5\\x0D\\x0A\""},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        const CTempFile file(row.pszReply);
        std::vector<std::string> args = {"--replay", file.Path()};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const SFixoraRun run = RunFixora(args);
        ASSERT_EQ(run.nExit, 0) << run.strErr;
        EXPECT_EQ(std::string(row.pszStatus) + "\n", run.strOut);
    }
}

} // namespace
