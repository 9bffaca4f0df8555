// A stand-in for the host's main window in tests: it becomes the application's main window,
// collects every message posted to it and owns (deletes) the records that arrive with them.
#pragma once

#include "MainWindowStandIn.h"

#include <algorithm>
#include <iterator>
#include <vector>

class CHostWindow : public CMainWindowStandIn
{
public:
    ~CHostWindow() override { Pump(); }

    // Pumps until at least nCount messages arrived or the time is up; true when they did.
    bool WaitFor(std::size_t nCount, DWORD dwMilliseconds)
    {
        for (const DWORD dwStart = GetTickCount();; WaitAndPump(10))
        {
            Pump();
            if (m_Messages.size() >= nCount || GetTickCount() - dwStart >= dwMilliseconds)
            {
                return m_Messages.size() >= nCount;
            }
        }
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        SMessage m{};
        // A binary message's words stay in the receiver.
        if (!TakeRecord(message, wParam, m) && message != WM_GPS_BINARYMSG)
        {
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
        std::copy_if(m_Messages.begin(), m_Messages.end(), std::back_inserter(result),
                     [nMessage](const SMessage& m) { return m.nMessage == nMessage; });
        return result;
    }

    std::vector<SMessage> m_Messages;
};
