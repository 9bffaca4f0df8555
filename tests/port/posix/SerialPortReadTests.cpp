// The blocking reads of CSerialPort against bytes the device (the pseudo-terminal's master)
// sends, and a device that goes away while the port is open.
#include "support/PseudoTerminal.h"
#include "support/Waiting.h"
#include "port/SerialPort.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
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
        ASSERT_TRUE(m_pty->IsValid());
        m_port.SetPort(4);
        ASSERT_TRUE(m_port.Open());
        m_port.SetTimeout(100);
    }
    void TearDown() override { m_port.Close(); }

    // Sends bytes and waits until the port has them all in its queue.
    void Arrive(const std::string& bytes)
    {
        const int nBefore = m_port.BytesWaiting();
        ASSERT_TRUE(m_pty->Send(bytes));
        WaitUntil(
            [&] { return m_port.BytesWaiting() >= nBefore + static_cast<int>(bytes.size()); });
    }
    // Sends bytes from another thread after a delay, while the test blocks in a read.
    std::jthread SendLater(std::string bytes, int nMilliseconds = 30)
    {
        return std::jthread([this, bytes = std::move(bytes), nMilliseconds] {
            std::this_thread::sleep_for(milliseconds(nMilliseconds));
            m_pty->Send(bytes);
        });
    }

    std::optional<CPseudoTerminal> m_pty{std::in_place, 4};
    CSerialPort m_port;
    bool m_bCancel = false;
};

} // namespace

TEST_F(SerialPortReadTest, ReadsTakeWhatArrives)
{
    Arrive(std::string("$GPGGA,1\r\nab\0cd", 15));
    CString strText;
    ASSERT_TRUE(m_port.ReadText(strText, m_bCancel));
    EXPECT_EQ(CString(L"$GPGGA,1\r\nab"), strText) << "the text stops at the first zero byte";
    EXPECT_EQ(0, m_port.BytesWaiting());
    Arrive(std::string("ab\0cd", 5));
    std::vector<char> data;
    ASSERT_TRUE(m_port.ReadArray(data, m_bCancel));
    EXPECT_EQ(std::string("ab\0cd", 5), std::string(data.begin(), data.end()));
    {
        const std::jthread later = SendLater("late");
        ASSERT_TRUE(m_port.ReadText(strText, m_bCancel));
        EXPECT_EQ(L'l', strText[0]) << "the burst starts with a byte that came late";
    }
    ASSERT_TRUE(m_port.PurgeInput());

    char byte = 0;
    Arrive("QabcXdef");
    ASSERT_TRUE(m_port.ReadByte(&byte));
    EXPECT_EQ('Q', byte);
    EXPECT_FALSE(m_port.ReadByte(nullptr));
    EXPECT_TRUE(m_port.WaitForByte('X', 1000));
    EXPECT_EQ(3, m_port.BytesWaiting()) << "bytes before X are dropped, after X are kept";
    EXPECT_TRUE(m_port.SetBreak() && m_port.ClearBreak() && m_port.PurgeInput());
    EXPECT_EQ(0, m_port.BytesWaiting());

    char buffer[16] = {};
    DWORD nRead = 99;
    EXPECT_TRUE(m_port.Read(buffer, 0, &nRead, m_bCancel));
    EXPECT_EQ(0u, nRead);
    Arrive("12345678");
    ASSERT_TRUE(m_port.Read(buffer, 5, &nRead, m_bCancel));
    EXPECT_EQ("12345", std::string(buffer, nRead));
    ASSERT_TRUE(m_port.Read(buffer, 10, &nRead, m_bCancel)) << "fewer than asked: what came";
    EXPECT_EQ("678", std::string(buffer, nRead));
    EXPECT_TRUE(m_port.Read(buffer, 4, &nRead, m_bCancel)) << "nothing at all: not a failure";
    EXPECT_EQ(0u, nRead);
}

TEST_F(SerialPortReadTest, TimeOutsAndCancelTakeNothing)
{
    CString strText(L"old");
    auto start = Clock::now();
    EXPECT_FALSE(m_port.ReadText(strText, m_bCancel));
    EXPECT_TRUE(strText.IsEmpty());
    EXPECT_GE(MillisecondsSince(start), 90) << "the first-byte time-out";
    start = Clock::now();
    EXPECT_FALSE(m_port.WaitForByte('Z', 60));
    EXPECT_GE(MillisecondsSince(start), 55);

    Arrive("xyz");
    const bool bCancel = true;
    std::vector<char> data{'d'};
    DWORD nRead = 7;
    char buffer[4];
    EXPECT_FALSE(m_port.ReadText(strText, bCancel) || m_port.ReadArray(data, bCancel) ||
                 m_port.Read(buffer, 3, &nRead, bCancel) ||
                 m_port.ReadUntilAny(strText, bCancel, L"z") ||
                 m_port.ReadResponse(strText, bCancel, L"z", L"y", L""));
    EXPECT_EQ(0u, nRead);
    EXPECT_TRUE(data.empty() && strText.IsEmpty());
    EXPECT_EQ(3, m_port.BytesWaiting()) << "a cancelled read takes nothing";
}

