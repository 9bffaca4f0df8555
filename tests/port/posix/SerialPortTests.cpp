// CSerialPort on pseudo-terminals: line settings as the device sees them, writes (whole or
// refused), opening, closing and opening again, and a closed port.
#include "support/PseudoTerminal.h"
#include "port/SerialPort.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace
{

using std::chrono::milliseconds;

// Lets the tests see the device name and the control block that the port last applied.
class CTestPort : public CSerialPort
{
public:
    const CString& Device() const { return m_strDevice; }
    const DCB& Dcb() const { return m_Dcb; }
    DWORD Timeout() const { return m_dwTimeout; }
};

} // namespace

TEST(SerialPort, SettingsReachTheDeviceAndRefusalsLeaveItUnchanged)
{
    CPseudoTerminal pty(2);
    CTestPort port;
    port.SetPort(2);
    EXPECT_TRUE(port.SetBaudRate(38400)) << "kept while closed";
    EXPECT_FALSE(port.SetBaudRate(0)) << "not taken: the rate stays 38400";
    ASSERT_TRUE(port.Open());
    termios tio = pty.SlaveTermios();
    EXPECT_EQ(B38400, cfgetispeed(&tio));
    EXPECT_EQ(static_cast<tcflag_t>(CS8 | CLOCAL),
              tio.c_cflag & (CSIZE | PARENB | CSTOPB | CLOCAL));
    // A pseudo-terminal keeps 8 data bits and no parity generation whatever it is told (and
    // refuses a change of those alone), so the framing is checked in the control block; parity
    // checking, odd, stick, stop bits and handshakes on the device.
    struct Row
    {
        char setter; // Rate, Parity, Data bits, Stop bits, Handshake
        int nValue;
        bool bTaken;
        BYTE byBits;           // data bits after
        tcflag_t cflag, iflag; // PARODD CMSPAR CSTOPB CRTSCTS, INPCK IXON IXOFF on the device
    };
    const Row rows[] = {
        {'R', 115200, true, 8, 0, 0},
        {'R', -4800, false, 8, 0, 0},
        {'D', 8, true, 8, 0, 0},
        {'P', 2, true, 8, 0, INPCK}, // even with 8 data bits
        {'P', 0, true, 8, 0, 0},
        {'D', 0, true, 8, 0, 0},
        {'P', 2, true, 7, 0, INPCK},
        {'P', 1, true, 7, PARODD, INPCK},
        {'P', 3, true, 7, PARODD | CMSPAR, INPCK},
        {'P', 4, true, 7, CMSPAR, INPCK},
        {'P', 9, false, 7, CMSPAR, INPCK},
        {'P', 256, false, 7, CMSPAR, INPCK}, // does not wrap
        {'P', 0, true, 8, 0, 0},
        {'D', 7, false, 8, 0, 0}, // the pseudo-terminal refuses data bits alone
        {'D', 0, true, 8, 0, 0},
        {'S', 2, true, 8, CSTOPB, 0},
        {'S', 1, false, 8, CSTOPB, 0},
        {'S', 7, false, 8, CSTOPB, 0},
        {'S', 0, true, 8, 0, 0},
        {'H', 0x02, true, 8, CRTSCTS, 0},
        {'H', 0x04, true, 8, 0, IXON | IXOFF},
        {'H', 0x01, false, 8, 0, IXON | IXOFF},
        {'D', 9, false, 8, 0, IXON | IXOFF},
        {'R', 12345, false, 8, 0, IXON | IXOFF},
        {'H', 0x00, true, 8, 0, 0}, // a refused setting is not carried into the next one
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(testing::Message() << row.setter << row.nValue);
        const auto by = static_cast<BYTE>(row.nValue);
        EXPECT_EQ(row.bTaken, row.setter == 'R'   ? port.SetBaudRate(row.nValue)
                              : row.setter == 'P' ? port.SetParity(row.nValue)
                              : row.setter == 'D' ? port.SetDataBits(by)
                              : row.setter == 'S' ? port.SetStopBits(by)
                                                  : port.SetHandshake(by));
        EXPECT_EQ(row.byBits, port.GetDataBits());
        // After a refusal too: the block kept is the one the port took last.
        EXPECT_EQ(port.Dcb().ByteSize, row.byBits);
        EXPECT_EQ(port.Dcb().fParity, (row.iflag & INPCK) != 0 ? 1U : 0U);
        tio = pty.SlaveTermios();
        EXPECT_EQ(B115200, cfgetospeed(&tio));
        EXPECT_EQ(row.cflag, tio.c_cflag & (PARODD | CMSPAR | CSTOPB | CRTSCTS));
        EXPECT_EQ(row.iflag, tio.c_iflag & (INPCK | IXON | IXOFF));
    }
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(port.Close());
}

