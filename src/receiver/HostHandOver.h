// How the receiver and the engine hand a record to the host: a post to its main window.
#pragma once

#include "platform/Framework.h"
#include "receiver/GPSData.h"

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
