// The C library's local calendar time, from any thread: std::localtime hands out one shared buffer,
// so its callers take turns here.
#pragma once

#include "WinTypes.h"

#include <ctime>

// The local calendar time of a clock value; false when the C library has none for it.
FIXORA_API bool GetLocalCalendarTime(std::time_t time, std::tm& local);
