// The translation of line settings into termios: what a device is told that a pseudo-terminal
// cannot show (data bits, parity generation, carrier) and the settings CSerialPort never asks
// for. (What a device can show, the RTS handshake and XON/XOFF both ways among it, is checked on
// pseudo-terminals in SerialPortTests.cpp.)
#include "platform/posix/CommTermios.h"

#include <gtest/gtest.h>

TEST(CommTermios, FramingRatesAndRefusals)
{
    constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
    struct Row
    {
        const char* legend;
        void (*configure)(DCB&);
        DWORD dwError;
        tcflag_t cflag = 0, iflag = 0; // framing and flow-control bits when taken
    };
    const Row rows[] = {
        {"8N1 at 4800", [](DCB&) {}, ERROR_SUCCESS, CS8},
        {"7E1 at 110", [](DCB& d) { d.BaudRate = 110, d.ByteSize = 7, d.Parity = EVENPARITY; },
         ERROR_SUCCESS, CS7 | PARENB},
        {"7O2", [](DCB& d) { d.ByteSize = 7, d.Parity = ODDPARITY, d.StopBits = TWOSTOPBITS; },
         ERROR_SUCCESS, CS7 | PARENB | PARODD | CSTOPB},
        {"5 mark at 921600", [](DCB& d) { d.BaudRate = 921600, d.ByteSize = 5, d.Parity = 3; },
         ERROR_SUCCESS, CS5 | PARENB | PARODD | CMSPAR},
        {"6 space", [](DCB& d) { d.ByteSize = 6, d.Parity = SPACEPARITY; }, ERROR_SUCCESS,
         CS6 | PARENB | CMSPAR},
        {"XON/XOFF output only", [](DCB& d) { d.fOutX = 1; }, ERROR_SUCCESS, CS8, IXON},
        {"rate 14400", [](DCB& d) { d.BaudRate = 14400; }, ERROR_INVALID_PARAMETER},
        {"rate 4801", [](DCB& d) { d.BaudRate = 4801; }, ERROR_INVALID_PARAMETER},
        {"rate 0", [](DCB& d) { d.BaudRate = 0; }, ERROR_INVALID_PARAMETER},
        {"4 data bits", [](DCB& d) { d.ByteSize = 4; }, ERROR_INVALID_PARAMETER},
        {"parity code 5", [](DCB& d) { d.Parity = 5; }, ERROR_INVALID_PARAMETER},
        {"stop-bit code 3", [](DCB& d) { d.StopBits = 3; }, ERROR_INVALID_PARAMETER},
        {"one and a half stop bits", [](DCB& d) { d.StopBits = ONE5STOPBITS; },
         ERROR_NOT_SUPPORTED},
        {"XON equal to XOFF", [](DCB& d) { d.fOutX = 1, d.XoffChar = d.XonChar; },
         ERROR_INVALID_PARAMETER},
        {"RTS toggle", [](DCB& d) { d.fRtsControl = RTS_CONTROL_TOGGLE; }, ERROR_NOT_SUPPORTED},
        {"DSR sensitivity", [](DCB& d) { d.fDsrSensitivity = 1; }, ERROR_NOT_SUPPORTED},
        {"null stripping", [](DCB& d) { d.fNull = 1; }, ERROR_NOT_SUPPORTED},
        {"abort on error", [](DCB& d) { d.fAbortOnError = 1; }, ERROR_NOT_SUPPORTED},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        DCB dcb{};
        dcb.DCBlength = sizeof(DCB);
        dcb.BaudRate = 4800;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.ByteSize = 8;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
        row.configure(dcb);
        // A terminal as it starts out: cooked, echoing, with left-overs a setting must clear.
        termios tio{};
        tio.c_iflag = ICRNL | IXON | BRKINT;
        tio.c_oflag = OPOST | ONLCR;
        tio.c_cflag = CS7 | CREAD | HUPCL | PARODD | CSTOPB | CRTSCTS;
        tio.c_lflag = ECHO | ICANON | ISIG | IEXTEN;
        const termios before = tio;
        ASSERT_EQ(row.dwError, posix::DcbToTermios(dcb, tio));
        if (row.dwError != ERROR_SUCCESS)
        {
            EXPECT_EQ(before.c_cflag, tio.c_cflag) << "a refused setting changes nothing";
            continue;
        }
        EXPECT_EQ(row.cflag, tio.c_cflag & kFraming);
        EXPECT_EQ(static_cast<tcflag_t>(CLOCAL | CREAD), tio.c_cflag & (CLOCAL | CREAD))
            << "no hang-up without carrier detect";
        EXPECT_EQ(0u, tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
        EXPECT_EQ(0u, tio.c_oflag & OPOST);
        EXPECT_EQ(row.iflag, tio.c_iflag & (ICRNL | BRKINT | IXON | IXOFF | IXANY));
        EXPECT_TRUE(tio.c_cc[VMIN] == 1 && tio.c_cc[VTIME] == 0);
        EXPECT_TRUE(tio.c_cc[VSTART] == 0x11 && tio.c_cc[VSTOP] == 0x13);
        DCB back{};
        posix::TermiosToDcb(tio, back);
        EXPECT_EQ(dcb.BaudRate, back.BaudRate);
        EXPECT_EQ(dcb.BaudRate, posix::SpeedToBaud(cfgetispeed(&tio)));
        EXPECT_EQ(dcb.ByteSize, back.ByteSize);
        EXPECT_EQ(dcb.Parity, back.Parity);
        EXPECT_EQ(dcb.StopBits, back.StopBits);
    }
}
