// CAck: the wait window of an acknowledged command. It keeps the calling thread's messages flowing
// while it waits for the receiver's acknowledgement to be published or for its time-out timer to
// tick, with the wait cursor shown meanwhile.
#pragma once

#include "platform/Framework.h"
#include "port/PreciseTimer.h"
#include "resources/ResourceIds.h"

#include <atomic>

class CGPSData;

class FIXORA_API CAck : public CDialog
{
public:
    enum
    {
        IDD = IDD_ACK
    };

    // Clears m_bGotAck: only acknowledgements published from now on count. Creating the window
    // (Create()) is the caller's step.
    explicit CAck(CWnd* pParent = nullptr);
    ~CAck() override;

    // Waits on the thread that created the window until an acknowledgement is published (true)
    // or nMilliseconds have passed (false); an interval of 0 or below waits for the
    // acknowledgement alone. The acknowledgement wins when both are there at the same check.
    // A quit message ends the wait (false) and stays queued for the host's message loop.
    bool Wait(int nMilliseconds);

    // Called with every record published to the host, on the acquisition thread: a record that
    // carries an acknowledgement calls Acknowledge.
    static void OnNewGPSData(const CGPSData* pData);
    // Sets m_bGotAck and wakes every Wait; nothing here clears it. A Wait learns of an
    // acknowledgement only through this call (writing the flag alone wakes no one).
    static void Acknowledge();

    // An acknowledgement was published since the last CAck was constructed.
    static std::atomic<bool> m_bGotAck;

protected:
    LRESULT OnPreciseTimer(WPARAM wParam, LPARAM lParam);

    CPreciseTimer m_Timer;
    bool m_bTimedOut = false; // set by the timer's tick, on this window's thread

    DECLARE_MESSAGE_MAP()
};
