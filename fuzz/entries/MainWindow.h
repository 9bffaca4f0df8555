// What every receiver entry shares: the host's main window, which deletes the records the
// receiver publishes, and the state of a freshly loaded library at the start of each input.
#pragma once

#include "support/MainWindowStandIn.h"

namespace fuzz_entry
{

// Made on the first call, on the calling thread, and kept for the whole run.
CMainWindowStandIn& MainWindow();

// Shared receiver records and flags back to their state at load; the receiver's pauses are
// counted out, not slept.
void PrepareReceiverRun();

} // namespace fuzz_entry
