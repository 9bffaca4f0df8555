// CSerialPort and the serial-device calls under it on pseudo-terminals: opening by COM name,
// exclusive use, line settings as the device sees them, writes (whole or refused), the blocking
// reads against bytes the device (the pseudo-terminal's master) sends, the read time-out rules,
// the read that also ends on an event, a closed port and a device that goes away. What each
// setting and each read did is generated data, tests/data/port/*.transcript (see the README there).
#include "support/PseudoTerminal.h"
#include "support/Transcript.h"
#include "support/Waiting.h"
#include "platform/Framework.h"
#include "port/SerialPort.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// Lets the tests see the device name and the control block that the port last applied.
class CTestPort : public CSerialPort
{
public:
    const CString& Device() const { return m_strDevice; }
    const DCB& Dcb() const { return m_Dcb; }
    DWORD Timeout() const { return m_dwTimeout; }
};

std::string Escaped(const std::string& bytes)
{
    std::string text;
    for (const char c : bytes)
        text += EscapedByte(c);
    return text;
}

HANDLE OpenCom(const wchar_t* pszName, DWORD dwFlags = 0, DWORD dwDisposition = OPEN_EXISTING)
{
    return CreateFileW(pszName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, dwDisposition, dwFlags,
                       nullptr);
}

// The names of the given flags that are set.
std::string Flags(tcflag_t flags, std::initializer_list<std::pair<tcflag_t, const char*>> names)
{
    std::string text;
    for (const auto& [flag, pszName] : names)
        text += (flags & flag) != 0 ? std::string(" ") + pszName : "";
    return text;
}

// A port open on the pseudo-terminal of COM4, with a 100 ms time-out.
class SerialPortTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_pty.IsValid());
        m_port.SetPort(4);
        ASSERT_TRUE(m_port.Open());
        m_port.SetTimeout(100);
    }
    void TearDown() override { m_port.Close(); }

    // Sends bytes and waits until the port has them all in its queue.
    void Arrive(const std::string& bytes)
    {
        const int nBefore = m_port.BytesWaiting();
        ASSERT_TRUE(m_pty.Send(bytes));
        WaitUntil(
            [&] { return m_port.BytesWaiting() >= nBefore + static_cast<int>(bytes.size()); });
    }
    // Sends bytes from another thread after a delay, while the test blocks in a call.
    std::jthread SendLater(std::string bytes, int nMilliseconds = 30)
    {
        return std::jthread([this, bytes = std::move(bytes), nMilliseconds] {
            std::this_thread::sleep_for(milliseconds(nMilliseconds));
            m_pty.Send(bytes);
        });
    }

    CPseudoTerminal m_pty{4};
    CTestPort m_port;
    bool m_bCancel = false;
};

} // namespace

TEST_F(SerialPortTest, SettingsReachTheDeviceAndRefusalsLeaveItUnchanged)
{
    m_port.Close();
    EXPECT_TRUE(m_port.SetBaudRate(38400)) << "kept while closed";
    EXPECT_FALSE(m_port.SetBaudRate(0)) << "not taken: the rate stays 38400";
    ASSERT_TRUE(m_port.Open());
    termios tio = m_pty.SlaveTermios();
    EXPECT_EQ(B38400, cfgetispeed(&tio));
    EXPECT_EQ(static_cast<tcflag_t>(CS8 | CLOCAL),
              tio.c_cflag & (CSIZE | PARENB | CSTOPB | CLOCAL));
    // A pseudo-terminal keeps 8 data bits and no parity generation whatever it is told (and
    // refuses a change of those alone), so the transcript shows the data bits and parity checking
    // of the control block kept (after a refusal too: the one the port took last), and parity
    // checking, odd, stick, stop bits and handshakes on the device. Steps: Rate, Parity, Data
    // bits, Stop bits, Handshake with its value; a refused one is not carried into the next.
    std::string transcript;
    for (const char* pszStep : {"R115200", "R-4800", "D8",   "P2", "P0", "D0",     "P2", "P1", "P3",
                                "P4",      "P9",     "P256", "P0", "D7", "D0",     "S2", "S1", "S7",
                                "S0",      "H2",     "H4",   "H1", "D9", "R12345", "H0"})
    {
        const int nValue = std::atoi(pszStep + 1);
        const auto by = static_cast<BYTE>(nValue);
        const char cSetter = pszStep[0];
        const bool bTaken = cSetter == 'R'   ? m_port.SetBaudRate(nValue)
                            : cSetter == 'P' ? m_port.SetParity(nValue)
                            : cSetter == 'D' ? m_port.SetDataBits(by)
                            : cSetter == 'S' ? m_port.SetStopBits(by)
                                             : m_port.SetHandshake(by);
        EXPECT_EQ(m_port.Dcb().ByteSize, m_port.GetDataBits());
        tio = m_pty.SlaveTermios();
        EXPECT_EQ(B115200, cfgetospeed(&tio)) << pszStep;
        transcript += std::string(pszStep) + (bTaken ? " taken: " : " refused: ") +
                      std::to_string(m_port.GetDataBits()) + " bits, parity checked " +
                      std::to_string(m_port.Dcb().fParity) + "; device:" +
                      Flags(tio.c_cflag, {{PARODD, "PARODD"},
                                          {CMSPAR, "CMSPAR"},
                                          {CSTOPB, "CSTOPB"},
                                          {CRTSCTS, "CRTSCTS"}}) +
                      Flags(tio.c_iflag, {{INPCK, "INPCK"}, {IXON, "IXON"}, {IXOFF, "IXOFF"}}) +
                      "\n";
    }
    CompareWithTranscript(transcript, "port/settings.transcript");
}

