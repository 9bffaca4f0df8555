// Arbitrary bytes in arbitrary chunks: the framer never crashes, never reads outside its bytes
// (the sanitizer build checks that), delivers only bytes it was given, holds no more than the
// bytes not yet consumed, and gives the same messages however the bytes are cut.
#include "FramingHarness.h"

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
                      feeder.HeldText());
        }
        // However the bytes arrived, the messages are those of the whole stream.
        EXPECT_EQ(Frame(stream), feeder.Messages());
    }
}

} // namespace
