// Records the pauses that the library asks for instead of sleeping them, for its lifetime, so a
// test sees how long a command set would block without waiting for it.
#pragma once

#include "platform/Sync.h"

#include <mutex>
#include <vector>

class CPauseRecorder
{
public:
    CPauseRecorder() { SetSleepHook(&CPauseRecorder::Record, this); }
    ~CPauseRecorder() { SetSleepHook(nullptr, nullptr); }

    // Milliseconds of every pause so far, in order.
    std::vector<DWORD> Pauses() const
    {
        std::lock_guard lock(m_mutex);
        return m_pauses;
    }

    void Clear()
    {
        std::lock_guard lock(m_mutex);
        m_pauses.clear();
    }

private:
    static void Record(DWORD dwMilliseconds, void* pContext)
    {
        auto* pThis = static_cast<CPauseRecorder*>(pContext);
        std::lock_guard lock(pThis->m_mutex);
        pThis->m_pauses.push_back(dwMilliseconds);
    }

    mutable std::mutex m_mutex;
    std::vector<DWORD> m_pauses;
};
