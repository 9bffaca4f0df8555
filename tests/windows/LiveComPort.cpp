// The live end-to-end check of the Windows build: the engine acquires from a real COM port with
// the plain NMEA model, and this program's main window waits for the first position record.
// It prints the decoded values, writes them back through the port (so the device's side sees
// the round trip), and succeeds when they are those of the sentence that the device sends:
//   $GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47
// Usage: fixora_live_com PORT [SECONDS]   (exit 0 decoded, 1 wrong values, 2 nothing in time)
#include "Fixora_Vorn.h"
#include "engine/ZIDOvoine.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace
{

constexpr double kPi = 3.14159265358979323846;

class CLiveWindow : public CWnd
{
public:
    std::unique_ptr<CGPSData> m_pFix;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_GPS_POSITION)
        {
            std::unique_ptr<CGPSData> pData(reinterpret_cast<CGPSData*>(wParam));
            if (pData->m_bPosition && !m_pFix)
            {
                m_pFix = std::move(pData);
            }
            return 0;
        }
        if (message == WM_GPS_RAWDATA)
        {
            delete reinterpret_cast<CString*>(wParam);
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

bool Near(double a, double b, double tolerance)
{
    return std::fabs(a - b) <= tolerance;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2 || std::wcstol(argv[1], nullptr, 10) <= 0)
    {
        std::fprintf(stderr, "usage: fixora_live_com PORT [SECONDS]\n");
        return 2;
    }
    const int nPort = static_cast<int>(std::wcstol(argv[1], nullptr, 10));
    const DWORD dwSeconds = argc > 2 ? std::wcstoul(argv[2], nullptr, 10) : 30;

    // Nothing of the user's: a profile of our own, and message boxes on standard error.
    wchar_t szTemp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, szTemp);
    AfxGetApp()->SetProfilePath(CString(szTemp) + L"fixora_live_com.ini");
    SetMessageBoxHandler([](const CString& strText, UINT) {
        std::fprintf(stderr, "message box: %s\n", strText.ToNarrow().c_str());
        return IDOK;
    });

    CLiveWindow wnd;
    if (!wnd.Create())
    {
        std::fprintf(stderr, "no main window\n");
        return 2;
    }
    AfxGetApp()->m_pMainWnd = &wnd;

    int nResult = 2;
    {
        CZIDOvoine engine;
        CDOZOzoeiver* pReceiver = engine.FindReceiver(L"NMEA-0183");
        if (pReceiver == nullptr)
        {
            std::fprintf(stderr, "no NMEA-0183 model\n");
            return 2;
        }
        pReceiver->SetupReceiver(nPort, 0, 0.0, CString(), false);
        engine.SetReceiver(pReceiver);
        engine.Start();

        const DWORD dwStart = GetTickCount();
        while (!wnd.m_pFix && GetTickCount() - dwStart < dwSeconds * 1000)
        {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            {
                DispatchMessageW(&msg);
            }
        }
        if (engine.GetLastError() != GPS_ENGINE_NO_ERROR)
        {
            std::fprintf(stderr, "engine: %s\n", engine.GetLastErrorString().ToNarrow().c_str());
        }
        if (wnd.m_pFix)
        {
            const CGPSData& fix = *wnd.m_pFix;
            CString strLine;
            strLine.Format(L"FIXORA-DECODED lat=%.6f lon=%.6f alt=%.1f sats=%d hdop=%.1f "
                           L"status=%d\r\n",
                           fix.m_dLatitude * 180.0 / kPi, fix.m_dLongitude * 180.0 / kPi,
                           fix.m_dAltitude, fix.m_nSatellitesUsed, fix.m_dHDOP,
                           static_cast<int>(fix.m_SignalStatus));
            std::printf("%s", strLine.ToNarrow().c_str());
            CDOZOzoeiver::m_Port.Write(strLine);
            const bool bRight = Near(fix.m_dLatitude * 180.0 / kPi, 48.0 + 7.038 / 60.0, 1e-6) &&
                                Near(fix.m_dLongitude * 180.0 / kPi, 11.0 + 31.0 / 60.0, 1e-6) &&
                                Near(fix.m_dAltitude, 545.4, 1e-6) && fix.m_nSatellitesUsed == 8 &&
                                Near(fix.m_dHDOP, 0.9, 1e-9);
            nResult = bRight ? 0 : 1;
        }
        else
        {
            std::fprintf(stderr, "no position record within %lu s\n",
                         static_cast<unsigned long>(dwSeconds));
        }
        engine.Stop();
    }
    AfxGetApp()->m_pMainWnd = nullptr;
    wnd.DestroyWindow();
    SetMessageBoxHandler(nullptr);
    return nResult;
}
