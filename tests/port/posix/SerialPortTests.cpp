// CSerialPort on pseudo-terminals: opening, line settings as the device sees them, writes,
// closing, and the refusals that leave the port as it was.
#include "PtyPair.h"
#include "port/SerialPort.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
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
    static constexpr int kPort = 2;

    void SetUp() override { ASSERT_TRUE(m_pty.IsValid()); }
    void TearDown() override { m_port.Close(); }

    // Opens the port the way the receivers do: no handshake, no parity, one stop bit.
    bool OpenAsReceiver(int nBaudRate)
    {
        m_port.SetPort(kPort);
        m_port.SetBaudRate(nBaudRate);
        m_port.SetHandshake(0);
        m_port.SetParity(0);
        m_port.SetStopBits(0);
        return m_port.Open();
    }

    CPtyPair m_pty;
    CComPortMapping m_mapping{kPort, m_pty.SlavePath()};
    CTestPort m_port;
};

} // namespace

TEST_F(SerialPortTest, OpensAtTheRateWithEightDataBitsNoParityNoHandshake)
{
    ASSERT_TRUE(OpenAsReceiver(9600));
    EXPECT_TRUE(m_port.IsOpen());
    EXPECT_NE(INVALID_HANDLE_VALUE, m_port.GetHandle());

    const termios tio = m_pty.SlaveTermios();
    EXPECT_EQ(B9600, cfgetospeed(&tio));
    EXPECT_EQ(B9600, cfgetispeed(&tio));
    EXPECT_EQ(static_cast<tcflag_t>(CS8), tio.c_cflag & CSIZE);
    EXPECT_EQ(0u, tio.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_EQ(0u, tio.c_iflag & (INPCK | IXON | IXOFF));
    EXPECT_EQ(0u, tio.c_lflag & (ICANON | ECHO));
    EXPECT_EQ(0u, tio.c_oflag & OPOST);

    const DCB& dcb = m_port.Dcb();
    EXPECT_EQ(9600u, dcb.BaudRate);
    EXPECT_EQ(8, dcb.ByteSize);
    EXPECT_EQ(NOPARITY, dcb.Parity);
    EXPECT_EQ(ONESTOPBIT, dcb.StopBits);
    EXPECT_EQ(DTR_CONTROL_ENABLE, dcb.fDtrControl);
    EXPECT_EQ(RTS_CONTROL_ENABLE, dcb.fRtsControl);
    EXPECT_EQ(0x11, dcb.XonChar);
    EXPECT_EQ(0x13, dcb.XoffChar);
}

TEST_F(SerialPortTest, BaudRatesOnAnOpenPort)
{
    ASSERT_TRUE(OpenAsReceiver(4800));
    struct Row
    {
        const char* legend;
        int nRate;
        bool bTaken;
        speed_t expected; // the device's speed afterwards
    };
    const Row rows[] = {
        {"9600", 9600, true, B9600},
        {"19200", 19200, true, B19200},
        {"38400", 38400, true, B38400},
        {"57600", 57600, true, B57600},
        {"115200", 115200, true, B115200},
        {"zero keeps the rate", 0, false, B115200},
        {"negative keeps the rate", -4800, false, B115200},
        {"4800", 4800, true, B4800},
        {"non-standard rate is refused", 12345, false, B4800},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_EQ(row.bTaken, m_port.SetBaudRate(row.nRate));
        const termios tio = m_pty.SlaveTermios();
        EXPECT_EQ(row.expected, cfgetospeed(&tio));
    }
    EXPECT_TRUE(m_port.IsOpen()) << "a refused rate does not close the port";
}

TEST_F(SerialPortTest, RateGivenWhileClosedIsAppliedAtOpen)
{
    EXPECT_TRUE(m_port.SetBaudRate(38400));
    EXPECT_FALSE(m_port.SetBaudRate(0)) << "not taken: the rate stays 38400";
    m_port.SetPort(kPort);
    ASSERT_TRUE(m_port.Open());
    const termios tio = m_pty.SlaveTermios();
    EXPECT_EQ(B38400, cfgetospeed(&tio));
}

TEST_F(SerialPortTest, ParityAndDataBits)
{
    ASSERT_TRUE(OpenAsReceiver(4800));
    // A pseudo-terminal always keeps 8 data bits and no parity generation, whatever it is told,
    // so the framing is checked in the control block the port applied; the parts the kernel
    // keeps (parity checking, odd and stick parity) are checked on the device.
    struct Row
    {
        const char* legend;
        int nParity;
        BYTE byDataBits;
        BYTE byExpectedBits;
        bool bOddFlag;
        bool bStickFlag;
    };
    const Row rows[] = {
        {"even, automatic data bits", 2, 0, 7, false, false},
        {"none, automatic data bits", 0, 0, 8, false, false},
        {"odd, automatic data bits", 1, 0, 7, true, false},
        {"mark", 3, 0, 7, true, true},
        {"space", 4, 0, 7, false, true},
        {"even with 8 data bits", 2, 8, 8, false, false},
        {"none with 7 data bits", 0, 7, 7, false, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        m_port.SetDataBits(row.byDataBits);
        EXPECT_TRUE(m_port.SetParity(row.nParity));
        EXPECT_EQ(row.byExpectedBits, m_port.GetDataBits());
        const DCB& dcb = m_port.Dcb();
        EXPECT_EQ(row.byExpectedBits, dcb.ByteSize);
        EXPECT_EQ(row.nParity, dcb.Parity);
        EXPECT_EQ(row.nParity != 0 ? 1u : 0u, dcb.fParity);

        const termios tio = m_pty.SlaveTermios();
        EXPECT_EQ(row.nParity != 0, (tio.c_iflag & INPCK) != 0) << "parity checking";
        EXPECT_EQ(row.bOddFlag, (tio.c_cflag & PARODD) != 0);
        EXPECT_EQ(row.bStickFlag, (tio.c_cflag & CMSPAR) != 0);
    }
}

TEST_F(SerialPortTest, HandshakeAndStopBits)
{
    ASSERT_TRUE(OpenAsReceiver(4800));
    EXPECT_TRUE(m_port.SetHandshake(0x02));
    EXPECT_NE(0u, m_pty.SlaveTermios().c_cflag & CRTSCTS);
    EXPECT_TRUE(m_port.SetHandshake(0x04));
    termios tio = m_pty.SlaveTermios();
    EXPECT_EQ(0u, tio.c_cflag & CRTSCTS);
    EXPECT_NE(0u, tio.c_iflag & IXON);
    EXPECT_NE(0u, tio.c_iflag & IXOFF);
    EXPECT_EQ(0x11, tio.c_cc[VSTART]);
    EXPECT_EQ(0x13, tio.c_cc[VSTOP]);
    EXPECT_TRUE(m_port.SetHandshake(0));
    tio = m_pty.SlaveTermios();
    EXPECT_EQ(0u, tio.c_iflag & (IXON | IXOFF));

    EXPECT_TRUE(m_port.SetStopBits(2));
    EXPECT_NE(0u, m_pty.SlaveTermios().c_cflag & CSTOPB);
    EXPECT_TRUE(m_port.SetStopBits(0));
    EXPECT_EQ(0u, m_pty.SlaveTermios().c_cflag & CSTOPB);
}

TEST_F(SerialPortTest, SettingsTheDeviceCannotTakeLeaveItUnchanged)
{
    ASSERT_TRUE(OpenAsReceiver(19200));
    struct Row
    {
        const char* legend;
        bool (*apply)(CSerialPort&);
        bool (*restore)(CSerialPort&);
    };
    const Row rows[] = {
        {"parity code 9", [](CSerialPort& p) { return p.SetParity(9); },
         [](CSerialPort& p) { return p.SetParity(0); }},
        {"negative parity code", [](CSerialPort& p) { return p.SetParity(-1); },
         [](CSerialPort& p) { return p.SetParity(0); }},
        {"parity code 256 does not wrap to none", [](CSerialPort& p) { return p.SetParity(256); },
         [](CSerialPort& p) { return p.SetParity(0); }},
        {"one and a half stop bits", [](CSerialPort& p) { return p.SetStopBits(1); },
         [](CSerialPort& p) { return p.SetStopBits(0); }},
        {"stop-bit code 7", [](CSerialPort& p) { return p.SetStopBits(7); },
         [](CSerialPort& p) { return p.SetStopBits(0); }},
        {"DSR/DTR handshake", [](CSerialPort& p) { return p.SetHandshake(0x01); },
         [](CSerialPort& p) { return p.SetHandshake(0); }},
        {"9 data bits", [](CSerialPort& p) { return p.SetDataBits(9); },
         [](CSerialPort& p) { return p.SetDataBits(0); }},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        const termios before = m_pty.SlaveTermios();
        bool bResult = true;
        EXPECT_NO_THROW(bResult = row.apply(m_port));
        EXPECT_FALSE(bResult);
        const termios after = m_pty.SlaveTermios();
        EXPECT_EQ(before.c_cflag, after.c_cflag);
        EXPECT_EQ(before.c_iflag, after.c_iflag);
        EXPECT_EQ(B19200, cfgetospeed(&after));
        EXPECT_TRUE(m_port.IsOpen());
        EXPECT_TRUE(row.restore(m_port));
    }
}

TEST_F(SerialPortTest, WritesDeliverExactlyTheirBytes)
{
    ASSERT_TRUE(OpenAsReceiver(4800));
    EXPECT_TRUE(m_port.Write(CString(L"X\r\n")));
    EXPECT_EQ("X\r\n", m_pty.Receive(3));

    EXPECT_TRUE(m_port.WriteByte('\x13'));
    EXPECT_EQ("\x13", m_pty.Receive(1));

    const char binary[] = {'\xA0', '\0', '\xA2', '\x11', '\0'};
    EXPECT_TRUE(m_port.Write(binary, sizeof(binary)));
    EXPECT_EQ(std::string(binary, sizeof(binary)), m_pty.Receive(sizeof(binary)));

    const std::vector<char> bytes = {'$', '\0', '\r', '\n'};
    EXPECT_TRUE(m_port.Write(bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), m_pty.Receive(bytes.size()));

    EXPECT_TRUE(m_port.Write(nullptr, 0));
    EXPECT_FALSE(m_port.Write(nullptr, 4));
    EXPECT_TRUE(m_pty.Receive(1, std::chrono::milliseconds(100)).empty());
}

TEST_F(SerialPortTest, CommandsUpTo512AreWrittenLongerOnesRefused)
{
    ASSERT_TRUE(OpenAsReceiver(4800));
    struct Row
    {
        const char* legend;
        int nLength;
        bool bText;
        bool bWritten;
    };
    const Row rows[] = {
        {"text of 512", 512, true, true},
        {"text of 513", 513, true, false},
        {"bytes of 512", 512, false, true},
        {"bytes of 513", 513, false, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        const std::string payload(static_cast<std::size_t>(row.nLength), 'A');
        const bool bResult = row.bText
                                 ? m_port.Write(CString(payload.c_str()))
                                 : m_port.Write(std::vector<char>(payload.begin(), payload.end()));
        EXPECT_EQ(row.bWritten, bResult);
        const std::string received = m_pty.Receive(payload.size(), std::chrono::milliseconds(200));
        EXPECT_EQ(row.bWritten ? payload : std::string(), received)
            << "a refused command writes nothing";
    }
    // Any length through the raw write.
    const std::string large(3000, 'B');
    EXPECT_TRUE(m_port.Write(large.data(), static_cast<DWORD>(large.size())));
    EXPECT_EQ(large, m_pty.Receive(large.size()));
}

TEST_F(SerialPortTest, OpenTwiceCloseTwice)
{
    EXPECT_FALSE(m_port.Close()) << "closed port";
    ASSERT_TRUE(OpenAsReceiver(4800));
    const HANDLE hFirst = m_port.GetHandle();
    EXPECT_EQ(CString(L"COM2:"), m_port.Device());

    m_port.SetPort(kPort + 1);
    EXPECT_TRUE(m_port.Open()) << "already open: true without reopening";
    EXPECT_EQ(hFirst, m_port.GetHandle());
    EXPECT_EQ(CString(L"COM2:"), m_port.Device());

    EXPECT_TRUE(m_port.Close());
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_EQ(INVALID_HANDLE_VALUE, m_port.GetHandle());
    EXPECT_TRUE(m_port.Device().IsEmpty());
    EXPECT_FALSE(m_port.Close());
}

TEST_F(SerialPortTest, DeviceNamesByPortNumber)
{
    struct Row
    {
        const char* legend;
        int nPort;
        const wchar_t* pszDevice;
    };
    const Row rows[] = {
        {"port 1", 1, L"COM1:"},
        {"port 9", 9, L"COM9:"},
        {"port 10", 10, L"\\\\.\\COM10"},
        {"port 255", 255, L"\\\\.\\COM255"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CPtyPair pty;
        ASSERT_TRUE(pty.IsValid());
        CComPortMapping mapping(row.nPort, pty.SlavePath());
        CTestPort port;
        port.SetPort(row.nPort);
        ASSERT_TRUE(port.Open());
        EXPECT_EQ(CString(row.pszDevice), port.Device());
        EXPECT_TRUE(port.WriteByte('k'));
        EXPECT_EQ("k", pty.Receive(1)) << "the port reached its own device";
        EXPECT_TRUE(port.Close());
    }
}

TEST_F(SerialPortTest, PortsThatCannotOpenStayClosed)
{
    char tempName[] = "/tmp/fixora-port-file-XXXXXX";
    const int tempFd = ::mkstemp(tempName);
    ASSERT_GE(tempFd, 0);
    CComPortMapping missing(6, "/dev/fixora-missing-device");
    CComPortMapping regular(8, tempName);

    struct Row
    {
        const char* legend;
        int nPort;
    };
    const Row rows[] = {
        {"port 0", 0},
        {"negative port", -3},
        {"device that does not exist", 6},
        {"regular file", 8},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CTestPort port;
        port.SetPort(row.nPort);
        bool bOpened = true;
        EXPECT_NO_THROW(bOpened = port.Open());
        EXPECT_FALSE(bOpened);
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(INVALID_HANDLE_VALUE, port.GetHandle());
        EXPECT_FALSE(port.Write(CString(L"X\r\n")));
    }
    ::close(tempFd);
    std::remove(tempName);
}

TEST_F(SerialPortTest, SecondPortOnTheSameDeviceIsRefused)
{
    ASSERT_TRUE(OpenAsReceiver(4800));
    CSerialPort other;
    other.SetPort(kPort);
    EXPECT_FALSE(other.Open());
    EXPECT_FALSE(other.IsOpen());
    EXPECT_TRUE(m_port.Write(CString(L"still mine")));
    EXPECT_EQ("still mine", m_pty.Receive(10));
}

TEST_F(SerialPortTest, ClosedPortRefusesEverythingButSettings)
{
    CTestPort port;
    bool bCancel = false;
    CString strText(L"old");
    std::vector<char> data = {'x'};
    char byte = 'q';
    DWORD nRead = 99;
    char buffer[8];

    EXPECT_EQ(0, port.BytesWaiting());
    EXPECT_FALSE(port.PurgeInput());
    EXPECT_FALSE(port.Write(CString(L"X")));
    EXPECT_FALSE(port.Write(std::vector<char>{'X'}));
    EXPECT_FALSE(port.WriteByte('X'));
    EXPECT_FALSE(port.Write("X", 1));
    EXPECT_FALSE(port.SetBreak());
    EXPECT_FALSE(port.ClearBreak());
    EXPECT_FALSE(port.ReadText(strText, bCancel));
    EXPECT_TRUE(strText.IsEmpty());
    EXPECT_FALSE(port.ReadArray(data, bCancel));
    EXPECT_TRUE(data.empty());
    EXPECT_FALSE(port.WaitForByte('X', 50));
    EXPECT_FALSE(port.ReadByte(&byte));
    EXPECT_FALSE(port.Read(buffer, 4, &nRead, bCancel));
    EXPECT_EQ(0u, nRead);
    EXPECT_TRUE(port.Read(buffer, 0, &nRead, bCancel)) << "a count of 0 reads nothing";
    EXPECT_EQ(0, port.ReadUntil(0, 50));
    EXPECT_FALSE(port.ReadUntilAny(strText, bCancel, L"\n"));
    EXPECT_FALSE(port.ReadResponse(strText, bCancel, L"\n", L"OK", L""));

    // Settings are kept for the next open.
    EXPECT_TRUE(port.SetParity(2));
    EXPECT_EQ(7, port.GetDataBits());
    port.SetTimeout(3);
    EXPECT_EQ(10u, port.Timeout()) << "never below 10 ms";
    port.SetTimeout(250);
    EXPECT_EQ(250u, port.Timeout());
}
