// Which device a COM port number opens. The host maps port numbers to the serial devices of this
// system (SetComPortDevice(1, "/dev/ttyUSB0")); an unmapped port n opens /dev/ttyS{n-1}.
#pragma once

#include "String.h"

// Maps port nPort (1 for COM1) to a device path. An empty or null path restores the default.
// False for a port number of 0 or below.
FIXORA_API bool SetComPortDevice(int nPort, const char* pszDevicePath);
// The device path that port nPort opens; empty for a port number of 0 or below.
FIXORA_API CString GetComPortDevice(int nPort);
