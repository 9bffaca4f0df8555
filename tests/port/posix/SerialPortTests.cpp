// CSerialPort on pseudo-terminals: line settings as the device sees them, writes (whole or
// refused), opening, closing and opening again, and a closed port.
#include "support/PseudoTerminal.h"
#include "port/SerialPort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

// Lets the tests see the device name and the control block that the port last applied.
class CTestPort : public CSerialPort
{
public:
    const CString& Device() const { return m_strDevice; }
    const DCB& Dcb() const { return m_Dcb; }
    DWORD Timeout() const { return m_dwTimeout; }
};

class SerialPortTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_pty.IsValid());
        m_port.SetPort(m_pty.Port());
    }
    void TearDown() override { m_port.Close(); }

    CPseudoTerminal m_pty{2};
    CTestPort m_port;
};

} // namespace

TEST_F(SerialPortTest, SettingsReachTheDeviceAndRefusalsLeaveItUnchanged)
{
    EXPECT_TRUE(m_port.SetBaudRate(38400)) << "kept while closed";
    EXPECT_FALSE(m_port.SetBaudRate(0)) << "not taken: the rate stays 38400";
    ASSERT_TRUE(m_port.Open());
    termios tio = m_pty.SlaveTermios();
    EXPECT_EQ(B38400, cfgetispeed(&tio));
    EXPECT_EQ(static_cast<tcflag_t>(CS8), tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS));
    EXPECT_EQ(0u, tio.c_iflag & (INPCK | IXON | IXOFF));

    // A pseudo-terminal keeps 8 data bits and no parity generation whatever it is told, so the
    // framing is checked in the control block; parity checking, odd and stick on the device.
    struct Row
    {
        const char* legend;
        bool (*apply)(CSerialPort&);
        bool bTaken;
        BYTE byBits;    // data bits after
        speed_t speed;  // the device's speed after
        tcflag_t cflag; // PARODD | CMSPAR | CSTOPB | CRTSCTS on the device after
        tcflag_t iflag; // INPCK | IXON | IXOFF on the device after
    };
    const Row rows[] = {
        {"115200", [](CSerialPort& p) { return p.SetBaudRate(115200); }, true, 8, B115200, 0, 0},
        {"negative rate", [](CSerialPort& p) { return p.SetBaudRate(-4800); }, false, 8, B115200, 0,
         0},
        {"even: 7 bits", [](CSerialPort& p) { return p.SetParity(2); }, true, 7, B115200, 0, INPCK},
        {"none: 8 bits", [](CSerialPort& p) { return p.SetParity(0); }, true, 8, B115200, 0, 0},
        {"odd", [](CSerialPort& p) { return p.SetParity(1); }, true, 7, B115200, PARODD, INPCK},
        {"mark", [](CSerialPort& p) { return p.SetParity(3); }, true, 7, B115200, PARODD | CMSPAR,
         INPCK},
        {"space", [](CSerialPort& p) { return p.SetParity(4); }, true, 7, B115200, CMSPAR, INPCK},
        {"even with 8 bits", [](CSerialPort& p) { return p.SetDataBits(8), p.SetParity(2); }, true,
         8, B115200, 0, INPCK},
        {"none with 7 bits", [](CSerialPort& p) { return p.SetDataBits(7), p.SetParity(0); }, true,
         7, B115200, 0, 0},
        {"parity code 9", [](CSerialPort& p) { return p.SetParity(9); }, false, 7, B115200, 0, 0},
        {"parity 256 does not wrap to none", [](CSerialPort& p) { return p.SetParity(256); }, false,
         7, B115200, 0, 0},
        {"9 data bits", [](CSerialPort& p) { return p.SetParity(0), p.SetDataBits(9); }, false, 9,
         B115200, 0, 0},
        {"two stop bits", [](CSerialPort& p) { return p.SetDataBits(0), p.SetStopBits(2); }, true,
         8, B115200, CSTOPB, 0},
        {"one and a half", [](CSerialPort& p) { return p.SetStopBits(1); }, false, 8, B115200,
         CSTOPB, 0},
        {"stop-bit code 7", [](CSerialPort& p) { return p.SetStopBits(7); }, false, 8, B115200,
         CSTOPB, 0},
        {"CTS/RTS", [](CSerialPort& p) { return p.SetStopBits(0), p.SetHandshake(0x02); }, true, 8,
         B115200, CRTSCTS, 0},
        {"XON/XOFF", [](CSerialPort& p) { return p.SetHandshake(0x04); }, true, 8, B115200, 0,
         IXON | IXOFF},
        {"DSR/DTR", [](CSerialPort& p) { return p.SetHandshake(0x01); }, false, 8, B115200, 0,
         IXON | IXOFF},
        // Last: the port keeps a rate it could not apply, so every later setting would fail.
        {"non-standard rate", [](CSerialPort& p) { return p.SetBaudRate(12345); }, false, 8,
         B115200, 0, IXON | IXOFF},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        bool bResult = !row.bTaken;
        EXPECT_NO_THROW(bResult = row.apply(m_port));
        EXPECT_EQ(row.bTaken, bResult);
        EXPECT_EQ(row.byBits, m_port.GetDataBits());
        tio = m_pty.SlaveTermios();
        EXPECT_EQ(row.speed, cfgetospeed(&tio));
        EXPECT_EQ(row.cflag, tio.c_cflag & (PARODD | CMSPAR | CSTOPB | CRTSCTS));
        EXPECT_EQ(row.iflag, tio.c_iflag & (INPCK | IXON | IXOFF));
        if (row.bTaken)
        {
            EXPECT_EQ(row.byBits, m_port.Dcb().ByteSize);
            EXPECT_EQ(row.iflag == INPCK ? 1u : 0u, m_port.Dcb().fParity);
        }
        EXPECT_TRUE(m_port.IsOpen());
    }
}

