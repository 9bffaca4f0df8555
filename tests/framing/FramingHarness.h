// Feeds bytes to a CBinBuffer exactly as the acquisition thread does (append the chunk with +=,
// GetCurrentMessage, take every message out while HasMessage, Resize), and builds the byte images
// of the message kinds receivers send.
#pragma once

#include "framing/BinBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace framing_test
{

// A message's text: one character per byte up to the first zero byte, then "\n".
inline std::wstring ExpectedText(const std::string& bytes)
{
    std::wstring text;
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i)
    {
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i])));
    }
    return text + L"\n";
}

// Every message's texts (GetMessage, GetMessageAsPtr, and GetMessage into one reused string, as
// the engine's delivery does) are checked against its bytes on the way.
class CEngineFeeder
{
public:
    void Feed(const char* pData, int nCount)
    {
        m_Buffer += CBinBuffer(pData, nCount);
        m_Buffer.GetCurrentMessage();
        for (bool bMore = m_Buffer.HasMessage(); bMore; bMore = m_Buffer.Next())
        {
            int nLen = -1;
            const char* pMessage = m_Buffer.GetMessageBin(nLen);
            ASSERT_TRUE(pMessage != nullptr && nLen > 0) << "HasMessage() without message bytes";
            m_Messages.emplace_back(pMessage, static_cast<std::size_t>(nLen));
            const std::wstring expected = ExpectedText(m_Messages.back());
            EXPECT_EQ(expected, m_Buffer.GetMessage().Str());
            EXPECT_EQ(expected, std::unique_ptr<CString>(m_Buffer.GetMessageAsPtr())->Str());
            m_Buffer.GetMessage(m_strReused);
            EXPECT_EQ(expected, m_strReused.Str()) << "no tail of a longer text may survive";
        }
        m_Buffer.GetMessage(m_strReused); // no current message now
        EXPECT_TRUE(m_strReused.IsEmpty());
        m_Buffer.Resize();
    }

    // The stream in chunks of nChunk bytes (0: all at once), or with a seed, of random size
    // 1..nChunk.
    void FeedStream(const std::string& stream, int nChunk, std::uint32_t nSeed = 0)
    {
        std::mt19937 random(nSeed);
        std::uniform_int_distribution<int> size(1, std::max(nChunk, 1));
        for (std::size_t i = 0; i < stream.size();)
        {
            const int nStep = nChunk <= 0 ? static_cast<int>(stream.size())
                                          : (nSeed != 0 ? size(random) : nChunk);
            const std::size_t n = std::min(static_cast<std::size_t>(nStep), stream.size() - i);
            Feed(stream.data() + i, static_cast<int>(n));
            i += n;
        }
    }

    const std::vector<std::string>& Messages() const { return m_Messages; }
    const CBinBuffer& Buffer() const { return m_Buffer; }

private:
    CBinBuffer m_Buffer;
    CString m_strReused{std::wstring(200, L'x').c_str()};
    std::vector<std::string> m_Messages;
};

inline std::vector<std::string> Frame(const std::string& stream, int nChunk = 0,
                                      std::uint32_t nSeed = 0)
{
    CEngineFeeder feeder;
    feeder.FeedStream(stream, nChunk, nSeed);
    return feeder.Messages();
}

// Binary bodies hold the bytes that would end or start a text message, so only the fixed length
// of a record can frame it correctly.
inline std::string TrickyBytes(int nCount)
{
    static const char kAlphabet[] = "\r\n$#,\0A\xAA\x44\x12*BIN\xFF"
                                    "7";
    std::string bytes;
    for (int i = 0; i < nCount; ++i)
    {
        bytes.push_back(kAlphabet[(i * 7) % 16]);
    }
    return bytes;
}

// "$PASHR,<kind>," + body + carriage return, nLength bytes in all (the line feed not included).
inline std::string AshtechRecord(const std::string& strKind, int nLength,
                                 const std::string& strTag = "PASHR")
{
    std::string head = "$" + strTag + "," + strKind + ",";
    return head + TrickyBytes(nLength - static_cast<int>(head.size()) - 1) + "\r";
}

// "$BIN" + block (16-bit) + data length (16-bit) + data + checksum + CR LF: nData + 12 bytes.
inline std::string BinMessage(std::uint16_t nBlock, int nData)
{
    const char head[] = {static_cast<char>(nBlock & 0xFF), static_cast<char>(nBlock >> 8),
                         static_cast<char>(nData & 0xFF), static_cast<char>(nData >> 8)};
    return "$BIN" + std::string(head, 4) + TrickyBytes(nData + 2) + "\r\n";
}

// OEM binary message: sync, header length in byte 3, body length in bytes 8-9 (little-endian);
// nHeader + nBody + 4 bytes in all (the last four stand for the CRC).
inline std::string OemMessage(int nHeader, int nBody)
{
    std::string bytes = TrickyBytes(nHeader + nBody + 4);
    bytes.replace(0, 4, {'\xAA', '\x44', '\x12', static_cast<char>(nHeader)});
    bytes[8] = static_cast<char>(nBody & 0xFF);
    bytes[9] = static_cast<char>(nBody >> 8);
    return bytes;
}

} // namespace framing_test
