// CPU of live acquisition: the process's CPU time (user + system, all its threads) while the
// engine reads a pseudo-terminal in live mode, first with a silent receiver, then with a GGA
// stream, then after the receiver's side has hung up (a pulled cable: the thread must wait as on
// a silent line, not spin). The stream is written by a child process, whose CPU time is not the
// process's own.
//
//   live_cpu_probe [--seconds S] [--rate HZ] [--line-baud B]
//     --seconds S    length of each measuring window (default 10)
//     --rate HZ      sentences a second in the second window (default 10)
//     --line-baud B  0 (default): each sentence written at once; otherwise its bytes are paced
//                    as a serial line at B baud sends them (10 bits a byte), one write a byte
// Exits 3 when a window spins (more than a tenth of a core) or the engine does not report the
// hung-up port as lost, 1 when the rig cannot start.
#include "LiveRig.h"
#include "ProcessUsage.h"

#include <signal.h>
#include <sys/wait.h>
#include <time.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace live_rig;
using process_usage::CpuSeconds;

namespace
{

// The receiver: a child process that writes the sentences to the pseudo-terminal's master at
// nRate a second until it is ended. Forked while the engine's thread runs, so the child does
// only what is safe there: write, clock_nanosleep and _exit.
void SleepUntil(timespec& next, long long nNanoseconds)
{
    next.tv_nsec += nNanoseconds;
    while (next.tv_nsec >= 1'000'000'000L)
    {
        next.tv_nsec -= 1'000'000'000L;
        ++next.tv_sec;
    }
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR)
    {
    }
}

// The receiver: a child process that writes the sentences to the pseudo-terminal's master at
// nRate a second (paced at nLineBaud, or each at once) until it is ended. Forked while the
// engine's thread runs, so the child does only what is safe there: write, clock_nanosleep and
// _exit.
pid_t StartWriter(int nMaster, int nRate, int nLineBaud, const std::vector<std::string>& sentences)
{
    const pid_t pid = ::fork();
    if (pid != 0)
    {
        return pid;
    }
    const long long nPeriod = 1'000'000'000LL / nRate;
    const long long nByteTime = nLineBaud > 0 ? 10'000'000'000LL / nLineBaud : 0;
    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    for (std::size_t i = 0;; i = (i + 1) % sentences.size())
    {
        const std::string& strSentence = sentences[i];
        timespec next = start;
        const std::size_t nWrites = nLineBaud > 0 ? strSentence.size() : 1;
        const std::size_t nBytesEach = nLineBaud > 0 ? 1 : strSentence.size();
        for (std::size_t k = 0; k < nWrites; ++k)
        {
            if (::write(nMaster, strSentence.data() + k * nBytesEach, nBytesEach) < 0 &&
                errno != EINTR)
            {
                ::_exit(1);
            }
            if (k + 1 < nWrites)
            {
                SleepUntil(next, nByteTime);
            }
        }
        SleepUntil(start, nPeriod);
    }
}

void StopWriter(pid_t pid)
{
    if (pid > 0)
    {
        ::kill(pid, SIGTERM);
        int nStatus = 0;
        ::waitpid(pid, &nStatus, 0);
    }
}

struct SWindow
{
    double dWallSeconds;
    double dCpuSeconds;
    long long nPositions;
};

// Pumps the main window for nSeconds and measures the process's CPU time over that time.
SWindow Measure(CLiveRig& rig, int nSeconds)
{
    const long long nPositionsBefore = rig.m_window.m_nPositions;
    const double dCpuBefore = CpuSeconds();
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(nSeconds);
    while (Clock::now() < end)
    {
        rig.m_window.WaitAndPump(1000);
    }
    const double dWall = std::chrono::duration<double>(Clock::now() - start).count();
    return {dWall, CpuSeconds() - dCpuBefore, rig.m_window.m_nPositions - nPositionsBefore};
}

// A thread that waits by looking in a loop costs tens of per cent of a core; one that sleeps, a
// fraction of one. Above this share a window counts as spinning, whatever its goal.
constexpr double s_dSpinPercent = 10.0;

// Prints the window; false when it spins.
bool Report(const char* pszCase, const SWindow& window, double dGoalPercent)
{
    const double dPercent = 100.0 * window.dCpuSeconds / window.dWallSeconds;
    std::printf("%-38s %6.1f s  cpu %8.4f s  = %7.4f %% of one core (goal <= %.2f %%)  "
                "records %lld%s\n",
                pszCase, window.dWallSeconds, window.dCpuSeconds, dPercent, dGoalPercent,
                window.nPositions, dPercent > s_dSpinPercent ? "  SPINS" : "");
    return dPercent <= s_dSpinPercent;
}

} // namespace

int main(int argc, char** argv)
{
    int nSeconds = 10;
    int nRate = 10;
    int nLineBaud = 0;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
        {
            nSeconds = std::atoi(argv[++i]);
        }
        else if (std::strcmp(argv[i], "--rate") == 0 && i + 1 < argc)
        {
            nRate = std::atoi(argv[++i]);
        }
        else if (std::strcmp(argv[i], "--line-baud") == 0 && i + 1 < argc)
        {
            nLineBaud = std::atoi(argv[++i]);
        }
        else
        {
            nSeconds = 0;
            break;
        }
    }
    if (nSeconds <= 0 || nRate <= 0 || nLineBaud < 0)
    {
        std::fprintf(stderr, "usage: live_cpu_probe [--seconds S] [--rate HZ] [--line-baud B]\n");
        return 2;
    }

    CLiveRig rig;
    if (!rig.Start())
    {
        return 1;
    }
    // Past the last warm-up sentence: the silent window starts in the thread's idle rhythm.
    rig.m_window.WaitAndPump(1500);
    const SWindow silent = Measure(rig, nSeconds);

    std::vector<std::string> sentences;
    for (int i = 0; i < 600; ++i)
    {
        sentences.push_back(GgaAt(200 + i));
    }
    const pid_t writer = StartWriter(rig.m_pty.Master(), nRate, nLineBaud, sentences);
    if (writer < 0)
    {
        std::fprintf(stderr, "cannot start the writer\n");
        return 1;
    }
    rig.m_window.WaitAndPump(1000); // the stream under way
    const SWindow streaming = Measure(rig, nSeconds);
    StopWriter(writer);

    rig.m_pty.HangUp();
    rig.m_window.WaitAndPump(1000);
    const SWindow hungUp = Measure(rig, nSeconds);

    const std::string strStream =
        std::to_string(nRate) + " Hz GGA stream" +
        (nLineBaud > 0 ? ", paced at " + std::to_string(nLineBaud) + " baud" : ", bursts");
    const bool bSilentSleeps = Report("silent receiver", silent, 0.05);
    const bool bStreamSleeps = Report(strStream.c_str(), streaming, 0.5);
    const bool bHungUpSleeps = Report("hung-up line (a pulled cable)", hungUp, 0.05);
    // The engine tells the host, which may then wait for the device to come back.
    const bool bLossReported = rig.m_engine.IsPortLost();
    std::printf("the engine reports the port lost: %s\n", bLossReported ? "yes" : "NO");
    return bSilentSleeps && bStreamSleeps && bHungUpSleeps && bLossReported ? 0 : 3;
}
