// The blocking reads of CSerialPort against bytes the device (the pseudo-terminal's master)
// sends, and a device that goes away while the port is open.
#include "support/PseudoTerminal.h"
#include "support/Waiting.h"
#include "port/SerialPort.h"

#include <gtest/gtest.h>

#include <chrono>
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
    static constexpr int kPort = 4;

    void SetUp() override
    {
        ASSERT_TRUE(m_pty.IsValid());
        m_port.SetPort(kPort);
        m_port.SetBaudRate(9600);
        ASSERT_TRUE(m_port.Open());
        m_port.SetTimeout(300);
    }
    void TearDown() override { m_port.Close(); }

    // Sends bytes and waits until the port has them all in its queue.
    void Arrive(const std::string& bytes)
    {
        const int nBefore = m_port.BytesWaiting();
        ASSERT_TRUE(m_pty.Send(bytes));
        const auto start = Clock::now();
        while (m_port.BytesWaiting() < nBefore + static_cast<int>(bytes.size()) &&
               MillisecondsSince(start) < 2000)
        {
            std::this_thread::sleep_for(milliseconds(2));
        }
    }

    // Sends bytes from another thread after a delay, while the test blocks in a read.
    std::thread SendLater(std::string bytes, milliseconds delay)
    {
        return std::thread([this, bytes = std::move(bytes), delay] {
            std::this_thread::sleep_for(delay);
            m_pty.Send(bytes);
        });
    }

    CPtyPair m_pty;
    CComPortMapping m_mapping{kPort, m_pty.SlavePath()};
    CSerialPort m_port;
    bool m_bCancel = false;
};

double ThreadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

TEST_F(SerialPortReadTest, ReadTextAndReadArrayTakeOneBurst)
{
    Arrive("$GPGGA,1\r\n");
    CString strText;
    ASSERT_TRUE(m_port.ReadText(strText, m_bCancel));
    EXPECT_EQ(CString(L"$GPGGA,1\r\n"), strText);
    EXPECT_EQ(0, m_port.BytesWaiting());

    Arrive(std::string("ab\0cd", 5));
    std::vector<char> data;
    ASSERT_TRUE(m_port.ReadArray(data, m_bCancel));
    EXPECT_EQ(std::string("ab\0cd", 5), std::string(data.begin(), data.end()));

    Arrive(std::string("ab\0cd", 5));
    ASSERT_TRUE(m_port.ReadText(strText, m_bCancel));
    EXPECT_EQ(CString(L"ab"), strText) << "the text stops at the first zero byte";

    // The first byte may come late: the burst starts with it.
    std::thread later = SendLater("late", milliseconds(100));
    const bool bRead = m_port.ReadText(strText, m_bCancel);
    later.join();
    ASSERT_TRUE(bRead);
    // The burst ends 10 ms after the first byte; the rest of a slow sender comes next time.
    EXPECT_EQ(L'l', strText[0]);
}

TEST_F(SerialPortReadTest, ReadTextGivesUpAfterTheTimeoutOrWhenCancelled)
{
    CString strText(L"old");
    auto start = Clock::now();
    EXPECT_FALSE(m_port.ReadText(strText, m_bCancel));
    const long long nElapsed = MillisecondsSince(start);
    EXPECT_TRUE(strText.IsEmpty());
    EXPECT_GE(nElapsed, 250);
    EXPECT_LT(nElapsed, 2000);

    Arrive("xyz");
    const bool bCancel = true;
    start = Clock::now();
    EXPECT_FALSE(m_port.ReadText(strText, bCancel));
    std::vector<char> data;
    EXPECT_FALSE(m_port.ReadArray(data, bCancel));
    DWORD nRead = 7;
    char buffer[4];
    EXPECT_FALSE(m_port.Read(buffer, 3, &nRead, bCancel));
    EXPECT_EQ(0u, nRead);
    EXPECT_FALSE(m_port.ReadUntilAny(strText, bCancel, L"z"));
    EXPECT_LT(MillisecondsSince(start), 200) << "a cancelled read does not wait";
    EXPECT_EQ(3, m_port.BytesWaiting()) << "and takes nothing";
}

