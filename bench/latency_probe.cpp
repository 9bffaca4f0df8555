// Latency of live acquisition: from the end of a GGA (its carriage return) written to the
// receiver's side of a pseudo-terminal to its position record reaching the host's main window,
// with the engine in live mode on the other side. One sentence per interval; median, 99th
// percentile and the rest of the distribution over the run.
//
// The time of the last byte is taken just before the write that hands it over.
//
//   latency_probe [--count N] [--interval-ms MS] [--line-baud B]
//     --count N        sentences measured (default 200; at one a second that is over 200 s)
//     --interval-ms MS time from one sentence to the next (default 1000)
//     --line-baud B    0 (default): each sentence is written at once, as a USB receiver hands
//                      over a burst; otherwise its bytes are paced as a serial line at B baud
//                      sends them (10 bits a byte), and the latency counts from its CR
#include "LiveRig.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

using namespace live_rig;

namespace
{

struct SOptions
{
    int nCount = 200;
    int nIntervalMs = 1000;
    int nLineBaud = 0;
};

bool ReadOptions(int argc, char** argv, SOptions& options)
{
    for (int i = 1; i < argc; ++i)
    {
        const bool bHasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--count") == 0 && bHasValue)
        {
            options.nCount = std::atoi(argv[++i]);
        }
        else if (std::strcmp(argv[i], "--interval-ms") == 0 && bHasValue)
        {
            options.nIntervalMs = std::atoi(argv[++i]);
        }
        else if (std::strcmp(argv[i], "--line-baud") == 0 && bHasValue)
        {
            options.nLineBaud = std::atoi(argv[++i]);
        }
        else
        {
            return false;
        }
    }
    return options.nCount > 0 && options.nIntervalMs > 0 && options.nLineBaud >= 0;
}

// Writes the sentence, paced as a serial line at nLineBaud sends it (0: in one write); returns
// the time just before the write that hands over its carriage return, the byte that completes
// the sentence for the framer (the line feed follows one byte time later, and by then the record
// is usually in the window). Taken after the write, the time could come after the record: the
// write may wake the engine's thread and let it run first.
Clock::time_point WriteSentence(const CReceiverPty& pty, const std::string& strSentence,
                                int nLineBaud)
{
    if (nLineBaud == 0)
    {
        const auto lastByte = Clock::now();
        pty.Write(strSentence.data(), strSentence.size());
        return lastByte;
    }
    const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / nLineBaud);
    const std::size_t nEnd = strSentence.find('\r');
    const auto start = Clock::now();
    auto lineEnd = start;
    for (std::size_t i = 0; i < strSentence.size(); ++i)
    {
        std::this_thread::sleep_until(start + byteTime * static_cast<long long>(i));
        if (i <= nEnd)
        {
            lineEnd = Clock::now();
        }
        pty.Write(strSentence.data() + i, 1);
    }
    return lineEnd;
}

double Percentile(const std::vector<double>& sorted, double dFraction)
{
    // Nearest rank.
    const auto nRank = static_cast<std::size_t>(std::ceil(dFraction * sorted.size()));
    return sorted[std::clamp<std::size_t>(nRank, 1, sorted.size()) - 1];
}

} // namespace

int main(int argc, char** argv)
{
    SOptions options;
    if (!ReadOptions(argc, argv, options))
    {
        std::fprintf(stderr,
                     "usage: latency_probe [--count N] [--interval-ms MS] [--line-baud B]\n");
        return 2;
    }
    CLiveRig rig;
    if (!rig.Start())
    {
        return 1;
    }
    // A record lost for longer than this counts as lost, not as a latency.
    const auto lostAfter = std::chrono::milliseconds(std::max(3000, 2 * options.nIntervalMs));
    std::vector<double> latencies;
    int nLost = 0;
    auto next = Clock::now() + std::chrono::milliseconds(options.nIntervalMs);
    for (int i = 0; i < options.nCount; ++i)
    {
        while (Clock::now() < next)
        {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now());
            rig.m_window.WaitAndPump(static_cast<DWORD>(std::max<long long>(left.count(), 0)));
        }
        next += std::chrono::milliseconds(options.nIntervalMs);

        // The receiver writes on a thread of its own, so that this one, the host's, takes the
        // record while the rest of the line (its line feed) is still on its way.
        const long long nBefore = rig.m_window.m_nPositions;
        const auto start = Clock::now();
        Clock::time_point written{};
        std::thread writer(
            [&] { written = WriteSentence(rig.m_pty, GgaAt(100 + i), options.nLineBaud); });
        while (rig.m_window.m_nPositions == nBefore && Clock::now() - start < lostAfter)
        {
            rig.m_window.WaitAndPump(100);
        }
        writer.join();
        if (rig.m_window.m_nPositions == nBefore)
        {
            ++nLost;
            continue;
        }
        latencies.push_back(
            std::chrono::duration<double, std::milli>(rig.m_window.m_LastPosition - written)
                .count());
    }
    if (latencies.empty())
    {
        std::fprintf(stderr, "no record arrived\n");
        return 1;
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("sentences %d, records %zu, lost %d, interval %d ms, %s\n", options.nCount,
                latencies.size(), nLost, options.nIntervalMs,
                options.nLineBaud == 0
                    ? "written at once"
                    : ("paced at " + std::to_string(options.nLineBaud) + " baud").c_str());
    std::printf("latency ms: min %.2f  p50 %.2f  p90 %.2f  p99 %.2f  max %.2f\n", latencies.front(),
                Percentile(latencies, 0.50), Percentile(latencies, 0.90),
                Percentile(latencies, 0.99), latencies.back());
    return nLost == 0 ? 0 : 1;
}
