// LoadStringW over the string table compiled into the library (src/resources/).
#include "OsApi.h"
#include "platform/App.h"
#include "platform/StringTable.h"

#include <cwchar>

int LoadStringW(HINSTANCE, UINT uID, LPWSTR lpBuffer, int cchBufferMax)
{
    if (lpBuffer == nullptr || cchBufferMax <= 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int nCount = 0;
    const StringResource* pStrings = GetStringResources(nCount);
    for (int i = 0; i < nCount; ++i)
    {
        if (pStrings[i].nId == uID)
        {
            // At most cchBufferMax - 1 characters and always the terminating zero.
            const auto nLength = static_cast<int>(std::wcslen(pStrings[i].pszText));
            const int nCopy = nLength < cchBufferMax - 1 ? nLength : cchBufferMax - 1;
            std::wmemcpy(lpBuffer, pStrings[i].pszText, static_cast<std::size_t>(nCopy));
            lpBuffer[nCopy] = L'\0';
            return nCopy;
        }
    }
    lpBuffer[0] = L'\0';
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
}

HINSTANCE AfxGetResourceHandle()
{
    // The resources are compiled in; any fixed non-null value names them.
    static char s_module;
    return reinterpret_cast<HINSTANCE>(&s_module);
}
