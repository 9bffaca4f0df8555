// Sleep, the clock, thread ids and the last error are kernel32's own. Only the test seams that
// redirect Sleep and the clock live here: the library calls the system's, which cannot be
// redirected.
#include "OsApi.h"
#include "platform/Sync.h"

bool SetSleepHook(SleepHook, void*)
{
    return false;
}

bool SetTickHook(TickHook, void*)
{
    return false;
}
