// Test support for the engine: a receiver model that records what the engine does to it, the
// message boxes the library shows, GGA sentences and a scratch folder.
#pragma once

#include "engine/ZIDOvoine.h"

#include <ostream>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <vector>

// Readable failure messages for texts.
inline void PrintTo(const CString& str, std::ostream* pStream)
{
    *pStream << '"' << str.ToNarrow() << '"';
}

// A receiver that keeps every message, keep-alive and suspension, and parses as the base does.
class CTestReceiver : public CDOZOzoeiver
{
public:
    explicit CTestReceiver(const wchar_t* pszName = L"Test", int* pnDeleted = nullptr)
        : m_strName(pszName), m_pnDeleted(pnDeleted)
    {
    }
    ~CTestReceiver() override
    {
        if (m_pnDeleted != nullptr)
        {
            ++*m_pnDeleted;
        }
    }

    CString GetName() override { return m_strName; }

    // The port is open and purged once this has run: bytes sent from now on are read.
    bool Initialize() override
    {
        const bool bOpened = CDOZOzoeiver::Initialize();
        ++m_nInitialized;
        return bOpened;
    }

    // Waits until Initialize has run nCount times in all.
    bool WaitInitialized(int nCount = 1) const
    {
        for (int i = 0; i < 500 && m_nInitialized < nCount; ++i)
        {
            Sleep(10);
        }
        return m_nInitialized >= nCount;
    }

    bool Parse(CString& strMessage) override
    {
        {
            std::lock_guard lock(m_Mutex);
            m_Parsed.push_back(strMessage);
        }
        return CDOZOzoeiver::Parse(strMessage);
    }

    // Runs on the acquisition thread: notes when, and whether the speed engine still holds a fix.
    void KeepAlive() override
    {
        std::lock_guard lock(m_Mutex);
        m_KeepAlives.push_back({GetTickCount(), m_SpeedEngine.GetCount()});
    }

    void Suspend() override
    {
        {
            std::lock_guard lock(m_Mutex);
            ++m_nSuspends;
        }
        CDOZOzoeiver::Suspend();
    }

    struct SKeepAlive
    {
        DWORD dwTick;
        int nSpeedFixes;
    };

    std::vector<CString> Parsed() const
    {
        std::lock_guard lock(m_Mutex);
        return m_Parsed;
    }
    std::vector<SKeepAlive> KeepAlives() const
    {
        std::lock_guard lock(m_Mutex);
        return m_KeepAlives;
    }
    int Suspends() const
    {
        std::lock_guard lock(m_Mutex);
        return m_nSuspends;
    }

private:
    CString m_strName;
    int* m_pnDeleted;
    std::atomic<int> m_nInitialized{0};
    mutable std::mutex m_Mutex;
    std::vector<CString> m_Parsed;
    std::vector<SKeepAlive> m_KeepAlives;
    int m_nSuspends = 0;
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
            {
                pfnOnShow();
            }
            return IDOK;
        });
    }
    ~CMessageBoxes() { SetMessageBoxHandler(nullptr); }
    CMessageBoxes(const CMessageBoxes&) = delete;
    CMessageBoxes& operator=(const CMessageBoxes&) = delete;

    std::vector<CString> Texts() const
    {
        std::lock_guard lock(m_Mutex);
        return m_Texts;
    }

private:
    mutable std::mutex m_Mutex;
    std::vector<CString> m_Texts;
};

// "$" body "*" checksum CR LF, as a receiver sends it.
inline std::string NmeaSentence(const std::string& strBody)
{
    unsigned nSum = 0;
    for (unsigned char c : strBody)
    {
        nSum ^= c;
    }
    char szSum[8];
    std::snprintf(szSum, sizeof(szSum), "*%02X\r\n", nSum);
    return "$" + strBody + szSum;
}

// A GGA fix at 12:00:nn UTC.
inline std::string GgaSentence(int nSecond)
{
    char szBody[96];
    std::snprintf(szBody, sizeof(szBody),
                  "GPGGA,1200%02d.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,", nSecond);
    return NmeaSentence(szBody);
}

// How the host sees a delivered text: the sentence up to its carriage return, then a line feed.
inline CString Delivered(const std::string& strSentence)
{
    return CString(strSentence.c_str());
}

// Milliseconds since a start point, for ordering checks in timed tests.
inline long long MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// A fresh folder for the test's files, removed afterwards.
class CScratchFolder
{
public:
    CScratchFolder()
    {
        std::random_device random;
        m_path = std::filesystem::temp_directory_path() /
                 ("fixora-engine-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(m_path);
    }
    ~CScratchFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    std::filesystem::path File(const char* pszName) const { return m_path / pszName; }
    static CString Text(const std::filesystem::path& path) { return CString(path.c_str()); }

    static void Write(const std::filesystem::path& path, const std::string& strContent)
    {
        std::ofstream(path, std::ios::binary) << strContent;
    }
    static std::string Read(const std::filesystem::path& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path m_path;
};
