// Arbitrary bytes in arbitrary chunks: the framer never crashes, never reads outside its bytes
// (the sanitizer build checks that), delivers only bytes it was given, and holds no more than the
// bytes not yet consumed. Well-formed streams give the same messages however they are cut.
#include "FramingHarness.h"
#include "MessageBuilders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

using namespace framing_test;

namespace
{

// Random bytes weighted towards the ones the framing rules look at.
std::string RandomStream(std::mt19937& random, int nLength)
{
    static const char kSignificant[] = {'$', '#', ',', '\r', '\n', '\xAA', '\x44', '\x12', 'B',
                                        'I', 'N', 'M', 'P',  'S',  '\x5F', '\x60', '\0'};
    std::uniform_int_distribution<int> pick(0, 99);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<int> significant(0, sizeof(kSignificant) - 1);
    std::string bytes;
    for (int i = 0; i < nLength; ++i)
    {
        const int n = pick(random);
        if (n < 40)
        {
            bytes.push_back(kSignificant[significant(random)]);
        }
        else if (n < 45 && bytes.size() > 8)
        {
            // Copy an earlier stretch so that tags and syncs recur.
            std::uniform_int_distribution<std::size_t> from(0, bytes.size() - 8);
            bytes += bytes.substr(from(random), 8);
        }
        else
        {
            bytes.push_back(static_cast<char>(anyByte(random)));
        }
    }
    return bytes;
}

TEST(BinBufferRobustness, RandomBytesInRandomChunks)
{
    for (std::uint32_t nSeed = 1; nSeed <= 60; ++nSeed)
    {
        SCOPED_TRACE("seed " + std::to_string(nSeed));
        std::mt19937 random(nSeed);
        const std::string stream = RandomStream(random, 1000 + static_cast<int>(nSeed) * 300);
        const int nMaxChunk = nSeed % 3 == 0 ? 8 : (nSeed % 3 == 1 ? 300 : 4096);
        std::uniform_int_distribution<int> chunkSize(1, nMaxChunk);

        CEngineFeeder feeder;
        std::size_t nFed = 0;
        std::size_t nConsumedTo = 0; // end of the last message found in the stream
        std::size_t nSeen = 0;
        while (nFed < stream.size())
        {
            const std::size_t n = std::min<std::size_t>(chunkSize(random), stream.size() - nFed);
            feeder.Feed(stream.data() + nFed, static_cast<int>(n));
            nFed += n;
            for (; nSeen < feeder.Messages().size(); ++nSeen)
            {
                // Each message is a stretch of the stream after the previous one.
                const std::string& message = feeder.Messages()[nSeen];
                const auto hit = std::search(stream.begin() + static_cast<long>(nConsumedTo),
                                             stream.begin() + static_cast<long>(nFed),
                                             message.begin(), message.end());
                ASSERT_NE(stream.begin() + static_cast<long>(nFed), hit) << "message " << nSeen;
                nConsumedTo = static_cast<std::size_t>(hit - stream.begin()) + message.size();
            }
            // The buffer holds a tail of what was fed, never bytes already delivered.
            const int nHeld = feeder.Buffer().GetLength();
            ASSERT_LE(static_cast<std::size_t>(nHeld), nFed - nConsumedTo);
            EXPECT_EQ(ExpectedHeldText(stream.substr(nFed - static_cast<std::size_t>(nHeld),
                                                     static_cast<std::size_t>(nHeld))),
                      HeldText(feeder.Buffer()));
        }
        // However the bytes arrived, the messages are those of the whole stream.
        EXPECT_EQ(FrameInChunks(stream, 0), feeder.Messages());
    }
}

// A stream built from whole messages, each with its expected framed bytes.
struct SBuiltStream
{
    std::string bytes;
    std::vector<std::string> messages;
};

SBuiltStream BuildStream(std::mt19937& random, int nMessages)
{
    std::uniform_int_distribution<int> kind(0, 8);
    std::uniform_int_distribution<int> number(0, 99999);
    std::uniform_int_distribution<int> salt(0, 15);
    std::uniform_int_distribution<int> garbage(0, 5);
    SBuiltStream built;
    auto add = [&built](const std::string& message, const std::string& after) {
        built.bytes += message + after;
        built.messages.push_back(message);
    };
    for (int i = 0; i < nMessages; ++i)
    {
        switch (kind(random))
        {
        case 0:
        case 1:
            add("$GPGGA," + std::to_string(number(random)) + ",4807.038,N,01131.000,E,1,08*47\r",
                "\n");
            break;
        case 2:
            // One comma only: it is delivered once the next message brings more commas.
            add("$PASHR,ACK*" + std::to_string(number(random) % 100) + "\r", "\n");
            add("$GPVTG," + std::to_string(number(random)) + ",T,,M*00\r", "\n");
            break;
        case 3: {
            static const std::pair<const char*, int> kRecords[] = {
                {"MBN", 54}, {"MCA", 49}, {"PBN", 68}, {"SAL", 82}, {"SNV", 144}};
            const auto& record = kRecords[static_cast<std::size_t>(number(random)) % 5];
            add(AshtechRecord(record.first, record.second, "PASHR", salt(random)), "\n");
            break;
        }
        case 4:
            // Blocks 95 and 96 have fixed lengths: 128 and 300 data bytes.
            if (number(random) % 2 == 0)
            {
                add(BinMessage(95, 128, salt(random)), "");
            }
            else
            {
                add(BinMessage(96, 300, salt(random)), "");
            }
            break;
        case 5:
        case 6:
            add(OemMessage(28, number(random) % 300, salt(random)), "");
            break;
        case 7:
            add("#LOG" + std::to_string(number(random)) + ",COM1,0*1A\r", "\n");
            break;
        case 8:
            // Bytes the search skips: no start byte, no sync, only stray sync bytes.
            for (int n = garbage(random); n > 0; --n)
            {
                built.bytes += (n % 2 == 0) ? "\xAA\x44\r\n" : " \xAA\x01,";
            }
            break;
        }
    }
    // A last complete sentence, so that no message waits for a later comma.
    add("$GPZDA,1,2,3*00\r", "\n");
    return built;
}

TEST(BinBufferRobustness, BuiltStreamsGiveTheirMessagesHoweverTheyAreCut)
{
    for (std::uint32_t nSeed = 1; nSeed <= 40; ++nSeed)
    {
        SCOPED_TRACE("seed " + std::to_string(nSeed));
        std::mt19937 random(nSeed);
        const SBuiltStream built = BuildStream(random, 60);
        EXPECT_EQ(built.messages, FrameInChunks(built.bytes, 0, false));
        EXPECT_EQ(built.messages, FrameInChunks(built.bytes, 1, false));
        EXPECT_EQ(built.messages, FrameInRandomChunks(built.bytes, nSeed, 16, true));
        EXPECT_EQ(built.messages, FrameInRandomChunks(built.bytes, nSeed + 1000, 700));
    }
}

} // namespace
