// The translation of line settings into termios: what a device is told when the port is set up,
// including what a pseudo-terminal cannot show (data bits, parity generation, carrier) and the
// settings CSerialPort never asks for.
#include "platform/posix/CommTermios.h"

#include <gtest/gtest.h>

namespace
{

// The settings a receiver port opens with: 8N1, no handshake, XON/XOFF characters set.
DCB PlainDcb(DWORD dwBaud = 4800)
{
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = dwBaud;
    dcb.fBinary = 1;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.XonLim = 128;
    dcb.XoffLim = 10;
    return dcb;
}

// A termios record as a terminal starts out: cooked, echoing, translating line ends.
termios CookedTermios()
{
    termios tio{};
    tio.c_iflag = ICRNL | IXON | BRKINT;
    tio.c_oflag = OPOST | ONLCR;
    tio.c_lflag = ECHO | ECHOE | ICANON | ISIG | IEXTEN;
    tio.c_cflag = CS8 | CREAD | HUPCL;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 5;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    return tio;
}

} // namespace

TEST(CommTermiosBaud, StandardRatesMapBothWaysAndOthersAreRefused)
{
    for (const DWORD dwBaud : {110u, 300u, 1200u, 2400u, 4800u, 9600u, 19200u, 38400u, 57600u,
                               115200u, 230400u, 460800u, 921600u})
    {
        SCOPED_TRACE(dwBaud);
        termios tio = CookedTermios();
        ASSERT_EQ(ERROR_SUCCESS, posix::DcbToTermios(PlainDcb(dwBaud), tio));
        EXPECT_EQ(dwBaud, posix::SpeedToBaud(cfgetospeed(&tio)));
        EXPECT_EQ(dwBaud, posix::SpeedToBaud(cfgetispeed(&tio)));
        DCB back{};
        posix::TermiosToDcb(tio, back);
        EXPECT_EQ(dwBaud, back.BaudRate);
    }
    for (const DWORD dwBaud : {0u, 14400u, 56000u, 4801u, 1000000u, MAXDWORD})
    {
        SCOPED_TRACE(dwBaud);
        termios tio = CookedTermios();
        const termios before = tio;
        EXPECT_EQ(ERROR_INVALID_PARAMETER, posix::DcbToTermios(PlainDcb(dwBaud), tio));
        EXPECT_EQ(before.c_cflag, tio.c_cflag) << "a refused setting changes nothing";
        EXPECT_EQ(before.c_lflag, tio.c_lflag);
    }
}

