// fixora --serve with the clients of Debian's gpsd-clients, against one replay paced by UTC: what
// they get must be the records that fixora --replay --json prints for the same stream.
#include "ServeSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <set>

namespace
{

// The stream, its fixes as fixora --replay --json prints them (by UTC in milliseconds) and the
// server replaying it: twenty seconds of fixes, stopped long before their end.
struct SServed
{
    CTempFile stream{FastStream(2000), ".nmea"};
    std::map<long long, nlohmann::json> fixes;
    CServing server{{"--replay", stream.Path()}};
};

class FixoraGpsdClients : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_pServed = std::make_unique<SServed>();
        for (const nlohmann::json& fix :
             Records(RunFixora({"--replay", s_pServed->stream.Path(), "--json"}).strOut, "fix"))
            s_pServed->fixes[std::llround(fix["utc"].get<double>() * 1000.0)] = fix;
    }
    static void TearDownTestSuite()
    {
        EXPECT_EQ(s_pServed->server.Stop(SIGTERM), 0) << s_pServed->server.Err();
        s_pServed.reset();
    }

    // The fix at an ISO 8601 time; null when there is none.
    static const nlohmann::json* FixAt(const std::string& strIso)
    {
        const auto it = s_pServed->fixes.find(std::llround(SecondsOfDay(strIso) * 1000.0));
        return it == s_pServed->fixes.end() ? nullptr : &it->second;
    }

    static SProcessResult Client(const std::string& strProgram, std::vector<std::string> args)
    {
        args.insert(args.begin(), {"20", "/usr/bin/" + strProgram});
        args.push_back(s_pServed->server.Address());
        return RunProcess("/usr/bin/timeout", args);
    }

    static inline std::unique_ptr<SServed> s_pServed;
};

// gpspipe watches the reports and the receiver's sentences both.
TEST_F(FixoraGpsdClients, GpspipeGetsTheRecordsAsTpvAndSkyAndTheSentences)
{
    const SProcessResult run = Client("gpspipe", {"-w", "-r", "-n", "100"});
    ASSERT_EQ(run.nExit, 0) << run.strErr;
    const std::vector<std::string> stream = Lines(s_pServed->stream.Read());
    const std::set<std::string> streamLines(stream.begin(), stream.end());
    std::map<std::string, int> counts;
    for (const std::string& strLine : Lines(run.strOut))
    {
        if (strLine.starts_with("$"))
        {
            ++counts["$"];
            EXPECT_EQ(streamLines.count(strLine), 1u) << strLine;
            continue;
        }
        const nlohmann::json report = nlohmann::json::parse(strLine);
        ++counts[report["class"]];
        if (report["class"] == "TPV")
        {
            const nlohmann::json* pFix = FixAt(report["time"]);
            ASSERT_NE(pFix, nullptr) << strLine;
            const nlohmann::json& fix = *pFix;
            EXPECT_EQ(report["mode"], 3);
            EXPECT_EQ(report["status"], fix["status"]); // gps 1, corrected_gps 2: the same
            EXPECT_EQ(report["fixora_status"], fix["status_name"]);
            for (const char* pszKey : {"lat", "lon", "alt"})
                EXPECT_EQ(report[pszKey], fix[pszKey]) << pszKey;
            if (fix["flags"]["motion"] == true)
            {
                EXPECT_EQ(report["speed"], fix["speed"]);
                const double dTrack = 450.0 - fix["heading"].get<double>() * 180.0 / M_PI;
                EXPECT_NEAR(report["track"].get<double>(), std::fmod(dTrack, 360.0), 1e-9);
            }
        }
        else if (report["class"] == "SKY")
        {
            EXPECT_EQ(report["pdop"], 2.5);
            EXPECT_EQ(report["vdop"], 2.1);
            EXPECT_EQ(report["uSat"], 4);
            // The stream's satellites never change: any fix's table is the one to match.
            const nlohmann::json& sats = report["satellites"];
            const nlohmann::json& table = s_pServed->fixes.rbegin()->second["satellites"];
            ASSERT_EQ(sats.size(), 4u) << strLine;
            for (std::size_t i = 0; i < table.size(); ++i)
            {
                EXPECT_EQ(sats[i], (nlohmann::json{{"PRN", table[i]["prn"]},
                                                   {"el", table[i]["elev"]},
                                                   {"az", table[i]["az"]},
                                                   {"ss", table[i]["snr"]},
                                                   {"used", table[i]["used"]}}));
            }
        }
    }
    EXPECT_GE(counts["TPV"], 10);
    EXPECT_GE(counts["SKY"], 10);
    EXPECT_GE(counts["$"], 30);
}

TEST_F(FixoraGpsdClients, GpxloggerTracksTheFixes)
{
    const CTempFile track("", ".gpx");
    CBackgroundRun logger({"-f", track.Path(), s_pServed->server.Address()}, "/usr/bin/gpxlogger");
    ASSERT_TRUE(logger.Started());
    const std::regex point(R"re(<trkpt lat="([-0-9.]+)" lon="([-0-9.]+)">\s*<time>([^<]+)<)re");
    std::string strGpx;
    const auto nPoints = [&] {
        strGpx = track.Read();
        return std::distance(std::sregex_iterator(strGpx.begin(), strGpx.end(), point),
                             std::sregex_iterator());
    };
    EXPECT_TRUE(WaitUntil([&] { return nPoints() >= 10; }));
    logger.Stop(SIGINT);
    EXPECT_GE(nPoints(), 10);
    EXPECT_NE(strGpx.find("</gpx>"), std::string::npos) << strGpx;
    for (auto it = std::sregex_iterator(strGpx.begin(), strGpx.end(), point);
         it != std::sregex_iterator(); ++it)
    {
        const nlohmann::json* pFix = FixAt((*it)[3]);
        ASSERT_NE(pFix, nullptr) << it->str();
        // gpxlogger writes nine decimals.
        EXPECT_NEAR(std::stod((*it)[1]), (*pFix)["lat"].get<double>(), 1e-9);
        EXPECT_NEAR(std::stod((*it)[2]), (*pFix)["lon"].get<double>(), 1e-9);
    }
}

} // namespace
