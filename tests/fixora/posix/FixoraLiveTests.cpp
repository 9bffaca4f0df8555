// fixora paced by the engine: a live receiver on a pseudo-terminal, stopped by a signal, and the
// emulation mode ended by --duration. Both must stop cleanly with exit code 0 and print what
// arrived before.
#include "../FixoraRunner.h"
#include "support/PtyPair.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace
{

// fixora started in the background with its standard output on a pipe.
class CFixoraProcess
{
public:
    explicit CFixoraProcess(const std::vector<std::string>& args)
    {
        int fds[2];
        if (pipe(fds) == 0)
        {
            m_pid = Spawn(FixoraProgramPath(), args, fds[1], -1, {fds[0], fds[1]});
            close(fds[1]);
            m_nOut = fds[0];
        }
    }
    ~CFixoraProcess()
    {
        if (m_pid > 0)
        {
            kill(m_pid, SIGKILL);
            Wait();
        }
        close(m_nOut);
    }
    CFixoraProcess(const CFixoraProcess&) = delete;
    CFixoraProcess& operator=(const CFixoraProcess&) = delete;

    bool IsRunning() const { return m_pid > 0; }
    void Signal(int nSignal) const { kill(m_pid, nSignal); }
    const std::string& Output() const { return m_strOut; }

    // Reads standard output until it holds strWanted or the time is up.
    bool ReadUntil(const std::string& strWanted, std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (m_strOut.find(strWanted) == std::string::npos)
        {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            pollfd pfd{m_nOut, POLLIN, 0};
            char buffer[4096];
            ssize_t n = 0;
            if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0 ||
                (n = read(m_nOut, buffer, sizeof buffer)) <= 0)
            {
                return false;
            }
            m_strOut.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    }

    // Waits for the end of the program; its exit code, or -1 when a signal ended it.
    int Wait()
    {
        int nStatus = 0;
        const pid_t pid = std::exchange(m_pid, -1);
        if (pid <= 0 || waitpid(pid, &nStatus, 0) != pid)
        {
            return -1;
        }
        ReadUntil("\x01", std::chrono::milliseconds(100)); // the rest, up to the pipe's end
        return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_nOut = -1;
    std::string m_strOut;
};

TEST(FixoraLive, DeviceRecordsArePrintedAndAStopSignalEndsTheRunCleanly)
{
    const CPtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    const CTempFile rawLog;
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
        std::vector<std::string> args = {"--device",   pty.SlavePath(), "--json",
                                         "--no-clock", "--log-raw",     rawLog.Path()};
        args.insert(args.end(), row.args.begin(), row.args.end());
        CFixoraProcess fixora(args);
        ASSERT_TRUE(fixora.IsRunning());
        // The port may not be open yet: repeat the sentence until its record comes back.
        bool bArrived = false;
        for (int i = 0; i < 40 && !bArrived; ++i)
        {
            ASSERT_TRUE(pty.Send(strGga));
            bArrived = fixora.ReadUntil("\"utc\":45319.0", std::chrono::milliseconds(250));
        }
        ASSERT_TRUE(bArrived) << fixora.Output();
        const termios settings = pty.SlaveTermios();
        EXPECT_EQ(cfgetospeed(&settings), row.speed);
        fixora.Signal(row.nSignal);
        EXPECT_EQ(fixora.Wait(), 0);
        SFixoraRun printed;
        printed.strOut = fixora.Output();
        ASSERT_FALSE(printed.Fixes().empty());
        EXPECT_NEAR(printed.Fixes()[0]["lat"].get<double>(), 48.1173, 1e-9);
        // The raw log holds the port's bytes: whole sentences, as sent.
        EXPECT_EQ(rawLog.Read().substr(0, strGga.size()), strGga);
        pty.Flush();
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
