// fixora --data-log read back by an independent reader, rtklib: the observation file as convbin
// turns it into its own RINEX (epochs, satellites and values as fixora printed them), and both
// files together in rnx2rtkp, which finds the receiver where the stream's navigation records put
// it (the stream's measurements agree with its ephemerides; tests/data/streams/README.md).
#include "../FixoraRunner.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <regex>

namespace
{

const std::string kStream = std::string(FIXORA_TEST_DATA_DIR) + "/streams/ashtech_raw.bin";
constexpr double kStation[3] = {4331297.3480, 567555.6390, 4633133.7280};

using Time = std::array<double, 6>;        // year (two digits), month, day, hour, minute, second
using Observation = std::array<double, 4>; // PRN, C1, L1, D1

// The epochs of a RINEX 2.11 observation file of C1, L1, D1 with at most 12 satellites an epoch.
std::vector<std::pair<Time, std::vector<Observation>>> ReadObservations(const std::string& strText)
{
    std::istringstream lines(strText);
    std::string strLine;
    while (std::getline(lines, strLine) && strLine.find("END OF HEADER") == std::string::npos)
    {
    }
    std::vector<std::pair<Time, std::vector<Observation>>> epochs;
    while (std::getline(lines, strLine))
    {
        auto& [time, observations] = epochs.emplace_back();
        std::istringstream(strLine.substr(0, 26)) >> time[0] >> time[1] >> time[2] >> time[3] >>
            time[4] >> time[5];
        for (int i = 0; i < std::stoi(strLine.substr(29, 3)); ++i)
        {
            Observation& observation = observations.emplace_back();
            observation[0] = std::stoi(strLine.substr(33 + 3 * i, 2));
            std::string strValues;
            std::getline(lines, strValues);
            strValues.resize(48, ' ');
            for (int k = 0; k < 3; ++k)
            {
                // A blank field is a missing value.
                const std::string strField = strValues.substr(16 * k, 14);
                observation[k + 1] = strField.find_first_not_of(' ') == std::string::npos
                                         ? std::nan("")
                                         : std::stod(strField);
            }
        }
    }
    return epochs;
}

// The calendar of a GPS week and second.
Time EpochTime(int nWeek, double dSeconds)
{
    const std::time_t t =
        315964800 + static_cast<std::time_t>(nWeek) * 604800 + static_cast<std::time_t>(dSeconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    return {double(utc.tm_year % 100), double(utc.tm_mon + 1),
            double(utc.tm_mday),       double(utc.tm_hour),
            double(utc.tm_min),        utc.tm_sec + (dSeconds - std::floor(dSeconds))};
}

bool Installed(const std::string& strProgram)
{
    return std::filesystem::exists("/usr/bin/" + strProgram);
}

} // namespace

TEST(FixoraDataLog, RtklibReadsBothFilesBack)
{
    if (!Installed("convbin") || !Installed("rnx2rtkp"))
    {
        GTEST_SKIP() << "rtklib is not installed (Debian package rtklib)";
    }
    const CScratchFolder folder;
    const SFixoraRun run = RunFixora({"--replay", kStream, "--json", "--no-clock", "--data-log",
                                      folder.File("session").string(), "--antenna-height", "1.5"});
    ASSERT_EQ(0, run.nExit) << run.strErr;
    // The two files' paths, from what fixora says of them.
    std::smatch match;
    ASSERT_TRUE(std::regex_search(
        run.strErr, match,
        std::regex("data log: \\d+ epochs in (\\S+), \\d+ ephemerides in (\\S+)")))
        << run.strErr;
    const std::string strObservations = match[1];
    const std::string strNavigation = match[2];
    EXPECT_NE(std::string::npos, strObservations.find(folder.File("session_").string()));

    // convbin's own RINEX of the observation file: every epoch and value as fixora printed it.
    const std::string strBack = folder.File("back.obs").string();
    const SProcessResult convbin = RunProcess(
        "/usr/bin/convbin", {"-r", "rinex", "-v", "2.11", "-od", "-o", strBack, strObservations});
    ASSERT_EQ(0, convbin.nExit) << convbin.strErr;
    const auto back = ReadObservations(CScratchFolder::Read(strBack));
    std::vector<nlohmann::json> raw;
    for (const nlohmann::json& record : run.Records())
    {
        if (record["type"] == "raw")
        {
            raw.push_back(record);
        }
    }
    ASSERT_EQ(raw.size(), back.size()) << "one epoch a second: every raw epoch printed";
    for (std::size_t i = 0; i < raw.size(); ++i)
    {
        SCOPED_TRACE("epoch " + std::to_string(i));
        const auto& [time, observations] = back[i];
        EXPECT_EQ(EpochTime(raw[i]["gps_week"], raw[i]["receiver_time"]), time);
        const nlohmann::json& satellites = raw[i]["satellites"];
        ASSERT_EQ(satellites.size(), observations.size());
        for (std::size_t k = 0; k < satellites.size(); ++k)
        {
            EXPECT_EQ(satellites[k]["prn"].get<double>(), observations[k][0]);
            EXPECT_NEAR(satellites[k]["pseudorange"].get<double>(), observations[k][1], 0.0005);
            EXPECT_NEAR(satellites[k]["carrier_phase"].get<double>(), observations[k][2], 0.0005);
            EXPECT_NEAR(satellites[k]["doppler"].get<double>(), observations[k][3], 0.0005);
        }
    }

    // Single-point positions from both files, without the atmosphere models the stream leaves
    // out: the receiver where the navigation records put it.
    const std::filesystem::path options = folder.File("spp.conf");
    CScratchFolder::Write(options, "pos1-posmode =single\npos1-ionoopt =off\n"
                                   "pos1-tropopt =off\npos1-elmask =10\n");
    const SProcessResult solution = RunProcess(
        "/usr/bin/rnx2rtkp", {"-k", options.string(), "-e", strObservations, strNavigation});
    ASSERT_EQ(0, solution.nExit) << solution.strErr;
    std::istringstream lines(solution.strOut);
    int nSolutions = 0;
    for (std::string strLine; std::getline(lines, strLine);)
    {
        if (strLine.empty() || strLine[0] == '%')
        {
            continue;
        }
        SCOPED_TRACE(strLine);
        std::istringstream fields(strLine);
        std::string strDate, strTime;
        double xyz[3] = {};
        fields >> strDate >> strTime >> xyz[0] >> xyz[1] >> xyz[2];
        for (int k = 0; k < 3; ++k)
        {
            EXPECT_NEAR(kStation[k], xyz[k], 0.01);
        }
        ++nSolutions;
    }
    EXPECT_EQ(5, nSolutions) << solution.strOut;
}
