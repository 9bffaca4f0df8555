// What the receiver and the engine share when they hand records to the host: the clock that
// stamps a record, and the post to the host's main window.
#pragma once

#include "platform/Framework.h"
#include "receiver/GPSData.h"

#include <ctime>

// The computer's clock in seconds; the records' field is 32 bits wide, the C library's clock
// wider.
inline GPSTime32 RecordClockNow()
{
    return static_cast<GPSTime32>(std::time(nullptr));
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
