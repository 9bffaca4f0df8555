// One open serial device behind a HANDLE: its descriptor, time-outs and kept settings, and the
// reads and writes that follow the original time-out rules with poll. The calls of OsComm.h look
// the device up in the handle table and hand over to it.
#pragma once

#include "HandleTable.h"
#include "OsComm.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace posix
{

class CommDevice : public KernelObject
{
public:
    using Clock = std::chrono::steady_clock;

    // Opens the terminal device at strPath for exclusive use and puts it in raw mode. On failure
    // returns nullptr with dwError set (ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED when another
    // user holds it, ERROR_NOT_SUPPORTED when the path is not a terminal, ...).
    static std::shared_ptr<CommDevice> Open(const std::string& strPath, DWORD dwAccess,
                                            DWORD& dwError);
    ~CommDevice() override;

    // Wakes every call that is waiting on the device; they fail with ERROR_OPERATION_ABORTED.
    // The descriptor itself is closed when the last of them has let go of the device (at once
    // when none is inside a call), so its number is never reused under a running poll.
    void OnClose() override;

    // Each call below sets the thread's last error when it returns FALSE. A device that has gone
    // away (a pseudo-terminal whose other end closed, an unplugged adapter) fails every call with
    // ERROR_DEVICE_REMOVED; a read first waits out its total time-out, so that a read loop on a
    // dead device stays as cheap as one on a silent device.
    BOOL Read(char* pBuffer, DWORD nCount, DWORD& nRead);
    // ReadCommOrWait (platform/Comm.h), the event given as a descriptor that polls readable
    // while it is signalled.
    DWORD ReadOrWait(char* pBuffer, DWORD nCount, DWORD& nRead, int eventFd, DWORD dwMilliseconds);
    BOOL Write(const char* pData, DWORD nCount, DWORD& nWritten);
    BOOL GetState(DCB& dcb);
    BOOL SetState(const DCB& dcb);
    COMMTIMEOUTS GetTimeouts() const;
    BOOL SetTimeouts(const COMMTIMEOUTS& timeouts);
    BOOL Purge(DWORD dwFlags);
    BOOL ClearError(DWORD* pErrors, COMSTAT* pStat);
    BOOL SetBreak(bool bOn);
    BOOL Escape(DWORD dwFunc);

private:
    enum class WaitResult
    {
        Ready,
        TimedOut,
        Gone,
        Closed,
        Failed
    };
    using Deadline = std::optional<Clock::time_point>;

    CommDevice(int fd, int wakeRead, int wakeWrite, DWORD dwAccess);
    WaitResult WaitFor(short events, const Deadline& deadline) const;
    // Sleeps until the deadline (no deadline: not at all) or until the handle is closed.
    void Doze(const Deadline& deadline) const;
    // Sets the last error from errno; an errno that means the device has gone marks it gone.
    BOOL FailWithErrno(int nErrno);
    BOOL FailGone();
    BOOL FailClosed() const;
    // Raises or drops a modem-control line. A device without such lines (a pseudo-terminal)
    // is not an error unless bStrict.
    BOOL SetModemLine(int nLine, bool bOn, bool bStrict);
    DWORD TakeLineErrors();

    const int m_fd;
    const int m_wakeRead;
    const int m_wakeWrite;
    const DWORD m_dwAccess;
    std::atomic<bool> m_bClosed{false};
    std::atomic<bool> m_bGone{false};

    mutable std::mutex m_mutex; // guards the members below
    COMMTIMEOUTS m_timeouts{};
    DCB m_kept{}; // the last DCB given: the fields that termios does not hold come from here
    int m_lineCounts[5] = {};
};

} // namespace posix
