// CSerialPort on pseudo-terminals: opening, line settings as the device sees them, writes,
// closing, and the refusals that leave the port as it was.
#include "support/PseudoTerminal.h"
#include "support/Waiting.h"
#include "port/SerialPort.h"

#include <gtest/gtest.h>

#include <optional>
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
    static constexpr int kPort = 2;

    void SetUp() override { ASSERT_TRUE(m_pty.IsValid()); }
    void TearDown() override { m_port.Close(); }

    // Opens the port the way the receivers do: no handshake, no parity, one stop bit.
    bool OpenAsReceiver(int nBaudRate)
    {
        m_port.SetPort(kPort);
        m_port.SetBaudRate(nBaudRate);
        return RestoreReceiverSettings() && m_port.Open();
    }
    // Every setting back to the receivers' own; each setter applies them all together, so the
    // last answer tells whether the port took them.
    bool RestoreReceiverSettings()
    {
        m_port.SetHandshake(0);
        m_port.SetParity(0);
        m_port.SetStopBits(0);
        return m_port.SetDataBits(0);
    }

    CPtyPair m_pty;
    CComPortMapping m_mapping{kPort, m_pty.SlavePath()};
    CTestPort m_port;
};

} // namespace

TEST_F(SerialPortTest, OpensAt8N1WithTheRateGivenWhileClosedAndTakesOnlyStandardRates)
{
    EXPECT_TRUE(m_port.SetBaudRate(38400)) << "kept while closed";
    EXPECT_FALSE(m_port.SetBaudRate(0)) << "not taken: the rate stays 38400";
    m_port.SetPort(kPort);
    ASSERT_TRUE(m_port.Open());
    const termios tio = m_pty.SlaveTermios();
    EXPECT_EQ(B38400, cfgetospeed(&tio));
    EXPECT_EQ(B38400, cfgetispeed(&tio));
    EXPECT_EQ(static_cast<tcflag_t>(CS8), tio.c_cflag & CSIZE);
    EXPECT_EQ(0u, tio.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_EQ(0u, tio.c_iflag & (INPCK | IXON | IXOFF));

    struct Row
    {
        const char* legend;
        int nRate;
        bool bTaken;
        speed_t expected; // the device's speed afterwards
    };
    const Row rows[] = {
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
        const termios after = m_pty.SlaveTermios();
        EXPECT_EQ(row.expected, cfgetospeed(&after));
    }
    EXPECT_TRUE(m_port.IsOpen()) << "a refused rate does not close the port";
}

TEST_F(SerialPortTest, ParityDataBitsHandshakeAndStopBits)
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

    EXPECT_TRUE(m_port.SetHandshake(0x02));
    EXPECT_NE(0u, m_pty.SlaveTermios().c_cflag & CRTSCTS);
    EXPECT_TRUE(m_port.SetHandshake(0x04));
    termios tio = m_pty.SlaveTermios();
    EXPECT_EQ(0u, tio.c_cflag & CRTSCTS);
    EXPECT_EQ(static_cast<tcflag_t>(IXON | IXOFF), tio.c_iflag & (IXON | IXOFF));
    EXPECT_TRUE(m_port.SetHandshake(0));
    EXPECT_EQ(0u, m_pty.SlaveTermios().c_iflag & (IXON | IXOFF));
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
    };
    const Row rows[] = {
        {"parity code 9", [](CSerialPort& p) { return p.SetParity(9); }},
        {"negative parity code", [](CSerialPort& p) { return p.SetParity(-1); }},
        {"parity code 256 does not wrap to none", [](CSerialPort& p) { return p.SetParity(256); }},
        {"one and a half stop bits", [](CSerialPort& p) { return p.SetStopBits(1); }},
        {"stop-bit code 7", [](CSerialPort& p) { return p.SetStopBits(7); }},
        {"DSR/DTR handshake", [](CSerialPort& p) { return p.SetHandshake(0x01); }},
        {"9 data bits", [](CSerialPort& p) { return p.SetDataBits(9); }},
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
        EXPECT_TRUE(RestoreReceiverSettings());
    }
}