TEST(CommTermiosFraming, DataBitsParityAndStopBits)
{
    constexpr tcflag_t kFramingBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    struct Row
    {
        const char* legend;
        BYTE byByteSize;
        BYTE byParity;
        BYTE byStopBits;
        DWORD dwError;
        tcflag_t cflag; // framing bits expected when taken
    };
    const Row rows[] = {
        {"8N1", 8, NOPARITY, ONESTOPBIT, ERROR_SUCCESS, CS8},
        {"7E1", 7, EVENPARITY, ONESTOPBIT, ERROR_SUCCESS, CS7 | PARENB},
        {"7O1", 7, ODDPARITY, ONESTOPBIT, ERROR_SUCCESS, CS7 | PARENB | PARODD},
        {"8N2", 8, NOPARITY, TWOSTOPBITS, ERROR_SUCCESS, CS8 | CSTOPB},
        {"6N1", 6, NOPARITY, ONESTOPBIT, ERROR_SUCCESS, CS6},
        {"5E2", 5, EVENPARITY, TWOSTOPBITS, ERROR_SUCCESS, CS5 | PARENB | CSTOPB},
        {"7 mark", 7, MARKPARITY, ONESTOPBIT, ERROR_SUCCESS, CS7 | PARENB | PARODD | CMSPAR},
        {"7 space", 7, SPACEPARITY, ONESTOPBIT, ERROR_SUCCESS, CS7 | PARENB | CMSPAR},
        {"one and a half stop bits", 8, NOPARITY, ONE5STOPBITS, ERROR_NOT_SUPPORTED, 0},
        {"stop-bit code 3", 8, NOPARITY, 3, ERROR_INVALID_PARAMETER, 0},
        {"parity code 5", 8, 5, ONESTOPBIT, ERROR_INVALID_PARAMETER, 0},
        {"4 data bits", 4, NOPARITY, ONESTOPBIT, ERROR_INVALID_PARAMETER, 0},
        {"9 data bits", 9, NOPARITY, ONESTOPBIT, ERROR_INVALID_PARAMETER, 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        DCB dcb = PlainDcb();
        dcb.ByteSize = row.byByteSize;
        dcb.Parity = row.byParity;
        dcb.StopBits = row.byStopBits;
        termios tio = CookedTermios();
        tio.c_cflag |= PARODD | CSTOPB; // left-overs that a setting must clear
        ASSERT_EQ(row.dwError, posix::DcbToTermios(dcb, tio));
        if (row.dwError != ERROR_SUCCESS)
        {
            continue;
        }
        EXPECT_EQ(row.cflag, tio.c_cflag & kFramingBits);
        DCB back{};
        posix::TermiosToDcb(tio, back);
        EXPECT_EQ(row.byByteSize, back.ByteSize);
        EXPECT_EQ(row.byParity, back.Parity);
        EXPECT_EQ(row.byStopBits, back.StopBits);
    }
}

TEST(CommTermiosHandshake, FlowControlSettings)
{
    struct Row
    {
        const char* legend;
        void (*configure)(DCB&);
        DWORD dwError;
        bool bCrtscts = false, bIxon = false, bIxoff = false;
    };
    const Row rows[] = {
        {"CTS/RTS", [](DCB& d) { d.fOutxCtsFlow = 1, d.fRtsControl = RTS_CONTROL_HANDSHAKE; },
         ERROR_SUCCESS, true, false, false},
        {"RTS handshake alone", [](DCB& d) { d.fRtsControl = RTS_CONTROL_HANDSHAKE; },
         ERROR_SUCCESS, true, false, false},
        {"XON/XOFF both ways", [](DCB& d) { d.fOutX = d.fInX = 1; }, ERROR_SUCCESS, false, true,
         true},
        {"XON/XOFF output only", [](DCB& d) { d.fOutX = 1; }, ERROR_SUCCESS, false, true, false},
        {"XON/XOFF with equal characters", [](DCB& d) { d.fOutX = 1, d.XoffChar = d.XonChar; },
         ERROR_INVALID_PARAMETER},
        {"DSR/DTR", [](DCB& d) { d.fOutxDsrFlow = 1, d.fDtrControl = DTR_CONTROL_HANDSHAKE; },
         ERROR_NOT_SUPPORTED},
        {"RTS toggle", [](DCB& d) { d.fRtsControl = RTS_CONTROL_TOGGLE; }, ERROR_NOT_SUPPORTED},
        {"DSR sensitivity", [](DCB& d) { d.fDsrSensitivity = 1; }, ERROR_NOT_SUPPORTED},
        {"null stripping", [](DCB& d) { d.fNull = 1; }, ERROR_NOT_SUPPORTED},
        {"abort on error", [](DCB& d) { d.fAbortOnError = 1; }, ERROR_NOT_SUPPORTED},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        DCB dcb = PlainDcb();
        row.configure(dcb);
        termios tio = CookedTermios();
        tio.c_cflag |= CRTSCTS; // a left-over that a setting without it must clear
        ASSERT_EQ(row.dwError, posix::DcbToTermios(dcb, tio));
        if (row.dwError != ERROR_SUCCESS)
        {
            continue;
        }
        EXPECT_EQ(row.bCrtscts, (tio.c_cflag & CRTSCTS) != 0);
        EXPECT_EQ(row.bIxon, (tio.c_iflag & IXON) != 0);
        EXPECT_EQ(row.bIxoff, (tio.c_iflag & IXOFF) != 0);
        EXPECT_EQ(0x11, tio.c_cc[VSTART]);
        EXPECT_EQ(0x13, tio.c_cc[VSTOP]);
        EXPECT_EQ(0u, tio.c_iflag & IXANY) << "any character must not restart output";
    }
}

TEST(CommTermiosRawMode, BytesPassUnchangedWithoutCarrier)
{
    termios tio = CookedTermios();
    ASSERT_EQ(ERROR_SUCCESS, posix::DcbToTermios(PlainDcb(), tio));
    EXPECT_EQ(0u, tio.c_lflag & (ICANON | ECHO | ECHOE | ISIG | IEXTEN)) << "no line discipline";
    EXPECT_EQ(0u, tio.c_oflag & OPOST);
    EXPECT_EQ(0u, tio.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | BRKINT));
    EXPECT_EQ(static_cast<tcflag_t>(CLOCAL | CREAD), tio.c_cflag & (CLOCAL | CREAD))
        << "no hang-up without carrier detect";
    EXPECT_EQ(1, tio.c_cc[VMIN]);
    EXPECT_EQ(0, tio.c_cc[VTIME]);
}
