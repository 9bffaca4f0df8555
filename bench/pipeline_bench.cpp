// Pipeline throughput: the recorded receiver streams of tests/data/gpsd that end their lines in
// CR LF, concatenated, handed to the engine's delivery (CZIDOvoine::UpdateGPSBuffer) in 1024-byte
// chunks with the plain NMEA receiver selected, and a main window that drains its queue after
// every chunk and deletes every record: the whole road of a sentence from bytes to the record in
// the host's hands. A second case plays a vendor receiver's stream (binary records and replies)
// the same way.
//
// Two ways to run it:
//   pipeline_bench [Google Benchmark options]
//       sentences per second, heap allocations per sentence and records per sentence.
//   pipeline_bench --once [--vendor] [--bytes N] [--passes N] [--no-window]
//       one pass over the streams (or their first N bytes; --vendor: the vendor stream) after
//       a first pass that is not counted, without Google Benchmark's repetitions, printing the
//       pass's sentence, allocation and record counts (with --passes, N passes and their
//       time: the only mode where Google Benchmark is missing, as in the Windows cross build;
//       with --no-window, the library alone, its records deleted without a main window).
//       Under valgrind --tool=callgrind --toggle-collect='*RunPipelinePass*' the instructions of
//       the pass alone are counted; a pass over 0 bytes measures what a pass costs without data.
#include "RecordedStreams.h"
#include "engine/ZIDOvoine.h"
#include "platform/FixoraApp.h"
#include "support/MainWindowStandIn.h"

#if FIXORA_GOOGLE_BENCHMARK
#include <benchmark/benchmark.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
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

#ifndef _WIN32 // no aligned_alloc there: over-aligned allocations keep the runtime's own
void* CountedAllocateAligned(std::size_t nBytes, std::align_val_t alignment)
{
    s_nAllocations.fetch_add(1, std::memory_order_relaxed);
    const auto nAlign = static_cast<std::size_t>(alignment);
    const std::size_t nRounded = (std::max<std::size_t>(nBytes, 1) + nAlign - 1) / nAlign * nAlign;
    return std::aligned_alloc(nAlign, nRounded);
}
#endif

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
#ifndef _WIN32
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
#endif
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
#ifndef _WIN32
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
#endif

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

// What a pass plays: the recorded NMEA streams with the plain NMEA receiver ("NMEA-0183"), or
// the vendor stream with its receiver ("CSI", of the Ashtech family) and the raw-data bytes kept
// for the binary decoders, as a host asking for raw data does.
struct SCorpus
{
    const wchar_t* pszModel;
    std::string (*pfnLoad)();
};
const SCorpus s_NmeaCorpus = {L"NMEA-0183", &LoadCrLfStreams};
const SCorpus s_VendorCorpus = {L"CSI", &LoadVendorStream};

// An engine with the corpus's receiver selected and a main window.
struct SPipeline
{
    explicit SPipeline(const SCorpus& corpus)
    {
        engine.SetReceiver(engine.FindReceiver(corpus.pszModel));
        engine.m_bAttachRawData = &corpus == &s_VendorCorpus;
    }

    CZIDOvoine engine;
    CDrainWindow window;
    CBinBuffer chunk;
    bool bWindow = true; // false: no main window, nothing to drain
};

// One pass over the stream, chunk by chunk, each chunk delivered and the window drained.
inline void PlayStream(SPipeline& pipeline, const std::string& stream)
{
    const int nTotal = static_cast<int>(stream.size());
    for (int i = 0; i < nTotal; i += s_nChunkBytes)
    {
        pipeline.chunk.Set(stream.data() + i, std::min(s_nChunkBytes, nTotal - i), 0);
        pipeline.engine.UpdateGPSBuffer(pipeline.chunk);
        if (pipeline.bWindow)
        {
            pipeline.window.Pump();
        }
    }
}
} // namespace

// PlayStream, not inlined and outside any namespace, so callgrind can collect exactly this.
__attribute__((noinline)) void RunPipelinePass(SPipeline& pipeline, const std::string& stream)
{
    PlayStream(pipeline, stream);
}

