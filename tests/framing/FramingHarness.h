// Feeds bytes to a CBinBuffer exactly as the acquisition thread does: append the chunk with +=,
// GetCurrentMessage, take every message out while HasMessage (stop when Next fails), Resize.
#pragma once

#include "framing/BinBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace framing_test
{

// The text a message must come out as: one character per byte up to the first zero, then "\n".
inline std::wstring ExpectedText(const std::string& bytes)
{
    std::wstring text;
    for (char c : bytes)
    {
        if (c == '\0')
        {
            break;
        }
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    text.push_back(L'\n');
    return text;
}

class CEngineFeeder
{
public:
    // When bCheckTexts is set, every message's GetMessage and GetMessageAsPtr texts are checked
    // against its bytes (costly on long streams, so optional).
    explicit CEngineFeeder(bool bCheckTexts = true) : m_bCheckTexts(bCheckTexts) {}

    void Feed(const char* pData, int nCount)
    {
        CBinBuffer chunk(pData, nCount);
        m_Buffer += chunk;
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
            if (m_bCheckTexts)
            {
                const std::wstring expected = ExpectedText(m_Messages.back());
                EXPECT_EQ(expected, m_Buffer.GetMessage().Str());
                CString* pText = m_Buffer.GetMessageAsPtr();
                EXPECT_EQ(expected, pText->Str());
                delete pText;
            }
            if (!m_Buffer.Next())
            {
                break;
            }
        }
        m_Buffer.Resize();
    }

    void Feed(const std::string& bytes) { Feed(bytes.data(), static_cast<int>(bytes.size())); }

    const std::vector<std::string>& Messages() const { return m_Messages; }
    CBinBuffer& Buffer() { return m_Buffer; }

private:
    bool m_bCheckTexts;
    CBinBuffer m_Buffer;
    std::vector<std::string> m_Messages;
};

// nChunk <= 0 feeds the whole stream at once.
inline std::vector<std::string> FrameInChunks(const std::string& stream, int nChunk,
                                              bool bCheckTexts = true)
{
    CEngineFeeder feeder(bCheckTexts);
    const int nTotal = static_cast<int>(stream.size());
    const int nStep = nChunk <= 0 ? nTotal : nChunk;
    for (int i = 0; i < nTotal; i += nStep)
    {
        feeder.Feed(stream.data() + i, std::min(nStep, nTotal - i));
    }
    return feeder.Messages();
}

// Chunks of random size 1..nMaxChunk drawn from a fixed seed.
inline std::vector<std::string> FrameInRandomChunks(const std::string& stream, std::uint32_t nSeed,
                                                    int nMaxChunk, bool bCheckTexts = false)
{
    std::mt19937 random(nSeed);
    std::uniform_int_distribution<int> size(1, nMaxChunk);
    CEngineFeeder feeder(bCheckTexts);
    const int nTotal = static_cast<int>(stream.size());
    for (int i = 0; i < nTotal;)
    {
        const int n = std::min(size(random), nTotal - i);
        feeder.Feed(stream.data() + i, n);
        i += n;
    }
    return feeder.Messages();
}

// The bytes a buffer holds, as far as its text shows them (up to the first zero byte), and what
// that text must be for given bytes: nothing at all when there are none.
inline std::wstring HeldText(const CBinBuffer& buffer)
{
    return buffer.Mid(0, 0).Str();
}
inline std::wstring ExpectedHeldText(const std::string& bytes)
{
    return bytes.empty() ? std::wstring() : ExpectedText(bytes);
}

} // namespace framing_test
