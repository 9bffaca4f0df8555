#include "CommDevice.h"
#include "CommTermios.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#if defined(__linux__)
#include <linux/serial.h>
#endif

namespace
{

using Clock = posix::CommDevice::Clock;
using Milliseconds = std::chrono::milliseconds;

// Longest time-out honoured as such (about 99 days); anything longer waits without limit.
constexpr std::uint64_t s_nLongestTimeout = 2ull * 0xFFFFFFFFull;

bool MeansDeviceGone(int nErrno)
{
    return nErrno == EIO || nErrno == ENXIO || nErrno == ENODEV;
}

DWORD ErrorFromOpenErrno(int nErrno)
{
    switch (nErrno)
    {
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EISDIR:
    case EWOULDBLOCK:
        return ERROR_ACCESS_DENIED;
    case ENOMEM:
    case EMFILE:
    case ENFILE:
        return ERROR_NOT_ENOUGH_MEMORY;
    case ENOTTY:
        return ERROR_NOT_SUPPORTED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

DWORD ErrorFromErrno(int nErrno)
{
    switch (nErrno)
    {
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENOTTY:
    case EOPNOTSUPP:
        return ERROR_NOT_SUPPORTED;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    default:
        return ERROR_GEN_FAILURE;
    }
}

// Milliseconds until the deadline, rounded up so that a wait never ends just before it; -1 for
// no deadline, at most INT_MAX (a longer wait simply loops).
int MillisecondsUntil(const std::optional<Clock::time_point>& deadline)
{
    if (!deadline)
    {
        return -1;
    }
    const auto left = std::chrono::ceil<Milliseconds>(*deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

std::optional<Clock::time_point> DeadlineAfter(Clock::time_point start, std::uint64_t ms)
{
    if (ms > s_nLongestTimeout)
    {
        return std::nullopt;
    }
    return start + Milliseconds(ms);
}

// How one ReadFile call behaves under the time-outs, following the original rules.
struct ReadPlan
{
    bool bAtOnce = false;      // take what is waiting and return, even nothing
    bool bOnFirstByte = false; // return as soon as at least one byte is there
    std::optional<Clock::time_point> total;
    std::optional<Milliseconds> interval; // longest gap between two bytes, once one came
};

ReadPlan PlanRead(const COMMTIMEOUTS& t, DWORD nCount, Clock::time_point start)
{
    ReadPlan plan;
    const DWORD dwInterval = t.ReadIntervalTimeout;
    const DWORD dwMultiplier = t.ReadTotalTimeoutMultiplier;
    const DWORD dwConstant = t.ReadTotalTimeoutConstant;
    if (dwInterval == MAXDWORD && dwMultiplier == 0 && dwConstant == 0)
    {
        plan.bAtOnce = true;
        return plan;
    }
    if (dwInterval == MAXDWORD && dwMultiplier == MAXDWORD && dwConstant > 0 &&
        dwConstant < MAXDWORD)
    {
        plan.bOnFirstByte = true;
        plan.total = start + Milliseconds(dwConstant);
        return plan;
    }
    if (dwMultiplier != 0 || dwConstant != 0)
    {
        plan.total = DeadlineAfter(start, std::uint64_t{dwMultiplier} * nCount + dwConstant);
    }
    if (dwInterval != 0)
    {
        plan.interval = Milliseconds(dwInterval);
    }
    return plan;
}

const std::optional<Clock::time_point>& Earlier(const std::optional<Clock::time_point>& a,
                                                const std::optional<Clock::time_point>& b)
{
    if (!a)
    {
        return b;
    }
    if (!b)
    {
        return a;
    }
    return *a <= *b ? a : b;
}

} // namespace

namespace posix
{

std::shared_ptr<CommDevice> CommDevice::Open(const std::string& strPath, DWORD dwAccess,
                                             DWORD& dwError)
{
    int flags = O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    const bool bRead = (dwAccess & GENERIC_READ) != 0;
    const bool bWrite = (dwAccess & GENERIC_WRITE) != 0;
    flags |= bRead && bWrite ? O_RDWR : (bWrite ? O_WRONLY : O_RDONLY);

    const int fd = ::open(strPath.c_str(), flags);
    if (fd < 0)
    {
        dwError = ErrorFromOpenErrno(errno);
        return nullptr;
    }
    const auto fail = [&](DWORD dwCode) {
        ::close(fd);
        dwError = dwCode;
        return nullptr;
    };
    if (!::isatty(fd))
    {
        return fail(ERROR_NOT_SUPPORTED);
    }
    // Not shared: a second opener, in this process or another, is refused. The lock goes with
    // the descriptor; TIOCEXCL also keeps out programs that do not take it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
    {
        return fail(errno == EWOULDBLOCK ? ERROR_ACCESS_DENIED : ErrorFromOpenErrno(errno));
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
    {
        return fail(ErrorFromOpenErrno(errno));
    }
    MakeRaw(tio);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
    {
        return fail(ErrorFromOpenErrno(errno));
    }
    int wake[2] = {-1, -1};
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0)
    {
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    ::ioctl(fd, TIOCEXCL);

    std::shared_ptr<CommDevice> device(new CommDevice(fd, wake[0], wake[1], dwAccess));
    device->TakeLineErrors(); // counts from before this open are not ours
    dwError = ERROR_SUCCESS;
    return device;
}

CommDevice::CommDevice(int fd, int wakeRead, int wakeWrite, DWORD dwAccess)
    : m_fd(fd), m_wakeRead(wakeRead), m_wakeWrite(wakeWrite), m_dwAccess(dwAccess)
{
    m_kept.DCBlength = sizeof(DCB);
    m_kept.fBinary = 1;
    m_kept.fDtrControl = DTR_CONTROL_ENABLE;
    m_kept.fRtsControl = RTS_CONTROL_ENABLE;
    m_kept.XonLim = 2048;
    m_kept.XoffLim = 512;
    m_kept.XonChar = 0x11;
    m_kept.XoffChar = 0x13;
}

CommDevice::~CommDevice()
{
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    ::close(m_wakeRead);
    ::close(m_wakeWrite);
}

void CommDevice::OnClose()
{
    m_bClosed = true;
    // The byte stays in the pipe, so every present and later waiter sees it.
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(m_wakeWrite, &byte, 1);
}

CommDevice::WaitResult CommDevice::WaitFor(short events, const Deadline& deadline) const
{
    for (;;)
    {
        const int ms = MillisecondsUntil(deadline);
        if (ms == 0)
        {
            return WaitResult::TimedOut;
        }
        pollfd fds[2] = {{m_fd, events, 0}, {m_wakeRead, POLLIN, 0}};
        const int n = ::poll(fds, 2, ms);
        if (n < 0)
        {
            if (errno == EINTR)
            {
                continue;
            }
            return WaitResult::Failed;
        }
        if (fds[1].revents != 0 || m_bClosed)
        {
            return WaitResult::Closed;
        }
        if ((fds[0].revents & events) != 0)
        {
            return WaitResult::Ready;
        }
        if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        {
            return WaitResult::Gone;
        }
        // n == 0: the poll ran out; the next turn sees the deadline passed (or waits on).
    }
}

void CommDevice::Doze(const Deadline& deadline) const
{
    while (deadline && !m_bClosed)
    {
        const int ms = MillisecondsUntil(deadline);
        if (ms == 0)
        {
            return;
        }
        pollfd fd = {m_wakeRead, POLLIN, 0};
        if (::poll(&fd, 1, ms) > 0)
        {
            return;
        }
    }
}

BOOL CommDevice::FailWithErrno(int nErrno)
{
    if (MeansDeviceGone(nErrno))
    {
        return FailGone();
    }
    SetLastError(ErrorFromErrno(nErrno));
    return FALSE;
}

BOOL CommDevice::FailGone()
{
    m_bGone = true;
    SetLastError(ERROR_DEVICE_REMOVED);
    return FALSE;
}

BOOL CommDevice::FailClosed() const
{
    SetLastError(ERROR_OPERATION_ABORTED);
    return FALSE;
}

BOOL CommDevice::Read(char* pBuffer, DWORD nCount, DWORD& nRead)
{
    nRead = 0;
    if ((m_dwAccess & GENERIC_READ) == 0)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (nCount == 0)
    {
        return TRUE;
    }
    const auto start = Clock::now();
    const ReadPlan plan = PlanRead(GetTimeouts(), nCount, start);
    Deadline lastByte;

    const auto gone = [&]() {
        m_bGone = true;
        if (nRead > 0)
        {
            return TRUE; // deliver what came before; the next read reports the loss
        }
        if (!plan.bAtOnce)
        {
            Doze(plan.total);
        }
        return m_bClosed ? FailClosed() : FailGone();
    };

    for (;;)
    {
        if (m_bClosed)
        {
            return FailClosed();
        }
        if (m_bGone)
        {
            return gone();
        }
        const ssize_t n = ::read(m_fd, pBuffer + nRead, nCount - nRead);
        if (n > 0)
        {
            nRead += static_cast<DWORD>(n);
            if (nRead == nCount || plan.bOnFirstByte)
            {
                return TRUE;
            }
            lastByte = Clock::now();
            continue;
        }
        if (n == 0)
        {
            return gone(); // a terminal in raw mode reads 0 bytes only after a hang-up
        }
        const int nErrno = errno;
        if (nErrno == EINTR)
        {
            continue;
        }
        if (nErrno != EAGAIN && nErrno != EWOULDBLOCK)
        {
            if (MeansDeviceGone(nErrno))
            {
                return gone();
            }
            return nRead > 0 ? TRUE : FailWithErrno(nErrno);
        }
        if (plan.bAtOnce)
        {
            return TRUE;
        }
        Deadline intervalEnd;
        if (lastByte && plan.interval)
        {
            intervalEnd = *lastByte + *plan.interval;
        }
        switch (WaitFor(POLLIN, Earlier(plan.total, intervalEnd)))
        {
        case WaitResult::Ready:
            break;
        case WaitResult::TimedOut:
            return TRUE;
        case WaitResult::Gone:
            return gone();
        case WaitResult::Closed:
            return FailClosed();
        case WaitResult::Failed:
            return nRead > 0 ? TRUE : FailWithErrno(errno);
        }
    }
}

DWORD CommDevice::ReadOrWait(char* pBuffer, DWORD nCount, DWORD& nRead, int eventFd,
                             DWORD dwMilliseconds)
{
    nRead = 0;
    if ((m_dwAccess & GENERIC_READ) == 0 || nCount == 0)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return WAIT_FAILED;
    }
    const Deadline deadline = DeadlineAfter(Clock::now(), dwMilliseconds);
    for (;;)
    {
        if (m_bClosed)
        {
            FailClosed();
            return WAIT_FAILED;
        }
        if (m_bGone)
        {
            FailGone();
            return WAIT_FAILED;
        }
        const ssize_t n = ::read(m_fd, pBuffer, nCount);
        if (n > 0)
        {
            nRead = static_cast<DWORD>(n);
            return WAIT_OBJECT_0;
        }
        if (n == 0)
        {
            FailGone(); // a terminal in raw mode reads 0 bytes only after a hang-up
            return WAIT_FAILED;
        }
        if (errno == EINTR)
        {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK)
        {
            FailWithErrno(errno);
            return WAIT_FAILED;
        }
        const int ms = MillisecondsUntil(deadline);
        if (ms == 0)
        {
            return WAIT_TIMEOUT;
        }
        pollfd fds[3] = {{m_fd, POLLIN, 0}, {m_wakeRead, POLLIN, 0}, {eventFd, POLLIN, 0}};
        const int nReady = ::poll(fds, eventFd >= 0 ? 3 : 2, ms);
        if (nReady < 0 && errno != EINTR)
        {
            FailWithErrno(errno);
            return WAIT_FAILED;
        }
        if (nReady <= 0)
        {
            continue; // interrupted, or out of time: the next turn reads once more and decides
        }
        if (fds[1].revents != 0)
        {
            FailClosed();
            return WAIT_FAILED;
        }
        if (fds[2].revents != 0)
        {
            return WAIT_OBJECT_0 + 1;
        }
        if ((fds[0].revents & POLLIN) == 0 &&
            (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        {
            FailGone();
            return WAIT_FAILED;
        }
    }
}

BOOL CommDevice::Write(const char* pData, DWORD nCount, DWORD& nWritten)
{
    nWritten = 0;
    if ((m_dwAccess & GENERIC_WRITE) == 0)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (m_bGone)
    {
        return FailGone();
    }
    if (nCount == 0)
    {
        return TRUE;
    }
    const COMMTIMEOUTS timeouts = GetTimeouts();
    Deadline total;
    if (timeouts.WriteTotalTimeoutMultiplier != 0 || timeouts.WriteTotalTimeoutConstant != 0)
    {
        total = DeadlineAfter(Clock::now(),
                              std::uint64_t{timeouts.WriteTotalTimeoutMultiplier} * nCount +
                                  timeouts.WriteTotalTimeoutConstant);
    }
    while (nWritten < nCount)
    {
        if (m_bClosed)
        {
            return FailClosed();
        }
        const ssize_t n = ::write(m_fd, pData + nWritten, nCount - nWritten);
        if (n > 0)
        {
            nWritten += static_cast<DWORD>(n);
            continue;
        }
        const int nErrno = n == 0 ? EAGAIN : errno;
        if (nErrno == EINTR)
        {
            continue;
        }
        if (nErrno != EAGAIN && nErrno != EWOULDBLOCK)
        {
            return FailWithErrno(nErrno);
        }
        switch (WaitFor(POLLOUT, total))
        {
        case WaitResult::Ready:
            break;
        case WaitResult::TimedOut:
            return TRUE; // a write time-out succeeds with what was taken
        case WaitResult::Gone:
            return FailGone();
        case WaitResult::Closed:
            return FailClosed();
        case WaitResult::Failed:
            return FailWithErrno(errno);
        }
    }
    return TRUE;
}

BOOL CommDevice::GetState(DCB& dcb)
{
    if (m_bGone)
    {
        return FailGone();
    }
    termios tio{};
    if (::tcgetattr(m_fd, &tio) != 0)
    {
        return FailWithErrno(errno);
    }
    DCB out{};
    {
        std::lock_guard lock(m_mutex);
        out = m_kept;
    }
    const bool bKeptHandshake = out.fRtsControl == RTS_CONTROL_HANDSHAKE;
    out.fOutxCtsFlow = 0;
    TermiosToDcb(tio, out);
    if (!out.fOutxCtsFlow && bKeptHandshake)
    {
        out.fRtsControl = RTS_CONTROL_ENABLE; // someone else switched the handshake off
    }
    out.DCBlength = sizeof(DCB);
    dcb = out;
    return TRUE;
}

BOOL CommDevice::SetModemLine(int nLine, bool bOn, bool bStrict)
{
    if (::ioctl(m_fd, bOn ? TIOCMBIS : TIOCMBIC, &nLine) == 0)
    {
        return TRUE;
    }
    const int nErrno = errno;
    if (!bStrict && (nErrno == ENOTTY || nErrno == EINVAL))
    {
        return TRUE;
    }
    return FailWithErrno(nErrno);
}

BOOL CommDevice::SetState(const DCB& dcb)
{
    if (m_bGone)
    {
        return FailGone();
    }
    termios tio{};
    if (::tcgetattr(m_fd, &tio) != 0)
    {
        return FailWithErrno(errno);
    }
    const DWORD dwError = DcbToTermios(dcb, tio);
    if (dwError != ERROR_SUCCESS)
    {
        SetLastError(dwError);
        return FALSE;
    }
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0)
    {
        return FailWithErrno(errno);
    }
    if (!SetModemLine(TIOCM_DTR, dcb.fDtrControl == DTR_CONTROL_ENABLE, false))
    {
        return FALSE;
    }
    const bool bRtsHandshake = dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
    if (!bRtsHandshake && !SetModemLine(TIOCM_RTS, dcb.fRtsControl == RTS_CONTROL_ENABLE, false))
    {
        return FALSE;
    }
    std::lock_guard lock(m_mutex);
    m_kept = dcb;
    return TRUE;
}

COMMTIMEOUTS CommDevice::GetTimeouts() const
{
    std::lock_guard lock(m_mutex);
    return m_timeouts;
}

BOOL CommDevice::SetTimeouts(const COMMTIMEOUTS& timeouts)
{
    // The original refuses this one combination as meaningless.
    if (timeouts.ReadIntervalTimeout == MAXDWORD &&
        timeouts.ReadTotalTimeoutMultiplier == MAXDWORD &&
        timeouts.ReadTotalTimeoutConstant == MAXDWORD)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(m_mutex);
    m_timeouts = timeouts;
    return TRUE;
}

BOOL CommDevice::Purge(DWORD dwFlags)
{
    if ((dwFlags & ~(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) != 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (m_bGone)
    {
        return FailGone();
    }
    const bool bInput = (dwFlags & (PURGE_RXABORT | PURGE_RXCLEAR)) != 0;
    const bool bOutput = (dwFlags & (PURGE_TXABORT | PURGE_TXCLEAR)) != 0;
    if (!bInput && !bOutput)
    {
        return TRUE;
    }
    const int queue = bInput && bOutput ? TCIOFLUSH : (bInput ? TCIFLUSH : TCOFLUSH);
    if (::tcflush(m_fd, queue) != 0)
    {
        return FailWithErrno(errno);
    }
    return TRUE;
}

DWORD CommDevice::TakeLineErrors()
{
#if defined(__linux__) && defined(TIOCGICOUNT)
    serial_icounter_struct counts{};
    if (::ioctl(m_fd, TIOCGICOUNT, &counts) != 0)
    {
        return 0; // no counters on this device (a pseudo-terminal has none)
    }
    const int now[5] = {counts.frame, counts.overrun, counts.parity, counts.brk,
                        counts.buf_overrun};
    constexpr DWORD kFlags[5] = {CE_FRAME, CE_OVERRUN, CE_RXPARITY, CE_BREAK, CE_RXOVER};
    DWORD dwErrors = 0;
    std::lock_guard lock(m_mutex);
    for (int i = 0; i < 5; ++i)
    {
        if (now[i] != m_lineCounts[i])
        {
            dwErrors |= kFlags[i];
            m_lineCounts[i] = now[i];
        }
    }
    return dwErrors;
#else
    return 0;
#endif
}

BOOL CommDevice::ClearError(DWORD* pErrors, COMSTAT* pStat)
{
    if (m_bGone)
    {
        return FailGone();
    }
    int nIn = 0;
    if (::ioctl(m_fd, FIONREAD, &nIn) != 0)
    {
        return FailWithErrno(errno);
    }
    int nOut = 0;
    if (::ioctl(m_fd, TIOCOUTQ, &nOut) != 0)
    {
        nOut = 0;
    }
    const DWORD dwErrors = TakeLineErrors();
    if (pErrors != nullptr)
    {
        *pErrors = dwErrors;
    }
    if (pStat != nullptr)
    {
        *pStat = COMSTAT{};
        pStat->cbInQue = static_cast<DWORD>(std::max(nIn, 0));
        pStat->cbOutQue = static_cast<DWORD>(std::max(nOut, 0));
    }
    return TRUE;
}

BOOL CommDevice::SetBreak(bool bOn)
{
    if (m_bGone)
    {
        return FailGone();
    }
    if (::ioctl(m_fd, bOn ? TIOCSBRK : TIOCCBRK) != 0)
    {
        return FailWithErrno(errno);
    }
    return TRUE;
}

BOOL CommDevice::Escape(DWORD dwFunc)
{
    if (m_bGone)
    {
        return FailGone();
    }
    switch (dwFunc)
    {
    case SETDTR:
    case CLRDTR:
        return SetModemLine(TIOCM_DTR, dwFunc == SETDTR, true);
    case SETRTS:
    case CLRRTS:
        return SetModemLine(TIOCM_RTS, dwFunc == SETRTS, true);
    case SETBREAK:
    case CLRBREAK:
        return SetBreak(dwFunc == SETBREAK);
    case SETXOFF:
    case SETXON:
        if (::tcflow(m_fd, dwFunc == SETXOFF ? TCOOFF : TCOON) != 0)
        {
            return FailWithErrno(errno);
        }
        return TRUE;
    case RESETDEV:
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
}

} // namespace posix
