// fixora paced by the engine: a live receiver on a pseudo-terminal at the rate the profile or the
// command line gives, a pulled cable (--reconnect), a receiver at another rate (--baud auto, and
// the warning without it), and the emulation mode ended by --duration. A pseudo-terminal has no
// real line speed, so the test's receiver sends noise unless the port is set to its rate, as a
// real line at a wrong rate brings.
#include "../FixoraRunner.h"
#include "support/PtyPair.h"
#include "support/Transcript.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

namespace
{

TEST(FixoraLive, DeviceRecordsArePrintedAndAStopSignalEndsTheRunCleanly)
{
    const CTempFile emptyProfile;
    const CTempFile profile("[NMEA-0183]\nBaud=19200\n", ".ini");
    const struct
    {
        int nSignal;
        std::vector<std::string> args;
        speed_t speed; // the line speed the port is opened at
    } rows[] = {
        {SIGINT, {"--profile", emptyProfile.Path()}, B9600},                // the model's rate
        {SIGTERM, {"--profile", profile.Path()}, B19200},                   // the stored rate
        {SIGINT, {"--profile", profile.Path(), "--baud", "38400"}, B38400}, // over the stored
        {SIGINT, {"--profile", emptyProfile.Path(), "--reconnect"}, B9600},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.args.back());
        const CScratchFolder folder;
        CPtyAtPath device(folder.File("gps").string());
        const CTempFile rawLog;
        std::vector<std::string> args = {"--device",   device.Path(), "--json",
                                         "--no-clock", "--log-raw",   rawLog.Path()};
        args.insert(args.end(), row.args.begin(), row.args.end());
        CBackgroundRun fixora(args);
        ASSERT_TRUE(fixora.Started());
        // The port may not be open yet: the sentence is repeated until its record is printed.
        const auto printed = [&](int nSecond) {
            return fixora.WaitFor("\"utc\":4321" + std::to_string(nSecond) + ".0", [&] {
                EXPECT_TRUE(device.Pty().Send(GgaSentence(10 + nSecond)));
            });
        };
        EXPECT_TRUE(printed(1));
        const termios settings = device.Pty().SlaveTermios();
        EXPECT_EQ(cfgetospeed(&settings), row.speed);
        std::string strErr;
        if (row.args.back() == "--reconnect")
        {
            // The cable is pulled: the device and its path are gone, then back as a new device.
            strErr = "fixora: lost the receiver's device " + device.Path() +
                     "; waiting for it to come back\n";
            device.Unplug();
            EXPECT_TRUE(fixora.WaitFor(
                strErr, [] {}, true));
            device.PlugIn();
            EXPECT_TRUE(printed(2));
            strErr += "fixora: reconnected to " + device.Path() + "\n";
        }
        EXPECT_EQ(fixora.Stop(row.nSignal), 0);
        EXPECT_EQ(fixora.Err(), strErr);
        const auto fixes = Records(fixora.Out(), "fix");
        ASSERT_FALSE(fixes.empty());
        EXPECT_NEAR(fixes[0]["lat"].get<double>(), 48.1173, 1e-9);
        // The raw log holds the port's bytes, whole sentences as sent, of every connection.
        const std::string strLog = rawLog.Read();
        EXPECT_TRUE(strLog.starts_with(GgaSentence(11))) << strLog;
        EXPECT_EQ(strLog.find(GgaSentence(12)) != std::string::npos, !strErr.empty()) << strLog;
        EXPECT_FALSE(std::filesystem::exists(rawLog.Path() + ".reconnected"));
    }
}

TEST(FixoraLive, TheReceiversRateIsFoundOrItsAbsencePointedOut)
{
    const CTempFile profile; // the model's own rate: 9600
    // The receiver's rate and fixora's options (tests/data/fixora/rates.transcript).
    const struct
    {
        speed_t speed;
        const char* pszRate;
        std::vector<std::string> args;
    } rows[] = {
        {B19200, "19200", {"--baud", "auto", "--duration", "7"}},
        {B50, "50", {"--baud", "auto", "--duration", "30"}},
        {B4800, "4800", {"--duration", "6.5"}},
    };
    // The rows run side by side: each waits out the program's rate windows of two seconds.
    CPtyPair ptys[std::size(rows)];
    SProcessResult runs[std::size(rows)];
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < std::size(rows); ++i)
    {
        threads.emplace_back([&, i] {
            std::atomic<bool> bDone{false};
            std::thread receiver([&] {
                for (int n = 0; !bDone; ++n)
                {
                    const termios settings = ptys[i].SlaveTermios();
                    ptys[i].Send(cfgetospeed(&settings) == rows[i].speed ? GgaSentence(10 + n % 40)
                                                                         : "\xe6$\x80*\x7f\r\n");
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                }
            });
            std::vector<std::string> args = {"--device", ptys[i].SlavePath(), "--json", "--profile",
                                             profile.Path()};
            args.insert(args.end(), rows[i].args.begin(), rows[i].args.end());
            runs[i] = RunFixora(args);
            bDone = true;
            receiver.join();
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::string strTranscript;
    for (std::size_t i = 0; i < std::size(rows); ++i)
    {
        strTranscript += std::string("== a receiver at ") + rows[i].pszRate + " baud, fixora";
        for (const std::string& strArg : rows[i].args)
            strTranscript += " " + strArg;
        const std::string strErr =
            std::regex_replace(runs[i].strErr, std::regex(ptys[i].SlavePath()), "DEVICE");
        strTranscript += "\nexit " + std::to_string(runs[i].nExit) + "\n" + strErr +
                         "fixes: " + std::to_string(Records(runs[i].strOut, "fix").size() > 0) +
                         "\n";
    }
    CompareWithTranscript(strTranscript, "fixora/rates.transcript");
}

TEST(FixoraLive, EmulationEndsAfterItsDuration)
{
    const CTempFile file(NmeaSentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,,,,"));
    const auto start = std::chrono::steady_clock::now();
    // The engine plays one line every 500 ms, endlessly: two seconds give a few fixes.
    const SProcessResult run = RunFixora({"--emulate", file.Path(), "--duration", "2", "--json"});
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(run.nExit, 0) << run.strErr;
    const std::size_t nFixes = Records(run.strOut, "fix").size();
    EXPECT_TRUE(nFixes >= 1 && nFixes <= 4) << nFixes;
    EXPECT_GE(elapsed, std::chrono::seconds(2));
    EXPECT_LT(elapsed, std::chrono::seconds(15));
}

} // namespace
