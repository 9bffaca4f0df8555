// A real COM port pair (two ports joined by a null-modem cable, or by socat under wine): the
// port opens and takes its settings through the system, and ReadFile keeps the time-out rules
// that the acquisition thread relies on. Names the pair in FIXORA_TEST_COM_PAIR ("3,4" for COM3
// and COM4); skipped without it.
#include "port/SerialPort.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

// Reads once with the acquisition thread's settings: return at once when a byte is waiting,
// else after dwConstant ms.
DWORD ReadWithin(HANDLE hComm, DWORD dwConstant, char* pBuffer, DWORD nCount, DWORD& dwElapsed)
{
    COMMTIMEOUTS timeouts{MAXDWORD, MAXDWORD, dwConstant, 0, 0};
    EXPECT_TRUE(SetCommTimeouts(hComm, &timeouts));
    DWORD nRead = 0;
    const DWORD dwStart = GetTickCount();
    EXPECT_TRUE(ReadFile(hComm, pBuffer, nCount, &nRead, nullptr));
    dwElapsed = GetTickCount() - dwStart;
    return nRead;
}

} // namespace

TEST(ComPortPair, ReadsFollowTheTimeOutRules)
{
    const char* pszPair = std::getenv("FIXORA_TEST_COM_PAIR");
    int nFirst = 0;
    int nSecond = 0;
    if (pszPair == nullptr || std::sscanf(pszPair, "%d,%d", &nFirst, &nSecond) != 2)
    {
        GTEST_SKIP() << "no COM port pair named in FIXORA_TEST_COM_PAIR";
    }
    CSerialPort reader;
    CSerialPort writer;
    reader.SetPort(nFirst);
    writer.SetPort(nSecond);
    ASSERT_TRUE(reader.Open());
    ASSERT_TRUE(writer.Open());
    EXPECT_TRUE(reader.Open()) << "already open";

    char buffer[16393] = {};
    DWORD dwElapsed = 0;
    EXPECT_EQ(0u, ReadWithin(reader.GetHandle(), 1000, buffer, 1, dwElapsed)) << "silence";
    EXPECT_GE(dwElapsed, 900u);
    EXPECT_LT(dwElapsed, 5000u);

    const std::string sentence =
        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
    ASSERT_TRUE(writer.Write(CString(sentence.c_str())));
    ASSERT_EQ(1u, ReadWithin(reader.GetHandle(), 1000, buffer, 1, dwElapsed));
    EXPECT_LT(dwElapsed, 900u) << "a waiting byte ends the read at once";
    std::string received(buffer, 1);
    // The rest comes with a 1 ms constant, in as many reads as the driver hands it over.
    for (int i = 0; i < 300 && received.size() < sentence.size(); ++i)
    {
        const DWORD n = ReadWithin(reader.GetHandle(), 1, buffer, 16392, dwElapsed);
        received.append(buffer, n);
        EXPECT_LT(dwElapsed, 900u);
        if (n == 0)
        {
            Sleep(10);
        }
    }
    EXPECT_EQ(sentence, received);

    EXPECT_TRUE(reader.Close());
    EXPECT_FALSE(reader.Close()) << "already closed";
    EXPECT_TRUE(writer.Close());
}
