// The serial-communications calls of OsComm.h and the COM port table of platform/Comm.h.
#include "CommDevice.h"
#include "HandleTable.h"
#include "Kernel.h"
#include "OsComm.h"
#include "platform/Comm.h"

#include <climits>
#include <cwctype>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace
{

struct PortTable
{
    std::mutex mutex;
    std::map<int, std::string> paths;
};

PortTable& GetPortTable()
{
    static PortTable* table = new PortTable; // outlives every static that may open a port at exit
    return *table;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix)
{
    if (text.size() < prefix.size())
    {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i)
    {
        if (std::towupper(static_cast<std::wint_t>(text[i])) !=
            std::towupper(static_cast<std::wint_t>(prefix[i])))
        {
            return false;
        }
    }
    return true;
}

// The port number of a COM device name: "COM1".."COM9" with or without a colon, or "\\.\COMn".
// The number may be 0 (no such port); nullopt when the name is not a COM device name at all.
std::optional<long long> ParseComName(std::wstring_view name)
{
    bool bLongForm = false;
    if (name.starts_with(L"\\\\.\\"))
    {
        name.remove_prefix(4);
        bLongForm = true;
    }
    if (!StartsWithNoCase(name, L"COM"))
    {
        return std::nullopt;
    }
    name.remove_prefix(3);
    if (!bLongForm && name.ends_with(L':'))
    {
        name.remove_suffix(1);
    }
    if (name.empty() || (!bLongForm && name.size() != 1))
    {
        return std::nullopt;
    }
    long long nPort = 0;
    for (const wchar_t ch : name)
    {
        if (ch < L'0' || ch > L'9')
        {
            return std::nullopt;
        }
        nPort = nPort * 10 + (ch - L'0');
        if (nPort > INT_MAX)
        {
            return 0; // beyond any port number: treated as a port that does not exist
        }
    }
    return nPort;
}

std::shared_ptr<posix::CommDevice> LookupDevice(HANDLE hFile)
{
    auto device = posix::LookupHandleAs<posix::CommDevice>(hFile);
    if (!device)
    {
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return device;
}

BOOL FailWith(DWORD dwError)
{
    SetLastError(dwError);
    return FALSE;
}

} // namespace

bool SetComPortDevice(int nPort, const char* pszDevicePath)
{
    if (nPort <= 0)
    {
        return false;
    }
    auto& table = GetPortTable();
    std::lock_guard lock(table.mutex);
    if (pszDevicePath == nullptr || *pszDevicePath == '\0')
    {
        table.paths.erase(nPort);
    }
    else
    {
        table.paths[nPort] = pszDevicePath;
    }
    return true;
}

CString GetComPortDevice(int nPort)
{
    if (nPort <= 0)
    {
        return CString();
    }
    {
        auto& table = GetPortTable();
        std::lock_guard lock(table.mutex);
        const auto it = table.paths.find(nPort);
        if (it != table.paths.end())
        {
            return CString(it->second.c_str());
        }
    }
    CString strPath;
    strPath.Format(L"/dev/ttyS%d", nPort - 1);
    return strPath;
}

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD /*dwShareMode*/,
                   LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile)
{
    if (lpFileName == nullptr || hTemplateFile != nullptr)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const auto nPort = ParseComName(lpFileName);
    if (!nPort)
    {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    if (*nPort <= 0)
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (dwCreationDisposition != OPEN_EXISTING)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if ((dwFlagsAndAttributes & FILE_FLAG_OVERLAPPED) != 0)
    {
        SetLastError(ERROR_NOT_SUPPORTED);
        return INVALID_HANDLE_VALUE;
    }
    // The table keeps the path's bytes one per character, so ToNarrow gives them back exactly.
    const std::string strPath = GetComPortDevice(static_cast<int>(*nPort)).ToNarrow();
    DWORD dwError = ERROR_SUCCESS;
    auto device = posix::CommDevice::Open(strPath, dwDesiredAccess, dwError);
    if (!device)
    {
        SetLastError(dwError);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = posix::RegisterHandle(std::move(device));
    if (handle == nullptr)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
              LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped)
{
    if (lpNumberOfBytesRead != nullptr)
    {
        *lpNumberOfBytesRead = 0;
    }
    if (lpOverlapped != nullptr || (lpBuffer == nullptr && nNumberOfBytesToRead != 0))
    {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    const auto device = LookupDevice(hFile);
    if (!device)
    {
        return FALSE;
    }
    DWORD nRead = 0;
    const BOOL bOk = device->Read(static_cast<char*>(lpBuffer), nNumberOfBytesToRead, nRead);
    if (lpNumberOfBytesRead != nullptr)
    {
        *lpNumberOfBytesRead = nRead;
    }
    return bOk;
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
               LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped)
{
    if (lpNumberOfBytesWritten != nullptr)
    {
        *lpNumberOfBytesWritten = 0;
    }
    if (lpOverlapped != nullptr || (lpBuffer == nullptr && nNumberOfBytesToWrite != 0))
    {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    const auto device = LookupDevice(hFile);
    if (!device)
    {
        return FALSE;
    }
    DWORD nWritten = 0;
    const BOOL bOk =
        device->Write(static_cast<const char*>(lpBuffer), nNumberOfBytesToWrite, nWritten);
    if (lpNumberOfBytesWritten != nullptr)
    {
        *lpNumberOfBytesWritten = nWritten;
    }
    return bOk;
}

BOOL GetCommState(HANDLE hFile, LPDCB lpDCB)
{
    if (lpDCB == nullptr)
    {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    const auto device = LookupDevice(hFile);
    return device ? device->GetState(*lpDCB) : FALSE;
}

BOOL SetCommState(HANDLE hFile, LPDCB lpDCB)
{
    if (lpDCB == nullptr)
    {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    const auto device = LookupDevice(hFile);
    return device ? device->SetState(*lpDCB) : FALSE;
}

BOOL GetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts)
{
    if (lpCommTimeouts == nullptr)
    {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    const auto device = LookupDevice(hFile);
    if (!device)
    {
        return FALSE;
    }
    *lpCommTimeouts = device->GetTimeouts();
    return TRUE;
}

BOOL SetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts)
{
    if (lpCommTimeouts == nullptr)
    {
        return FailWith(ERROR_INVALID_PARAMETER);
    }
    const auto device = LookupDevice(hFile);
    return device ? device->SetTimeouts(*lpCommTimeouts) : FALSE;
}

// Only synchronous reads are offered, so no call waits on the event mask; and the kernel sizes
// its own queues. Both are accepted for an open device and kept nowhere.
BOOL SetCommMask(HANDLE hFile, DWORD /*dwEvtMask*/)
{
    return LookupDevice(hFile) ? TRUE : FALSE;
}

BOOL SetupComm(HANDLE hFile, DWORD /*dwInQueue*/, DWORD /*dwOutQueue*/)
{
    return LookupDevice(hFile) ? TRUE : FALSE;
}

BOOL PurgeComm(HANDLE hFile, DWORD dwFlags)
{
    const auto device = LookupDevice(hFile);
    return device ? device->Purge(dwFlags) : FALSE;
}

BOOL ClearCommError(HANDLE hFile, LPDWORD lpErrors, LPCOMSTAT lpStat)
{
    const auto device = LookupDevice(hFile);
    return device ? device->ClearError(lpErrors, lpStat) : FALSE;
}

BOOL SetCommBreak(HANDLE hFile)
{
    const auto device = LookupDevice(hFile);
    return device ? device->SetBreak(true) : FALSE;
}

BOOL ClearCommBreak(HANDLE hFile)
{
    const auto device = LookupDevice(hFile);
    return device ? device->SetBreak(false) : FALSE;
}

BOOL EscapeCommFunction(HANDLE hFile, DWORD dwFunc)
{
    const auto device = LookupDevice(hFile);
    return device ? device->Escape(dwFunc) : FALSE;
}

DWORD ReadCommOrWait(HANDLE hPort, char* pBuffer, DWORD nCount, DWORD& nRead, HANDLE hEvent,
                     DWORD dwMilliseconds)
{
    nRead = 0;
    const auto device = LookupDevice(hPort);
    if (!device || pBuffer == nullptr)
    {
        if (device)
        {
            SetLastError(ERROR_INVALID_PARAMETER);
        }
        return WAIT_FAILED;
    }
    int eventFd = -1;
    const auto keepEvent = posix::EventSignalFd(hEvent, eventFd);
    if (hEvent != nullptr && eventFd < 0)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return device->ReadOrWait(pBuffer, nCount, nRead, eventFd, dwMilliseconds);
}
