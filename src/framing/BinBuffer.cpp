#include "framing/BinBuffer.h"

#include "framing/SentenceChecks.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

namespace
{

constexpr char s_chCarriageReturn = '\r';
constexpr unsigned char s_Sync[3] = {0xAA, 0x44, 0x12};
// An OEM binary header is read only once this many bytes, counted from the sync, are there.
constexpr int s_nOemHeaderBytes = 29;
constexpr char s_szOemTag[] = "Axis4OEMBinaryTagPlaceHolder";
constexpr int s_nOemTagLength = sizeof(s_szOemTag) - 1;
constexpr char s_szBinTag[] = "$BIN";

// "$PASHR"-style binary records: the second field names the record, the record fixes the length
// (from the "$" to the record's carriage return).
struct SRecordLength
{
    char szKind[4];
    int nLength;
};
constexpr SRecordLength s_RecordLengths[] = {
    {"MBN", 54}, {"MCA", 49}, {"PBN", 68}, {"SAL", 82}, {"SNV", 144}};

// "$BIN" messages: byte 4 (low byte of the block number) fixes the length, CR LF included.
int BlockLength(unsigned char block)
{
    switch (block)
    {
    case 0x5F:
        return 140;
    case 0x60:
        return 312;
    default:
        return 0;
    }
}

unsigned char Byte(const char* p)
{
    return static_cast<unsigned char>(*p);
}

char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// A field compares as text, and text ends at the first zero byte.
int TextLength(const char* p, int nCount)
{
    const void* pZero = std::memchr(p, 0, static_cast<std::size_t>(nCount));
    return pZero == nullptr ? nCount : static_cast<int>(static_cast<const char*>(pZero) - p);
}

// Length of the record named by a second field (any letter case), 0 when it names none.
int RecordLength(const char* pField, int nCount)
{
    if (nCount != 3)
    {
        return 0;
    }
    for (const SRecordLength& row : s_RecordLengths)
    {
        if (AsciiUpper(pField[0]) == row.szKind[0] && AsciiUpper(pField[1]) == row.szKind[1] &&
            AsciiUpper(pField[2]) == row.szKind[2])
        {
            return row.nLength;
        }
    }
    return 0;
}

bool StartsWith(const char* p, int nCount, const char* pszPrefix, int nPrefix)
{
    return nCount >= nPrefix && std::memcmp(p, pszPrefix, static_cast<std::size_t>(nPrefix)) == 0;
}

// Whether a message's first two fields could name a binary message at all: a record's kind is
// three characters (a longer field counts when a zero byte ends its text there), and only
// "$BIN" and the OEM tag start with '$' or 'A'. Nearly every sentence is settled here.
bool MayNameBinary(const char* pTag, int nTagLen, const char* pSub, int nSubLen)
{
    return (nTagLen > 0 && (*pTag == '$' || *pTag == s_szOemTag[0])) || nSubLen == 3 ||
           (nSubLen > 3 && pSub[3] == '\0');
}

bool IsSyncAt(const char* p, int nAvailable)
{
    return nAvailable >= 3 && Byte(p) == s_Sync[0] && Byte(p + 1) == s_Sync[1] &&
           Byte(p + 2) == s_Sync[2];
}

} // namespace

CBinBuffer::CBinBuffer() = default;

CBinBuffer::CBinBuffer(const char* pData, int nCount)
{
    Set(pData, nCount, 0);
}

CBinBuffer::CBinBuffer(CString& str)
{
    const std::string bytes = str.ToNarrow();
    m_Array.assign(bytes.begin(), bytes.end());
    m_nLength = static_cast<int>(m_Array.size());
}

bool CBinBuffer::Set(const char* pData, int nCount, int nMsgLen)
{
    if (pData == nullptr || nCount < 1)
    {
        Clear();
        return false;
    }
    const char* pBegin = m_Array.data();
    const char* pEnd = pBegin + m_Array.size();
    if (!m_Array.empty() && !std::less<const char*>()(pData, pBegin) &&
        std::less<const char*>()(pData, pEnd))
    {
        // Re-framing bytes of this very buffer (one message made the whole content).
        nCount = std::min(nCount, static_cast<int>(pEnd - pData));
        std::memmove(m_Array.data(), pData, static_cast<std::size_t>(nCount));
        m_Array.resize(static_cast<std::size_t>(nCount));
    }
    else
    {
        m_Array.assign(pData, pData + nCount);
    }
    ForgetRareBytes();
    m_nPos = 0;
    // A declared message never reaches past the data, so GetMessageBin stays in bounds.
    m_nMsgLen = std::clamp(nMsgLen, 0, nCount);
    m_nLength = nCount;
    return true;
}