TEST_F(SerialPortTest, WritesDeliverExactlyTheirBytesOrFail)
{
    std::string binary(256, '\0'); // every byte value: no output translation
    std::iota(binary.begin(), binary.end(), '\0');
    const std::string s512(512, 'A'), s513(513, 'A');
    EXPECT_TRUE(m_port.Write(CString(L"X\r\n")) && m_port.WriteByte('\x13') &&
                m_port.Write(binary.data(), 256) && m_port.Write(nullptr, 0) &&
                m_port.Write(std::vector<char>(binary.begin(), binary.end())));
    EXPECT_FALSE(m_port.Write(nullptr, 4));
    // Commands stop at 512 bytes; a refused one writes nothing.
    EXPECT_TRUE(m_port.Write(CString(s512.c_str())));
    EXPECT_TRUE(m_port.Write(std::vector<char>(s512.begin(), s512.end())));
    EXPECT_FALSE(m_port.Write(CString(s513.c_str())));
    EXPECT_FALSE(m_port.Write(std::vector<char>(s513.begin(), s513.end())));
    EXPECT_EQ("X\r\n\x13" + binary + binary + s512 + s512, m_pty.Receive(1540, milliseconds(20)));

    // Nobody reads the device: its queue fills and the write ends on its time-out with only a
    // part taken, which is a failed write.
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(m_port.GetHandle(), &timeouts));
    timeouts.WriteTotalTimeoutConstant = 50;
    ASSERT_TRUE(SetCommTimeouts(m_port.GetHandle(), &timeouts));
    const std::string large(1 << 20, 'B');
    EXPECT_FALSE(m_port.Write(large.data(), static_cast<DWORD>(large.size())));
    m_pty.Flush();
    EXPECT_TRUE(m_port.Write(CString(L"after")));
    EXPECT_EQ("after", m_pty.Receive(5, milliseconds(20)));
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