TEST_F(SerialPortReadTest, ReadByteAndWaitForByte)
{
    char byte = 0;
    auto start = Clock::now();
    EXPECT_FALSE(m_port.ReadByte(&byte));
    EXPECT_LT(MillisecondsSince(start), 500) << "ReadByte waits at most 10 ms";
    EXPECT_FALSE(m_port.ReadByte(nullptr));

    Arrive("Q");
    ASSERT_TRUE(m_port.ReadByte(&byte));
    EXPECT_EQ('Q', byte);

    Arrive("abcXdef");
    EXPECT_TRUE(m_port.WaitForByte('X', 1000));
    EXPECT_EQ(3, m_port.BytesWaiting()) << "bytes before X are dropped, after X are kept";

    std::thread later = SendLater("!", milliseconds(150));
    start = Clock::now();
    const bool bGot = m_port.WaitForByte('!', 2000);
    const long long nElapsed = MillisecondsSince(start);
    later.join();
    EXPECT_TRUE(bGot);
    EXPECT_LT(nElapsed, 1500);

    start = Clock::now();
    EXPECT_FALSE(m_port.WaitForByte('Z', 300));
    EXPECT_GE(MillisecondsSince(start), 250);
    EXPECT_EQ(0, m_port.BytesWaiting());
}

TEST_F(SerialPortReadTest, PurgeBreakAndReadUpToACount)
{
    EXPECT_TRUE(m_port.SetBreak() && m_port.ClearBreak());
    Arrive("stale bytes");
    EXPECT_EQ(11, m_port.BytesWaiting());
    EXPECT_TRUE(m_port.PurgeInput());
    EXPECT_EQ(0, m_port.BytesWaiting());

    char buffer[16] = {};
    DWORD nRead = 99;
    EXPECT_TRUE(m_port.Read(buffer, 0, &nRead, m_bCancel));
    EXPECT_EQ(0u, nRead);
    Arrive("12345678");
    ASSERT_TRUE(m_port.Read(buffer, 5, &nRead, m_bCancel));
    EXPECT_EQ(5u, nRead);
    EXPECT_EQ("12345", std::string(buffer, 5));
    EXPECT_EQ(3, m_port.BytesWaiting());

    // Fewer bytes than asked: the read ends after the interval time-out, with what came.
    auto start = Clock::now();
    ASSERT_TRUE(m_port.Read(buffer, 10, &nRead, m_bCancel));
    EXPECT_EQ(3u, nRead);
    EXPECT_EQ("678", std::string(buffer, 3));
    EXPECT_LT(MillisecondsSince(start), 2000);

    // Nothing at all: no bytes, not a failure.
    start = Clock::now();
    EXPECT_TRUE(m_port.Read(buffer, 4, &nRead, m_bCancel));
    EXPECT_EQ(0u, nRead);
    EXPECT_GE(MillisecondsSince(start), 250);
}

TEST_F(SerialPortReadTest, ReadUntilAStopByteOrSilence)
{
    Arrive("abc\ndef");
    EXPECT_EQ('a', m_port.ReadUntil('\n', 200));
    EXPECT_EQ(3, m_port.BytesWaiting()) << "reading stopped after the stop byte";

    EXPECT_EQ('d', m_port.ReadUntil(0, 200));
    EXPECT_EQ(2, m_port.BytesWaiting()) << "a stop byte of 0 stops after the first byte";

    auto start = Clock::now();
    EXPECT_EQ('e', m_port.ReadUntil('#', 200));
    long long nElapsed = MillisecondsSince(start);
    EXPECT_GE(nElapsed, 150) << "ended by 200 ms of silence";
    EXPECT_LT(nElapsed, 2000);

    start = Clock::now();
    EXPECT_EQ(0, m_port.ReadUntil('#', 150));
    nElapsed = MillisecondsSince(start);
    EXPECT_GE(nElapsed, 100);
    EXPECT_LT(nElapsed, 2000);
}

TEST_F(SerialPortReadTest, ReadUntilAnyTerminator)
{
    Arrive("$PASHR,RID*3A\r\nnext");
    CString strText;
    ASSERT_TRUE(m_port.ReadUntilAny(strText, m_bCancel, L"\r\n"));
    EXPECT_EQ(CString(L"$PASHR,RID*3A\r"), strText) << "the text ends with the terminator";
    EXPECT_EQ(5, m_port.BytesWaiting());
    ASSERT_TRUE(m_port.ReadUntilAny(strText, m_bCancel, L"\n"));
    EXPECT_EQ(CString(L"\n"), strText);

    // A reply that comes in two parts.
    std::thread later = SendLater("tail;", milliseconds(60));
    ASSERT_TRUE(m_port.ReadUntilAny(strText, m_bCancel, L";"));
    later.join();
    EXPECT_EQ(CString(L"nexttail;"), strText);

    // No terminator: false after the time-out, with what came.
    Arrive("partial");
    const auto start = Clock::now();
    EXPECT_FALSE(m_port.ReadUntilAny(strText, m_bCancel, L";"));
    EXPECT_GE(MillisecondsSince(start), 250);
    EXPECT_EQ(CString(L"partial"), strText);
}

