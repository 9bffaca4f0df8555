// How a byte stream is cut into messages. Every row of the table is framed at several chunk sizes
// with the acquisition thread's pattern and must give the same messages and leave the same tail.
#include "FramingHarness.h"
#include "MessageBuilders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace framing_test;
using namespace std::string_literals;

namespace
{

struct SFramingRow
{
    const char* legend;
    std::string stream;
    std::vector<std::string> messages; // exact bytes of each message
    std::string tail = "";             // the bytes the buffer keeps for the next chunk
};

template <typename... T> std::vector<std::string> Msgs(const T&... messages)
{
    return {std::string(messages)...};
}

const std::string kGga = "$GPGGA,1,2*00\r";
const std::string kVtg = "$GPVTG,3,4*00\r";

std::vector<SFramingRow> FramingRows()
{
    const std::string mbn = AshtechRecord("MBN", 54);
    const std::string oem = OemMessage(28, 100);
    const std::string bin95 = BinMessage(95, 128);
    const std::string oemShort = OemMessage(8, 0);
    return {
        {"two sentences, each ending at its carriage return", kGga + "\n" + kVtg + "\n",
         Msgs(kGga, kVtg)},
        {"bytes before the first start byte are skipped", "\n\x01junk\r\n" + kGga + "\n",
         Msgs(kGga)},
        {"bytes without start byte or sync are dropped", "no start byte here\r\n\x01\x02", Msgs()},
        {"a sentence without carriage return waits, garbage before it does not", "junk$GPGGA,12",
         Msgs(), "$GPGGA,12"},
        {"a sentence with one comma ends at its carriage return, as the last data too",
         "$PASHR,ACK*3D\r\n", Msgs("$PASHR,ACK*3D\r")},
        {"a sentence with one comma waits for its end, not for a later comma", "$PASHR,ACK*3D",
         Msgs(), "$PASHR,ACK*3D"},
        {"a sentence with one comma before another sentence", "$PASHR,ACK*3D\r\n" + kVtg + "\n",
         Msgs("$PASHR,ACK*3D\r", kVtg)},
        {"a record kind without its second comma names no record", "$PASHR,MBN\r\n" + kGga + "\n",
         Msgs("$PASHR,MBN\r", kGga)},
        {"an ASCII log may end at its first comma", "#A,#B,1\r\n", Msgs("#A,", "#B,1\r")},
        {"a sentence without comma goes by its first four bytes", "$ABCDE\r\n", Msgs("$ABCDE\r")},
        {"a comma-less sentence keeps its four-byte tag whatever follows",
         "$ABCDE\r\n" + mbn + "\n$PASHR,ACK*3D\r\n", Msgs("$ABCDE\r", mbn, "$PASHR,ACK*3D\r")},
        {"a comma-less sentence waits for its end", "$ABCDE", Msgs(), "$ABCDE"},
        {"a start byte with fewer than five bytes waits", "$AB\r", Msgs(), "$AB\r"},
        {"the byte after a sentence is stepped over unseen, even when it comes with the next read",
         "$A,B,C\r$GPGGA,1,2*00\r\n#L,1,2\r$GPVTG,3,4*00\r\n",
         Msgs("$A,B,C\r", "#L,1,2\r", "$GPVTG,3,4*00\r")},
        {"a zero byte ends the text, not the message", "$GP\0GA,1,2\r\n"s, Msgs("$GP\0GA,1,2\r"s)},
        {"an MBN record is 54 bytes whatever it holds", mbn + "\n" + kGga + "\n", Msgs(mbn, kGga)},
        {"53 bytes of an MBN record are not a message yet", mbn.substr(0, 53), Msgs(),
         mbn.substr(0, 53)},
        {"record kinds in any letter case, back to back",
         AshtechRecord("mca", 49) + "\n" + AshtechRecord("Pbn", 68) + "\n" +
             AshtechRecord("SAL", 82) + "\n" + AshtechRecord("snv", 144) + "\n",
         Msgs(AshtechRecord("mca", 49), AshtechRecord("Pbn", 68), AshtechRecord("SAL", 82),
              AshtechRecord("snv", 144))},
        {"only the second field names a record", AshtechRecord("SNV", 144, "GPXXX") + "\n",
         Msgs(AshtechRecord("SNV", 144, "GPXXX"))},
        {"$BIN block 95 is 140 bytes and the next sentence follows it directly",
         bin95 + kGga + "\n", Msgs(bin95, kGga)},
        {"$BIN block 96 is 312 bytes", BinMessage(96, 300) + kVtg + "\n",
         Msgs(BinMessage(96, 300), kVtg)},
        {"$BIN of another block ends at its first carriage return",
         "$BIN\x61\x00xy\r\n"s + kGga + "\n", Msgs("$BIN\x61\x00xy\r"s, kGga)},
        {"an OEM binary message carries its own length", "\r\n" + oem + kGga + "\n",
         Msgs(oem, kGga)},
        {"an OEM binary message one byte short waits from its sync", "junk" + oem.substr(0, 131),
         Msgs(), oem.substr(0, 131)},
        {"an OEM message shorter than 29 bytes waits for 29 bytes", oemShort + "$GPGGA,1", Msgs(),
         oemShort + "$GPGGA,1"},
        {"an OEM message shorter than its header is taken once 29 bytes are there",
         oemShort + "$GPGGA,1,2,3,4,5,6*00\r\n", Msgs(oemShort, "$GPGGA,1,2,3,4,5,6*00\r")},
        {"a stray sync byte before an OEM message", "\xAA" + oem, Msgs(oem)},
        {"a trailing 0xAA may start a sync and stays", "junk\xAA", Msgs(), "\xAA"},
        {"a trailing 0xAA 0x44 may start a sync and stays", "junk\xAA\x44", Msgs(), "\xAA\x44"},
        {"0xAA 0x44 and another byte is no sync", "junk\xAA\x44\x13", Msgs()},
        {"two ASCII logs; the line feed between them is skipped by the search",
         "#LOGA,1,2\r\n#LOGB,3,4\r\n", Msgs("#LOGA,1,2\r", "#LOGB,3,4\r")},
        {"an ASCII log ends where the next one begins", "#LOGA,1,2#LOGB,3,4\r\n",
         Msgs("#LOGA,1,2", "#LOGB,3,4\r")},
        {"an ASCII log without end waits", "#LOGA,1,2", Msgs(), "#LOGA,1,2"},
        {"an ASCII log may be a single byte", "##A,B,C\r\n", Msgs("#", "#A,B,C\r")},
        {"every kind in one stream",
         kGga + "\n" + mbn + "\n" + oem + "#LOGA,1,2\r\n" + bin95 + kVtg + "\n",
         Msgs(kGga, mbn, oem, "#LOGA,1,2\r", bin95, kVtg)},
    };
}

TEST(BinBufferFraming, SameMessagesAtEveryChunkSize)
{
    for (const SFramingRow& row : FramingRows())
    {
        SCOPED_TRACE(row.legend);
        for (int nChunk : {1, 2, 3, 7, 0})
        {
            SCOPED_TRACE("chunk size " + std::to_string(nChunk) + " (0: whole)");
            CEngineFeeder feeder;
            feeder.FeedStream(row.stream, nChunk);
            EXPECT_EQ(row.messages, feeder.Messages());
            EXPECT_EQ(static_cast<int>(row.tail.size()), feeder.Buffer().GetLength());
            EXPECT_EQ(ExpectedHeldText(row.tail), feeder.HeldText());
        }
    }
}

TEST(BinBufferFraming, NextMovesExactlyOverBinaryMessages)
{
    struct SRow
    {
        const char* legend;
        std::string first;
        int nStep; // distance from the first message's start to the next one's
    };
    const SRow rows[] = {
        {"OEM binary: its own length", OemMessage(28, 100), 132},
        {"$BIN block 95: its length includes CR LF", BinMessage(95, 128), 140},
        {"$PASHR record: its length and the line feed after it", AshtechRecord("MBN", 54) + "\n",
         55},
        {"ASCII log: up to its carriage return", "#LOG,1,2\r", 9},
        {"sentence: its carriage return and the line feed", "$GPGGA,1,2*00\r\n", 15},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        const std::string stream = row.first + kVtg + "\n";
        CBinBuffer buffer(stream.data(), static_cast<int>(stream.size()));
        ASSERT_TRUE(buffer.GetCurrentMessage());
        int nLen = 0;
        const char* pFirst = buffer.GetMessageBin(nLen);
        ASSERT_TRUE(buffer.Next());
        const char* pSecond = buffer.GetMessageBin(nLen);
        EXPECT_EQ(row.nStep, pSecond - pFirst);
        EXPECT_EQ(kVtg, std::string(pSecond, static_cast<std::size_t>(nLen)));
        EXPECT_FALSE(buffer.Next());
        EXPECT_FALSE(buffer.HasMessage());
    }
}

TEST(BinBufferFraming, GetTagNamesTheMessageAtTheWalkPosition)
{
    struct SRow
    {
        const char* legend;
        std::string stream;
        bool bFound;
        const wchar_t* tag;    // expected texts; the caller's values stay where
        const wchar_t* subTag; // nothing is assigned
    };
    const SRow rows[] = {
        {"first two fields", "junk$PASHR,MBN,xyz", true, L"PASHR", L"MBN"},
        {"fields end at a zero byte", "$GP\0GA,1,2\r\n"s, true, L"GP", L"1"},
        {"empty fields leave the caller's texts", "$,,1\r\n", true, L"old tag", L"old sub"},
        {"four bytes of a comma-less message", "$ABCDE\r\n", true, L"$ABC", L""},
        {"four bytes of $BIN even with commas later", "$BIN\x5F\x00,a,b"s, true, L"$BIN", L""},
        {"OEM binary message", OemMessage(28, 0), true, L"Axis4OEMBinaryTagPlaceHolder",
         L"old sub"},
        {"one comma: named by its first field at the line's end", "$PASHR,ACK*3D\r\n$GPGGA,1,2",
         true, L"PASHR", L"old sub"},
        {"one comma and no end yet", "$PASHR,ACK*3D", false, L"old tag", L"old sub"},
        {"OEM header not complete", OemMessage(28, 0).substr(0, 28), false, L"old tag", L"old sub"},
        {"no start byte", "\r\njunk", false, L"old tag", L"old sub"},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CBinBuffer buffer(row.stream.data(), static_cast<int>(row.stream.size()));
        CString strTag(L"old tag");
        CString strSubTag(L"old sub");
        EXPECT_EQ(row.bFound, buffer.GetTag(strTag, strSubTag));
        EXPECT_EQ(CString(row.tag), strTag);
        EXPECT_EQ(CString(row.subTag), strSubTag);
    }
}

// A sentence that spells out the OEM placeholder tag is taken for an OEM message of the current
// (zero) length: the walk reports success without a message and stays there.
TEST(BinBufferFraming, PlaceholderTagInASentenceStopsTheWalk)
{
    const std::string stream = "$Axis4OEMBinaryTagPlaceHolder,1,2\r\n$GPGGA,1,2*00\r\n";
    CBinBuffer buffer(stream.data(), static_cast<int>(stream.size()));
    EXPECT_TRUE(buffer.GetCurrentMessage());
    EXPECT_FALSE(buffer.HasMessage());
    buffer.Resize();
    EXPECT_EQ(static_cast<int>(stream.size()), buffer.GetLength());
}

TEST(BinBufferFraming, FirstWalksAgainFromTheStart)
{
    const std::string stream = "junk" + kGga + "\n" + kVtg + "\n";
    CBinBuffer buffer(stream.data(), static_cast<int>(stream.size()));
    ASSERT_TRUE(buffer.First());
    ASSERT_TRUE(buffer.Next());
    EXPECT_FALSE(buffer.Next());
    ASSERT_TRUE(buffer.First());
    EXPECT_EQ(CString((kGga + "\n").c_str()), buffer.GetMessage());
}

} // namespace
