// CCountingWindow: the main window of a live run, which also counts what arrived intact
// (sentences whose checksum holds, and the records decoded from binary messages): a receiver at
// another baud rate than the port's brings bytes, but nothing intact.
#pragma once

#include "MainWindow.h"

class CCountingWindow : public CMainWindow
{
public:
    // bPrintTexts: message texts are printed (--collect); otherwise they are only counted.
    CCountingWindow(const SSettings& settings, bool bPrintTexts, CDOZOzoeiver* pReceiver,
                    CDataLog* pDataLog, std::FILE* pOutput);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // What arrived intact since the window was made.
    long long IntactCount() const { return m_nIntact; }

private:
    const bool m_bPrintTexts;
    long long m_nIntact = 0;
};
