// The stop signals' handler and flag.
#include "StopSignals.h"

#include <atomic>
#include <csignal>

namespace
{

// Set by the handler, read by the main thread and by other threads: a lock-free atomic is safe
// in a handler and between threads.
std::atomic<int> s_nStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);
// How many CStopSignals exist: an inner one keeps a signal the outer one already caught.
int s_nCatchers = 0;

extern "C" void OnStopSignal(int nSignal)
{
    s_nStopSignal = nSignal;
}

} // namespace

CStopSignals::CStopSignals()
{
    if (s_nCatchers++ == 0)
    {
        s_nStopSignal = 0;
    }
    m_pfnInt = std::signal(SIGINT, OnStopSignal);
    m_pfnTerm = std::signal(SIGTERM, OnStopSignal);
}

CStopSignals::~CStopSignals()
{
    --s_nCatchers;
    std::signal(SIGINT, m_pfnInt == SIG_ERR ? SIG_DFL : m_pfnInt);
    std::signal(SIGTERM, m_pfnTerm == SIG_ERR ? SIG_DFL : m_pfnTerm);
}

int StopSignal()
{
    return s_nStopSignal;
}
