// The clock that stamps every record's m_Time.
#pragma once

#include "receiver/GPSData.h"

#include <chrono>

// The computer's clock in seconds since 1970 (UTC); the records' field is 32 bits wide, the
// clock wider. Read through std::chrono rather than time(): the Windows C runtime's time() looks
// up the time zone on every call, which cost more than the rest of a sentence's road.
inline GPSTime32 RecordClockNow()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<GPSTime32>(std::chrono::duration_cast<std::chrono::seconds>(now).count());
}
