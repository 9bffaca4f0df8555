// CCountingWindow: the main window of a live run, which also counts what arrived intact
// (sentences whose checksum holds, and the records decoded from binary messages): a receiver at
// another baud rate than the port's brings bytes, but nothing intact.
#pragma once

#include "MainWindow.h"

class CCountingWindow : public CMainWindow
{
public:
    CCountingWindow(const SSettings& settings, CDOZOzoeiver* pReceiver, CDataLog* pDataLog,
                    std::FILE* pOutput);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // What arrived intact since the window was made.
    long long IntactCount() const { return m_nIntact; }

private:
    long long m_nIntact = 0;
};
