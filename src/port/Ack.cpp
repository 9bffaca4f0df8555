#include "port/Ack.h"

#include "receiver/GPSData.h"

std::atomic<bool> CAck::m_bGotAck{false};

namespace
{

// Set with m_bGotAck when a published record carries the acknowledgement, so that a wait sleeps
// until then instead of looking at the flag in turns. Manual-reset: every waiter sees it, and a
// new CAck resets it with the flag. Made once, kept for the process's life.
HANDLE AckArrived()
{
    static const HANDLE hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return hEvent;
}

} // namespace

BEGIN_MESSAGE_MAP(CAck, CDialog)
ON_MESSAGE(WM_PRECISE_TIMER, OnPreciseTimer)
END_MESSAGE_MAP()

CAck::CAck(CWnd* pParent) : CDialog(IDD, pParent)
{
    m_bGotAck = false;
    ResetEvent(AckArrived());
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
        Acknowledge();
    }
}

void CAck::Acknowledge()
{
    m_bGotAck = true;
    SetEvent(AckArrived());
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
        // Sleeps until the acknowledgement arrives or a message does (the timer's tick is one);
        // the look at the queue below drains it, so no message already there is slept on.
        const HANDLE hArrived = AckArrived();
        MsgWaitForMultipleObjects(1, &hArrived, FALSE, INFINITE, QS_ALLINPUT);
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
