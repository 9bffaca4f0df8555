// The counting main window.
#include "CountingWindow.h"

#include "framing/SentenceChecks.h"

#include <memory>

CCountingWindow::CCountingWindow(const SSettings& settings, CDOZOzoeiver* pReceiver,
                                 CDataLog* pDataLog, std::FILE* pOutput)
    : CMainWindow(settings, pReceiver, pDataLog, pOutput)
{
}

LRESULT CCountingWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_GPS_RAWDATA: {
        const auto* pText = reinterpret_cast<const CString*>(wParam);
        if (pText != nullptr && sentence_checks::IsChecksumOK(pText->View()))
        {
            ++m_nIntact;
        }
        break;
    }
    case WM_GPS_BINARYMSG:
    case WM_GPS_RAWEPOCH:
    case WM_GPS_EPHEMERIS:
        // Decoded from binary messages, which carry no text to check: a receiver of binary
        // output counts by what its decoders took.
        ++m_nIntact;
        break;
    default:
        break;
    }
    return CMainWindow::WindowProc(message, wParam, lParam);
}
