// The acquisition thread: reads the selected receiver's port (or replays an emulation file),
// copies the raw bytes into the raw log while logging is on, and hands every chunk to the
// engine's delivery until the stop request comes.
#include "engine/AcquisitionThread.h"
#include "engine/EmulationLine.h"

#include "platform/Comm.h"
#include "resources/ResourceIds.h"
#include "textparse/TextFile.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr DWORD s_dwFirstByteWait = 1000; // ms: a silent port ends a read turn after this
constexpr DWORD s_nMaxChunk = 16393;      // bytes a read turn takes at most
constexpr std::size_t s_nReadBufferSize = 16394;
constexpr DWORD s_dwTurnWait = 100; // ms: the pause after a turn, over as soon as bytes come
constexpr DWORD s_dwSpeedResetAfter = 10000; // ms without a parsed message
constexpr DWORD s_dwLineInterval = 500;      // ms between emulation lines

constexpr wchar_t s_szDefaultEmulationFile[] = L"Emulation.log";

// The raw log of one run: the exact bytes read from the port, flushed after every chunk so the
// file is complete whenever someone looks.
class CRawLog
{
public:
    CRawLog() = default;
    ~CRawLog() { Close(); }
    CRawLog(const CRawLog&) = delete;
    CRawLog& operator=(const CRawLog&) = delete;

    bool IsOpen() const { return m_pFile != nullptr; }

    // Creates (truncating) the file; false when it cannot be created.
    bool Open(const CString& strPath)
    {
        m_pFile = _wfopen(strPath.GetString(), L"wb");
        return m_pFile != nullptr;
    }

    void Close()
    {
        if (m_pFile != nullptr)
        {
            std::fclose(m_pFile);
            m_pFile = nullptr;
        }
    }

    void Write(const char* pBytes, std::size_t nCount)
    {
        if (m_pFile != nullptr)
        {
            std::fwrite(pBytes, 1, nCount, m_pFile);
            std::fflush(m_pFile);
        }
    }

private:
    std::FILE* m_pFile = nullptr;
};

} // namespace

CAcquisitionRun::CAcquisitionRun(CZIDOvoine& engine, HANDLE hStopRequest, HANDLE hAnswer)
    : m_Engine(engine), m_pReceiver(engine.m_pReceiver), m_bEmulation(engine.m_bEmulation),
      m_strRawLogFile(engine.m_strRawLogFile), m_strEmulationDir(engine.m_strEmulationDir),
      m_strEmulationFile(engine.m_strEmulationFile), m_hStopRequest(hStopRequest),
      m_hAnswer(hAnswer)
{
}

CAcquisitionRun::~CAcquisitionRun()
{
    CloseHandle(m_hStopRequest);
    CloseHandle(m_hAnswer);
}

UINT CAcquisitionRun::ThreadProc(std::shared_ptr<CAcquisitionRun> pRun)
{
    CAcquisitionRun& run = *pRun;
    run.m_ThreadId = std::this_thread::get_id();
    try
    {
        if (run.Begin())
        {
            run.m_bBegun = true;
            if (run.m_bEmulation)
            {
                run.RunEmulation();
            }
            else
            {
                run.RunLive();
            }
            // The next run starts with an empty buffer (unless a later run owns it already).
            run.WhileCurrent([&run] { run.m_Engine.m_GPSBuffer.Clear(); });
        }
    }
    catch (...)
    {
        // Nothing may leave a thread procedure; the run ends as if stopped.
    }
    SetEvent(run.m_hAnswer);
    run.m_bBegun = false;
    run.m_bFinished = true;
    return 0;
}

bool CAcquisitionRun::Begin()
{
    if (StopRequested(0))
    {
        return false;
    }
    bool bReady = false;
    WhileCurrent([this, &bReady] {
        if (!m_Engine.m_bReceiversInitialized)
        {
            m_Engine.InitReceivers(-1);
        }
        if (m_pReceiver == nullptr)
        {
            m_Engine.m_eLastError = GPS_ENGINE_NO_RECEIVER;
        }
        else if (!m_bEmulation && !m_pReceiver->Initialize())
        {
            m_Engine.m_eLastError = GPS_ENGINE_INIT_FAILED;
        }
        else
        {
            bReady = true;
        }
    });
    return bReady;
}

bool CAcquisitionRun::StopRequested(DWORD dwMilliseconds) const
{
    // The request stays set once given (manual reset), so a late thread ends at its next look;
    // a failed wait ends the run as well.
    return WaitForSingleObject(m_hStopRequest, dwMilliseconds) != WAIT_TIMEOUT;
}

bool CAcquisitionRun::Deliver(CBinBuffer& chunk)
{
    bool bParsed = false;
    WhileCurrent([this, &chunk, &bParsed] {
        bParsed = m_Engine.DeliverLocked(chunk, m_pReceiver);
        if (bParsed)
        {
            m_Engine.m_bDataReceived = true;
        }
    });
    return bParsed;
}