const CBinBuffer& CBinBuffer::operator+=(const CBinBuffer& other)
{
    if (&other == this)
    {
        AfxThrowInvalidArgException();
    }
    if (other.m_nLength < 1)
    {
        return *this;
    }
    m_Array.insert(m_Array.end(), other.m_Array.begin(), other.m_Array.begin() + other.m_nLength);
    m_nLength = static_cast<int>(m_Array.size());
    ForgetRareBytes();
    return *this;
}

void CBinBuffer::Clear()
{
    std::vector<char>().swap(m_Array);
    ForgetRareBytes();
    m_nPos = 0;
    m_nMsgLen = 0;
    m_nLength = 0;
}

int CBinBuffer::Find(char c, int nStart) const
{
    return FindIn(c, nStart, m_nLength);
}

void CBinBuffer::Resize()
{
    if (m_nLength < 1 || m_nPos <= 0)
    {
        return;
    }
    const int nRemaining = m_nLength - m_nPos;
    ForgetRareBytes();
    if (nRemaining > 0)
    {
        std::memmove(m_Array.data(), m_Array.data() + m_nPos, static_cast<std::size_t>(nRemaining));
        m_Array.resize(static_cast<std::size_t>(nRemaining));
        m_nPos = 0;
        m_nMsgLen = 0;
        m_nLength = nRemaining;
    }
    else
    {
        // Emptied as by Clear(), with two differences. The allocation stays: the engine empties
        // its buffer after nearly every chunk. And when Next stepped over the byte after a
        // sentence before that byte arrived, the step is kept for the next chunk (m_nPos 1),
        // so that a sentence frames the same whether or not a read ended at its carriage return.
        m_Array.clear();
        m_nPos -= m_nLength;
        m_nMsgLen = 0;
        m_nLength = 0;
    }
}

bool CBinBuffer::First()
{
    m_nPos = 0;
    m_nMsgLen = 0;
    return GetCurrentMessage();
}

void CBinBuffer::ForgetRareBytes() const
{
    m_Zero = SRareByte();
    m_Bracket = SRareByte();
}

int CBinBuffer::TextEnd() const
{
    int nEnd = Find(s_chCarriageReturn, m_nPos);
    if (m_Array[static_cast<std::size_t>(m_nPos)] == '#')
    {
        // An ASCII log ends just before the next "#" when that comes before its carriage return.
        // (Whether a next "#" exists decides, never the message's index in the buffer, which
        // depends on how the bytes were read.)
        const int nHash = FindIn('#', m_nPos + 1, nEnd < 0 ? m_nLength : nEnd);
        if (nHash >= 0)
        {
            nEnd = nHash - 1;
        }
    }
    return nEnd;
}

