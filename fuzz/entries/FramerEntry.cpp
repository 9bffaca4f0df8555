// The framer alone, fed as the engine feeds it: each chunk appended, every message taken out,
// the consumed head dropped. The input's first three bytes draw the chunk sizes, the rest is the
// stream. Every byte of the stream ends up in exactly one of three places: in a message, passed
// over, or still held for the next chunk; the accounting below checks that no message invents,
// repeats or reorders bytes, that only bytes which cannot start a message are passed over, and
// that the held bytes are the stream's tail. The same stream framed at once gives the same
// messages.
#include "FuzzCheck.h"
#include "FuzzEntries.h"

#include "framing/BinBuffer.h"
#include "framing/SentenceChecks.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace
{

constexpr std::size_t s_nLargestChunks[] = {1, 16, 256, 4096};

bool MayStartMessage(std::string_view rest)
{
    return !rest.empty() && (rest[0] == '$' || rest[0] == '#' || rest.starts_with("\xAA\x44\x12"));
}

// A message's text: one character per byte up to the first zero byte, then "\n".
std::wstring TextOf(std::string_view bytes)
{
    std::wstring text;
    for (const char c : bytes.substr(0, bytes.find('\0')))
    {
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return text + L'\n';
}

// A message as the buffer gave it out: its bytes stay where they are until the buffer changes,
// so the distances between the messages of one pass are their distances in the stream.
struct SMessage
{
    const char* pBytes;
    std::size_t nLength;
};

class CAccountant
{
public:
    explicit CAccountant(std::string_view stream) : m_Stream(stream) {}

    void Fed(std::size_t nCount) { m_nFed += nCount; }

    // The messages of one pass over the buffer: they must sit in the stream in order, past what
    // earlier passes took, each after a run of bytes that no message could start. Where the first
    // sits is found by its bytes; a repeated pattern gives several places, and one must fit.
    void Pass(const std::vector<SMessage>& messages)
    {
        if (messages.empty())
        {
            return;
        }
        const std::string_view arrived = m_Stream.substr(0, m_nFed);
        const std::string_view first(messages.front().pBytes, messages.front().nLength);
        std::size_t nAt = arrived.find(first, m_nTaken);
        while (nAt != arrived.npos && !Fits(messages, arrived, nAt))
        {
            nAt = arrived.find(first, nAt + 1);
        }
        FUZZ_CHECK(nAt != arrived.npos);
        for (const SMessage& message : messages)
        {
            m_nInMessages += message.nLength;
        }
        m_nTaken = nAt +
                   static_cast<std::size_t>(messages.back().pBytes - messages.front().pBytes) +
                   messages.back().nLength;
    }

    // After the consumed head went: what the buffer holds is the stream's tail, none of it given
    // out in a message, and every byte before it was in a message or passed over. The held text
    // is compared at the end of the stream only (bShowTail), which keeps a stream read a byte at
    // a time linear.
    void Held(const CBinBuffer& buffer, bool bShowTail)
    {
        const auto nHeld = static_cast<std::size_t>(buffer.GetLength());
        FUZZ_CHECK(m_nTaken + nHeld <= m_nFed);
        const std::string_view tail = m_Stream.substr(m_nFed - nHeld, nHeld);
        FUZZ_CHECK(!bShowTail ||
                   buffer.Mid(0, 0).Str() == (tail.empty() ? std::wstring() : TextOf(tail)));
        m_nTaken = m_nFed - nHeld;
        FUZZ_CHECK(m_nInMessages + nHeld <= m_nFed);
    }

private:
    // Whether the pass's messages fit the stream with the first at nFirst.
    bool Fits(const std::vector<SMessage>& messages, std::string_view arrived,
              std::size_t nFirst) const
    {
        std::size_t nFrom = m_nTaken;
        for (const SMessage& message : messages)
        {
            FUZZ_CHECK(message.pBytes >= messages.front().pBytes && message.nLength > 0);
            const std::size_t nAt =
                nFirst + static_cast<std::size_t>(message.pBytes - messages.front().pBytes);
            const std::string_view bytes(message.pBytes, message.nLength);
            if (nAt < nFrom || arrived.substr(nAt, bytes.size()) != bytes)
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
            nFrom = nAt + bytes.size();
        }
        return true;
    }

    std::string_view m_Stream;
    std::size_t m_nFed = 0;        // appended to the buffer so far
    std::size_t m_nTaken = 0;      // up to here every byte is in a message or passed over
    std::size_t m_nInMessages = 0; // bytes given out in messages
};

// What the framer says of a message's text matches what the text says of itself.
void CheckFacts(const CBinBuffer& buffer, CString& strText)
{
    CBinBuffer::SMessageFacts facts;
    buffer.GetMessage(strText, facts);
    int nLength = 0;
    const char* pBytes = buffer.GetMessageBin(nLength);
    FUZZ_CHECK(strText.Str() ==
               TextOf(std::string_view(pBytes, static_cast<std::size_t>(nLength))));
    const std::wstring_view text = strText.View().substr(0, strText.View().size() - 1);
    FUZZ_CHECK(facts.bChecksumOK == sentence_checks::IsChecksumOK(text));
    FUZZ_CHECK(facts.bPortTag == (sentence_checks::FindPortTag(text) != text.npos));
}

// The messages a stream frames into, in chunks of 1 to nLargest bytes drawn from nState (the whole
// stream at once for nLargest 0), with the accounting of every pass; and how many bytes the
// buffer holds at the end.
struct SFramed
{
    std::vector<std::string> messages;
    int nHeld = 0;
};
SFramed Frame(std::string_view stream, std::size_t nLargest, std::uint32_t nState)
{
    CAccountant accountant(stream);
    CBinBuffer buffer;
    CString strText;
    std::vector<SMessage> messages;
    SFramed framed;
    for (std::size_t i = 0; i < stream.size();)
    {
        nState ^= nState << 13;
        nState ^= nState >> 17;
        nState ^= nState << 5;
        const std::size_t n =
            nLargest == 0 ? stream.size() : std::min(1 + nState % nLargest, stream.size() - i);
        // A copy of exactly the chunk's size, so that a read past it is the sanitizer's finding.
        const std::string chunk(stream.substr(i, n));
        buffer += CBinBuffer(chunk.data(), static_cast<int>(n));
        accountant.Fed(n);
        i += n;
        messages.clear();
        // The engine's walk: a walk may report success without a message, which ends it too.
        for (buffer.GetCurrentMessage(); buffer.HasMessage();)
        {
            int nLength = 0;
            const char* pBytes = buffer.GetMessageBin(nLength);
            FUZZ_CHECK(pBytes != nullptr && nLength > 0);
            messages.push_back({pBytes, static_cast<std::size_t>(nLength)});
            framed.messages.emplace_back(pBytes, static_cast<std::size_t>(nLength));
            FUZZ_CHECK(MayStartMessage(framed.messages.back()));
            CheckFacts(buffer, strText);
            if (!buffer.Next())
            {
                break;
            }
        }
        // The messages are placed before Resize moves the bytes they point to.
        accountant.Pass(messages);
        buffer.Resize();
        accountant.Held(buffer, i == stream.size());
    }
    framed.nHeld = buffer.GetLength();
    return framed;
}

} // namespace

namespace fuzz_entry
{

// A stream frames into the same messages however its reads cut it.
void Framer(const std::uint8_t* pData, std::size_t nSize)
{
    constexpr std::size_t s_nHeader = 3;
    if (nSize < s_nHeader)
    {
        return;
    }
    const std::size_t nLargest = s_nLargestChunks[pData[0] % std::size(s_nLargestChunks)];
    const std::uint32_t nSeed = (static_cast<std::uint32_t>(pData[1]) << 8 | pData[2]) | 1U;
    const std::string_view stream(reinterpret_cast<const char*>(pData) + s_nHeader,
                                  nSize - s_nHeader);
    const SFramed inChunks = Frame(stream, nLargest, nSeed);
    const SFramed atOnce = Frame(stream, 0, nSeed);
    FUZZ_CHECK(inChunks.messages == atOnce.messages);
    FUZZ_CHECK(inChunks.nHeld == atOnce.nHeld);
}

} // namespace fuzz_entry
