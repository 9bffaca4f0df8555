// Sleep, the clock, thread ids and the last error are kernel32's own. Only the test seam that
// redirects Sleep lives here: the library calls the system's Sleep, which cannot be redirected.
#include "OsApi.h"
#include "platform/Sync.h"

bool SetSleepHook(SleepHook, void*)
{
    return false;
}
