// The main window: receives, prints and deletes what the library posts.
#include "MainWindow.h"

#include "RecordJson.h"
#include "RecordText.h"

#include <memory>

CMainWindow::CMainWindow(const SSettings& settings, CDOZOzoeiver* pReceiver, CDataLog* pDataLog,
                         std::FILE* pOutput)
    : m_Settings(settings), m_pReceiver(pReceiver), m_pDataLog(pDataLog), m_pOutput(pOutput)
{
    Create();
    m_pPreviousMain = AfxGetApp()->m_pMainWnd;
    AfxGetApp()->m_pMainWnd = this;
}

CMainWindow::~CMainWindow()
{
    // Whatever is still queued is printed and freed; afterwards the library finds no main
    // window and frees what it cannot post itself.
    Pump();
    AfxGetApp()->m_pMainWnd = m_pPreviousMain;
    DestroyWindow();
}

void CMainWindow::Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        DispatchMessageW(&msg);
    }
}

template <class WriteJson, class Text> void CMainWindow::PrintRecord(WriteJson writeJson, Text text)
{
    if (!m_Settings.bPrint)
    {
        return;
    }
    if (m_Settings.bJson)
    {
        m_strJsonLine.clear();
        writeJson(m_strJsonLine);
        Print(m_strJsonLine);
    }
    else
    {
        Print(text());
    }
}

LRESULT CMainWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool bNoClock = m_Settings.bNoClock;
    switch (message)
    {
    case WM_GPS_POSITION: {
        const std::unique_ptr<CGPSData> pData(reinterpret_cast<CGPSData*>(wParam));
        if (pData)
        {
            PrintRecord([&](std::string& strLine) { PositionJson(*pData, bNoClock, strLine); },
                        [&] { return PositionText(*pData, bNoClock); });
            if (m_Settings.pListener != nullptr)
            {
                m_Settings.pListener->OnPosition(*pData);
            }
        }
        return 0;
    }
    case WM_GPS_RAWDATA: {
        const std::unique_ptr<CString> pText(reinterpret_cast<CString*>(wParam));
        if (pText)
        {
            if (m_Settings.bPrintTexts)
            {
                PrintRecord([&](std::string& strLine) { TextJson(*pText, strLine); },
                            [&] { return MessageText(*pText); });
            }
            if (m_Settings.pListener != nullptr)
            {
                m_Settings.pListener->OnText(*pText);
            }
        }
        return 0;
    }
    case WM_GPS_RAWEPOCH: {
        const std::unique_ptr<CGPSDataRaw> pRaw(reinterpret_cast<CGPSDataRaw*>(wParam));
        if (pRaw)
        {
            PrintRecord([&](std::string& strLine) { RawEpochJson(*pRaw, bNoClock, strLine); },
                        [&] { return RawEpochText(*pRaw, bNoClock); });
            if (m_pDataLog != nullptr)
            {
                m_pDataLog->WriteEpoch(*pRaw);
            }
        }
        return 0;
    }
    case WM_GPS_EPHEMERIS: {
        const std::unique_ptr<CGPSDataEphemeris> pEphemeris(
            reinterpret_cast<CGPSDataEphemeris*>(wParam));
        if (pEphemeris)
        {
            PrintRecord([&](std::string& strLine) { EphemerisJson(*pEphemeris, strLine); },
                        [&] { return EphemerisText(*pEphemeris); });
            if (m_pDataLog != nullptr)
            {
                m_pDataLog->WriteEphemeris(*pEphemeris);
            }
        }
        return 0;
    }
    case WM_GPS_BINARYMSG: {
        // The words stay in the receiver until its next binary message.
        std::vector<WORD> words;
        if (m_pReceiver != nullptr)
        {
            m_pReceiver->GetBinaryMessage(words);
        }
        const std::size_t nWords = words.size();
        PrintRecord([&](std::string& strLine) { BinaryJson(nWords, strLine); },
                    [&] { return BinaryText(nWords); });
        return 0;
    }
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}

void CMainWindow::Print(const std::string& strLine)
{
    std::fwrite(strLine.data(), 1, strLine.size(), m_pOutput);
    std::fputc('\n', m_pOutput);
    if (m_Settings.bFlushEachLine)
    {
        std::fflush(m_pOutput);
    }
}

void CMainWindow::PrintCommand(const std::string& strName, const std::string& strValue,
                               ECommandResult eResult)
{
    static constexpr const char* s_Results[] = {"sent", "refused", "acknowledged",
                                                "not acknowledged", "not sent"};
    const std::string strResult = s_Results[static_cast<int>(eResult)];
    PrintRecord([&](std::string& strLine) { CommandJson(strName, strValue, strResult, strLine); },
                [&] {
                    return "command  " + strName + (strValue.empty() ? "" : " " + strValue) + "  " +
                           strResult;
                });
}
