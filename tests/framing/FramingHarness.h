// Feeds bytes to a CBinBuffer exactly as the acquisition thread does: append the chunk with +=,
// GetCurrentMessage, take every message out while HasMessage (stop when Next fails), Resize.
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

// The text a message must come out as: one character per byte up to the first zero, then "\n".
// The text a buffer holds (Mid(0, 0)) follows the same rule, and is empty for no bytes.
inline std::wstring ExpectedText(const std::string& bytes)
{
    std::wstring text;
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i)
    {
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i])));
    }
    return text + L"\n";
}
inline std::wstring ExpectedHeldText(const std::string& bytes)
{
    return bytes.empty() ? std::wstring() : ExpectedText(bytes);
}

// Every message's GetMessage and GetMessageAsPtr texts are checked against its bytes on the way.
class CEngineFeeder
{
public:
    void Feed(const char* pData, int nCount)
    {
        m_Buffer += CBinBuffer(pData, nCount);
        m_Buffer.GetCurrentMessage();
        while (m_Buffer.HasMessage())
        {
            int nLen = -1;
            const char* pMessage = m_Buffer.GetMessageBin(nLen);
            if (pMessage == nullptr || nLen < 1)
            {
                ADD_FAILURE() << "HasMessage() without message bytes";
                break;
            }
            m_Messages.emplace_back(pMessage, static_cast<std::size_t>(nLen));
            const std::wstring expected = ExpectedText(m_Messages.back());
            EXPECT_EQ(expected, m_Buffer.GetMessage().Str());
            EXPECT_EQ(expected, std::unique_ptr<CString>(m_Buffer.GetMessageAsPtr())->Str());
            if (!m_Buffer.Next())
            {
                break;
            }
        }
        m_Buffer.Resize();
    }

    // The whole stream in chunks of nChunk bytes (0: all at once), or with a seed, in chunks of
    // random size 1..nChunk.
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
    // The bytes the buffer holds, as far as its text shows them.
    std::wstring HeldText() const { return m_Buffer.Mid(0, 0).Str(); }

private:
    CBinBuffer m_Buffer;
    std::vector<std::string> m_Messages;
};

// The messages of a stream fed as CEngineFeeder::FeedStream feeds it.
inline std::vector<std::string> Frame(const std::string& stream, int nChunk = 0,
                                      std::uint32_t nSeed = 0)
{
    CEngineFeeder feeder;
    feeder.FeedStream(stream, nChunk, nSeed);
    return feeder.Messages();
}

} // namespace framing_test
