#include "LocalTime.h"

#include <mutex>

bool GetLocalCalendarTime(std::time_t time, std::tm& local)
{
    static std::mutex s_mutex;
    std::lock_guard lock(s_mutex);
    const std::tm* pLocal = std::localtime(&time);
    if (pLocal == nullptr)
    {
        return false;
    }
    local = *pLocal;
    return true;
}
