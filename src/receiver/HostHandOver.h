// What the receiver and the engine share when they hand records to the host: the clock that
// stamps a record, and the post to the host's main window.
#pragma once

#include "platform/Framework.h"
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

// Posts a heap record to the host's main window, which then owns it. When there is no main
// window or the post is refused (window gone, queue full) the record is deleted here, so
// nothing leaks. True when the host got it.
template <class TRecord> bool PostToHost(UINT nMessage, TRecord* pRecord)
{
    CWnd* pMainWnd = AfxGetMainWnd();
    const HWND hWnd = pMainWnd != nullptr ? pMainWnd->GetSafeHwnd() : nullptr;
    if (hWnd != nullptr &&
        PostMessageW(hWnd, nMessage, reinterpret_cast<WPARAM>(pRecord), 0) != FALSE)
    {
        return true;
    }
    delete pRecord;
    return false;
}
