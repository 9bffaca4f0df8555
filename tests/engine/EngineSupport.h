// The engine suite's helpers: a receiver that records what the engine does to it, the message
// boxes the library shows, GGA sentences and the texts a host window got.
#pragma once

#include "engine/ZIDOvoine.h"
#include "support/HostWindow.h"
#include "support/ScratchFolder.h"
#include "support/Sentences.h"
#include "support/Waiting.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

inline void PrintTo(const CString& str, std::ostream* pStream)
{
    *pStream << '"' << str.ToNarrow() << '"';
}

// Parses as the base does, keeping every message, keep-alive (with the speed engine's fixes at
// that moment) and suspension.
class CTestReceiver : public CDOZOzoeiver
{
    template <class F> auto Locked(F f)
    {
        std::lock_guard lock(m_Mutex);
        return f();
    }

public:
    struct SLog
    {
        std::vector<CString> parsed;
        std::vector<std::pair<DWORD, int>> keepAlives; // the tick, the speed engine's fixes
        int nSuspends = 0;
    };

    explicit CTestReceiver(const wchar_t* pszName = L"Test", int* pnDeleted = nullptr)
        : m_strName(pszName), m_pnDeleted(pnDeleted)
    {
    }
    ~CTestReceiver() override
    {
        if (m_pnDeleted != nullptr)
            ++*m_pnDeleted;
    }
    CString GetName() override { return m_strName; }
    // The port is open and purged once this has run: bytes sent from now on are read.
    bool Initialize() override
    {
        const bool bOpened = CDOZOzoeiver::Initialize();
        // A receiver that writes its set-up for a while after its port is open.
        for (; m_bHoldInitialize; m_bHeld = true)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++m_nInitialized;
        return bOpened;
    }
    bool Parse(CString& strMessage) override
    {
        Locked([&] { m_Log.parsed.push_back(strMessage); });
        return CDOZOzoeiver::Parse(strMessage);
    }
    void KeepAlive() override
    {
        Locked([&] { m_Log.keepAlives.emplace_back(GetTickCount(), m_SpeedEngine.GetCount()); });
    }
    void Suspend() override
    {
        Locked([&] { ++m_Log.nSuspends; });
        CDOZOzoeiver::Suspend();
    }
    SLog Log()
    {
        return Locked([&] { return m_Log; });
    }

    std::atomic<int> m_nInitialized{0};
    std::atomic<bool> m_bHoldInitialize{false};
    std::atomic<bool> m_bHeld{false}; // the port is open and Initialize holds

private:
    CString m_strName;
    int* m_pnDeleted;
    std::mutex m_Mutex;
    SLog m_Log;
};

// Collects the texts of the message boxes shown while it lives; pfnOnShow runs inside the box.
class CMessageBoxes
{
public:
    explicit CMessageBoxes(std::function<void()> pfnOnShow = nullptr)
    {
        SetMessageBoxHandler([this, pfnOnShow](const CString& strText, UINT) {
            {
                std::lock_guard lock(m_Mutex);
                m_Texts.push_back(strText);
            }
            if (pfnOnShow)
                pfnOnShow();
            return IDOK;
        });
    }
    ~CMessageBoxes() { SetMessageBoxHandler(nullptr); }
    std::vector<CString> Texts()
    {
        std::lock_guard lock(m_Mutex);
        return m_Texts;
    }

private:
    std::mutex m_Mutex;
    std::vector<CString> m_Texts;
};

// The message texts that reached the host window, in order.
inline std::vector<CString> PostedTexts(const CHostWindow& host)
{
    std::vector<CString> texts;
    for (const auto& message : host.Only(WM_GPS_RAWDATA))
        texts.push_back(*message.pText);
    return texts;
}

inline std::vector<CString> Texts(std::initializer_list<std::string> sentences)
{
    std::vector<CString> texts;
    for (const std::string& strSentence : sentences)
        texts.push_back(CString(strSentence.c_str()));
    return texts;
}
