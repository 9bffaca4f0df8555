// The buffer as a byte container: construction, Set, appending, Find, Mid and Resize.
#include "FramingHarness.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <type_traits>

using namespace framing_test;
using namespace std::string_literals;

namespace
{

static_assert(!std::is_copy_constructible_v<CBinBuffer>);
static_assert(!std::is_copy_assignable_v<CBinBuffer>);

std::string MessageBytes(const CBinBuffer& buffer)
{
    int nLen = 0;
    const char* p = buffer.GetMessageBin(nLen);
    return p == nullptr ? std::string("<none>") : std::string(p, static_cast<std::size_t>(nLen));
}

TEST(BinBufferContent, ConstructionGivesBytesWithoutCurrentMessage)
{
    struct SRow
    {
        const char* legend;
        std::unique_ptr<CBinBuffer> buffer;
        int nLength;
        std::wstring text; // Mid(0, 0)
    };
    CString empty;
    CString wide(L"$G\x1234\x00FF");
    SRow rows[] = {
        {"default", std::make_unique<CBinBuffer>(), 0, L""},
        {"bytes", std::make_unique<CBinBuffer>("$GP\xAA", 4), 4, L"$GP\xAA\n"},
        {"empty text", std::make_unique<CBinBuffer>(empty), 0, L""},
        {"text: the low byte of each character", std::make_unique<CBinBuffer>(wide), 4,
         L"$G\x34\xFF\n"},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_EQ(row.nLength, row.buffer->GetLength());
        EXPECT_FALSE(row.buffer->HasMessage());
        EXPECT_EQ(row.text, row.buffer->Mid(0, 0).Str());
    }
}

TEST(BinBufferContent, SetReplacesTheBytesAndDeclaresTheCurrentMessage)
{
    CBinBuffer buffer("old bytes", 9);
    EXPECT_TRUE(buffer.Set("$PASHR,MBN,\0\r\x01"s.data(), 14, 14));
    EXPECT_EQ(14, buffer.GetLength());
    EXPECT_EQ("$PASHR,MBN,\0\r\x01"s, MessageBytes(buffer));

    EXPECT_TRUE(buffer.Set("abcdef", 6, 2));
    EXPECT_EQ("ab", MessageBytes(buffer));
    EXPECT_TRUE(buffer.Set("abcdef", 6, 0));
    EXPECT_FALSE(buffer.HasMessage());
    // A declared message never reaches past the bytes.
    EXPECT_TRUE(buffer.Set("abcdef", 6, 99));
    EXPECT_EQ("abcdef", MessageBytes(buffer));
    EXPECT_TRUE(buffer.Set("abcdef", 6, -3));
    EXPECT_FALSE(buffer.HasMessage());

    EXPECT_FALSE(buffer.Set("abc", 0, 0));
    EXPECT_EQ(0, buffer.GetLength());
    buffer.Set("abc", 3, 3);
    EXPECT_FALSE(buffer.Set(nullptr, 3, 3));
    EXPECT_EQ(0, buffer.GetLength());
    EXPECT_FALSE(buffer.HasMessage());
}

// A receiver keeps a framed message by setting a buffer to the message's own bytes; that also
// works when the bytes lie in the buffer being set.
TEST(BinBufferContent, SetFromItsOwnBytes)
{
    const std::string stream = "junk$GPGGA,1,2*00\r\n";
    CBinBuffer buffer(stream.data(), static_cast<int>(stream.size()));
    ASSERT_TRUE(buffer.GetCurrentMessage());
    int nLen = 0;
    const char* p = buffer.GetMessageBin(nLen);
    ASSERT_TRUE(buffer.Set(p, nLen, nLen));
    EXPECT_EQ(14, buffer.GetLength());
    EXPECT_EQ("$GPGGA,1,2*00\r", MessageBytes(buffer));
}

TEST(BinBufferContent, AppendKeepsTheWalkAndTheCurrentMessage)
{
    const std::string first = "xx$GPGGA,1,2*00\r\n$GPV";
    CBinBuffer buffer(first.data(), static_cast<int>(first.size()));
    ASSERT_TRUE(buffer.GetCurrentMessage());
    CBinBuffer more("TG,3,4*00\r\n", 11);
    buffer += more;
    buffer += CBinBuffer();
    EXPECT_EQ(static_cast<int>(first.size()) + 11, buffer.GetLength());
    EXPECT_EQ("$GPGGA,1,2*00\r", MessageBytes(buffer));
    ASSERT_TRUE(buffer.Next());
    EXPECT_EQ("$GPVTG,3,4*00\r", MessageBytes(buffer));
    EXPECT_EQ(11, more.GetLength()); // the source is left as it was

    EXPECT_THROW(more += more, CInvalidArgException) << "appending a buffer to itself";
    EXPECT_EQ(L"TG,3,4*00\r\n\n", more.Mid(0, 0).Str());
}

TEST(BinBufferContent, ClearedOrWithoutMessageGivesEmptyResults)
{
    CBinBuffer buffer("$A,B,C\r\n", 8);
    ASSERT_TRUE(buffer.GetCurrentMessage());
    buffer.Clear();
    EXPECT_EQ(0, buffer.GetLength());
    EXPECT_FALSE(buffer.HasMessage());
    EXPECT_FALSE(buffer.GetCurrentMessage());
    EXPECT_EQ(-1, buffer.Find('$', 0));

    buffer.Set("$GPGGA,1", 8, 0);
    EXPECT_FALSE(buffer.GetCurrentMessage()) << "not complete";
    EXPECT_TRUE(buffer.GetMessage().IsEmpty());
    std::unique_ptr<CString> pText(buffer.GetMessageAsPtr());
    ASSERT_NE(nullptr, pText);
    EXPECT_TRUE(pText->IsEmpty());
    int nLen = 12345;
    EXPECT_EQ(nullptr, buffer.GetMessageBin(nLen));
    EXPECT_EQ(12345, nLen);
    EXPECT_FALSE(buffer.Next());
}

TEST(BinBufferContent, FindComparesByteValues)
{
    const std::string bytes = "$A,\xAA\0,\xFF"s;
    const CBinBuffer buffer(bytes.data(), static_cast<int>(bytes.size()));
    struct SRow
    {
        const char* legend;
        char c;
        int nStart;
        int nExpected;
    };
    const SRow rows[] = {
        {"first of two", ',', 0, 2},     {"after the start index", ',', 3, 5},
        {"high byte", '\xAA', 0, 3},     {"zero byte", '\0', 0, 4},
        {"absent", '#', 0, -1},          {"start beyond the end", ',', 100, -1},
        {"negative start", '$', -1, -1},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_EQ(row.nExpected, buffer.Find(row.c, row.nStart));
    }
}

TEST(BinBufferContent, MidTakesBytesAsTextWithALineFeed)
{
    const std::string bytes = "$GP\xFFGA\0xy"s;
    const CBinBuffer buffer(bytes.data(), static_cast<int>(bytes.size()));
    struct SRow
    {
        const char* legend;
        int nStart;
        int nCount;
        std::wstring expected;
    };
    const SRow rows[] = {
        {"start before the bytes", -1, 5, L""},
        {"count 0 takes the rest", 0, 0, L"$GP\xFFGA\n"},
        {"negative count takes the rest", 1, -4, L"GP\xFFGA\n"},
        {"a part", 1, 2, L"GP\n"},
        {"count reaching the end takes the rest", 7, 2, L"xy\n"},
        {"count that would overflow", 8, INT_MAX, L"y\n"},
        {"text ends at a zero byte", 4, 5, L"GA\n"},
        {"a zero byte first gives only the line feed", 6, 3, L"\n"},
    };
    for (const SRow& row : rows)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_EQ(row.expected, buffer.Mid(row.nStart, row.nCount).Str());
        std::unique_ptr<CString> pText(buffer.Mid2(row.nStart, row.nCount));
        ASSERT_NE(nullptr, pText);
        EXPECT_EQ(row.expected, pText->Str());
    }
}

TEST(BinBufferContent, ResizeKeepsOnlyTheUnconsumedTail)
{
    // Nothing consumed yet: nothing changes, the current message stays.
    CBinBuffer buffer("$A,B,C\r\n$GPV", 12);
    ASSERT_TRUE(buffer.GetCurrentMessage());
    buffer.Resize();
    EXPECT_EQ(12, buffer.GetLength());
    EXPECT_TRUE(buffer.HasMessage());

    // Past the first message: "$GPV" moves to the front, the walk starts again there.
    EXPECT_FALSE(buffer.Next());
    buffer.Resize();
    EXPECT_EQ(4, buffer.GetLength());
    EXPECT_EQ(L"$GPV\n", buffer.Mid(0, 0).Str());
    EXPECT_EQ(0, buffer.Find('$', 0));

    // Everything consumed: the buffer is empty.
    CBinBuffer whole("$A,B,C\r\n", 8);
    ASSERT_TRUE(whole.GetCurrentMessage());
    EXPECT_FALSE(whole.Next());
    whole.Resize();
    EXPECT_EQ(0, whole.GetLength());
}

} // namespace
