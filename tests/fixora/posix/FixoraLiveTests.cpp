// fixora paced by the engine: a live receiver on a pseudo-terminal, stopped by a signal, and the
// emulation mode ended by --duration. Both must stop cleanly with exit code 0 and print what
// arrived before.
#include "../FixoraRunner.h"
#include "support/PtyPair.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>

namespace
{

TEST(FixoraLive, DeviceRecordsArePrintedAndAStopSignalEndsTheRunCleanly)
{
    const CTempFile emptyProfile;
    const CTempFile profile("[NMEA-0183]\nBaud=19200\n", ".ini");
    const std::string strGga =
        NmeaSentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
    const struct
    {
        int nSignal;
        std::vector<std::string> args;
        speed_t speed; // the line speed the port is opened at
    } rows[] = {
        {SIGINT, {"--profile", emptyProfile.Path()}, B9600},                // the model's rate
        {SIGTERM, {"--profile", profile.Path()}, B19200},                   // the stored rate
        {SIGINT, {"--profile", profile.Path(), "--baud", "38400"}, B38400}, // over the stored
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.args.back());
        const CPtyPair pty;
        ASSERT_TRUE(pty.IsValid());
        const CTempFile rawLog, output;
        std::vector<std::string> args = {"--device",   pty.SlavePath(), "--json",
                                         "--no-clock", "--log-raw",     rawLog.Path()};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const int nOut = open(output.Path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        const pid_t pid = Spawn(FixoraProgramPath(), args, nOut, -1);
        close(nOut);
        ASSERT_GT(pid, 0);
        // The port may not be open yet: repeat the sentence until its record is printed.
        for (int i = 0; i < 100 && output.Read().find("\"utc\":45319.0") == std::string::npos; ++i)
        {
            EXPECT_TRUE(pty.Send(strGga));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        const termios settings = pty.SlaveTermios();
        EXPECT_EQ(cfgetospeed(&settings), row.speed);
        kill(pid, row.nSignal);
        int nStatus = -1;
        ASSERT_EQ(waitpid(pid, &nStatus, 0), pid);
        EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0) << nStatus;
        SFixoraRun printed;
        printed.strOut = output.Read();
        ASSERT_FALSE(printed.Fixes().empty()) << printed.strOut;
        EXPECT_NEAR(printed.Fixes()[0]["lat"].get<double>(), 48.1173, 1e-9);
        // The raw log holds the port's bytes: whole sentences, as sent.
        EXPECT_EQ(rawLog.Read().substr(0, strGga.size()), strGga);
    }
}

TEST(FixoraLive, EmulationEndsAfterItsDuration)
{
    const CTempFile file(NmeaSentence("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,,,,"));
    const auto start = std::chrono::steady_clock::now();
    // The engine plays one line every 500 ms, endlessly: two seconds give a few fixes.
    const SFixoraRun run = RunFixora({"--emulate", file.Path(), "--duration", "2", "--json"});
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(run.nExit, 0) << run.strErr;
    EXPECT_GE(run.Fixes().size(), 1u);
    EXPECT_LE(run.Fixes().size(), 4u);
    EXPECT_GE(elapsed, std::chrono::seconds(2));
    EXPECT_LT(elapsed, std::chrono::seconds(15));
}

} // namespace