TEST_F(SerialPortTest, WritesDeliverExactlyTheirBytesOrReportFailure)
{
    ASSERT_TRUE(m_port.Open());
    const std::string binary("\xA0\0\xA2\x11\0", 5);
    EXPECT_TRUE(m_port.Write(CString(L"X\r\n")) && m_port.WriteByte('\x13') &&
                m_port.Write(binary.data(), 5) &&
                m_port.Write(std::vector<char>(binary.begin(), binary.end())));
    EXPECT_EQ("X\r\n\x13" + binary + binary, m_pty.Receive(14, std::chrono::milliseconds(20)));
    EXPECT_TRUE(m_port.Write(nullptr, 0));
    EXPECT_FALSE(m_port.Write(nullptr, 4));

    // Commands stop at 512 bytes; a refused one writes nothing.
    const std::string s512(512, 'A'), s513(513, 'A');
    EXPECT_TRUE(m_port.Write(CString(s512.c_str())));
    EXPECT_TRUE(m_port.Write(std::vector<char>(s512.begin(), s512.end())));
    EXPECT_FALSE(m_port.Write(CString(s513.c_str())));
    EXPECT_FALSE(m_port.Write(std::vector<char>(s513.begin(), s513.end())));
    EXPECT_EQ(s512 + s512, m_pty.Receive(1024, std::chrono::milliseconds(20)));

    // Nobody reads the device: the queue fills and the write ends on its time-out with only a
    // part taken, which is a failed write.
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(m_port.GetHandle(), &timeouts));
    timeouts.WriteTotalTimeoutConstant = 50;
    ASSERT_TRUE(SetCommTimeouts(m_port.GetHandle(), &timeouts));
    const std::string large(1 << 20, 'B');
    EXPECT_FALSE(m_port.Write(large.data(), static_cast<DWORD>(large.size())));
    EXPECT_TRUE(m_port.IsOpen());
    m_pty.Flush();
    EXPECT_TRUE(m_port.Write(CString(L"after")));
    EXPECT_EQ("after", m_pty.Receive(5, std::chrono::milliseconds(20)));
}

