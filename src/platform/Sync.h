// Events, waits, Sleep and the millisecond clock of the original platform (declared in
// WinTypes.h), plus the one seam that tests use to count pauses without waiting them out.
#pragma once

#include "WinTypes.h"

// Called instead of sleeping while installed; nullptr restores real sleeping. Returns false where
// the platform cannot redirect Sleep (the native Windows build), so tests can skip.
using SleepHook = void (*)(DWORD dwMilliseconds, void* pContext);
GEOMETRY_API bool SetSleepHook(SleepHook pfnHook, void* pContext);