// The reads a host uses to talk to a device itself, each with the bytes already there and those
// that come 30 ms into the read, and how long it waited; what it answered and left in the queue is
// in reads.transcript. The port's time-out is 100 ms.
TEST_F(SerialPortTest, EachReadTakesWhatItShouldAndLeavesTheRest)
{
    CString strText;
    std::vector<char> data;
    char buffer[16] = {};
    DWORD nRead = 0;
    const auto answer = [&](bool bResult, const std::string& strRead) {
        return (bResult ? "1 " : "0 ") + strRead;
    };
    const auto text = [&](bool bResult) { return answer(bResult, strText.ToNarrow()); };
    const auto read = [&](DWORD nCount) {
        const bool bResult = m_port.Read(buffer, nCount, &nRead, m_bCancel);
        return answer(bResult, std::string(buffer, nRead));
    };
    const auto response = [&](const wchar_t* pszEnd, const wchar_t* pszMarker,
                              const wchar_t* pszAlt = L"") {
        return text(m_port.ReadResponse(strText, m_bCancel, pszEnd, pszMarker, pszAlt));
    };
    // ReadFile itself under the given read time-outs.
    const auto raw = [&](DWORD dwInterval, DWORD dwMultiplier, DWORD dwConstant, DWORD nCount) {
        COMMTIMEOUTS timeouts{dwInterval, dwMultiplier, dwConstant, 0, 0};
        EXPECT_TRUE(SetCommTimeouts(m_port.GetHandle(), &timeouts));
        std::string strBuffer(nCount, '\0');
        const bool bRead = ReadFile(m_port.GetHandle(), strBuffer.data(), nCount, &nRead, nullptr);
        return answer(bRead, strBuffer.substr(0, nRead));
    };
    constexpr DWORD M = MAXDWORD;
    struct Row
    {
        const char* legend;
        std::string strFirst, strLater;
        std::function<std::string()> read;
        long long nMinMs = 0, nMaxMs = 60000; // generous bounds on how long the read took
    };
    std::string all(256, '\0'); // no input translation (CR, break, XON)
    std::iota(all.begin(), all.end(), '\0');
    const Row rows[] = {
        {"ReadText stops at a zero byte", std::string("$GP,1\r\nab\0cd", 12), "",
         [&] { return text(m_port.ReadText(strText, m_bCancel)); }},
        {"ReadText starts with a late byte", "", "l",
         [&] { return text(m_port.ReadText(strText, m_bCancel)); }, 25},
        {"ReadText waits out its time-out", "", "",
         [&] { return text(m_port.ReadText(strText, m_bCancel)); }, 95},
        {"ReadArray keeps every byte value", all, "",
         [&] {
             const bool bResult = m_port.ReadArray(data, m_bCancel);
             return answer(bResult, std::string(data.begin(), data.end()));
         }},
        {"ReadByte", "Qr", "",
         [&] {
             const bool bResult = m_port.ReadByte(buffer);
             return answer(bResult, {buffer[0]});
         }},
        {"ReadByte without a place", "Q", "", [&] { return answer(m_port.ReadByte(nullptr), ""); }},
        {"WaitForByte drops what comes before", "abcXdef", "",
         [&] { return answer(m_port.WaitForByte('X', 1000), ""); }},
        {"WaitForByte gives up", "abc", "", [&] { return answer(m_port.WaitForByte('X', 60), ""); },
         55},
        {"Read up to a count", "12345678", "", [&] { return read(5); }},
        {"Read fewer than asked", "678", "", [&] { return read(10); }, 95},
        {"Read nothing at all is no failure", "", "", [&] { return read(4); }, 95},
        {"Read no bytes", "x", "", [&] { return read(0); }},
        {"ReadUntil a stop byte", "abc\ndef", "",
         [&] { return std::string{m_port.ReadUntil('\n', 50)}; }},
        {"ReadUntil byte 0: any byte", "def", "",
         [&] { return std::string{m_port.ReadUntil(0, 50)}; }},
        {"ReadUntil silence", "ef", "", [&] { return std::string{m_port.ReadUntil('#', 50)}; }, 45},
        {"no marker: up to a terminator", "$PASHR,RID\r\nnext", "",
         [&] { return response(L"\r\n", L""); }},
        {"no marker: a reply in two parts", "nex", "t;", [&] { return response(L";", L""); }},
        {"no marker and no terminator", "partial", "", [&] { return response(L";", L""); }, 95},
        {"marker at once", "$PASHR,ACK*3D\r\n", "", [&] { return response(L"\r\n", L"ACK*3D"); }},
        {"marker split across parts", "$PASHR,AC", "K*3D\n",
         [&] { return response(L"\r\n", L"ACK*3D"); }},
        {"terminator after the marker later", "$PASHR,ACK*3D", "\r",
         [&] { return response(L"\r\n", L"ACK*3D"); }},
        {"alternative marker", "$PASHR,NAK*30\r\n", "",
         [&] { return response(L"\r\n", L"ACK*3D", L"NAK*30"); }},
        {"marker seen twice, the second ends", "ACK,ACK\n", "",
         [&] { return response(L"\n", L"ACK"); }},
        {"a marker that overlaps itself", "AAA\r", "", [&] { return response(L"\r", L"AA"); }},
        {"marker last, no terminator: time-out plus 500 ms", "\r\nACK*3D", "",
         [&] { return response(L"\r\n", L"ACK*3D"); }, 580},
        {"nothing at all: the first-byte time-out", "", "",
         [&] { return response(L"\r\n", L"ACK"); }, 95},
        // The time-out rules of ReadFile (a time-out is no failure), last: they set their own.
        {"ReadFile at once, nothing waiting", "", "", [&] { return raw(M, 0, 0, 8); }, 0, 50},
        {"ReadFile at once, takes what waits", "abc", "", [&] { return raw(M, 0, 0, 8); }, 0, 50},
        {"ReadFile first byte, one there already", "ab", "", [&] { return raw(M, M, 1000, 8); }, 0,
         500},
        {"ReadFile first byte arrives later", "", "z", [&] { return raw(M, M, 1000, 8); }, 25, 900},
        {"ReadFile first byte never comes", "", "", [&] { return raw(M, M, 100, 8); }, 95, 1000},
        {"ReadFile constant 1 ms takes what waits", "xy", "", [&] { return raw(M, M, 1, 8); }, 0,
         500},
        {"ReadFile without time-outs waits for the count", "a", "bc",
         [&] { return raw(0, 0, 0, 3); }, 25, 3000},
        {"ReadFile total time-out ends a short read", "abc", "", [&] { return raw(0, 0, 100, 8); },
         95, 3000},
        {"ReadFile total counts the multiplier", "ab", "", [&] { return raw(0, 25, 0, 4); }, 95,
         3000},
        {"ReadFile interval ends a read after a gap", "", "pq", [&] { return raw(50, 0, 0, 8); },
         75, 1500},
        {"ReadFile interval waits for the first byte", "", "pq",
         [&] { return raw(50, 0, 1000, 8); }, 75, 900},
    };
    std::string transcript;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ASSERT_TRUE(m_port.PurgeInput());
        Arrive(row.strFirst);
        const auto start = Clock::now();
        std::jthread later = SendLater(row.strLater);
        const std::string strRead = row.read();
        const long long nElapsed = MillisecondsSince(start);
        later.join();
        EXPECT_TRUE(nElapsed >= row.nMinMs && nElapsed < row.nMaxMs) << nElapsed;
        transcript += std::string(row.legend) + ": " + Escaped(strRead) + ", " +
                      std::to_string(m_port.BytesWaiting()) + " left\n";
    }
    CompareWithTranscript(transcript, "port/reads.transcript");
    EXPECT_TRUE(m_port.SetBreak() && m_port.ClearBreak());
    EXPECT_TRUE(m_pty.Receive(0, milliseconds(20)).empty()) << "nothing echoed";

    // A cancelled read does not wait and takes nothing.
    Arrive("xyz");
    const bool bCancel = true;
    data.assign(1, 'd');
    nRead = 7;
    EXPECT_FALSE(m_port.ReadText(strText, bCancel) || m_port.ReadArray(data, bCancel) ||
                 m_port.Read(buffer, 3, &nRead, bCancel) ||
                 m_port.ReadUntilAny(strText, bCancel, L"z") ||
                 m_port.ReadResponse(strText, bCancel, L"z", L"y", L""));
    EXPECT_TRUE(nRead == 0 && data.empty() && strText.IsEmpty());
    EXPECT_EQ(3, m_port.BytesWaiting());
}