bool CBinBuffer::FindTag(STagSpan& span)
{
    if (m_nPos >= m_nLength)
    {
        return false;
    }
    const char* p = m_Array.data();
    int i = m_nPos;
    for (; i < m_nLength; ++i)
    {
        const char c = p[i];
        if (c == '$' || c == '#' || IsSyncAt(p + i, m_nLength - i))
        {
            break;
        }
    }
    if (i == m_nLength)
    {
        // Deliberately not skipped: a trailing 0xAA or 0xAA 0x44 may be the start of a sync
        // whose rest comes with the next chunk, and skipping it would lose that OEM message.
        int nKeep = 0;
        if (m_nLength - m_nPos >= 2 && Byte(p + m_nLength - 2) == s_Sync[0] &&
            Byte(p + m_nLength - 1) == s_Sync[1])
        {
            nKeep = 2;
        }
        else if (Byte(p + m_nLength - 1) == s_Sync[0])
        {
            nKeep = 1;
        }
        m_nPos = m_nLength - nKeep;
        return false;
    }
    m_nPos = i;
    const int nAvailable = m_nLength - m_nPos;

    if (Byte(p + m_nPos) == s_Sync[0])
    {
        if (nAvailable < s_nOemHeaderBytes)
        {
            return false;
        }
        const int nLength =
            Byte(p + m_nPos + 3) + Byte(p + m_nPos + 8) + 256 * Byte(p + m_nPos + 9) + 4;
        if (nLength > nAvailable)
        {
            return false;
        }
        m_nMsgLen = nLength;
        span.eKind = ETagKind::Oem;
        return true;
    }

    const bool bBin = nAvailable >= 4 && std::memcmp(p + m_nPos + 1, "BIN", 3) == 0;
    span.nEnd = TextEnd();
    // The first comma counts only inside the message itself. A comma-less message is named by
    // its four bytes as soon as its end is there, whatever comes after it; until then it waits.
    // (Searching the bytes beyond would name the same message differently depending on how
    // much of the stream a read happened to bring.)
    int nComma1 = -1;
    if (!bBin)
    {
        nComma1 = FindIn(',', m_nPos, span.nEnd < 0 ? m_nLength : span.nEnd + 1);
        if (nComma1 < 0 && span.nEnd < 0)
        {
            return false;
        }
    }
    if (bBin || nComma1 < 0)
    {
        if (nAvailable < 5)
        {
            return false;
        }
        span.eKind = ETagKind::FourBytes;
        span.nTag = m_nPos;
        span.nTagLen = 4;
        return true;
    }
    // The second comma, too, counts only inside the message. A line with one comma (a
    // receiver's acknowledgement) is named by its first field at its own carriage return; it
    // does not wait for a comma of whatever the receiver sends next, which may be a second away
    // while a command waits for that acknowledgement. Such a line names no second field: a
    // record's kind counts only between two commas, so "$PASHR,MBN" and a carriage return stays
    // a text line.
    const int nComma2 = FindIn(',', nComma1 + 1, span.nEnd < 0 ? m_nLength : span.nEnd + 1);
    if (nComma2 < 0 && span.nEnd < 0)
    {
        return false;
    }
    span.eKind = ETagKind::Fields;
    span.nTag = m_nPos + 1;
    span.nTagLen = nComma1 - m_nPos - 1;
    span.nSub = nComma1 + 1;
    span.nSubLen = nComma2 < 0 ? 0 : nComma2 - nComma1 - 1;
    return true;
}

int CBinBuffer::BinaryLength(const STagSpan& span) const
{
    if (span.eKind == ETagKind::Oem)
    {
        return m_nMsgLen;
    }
    const char* p = m_Array.data();
    const bool bFields = span.eKind == ETagKind::Fields;
    if (bFields && !MayNameBinary(p + span.nTag, span.nTagLen, p + span.nSub, span.nSubLen))
    {
        return -1;
    }
    return BinaryTagLength(p + span.nTag, TextLength(p + span.nTag, span.nTagLen),
                           bFields ? p + span.nSub : p,
                           bFields ? TextLength(p + span.nSub, span.nSubLen) : 0);
}

int CBinBuffer::BinaryTagLength(const char* pTag, int nTagLen, const char* pSub, int nSubLen) const
{
    const int nRecord = RecordLength(pSub, nSubLen);
    if (nRecord > 0)
    {
        return nRecord;
    }
    if (StartsWith(pTag, nTagLen, s_szBinTag, 4))
    {
        const char* pBlock = GetPtr(m_nPos + 4);
        const int nBlock = pBlock == nullptr ? 0 : BlockLength(Byte(pBlock));
        if (nBlock > 0)
        {
            return nBlock;
        }
    }
    // Only the OEM path names this tag; a sentence that spells it out gets the current
    // (zero) length, which stops the walk there.
    if (StartsWith(pTag, nTagLen, s_szOemTag, s_nOemTagLength))
    {
        return m_nMsgLen;
    }
    return -1;
}

bool CBinBuffer::GetTag(CString& strTag, CString& strSubTag)
{
    STagSpan span;
    if (!FindTag(span))
    {
        return false;
    }
    switch (span.eKind)
    {
    case ETagKind::Oem:
        strTag = s_szOemTag;
        break;
    case ETagKind::FourBytes:
        strSubTag.Empty();
        strTag = Text(span.nTag, span.nTagLen, false);
        break;
    case ETagKind::Fields:
        if (span.nTagLen > 0)
        {
            strTag = Text(span.nTag, span.nTagLen, false);
        }
        if (span.nSubLen > 0)
        {
            strSubTag = Text(span.nSub, span.nSubLen, false);
        }
        break;
    }
    return true;
}

bool CBinBuffer::GetCurrentMessage()
{
    m_nMsgLen = 0;
    STagSpan span;
    if (!FindTag(span))
    {
        return false;
    }
    const int nBinary = BinaryLength(span);
    if (nBinary >= 0)
    {
        if (nBinary > m_nLength - m_nPos)
        {
            return false;
        }
        m_nMsgLen = nBinary;
        return true;
    }

    if (span.nEnd < 0)
    {
        return false;
    }
    m_nMsgLen = span.nEnd - m_nPos + 1; // a carriage return that ends it is part of it
    return true;
}

