// The module that holds the library's code and resources: the DLL, or the program that links
// the library statically. Strings come from its STRINGTABLE through the system's LoadStringW.
#include "OsApi.h"
#include "platform/App.h"

HINSTANCE AfxGetResourceHandle()
{
    static const HINSTANCE s_hModule = [] {
        HMODULE hModule = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&AfxGetResourceHandle), &hModule);
        return hModule;
    }();
    return s_hModule;
}
