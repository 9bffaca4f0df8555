#include "port/Ack.h"

#include "receiver/GPSData.h"

std::atomic<bool> CAck::m_bGotAck{false};

namespace
{

// Longest pause between two looks at the flags when no message arrives: an acknowledgement set
// by another thread wakes nothing here, so it is seen at the next turn.
constexpr DWORD s_dwTurnMilliseconds = 10;

} // namespace

BEGIN_MESSAGE_MAP(CAck, CDialog)
ON_MESSAGE(WM_PRECISE_TIMER, OnPreciseTimer)
END_MESSAGE_MAP()

CAck::CAck(CWnd* pParent) : CDialog(IDD, pParent)
{
    m_bGotAck = false;
}

CAck::~CAck()
{
    // The timer first: once it is stopped no tick is sent to a window on its way out.
    m_Timer.Stop();
    DestroyWindow();
}

void CAck::OnNewGPSData(const CGPSData* pData)
{
    if (pData != nullptr && pData->m_Status.m_bAckReceived)
    {
        m_bGotAck = true;
    }
}

LRESULT CAck::OnPreciseTimer(WPARAM, LPARAM)
{
    m_bTimedOut = true;
    return 0;
}

bool CAck::Wait(int nMilliseconds)
{
    CWaitCursor waitCursor;
    struct StopTimer
    {
        CPreciseTimer& timer;
        ~StopTimer() { timer.Stop(); }
    } stopTimer{m_Timer};
    m_Timer.Start(this, nMilliseconds);

    for (;;)
    {
        if (m_bGotAck)
        {
            return true;
        }
        if (m_bTimedOut)
        {
            return false;
        }
        // Sleeps until a message arrives or one turn has passed; sent messages (the timer's)
        // are handled by the look at the queue below.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, s_dwTurnMilliseconds, QS_ALLINPUT);
        MSG msg;
        while (!m_bGotAck && !m_bTimedOut && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
            {
                // The host is closing: give the quit back to its message loop.
                PostQuitMessage(static_cast<int>(msg.wParam));
                return false;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}
