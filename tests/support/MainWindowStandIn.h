// The host's main window for tests, benchmarks and the fuzzer: while it lives it is the
// application's main window, and it deletes every record posted to it unless a derived window
// takes the record first.
#pragma once

#include "platform/FixoraApp.h"
#include "platform/Framework.h"
#include "receiver/GPSData.h"
#include "receiver/GPSMessages.h"

#include <memory>

class CMainWindowStandIn : public CWnd
{
public:
    // A message of the library with the record it carries, now owned.
    struct SMessage
    {
        UINT nMessage;
        std::shared_ptr<CGPSData> pPosition;
        std::shared_ptr<CGPSDataRaw> pRaw;
        std::shared_ptr<CGPSDataEphemeris> pEphemeris;
        std::shared_ptr<CString> pText;
    };

    CMainWindowStandIn()
    {
        Create();
        // The library's application object by name, so that a static archive links it in.
        m_pPreviousMain = theApp.m_pMainWnd;
        theApp.m_pMainWnd = this;
    }
    ~CMainWindowStandIn() override
    {
        Pump(); // what is still queued reaches this class's WindowProc, which deletes it
        theApp.m_pMainWnd = m_pPreviousMain;
        DestroyWindow();
    }
    CMainWindowStandIn(const CMainWindowStandIn&) = delete;
    CMainWindowStandIn& operator=(const CMainWindowStandIn&) = delete;

    // Dispatches everything waiting in this thread's queue.
    void Pump()
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            DispatchMessageW(&msg);
        }
    }

    // Sleeps until a message arrives (or dwMilliseconds pass), then handles what is waiting.
    void WaitAndPump(DWORD dwMilliseconds)
    {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, dwMilliseconds, QS_ALLINPUT);
        Pump();
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        return DeleteRecord(message, wParam) ? 0 : CWnd::WindowProc(message, wParam, lParam);
    }

protected:
    // The record that a message of the library carries, owned by m; false for any other message.
    static bool TakeRecord(UINT message, WPARAM wParam, SMessage& m)
    {
        m.nMessage = message;
        switch (message)
        {
        case WM_GPS_POSITION:
            m.pPosition.reset(reinterpret_cast<CGPSData*>(wParam));
            return true;
        case WM_GPS_RAWDATA:
            m.pText.reset(reinterpret_cast<CString*>(wParam));
            return true;
        case WM_GPS_RAWEPOCH:
            m.pRaw.reset(reinterpret_cast<CGPSDataRaw*>(wParam));
            return true;
        case WM_GPS_EPHEMERIS:
            m.pEphemeris.reset(reinterpret_cast<CGPSDataEphemeris*>(wParam));
            return true;
        default:
            return false;
        }
    }

    // Deletes the record that a message of the library carries; false for any other message.
    static bool DeleteRecord(UINT message, WPARAM wParam)
    {
        SMessage m{};
        return TakeRecord(message, wParam, m);
    }

private:
    CWnd* m_pPreviousMain = nullptr;
};
