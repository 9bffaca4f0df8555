// A live fixora run that recovers: a receiver at another baud rate than the port's (--baud auto,
// and the warning without it), a device that goes away and comes back at its path (--reconnect).
// A pseudo-terminal has no real line speed, so the test's receiver sends noise unless the port
// is set to its rate, as a real line at a wrong rate brings.
#include "../FixoraRunner.h"
#include "support/PtyPair.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/wait.h>
#include <thread>

namespace
{

std::string Gga(int nSecond)
{
    return NmeaSentence("GPGGA,1200" + std::to_string(10 + nSecond) +
                        ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
}

TEST(FixoraRecovery, TheReceiversRateIsFoundOrItsAbsencePointedOut)
{
    const CTempFile profile; // the model's own rate: 9600
    const struct
    {
        const char* legend;
        speed_t speed; // the receiver's rate
        std::vector<std::string> args;
        int nExit;
        const char* pszErrBefore; // the standard error: this, the device, the rest
        const char* pszErrAfter;
    } rows[] = {
        // clang-format off
        {"found", B19200, {"--baud", "auto", "--duration", "7"}, 0, "", " answers at 19200 baud"},
        {"none fits", B50, {"--baud", "auto", "--duration", "30"}, 1,
         "cannot start the receiver 'NMEA-0183' on ", ": nothing valid at 9600, 4800, 19200, "
         "38400, 57600, 115200 baud (is the receiver on, and sending?)"},
        {"not looked for", B4800, {"--duration", "6.5"}, 0, "nothing valid from ",
         " in 5 s at 9600 baud; is the receiver at another rate? try --baud auto"},
        // clang-format on
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        const CPtyPair pty;
        ASSERT_TRUE(pty.IsValid());
        std::atomic<bool> bDone{false};
        std::thread receiver([&] {
            for (int i = 0; !bDone;
                 ++i, std::this_thread::sleep_for(std::chrono::milliseconds(100)))
            {
                const termios settings = pty.SlaveTermios();
                pty.Send(cfgetospeed(&settings) == row.speed ? Gga(i % 40) : "\xe6$\x80*\x7f\r\n");
            }
        });
        std::vector<std::string> args = {"--device", pty.SlavePath(), "--json", "--profile",
                                         profile.Path()};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const SFixoraRun run = RunFixora(args);
        bDone = true;
        receiver.join();
        EXPECT_EQ(run.nExit, row.nExit);
        EXPECT_EQ(run.strErr,
                  "fixora: " + (row.pszErrBefore + pty.SlavePath() + row.pszErrAfter) + "\n");
        EXPECT_EQ(run.Fixes().empty(), row.speed != B19200) << run.strOut;
    }
}

TEST(FixoraRecovery, ReconnectWaitsForTheDeviceAtItsPathAndCarriesOn)
{
    const CTempFile profile, output, errors;
    const CScratchFolder folder;
    CPtyAtPath device(folder.File("gps").string());
    const std::string& strLink = device.Path();
    const int nOut = open(output.Path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    const int nErr = open(errors.Path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    const pid_t pid = Spawn(FixoraProgramPath(),
                            {"--device", strLink, "--reconnect", "--json", "--profile",
                             profile.Path(), "--duration", "60"},
                            nOut, nErr);
    close(nOut);
    close(nErr);
    ASSERT_GT(pid, 0);
    // Until the text shows in the file, sending the sentence of nSecond each turn when given.
    const auto waitFor = [&](const CTempFile& file, const std::string& strText, int nSecond) {
        for (int i = 0; i < 100 && file.Read().find(strText) == std::string::npos; ++i)
        {
            EXPECT_TRUE(nSecond < 0 || device.Pty().Send(Gga(nSecond)));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return file.Read().find(strText) != std::string::npos;
    };
    const std::string strLost =
        "fixora: lost the receiver's device " + strLink + "; waiting for it to come back\n";
    EXPECT_TRUE(waitFor(output, "\"utc\":43211.0", 1));
    device.Unplug(); // the cable is pulled: the device and its path are gone
    EXPECT_TRUE(waitFor(errors, strLost, -1));
    device.PlugIn();
    EXPECT_TRUE(waitFor(output, "\"utc\":43212.0", 2));
    kill(pid, SIGINT);
    int nStatus = -1;
    ASSERT_EQ(waitpid(pid, &nStatus, 0), pid);
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0) << nStatus;
    EXPECT_EQ(errors.Read(), strLost + "fixora: reconnected to " + strLink + "\n");
}

} // namespace