TEST_F(SerialPortTest, WritesDeliverExactlyTheirBytesAndCommandsStopAt512)
{
    ASSERT_TRUE(OpenAsReceiver(4800));
    EXPECT_TRUE(m_port.Write(CString(L"X\r\n")));
    EXPECT_EQ("X\r\n", m_pty.Receive(3));
    EXPECT_TRUE(m_port.WriteByte('\x13'));
    EXPECT_EQ("\x13", m_pty.Receive(1));
    const std::string binary("\xA0\0\xA2\x11\0", 5);
    EXPECT_TRUE(m_port.Write(binary.data(), 5));
    EXPECT_EQ(binary, m_pty.Receive(5));
    EXPECT_TRUE(m_port.Write(std::vector<char>(binary.begin(), binary.end())));
    EXPECT_EQ(binary, m_pty.Receive(5));
    EXPECT_TRUE(m_port.Write(nullptr, 0));
    EXPECT_FALSE(m_port.Write(nullptr, 4));

    for (const int nLength : {512, 513})
    {
        SCOPED_TRACE(nLength);
        const std::string payload(static_cast<std::size_t>(nLength), 'A');
        const bool bTaken = nLength == 512;
        EXPECT_EQ(bTaken, m_port.Write(CString(payload.c_str())));
        EXPECT_EQ(bTaken ? payload : "",
                  m_pty.Receive(bTaken ? payload.size() : 0, std::chrono::milliseconds(200)))
            << "a refused command writes nothing";
        EXPECT_EQ(bTaken, m_port.Write(std::vector<char>(payload.begin(), payload.end())));
        EXPECT_EQ(bTaken ? payload : "",
                  m_pty.Receive(bTaken ? payload.size() : 0, std::chrono::milliseconds(200)));
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
    EXPECT_TRUE(m_port.Write(CString(L"still mine")));
    EXPECT_EQ("still mine", m_pty.Receive(10));

    EXPECT_TRUE(m_port.Close());
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_EQ(INVALID_HANDLE_VALUE, m_port.GetHandle());
    EXPECT_TRUE(m_port.Device().IsEmpty());
    EXPECT_FALSE(m_port.Close());
}

TEST_F(SerialPortTest, DeviceNamesByPortNumberAndPortsThatCannotOpen)
{
    CComPortMapping missing(6, "/dev/fixora-missing-device");
    struct Row
    {
        const char* legend;
        int nPort;
        const wchar_t* pszDevice; // nullptr: the port stays closed
    };
    const Row rows[] = {
        {"port 9", 9, L"COM9:"},
        {"port 10", 10, L"\\\\.\\COM10"},
        {"port 255", 255, L"\\\\.\\COM255"},
        {"port 0", 0, nullptr},
        {"device that does not exist", 6, nullptr},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CPtyPair pty;
        ASSERT_TRUE(pty.IsValid());
        std::optional<CComPortMapping> mapping;
        if (row.pszDevice != nullptr)
        {
            mapping.emplace(row.nPort, pty.SlavePath());
        }
        CTestPort port;
        port.SetPort(row.nPort);
        bool bOpened = false;
        EXPECT_NO_THROW(bOpened = port.Open());
        EXPECT_EQ(row.pszDevice != nullptr, bOpened);
        EXPECT_EQ(row.pszDevice != nullptr, port.IsOpen());
        if (row.pszDevice == nullptr)
        {
            EXPECT_EQ(INVALID_HANDLE_VALUE, port.GetHandle());
            EXPECT_FALSE(port.Write(CString(L"X\r\n")));
            continue;
        }
        EXPECT_EQ(CString(row.pszDevice), port.Device());
        EXPECT_TRUE(port.WriteByte('k'));
        EXPECT_EQ("k", pty.Receive(1)) << "the port reached its own device";
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
    EXPECT_FALSE(port.PurgeInput() || port.SetBreak() || port.WriteByte('X') || port.Write("X", 1));
    EXPECT_FALSE(port.Write(CString(L"X")) || port.WaitForByte('X', 50) || port.ReadByte(buffer));
    EXPECT_FALSE(port.ReadText(strText, bCancel));
    EXPECT_TRUE(strText.IsEmpty());
    EXPECT_FALSE(port.Read(buffer, 4, &nRead, bCancel));
    EXPECT_EQ(0u, nRead);
    // Settings are kept for the next open.
    EXPECT_TRUE(port.SetParity(2));
    EXPECT_EQ(7, port.GetDataBits());
    port.SetTimeout(3);
    EXPECT_EQ(10u, port.Timeout()) << "never below 10 ms";
}
