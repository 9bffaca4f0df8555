// The Windows side of the platform layer: the real system headers. The library calls kernel32 and
// user32 directly; the few declarations of our own that the shared code needs are in the
// platform headers (Sync.h, Comm.h, Files.h) and are implemented by the files beside this one.
// The build defines UNICODE, WIN32_LEAN_AND_MEAN and NOMINMAX, so the headers bring neither the
// narrow names nor the min/max macros.
#pragma once

#include "FixoraExport.h"
#include "GeometryExport.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
