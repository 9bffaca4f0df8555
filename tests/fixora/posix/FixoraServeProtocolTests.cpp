// fixora --serve and what clients send it: every request gets its answer or an ERROR
// (tests/data/fixora/requests.transcript), a port in use is refused, and bad or slow clients leave
// the others served. A live receiver on a pseudo-terminal lets the test say when records flow.
#include "ServeSupport.h"
#include "support/PtyPair.h"
#include "support/Transcript.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{

// A server of a live receiver that has sent one fix, at 23:59:59.
struct SServed
{
    SServed()
    {
        // The port may not be open yet: the sentence is repeated until a watcher has its fix.
        CConnection watcher(server.Port());
        watcher.Send("?WATCH={\"enable\":true}\n");
        const std::string strGga =
            NmeaSentence("GPGGA,235959,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
        WaitUntil([&] {
            pty.Send(strGga);
            const std::optional<std::string> strLine = watcher.Line(100);
            return strLine && strLine->find("\"TPV\"") != std::string::npos;
        });
    }
    ~SServed() { EXPECT_EQ(server.Stop(SIGTERM), 0) << server.Err(); }

    CPtyPair pty;
    CServing server{{"--device", pty.SlavePath()}};
};

TEST(FixoraServeProtocol, EachRequestGetsItsAnswerOrAnError)
{
    SServed served;
    const std::pair<const char*, const char*> rows[] = {
        {"version", "?VERSION;\n"},
        {"devices", "?DEVICES;\n"},
        {"two on a line, CR LF", "?VERSION;?DEVICES;\r\n"},
        {"poll", "?POLL;\n"},
        {"watch json", "?WATCH={\"enable\":true,\"json\":true};\n"},
        {"watch nmea", "?WATCH={\"enable\":true,\"nmea\":true}\n"},
        {"watch raw", "?WATCH={\"raw\":1,\"enable\":true};\n"},
        {"watch off", "?WATCH={\"enable\":false};\n"},
        {"watch query", "?WATCH;\n"},
        {"watch, bad type", "?WATCH={\"enable\":1};\n"},
        {"watch, bare keys", "?WATCH={enable:true};\n"},
        {"watch, unclosed", "?WATCH={\"enable\":true\n"},
        {"watch, an array", "?WATCH=[true];\n"},
        {"unknown request", "?FLY;\n"},
        {"no question mark", "VERSION\n"},
        {"binary", "?\xff\x01\x80;\n"},
        {"an unknown request, then a known one", "?NOPE;?VERSION;\n"},
        {"a malformed request ends its line", "?WATCH=x;?VERSION;\n"},
    };
    // The clock's times and the device's path vary from run to run.
    const std::regex times(R"re("(time|activated)":"[^"]*")re"), path(served.pty.SlavePath());
    const std::regex flowing(R"re(^\{"class":"(TPV|SKY|DEVICE)")re");
    std::string strTranscript;
    for (const auto& [pszLegend, pszSent] : rows)
    {
        strTranscript += std::string("== ") + pszLegend + "\n> ";
        for (const char* p = pszSent; *p != '\0'; ++p)
            strTranscript += EscapedByte(*p);
        CConnection client(served.server.Port());
        // The greeting and every answer up to the one to a request of the test's own, which ends
        // the list; the reports that flow by themselves are left out.
        ASSERT_TRUE(client.Send(pszSent) && client.Send("?END;\n"));
        for (std::optional<std::string> strLine;
             (strLine = client.Line()) && strLine->find("?END") == std::string::npos;)
        {
            if (!std::regex_search(*strLine, flowing))
            {
                const std::string strAnswer = std::regex_replace(*strLine, times, "\"$1\":\"?\"");
                strTranscript += "\n< " + std::regex_replace(strAnswer, path, "DEVICE");
            }
        }
        strTranscript += "\n";
    }
    CompareWithTranscript(strTranscript, "fixora/requests.transcript");
    // A second server cannot take the port, and says so.
    const std::string strTaken = "127.0.0.1:" + std::to_string(served.server.Port());
    const SProcessResult second = RunFixora(
        {"--replay", RecordedStream("garmin48.log"), "--serve", strTaken, "--duration", "5"});
    EXPECT_EQ(second.nExit, 1);
    EXPECT_NE(second.strErr.find("cannot serve on " + strTaken + ": "), std::string::npos)
        << second.strErr;
}

TEST(FixoraServeProtocol, BadAndSlowClientsLeaveTheOthersServed)
{
    SServed served;
    CConnection reader(served.server.Port());
    CConnection sleeper(served.server.Port(), 4096);
    // Both watch before the stream begins: it passes in a fraction of a second.
    for (CConnection* pClient : {&reader, &sleeper})
    {
        ASSERT_TRUE(pClient->Send("?WATCH={\"enable\":true,\"json\":true};\n"));
        ASSERT_TRUE(pClient->LineWith(R"("class":"WATCH")")) << "the WATCH answer";
    }
    // 6000 fixes, enough for the sleeper to lose reports whatever its socket buffers hold, in
    // chunks that a client of the device's own has seen before the next: their 12 000 records at
    // once could overflow fixora's window queue (10 000 messages) when its thread is starved.
    std::thread device([&] {
        CConnection pacer(served.server.Port());
        pacer.Send("?WATCH={\"enable\":true,\"json\":true};\n");
        pacer.LineWith(R"("class":"WATCH")");
        for (int nChunk = 0; nChunk < 6; ++nChunk)
        {
            served.pty.Send(FastStream(1000, nChunk * 1000));
            char szLast[16]; // the chunk's last fix, 9.99 s after its first
            std::snprintf(szLast, sizeof szLast, "T10:00:%02d.99", 10 * nChunk + 9);
            pacer.LineWith(szLast);
        }
    });

    // A megabyte without a line end: the connection ends (after an ERROR, unless the reset of
    // a socket closed with unread bytes overtakes it).
    {
        CConnection flooder(served.server.Port());
        flooder.Send(std::string(1 << 20, 'x'));
        while (const std::optional<std::string> strLine = flooder.Line())
        {
            EXPECT_TRUE(strLine->starts_with("{\"class\":\"VERSION\"") ||
                        strLine->starts_with("{\"class\":\"ERROR\""))
                << *strLine;
        }
        EXPECT_TRUE(flooder.Ended());
    }
    // Fifty clients come, watch and go while the records flow.
    for (int i = 0; i < 50; ++i)
    {
        CConnection visitor(served.server.Port());
        ASSERT_TRUE(visitor.Line().value_or("").starts_with(R"({"class":"VERSION")"));
        visitor.Send(i % 2 ? "?WATCH={\"enable\":true};\n" : "?WATCH={\"nmea\":true};?POLL;\n");
    }
    EXPECT_TRUE(reader.LineWith("T10:00:59.99")) << "the reader gets the last fix\n"
                                                 << served.server.Err();
    device.join();
    // The sleeper lost reports, and the log says so once an episode, not for each report.
    const std::vector<std::string> log = Lines(served.server.Err());
    const std::string strSleeper = "client 127.0.0.1:" + std::to_string(sleeper.LocalPort()) + " ";
    EXPECT_EQ(std::ranges::count_if(log,
                                    [&](const std::string& strLogLine) {
                                        return strLogLine.find(strSleeper) != std::string::npos;
                                    }),
              1)
        << served.server.Err();
    // A new client is served.
    CConnection late(served.server.Port());
    EXPECT_TRUE(late.Line().value_or("").starts_with(R"({"class":"VERSION")"));
}

} // namespace
