// Pipeline throughput: the recorded receiver streams of tests/data/gpsd that end their lines in
// CR LF, concatenated, handed to the engine's delivery (CZIDOvoine::UpdateGPSBuffer) in 1024-byte
// chunks with the plain NMEA receiver selected, and a main window that drains its queue after
// every chunk and deletes every record: the whole road of a sentence from bytes to the record in
// the host's hands.
//
// Two ways to run it:
//   pipeline_bench [Google Benchmark options]
//       sentences per second, heap allocations per sentence and records per sentence.
//   pipeline_bench --once [--bytes N]
//       one pass over the streams (or over their first N bytes) without Google Benchmark's
//       repetitions, printing the pass's sentence, allocation and record counts. Under
//       valgrind --tool=callgrind --toggle-collect='*RunPipelinePass*' the instructions of the
//       pass alone are counted; a pass over 0 bytes measures what a pass costs without data.
#include "RecordedStreams.h"
#include "engine/ZIDOvoine.h"
#include "platform/FixoraApp.h"
#include "support/MainWindowStandIn.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

// ---- counting heap allocations --------------------------------------------------------------
// Every operator new of the process comes here (the library is linked statically, and the
// standard library's own allocations resolve to these replacements too).

namespace
{
std::atomic<std::int64_t> s_nAllocations{0};

void* CountedAllocate(std::size_t nBytes)
{
    s_nAllocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(nBytes == 0 ? 1 : nBytes);
}

void* CountedAllocateAligned(std::size_t nBytes, std::align_val_t alignment)
{
    s_nAllocations.fetch_add(1, std::memory_order_relaxed);
    const auto nAlign = static_cast<std::size_t>(alignment);
    const std::size_t nRounded = (std::max<std::size_t>(nBytes, 1) + nAlign - 1) / nAlign * nAlign;
    return std::aligned_alloc(nAlign, nRounded);
}

// Out of line, so the compiler never sees free() paired with operator new at an inlined delete.
__attribute__((noinline)) void Release(void* p) noexcept
{
    std::free(p);
}
} // namespace

