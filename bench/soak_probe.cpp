// Soak of live acquisition at 10 Hz: the OEM board's model reads a pseudo-terminal while a child
// process plays the receiver, each epoch a GGA, a GSA, a full GSV set (three sentences) and a
// binary range log. Prints the resident memory each minute, then the messages and records the
// host received against what was sent, per kind, and the process's CPU share of one core.
//
//   soak_probe [--minutes N | --seconds N] [--no-raw]
//     --minutes N, --seconds N  how long the receiver sends (default 2 minutes)
//     --no-raw                  the NMEA sentences only
// Exits 3 when a message or record was lost (or came twice), 4 when the resident memory grew by
// more than s_nMemoryMarginKb after the first minute, 1 when the rig cannot start.
#include "LiveRig.h"
#include "ProcessUsage.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace live_rig;
using process_usage::CpuSeconds;
using process_usage::ResidentKb;

namespace
{

constexpr int s_nRate = 10;  // epochs a second
constexpr int s_nRing = 600; // distinct epochs the receiver cycles through
constexpr long long s_nMemoryMarginKb = 256;
constexpr int s_nRangeObservations = 12;
constexpr int s_nOemHeader = 28;
constexpr int s_nRangeLogId = 43;

enum EKind
{
    KindGga,
    KindGsa,
    KindGsv,
    KindRange, // any other message: the only other thing the receiver sends
    KindCount
};
constexpr const char* s_apszKind[KindCount] = {"GGA", "GSA", "GSV", "range log"};

// The board's binary range log: its 28-byte header (sync, header length, message id, body
// length, week and milliseconds), the observation count and 44 bytes an observation, and four
// CRC bytes, left zero as the library does not check them.
std::string RangeLog(int nEpoch)
{
    const int nBody = 4 + 44 * s_nRangeObservations;
    std::string bytes(static_cast<std::size_t>(s_nOemHeader + nBody + 4), '\0');
    const auto put = [&bytes](int nAt, std::uint32_t nValue, int nBytes) {
        for (int i = 0; i < nBytes; ++i)
        {
            bytes[static_cast<std::size_t>(nAt + i)] =
                static_cast<char>((nValue >> (8 * i)) & 0xFF);
        }
    };
    put(0, 0x12'44AA, 3);
    put(3, s_nOemHeader, 1);
    put(4, s_nRangeLogId, 2);
    put(8, static_cast<std::uint32_t>(nBody), 2);
    put(14, 2400, 2);
    put(16, static_cast<std::uint32_t>(345600000 + 100 * nEpoch), 4);
    put(s_nOemHeader, s_nRangeObservations, 4);
    for (int i = s_nOemHeader + 4; i < s_nOemHeader + nBody; ++i)
    {
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((i * 7 + nEpoch) & 0xFF);
    }
    return bytes;
}

// One epoch's bytes, as the receiver sends them in one burst.
std::string Epoch(int nEpoch, bool bRaw)
{
    const int nTenths = nEpoch % 864000;
    char szBody[96];
    std::snprintf(szBody, sizeof(szBody),
                  "GPGGA,%02d%02d%02d.%d0,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,",
                  nTenths / 36000, (nTenths / 600) % 60, (nTenths / 10) % 60, nTenths % 10);
    std::string bytes = NmeaSentence(szBody);
    bytes += NmeaSentence("GPGSA,A,3,02,05,07,09,12,15,20,26,,,,,1.8,0.9,1.5");
    bytes += NmeaSentence("GPGSV,3,1,12,02,45,120,42,05,30,200,38,07,60,045,45,09,15,310,33");
    bytes += NmeaSentence("GPGSV,3,2,12,12,25,080,36,15,70,160,47,20,10,250,30,26,40,020,41");
    bytes += NmeaSentence("GPGSV,3,3,12,29,05,290,,30,08,110,,31,03,340,,32,12,200,28");
    if (bRaw)
    {
        bytes += RangeLog(nEpoch);
    }
    return bytes;
}

void SleepUntil(const timespec& start, long long nNanoseconds)
{
    timespec next = start;
    next.tv_sec += static_cast<time_t>(nNanoseconds / 1'000'000'000LL);
    next.tv_nsec += static_cast<long>(nNanoseconds % 1'000'000'000LL);
    if (next.tv_nsec >= 1'000'000'000L)
    {
        next.tv_nsec -= 1'000'000'000L;
        ++next.tv_sec;
    }
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR)
    {
    }
}

// The receiver: a child process that writes nEpochs epochs at 10 Hz and ends; it also reads what
// the model writes to it, so the line never fills. Forked while the engine's thread runs, so the
// child only writes, reads, sleeps and exits (exit code 1: a write failed).
pid_t StartReceiver(int nMaster, long long nEpochs, const std::vector<std::string>& epochs)
{
    const pid_t pid = ::fork();
    if (pid != 0)
    {
        return pid;
    }
    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    char achDrain[512];
    for (long long i = 0; i < nEpochs; ++i)
    {
        const std::string& strEpoch = epochs[static_cast<std::size_t>(i % s_nRing)];
        std::size_t nDone = 0;
        while (nDone < strEpoch.size())
        {
            const ssize_t n = ::write(nMaster, strEpoch.data() + nDone, strEpoch.size() - nDone);
            if (n < 0 && errno != EINTR)
            {
                ::_exit(1);
            }
            nDone += n > 0 ? static_cast<std::size_t>(n) : 0;
        }
        pollfd readable{nMaster, POLLIN, 0};
        while (::poll(&readable, 1, 0) > 0 && (readable.revents & POLLIN) != 0 &&
               ::read(nMaster, achDrain, sizeof(achDrain)) > 0)
        {
        }
        SleepUntil(start, (i + 1) * (1'000'000'000LL / s_nRate));
    }
    ::_exit(0);
}

EKind KindOf(const CString& strText)
{
    const std::wstring_view text = strText.View();
    for (const auto& [pszStart, eKind] :
         {std::pair{L"$GPGGA", KindGga}, std::pair{L"$GPGSA", KindGsa},
          std::pair{L"$GPGSV", KindGsv}})
    {
        if (text.starts_with(pszStart))
        {
            return eKind;
        }
    }
    return KindRange;
}

struct SCounts
{
    long long anMessages[KindCount] = {};
    long long nPositions = 0;
    long long nRangeLogs = 0; // binary messages read back whole, with their sync and id
};

} // namespace

int main(int argc, char** argv)
{
    long long nSeconds = 120;
    bool bRaw = true;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--minutes") == 0 && i + 1 < argc)
        {
            nSeconds = 60LL * std::atoll(argv[++i]);
        }
        else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
        {
            nSeconds = std::atoll(argv[++i]);
        }
        else if (std::strcmp(argv[i], "--no-raw") == 0)
        {
            bRaw = false;
        }
        else
        {
            nSeconds = 0;
            break;
        }
    }
    if (nSeconds <= 0)
    {
        std::fprintf(stderr, "usage: soak_probe [--minutes N | --seconds N] [--no-raw]\n");
        return 2;
    }

    CLiveRig rig(L"GSR2650 LB");
    rig.m_engine.m_bAttachRawData = true;        // the binary decoders read the message's bytes
    rig.m_engine.m_ComBuffer.m_bStopped = false; // every message's text reaches the window
    SCounts counts;
    std::vector<WORD> words;
    rig.m_window.m_OnMessage = [&](UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_GPS_RAWDATA)
        {
            ++counts.anMessages[KindOf(*reinterpret_cast<CString*>(wParam))];
        }
        else if (message == WM_GPS_POSITION)
        {
            ++counts.nPositions;
        }
        else if (message == WM_GPS_BINARYMSG && rig.m_pReceiver->GetBinaryMessage(words) &&
                 words.size() >= 3 && words[0] == 0x44AA && (words[1] & 0xFF) == 0x12 &&
                 words[2] == s_nRangeLogId)
        {
            ++counts.nRangeLogs;
        }
    };
    if (!rig.Start())
    {
        return 1;
    }
    // The warm-up's sentences are not the soak's.
    rig.m_window.WaitAndPump(500);
    counts = SCounts{};
    rig.m_engine.m_ComBuffer.Reset();

    std::vector<std::string> epochs;
    for (int i = 0; i < s_nRing; ++i)
    {
        epochs.push_back(Epoch(i, bRaw));
    }
    const long long nEpochs = nSeconds * s_nRate;
    const long long nStartKb = ResidentKb();
    const double dCpuBefore = CpuSeconds();
    const auto start = Clock::now();
    const pid_t receiver = StartReceiver(rig.m_pty.Master(), nEpochs, epochs);
    if (receiver < 0)
    {
        std::fprintf(stderr, "cannot start the receiver\n");
        return 1;
    }
    std::printf("minute  0: VmRSS %lld kB\n", nStartKb);
    std::fflush(stdout);

    long long nFirstMinuteKb = -1;
    long long nMaxLaterKb = -1;
    int nMinutes = 0;
    int nStatus = 0;
    for (;;)
    {
        rig.m_window.WaitAndPump(250);
        // A host that collects empties the text now and then; past its limit collection stops.
        rig.m_engine.m_ComBuffer.Reset();
        if (Clock::now() - start >= std::chrono::minutes(nMinutes + 1))
        {
            ++nMinutes;
            const long long nKb = ResidentKb();
            if (nMinutes == 1)
            {
                nFirstMinuteKb = nKb;
            }
            else
            {
                nMaxLaterKb = std::max(nMaxLaterKb, nKb);
            }
            std::printf("minute %2d: VmRSS %lld kB\n", nMinutes, nKb);
            std::fflush(stdout);
        }
        if (::waitpid(receiver, &nStatus, WNOHANG) == receiver)
        {
            break;
        }
    }
    const double dWall = std::chrono::duration<double>(Clock::now() - start).count();
    const double dCpu = CpuSeconds() - dCpuBefore;
    // What is still on its way: pumped until a second passes without news.
    const auto total = [&counts] {
        long long nTotal = counts.nPositions + counts.nRangeLogs;
        for (long long n : counts.anMessages)
        {
            nTotal += n;
        }
        return nTotal;
    };
    for (long long nSeen = -1; nSeen != total();)
    {
        nSeen = total();
        const auto until = Clock::now() + std::chrono::seconds(1);
        while (Clock::now() < until)
        {
            rig.m_window.WaitAndPump(100);
        }
    }
    const long long nEndKb = ResidentKb();
    if (nFirstMinuteKb >= 0)
    {
        nMaxLaterKb = std::max(nMaxLaterKb, nEndKb);
    }

    const bool bSent = WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
    const long long anSent[KindCount] = {nEpochs, nEpochs, 3 * nEpochs, bRaw ? nEpochs : 0};
    bool bLost = !bSent;
    std::printf("\n%.1f s, %lld epochs at %d Hz%s\n", dWall, nEpochs, s_nRate,
                bSent ? "" : " (the receiver could not write them all)");
    std::printf("%-22s %10s %10s\n", "messages (per kind)", "sent", "received");
    for (int k = 0; k < KindCount; ++k)
    {
        std::printf("%-22s %10lld %10lld\n", s_apszKind[k], anSent[k], counts.anMessages[k]);
        bLost = bLost || anSent[k] != counts.anMessages[k];
    }
    // A position record for every GGA and one for every complete GSV set.
    const long long nPositionsDue = 2 * nEpochs;
    std::printf("%-22s %10lld %10lld\n", "position records", nPositionsDue, counts.nPositions);
    std::printf("%-22s %10lld %10lld\n", "range logs read back", anSent[KindRange],
                counts.nRangeLogs);
    bLost = bLost || counts.nPositions != nPositionsDue || counts.nRangeLogs != anSent[KindRange];
    std::printf("framing overflows %d\n", rig.m_engine.m_nBufferOverflows.load());

    std::printf("cpu %.3f s over %.1f s = %.4f %% of one core\n", dCpu, dWall,
                100.0 * dCpu / dWall);
    const bool bGrew = nFirstMinuteKb >= 0 && nMaxLaterKb - nFirstMinuteKb > s_nMemoryMarginKb;
    if (nFirstMinuteKb >= 0)
    {
        std::printf("VmRSS: start %lld kB, first minute %lld kB, highest later %lld kB, end %lld kB"
                    " (margin %lld kB)%s\n",
                    nStartKb, nFirstMinuteKb, nMaxLaterKb, nEndKb, s_nMemoryMarginKb,
                    bGrew ? "  GREW" : "");
    }
    else
    {
        std::printf("VmRSS: start %lld kB, end %lld kB (shorter than a minute: not judged)\n",
                    nStartKb, nEndKb);
    }
    std::printf("%s\n", bLost ? "LOST OR EXTRA MESSAGES" : "nothing lost");
    return bLost ? 3 : bGrew ? 4 : 0;
}
