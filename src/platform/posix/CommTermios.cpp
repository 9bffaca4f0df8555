#include "CommTermios.h"

namespace
{

struct BaudRow
{
    DWORD dwBaud;
    speed_t speed;
};

constexpr BaudRow s_BaudRates[] = {
    {110, B110},       {150, B150},     {300, B300},       {600, B600},       {1200, B1200},
    {1800, B1800},     {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},
    {38400, B38400},   {57600, B57600}, {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B921600
    {921600, B921600},
#endif
};

tcflag_t CharacterSize(BYTE byBits)
{
    switch (byBits)
    {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

} // namespace

namespace posix
{

bool BaudToSpeed(DWORD dwBaud, speed_t& speed)
{
    for (const auto& row : s_BaudRates)
    {
        if (row.dwBaud == dwBaud)
        {
            speed = row.speed;
            return true;
        }
    }
    return false;
}

DWORD SpeedToBaud(speed_t speed)
{
    for (const auto& row : s_BaudRates)
    {
        if (row.speed == speed)
        {
            return row.dwBaud;
        }
    }
    return 0;
}

void MakeRaw(termios& tio)
{
    tio.c_iflag &= ~static_cast<tcflag_t>(BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                          IXOFF | IXANY
#ifdef IUCLC
                                          | IUCLC
#endif
#ifdef IMAXBEL
                                          | IMAXBEL
#endif
    );
    // A break is a line condition, not data: it must not put a zero byte into the stream.
    tio.c_iflag |= IGNBRK;
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    // CLOCAL: a receiver without carrier detect must not hang the line up.
    tio.c_cflag |= CLOCAL | CREAD;
    // One byte satisfies a read; with the descriptor non-blocking an empty queue then reads as
    // "try again" and a read of 0 bytes can only mean the device has gone.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
}

DWORD DcbToTermios(const DCB& dcb, termios& tio)
{
    speed_t speed = B0;
    if (!BaudToSpeed(dcb.BaudRate, speed))
    {
        return ERROR_INVALID_PARAMETER;
    }
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8)
    {
        return ERROR_INVALID_PARAMETER;
    }
    if (dcb.Parity > SPACEPARITY || dcb.StopBits > TWOSTOPBITS)
    {
        return ERROR_INVALID_PARAMETER;
    }
    if (dcb.StopBits == ONE5STOPBITS)
    {
        return ERROR_NOT_SUPPORTED;
    }
#ifndef CMSPAR
    if (dcb.Parity == MARKPARITY || dcb.Parity == SPACEPARITY)
    {
        return ERROR_NOT_SUPPORTED;
    }
#endif
    // The terminal layer has no DSR/DTR flow control and none of the error-handling options.
    if (dcb.fOutxDsrFlow || dcb.fDtrControl == DTR_CONTROL_HANDSHAKE ||
        dcb.fRtsControl == RTS_CONTROL_TOGGLE || dcb.fDsrSensitivity || dcb.fNull ||
        dcb.fErrorChar || dcb.fAbortOnError)
    {
        return ERROR_NOT_SUPPORTED;
    }
    if ((dcb.fOutX || dcb.fInX) && dcb.XonChar == dcb.XoffChar)
    {
        return ERROR_INVALID_PARAMETER;
    }

    termios out = tio;
    MakeRaw(out);
    if (cfsetispeed(&out, speed) != 0 || cfsetospeed(&out, speed) != 0)
    {
        return ERROR_INVALID_PARAMETER;
    }

    tcflag_t cflag = out.c_cflag & ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
#ifdef CMSPAR
    cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
#ifdef CRTSCTS
    cflag &= ~static_cast<tcflag_t>(CRTSCTS);
#endif
    cflag |= CharacterSize(dcb.ByteSize);
    switch (dcb.Parity)
    {
    case ODDPARITY:
        cflag |= PARENB | PARODD;
        break;
    case EVENPARITY:
        cflag |= PARENB;
        break;
#ifdef CMSPAR
    case MARKPARITY:
        cflag |= PARENB | PARODD | CMSPAR;
        break;
    case SPACEPARITY:
        cflag |= PARENB | CMSPAR;
        break;
#endif
    default:
        break;
    }
    if (dcb.StopBits == TWOSTOPBITS)
    {
        cflag |= CSTOPB;
    }
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
    {
#ifdef CRTSCTS
        cflag |= CRTSCTS;
#else
        return ERROR_NOT_SUPPORTED;
#endif
    }
    out.c_cflag = cflag;

    tcflag_t iflag = out.c_iflag & ~static_cast<tcflag_t>(INPCK | IGNPAR | IXON | IXOFF);
    if (dcb.fParity)
    {
        iflag |= INPCK;
    }
    if (dcb.fOutX)
    {
        iflag |= IXON;
    }
    if (dcb.fInX)
    {
        iflag |= IXOFF;
    }
    out.c_iflag = iflag;
    out.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    out.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);

    tio = out;
    return ERROR_SUCCESS;
}

void TermiosToDcb(const termios& tio, DCB& dcb)
{
    dcb.BaudRate = SpeedToBaud(cfgetospeed(&tio));
    switch (tio.c_cflag & CSIZE)
    {
    case CS5:
        dcb.ByteSize = 5;
        break;
    case CS6:
        dcb.ByteSize = 6;
        break;
    case CS7:
        dcb.ByteSize = 7;
        break;
    default:
        dcb.ByteSize = 8;
        break;
    }
    const bool bOdd = (tio.c_cflag & PARODD) != 0;
#ifdef CMSPAR
    const bool bStick = (tio.c_cflag & CMSPAR) != 0;
#else
    const bool bStick = false;
#endif
    if ((tio.c_cflag & PARENB) == 0)
    {
        dcb.Parity = NOPARITY;
    }
    else if (bStick)
    {
        dcb.Parity = bOdd ? MARKPARITY : SPACEPARITY;
    }
    else
    {
        dcb.Parity = bOdd ? ODDPARITY : EVENPARITY;
    }
    dcb.StopBits = (tio.c_cflag & CSTOPB) != 0 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fBinary = 1;
    dcb.fParity = (tio.c_iflag & INPCK) != 0 ? 1 : 0;
#ifdef CRTSCTS
    const bool bCtsRts = (tio.c_cflag & CRTSCTS) != 0;
#else
    const bool bCtsRts = false;
#endif
    dcb.fOutxCtsFlow = bCtsRts ? 1 : 0;
    if (bCtsRts)
    {
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    }
    dcb.fOutX = (tio.c_iflag & IXON) != 0 ? 1 : 0;
    dcb.fInX = (tio.c_iflag & IXOFF) != 0 ? 1 : 0;
    dcb.XonChar = static_cast<char>(tio.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(tio.c_cc[VSTOP]);
}

} // namespace posix
