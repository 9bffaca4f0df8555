// fixora on recorded streams: what it prints for a raw replay and for the fast emulation, checked
// against the sentences of the streams by hand, and the receiver options as they reach the fix.
#include "FixoraRunner.h"

#include <gtest/gtest.h>

namespace
{

const std::string kGga =
    NmeaSentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");

int Count(const SFixoraRun& run, const char* pszType)
{
    const std::vector<nlohmann::json> records = run.Records();
    return static_cast<int>(
        std::count_if(records.begin(), records.end(),
                      [&](const nlohmann::json& r) { return r["type"] == pszType; }));
}

// Three streams are pinned record by record by the golden streams; here the first fix of others,
// from the sentence in the comment, and how many records they print (-1: not counted by hand).
TEST(FixoraStreams, RecordedStreamsPrintTheirFixes)
{
    const struct
    {
        std::vector<std::string> args;
        int nRecords;
        int nFixes; // one per accepted GGA
        double dUtc;
        const char* pszStatus;
    } rows[] = {
        // clang-format off
        // 20 GGAs and 20 three-sentence GSV cycles (each completed cycle is published).
        // $GPGGA,223251.00,3757.92653,N,12231.94543,W,1,05,1.20,9.2,M,-25.1,M,,*6C
        {{"--replay", RecordedStream("navika-100-fix.log")}, 40, 20, 81171.0, "gps"},
        // 122 GGAs (104 of quality 2, 18 of quality 4), no GSV.
        // $GNGGA,132819.60,4134.49795459,N,09345.03431408,W,2,10,0.9,278.161,M,...
        {{"--replay", RecordedStream("nmea-rtk.log")}, 122, 122, 48499.6, "corrected_gps"},
        // 58 KB, far more than the framing buffer holds: replayed in pieces, nothing dropped.
        // $GNGGA,003956.00,4552.65403,S,17030.00668,E,1,12,0.64,14.2,M,1.8,M,,*56
        {{"--replay", RecordedStream("ublox-zed-f9p-nmea.log")}, -1, 29, 2396.0, "gps"},
        // A line-feed-only file, line by line: 8 $INGGA (quality 2 is "calculated" there).
        // $INGGA,194104,4426.1138,N,07140.5536,W,2,10,0.9,267.9,M,,,,*13
        {{"--emulate", RecordedStream("humminbird-M37.log"), "--fast"}, 8, 8, 70864.0,
         "calculated"},
        // clang-format on
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.args[1]);
        std::vector<std::string> args = row.args;
        args.insert(args.end(), {"--json", "--no-clock"});
        const SFixoraRun run = RunFixora(args);
        ASSERT_EQ(run.nExit, 0) << run.strErr;
        EXPECT_EQ(run.strErr, "");
        EXPECT_TRUE(row.nRecords < 0 || static_cast<int>(run.Records().size()) == row.nRecords);
        const std::vector<nlohmann::json> fixes = run.Fixes();
        ASSERT_EQ(static_cast<int>(fixes.size()), row.nFixes);
        EXPECT_DOUBLE_EQ(fixes.front()["utc"].get<double>(), row.dUtc);
        EXPECT_EQ(fixes.front()["status_name"], row.pszStatus);
        EXPECT_EQ(fixes.front()["time"], 0);
    }

    // Without --no-clock each record carries the computer's clock; the 18 GGAs of quality 4 are
    // RTK fixes.
    const SFixoraRun rtk = RunFixora({"--replay", RecordedStream("nmea-rtk.log"), "--json"});
    const std::vector<nlohmann::json> fixes = rtk.Fixes();
    EXPECT_EQ(18, std::count_if(fixes.begin(), fixes.end(), [](const nlohmann::json& fix) {
                  return fix["status_name"] == "rtk_fixed" && fix["status"] == 6;
              }));
    EXPECT_GT(rtk.Records().front()["time"].get<long long>(), 1500000000);

    // Every line of this stream ends in CR LF, so the fast emulation frames lines as the replay
    // frames bytes.
    const std::string strStream = RecordedStream("navika-100-fix.log");
    const SFixoraRun replay = RunFixora({"--replay", strStream, "--json", "--no-clock"});
    const SFixoraRun emulated =
        RunFixora({"--emulate", strStream, "--fast", "--json", "--no-clock"});
    EXPECT_FALSE(replay.strOut.empty());
    EXPECT_EQ(emulated.strOut, replay.strOut);
}

