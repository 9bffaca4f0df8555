// How a byte stream is cut into messages: every row of the table is framed at several chunk sizes
// with the acquisition thread's pattern and must give the same messages and leave the same tail.
// Then the buffer's other exported operations: naming a message, and the byte container.
#include "FramingHarness.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <type_traits>
#include <vector>

using namespace framing_test;
using namespace std::string_literals;

namespace
{

static_assert(!std::is_copy_constructible_v<CBinBuffer> && !std::is_copy_assignable_v<CBinBuffer>);

const std::string kGga = "$GPGGA,1,2*00\r";
const std::string kVtg = "$GPVTG,3,4*00\r";

// A stream of the framing table, named by what it shows.
struct SStream
{
    const char* legend;
    std::string bytes;
};

std::vector<SStream> Streams()
{
    const std::string mbn = AshtechRecord("MBN", 54);
    const std::string oem = OemMessage(28, 100);
    const std::string bin95 = BinMessage(95, 128);
    const std::string oemShort = OemMessage(8, 0);
    const std::string gsv = "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00*7A\r";
    // clang-format off
    return {
        {"two sentences, each ending at its carriage return", kGga + "\n" + kVtg + "\n"},
        {"bytes before the first start byte are skipped", "\n\x01junk\r\n" + kGga + "\n"},
        {"a sync or start byte never found: everything is dropped", "no start\r\n\x01\x02\x44"},
        {"a sentence waits for its carriage return, garbage before it does not", "junk$GPGGA,12"},
        {"one comma: ends at its carriage return, before another sentence", "$PASHR,ACK*3D\r\n" + kVtg + "\n"},
        {"one comma: waits for its end, not a later comma", "$PASHR,ACK*3D"},
        {"one comma and the next sentence begun", "$PASHR,ACK*3D\r\n$GPGGA,1,2"},
        {"a record kind without its second comma names no record", "$PASHR,MBN\r\n" + kGga + "\n"},
        {"an ASCII log may end at its first comma", "#A,#B,1\r\n"},
        {"a comma-less sentence keeps its four-byte tag whatever follows", "$ABCDE\r\n" + mbn + "\n$PASHR,ACK*3D\r\n"},
        {"a comma-less sentence waits for its end", "$ABCDE"},
        {"a start byte with fewer than five bytes waits", "$AB\r"},
        {"the byte after a sentence is stepped over unseen, even when it comes with the next read",
         "$A,B,C\r$GPGGA,1,2*00\r\n#L,1,2\r$GPVTG,3,4*00\r\n"},
        {"a zero byte ends the text, not the message", "$GP\0GA,1,2\r\n"s},
        {"empty fields name nothing", "$,,1\r\n"},
        {"a long text, then a shorter one and a record of zero bytes",
         gsv + "\n" + kVtg + "\n$PASHR,MCA," + std::string(37, '\0') + "\r\n$GPGGA,1"},
        {"an MBN record is 54 bytes whatever it holds", "junk" + mbn + "\n" + kGga + "\n"},
        {"an MBN record exactly at the end of the bytes", "\r\n" + mbn},
        {"an MBN record one byte short is no message yet", mbn.substr(0, 53)},
        {"record kinds in any letter case, back to back", AshtechRecord("mca", 49) + "\n" +
         AshtechRecord("Pbn", 68) + "\n" + AshtechRecord("SAL", 82) + "\n" + AshtechRecord("snv", 144) + "\n"},
        {"only the second field names a record", AshtechRecord("SNV", 144, "GPXXX") + "\n"},
        {"$BIN block 95 is 140 bytes, the next sentence right after it", bin95 + kGga + "\n"},
        {"$BIN block 96 is 312 bytes, exactly at the end", BinMessage(96, 300)},
        {"$BIN of another block ends at its first carriage return", "$BIN\x61\x00xy\r\n"s + kGga + "\n"},
        {"$BIN block 95 not complete, commas later", "$BIN\x5F\x00,a,b"s},
        {"an OEM binary message carries its own length", "\r\n" + oem + kGga + "\n"},
        {"an OEM binary message exactly at the end of the bytes", "\r\n" + oem},
        {"an OEM binary message one byte short waits from its sync", "junk" + oem.substr(0, 131)},
        {"an OEM header one byte short", OemMessage(28, 0).substr(0, 28)},
        {"an OEM message shorter than 29 bytes waits for 29", oemShort + "$GPGGA,1"},
        {"an OEM message shorter than its header is taken once 29 bytes are there",
         oemShort + "$GPGGA,1,2,3,4,5,6*00\r\n"},
        {"an OEM message of exactly 29 bytes, at the end", OemMessage(25, 0)},
        {"a stray sync byte before an OEM message", "\xAA" + oem},
        {"a trailing 0xAA may start a sync and stays", "junk\xAA"},
        {"a trailing 0xAA 0x44 may start a sync and stays", "junk\xAA\x44"},
        {"0xAA 0x44 and another byte is no sync", "junk\xAA\x44\x13"},
        {"two ASCII logs; the search skips the line feed between them", "#LOGA,1,2\r\n#LOGB,3,4\r\n"},
        {"an ASCII log ends where the next one begins", "#LOGA,1,2#LOGB,3,4\r\n"},
        {"an ASCII log without end waits", "#LOGA,1,2"},
        {"an ASCII log may be a single byte", "##A,B,C\r\n"},
        // The walk reports success without a message and stays there.
        {"a sentence spelling out the OEM placeholder tag stops the walk",
         "$Axis4OEMBinaryTagPlaceHolder,1,2\r\n" + kGga + "\n"},
        {"every kind in one stream", kGga + "\n" + mbn + "\n" + oem + "#LOGA,1,2\r\n" + bin95 + kVtg + "\n"},
        {"no bytes", ""},
    };
    // clang-format on
}

// Bytes readable: printable as they are, the others escaped.
std::string Escaped(const std::string& bytes)
{
    std::string text = "\"";
    for (const char c : bytes)
    {
        char hex[8];
        std::snprintf(hex, sizeof(hex), "\\x%02X", static_cast<unsigned char>(c));
        text += c == '\r'               ? "\\r"
                : c == '\n'             ? "\\n"
                : c == '"' || c == '\\' ? std::string("\\") + c
                : c >= 0x20 && c < 0x7F ? std::string(1, c)
                                        : hex;
    }
    return text + "\"";
}

// The messages a stream frames into, what the buffer keeps for the next chunk (its length and
// text), and the tag a buffer of the whole stream names (where nothing is assigned, the caller's
// texts stay).
std::string Framed(const std::string& stream, int nChunk)
{
    CEngineFeeder feeder;
    feeder.FeedStream(stream, nChunk);
    std::string text;
    for (const std::string& message : feeder.Messages())
        text +=
            "  message of " + std::to_string(message.size()) + " bytes " + Escaped(message) + "\n";
    std::string held;
    for (const wchar_t c : feeder.HeldText())
        held.push_back(static_cast<char>(c));
    text += "  held " + std::to_string(feeder.Buffer().GetLength()) + " bytes, text " +
            Escaped(held) + "\n";
    CBinBuffer buffer(stream.data(), static_cast<int>(stream.size()));
    CString strTag(L"old tag");
    CString strSubTag(L"old sub");
    const bool bFound = buffer.GetTag(strTag, strSubTag);
    return text + "  tag " + (bFound ? "found " : "none ") + Escaped(strTag.ToNarrow()) + " " +
           Escaped(strSubTag.ToNarrow()) + "\n";
}

// Every stream gives the same transcript at every chunk size; the whole-stream one is the
// checked-in tests/data/framing/streams.transcript (FIXORA_UPDATE_TRANSCRIPTS=1 rewrites it, see
// the README there).
TEST(BinBufferFraming, SameMessagesAtEveryChunkSizeAsInTheTranscript)
{
    std::string transcript;
    for (const SStream& row : Streams())
    {
        SCOPED_TRACE(row.legend);
        const std::string framed = Framed(row.bytes, 0);
        for (int nChunk : {1, 2, 3, 7})
            EXPECT_EQ(framed, Framed(row.bytes, nChunk)) << "chunk size " << nChunk;
        transcript += "== " + std::string(row.legend) + "\n" + framed;
    }
    const std::string path = std::string(FIXORA_TEST_DATA_DIR) + "/framing/streams.transcript";
    if (std::getenv("FIXORA_UPDATE_TRANSCRIPTS") != nullptr)
        std::ofstream(path, std::ios::binary) << transcript;
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), transcript) << path;
}

