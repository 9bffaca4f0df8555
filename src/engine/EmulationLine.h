// One line of an emulation file made ready for framing, as the emulation mode does it; exported
// so that a host replaying such a file at its own pace frames it the same way.
#pragma once

#include "platform/Framework.h"

// A line beginning with "VKR PAUSE" shows the text after its first field in a message box (the
// caller waits until it is closed) and stays as it is: the framer skips it as bytes before a
// start byte. Any other line gets CR LF. False when the line is to be skipped.
FIXORA_API bool PrepareEmulationLine(CString& strLine);
