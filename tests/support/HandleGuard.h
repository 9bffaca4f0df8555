// Closes a handle (an event, a port) when the test scope ends, whatever assertion returns early.
#pragma once

#include "platform/WinTypes.h"

struct SHandleGuard
{
    HANDLE h;
    explicit SHandleGuard(HANDLE handle) : h(handle) {}
    ~SHandleGuard() { CloseHandle(h); }
    SHandleGuard(const SHandleGuard&) = delete;
    SHandleGuard& operator=(const SHandleGuard&) = delete;
};