TEST_F(SerialPortTest, DeviceGoneFailsCleanlyAndCheaplyUntilClosed)
{
    m_port.SetTimeout(20);
    EXPECT_FALSE(m_port.IsDeviceGone());
    m_pty.CloseMaster();
    // A write finds it gone, and says so (so does a read, below).
    DWORD nWritten = 0;
    EXPECT_FALSE(WriteFile(m_port.GetHandle(), "X", 1, &nWritten, nullptr));
    EXPECT_EQ(ERROR_DEVICE_REMOVED, GetLastError());
    EXPECT_TRUE(m_port.IsDeviceGone());
    char byte = 0;
    CString strText;
    EXPECT_FALSE(m_port.ReadByte(&byte) || m_port.WriteByte('X') ||
                 m_port.ReadText(strText, m_bCancel) || m_port.Write(CString(L"X\r\n")));
    EXPECT_EQ(0, m_port.BytesWaiting());
    EXPECT_TRUE(m_port.IsOpen()) << "the port stays open until it is closed";

    // A reader that keeps trying, as the acquisition thread does, must not spin.
    const auto cpuSeconds = [] {
        rusage usage{};
        getrusage(RUSAGE_THREAD, &usage);
        return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    const HANDLE hComm = m_port.GetHandle();
    DCB dcb{};
    EXPECT_FALSE(GetCommState(hComm, &dcb) || SetCommState(hComm, &dcb));
    const double dCpuBefore = cpuSeconds();
    const auto start = Clock::now();
    while (MillisecondsSince(start) < 300)
    {
        COMMTIMEOUTS timeouts{MAXDWORD, MAXDWORD, 50, 0, 0};
        SetCommTimeouts(hComm, &timeouts);
        DWORD nRead = 0;
        EXPECT_FALSE(ReadFile(hComm, &byte, 1, &nRead, nullptr));
        EXPECT_EQ(ERROR_DEVICE_REMOVED, GetLastError());
        EXPECT_FALSE(m_port.ReadByte(&byte) || m_port.WaitForByte('$', 10));
    }
    const double dCpu = cpuSeconds() - dCpuBefore;
    EXPECT_LT(dCpu / (static_cast<double>(MillisecondsSince(start)) / 1000.0), 0.20) << dCpu;

    EXPECT_TRUE(m_port.Close());
    EXPECT_FALSE(m_port.IsDeviceGone()) << "a closed port has no device to lose";
    // Opened again on a device plugged in again: fixora/posix/FixoraLiveTests.cpp.
}

TEST(CommDeviceNames, ComNamesOpenTheMappedDeviceAndRefusalsLeaveNothingOpen)
{
    EXPECT_EQ(CString(L"/dev/ttyS9"), GetComPortDevice(10)) << "the default";
    EXPECT_FALSE(SetComPortDevice(0, "/dev/ttyUSB0"));
    CPseudoTerminal pty3(3), pty12(12), pty5(5);
    char tempName[] = "/tmp/fixora-not-a-tty-XXXXXX";
    const int tempFd = ::mkstemp(tempName);
    CComPortMapping regular(6, tempName), missing(8, "/nonexistent-folder/ttyUSB0");
    struct Row
    {
        const wchar_t* pszName;
        const CPtyPair* pDevice; // nullptr: refused with dwError
        DWORD dwError = 0, dwFlags = 0, dwDisposition = OPEN_EXISTING;
    };
    const Row rows[] = {
        {L"com3:", &pty3},
        {L"\\\\.\\COM12", &pty12},
        {L"COM12:", nullptr, ERROR_INVALID_NAME}, // two digits need the long form
        {L"COM0:", nullptr, ERROR_FILE_NOT_FOUND},
        {L"COM3:x", nullptr, ERROR_INVALID_NAME},
        {L"\\\\.\\COM99999999999", nullptr, ERROR_FILE_NOT_FOUND},
        {L"COM8:", nullptr, ERROR_FILE_NOT_FOUND}, // a folder that does not exist
        {L"COM6:", nullptr, ERROR_NOT_SUPPORTED},  // a regular file
        {L"COM5:", nullptr, ERROR_NOT_SUPPORTED, FILE_FLAG_OVERLAPPED},
        {L"COM5:", nullptr, ERROR_INVALID_PARAMETER, 0, CREATE_ALWAYS},
        {L"COM5:", &pty5}, // none of the refusals kept it
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(CString(row.pszName).ToNarrow());
        SetLastError(ERROR_SUCCESS);
        HANDLE h = OpenCom(row.pszName, row.dwFlags, row.dwDisposition);
        EXPECT_EQ(row.dwError, row.pDevice == nullptr ? GetLastError() : ERROR_SUCCESS);
        DWORD nWritten = 0;
        EXPECT_EQ(row.pDevice != nullptr, WriteFile(h, "n", 1, &nWritten, nullptr) != FALSE);
        EXPECT_EQ(row.pDevice != nullptr, CloseHandle(h) != FALSE);
        EXPECT_TRUE(row.pDevice == nullptr || row.pDevice->Receive(1, {}) == "n") << "its device";
    }
    ::close(tempFd);
    std::remove(tempName);
}

TEST_F(SerialPortTest, OnlyOneUserAtATimeAClosedHandleIsDeadAndRefusalsTellWhy)
{
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenCom(L"COM4:"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    const HANDLE hClosed = m_port.GetHandle();
    ASSERT_TRUE(m_port.Close());
    const HANDLE hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(m_port.Open()) << "closing released the device";
    const HANDLE hComm = m_port.GetHandle();
    ASSERT_TRUE(CloseHandle(hEvent));
    char byte = 0;
    DWORD n = 0;
    DCB dcb{};
    COMSTAT stat{};
    EXPECT_TRUE(ClearCommError(hComm, &n, &stat) && n == 0);
    EXPECT_TRUE(EscapeCommFunction(hComm, SETBREAK) && EscapeCommFunction(hComm, CLRBREAK));
    EXPECT_TRUE(SetCommMask(hComm, EV_RXCHAR | EV_TXEMPTY) && SetupComm(hComm, 4096, 4096));
    const std::pair<std::function<bool()>, DWORD> refusals[] = {
        {[&] { return ReadFile(hClosed, &byte, 1, &n, nullptr); }, ERROR_INVALID_HANDLE},
        {[&] { return WriteFile(hClosed, "x", 1, &n, nullptr) || GetCommState(hClosed, &dcb); },
         ERROR_INVALID_HANDLE},
        {[&] { return CloseHandle(hClosed) || ReadFile(INVALID_HANDLE_VALUE, &byte, 1, &n, 0); },
         ERROR_INVALID_HANDLE},
        {[&] { return ReadCommOrWait(hClosed, &byte, 1, n, nullptr, 0) != WAIT_FAILED; },
         ERROR_INVALID_HANDLE},
        {[&] { return ReadCommOrWait(hComm, nullptr, 1, n, nullptr, 0) != WAIT_FAILED; },
         ERROR_INVALID_PARAMETER},
        {[&] { return ReadCommOrWait(hComm, &byte, 1, n, hEvent, 0) != WAIT_FAILED; },
         ERROR_INVALID_HANDLE}, // a closed event
        {[&] { return PurgeComm(hComm, 0x100) || EscapeCommFunction(hComm, 77); },
         ERROR_INVALID_PARAMETER},
        // A pseudo-terminal has no modem-control lines: asking for one is refused, not ignored.
        {[&] { return EscapeCommFunction(hComm, SETDTR); }, ERROR_NOT_SUPPORTED},
    };
    for (const auto& refusal : refusals)
    {
        SCOPED_TRACE(&refusal - refusals);
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(refusal.first());
        EXPECT_EQ(refusal.second, GetLastError());
    }
}

TEST_F(SerialPortTest, ReadCommOrWaitEndsOnBytesOnTheEventOnTimeOrAtOnceOnAHungUpLine)
{
    const HANDLE hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    char buffer[64];
    DWORD nRead = 0;
    long long m_nElapsed = 0;
    const auto timedRead = [&](DWORD dwMilliseconds) {
        const auto start = std::chrono::steady_clock::now();
        const DWORD dwResult = ReadCommOrWait(m_port.GetHandle(), buffer, sizeof buffer, nRead,
                                              hEvent, dwMilliseconds);
        m_nElapsed = MillisecondsSince(start);
        return dwResult;
    };
    ASSERT_TRUE(m_pty.Send("abc"));
    ASSERT_EQ(WAIT_OBJECT_0, timedRead(1000));
    EXPECT_EQ("abc", std::string(buffer, nRead)) << "every waiting byte in one read";
    EXPECT_EQ(WAIT_TIMEOUT, timedRead(20));
    EXPECT_EQ(0U, nRead);
    // A byte or the event that comes during a long wait ends it at once:
    // engine/posix/LiveAcquisitionTests.cpp. A set event is seen while it stays set.
    SetEvent(hEvent);
    EXPECT_EQ(WAIT_OBJECT_0 + 1, timedRead(5000));
    EXPECT_EQ(WAIT_OBJECT_0 + 1, timedRead(5000));
    ResetEvent(hEvent);
    EXPECT_EQ(WAIT_TIMEOUT, timedRead(20)) << "reset, it no longer ends a wait";
    m_pty.CloseMaster();
    EXPECT_EQ(WAIT_FAILED, timedRead(5000));
    EXPECT_EQ(ERROR_DEVICE_REMOVED, GetLastError());
    EXPECT_LT(m_nElapsed, 2000) << "a hung-up line answers at once; its caller rests";
    CloseHandle(hEvent);
}

TEST_F(SerialPortTest, ClosingTheHandleEndsABlockedRead)
{
    COMMTIMEOUTS timeouts{}; // wait for the count, without limit
    ASSERT_TRUE(SetCommTimeouts(m_port.GetHandle(), &timeouts));
    DWORD dwError = 0;
    BOOL bOk = TRUE;
    std::thread reader([&, hComm = m_port.GetHandle()] {
        char buffer[4];
        DWORD n = 0;
        bOk = ReadFile(hComm, buffer, sizeof(buffer), &n, nullptr);
        dwError = GetLastError();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(m_port.Close());
    reader.join();
    EXPECT_FALSE(bOk);
    EXPECT_EQ(ERROR_OPERATION_ABORTED, dwError);
}
