// fixora --serve and what clients send it: every request gets its answer or an ERROR, and bad or
// slow clients leave the server serving the others. The records come from a live receiver on a
// pseudo-terminal, so that the test says when they flow.
#include "ServeSupport.h"
#include "support/PtyPair.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{

struct SServed
{
    CPtyPair pty;
    CServing server{{"--device", pty.SlavePath()}};
};

class FixoraServeProtocol : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_pServed = std::make_unique<SServed>();
        // The port may not be open yet: the sentence is repeated until a watcher has its fix.
        CConnection watcher(s_pServed->server.Port());
        watcher.Send("?WATCH={\"enable\":true}\n");
        const std::string strGga =
            NmeaSentence("GPGGA,235959,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
        WaitUntil([&] {
            s_pServed->pty.Send(strGga);
            const std::optional<std::string> strLine = watcher.Line(100);
            return strLine && strLine->find("\"TPV\"") != std::string::npos;
        });
    }
    static void TearDownTestSuite()
    {
        EXPECT_EQ(s_pServed->server.Stop(SIGTERM), 0) << s_pServed->server.Err();
        s_pServed.reset();
    }

    static inline std::unique_ptr<SServed> s_pServed;
};

TEST_F(FixoraServeProtocol, EachRequestGetsItsAnswerOrAnError)
{
    const struct Row
    {
        const char* legend;
        const char* pszSent;
        std::vector<std::string> classes;
        const char* pszWatch; // the WATCH answer's json and nmea, when there is one
    } rows[] = {
        {"version", "?VERSION;\n", {"VERSION"}, ""},
        {"devices", "?DEVICES;\n", {"DEVICES"}, ""},
        {"two on a line, CR LF", "?VERSION;?DEVICES;\r\n", {"VERSION", "DEVICES"}, ""},
        {"poll", "?POLL;\n", {"POLL"}, ""},
        {"watch json", "?WATCH={\"enable\":true,\"json\":true};\n", {"DEVICES", "WATCH"}, "10"},
        {"watch nmea", "?WATCH={\"enable\":true,\"nmea\":true}\n", {"DEVICES", "WATCH"}, "01"},
        {"watch raw", "?WATCH={\"raw\":1,\"enable\":true};\n", {"DEVICES", "WATCH"}, "01"},
        {"watch off", "?WATCH={\"enable\":false};\n", {"WATCH"}, "00"},
        {"watch query", "?WATCH;\n", {"WATCH"}, "00"},
        {"watch, bad type", "?WATCH={\"enable\":1};\n", {"ERROR"}, ""},
        {"watch, bare keys", "?WATCH={enable:true};\n", {"ERROR"}, ""},
        {"watch, unclosed", "?WATCH={\"enable\":true\n", {"ERROR"}, ""},
        {"watch, an array", "?WATCH=[true];\n", {"ERROR"}, ""},
        {"unknown request", "?FLY;\n", {"ERROR"}, ""},
        {"no question mark", "VERSION\n", {"ERROR"}, ""},
        {"binary", "?\xff\x01\x80;\n", {"ERROR"}, ""},
        {"error ends the line", "?NOPE;?VERSION;\n", {"ERROR"}, ""},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CConnection client(s_pServed->server.Port());
        ASSERT_EQ(client.Answer()["class"], "VERSION");
        ASSERT_TRUE(client.Send(row.pszSent));
        for (const std::string& strClass : row.classes)
        {
            const nlohmann::json answer = client.Answer();
            ASSERT_EQ(answer["class"], strClass) << answer;
            if (strClass == "WATCH")
            {
                const std::string strFlags =
                    std::string(answer["json"] ? "1" : "0") + (answer["nmea"] ? "1" : "0");
                EXPECT_EQ(strFlags, row.pszWatch);
            }
            if (strClass == "POLL")
            {
                EXPECT_EQ(answer["tpv"].size(), 1u) << answer;
            }
        }
        // Nothing more was answered: the next answer is the one to this.
        ASSERT_TRUE(client.Send("?VERSION;\n"));
        EXPECT_EQ(client.Answer()["class"], "VERSION");
    }
}

TEST_F(FixoraServeProtocol, BadAndSlowClientsLeaveTheOthersServed)
{
    CConnection reader(s_pServed->server.Port());
    CConnection sleeper(s_pServed->server.Port(), 4096);
    for (CConnection* pClient : {&reader, &sleeper})
        ASSERT_TRUE(pClient->Send("?WATCH={\"enable\":true,\"json\":true};\n"));
    reader.Answer(); // VERSION
    std::thread device([&] { s_pServed->pty.Send(FastStream(6000)); });

    // A megabyte without a line end: the connection ends (after an ERROR, unless the reset of
    // a socket closed with unread bytes overtakes it).
    {
        CConnection flooder(s_pServed->server.Port());
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
        CConnection visitor(s_pServed->server.Port());
        ASSERT_EQ(visitor.Answer()["class"], "VERSION");
        visitor.Send(i % 2 ? "?WATCH={\"enable\":true};\n" : "?WATCH={\"nmea\":true};?POLL;\n");
    }
    std::optional<std::string> strLine;
    while ((strLine = reader.Line()) && strLine->find("T10:00:59.99") == std::string::npos)
    {
    }
    device.join();
    EXPECT_TRUE(strLine) << "the reader gets the last fix";
    // The sleeper lost reports, and the log says so once an episode, not for each report.
    const std::vector<std::string> log = Lines(s_pServed->server.Err());
    const std::string strSleeper = "client 127.0.0.1:" + std::to_string(sleeper.LocalPort()) + " ";
    EXPECT_EQ(std::ranges::count_if(log,
                                    [&](const std::string& strLogLine) {
                                        return strLogLine.find(strSleeper) != std::string::npos;
                                    }),
              1)
        << s_pServed->server.Err();
    // A new client is served.
    CConnection late(s_pServed->server.Port());
    EXPECT_EQ(late.Answer()["class"], "VERSION");
}

} // namespace
