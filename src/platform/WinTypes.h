// Types, constants and system calls of the original platform. The operating-system folder picked
// by the build (posix/ or win32/) provides them; library code never includes system headers.
#pragma once

#include "OsApi.h"
