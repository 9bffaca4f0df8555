// The serial-communications part of the system's API: windows.h, through OsApi.h, declares it.
#pragma once

#include "OsApi.h"
