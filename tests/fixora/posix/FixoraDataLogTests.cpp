// fixora --data-log read back by an independent reader, rtklib: the observation file as convbin
// turns it into its own RINEX (epochs, satellites and values as fixora printed them), and both
// files together in rnx2rtkp, which finds the receiver where the stream's navigation records put
// it (the stream's measurements agree with its ephemerides; tests/data/streams/README.md).
#include "../FixoraRunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>

namespace
{

// The epochs of a RINEX 2.11 observation file of C1, L1, D1 with at most 12 satellites an epoch,
// each as its time line (two-digit year to second) followed by PRN, C1, L1, D1 of each satellite
// (a blank field is a missing value: NaN).
std::vector<std::vector<double>> ReadObservations(const std::string& strText)
{
    std::istringstream lines(strText.substr(strText.find("END OF HEADER")));
    std::string strLine;
    std::getline(lines, strLine);
    std::vector<std::vector<double>> epochs;
    while (std::getline(lines, strLine))
    {
        std::vector<double>& epoch = epochs.emplace_back(6);
        std::istringstream(strLine.substr(0, 26)) >> epoch[0] >> epoch[1] >> epoch[2] >> epoch[3] >>
            epoch[4] >> epoch[5];
        for (int i = 0; i < std::stoi(strLine.substr(29, 3)); ++i)
        {
            epoch.push_back(std::stoi(strLine.substr(33 + 3 * i, 2)));
            std::string strValues;
            std::getline(lines, strValues);
            strValues.resize(48, ' ');
            for (int k = 0; k < 3; ++k)
            {
                const std::string strField = strValues.substr(16 * k, 14);
                epoch.push_back(strField.find_first_not_of(' ') == std::string::npos
                                    ? std::nan("")
                                    : std::stod(strField));
            }
        }
    }
    return epochs;
}

// The time line of a RINEX epoch for a GPS week and second.
std::vector<double> EpochTime(int nWeek, double dSeconds)
{
    const std::time_t t = 315964800 + std::time_t{nWeek} * 604800 + std::time_t(dSeconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    return {double(utc.tm_year % 100), double(utc.tm_mon + 1), double(utc.tm_mday),
            double(utc.tm_hour),       double(utc.tm_min),     utc.tm_sec + std::fmod(dSeconds, 1)};
}

} // namespace

TEST(FixoraDataLog, RtklibReadsBothFilesBack)
{
    if (!std::filesystem::exists("/usr/bin/convbin") ||
        !std::filesystem::exists("/usr/bin/rnx2rtkp"))
        GTEST_SKIP() << "rtklib is not installed (Debian package rtklib)";
    const CScratchFolder folder;
    const SProcessResult run = RunFixora(
        {"--replay", FIXORA_TEST_DATA_DIR "/streams/ashtech_raw.bin", "--json", "--no-clock",
         "--data-log", folder.File("session").string(), "--antenna-height", "1.5"});
    ASSERT_EQ(0, run.nExit) << run.strErr;
    // The two files' paths, from what fixora says of them.
    std::smatch match;
    ASSERT_TRUE(std::regex_search(
        run.strErr, match,
        std::regex("data log: \\d+ epochs in (\\S+), \\d+ ephemerides in (\\S+)")))
        << run.strErr;
    const std::string strObservations = match[1], strNavigation = match[2];
    EXPECT_NE(std::string::npos, strObservations.find(folder.File("session_").string()));

    // convbin's own RINEX of the observation file: every epoch and value as fixora printed it.
    const std::string strBack = folder.File("back.obs").string();
    const SProcessResult convbin = RunProcess(
        "/usr/bin/convbin", {"-r", "rinex", "-v", "2.11", "-od", "-o", strBack, strObservations});
    ASSERT_EQ(0, convbin.nExit) << convbin.strErr;
    const auto back = ReadObservations(CScratchFolder::Read(strBack));
    const std::vector<nlohmann::json> raw = Records(run.strOut, "raw");
    ASSERT_EQ(raw.size(), back.size()) << "one epoch a second: every raw epoch printed";
    for (std::size_t i = 0; i < raw.size(); ++i)
    {
        SCOPED_TRACE("epoch " + std::to_string(i));
        const std::vector<double> time(back[i].begin(), back[i].begin() + 6);
        EXPECT_EQ(EpochTime(raw[i]["gps_week"], raw[i]["receiver_time"]), time);
        const nlohmann::json& satellites = raw[i]["satellites"];
        ASSERT_EQ(6 + 4 * satellites.size(), back[i].size());
        for (std::size_t k = 0; k < satellites.size(); ++k)
        {
            const double* pBack = &back[i][6 + 4 * k];
            EXPECT_EQ(satellites[k]["prn"].get<double>(), pBack[0]);
            EXPECT_NEAR(satellites[k]["pseudorange"].get<double>(), pBack[1], 0.0005);
            EXPECT_NEAR(satellites[k]["carrier_phase"].get<double>(), pBack[2], 0.0005);
            EXPECT_NEAR(satellites[k]["doppler"].get<double>(), pBack[3], 0.0005);
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
            continue;
        std::string strDate, strTime;
        double x = 0, y = 0, z = 0;
        std::istringstream(strLine) >> strDate >> strTime >> x >> y >> z;
        EXPECT_NEAR(x, 4331297.3480, 0.01) << strLine;
        EXPECT_NEAR(y, 567555.6390, 0.01) << strLine;
        EXPECT_NEAR(z, 4633133.7280, 0.01) << strLine;
        ++nSolutions;
    }
    EXPECT_EQ(5, nSolutions) << solution.strOut;
}
