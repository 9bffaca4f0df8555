// A live fixora run that recovers: a device that goes away and comes back at its path
// (--reconnect), a receiver at another baud rate than the port's (--baud auto, and the warning
// without it). A pseudo-terminal has no real line speed, so the test's receiver sends noise
// unless the port's speed is the one it sends at, as a real line at a wrong rate brings.
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

const std::string s_strNoise = "\xe6\x9e\x1c$\xfb\x80*\x7f\xe0\x98\r\n";

std::string Gga(int nSecond)
{
    return NmeaSentence("GPGGA,1200" + std::to_string(10 + nSecond) +
                        ",4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
}

// Plays a receiver sending at speed (0: at none) until the object goes.
class CRatedReceiver
{
public:
    CRatedReceiver(const CPtyPair& pty, speed_t speed)
        : m_Thread([this, &pty, speed] {
              for (int i = 0; !m_bDone; ++i)
              {
                  const termios settings = pty.SlaveTermios();
                  pty.Send(speed != 0 && cfgetospeed(&settings) == speed ? Gga(i % 40)
                                                                         : s_strNoise);
                  std::this_thread::sleep_for(std::chrono::milliseconds(100));
              }
          })
    {
    }
    ~CRatedReceiver()
    {
        m_bDone = true;
        m_Thread.join();
    }

private:
    std::atomic<bool> m_bDone{false};
    std::thread m_Thread;
};

TEST(FixoraRecovery, BaudAutoTakesTheRateThatBringsValidSentencesOrFailsClearly)
{
    const CTempFile profile; // the model's own rate: 9600
    const struct
    {
        const char* legend;
        speed_t speed;
        const char* pszDuration; // past the rates tried before the receiver's
        int nExit;
        std::string strErr;
    } rows[] = {
        {"at 19200", B19200, "5", 0, "fixora: %s answers at 19200 baud\n"},
        {"at none", 0, "30", 1,
         "fixora: cannot start the receiver 'NMEA-0183' on %s: nothing valid from %s at 9600, "
         "4800, 19200, 38400, 57600, 115200 baud (is the receiver on, and sending?)\n"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        const CPtyPair pty;
        ASSERT_TRUE(pty.IsValid());
        const CRatedReceiver receiver(pty, row.speed);
        const SFixoraRun run =
            RunFixora({"--device", pty.SlavePath(), "--baud", "auto", "--json", "--profile",
                       profile.Path(), "--duration", row.pszDuration});
        std::string strExpected = row.strErr;
        for (std::size_t n; (n = strExpected.find("%s")) != std::string::npos;)
            strExpected.replace(n, 2, pty.SlavePath());
        EXPECT_EQ(run.nExit, row.nExit);
        EXPECT_EQ(run.strErr, strExpected);
        EXPECT_EQ(run.Fixes().empty(), row.nExit != 0) << run.strOut;
    }
}

// A fixora run in the background, its output and error in files.
class CBackgroundRun
{
public:
    explicit CBackgroundRun(std::vector<std::string> args)
    {
        const int nOut = open(m_Out.Path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        const int nErr = open(m_Err.Path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        m_pid = Spawn(FixoraProgramPath(), args, nOut, nErr);
        close(nOut);
        close(nErr);
    }
    // Stops the run with SIGINT (unless it ended) and returns its exit status.
    int Stop()
    {
        int nStatus = -1;
        if (m_pid > 0)
        {
            kill(m_pid, SIGINT);
            waitpid(m_pid, &nStatus, 0);
            m_pid = -1;
        }
        return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    }
    ~CBackgroundRun() { Stop(); }

    std::string Out() const { return m_Out.Read(); }
    std::string Err() const { return m_Err.Read(); }
    // Whether text shows in the output (or the error) within ten seconds.
    bool Shows(const std::string& strText, bool bError = false) const
    {
        for (int i = 0; i < 100; ++i)
        {
            if ((bError ? Err() : Out()).find(strText) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

private:
    CTempFile m_Out, m_Err;
    pid_t m_pid = -1;
};

TEST(FixoraRecovery, WithoutBaudAutoAReceiverAtAnotherRateIsPointedOutOnce)
{
    const CTempFile profile;
    const CPtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    const CRatedReceiver receiver(pty, B4800);
    const SFixoraRun run =
        RunFixora({"--device", pty.SlavePath(), "--profile", profile.Path(), "--duration", "6.5"});
    EXPECT_EQ(run.nExit, 0);
    EXPECT_EQ(run.strErr, "fixora: nothing valid from " + pty.SlavePath() +
                              " in 5 s at 9600 baud; is the receiver at another rate? try "
                              "--baud auto\n");
}

TEST(FixoraRecovery, ReconnectWaitsForTheDeviceAtItsPathAndCarriesOn)
{
    const CTempFile profile;
    const CScratchFolder folder;
    const std::string strLink = folder.File("gps").string();
    const auto pointLink = [&](const std::string& strTarget) {
        std::filesystem::create_symlink(strTarget, strLink + ".next");
        std::filesystem::rename(strLink + ".next", strLink);
    };
    auto pty = std::make_unique<CPtyPair>();
    ASSERT_TRUE(pty->IsValid());
    pointLink(pty->SlavePath());
    CBackgroundRun run({"--device", strLink, "--reconnect", "--json", "--profile", profile.Path(),
                        "--duration", "60"});
    const auto sendUntilShown = [&](int nSecond) {
        const std::string strUtc = "\"utc\":" + std::to_string(43210 + nSecond) + ".0";
        for (int i = 0; i < 50; ++i)
        {
            pty->Send(Gga(nSecond));
            if (run.Out().find(strUtc) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    };
    ASSERT_TRUE(sendUntilShown(1)) << run.Err();
    pty.reset(); // the cable is pulled: the device and its path are gone
    const std::string strLost =
        "fixora: lost the receiver's device " + strLink + "; waiting for it to come back\n";
    ASSERT_TRUE(run.Shows(strLost, true)) << run.Err();
    pty = std::make_unique<CPtyPair>();
    ASSERT_TRUE(pty->IsValid());
    pointLink(pty->SlavePath());
    EXPECT_TRUE(sendUntilShown(2)) << run.Err();
    EXPECT_EQ(run.Stop(), 0);
    EXPECT_EQ(run.Err(), strLost + "fixora: reconnected to " + strLink + "\n");
}

} // namespace