TEST(FixoraStreams, CollectPrintsEveryMessageTextAndPauseLinesGoToStandardError)
{
    const std::string strGsa = NmeaSentence("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
    // Emulation lines: no line end needed; the pause line is not a message.
    const CTempFile file(kGga.substr(0, kGga.size() - 2) + "\nVKR PAUSE,take a break\n" +
                         strGsa.substr(0, strGsa.size() - 2) + "\n");
    const SFixoraRun run = RunFixora({"--emulate", file.Path(), "--fast", "--collect", "--json"});
    ASSERT_EQ(run.nExit, 0);
    EXPECT_EQ(run.strErr, "fixora: take a break\n");
    ASSERT_EQ(run.Records().size(), 3u);
    EXPECT_EQ(run.Records()[0]["type"], "position"); // the GGA's; a GSA alone publishes nothing
    EXPECT_EQ(run.Records()[1]["text"], kGga);
    EXPECT_EQ(run.Records()[2]["text"], strGsa);
    EXPECT_EQ(RunFixora({"--emulate", file.Path(), "--fast", "--json"}).Records().size(), 1u)
        << "no text without --collect";

    // The engine keeps a copy of about 100000 characters of texts; the stream twice is 116 KB.
    const std::string strStream = RecordedStream("ublox-zed-f9p-nmea.log");
    const CTempFile twice(CScratchFolder::Read(strStream) + CScratchFolder::Read(strStream));
    const int nOnce = Count(RunFixora({"--replay", strStream, "--collect", "--json"}), "text");
    EXPECT_GT(nOnce, 1000);
    EXPECT_EQ(Count(RunFixora({"--replay", twice.Path(), "--collect", "--json"}), "text"),
              2 * nOnce);
}

TEST(FixoraStreams, ReceiverOptionsReachTheFix)
{
    // Altitude 545.4 M, geoid separation 46.9 M, 8 satellites.
    const CTempFile file(kGga);
    const struct
    {
        std::vector<std::string> args;
        double dAlt;
        const char* pszStatus;
    } rows[] = {
        // clang-format off
        {{}, 545.4, "gps"},
        {{"--antenna-height", "2"}, 543.4, "gps"},                         // taken off
        {{"--antenna-height=2", "--height-mode=1"}, 590.3, "gps"},         // adds the separation
        {{"--antenna-height", "2", "--height-mode", "2"}, 496.5, "gps"},   // subtracts it
        {{"--min-sats", "9"}, 545.4, "none"},                              // more than used
        {{"--model", "Garmin 17-N"}, 545.4, "gps"},
        // clang-format on
    };
    for (const auto& row : rows)
    {
        std::vector<std::string> args = {"--replay", file.Path(), "--json"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        SCOPED_TRACE(args.back());
        const std::vector<nlohmann::json> fixes = RunFixora(args).Fixes();
        ASSERT_EQ(fixes.size(), 1u);
        EXPECT_NEAR(fixes[0]["alt"].get<double>(), row.dAlt, 1e-9);
        EXPECT_EQ(fixes[0]["status_name"], row.pszStatus);
    }
}

// A reply's record prints as one status line naming what the reply set, in words and units.
TEST(FixoraStreams, RepliesPrintWhatTheySet)
{
    const struct
    {
        const char* pszModel; // null: the default
        const char* pszReply; // the line as it stands in the stream
        const char* pszStatus;
    } rows[] = {
        // clang-format off
        {nullptr, "$[COM1]PEM:10 ION:N SAV:Y\r\n", "elevation-mask 10 deg"},
        {nullptr, "$[COM1]PRTA: 9600 N81 ALM OFF DAL ON ON GRS MSG ON OFF GXP RRE CRT OFF\r\n",
         "nmea GGA on, GSA on, ZDA off, GLL off, VTG on, SAT off"},
        {nullptr, "$CRMSS,55,27,318.0,100*4C\r\n", "beacon 318.0 kHz 100 bps snr 27 strength 55"},
        {nullptr, "$[COM1]PMD:1 FIX:0 ALT:+00100.00 PDP:30 HDP:05 VDP:06\r\n",
         "position-mode 1 altitude 100.00 m pdop-mask 30 hdop-mask 5 vdop-mask 6"},
        {nullptr, "$[COM1]PER:000.50\r\n", "recording-interval 0.50 s"},
        {nullptr, "$PASHR,ACK*3D\r\n", "acknowledged"},
        {"GSR2650 LB",
         "#RTKSOURCEA,COM1,0,60.5,FINESTEERING,1337,400008.000,0,c00c,1984;AUTO,ANY*1\r\n",
             "dgps beacon"},
        {"Sokkia Axis3", "$>JSHOW,FREQ,0\r\n", "lband auto"},
        {"Sokkia Axis3", "$>JI,311062,1,5\r\n", "info \"$>JI,311062,1,5\\x0D\\x0A\""},
         // bytes escaped
        // clang-format on
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.pszReply);
        const CTempFile file(row.pszReply);
        std::vector<std::string> args = {"--replay", file.Path()};
        if (row.pszModel != nullptr)
        {
            args.insert(args.end(), {"--model", row.pszModel});
        }
        const SFixoraRun run = RunFixora(args);
        ASSERT_EQ(run.nExit, 0) << run.strErr;
        EXPECT_EQ("status  " + std::string(row.pszStatus) + "\n", run.strOut);
    }
}

} // namespace