namespace
{

const std::string& Stream(const SCorpus& corpus)
{
    static const std::string nmea = s_NmeaCorpus.pfnLoad();
    static const std::string vendor = s_VendorCorpus.pfnLoad();
    return &corpus == &s_VendorCorpus ? vendor : nmea;
}

#if FIXORA_GOOGLE_BENCHMARK
void BM_Pipeline(benchmark::State& state, const SCorpus* pCorpus)
{
    const std::string& stream = Stream(*pCorpus);
    if (stream.empty())
    {
        state.SkipWithError("the corpus's streams are missing from tests/data");
        return;
    }
    const std::int64_t nSentencesPerPass = CountSentences(stream, s_nChunkBytes);
    SPipeline pipeline(*pCorpus);
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
BENCHMARK_CAPTURE(BM_Pipeline, CrLfStreams, &s_NmeaCorpus);
BENCHMARK_CAPTURE(BM_Pipeline, VendorStream, &s_VendorCorpus);
#endif

// --once [--vendor] [--bytes N] [--passes N]: counted passes (one unless told), their counts
// printed one per line for scripts, with their time when there are several.
int RunOnce(const SCorpus& corpus, long long nBytes, int nPasses, bool bWindow)
{
    std::string stream = Stream(corpus);
    if (nBytes >= 0 && static_cast<std::size_t>(nBytes) < stream.size())
    {
        stream.resize(static_cast<std::size_t>(nBytes));
    }
    const std::int64_t nSentences = CountSentences(stream, s_nChunkBytes);
    SPipeline pipeline(corpus);
    if (!bWindow)
    {
        // No main window: the library deletes each record at once, so the passes measure the
        // library alone (under wine, each look at the window's message queue is a call to the
        // wine server that costs more than a chunk's sentences).
        theApp.m_pMainWnd = nullptr;
        pipeline.bWindow = false;
    }
    // A first pass outside the count, so that the counted ones show the steady state (buffers
    // that grow once, the first records of each kind).
    PlayStream(pipeline, stream);
    const std::int64_t nRecordsBefore = pipeline.window.m_nRecords;
    const std::int64_t nAllocationsBefore = s_nAllocations.load();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < nPasses; ++i)
    {
        RunPipelinePass(pipeline, stream);
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const std::int64_t nAllocations = s_nAllocations.load() - nAllocationsBefore;
    std::printf("bytes %zu\nsentences %lld\nallocations %lld\nrecords %lld\n", stream.size(),
                static_cast<long long>(nSentences * nPasses), static_cast<long long>(nAllocations),
                static_cast<long long>(pipeline.window.m_nRecords - nRecordsBefore));
    if (nPasses > 1)
    {
        std::printf("seconds %.3f\nsentences/s %.0f\n", elapsed.count(),
                    static_cast<double>(nSentences * nPasses) / elapsed.count());
    }
    return stream.empty() && nBytes != 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    bool bOnce = false;
    const SCorpus* pCorpus = &s_NmeaCorpus;
    long long nBytes = -1;
    int nPasses = 1;
    bool bWindow = true;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--once") == 0)
        {
            bOnce = true;
        }
        else if (std::strcmp(argv[i], "--vendor") == 0)
        {
            pCorpus = &s_VendorCorpus;
        }
        else if (std::strcmp(argv[i], "--bytes") == 0 && i + 1 < argc)
        {
            nBytes = std::atoll(argv[++i]);
        }
        else if (std::strcmp(argv[i], "--no-window") == 0)
        {
            bWindow = false;
        }
        else if (std::strcmp(argv[i], "--passes") == 0 && i + 1 < argc)
        {
            nPasses = std::max(1, std::atoi(argv[++i]));
        }
    }
#if FIXORA_GOOGLE_BENCHMARK
    if (bOnce)
    {
        return RunOnce(*pCorpus, nBytes, nPasses, bWindow);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
    {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
#else
    static_cast<void>(bOnce); // without Google Benchmark there are only counted passes
    return RunOnce(*pCorpus, nBytes, nPasses, bWindow);
#endif
}
