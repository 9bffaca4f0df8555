// CBinBuffer: the bytes received from a receiver, cut into whole messages. One pass recognises
// text sentences ("$", "#" up to the carriage return), "$PASHR"/"$BIN" binary records of fixed
// length and OEM binary messages (sync 0xAA 0x44 0x12, self-described length).
#pragma once

#include "platform/String.h"
#include "platform/Exceptions.h"

#include <cstring>
#include <vector>

class FIXORA_API CBinBuffer
{
public:
    CBinBuffer();
    // As Set(pData, nCount, 0).
    CBinBuffer(const char* pData, int nCount);
    // The low byte of every character, in order (emulation lines become bytes this way).
    explicit CBinBuffer(CString& str);

    CBinBuffer(const CBinBuffer&) = delete;
    CBinBuffer& operator=(const CBinBuffer&) = delete;

    // ---- content ----------------------------------------------------------------------------
    // The buffer becomes exactly nCount bytes with the first nMsgLen of them as the current
    // message. No data (null or nCount < 1) clears the buffer and returns false.
    bool Set(const char* pData, int nCount, int nMsgLen);
    // Appends every valid byte of other; the walk position and current message stay.
    // Appending a buffer to itself throws CInvalidArgException.
    const CBinBuffer& operator+=(const CBinBuffer& other);
    void Clear();
    int GetLength() const { return m_nLength; }
    // Index of the first byte c at or after nStart, or -1 (also for a negative nStart).
    int Find(char c, int nStart) const;
    // Drops the consumed head: the bytes from the walk position on move to the front.
    void Resize();

    // ---- message walk -----------------------------------------------------------------------
    bool First();
    // Finds the whole message at or after the walk position; skipped garbage is gone for good.
    bool GetCurrentMessage();
    bool HasMessage() const { return m_nMsgLen > 0; }
    // Moves past the current message (and past the line feed after a "$" sentence).
    // Call only while HasMessage() is true; without a current message it returns false.
    bool Next();
    // Finds the next message start and names it: the first two comma-separated fields, the
    // four bytes of a comma-less or "$BIN" message, or the OEM binary placeholder tag.
    bool GetTag(CString& strTag, CString& strSubTag);

    // ---- taking a message out ---------------------------------------------------------------
    // Message texts are one character per byte up to the first zero byte, followed by "\n".
    CString GetMessage() const;
    // The same text written into strText, whose storage is reused (no allocation per message
    // once it is large enough).
    void GetMessage(CString& strText) const;
    // What the framer learns of a message's text while it copies it out (see SentenceChecks.h).
    struct SMessageFacts
    {
        bool bPortTag = false;    // the text holds a port tag
        bool bChecksumOK = false; // the NMEA checksum of the text holds
    };
    // GetMessage(strText), with the facts of the text.
    void GetMessage(CString& strText, SMessageFacts& facts) const;
    // A new CString (empty when there is no message); the caller deletes it.
    CString* GetMessageAsPtr() const;
    // The current message's bytes, valid until the buffer changes; null when there is none.
    const char* GetMessageBin(int& nLen) const;
    CString Mid(int nStart, int nCount) const;
    CString* Mid2(int nStart, int nCount) const;

private:
    // Where GetTag found the message start and its fields (indexes into m_Array).
    enum class ETagKind
    {
        Oem,
        FourBytes,
        Fields
    };
    struct STagSpan
    {
        ETagKind eKind = ETagKind::Fields;
        int nTag = 0;
        int nTagLen = 0;
        int nSub = 0;
        int nSubLen = 0;
        int nEnd = -1; // last byte of a text message, -1 while it has not arrived
    };

    // GetTag without building texts, so that walking a chunk allocates nothing.
    bool FindTag(STagSpan& span);
    // The binary rule on the spans found by FindTag: the message length, or -1 for text.
    int BinaryLength(const STagSpan& span) const;
    // The binary rule over a tag and its subtag: a record's length by the subtag, a "$BIN"
    // block's length, or the current length for the OEM tag; -1 for a text message.
    int BinaryTagLength(const char* pTag, int nTagLen, const char* pSub, int nSubLen) const;
    const char* GetPtr(int nIndex) const;
    // Index of the first byte c in [nStart, nEnd), or -1.
    int FindIn(char c, int nStart, int nEnd) const
    {
        if (nStart < 0 || nStart >= nEnd)
        {
            return -1;
        }
        const char* pBegin = m_Array.data();
        const void* pHit = std::memchr(pBegin + nStart, c, static_cast<std::size_t>(nEnd - nStart));
        return pHit == nullptr ? -1 : static_cast<int>(static_cast<const char*>(pHit) - pBegin);
    }
    // The first byte c at or after nStart, or -1, for bytes that messages seldom hold: the rest
    // of the buffer is searched once and the walk through it asks the remembered answer.
    struct SRareByte
    {
        int nFrom = -1; // the search started here (-1: nothing remembered)
        int nAt = -1;   // and found the byte here, or not at all (-1)
    };
    int FindRare(char c, int nStart, SRareByte& memo) const
    {
        if (memo.nFrom >= 0 && nStart >= memo.nFrom && (memo.nAt < 0 || memo.nAt >= nStart))
        {
            return memo.nAt;
        }
        memo.nFrom = nStart;
        memo.nAt = FindIn(c, nStart, m_nLength);
        return memo.nAt;
    }
    // Forgets the remembered searches; every change of the content calls it.
    void ForgetRareBytes() const;
    // Last byte of the text message at m_nPos, or -1 while it has not arrived.
    int TextEnd() const;
    CString Text(int nStart, int nCount, bool bLineFeed) const;
    void TextInto(int nStart, int nCount, bool bLineFeed, CString& strText) const;
    // Mid's text written into strText.
    void MidInto(int nStart, int nCount, CString& strText) const;

    std::vector<char> m_Array;
    mutable SRareByte m_Zero;    // zero bytes end a message's text
    mutable SRareByte m_Bracket; // a port tag's bracket
    int m_nPos = 0;
    int m_nMsgLen = 0;
    int m_nLength = 0;
};