std::string MessageBytes(const CBinBuffer& buffer)
{
    int nLen = 0;
    const char* p = buffer.GetMessageBin(nLen);
    return p == nullptr ? std::string("<none>") : std::string(p, static_cast<std::size_t>(nLen));
}

TEST(BinBufferContent, ConstructSetAppendClear)
{
    CString wide(L"$G\x1234\x00FF");
    EXPECT_EQ(L"$G\x34\xFF\n", CBinBuffer(wide).Mid(0, 0).Str()) << "the low byte of each";
    CString empty;
    EXPECT_EQ(0, CBinBuffer(empty).GetLength());
    EXPECT_FALSE(CBinBuffer("$GP\xAA", 4).HasMessage());

    // Set declares the current message, never past the bytes; no data clears the buffer.
    CBinBuffer buffer("old bytes", 9);
    EXPECT_TRUE(buffer.Set("$PASHR,MBN,\0\r\x01"s.data(), 14, 14));
    EXPECT_EQ("$PASHR,MBN,\0\r\x01"s, MessageBytes(buffer));
    const struct
    {
        int nMsgLen;
        const char* expected;
    } sets[] = {{2, "ab"}, {0, "<none>"}, {6, "abcdef"}, {7, "abcdef"}, {-3, "<none>"}};
    for (const auto& set : sets)
    {
        EXPECT_TRUE(buffer.Set("abcdef", 6, set.nMsgLen));
        EXPECT_EQ(6, buffer.GetLength());
        EXPECT_EQ(set.expected, MessageBytes(buffer)) << set.nMsgLen;
    }
    EXPECT_FALSE(buffer.Set("abc", 0, 0));
    EXPECT_EQ(0, buffer.GetLength());
    buffer.Set("abc", 3, 3);
    EXPECT_FALSE(buffer.Set(nullptr, 3, 3));
    EXPECT_EQ(0, buffer.GetLength());
    EXPECT_FALSE(buffer.HasMessage());

    // A receiver keeps a framed message by setting a buffer to the message's own bytes.
    const std::string stream = "junk$GPGGA,1,2*00\r\n";
    buffer.Set(stream.data(), static_cast<int>(stream.size()), 0);
    ASSERT_TRUE(buffer.GetCurrentMessage());
    int nLen = 0;
    const char* p = buffer.GetMessageBin(nLen);
    ASSERT_TRUE(buffer.Set(p, nLen, nLen));
    EXPECT_EQ(14, buffer.GetLength());
    EXPECT_EQ("$GPGGA,1,2*00\r", MessageBytes(buffer));

    // Appending keeps the walk and the current message, and leaves the source as it was.
    buffer.Set("xx$GPGGA,1,2*00\r\n$GPV", 21, 0);
    ASSERT_TRUE(buffer.GetCurrentMessage());
    CBinBuffer more("TG,3,4*00\r\n", 11);
    buffer += more;
    buffer += CBinBuffer();
    EXPECT_EQ(32, buffer.GetLength());
    EXPECT_EQ(kGga, MessageBytes(buffer));
    ASSERT_TRUE(buffer.Next());
    EXPECT_EQ(kVtg, MessageBytes(buffer));
    EXPECT_FALSE(buffer.Next()) << "the end of the bytes";
    ASSERT_TRUE(buffer.First()) << "First walks again from the start";
    EXPECT_EQ(kGga, MessageBytes(buffer));
    EXPECT_EQ(L"TG,3,4*00\r\n\n", more.Mid(0, 0).Str());
    EXPECT_THROW(more += more, CInvalidArgException) << "appending a buffer to itself";
    EXPECT_EQ(11, more.GetLength());

    // Cleared, or without a current message: empty results, outputs left alone.
    buffer.Clear();
    EXPECT_EQ(0, buffer.GetLength());
    EXPECT_FALSE(buffer.HasMessage() || buffer.GetCurrentMessage() || buffer.First());
    EXPECT_EQ(-1, buffer.Find('$', 0));
    buffer.Set("$GPGGA,1", 8, 0);
    EXPECT_FALSE(buffer.GetCurrentMessage()) << "not complete";
    EXPECT_TRUE(buffer.GetMessage().IsEmpty());
    EXPECT_TRUE(std::unique_ptr<CString>(buffer.GetMessageAsPtr())->IsEmpty());
    nLen = 12345;
    EXPECT_EQ(nullptr, buffer.GetMessageBin(nLen));
    EXPECT_EQ(12345, nLen);
    EXPECT_FALSE(buffer.Next());
}

