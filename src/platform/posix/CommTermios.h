// The translation between a device-control block and a termios record: which line settings the
// terminal layer can hold, and the raw mode that a serial device is always used in.
#pragma once

#include "OsComm.h"

#include <termios.h>

namespace posix
{

// The termios speed for one of the standard rates 110 to 921600; false for any other rate.
bool BaudToSpeed(DWORD dwBaud, speed_t& speed);
// The rate of a termios speed, or 0 when the speed is not one of the standard rates.
DWORD SpeedToBaud(speed_t speed);

// Raw mode: bytes pass unchanged both ways (no echo, no line editing, no signal characters, no
// carriage-return or new-line translation, no XON/XOFF, breaks ignored, modem status lines
// ignored), and a read takes whatever is waiting. Baud rate, character size, parity and the
// CTS/RTS handshake are kept.
void MakeRaw(termios& tio);

// Puts the line settings of a DCB into tio, in raw mode. Returns ERROR_SUCCESS, or the error for
// a setting that this layer cannot give (tio is then left as it was):
//  - ERROR_INVALID_PARAMETER: a rate that is not a standard one, data bits outside 5..8, an
//    unknown parity or stop-bit code, equal XON and XOFF characters with XON/XOFF flow on;
//  - ERROR_NOT_SUPPORTED: one and a half stop bits, mark or space parity where the system has no
//    stick parity, the DSR/DTR handshake, RTS toggling, DSR sensitivity, null stripping, error
//    character replacement and abort-on-error.
// The DTR and RTS lines themselves are modem-control lines, set apart from termios.
DWORD DcbToTermios(const DCB& dcb, termios& tio);

// Fills the fields of a DCB that termios holds: BaudRate (0 for a non-standard speed), ByteSize,
// Parity, StopBits, fParity, fOutxCtsFlow (and fRtsControl = RTS_CONTROL_HANDSHAKE with it),
// fOutX, fInX, XonChar, XoffChar, fBinary. Every other field is left as it was.
void TermiosToDcb(const termios& tio, DCB& dcb);

} // namespace posix