CAcquisitionRun::EWaitResult CAcquisitionRun::AwaitBytes(HANDLE hPort, char* pBuffer,
                                                         DWORD dwMilliseconds, DWORD& nRead)
{
    const DWORD dwStart = GetTickCount();
    for (;;)
    {
        const DWORD dwSpent = GetTickCount() - dwStart;
        if (dwSpent >= dwMilliseconds)
        {
            return EWaitResult::Silence;
        }
        switch (ReadCommOrWait(hPort, pBuffer, s_nMaxChunk, nRead, m_hStopRequest,
                               dwMilliseconds - dwSpent))
        {
        case WAIT_OBJECT_0:
            m_bPortLost = false;
            // A line that never falls silent still sees the stop request once a turn.
            return StopRequested(0) ? EWaitResult::Stop : EWaitResult::Bytes;
        case WAIT_OBJECT_0 + 1:
            return EWaitResult::Stop;
        case WAIT_TIMEOUT:
            return EWaitResult::Silence;
        default: {
            // A port that failed (a line that hung up, an adapter pulled out) answers at once:
            // the rest of the wait is spent on the stop request, so such a line costs what a
            // silent one does.
            if (::GetLastError() == ERROR_DEVICE_REMOVED)
            {
                m_bPortLost = true;
            }
            nRead = 0;
            const DWORD dwNow = GetTickCount() - dwStart;
            const DWORD dwRest = dwNow < dwMilliseconds ? dwMilliseconds - dwNow : 0;
            return StopRequested(dwRest) ? EWaitResult::Stop : EWaitResult::Silence;
        }
        }
    }
}

void CAcquisitionRun::RunLive()
{
    HANDLE hPort = INVALID_HANDLE_VALUE;
    WhileCurrent([this, &hPort] { hPort = m_pReceiver->GetPortHandle(); });
    std::vector<char> buffer(s_nReadBufferSize);
    CBinBuffer chunk;
    CRawLog rawLog;
    DWORD dwLastDelivery = GetTickCount();
    const auto handOver = [&](DWORD nCount) {
        // The log follows the host's switch at the next data.
        if (m_Engine.m_bLogRawData != rawLog.IsOpen())
        {
            if (rawLog.IsOpen())
            {
                rawLog.Close();
            }
            else if (!rawLog.Open(m_strRawLogFile))
            {
                AfxMessageBox(LoadEngineString(IDS_RAWLOG_OPEN_FAILED).GetString(), MB_OK);
                m_Engine.m_bLogRawData = false;
            }
        }
        rawLog.Write(buffer.data(), nCount);
        chunk.Set(buffer.data(), static_cast<int>(nCount), 0);
        if (Deliver(chunk))
        {
            dwLastDelivery = GetTickCount();
        }
    };
    for (;;)
    {
        if (GetTickCount() - dwLastDelivery >= s_dwSpeedResetAfter)
        {
            dwLastDelivery = GetTickCount();
            WhileCurrent([this] { m_pReceiver->ResetSpeedEngine(); });
        }

        // A turn: the bytes as soon as they come, or KeepAlive after a silent wait.
        DWORD nRead = 0;
        EWaitResult eResult = AwaitBytes(hPort, buffer.data(), s_dwFirstByteWait, nRead);
        if (eResult == EWaitResult::Stop)
        {
            break;
        }
        if (eResult == EWaitResult::Silence)
        {
            WhileCurrent([this] { m_pReceiver->KeepAlive(); });
        }
        else
        {
            handOver(nRead);
        }

        // The pause between turns, over as soon as bytes come: they are handed over at once.
        eResult = AwaitBytes(hPort, buffer.data(), s_dwTurnWait, nRead);
        if (eResult == EWaitResult::Stop)
        {
            break;
        }
        if (eResult == EWaitResult::Bytes)
        {
            handOver(nRead);
        }
    }
}

void CAcquisitionRun::RunEmulation()
{
    // An explicit file that exists and is no folder, otherwise the default name in the
    // emulation folder (the folder text is taken as a prefix, as the host gave it).
    CString strPath = m_strEmulationDir + s_szDefaultEmulationFile;
    if (!m_strEmulationFile.IsEmpty())
    {
        const DWORD dwAttributes = GetFileAttributesW(m_strEmulationFile.GetString());
        if (dwAttributes != INVALID_FILE_ATTRIBUTES &&
            (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        {
            strPath = m_strEmulationFile;
        }
    }

    CTextFile file(false, false);
    if (!file.Open(strPath.GetString(), CTextFile::modeRead | CTextFile::typeText, nullptr))
    {
        CString strText;
        strText.Format(LoadEngineString(IDS_EMULATION_OPEN_FAILED).GetString(),
                       strPath.GetString());
        AfxMessageBox(strText.GetString(), MB_OK);
        m_Engine.StopFromThread(*this);
        return;
    }

    CString strLine;
    while (!StopRequested(s_dwLineInterval))
    {
        // The file replays endlessly; one that holds no line at all ends the run.
        if (!file.ReadString(strLine))
        {
            file.SeekToBegin();
            if (!file.ReadString(strLine))
            {
                break;
            }
        }
        if (!PrepareEmulationLine(strLine))
        {
            continue;
        }
        CBinBuffer chunk(strLine);
        Deliver(chunk);
    }
}
