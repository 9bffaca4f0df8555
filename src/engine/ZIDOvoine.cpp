// The engine: the receiver list, the selection, starting and stopping runs of the acquisition
// thread, the engine error and the delivery of framed messages.
#include "engine/ZIDOvoine.h"

#include "engine/AcquisitionThread.h"
#include "models/ModelCatalogue.h"
#include "models/NmeaModels.h"
#include "receiver/GPSMessages.h"
#include "receiver/HostHandOver.h"
#include "resources/ResourceIds.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace
{

constexpr int s_nMinSatsFloor = 3;
constexpr DWORD s_dwStopAnswerWait = 1000; // ms Stop waits for the thread's answer
constexpr int s_nStringBufferLength = 128;

// A receiver's parser must not end the acquisition thread: whatever escapes it rejects the
// message.
bool ParseSafely(CDOZOzoeiver& receiver, CString& strMessage,
                 const CBinBuffer::SMessageFacts* pFacts)
{
    try
    {
        return pFacts != nullptr ? receiver.ParseFramed(strMessage, *pFacts)
                                 : receiver.Parse(strMessage);
    }
    catch (...)
    {
        return false;
    }
}

// Takes the lock unless someone holds it for longer than dwMilliseconds; true when taken.
// (std::recursive_timed_mutex would do this, but its timed lock is invisible to ThreadSanitizer.)
bool TryLockFor(std::recursive_mutex& mutex, DWORD dwMilliseconds)
{
    const DWORD dwStart = GetTickCount();
    while (!mutex.try_lock())
    {
        if (GetTickCount() - dwStart >= dwMilliseconds)
        {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace

CString LoadEngineString(UINT nId)
{
    wchar_t szBuffer[s_nStringBufferLength] = {};
    const int nLength = LoadStringW(AfxGetResourceHandle(), nId, szBuffer, s_nStringBufferLength);
    if (nLength <= 0)
    {
        AfxMessageBox(L"Error loading resource string. ZidOvo", MB_OK);
        return CString();
    }
    return CString(szBuffer, nLength);
}

// ---- construction and the receiver list ------------------------------------------------------

CZIDOvoine::CZIDOvoine()
{
    m_ReceiverList.push_back(new COtherGps);
}

CZIDOvoine::~CZIDOvoine()
{
    Stop();
    // A thread that missed Stop's answer ends at its next look at the stop request.
    JoinThreads(true);
    for (CDOZOzoeiver* pReceiver : m_ReceiverList)
    {
        delete pReceiver;
    }
    m_ReceiverList.clear();
}

bool CZIDOvoine::AddReceiver(CDOZOzoeiver* pReceiver)
{
    if (pReceiver == nullptr)
    {
        return false;
    }
    const CString strName = pReceiver->GetName();
    std::lock_guard lock(m_ReceiverMutex);
    for (CDOZOzoeiver* pRegistered : m_ReceiverList)
    {
        if (pRegistered->GetName() == strName)
        {
            return false;
        }
    }
    // The default receiver stays at the tail.
    auto where = m_ReceiverList.end();
    if (!m_ReceiverList.empty())
    {
        --where;
    }
    m_ReceiverList.insert(where, pReceiver);
    return true;
}

CDOZOzoeiver* CZIDOvoine::FindReceiver(CString strName)
{
    std::lock_guard lock(m_ReceiverMutex);
    for (CDOZOzoeiver* pReceiver : m_ReceiverList)
    {
        if (pReceiver->GetName() == strName)
        {
            return pReceiver;
        }
    }
    return m_ReceiverList.empty() ? nullptr : m_ReceiverList.back();
}

void CZIDOvoine::InitReceivers(int)
{
    std::lock_guard lock(m_ReceiverMutex);
    for (CDOZOzoeiver* pReceiver : m_ReceiverList)
    {
        pReceiver->SetProperties(-1);
    }
    m_bReceiversInitialized = true;
}

void CZIDOvoine::SetReceiver(CDOZOzoeiver* pReceiver)
{
    Stop();
    m_pReceiver = pReceiver;
    if (pReceiver != nullptr)
    {
        pReceiver->m_nMinSatellites = m_nMinSats;
    }
}

void CZIDOvoine::SetMinSatRequierment(int nMinSats)
{
    m_nMinSats = std::max(nMinSats, s_nMinSatsFloor);
    if (m_pReceiver != nullptr)
    {
        m_pReceiver->m_nMinSatellites = m_nMinSats;
    }
}

int CZIDOvoine::GetMinSatRequierment()
{
    return m_nMinSats;
}

// ---- starting and stopping --------------------------------------------------------------------

bool CZIDOvoine::Start()
{
    Stop();
    JoinThreads(false);

    const HANDLE hStopRequest = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE hAnswer = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::shared_ptr<CAcquisitionRun> pRun;
    if (hStopRequest != nullptr && hAnswer != nullptr)
    {
        pRun = std::make_shared<CAcquisitionRun>(*this, hStopRequest, hAnswer);
        std::lock_guard lock(m_RunMutex);
        m_pRun = pRun;
        m_hStopEvent = hStopRequest;
    }
    // Cleared before the thread exists, so an error it finds at once is not overwritten.
    m_eLastError = GPS_ENGINE_NO_ERROR;
    if (pRun)
    {
        try
        {
            SWorker& worker = m_Threads.emplace_back();
            worker.pRun = pRun;
            worker.thread = std::thread(&CAcquisitionRun::ThreadProc, pRun);
            m_pThread = &worker.thread;
            return true;
        }
        catch (...)
        {
            // The thread could not be created: the run ends here, with no one to answer.
            if (!m_Threads.empty() && !m_Threads.back().thread.joinable())
            {
                m_Threads.pop_back();
            }
        }
        std::lock_guard lock(m_RunMutex);
        m_pRun.reset();
        m_hStopEvent = nullptr;
    }
    // Events that made a run are closed with it; one made alone is closed here.
    for (HANDLE hEvent : {hStopRequest, hAnswer})
    {
        if (!pRun && hEvent != nullptr)
        {
            CloseHandle(hEvent);
        }
    }
    m_pThread = nullptr;
    if (m_pReceiver != nullptr)
    {
        std::lock_guard lock(m_ReceiverMutex);
        m_pReceiver->Suspend();
    }
    m_eLastError = GPS_ENGINE_THREAD_FAILED;
    return false;
}

bool CZIDOvoine::Resume()
{
    return Start();
}

void CZIDOvoine::Stop()
{
    StopRun(nullptr, m_pReceiver);
}

void CZIDOvoine::Pause()
{
    Stop();
}

bool CZIDOvoine::IsActive()
{
    std::lock_guard lock(m_RunMutex);
    return m_hStopEvent != nullptr;
}

bool CZIDOvoine::IsReceiving()
{
    std::lock_guard lock(m_RunMutex);
    return m_pRun != nullptr && m_pRun->HasBegun();
}

bool CZIDOvoine::IsPortLost()
{
    std::lock_guard lock(m_RunMutex);
    return m_pRun != nullptr && m_pRun->IsPortLost();
}

bool CZIDOvoine::StopRun(const CAcquisitionRun* pOnlyRun, CDOZOzoeiver* pReceiver)
{
    std::shared_ptr<CAcquisitionRun> pRun;
    {
        std::lock_guard lock(m_RunMutex);
        if (pOnlyRun != nullptr && m_pRun.get() != pOnlyRun)
        {
            return false;
        }
        pRun = std::move(m_pRun);
        m_hStopEvent = nullptr;
    }
    if (pRun)
    {
        // The request is a manual-reset event, so it stays visible to the thread however late
        // it looks; the answer comes on an event of its own.
        SetEvent(pRun->m_hStopRequest);
        Sleep(0);
        if (!pRun->IsOwnThread())
        {
            WaitForSingleObject(pRun->m_hAnswer, s_dwStopAnswerWait);
        }
    }
    // The lock lets a delivery in progress finish first. A thread held inside one for as long
    // again (a host callback waiting for this very thread) is not waited for: it sees the
    // give-up mark when it comes out.
    std::unique_lock<std::recursive_mutex> lock;
    if (TryLockFor(m_ReceiverMutex, s_dwStopAnswerWait))
    {
        lock = std::unique_lock(m_ReceiverMutex, std::adopt_lock);
    }
    if (pRun)
    {
        pRun->Abandon();
    }
    if (pReceiver != nullptr)
    {
        pReceiver->Suspend();
    }
    return true;
}

void CZIDOvoine::StopFromThread(CAcquisitionRun& run)
{
    StopRun(&run, run.m_pReceiver);
}

void CZIDOvoine::JoinThreads(bool bAll)
{
    for (auto it = m_Threads.begin(); it != m_Threads.end();)
    {
        if (!bAll && !it->pRun->HasFinished())
        {
            ++it;
            continue;
        }
        if (m_pThread == &it->thread)
        {
            m_pThread = nullptr;
        }
        if (it->thread.joinable())
        {
            it->thread.join();
        }
        it = m_Threads.erase(it);
    }
}

// ---- errors -------------------------------------------------------------------------------------

GPS_ENGINE_ERROR CZIDOvoine::GetLastError() const
{
    return m_eLastError;
}

CString CZIDOvoine::GetLastErrorString() const
{
    UINT nId = IDS_ENGINE_UNKNOWN_ERROR;
    switch (m_eLastError.load())
    {
    case GPS_ENGINE_NO_ERROR:
        nId = IDS_ENGINE_NO_ERROR;
        break;
    case GPS_ENGINE_NO_RECEIVER:
        nId = IDS_ENGINE_NO_RECEIVER;
        break;
    case GPS_ENGINE_INIT_FAILED:
        nId = IDS_ENGINE_INIT_FAILED;
        break;
    case GPS_ENGINE_THREAD_FAILED:
        nId = IDS_ENGINE_THREAD_FAILED;
        break;
    }
    return LoadEngineString(nId);
}

// ---- delivery -----------------------------------------------------------------------------------

bool CZIDOvoine::UpdateGPSBuffer(CBinBuffer& chunk)
{
    std::lock_guard lock(m_ReceiverMutex);
    return DeliverLocked(chunk, m_pReceiver);
}

bool CZIDOvoine::IsLibraryClass(const CDOZOzoeiver& receiver)
{
    // Asked once per class: the answer is kept by the class's type record.
    const std::type_info* pClass = &typeid(receiver);
    if (pClass != m_pCheckedClass)
    {
        m_pCheckedClass = pClass;
        m_bCheckedClassIsLibrary = IsCatalogueModelClass(receiver);
    }
    return m_bCheckedClassIsLibrary;
}

bool CZIDOvoine::DeliverLocked(CBinBuffer& chunk, CDOZOzoeiver* pReceiver)
{
    if (&chunk == &m_GPSBuffer)
    {
        return false; // the buffer cannot take itself
    }
    m_GPSBuffer += chunk;
    if (m_GPSBuffer.GetLength() >= MaxBufferedBytes)
    {
        // A buffer this full holds no message the receiver could still use.
        ++m_nBufferOverflows;
        m_GPSBuffer.Clear();
        return false;
    }

    // One lock over the shared working records for the whole chunk (a reset may initialise them
    // on the host's thread meanwhile): it costs a few instructions a sentence, not a lock each.
    std::lock_guard records(CDOZOzoeiver::m_RecordsMutex);
    bool bParsed = false;
    // The messages share one text, whose storage is reused from chunk to chunk; it goes to the
    // heap only when the host takes it.
    CString& strText = m_strMessage;
    CBinBuffer::SMessageFacts facts;
    // A host's own receiver class may replace Parse; only the library's classes take the
    // framer's facts.
    const bool bLibraryClass = pReceiver != nullptr && IsLibraryClass(*pReceiver);
    m_GPSBuffer.GetCurrentMessage();
    while (m_GPSBuffer.HasMessage())
    {
        if (bLibraryClass)
        {
            m_GPSBuffer.GetMessage(strText, facts);
        }
        else
        {
            m_GPSBuffer.GetMessage(strText);
        }
        if (pReceiver != nullptr)
        {
            if (m_bAttachRawData)
            {
                int nLength = 0;
                const char* pBytes = m_GPSBuffer.GetMessageBin(nLength);
                pReceiver->AttachRawData(pBytes, nLength);
            }
            if (ParseSafely(*pReceiver, strText, bLibraryClass ? &facts : nullptr))
            {
                bParsed = true;
            }
        }
        if (!m_ComBuffer.m_bStopped)
        {
            m_ComBuffer.OnRawData(&strText);
            PostToHost(WM_GPS_RAWDATA, new CString(std::move(strText)));
        }
        if (!m_GPSBuffer.Next())
        {
            break;
        }
    }
    m_GPSBuffer.Resize();
    return bParsed;
}
