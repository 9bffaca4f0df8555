// fixora on recorded streams, where a golden stream (tests/data/streams) cannot show it: the
// computer clock's stamp, a fast emulation framing lines as the replay frames bytes, a stream far
// longer than the framing buffer and the engine's limit on the texts it keeps.
#include "FixoraRunner.h"

#include <gtest/gtest.h>

namespace
{

TEST(FixoraStreams, ClockStampsEmulationAndLongStreams)
{
    // Without --no-clock each record carries the computer's clock.
    const std::string strNavika = RecordedStream("navika-100-fix.log");
    const SFixoraRun clocked = RunFixora({"--replay", strNavika, "--json"});
    ASSERT_FALSE(clocked.Records().empty());
    EXPECT_GT(clocked.Records().front()["time"].get<long long>(), 1500000000);

    // Every line of this stream ends in CR LF, so the fast emulation prints what the replay does.
    const SFixoraRun replay = RunFixora({"--replay", strNavika, "--json", "--no-clock"});
    EXPECT_EQ(replay.Fixes().size(), 20u);
    EXPECT_EQ(RunFixora({"--emulate", strNavika, "--fast", "--json", "--no-clock"}).strOut,
              replay.strOut);

    // 58 KB are replayed in pieces, nothing dropped: 29 fixes. The engine keeps a copy of about
    // 100000 characters of texts; the stream twice is 116 KB, and every text is still printed.
    const std::string strStream = RecordedStream("ublox-zed-f9p-nmea.log");
    const CTempFile twice(CScratchFolder::Read(strStream) + CScratchFolder::Read(strStream));
    const SFixoraRun once = RunFixora({"--replay", strStream, "--collect", "--json"});
    EXPECT_EQ(once.nExit, 0);
    EXPECT_EQ(once.strErr, "");
    EXPECT_EQ(once.Fixes().size(), 29u);
    const auto texts = [](const SFixoraRun& run) {
        const std::vector<nlohmann::json> records = run.Records();
        return std::count_if(records.begin(), records.end(),
                             [](const nlohmann::json& r) { return r["type"] == "text"; });
    };
    EXPECT_GT(texts(once), 1000);
    EXPECT_EQ(texts(RunFixora({"--replay", twice.Path(), "--collect", "--json"})), 2 * texts(once));
}

} // namespace
