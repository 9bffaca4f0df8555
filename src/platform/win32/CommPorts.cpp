// COM port names are real on this system ("COM1:", "\\.\COM10"), so there is no mapping to set.
#include "OsApi.h"
#include "platform/Comm.h"

bool SetComPortDevice(int, const char*)
{
    return false;
}

CString GetComPortDevice(int nPort)
{
    CString strDevice;
    if (nPort > 0)
    {
        strDevice.Format(L"\\\\.\\COM%d", nPort);
    }
    return strDevice;
}

namespace
{

// A read that failed: a port whose driver no longer answers at all (an adapter pulled out
// gives ERROR_ACCESS_DENIED, ERROR_BAD_COMMAND or ERROR_GEN_FAILURE by driver) has lost its
// device, which the caller must tell from a line error the driver could still report. A handle
// closed under the read (the port closed by its owner) has lost nothing.
DWORD FailedRead(HANDLE hPort)
{
    const DWORD dwError = GetLastError();
    DWORD dwLineErrors = 0;
    if (dwError != ERROR_INVALID_HANDLE && !ClearCommError(hPort, &dwLineErrors, nullptr))
    {
        SetLastError(ERROR_DEVICE_REMOVED);
        return WAIT_FAILED;
    }
    SetLastError(dwError);
    return WAIT_FAILED;
}

} // namespace

DWORD ReadCommOrWait(HANDLE hPort, char* pBuffer, DWORD nCount, DWORD& nRead, HANDLE hEvent,
                     DWORD dwMilliseconds)
{
    // A synchronous port cannot be waited on beside an event, so the wait is taken in reads of
    // at most this long, each returning at the first byte with every byte then waiting, and the
    // event is looked at between them.
    constexpr DWORD kSlice = 100;
    nRead = 0;
    const DWORD dwStart = GetTickCount();
    for (;;)
    {
        if (hEvent != nullptr && WaitForSingleObject(hEvent, 0) == WAIT_OBJECT_0)
        {
            return WAIT_OBJECT_0 + 1;
        }
        const DWORD dwSpent = GetTickCount() - dwStart;
        if (dwMilliseconds != INFINITE && dwSpent >= dwMilliseconds)
        {
            return WAIT_TIMEOUT;
        }
        const DWORD dwLeft = dwMilliseconds == INFINITE ? kSlice : dwMilliseconds - dwSpent;
        // The write time-outs are the port owner's and stay as they are.
        COMMTIMEOUTS timeouts{};
        if (!GetCommTimeouts(hPort, &timeouts))
        {
            return FailedRead(hPort);
        }
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
        timeouts.ReadTotalTimeoutConstant = dwLeft < kSlice ? dwLeft : kSlice;
        const DWORD dwReadStart = GetTickCount();
        if (!SetCommTimeouts(hPort, &timeouts) ||
            !ReadFile(hPort, pBuffer, nCount, &nRead, nullptr))
        {
            nRead = 0;
            return FailedRead(hPort);
        }
        if (nRead > 0)
        {
            return WAIT_OBJECT_0;
        }
        // Some drivers of a removed adapter answer every read at once with nothing: that is
        // no silence, and looping on it would spin.
        if (GetTickCount() - dwReadStart < timeouts.ReadTotalTimeoutConstant / 2 &&
            !ClearCommError(hPort, nullptr, nullptr))
        {
            SetLastError(ERROR_DEVICE_REMOVED);
            return WAIT_FAILED;
        }
    }
}
