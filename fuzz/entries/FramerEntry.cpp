// The framer alone, fed as the engine feeds it, in chunks drawn from the input's first three bytes:
// every byte ends up in a message, passed over (only bytes that cannot start one) or held for the
// next chunk, in stream order; framed at once, the stream gives the same messages.
#include "FuzzEntries.h"

#include "framing/BinBuffer.h"
#include "framing/SentenceChecks.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace
{

bool MayStartMessage(std::string_view rest)
{
    return rest.starts_with('$') || rest.starts_with('#') || rest.starts_with("\xAA\x44\x12");
}

// A message's text: one character per byte up to the first zero byte, then "\n".
std::wstring TextOf(std::string_view bytes)
{
    return fuzz_entry::Widen(bytes.substr(0, bytes.find('\0'))) + L'\n';
}

class CAccountant
{
public:
    explicit CAccountant(std::string_view stream) : m_Stream(stream) {}

    // One pass's messages, views of the buffer once nFed bytes arrived: in the stream in order,
    // past what earlier passes took. The first is found by its bytes, at one of its places.
    void Pass(const std::vector<std::string_view>& messages, std::size_t nFed)
    {
        m_nFed = nFed;
        if (messages.empty())
        {
            return;
        }
        const std::string_view arrived = m_Stream.substr(0, m_nFed);
        std::size_t nAt = arrived.find(messages.front(), m_nTaken);
        while (nAt != arrived.npos && !Fits(messages, arrived, nAt))
        {
            nAt = arrived.find(messages.front(), nAt + 1);
        }
        FUZZ_CHECK(nAt != arrived.npos);
        for (const std::string_view message : messages)
        {
            m_nInMessages += message.size();
        }
        m_nTaken = nAt + Distance(messages.front(), messages.back()) + messages.back().size();
    }

    // After the consumed head went, the buffer holds the stream's tail, none of it in a message;
    // its text is compared at the end only, so a stream read a byte at a time stays linear.
    void Held(const CBinBuffer& buffer, bool bEnd)
    {
        const auto nHeld = static_cast<std::size_t>(buffer.GetLength());
        FUZZ_CHECK(m_nTaken + nHeld <= m_nFed && m_nInMessages + nHeld <= m_nFed);
        const std::string_view tail = m_Stream.substr(m_nFed - nHeld, nHeld);
        FUZZ_CHECK(!bEnd || buffer.Mid(0, 0).Str() == (tail.empty() ? L"" : TextOf(tail)));
        m_nTaken = m_nFed - nHeld;
    }

private:
    static std::size_t Distance(std::string_view from, std::string_view to)
    {
        FUZZ_CHECK(to.data() >= from.data());
        return static_cast<std::size_t>(to.data() - from.data());
    }

    // Whether the pass's messages fit the stream with the first at nFirst.
    bool Fits(const std::vector<std::string_view>& messages, std::string_view arrived,
              std::size_t nFirst) const
    {
        std::size_t nFrom = m_nTaken;
        for (const std::string_view message : messages)
        {
            const std::size_t nAt = nFirst + Distance(messages.front(), message);
            if (nAt < nFrom || arrived.substr(nAt, message.size()) != message)
            {
                return false;
            }
            // A byte right after a message may be stepped over unseen (a sentence's line feed).
            for (std::size_t i = nFrom + 1; i < nAt; ++i)
            {
                if (MayStartMessage(arrived.substr(i)))
                {
                    return false;
                }
            }
            nFrom = nAt + message.size();
        }
        return true;
    }

    std::string_view m_Stream;
    std::size_t m_nFed = 0;        // appended to the buffer so far
    std::size_t m_nTaken = 0;      // up to here every byte is in a message or passed over
    std::size_t m_nInMessages = 0; // bytes given out in messages
};

// The messages a stream frames into and the bytes held at the end, in chunks of 1 to nLargest
// bytes drawn from nState (at once for 0), with every pass accounted for.
std::pair<std::vector<std::string>, int> Frame(std::string_view stream, std::size_t nLargest,
                                               std::uint32_t nState)
{
    CAccountant accountant(stream);
    CBinBuffer buffer;
    CString strText;
    CBinBuffer::SMessageFacts facts;
    std::vector<std::string> framed;
    for (std::size_t i = 0, n = 0; i < stream.size(); i += n)
    {
        n = nLargest == 0 ? stream.size()
                          : std::min(fuzz_entry::NextChunk(nState, nLargest), stream.size() - i);
        // A copy of exactly the chunk's size, so that a read past it is the sanitizer's finding.
        const std::string chunk(stream.substr(i, n));
        buffer += CBinBuffer(chunk.data(), static_cast<int>(n));
        std::vector<std::string_view> messages;
        // The engine's walk: a walk may report success without a message, which ends it too.
        buffer.GetCurrentMessage();
        for (bool bMore = true; bMore && buffer.HasMessage(); bMore = buffer.Next())
        {
            int nLength = 0;
            const char* pBytes = buffer.GetMessageBin(nLength);
            FUZZ_CHECK(pBytes != nullptr && nLength > 0);
            const std::string_view bytes(pBytes, static_cast<std::size_t>(nLength));
            FUZZ_CHECK(MayStartMessage(bytes));
            messages.push_back(bytes);
            framed.emplace_back(bytes);
            // What the framer says of a message's text matches what the text says of itself.
            buffer.GetMessage(strText, facts);
            FUZZ_CHECK(strText.Str() == TextOf(bytes));
            const std::wstring_view text = strText.View().substr(0, strText.View().size() - 1);
            FUZZ_CHECK(facts.bChecksumOK == sentence_checks::IsChecksumOK(text));
            FUZZ_CHECK(facts.bPortTag == (sentence_checks::FindPortTag(text) != text.npos));
        }
        // The messages are placed before Resize moves the bytes they point to.
        accountant.Pass(messages, i + n);
        buffer.Resize();
        accountant.Held(buffer, i + n == stream.size());
    }
    return {framed, buffer.GetLength()};
}

} // namespace

// A stream frames into the same messages however its reads cut it.
void fuzz_entry::Framer(const std::uint8_t* pData, std::size_t nSize)
{
    constexpr std::size_t s_nLargestChunks[] = {1, 16, 256, 4096};
    if (nSize >= 3)
    {
        const std::uint32_t nSeed = (static_cast<std::uint32_t>(pData[1]) << 8 | pData[2]) | 1U;
        const std::string_view stream(reinterpret_cast<const char*>(pData) + 3, nSize - 3);
        FUZZ_CHECK(Frame(stream, s_nLargestChunks[pData[0] % 4], nSeed) == Frame(stream, 0, nSeed));
    }
}
