// A host program built against an installed Fixora_Vorn, the way any host links it: it creates the
// engine, selects a model of the catalogue, hands it one GGA sentence and prints the position
// record that reaches its main window.
#include "Fixora_Vorn.h"
#include "engine/ZIDOvoine.h"

#include <cstdio>
#include <memory>

namespace
{

class CHostWindow : public CWnd
{
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_GPS_POSITION)
        {
            return CWnd::WindowProc(message, wParam, lParam);
        }
        const std::unique_ptr<CGPSData> pData(reinterpret_cast<CGPSData*>(wParam));
        ++m_nPositions;
        m_dLatitude = pData->m_dLatitude * 57.29577951308232;
        return 0;
    }

    int m_nPositions = 0;
    double m_dLatitude = 0.0;
};

} // namespace

int main()
{
    CZIDOvoine engine;
    const SReceiverModel* pModel = FindReceiverModel(CString(L"Garmin 17-N"));
    if (pModel == nullptr || !engine.AddReceiver(pModel->m_pfnCreate()))
    {
        std::fprintf(stderr, "linkage: the model catalogue is not usable\n");
        return 1;
    }
    engine.SetReceiver(engine.FindReceiver(CString(L"Garmin 17-N")));

    CHostWindow window;
    window.Create();
    AfxGetApp()->m_pMainWnd = &window;
    CString strSentence(L"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
    CBinBuffer chunk(strSentence);
    engine.UpdateGPSBuffer(chunk);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        DispatchMessageW(&msg);
    }
    AfxGetApp()->m_pMainWnd = nullptr;
    window.DestroyWindow();

    if (window.m_nPositions != 1)
    {
        std::fprintf(stderr, "linkage: %d position records instead of 1\n", window.m_nPositions);
        return 1;
    }
    std::printf("linkage ok: latitude %.4f\n", window.m_dLatitude);
    return 0;
}
