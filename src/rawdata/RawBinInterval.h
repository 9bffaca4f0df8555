// The interval of the Axis3 family's binary raw output, one for the whole library: the command set
// sets it when it switches raw output on, and the requests for message 95 follow it.
#pragma once

#include "platform/Framework.h"

#include <atomic>

// Seconds between raw blocks: 0.2 or 1.0 (0.2 until raw output is first switched on). Written on
// the host's thread, read on the acquisition thread.
FIXORA_API extern std::atomic<double> g_dRawBinInterval;

// The request for message 95 at the current interval: "$JBIN,95,0.2\r\n" at exactly 0.2 s,
// "$JBIN,95,1\r\n" otherwise.
FIXORA_API const wchar_t* GetMessage95Request();
