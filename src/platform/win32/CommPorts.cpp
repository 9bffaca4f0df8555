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