TEST_F(SerialPortReadTest, ReadUntilAStopByteOrSilence)
{
    Arrive("abc\ndef");
    EXPECT_EQ('a', m_port.ReadUntil('\n', 50));
    EXPECT_EQ(3, m_port.BytesWaiting()) << "reading stopped after the stop byte";
    EXPECT_EQ('d', m_port.ReadUntil(0, 50));
    EXPECT_EQ(2, m_port.BytesWaiting()) << "a stop byte of 0 stops after the first byte";
    const auto start = Clock::now();
    EXPECT_EQ('e', m_port.ReadUntil('#', 50));
    EXPECT_EQ(0, m_port.ReadUntil('#', 50));
    EXPECT_GE(MillisecondsSince(start), 90) << "each ended by 50 ms of silence";
}

TEST_F(SerialPortReadTest, ReadUntilAnyAndReadResponseEndAtTheirTerminator)
{
    struct Row
    {
        const char* legend;
        std::string strFirst;
        std::string strLater; // sent 30 ms into the read
        const wchar_t* pszTerminators;
        const wchar_t* pszMarker; // empty: ReadUntilAny
        const wchar_t* pszAltMarker;
        bool bFound;
        const wchar_t* pszText;
        int nLeft; // bytes left in the queue
    };
    const Row rows[] = {
        {"no marker: up to a terminator", "$PASHR,RID\r\nnext", "", L"\r\n", L"", L"", true,
         L"$PASHR,RID\r", 5},
        {"no marker: a reply in two parts", "nex", "t;", L";", L"", L"", true, L"next;", 0},
        {"no marker and no terminator", "partial", "", L";", L"", L"", false, L"partial", 0},
        {"marker at once", "$PASHR,ACK*3D\r\n", "", L"\r\n", L"ACK*3D", L"", true,
         L"$PASHR,ACK*3D\r\n", 0},
        {"marker split across parts", "$PASHR,AC", "K*3D\n", L"\r\n", L"ACK*3D", L"", true,
         L"$PASHR,ACK*3D\n", 0},
        {"terminator after the marker later", "$PASHR,ACK*3D", "\r", L"\r\n", L"ACK*3D", L"", true,
         L"$PASHR,ACK*3D\r", 0},
        {"alternative marker", "$PASHR,NAK*30\r\n", "", L"\r\n", L"ACK*3D", L"NAK*30", true,
         L"$PASHR,NAK*30\r\n", 0},
        {"marker seen twice, the second ends", "ACK,ACK\n", "", L"\n", L"ACK", L"", true,
         L"ACK,ACK\n", 0},
        {"a marker that overlaps itself", "AAA\r", "", L"\r", L"AA", L"", true, L"AAA\r", 0},
        {"marker last, no terminator", "\r\nACK*3D", "", L"\r\n", L"ACK*3D", L"", false,
         L"\r\nACK*3D", 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        ASSERT_TRUE(m_port.PurgeInput());
        Arrive(row.strFirst);
        CString strText;
        const auto start = Clock::now();
        bool bFound = false;
        {
            const std::jthread later = SendLater(row.strLater);
            bFound = m_port.ReadResponse(strText, m_bCancel, row.pszTerminators, row.pszMarker,
                                         row.pszAltMarker);
        }
        EXPECT_EQ(row.bFound, bFound);
        EXPECT_EQ(CString(row.pszText), strText);
        EXPECT_EQ(row.nLeft, m_port.BytesWaiting());
        if (!row.bFound)
        {
            EXPECT_GE(MillisecondsSince(start), *row.pszMarker != 0 ? 580 : 90)
                << "the time-out (plus 500 ms with a marker)";
        }
    }
    CString strText;
    const auto start = Clock::now();
    EXPECT_FALSE(m_port.ReadResponse(strText, m_bCancel, L"\r\n", L"ACK", L""));
    EXPECT_LT(MillisecondsSince(start), 500) << "nothing at all: the first-byte time-out";
}

TEST_F(SerialPortReadTest, DeviceGoneFailsCleanlyAndCheaplyUntilOpenedAgain)
{
    m_port.SetTimeout(20);
    EXPECT_FALSE(m_port.IsDeviceGone());
    m_pty->CloseMaster();
    EXPECT_FALSE(m_port.Write(CString(L"X\r\n")));
    EXPECT_TRUE(m_port.IsDeviceGone()) << "the failed write found the device gone";
    CString strText;
    char byte = 0;
    EXPECT_FALSE(m_port.WriteByte('X') || m_port.ReadText(strText, m_bCancel) ||
                 m_port.ReadByte(&byte));
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
    const double dCpuBefore = cpuSeconds();
    const auto start = Clock::now();
    while (MillisecondsSince(start) < 300)
    {
        COMMTIMEOUTS timeouts{MAXDWORD, MAXDWORD, 50, 0, 0};
        SetCommTimeouts(hComm, &timeouts);
        DWORD nRead = 0;
        EXPECT_FALSE(ReadFile(hComm, &byte, 1, &nRead, nullptr));
        EXPECT_FALSE(m_port.ReadByte(&byte) || m_port.WaitForByte('$', 10));
    }
    const double dCpu = cpuSeconds() - dCpuBefore;
    EXPECT_LT(dCpu / (static_cast<double>(MillisecondsSince(start)) / 1000.0), 0.20) << dCpu;

    EXPECT_TRUE(m_port.Close());
    EXPECT_FALSE(m_port.IsDeviceGone()) << "a closed port has no device to lose";
    m_pty.emplace(4); // plugged in again
    ASSERT_TRUE(m_port.Open());
    EXPECT_FALSE(m_port.IsDeviceGone());
    Arrive("back");
    ASSERT_TRUE(m_port.ReadText(strText, m_bCancel));
    EXPECT_EQ(CString(L"back"), strText);
}