void* operator new(std::size_t nBytes)
{
    if (void* p = CountedAllocate(nBytes))
    {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t nBytes)
{
    return operator new(nBytes);
}
void* operator new(std::size_t nBytes, const std::nothrow_t&) noexcept
{
    return CountedAllocate(nBytes);
}
void* operator new[](std::size_t nBytes, const std::nothrow_t&) noexcept
{
    return CountedAllocate(nBytes);
}
void* operator new(std::size_t nBytes, std::align_val_t alignment)
{
    if (void* p = CountedAllocateAligned(nBytes, alignment))
    {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t nBytes, std::align_val_t alignment)
{
    return operator new(nBytes, alignment);
}
void operator delete(void* p) noexcept
{
    Release(p);
}
void operator delete[](void* p) noexcept
{
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    Release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    Release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    Release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    Release(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    Release(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    Release(p);
}

namespace
{

constexpr int s_nChunkBytes = 1024; // what one read of the port typically brings

// The recorded streams whose sentences end in CR LF (the LF-only ones frame no sentence as a
// byte stream), in name order, concatenated.
std::string LoadCrLfStreams()
{
    std::string all;
    for (const std::string& stream : LoadRecordedStreams())
    {
        if (stream.find("\r\n") != std::string::npos)
        {
            all += stream;
        }
    }
    return all;
}

// The messages the framer cuts from the stream when it arrives in reads of nChunk bytes: the
// sentences that travel the road.
std::int64_t CountSentences(const std::string& stream, int nChunk)
{
    CBinBuffer buffer;
    CBinBuffer chunk;
    std::int64_t nMessages = 0;
    const int nTotal = static_cast<int>(stream.size());
    for (int i = 0; i < nTotal; i += nChunk)
    {
        chunk.Set(stream.data() + i, std::min(nChunk, nTotal - i), 0);
        buffer += chunk;
        buffer.GetCurrentMessage();
        while (buffer.HasMessage())
        {
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

// The host's main window: takes every record posted to it and deletes it, as a host does.
class CDrainWindow : public CMainWindowStandIn
{
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (!DeleteRecord(message, wParam))
        {
            return CWnd::WindowProc(message, wParam, lParam);
        }
        ++m_nRecords;
        return 0;
    }

    std::int64_t m_nRecords = 0;
};

// An engine with the plain NMEA receiver ("NMEA-0183") selected and a main window.
struct SPipeline
{
    SPipeline() { engine.SetReceiver(engine.FindReceiver(L"NMEA-0183")); }

    CZIDOvoine engine;
    CDrainWindow window;
    CBinBuffer chunk;
};

} // namespace

// One pass over the stream, chunk by chunk, each chunk delivered and the window drained.
// Not inlined and outside any namespace, so callgrind can collect exactly this function.
__attribute__((noinline)) void RunPipelinePass(SPipeline& pipeline, const std::string& stream)
{
    const int nTotal = static_cast<int>(stream.size());
    for (int i = 0; i < nTotal; i += s_nChunkBytes)
    {
        pipeline.chunk.Set(stream.data() + i, std::min(s_nChunkBytes, nTotal - i), 0);
        pipeline.engine.UpdateGPSBuffer(pipeline.chunk);
        pipeline.window.Pump();
    }
}

namespace
{

const std::string& Stream()
{
    static const std::string stream = LoadCrLfStreams();
    return stream;
}

void BM_PipelineCrLfStreams(benchmark::State& state)
{
    const std::string& stream = Stream();
    if (stream.empty())
    {
        state.SkipWithError("no CR LF streams in tests/data/gpsd");
        return;
    }
    const std::int64_t nSentencesPerPass = CountSentences(stream, s_nChunkBytes);
    SPipeline pipeline;
    const std::int64_t nRecordsBefore = pipeline.window.m_nRecords;
    const std::int64_t nAllocationsBefore = s_nAllocations.load();
    for (auto _ : state)
    {
        RunPipelinePass(pipeline, stream);
    }
    const double dAllocations = static_cast<double>(s_nAllocations.load() - nAllocationsBefore);
    const double dRecords = static_cast<double>(pipeline.window.m_nRecords - nRecordsBefore);
    const double dSentences = static_cast<double>(state.iterations() * nSentencesPerPass);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
    state.counters["sentences/s"] = benchmark::Counter(dSentences, benchmark::Counter::kIsRate);
    state.counters["allocs/sentence"] = dAllocations / dSentences;
    state.counters["records/sentence"] = dRecords / dSentences;
}
BENCHMARK(BM_PipelineCrLfStreams);

// --once [--bytes N]: one pass, counts printed one per line for scripts.
int RunOnce(long long nBytes)
{
    std::string stream = Stream();
    if (nBytes >= 0 && static_cast<std::size_t>(nBytes) < stream.size())
    {
        stream.resize(static_cast<std::size_t>(nBytes));
    }
    const std::int64_t nSentences = CountSentences(stream, s_nChunkBytes);
    SPipeline pipeline;
    const std::int64_t nAllocationsBefore = s_nAllocations.load();
    RunPipelinePass(pipeline, stream);
    const std::int64_t nAllocations = s_nAllocations.load() - nAllocationsBefore;
    std::printf("bytes %zu\nsentences %lld\nallocations %lld\nrecords %lld\n", stream.size(),
                static_cast<long long>(nSentences), static_cast<long long>(nAllocations),
                static_cast<long long>(pipeline.window.m_nRecords));
    return stream.empty() && nBytes != 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    bool bOnce = false;
    long long nBytes = -1;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--once") == 0)
        {
            bOnce = true;
        }
        else if (std::strcmp(argv[i], "--bytes") == 0 && i + 1 < argc)
        {
            nBytes = std::atoll(argv[++i]);
        }
    }
    if (bOnce)
    {
        return RunOnce(nBytes);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
    {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