TEST(SerialPort, WritesDeliverExactlyTheirBytesOrFail)
{
    CPseudoTerminal pty(2);
    CSerialPort port;
    port.SetPort(2);
    ASSERT_TRUE(port.Open());
    std::string binary(256, '\0'); // every byte value: no output translation
    std::iota(binary.begin(), binary.end(), '\0');
    const std::string s512(512, 'A'), s513(513, 'A');
    EXPECT_TRUE(port.Write(CString(L"X\r\n")) && port.WriteByte('\x13') &&
                port.Write(binary.data(), 256) && port.Write(nullptr, 0) &&
                port.Write(std::vector<char>(binary.begin(), binary.end())));
    EXPECT_FALSE(port.Write(nullptr, 4));
    // Commands stop at 512 bytes; a refused one writes nothing.
    EXPECT_TRUE(port.Write(CString(s512.c_str())));
    EXPECT_TRUE(port.Write(std::vector<char>(s512.begin(), s512.end())));
    EXPECT_FALSE(port.Write(CString(s513.c_str())));
    EXPECT_FALSE(port.Write(std::vector<char>(s513.begin(), s513.end())));
    EXPECT_EQ("X\r\n\x13" + binary + binary + s512 + s512, pty.Receive(1540, milliseconds(20)));

    // Nobody reads the device: its queue fills and the write ends on its time-out with only a
    // part taken, which is a failed write.
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(port.GetHandle(), &timeouts));
    timeouts.WriteTotalTimeoutConstant = 50;
    ASSERT_TRUE(SetCommTimeouts(port.GetHandle(), &timeouts));
    const std::string large(1 << 20, 'B');
    EXPECT_FALSE(port.Write(large.data(), static_cast<DWORD>(large.size())));
    pty.Flush();
    EXPECT_TRUE(port.Write(CString(L"after")));
    EXPECT_EQ("after", pty.Receive(5, milliseconds(20)));
    EXPECT_TRUE(port.Close());
}

TEST(SerialPort, DeviceNamesOpenCloseAndOpenAgain)
{
    const struct
    {
        int nPort;
        const wchar_t* pszDevice; // nullptr: the port stays closed
    } rows[] = {{2, L"COM2:"},           {9, L"COM9:"}, {10, L"\\\\.\\COM10"},
                {255, L"\\\\.\\COM255"}, {0, nullptr},  {6, nullptr}};
    CTestPort port;
    EXPECT_FALSE(port.Close()) << "closed port";
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.nPort);
        CPtyPair pty;
        CComPortMapping mapping(row.nPort,
                                row.pszDevice != nullptr ? pty.SlavePath() : "/dev/fixora-missing");
        port.SetPort(row.nPort);
        EXPECT_EQ(row.pszDevice != nullptr, port.Open());
        EXPECT_TRUE(row.pszDevice == nullptr || port.Device() == row.pszDevice);
        const HANDLE hOpen = port.GetHandle();
        port.SetPort(3);
        EXPECT_EQ(row.pszDevice != nullptr, port.Open()) << "already open: true, not reopened";
        EXPECT_EQ(hOpen, port.GetHandle());
        EXPECT_EQ(row.pszDevice != nullptr, port.WriteByte('k'));
        EXPECT_EQ(row.pszDevice != nullptr ? "k" : "", pty.Receive(row.pszDevice != nullptr, {}));
        EXPECT_EQ(row.pszDevice != nullptr, port.Close());
        EXPECT_FALSE(port.IsOpen() || port.Close());
        EXPECT_EQ(INVALID_HANDLE_VALUE, port.GetHandle());
        EXPECT_TRUE(port.Device().IsEmpty());
    }
}

TEST(SerialPort, ClosedPortRefusesEverythingButSettings)
{
    CTestPort port;
    bool bCancel = false;
    CString strText(L"old");
    char buffer[8];
    DWORD nRead = 99;
    EXPECT_EQ(0, port.BytesWaiting());
    EXPECT_FALSE(port.PurgeInput() || port.SetBreak() || port.ClearBreak() || port.WriteByte('X') ||
                 port.Write("X", 1) || port.Write(CString(L"X")) || port.WaitForByte('X', 5) ||
                 port.ReadByte(buffer) || port.IsDeviceGone() || port.ReadUntil('\n', 5) != 0);
    EXPECT_FALSE(port.ReadText(strText, bCancel));
    EXPECT_TRUE(strText.IsEmpty());
    strText = L"old";
    EXPECT_FALSE(port.ReadResponse(strText, bCancel, L"\n", L"OK", L""));
    EXPECT_TRUE(strText.IsEmpty());
    EXPECT_FALSE(port.Read(buffer, 4, &nRead, bCancel));
    EXPECT_EQ(0u, nRead);
    EXPECT_TRUE(port.SetParity(2)) << "settings are kept for the next open";
    EXPECT_EQ(7, port.GetDataBits());
    port.SetTimeout(3);
    EXPECT_EQ(10u, port.Timeout()) << "never below 10 ms";
}
