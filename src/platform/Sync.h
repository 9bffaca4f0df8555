// Events, waits, Sleep and the millisecond clock of the original platform (declared in
// WinTypes.h), plus the two seams that tests use to count pauses and to move the clock without
// waiting.
#pragma once

#include "WinTypes.h"

// Called instead of sleeping while installed; nullptr restores real sleeping. Returns false where
// the platform cannot redirect Sleep (the native Windows build), so tests can skip.
using SleepHook = void (*)(DWORD dwMilliseconds, void* pContext);
GEOMETRY_API bool SetSleepHook(SleepHook pfnHook, void* pContext);

// Answers GetTickCount while installed; nullptr restores the real clock. Returns false where the
// platform cannot redirect the clock (the native Windows build).
using TickHook = DWORD (*)(void* pContext);
GEOMETRY_API bool SetTickHook(TickHook pfnHook, void* pContext);