TEST_F(SerialPortReadTest, ReadResponseWaitsForAMarkerBeforeATerminator)
{
    struct Row
    {
        const char* legend;
        std::string strFirst;
        std::string strLater; // sent 100 ms into the read
        const wchar_t* pszMarker;
        const wchar_t* pszAltMarker;
        bool bFound;
        const wchar_t* pszText;
    };
    const Row rows[] = {
        {"marker at once", "$PASHR,ACK*3D\r\n", "", L"ACK*3D", L"", true, L"$PASHR,ACK*3D\r\n"},
        {"marker split across parts", "$PASHR,AC", "K*3D\r\n", L"ACK*3D", L"", true,
         L"$PASHR,ACK*3D\r\n"},
        {"alternative marker", "$PASHR,NAK*30\r\n", "", L"ACK*3D", L"NAK*30", true,
         L"$PASHR,NAK*30\r\n"},
        {"marker without terminator after it", "ACK*3D and more", "", L"ACK*3D", L"", false,
         L"ACK*3D and more"},
        {"marker seen twice, second one ends", "ACK*3D,ACK*3D\n", "", L"ACK*3D", L"", true,
         L"ACK*3D,ACK*3D\n"},
        {"empty marker: up to a terminator", "abc\r\ndef", "", L"", L"", true, L"abc\r"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ASSERT_TRUE(m_port.PurgeInput());
        Arrive(row.strFirst);
        std::thread later = SendLater(row.strLater, milliseconds(100));
        CString strText;
        const auto start = Clock::now();
        const bool bFound =
            m_port.ReadResponse(strText, m_bCancel, L"\r\n", row.pszMarker, row.pszAltMarker);
        const long long nElapsed = MillisecondsSince(start);
        later.join();
        EXPECT_EQ(row.bFound, bFound);
        EXPECT_EQ(CString(row.pszText), strText);
        if (!row.bFound)
        {
            EXPECT_GE(nElapsed, 700) << "gives up after the time-out plus 500 ms";
            EXPECT_LT(nElapsed, 3000);
        }
    }
    CString strText;
    const auto start = Clock::now();
    EXPECT_FALSE(m_port.ReadResponse(strText, m_bCancel, L"\r\n", L"ACK", L""));
    EXPECT_LT(MillisecondsSince(start), 2000) << "nothing at all: the first-byte time-out";
}

TEST_F(SerialPortReadTest, DeviceGoneFailsCleanlyAndCheaply)
{
    m_port.SetTimeout(100);
    EXPECT_FALSE(m_port.IsDeviceGone());
    m_pty.CloseMaster();

    EXPECT_FALSE(m_port.Write(CString(L"X\r\n")));
    EXPECT_TRUE(m_port.IsDeviceGone()) << "the failed write found the device gone";
    EXPECT_FALSE(m_port.WriteByte('X'));
    EXPECT_EQ(0, m_port.BytesWaiting());
    CString strText;
    EXPECT_FALSE(m_port.ReadText(strText, m_bCancel));
    char byte = 0;
    EXPECT_FALSE(m_port.ReadByte(&byte));
    EXPECT_TRUE(m_port.IsOpen()) << "the port stays open until it is closed";

    // A reader that keeps trying, as the acquisition thread does, must not spin.
    const HANDLE hComm = m_port.GetHandle();
    const double dCpuBefore = ThreadCpuSeconds();
    const auto start = Clock::now();
    int nTurns = 0;
    while (MillisecondsSince(start) < 2000)
    {
        COMMTIMEOUTS timeouts{MAXDWORD, MAXDWORD, 200, 0, 0};
        SetCommTimeouts(hComm, &timeouts);
        DWORD nRead = 0;
        EXPECT_FALSE(ReadFile(hComm, &byte, 1, &nRead, nullptr));
        EXPECT_FALSE(m_port.ReadByte(&byte));
        EXPECT_FALSE(m_port.WaitForByte('$', 30));
        m_port.BytesWaiting();
        ++nTurns;
    }
    const double dCpu = ThreadCpuSeconds() - dCpuBefore;
    const double dWall = static_cast<double>(MillisecondsSince(start)) / 1000.0;
    EXPECT_GT(nTurns, 0);
    EXPECT_LT(dCpu / dWall, 0.20) << "CPU " << dCpu << " s in " << dWall << " s";

    EXPECT_TRUE(m_port.Close());
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_FALSE(m_port.IsDeviceGone()) << "a closed port has no device to lose";
}