bool CBinBuffer::Next()
{
    if (!HasMessage())
    {
        return false;
    }
    const char* p = m_Array.data() + m_nPos;
    const int nAvailable = m_nLength - m_nPos;
    const bool bAsciiLog = *p == '#';
    const bool bOem = IsSyncAt(p, nAvailable);
    const bool bBlock =
        StartsWith(p, nAvailable, s_szBinTag, 4) && nAvailable > 4 && BlockLength(Byte(p + 4)) > 0;
    // A "$" sentence ends at its carriage return; the line feed after it is stepped over unseen.
    m_nPos += (bAsciiLog || bOem || bBlock) ? m_nMsgLen : m_nMsgLen + 1;
    return GetCurrentMessage();
}

CString CBinBuffer::Text(int nStart, int nCount, bool bLineFeed) const
{
    CString strText;
    TextInto(nStart, nCount, bLineFeed, strText);
    return strText;
}

void CBinBuffer::TextInto(int nStart, int nCount, bool bLineFeed, CString& strText) const
{
    const char* p = m_Array.data() + nStart;
    const int nZero = FindRare('\0', nStart, m_Zero);
    const int nText = nZero >= 0 && nZero < nStart + nCount ? nZero - nStart : nCount;
    const int nTotal = nText + (bLineFeed ? 1 : 0);
    // Not emptied first: the reused text then holds the room already and nothing is zeroed.
    wchar_t* pOut = strText.GetBuffer(nTotal);
    std::transform(p, p + nText, pOut,
                   [](char c) { return static_cast<wchar_t>(static_cast<unsigned char>(c)); });
    if (bLineFeed)
    {
        pOut[nText] = L'\n';
    }
    strText.ReleaseBuffer(nTotal);
}

CString CBinBuffer::Mid(int nStart, int nCount) const
{
    CString strText;
    MidInto(nStart, nCount, strText);
    return strText;
}

void CBinBuffer::MidInto(int nStart, int nCount, CString& strText) const
{
    if (nStart < 0 || nStart >= m_nLength)
    {
        strText.Empty();
        return;
    }
    if (nCount < 1 || static_cast<long long>(nStart) + nCount >= m_nLength)
    {
        nCount = m_nLength - nStart;
    }
    TextInto(nStart, nCount, true, strText);
}

CString* CBinBuffer::Mid2(int nStart, int nCount) const
{
    return new CString(Mid(nStart, nCount));
}

CString CBinBuffer::GetMessage() const
{
    CString strText;
    GetMessage(strText);
    return strText;
}

void CBinBuffer::GetMessage(CString& strText) const
{
    if (HasMessage())
    {
        MidInto(m_nPos, m_nMsgLen, strText);
    }
    else
    {
        strText.Empty();
    }
}

void CBinBuffer::GetMessage(CString& strText, SMessageFacts& facts) const
{
    GetMessage(strText);
    // The text is the message's bytes up to a zero byte, and its line feed, which neither rule
    // reads; so the bytes give the answers the text would.
    const auto nText = static_cast<std::size_t>(std::max(strText.GetLength() - 1, 0));
    const std::string_view bytes =
        HasMessage() ? std::string_view(m_Array.data() + m_nPos, nText) : std::string_view();
    const int nBracket = HasMessage() ? FindRare('[', m_nPos, m_Bracket) : -1;
    facts.bPortTag = nBracket >= 0 && static_cast<std::size_t>(nBracket - m_nPos) < nText &&
                     sentence_checks::FindPortTag(bytes) != bytes.npos;
    facts.bChecksumOK = sentence_checks::IsChecksumOK(bytes);
}

CString* CBinBuffer::GetMessageAsPtr() const
{
    return HasMessage() ? Mid2(m_nPos, m_nMsgLen) : new CString();
}

const char* CBinBuffer::GetMessageBin(int& nLen) const
{
    if (!HasMessage())
    {
        return nullptr;
    }
    nLen = m_nMsgLen;
    return GetPtr(m_nPos);
}

const char* CBinBuffer::GetPtr(int nIndex) const
{
    if (nIndex < 0 || nIndex >= m_nLength)
    {
        return nullptr;
    }
    return m_Array.data() + nIndex;
}