TEST_F(SerialPortTest, OpenCloseAndOpenAgain)
{
    EXPECT_FALSE(m_port.Close()) << "closed port";
    for (int nRound = 0; nRound < 2; ++nRound)
    {
        SCOPED_TRACE(nRound);
        m_port.SetPort(m_pty.Port());
        ASSERT_TRUE(m_port.Open());
        const HANDLE hOpen = m_port.GetHandle();
        EXPECT_EQ(CString(L"COM2:"), m_port.Device());
        m_port.SetPort(3);
        EXPECT_TRUE(m_port.Open()) << "already open: true without reopening";
        EXPECT_EQ(hOpen, m_port.GetHandle());
        EXPECT_TRUE(m_port.Write(CString(L"mine")));
        EXPECT_EQ("mine", m_pty.Receive(4, std::chrono::milliseconds(20)));
        EXPECT_TRUE(m_port.Close());
        EXPECT_FALSE(m_port.IsOpen());
        EXPECT_EQ(INVALID_HANDLE_VALUE, m_port.GetHandle());
        EXPECT_TRUE(m_port.Device().IsEmpty());
        EXPECT_FALSE(m_port.Close());
    }
}

TEST_F(SerialPortTest, DeviceNamesByPortNumberAndPortsThatCannotOpen)
{
    const struct
    {
        int nPort;
        const wchar_t* pszDevice; // nullptr: the port stays closed
    } rows[] = {
        {9, L"COM9:"}, {10, L"\\\\.\\COM10"}, {255, L"\\\\.\\COM255"}, {0, nullptr}, {6, nullptr}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.nPort);
        CPtyPair pty;
        ASSERT_TRUE(pty.IsValid());
        CComPortMapping mapping(row.nPort,
                                row.pszDevice != nullptr ? pty.SlavePath() : "/dev/fixora-missing");
        CTestPort port;
        port.SetPort(row.nPort);
        EXPECT_EQ(row.pszDevice != nullptr, port.Open());
        if (row.pszDevice == nullptr)
        {
            EXPECT_EQ(INVALID_HANDLE_VALUE, port.GetHandle());
            EXPECT_FALSE(port.IsOpen() || port.Write(CString(L"X\r\n")));
            continue;
        }
        EXPECT_EQ(CString(row.pszDevice), port.Device());
        EXPECT_TRUE(port.WriteByte('k'));
        EXPECT_EQ("k", pty.Receive(1, std::chrono::milliseconds(20))) << "its own device";
        EXPECT_TRUE(port.Close());
    }
}

TEST_F(SerialPortTest, ClosedPortRefusesEverythingButSettings)
{
    CTestPort port;
    bool bCancel = false;
    CString strText(L"old");
    char buffer[8];
    DWORD nRead = 99;
    EXPECT_EQ(0, port.BytesWaiting());
    EXPECT_FALSE(port.PurgeInput() || port.SetBreak() || port.ClearBreak() || port.WriteByte('X') ||
                 port.Write("X", 1) || port.Write(CString(L"X")) || port.WaitForByte('X', 5) ||
                 port.ReadByte(buffer) || port.IsDeviceGone());
    EXPECT_FALSE(port.ReadText(strText, bCancel));
    EXPECT_TRUE(strText.IsEmpty());
    strText = L"old";
    EXPECT_FALSE(port.ReadResponse(strText, bCancel, L"\n", L"OK", L""));
    EXPECT_TRUE(strText.IsEmpty());
    EXPECT_FALSE(port.Read(buffer, 4, &nRead, bCancel));
    EXPECT_EQ(0u, nRead);
    EXPECT_EQ(0, port.ReadUntil('\n', 5));
    EXPECT_TRUE(port.SetParity(2)) << "settings are kept for the next open";
    EXPECT_EQ(7, port.GetDataBits());
    port.SetTimeout(3);
    EXPECT_EQ(10u, port.Timeout()) << "never below 10 ms";
}
