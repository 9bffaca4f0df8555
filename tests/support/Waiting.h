// Waiting in tests: polling for a condition with a generous limit, and measuring a span.
#pragma once

#include <chrono>
#include <thread>

inline long long MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// Polls until bDone() holds or the time is up; bDone()'s last answer.
template <class F> bool WaitUntil(F bDone, long long nMilliseconds = 5000)
{
    const auto start = std::chrono::steady_clock::now();
    while (!bDone() && MillisecondsSince(start) < nMilliseconds)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return bDone();
}
