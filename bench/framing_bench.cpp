// Framing throughput: the recorded receiver streams of tests/data/gpsd, concatenated, fed to a
// CBinBuffer in 1024-byte reads the way the acquisition thread does, every message taken out as
// a new CString and deleted.
#include "RecordedStreams.h"
#include "framing/BinBuffer.h"

#include <benchmark/benchmark.h>

#include <string>

namespace
{

std::string AllRecordedStreams()
{
    std::string all;
    for (const std::string& stream : LoadRecordedStreams())
    {
        all += stream;
    }
    return all;
}

// One pass of the engine's delivery loop over the stream; returns the messages framed.
std::int64_t FrameLikeTheEngine(const std::string& stream, int nRead)
{
    CBinBuffer buffer;
    CBinBuffer chunk;
    std::int64_t nMessages = 0;
    const int nTotal = static_cast<int>(stream.size());
    for (int i = 0; i < nTotal; i += nRead)
    {
        chunk.Set(stream.data() + i, std::min(nRead, nTotal - i), 0);
        buffer += chunk;
        buffer.GetCurrentMessage();
        while (buffer.HasMessage())
        {
            CString* pText = buffer.GetMessageAsPtr();
            benchmark::DoNotOptimize(pText->GetLength());
            delete pText;
            ++nMessages;
            if (!buffer.Next())
            {
                break;
            }
        }
        buffer.Resize();
    }
    return nMessages;
}

void BM_FrameRecordedStreams(benchmark::State& state)
{
    static const std::string stream = AllRecordedStreams();
    if (stream.empty())
    {
        state.SkipWithError("no recorded streams in tests/data/gpsd");
        return;
    }
    std::int64_t nMessages = 0;
    for (auto _ : state)
    {
        nMessages += FrameLikeTheEngine(stream, 1024);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
    state.counters["messages/s"] =
        benchmark::Counter(static_cast<double>(nMessages), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FrameRecordedStreams);

// One read holding many messages: the cost per message must not grow with the read's size,
// also for comma-less sentences whose tag is found without looking past their end.
void FrameOneRead(benchmark::State& state, const std::string& sentence)
{
    std::string stream;
    while (static_cast<std::int64_t>(stream.size()) < state.range(0))
    {
        stream += sentence;
    }
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(FrameLikeTheEngine(stream, static_cast<int>(stream.size())));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
    state.SetComplexityN(static_cast<std::int64_t>(stream.size()));
}

void BM_FrameOneReadOfSentences(benchmark::State& state)
{
    FrameOneRead(state,
                 "$GPGGA,223251.00,3757.92653,N,12231.94543,W,1,05,1.20,9.2,M,-25.1,M,,*6C\r\n");
}
BENCHMARK(BM_FrameOneReadOfSentences)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity();

void BM_FrameOneReadOfCommaLessSentences(benchmark::State& state)
{
    FrameOneRead(state, "$ABCDE\r\n");
}
BENCHMARK(BM_FrameOneReadOfCommaLessSentences)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 16)
    ->Complexity();

} // namespace

BENCHMARK_MAIN();
