// Where the profile lives by default: the user's roaming application-data folder.
#include "OsApi.h"
#include "platform/Profile.h"

#include <vector>

namespace
{

CString EnvironmentFolder(const wchar_t* pszName)
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;)
    {
        const DWORD n =
            GetEnvironmentVariableW(pszName, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
        {
            return CString();
        }
        if (n < buffer.size())
        {
            return CString(buffer.data(), static_cast<int>(n));
        }
        buffer.resize(n); // n counts the terminating zero when the value did not fit
    }
}

CString ApplicationDataFolder()
{
    CString strFolder = EnvironmentFolder(L"APPDATA");
    if (strFolder.IsEmpty())
    {
        // A service or a stripped environment: the temporary folder is always there.
        wchar_t szTemp[MAX_PATH + 1] = {};
        const DWORD n = GetTempPathW(MAX_PATH + 1, szTemp);
        strFolder = CString(szTemp, n <= MAX_PATH ? static_cast<int>(n) : 0);
    }
    strFolder.TrimRight(L"\\/");
    return strFolder;
}

} // namespace

namespace Profile
{

CString DefaultPath(const CString& strAppName)
{
    CString strPath = ApplicationDataFolder();
    strPath += L'\\';
    strPath += strAppName;
    strPath += L'\\';
    strPath += strAppName;
    strPath += L".ini";
    return strPath;
}

} // namespace Profile
