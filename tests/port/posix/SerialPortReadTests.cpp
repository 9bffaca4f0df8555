// The blocking reads of CSerialPort against bytes the device (the pseudo-terminal's master)
// sends, and a device that goes away while the port is open.
#include "support/PseudoTerminal.h"
#include "support/Waiting.h"
#include "port/SerialPort.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <numeric>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace
{

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

class SerialPortReadTest : public ::testing::Test
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
    // Sends bytes from another thread after a delay, while the test blocks in a read.
    std::jthread SendLater(std::string bytes, int nMilliseconds = 30)
    {
        return std::jthread([this, bytes = std::move(bytes), nMilliseconds] {
            std::this_thread::sleep_for(milliseconds(nMilliseconds));
            m_pty.Send(bytes);
        });
    }

    CPseudoTerminal m_pty{4};
    CSerialPort m_port;
    bool m_bCancel = false;
};

} // namespace

// The reads a host uses to talk to a device itself, each with the bytes already there and those
// that come 30 ms into the read: what the read answers (its result, then what it read), what it
// leaves in the queue, and how long it waited at least. The port's time-out is 100 ms.
TEST_F(SerialPortReadTest, EachReadTakesWhatItShouldAndLeavesTheRest)
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
    struct Row
    {
        const char* legend;
        std::string strFirst, strLater;
        std::function<std::string()> read;
        std::string strExpected;
        int nLeft;
        long long nMinMs = 0;
    };
    std::string all(256, '\0'); // no input translation (CR, break, XON)
    std::iota(all.begin(), all.end(), '\0');
    const Row rows[] = {
        {"ReadText stops at a zero byte", std::string("$GP,1\r\nab\0cd", 12), "",
         [&] { return text(m_port.ReadText(strText, m_bCancel)); }, "1 $GP,1\r\nab", 0},
        {"ReadText starts with a late byte", "", "l",
         [&] { return text(m_port.ReadText(strText, m_bCancel)); }, "1 l", 0, 25},
        {"ReadText waits out its time-out", "", "",
         [&] { return text(m_port.ReadText(strText, m_bCancel)); }, "0 ", 0, 95},
        {"ReadArray keeps every byte value", all, "",
         [&] {
             const bool bResult = m_port.ReadArray(data, m_bCancel);
             return answer(bResult, std::string(data.begin(), data.end()));
         },
         "1 " + all, 0},
        {"ReadByte", "Qr", "",
         [&] {
             const bool bResult = m_port.ReadByte(buffer);
             return answer(bResult, {buffer[0]});
         },
         "1 Q", 1},
        {"ReadByte without a place", "Q", "", [&] { return answer(m_port.ReadByte(nullptr), ""); },
         "0 ", 1},
        {"WaitForByte drops what comes before", "abcXdef", "",
         [&] { return answer(m_port.WaitForByte('X', 1000), ""); }, "1 ", 3},
        {"WaitForByte gives up", "abc", "", [&] { return answer(m_port.WaitForByte('X', 60), ""); },
         "0 ", 0, 55},
        {"Read up to a count", "12345678", "", [&] { return read(5); }, "1 12345", 3},
        {"Read fewer than asked", "678", "", [&] { return read(10); }, "1 678", 0, 95},
        {"Read nothing at all is no failure", "", "", [&] { return read(4); }, "1 ", 0, 95},
        {"Read no bytes", "x", "", [&] { return read(0); }, "1 ", 1},
        {"ReadUntil a stop byte", "abc\ndef", "",
         [&] { return std::string{m_port.ReadUntil('\n', 50)}; }, "a", 3},
        {"ReadUntil byte 0: any byte", "def", "",
         [&] { return std::string{m_port.ReadUntil(0, 50)}; }, "d", 2},
        {"ReadUntil silence", "ef", "", [&] { return std::string{m_port.ReadUntil('#', 50)}; }, "e",
         0, 45},
        {"no marker: up to a terminator", "$PASHR,RID\r\nnext", "",
         [&] { return response(L"\r\n", L""); }, "1 $PASHR,RID\r", 5},
        {"no marker: a reply in two parts", "nex", "t;", [&] { return response(L";", L""); },
         "1 next;", 0},
        {"no marker and no terminator", "partial", "", [&] { return response(L";", L""); },
         "0 partial", 0, 95},
        {"marker at once", "$PASHR,ACK*3D\r\n", "", [&] { return response(L"\r\n", L"ACK*3D"); },
         "1 $PASHR,ACK*3D\r\n", 0},
        {"marker split across parts", "$PASHR,AC", "K*3D\n",
         [&] { return response(L"\r\n", L"ACK*3D"); }, "1 $PASHR,ACK*3D\n", 0},
        {"terminator after the marker later", "$PASHR,ACK*3D", "\r",
         [&] { return response(L"\r\n", L"ACK*3D"); }, "1 $PASHR,ACK*3D\r", 0},
        {"alternative marker", "$PASHR,NAK*30\r\n", "",
         [&] { return response(L"\r\n", L"ACK*3D", L"NAK*30"); }, "1 $PASHR,NAK*30\r\n", 0},
        {"marker seen twice, the second ends", "ACK,ACK\n", "",
         [&] { return response(L"\n", L"ACK"); }, "1 ACK,ACK\n", 0},
        {"a marker that overlaps itself", "AAA\r", "", [&] { return response(L"\r", L"AA"); },
         "1 AAA\r", 0},
        {"marker last, no terminator: time-out plus 500 ms", "\r\nACK*3D", "",
         [&] { return response(L"\r\n", L"ACK*3D"); }, "0 \r\nACK*3D", 0, 580},
        {"nothing at all: the first-byte time-out", "", "",
         [&] { return response(L"\r\n", L"ACK"); }, "0 ", 0, 95},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ASSERT_TRUE(m_port.PurgeInput());
        Arrive(row.strFirst);
        const auto start = Clock::now();
        {
            const std::jthread later = SendLater(row.strLater);
            EXPECT_EQ(row.strExpected, row.read());
        }
        EXPECT_GE(MillisecondsSince(start), row.nMinMs);
        EXPECT_EQ(row.nLeft, m_port.BytesWaiting());
    }
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

TEST_F(SerialPortReadTest, DeviceGoneFailsCleanlyAndCheaplyUntilClosed)
{
    m_port.SetTimeout(20);
    EXPECT_FALSE(m_port.IsDeviceGone());
    m_pty.CloseMaster();
    // A write finds it gone, and says so (a read does through the hung-up line:
    // CommDeviceTests.cpp).
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
    // Opened again on a device plugged in again: engine/posix/PulledCableTests.cpp.
}
