// A stand-in for the host's main window in tests: it becomes the application's main window,
// collects every message posted to it and owns (deletes) the records that arrive with them.
#pragma once

#include "MainWindowStandIn.h"

#include <memory>
#include <vector>

class CHostWindow : public CMainWindowStandIn
{
public:
    struct SMessage
    {
        UINT nMessage;
        std::shared_ptr<CGPSData> pPosition;
        std::shared_ptr<CGPSDataRaw> pRaw;
        std::shared_ptr<CGPSDataEphemeris> pEphemeris;
        std::shared_ptr<CString> pText;
    };

    ~CHostWindow() override { Pump(); }

    // Pumps until at least nCount messages arrived or the time is up; true when they did.
    bool WaitFor(std::size_t nCount, DWORD dwMilliseconds)
    {
        const DWORD dwStart = GetTickCount();
        for (;;)
        {
            Pump();
            if (m_Messages.size() >= nCount)
            {
                return true;
            }
            if (GetTickCount() - dwStart >= dwMilliseconds)
            {
                return false;
            }
            WaitAndPump(10);
        }
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        SMessage m{message, nullptr, nullptr, nullptr, nullptr};
        switch (message)
        {
        case WM_GPS_POSITION:
            m.pPosition.reset(reinterpret_cast<CGPSData*>(wParam));
            break;
        case WM_GPS_RAWDATA:
            m.pText.reset(reinterpret_cast<CString*>(wParam));
            break;
        case WM_GPS_RAWEPOCH:
            m.pRaw.reset(reinterpret_cast<CGPSDataRaw*>(wParam));
            break;
        case WM_GPS_EPHEMERIS:
            m.pEphemeris.reset(reinterpret_cast<CGPSDataEphemeris*>(wParam));
            break;
        case WM_GPS_BINARYMSG: // the words stay in the receiver
            break;
        default:
            return CMainWindowStandIn::WindowProc(message, wParam, lParam);
        }
        m_Messages.push_back(std::move(m));
        return 0;
    }

    std::vector<SMessage> Positions() const { return Only(WM_GPS_POSITION); }

    // The messages of one kind, in order.
    std::vector<SMessage> Only(UINT nMessage) const
    {
        std::vector<SMessage> result;
        for (const auto& m : m_Messages)
        {
            if (m.nMessage == nMessage)
            {
                result.push_back(m);
            }
        }
        return result;
    }

    std::vector<SMessage> m_Messages;
};