TEST(BinBufferContent, FindMidAndResizeAtTheirBoundaries)
{
    const std::string bytes = "$A,\xAA\0,\xFF"s;
    const CBinBuffer buffer(bytes.data(), static_cast<int>(bytes.size()));
    const struct
    {
        char c;
        int nStart;
        int nExpected;
    } finds[] = {{',', 0, 2},     {',', 3, 5},  {'\xAA', 0, 3}, {'\0', 0, 4}, {'\xFF', 6, 6},
                 {'\xFF', 7, -1}, {'#', 0, -1}, {',', 100, -1}, {'$', -1, -1}};
    for (const auto& find : finds)
    {
        EXPECT_EQ(find.nExpected, buffer.Find(find.c, find.nStart)) << find.c << find.nStart;
    }

    const std::string text = "$GP\xFFGA\0xy"s;
    const CBinBuffer mid(text.data(), static_cast<int>(text.size()));
    const struct
    {
        const char* legend;
        int nStart;
        int nCount;
        std::wstring expected;
    } mids[] = {
        {"start before the bytes", -1, 5, L""},
        {"start one past the last byte", 9, 0, L""},
        {"count 0 takes the rest", 0, 0, L"$GP\xFFGA\n"},
        {"negative count takes the rest", 1, -4, L"GP\xFFGA\n"},
        {"a part", 1, 2, L"GP\n"},
        {"count reaching the end takes the rest", 7, 2, L"xy\n"},
        {"the last byte", 8, 1, L"y\n"},
        {"count that would overflow", 8, INT_MAX, L"y\n"},
        {"text ends at a zero byte", 4, 5, L"GA\n"},
        {"a zero byte first gives only the line feed", 6, 3, L"\n"},
    };
    for (const auto& row : mids)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_EQ(row.expected, mid.Mid(row.nStart, row.nCount).Str());
        EXPECT_EQ(row.expected, std::unique_ptr<CString>(mid.Mid2(row.nStart, row.nCount))->Str());
    }

    // Resize keeps only the unconsumed tail: nothing consumed, nothing changes.
    CBinBuffer walk("$A,B,C\r\n$GPV", 12);
    ASSERT_TRUE(walk.GetCurrentMessage());
    walk.Resize();
    EXPECT_EQ(12, walk.GetLength());
    EXPECT_EQ("$A,B,C\r", MessageBytes(walk));
    EXPECT_FALSE(walk.Next());
    walk.Resize();
    EXPECT_EQ(L"$GPV\n", walk.Mid(0, 0).Str());
    EXPECT_EQ(0, walk.Find('$', 0));
}

} // namespace
