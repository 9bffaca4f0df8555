// Which device a COM port number opens, and the one read the acquisition thread needs beyond the
// serial calls of the original platform. The host maps port numbers to the serial devices of
// this system (SetComPortDevice(1, "/dev/ttyUSB0")); an unmapped port n opens /dev/ttyS{n-1}.
#pragma once

#include "OsComm.h"
#include "String.h"

// Maps port nPort (1 for COM1) to a device path. An empty or null path restores the default.
// False for a port number of 0 or below.
FIXORA_API bool SetComPortDevice(int nPort, const char* pszDevicePath);
// The device path that port nPort opens; empty for a port number of 0 or below.
FIXORA_API CString GetComPortDevice(int nPort);

// Reads from an open port as soon as bytes come: every byte waiting, up to nCount. Waits at most
// dwMilliseconds, and ends early when hEvent (a manual-reset event) is signalled.
//   WAIT_OBJECT_0      nRead bytes were read, at least one
//   WAIT_OBJECT_0 + 1  the event is signalled; nothing was read
//   WAIT_TIMEOUT       neither came
//   WAIT_FAILED        the port failed (GetLastError tells why), at once: a port that has gone
//                      away does not wait, its caller decides how long to rest
// The port's read time-outs may be changed by the call.
FIXORA_API DWORD ReadCommOrWait(HANDLE hPort, char* pBuffer, DWORD nCount, DWORD& nRead,
                                HANDLE hEvent, DWORD dwMilliseconds);
