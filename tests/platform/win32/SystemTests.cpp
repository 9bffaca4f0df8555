// What the Windows side takes from the system: where the profile lives when the host names no file
// (the roaming application-data folder), and without a host handler the system's own message box,
// which waits for the user and answers the button pressed (a watchdog thread plays the user).
#include "platform/FixoraApp.h"
#include "platform/Framework.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace
{

// Sets an environment variable for the object's lifetime (nullptr removes it).
class CScopedEnvironment
{
public:
    CScopedEnvironment(const wchar_t* pszName, const wchar_t* pszValue) : m_strName(pszName)
    {
        std::vector<wchar_t> buffer(32768);
        const DWORD n = GetEnvironmentVariableW(pszName, buffer.data(), 32768);
        m_bHad = n > 0 && n < 32768;
        m_strSaved = m_bHad ? CString(buffer.data(), static_cast<int>(n)) : CString();
        SetEnvironmentVariableW(pszName, pszValue);
    }
    ~CScopedEnvironment()
    {
        SetEnvironmentVariableW(m_strName, m_bHad ? m_strSaved.GetString() : nullptr);
    }
    CScopedEnvironment(const CScopedEnvironment&) = delete;
    CScopedEnvironment& operator=(const CScopedEnvironment&) = delete;

private:
    CString m_strName;
    CString m_strSaved;
    bool m_bHad = false;
};

} // namespace

TEST(ProfileLocation, DefaultLocationIsUnderApplicationData)
{
    theApp.SetProfilePath(CString());
    CWinApp named(L"FieldHost");
    {
        CScopedEnvironment appData(L"APPDATA", L"C:\\Users\\field\\AppData\\Roaming\\");
        EXPECT_EQ(CString(L"C:\\Users\\field\\AppData\\Roaming\\Fixora_Vorn\\Fixora_Vorn.ini"),
                  theApp.GetProfilePath())
            << "an application without a name; the trailing separator is not doubled";
        EXPECT_EQ(CString(L"C:\\Users\\field\\AppData\\Roaming\\FieldHost\\FieldHost.ini"),
                  named.GetProfilePath());
    }
    {
        CScopedEnvironment appData(L"APPDATA", nullptr);
        wchar_t szTemp[MAX_PATH + 1] = {};
        ASSERT_NE(0u, GetTempPathW(MAX_PATH + 1, szTemp));
        CString strExpected(szTemp);
        strExpected.TrimRight(L"\\/");
        strExpected += L"\\FieldHost\\FieldHost.ini";
        EXPECT_EQ(strExpected, named.GetProfilePath()) << "no APPDATA: the temporary folder";
    }
}

TEST(App, MessageBoxWithoutHandlerIsTheSystemBox)
{
    SetMessageBoxHandler(nullptr);
    std::atomic<bool> bPressed{false};
    std::thread user([&] {
        // The library's application object has no name: the box carries the library's.
        for (int i = 0; i < 1000 && !bPressed; ++i)
        {
            if (const HWND hBox = FindWindowW(L"#32770", L"Fixora_Vorn"))
            {
                wchar_t szText[64] = {};
                EXPECT_GT(GetDlgItemTextW(hBox, 0xFFFF, szText, 64), 0);
                EXPECT_STREQ(L"Turn the antenna", szText);
                bPressed = PostMessageW(hBox, WM_COMMAND, IDNO, 0) != FALSE;
            }
            Sleep(10);
        }
    });
    EXPECT_EQ(IDNO, AfxMessageBox(L"Turn the antenna", MB_YESNO | MB_ICONWARNING));
    user.join();
    EXPECT_TRUE(bPressed);
}
