// CString: the wide-character string of the original framework, over std::wstring.
// Narrow text converts one byte to one character (byte value = code point) and back through the
// low byte, so every byte 0x00..0xFF survives a round trip; narrow-to-wide stops at a zero byte.
#pragma once

#include "WinTypes.h"

#include <cstdarg>
#include <cwchar>
#include <string>
#include <string_view>

class GEOMETRY_API CString
{
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(const wchar_t* psz);
    CString(const wchar_t* pch, int nLength);
    CString(wchar_t ch, int nRepeat = 1);
    // Narrow text: one character per byte, up to the first zero byte.
    CString(const char* psz);
    // Narrow bytes with an explicit count: one character per byte, up to the first zero byte.
    CString(const char* pch, int nLength);
    explicit CString(std::wstring str) : m_str(std::move(str)) {}
    explicit CString(std::wstring_view str) : m_str(str) {}

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const wchar_t* psz);
    CString& operator=(const char* psz);
    CString& operator=(wchar_t ch);

    // ---- size and access ------------------------------------------------------------------
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    // Checked access: an index outside the string throws CInvalidArgException.
    wchar_t GetAt(int nIndex) const;
    wchar_t operator[](int nIndex) const { return GetAt(nIndex); }
    void SetAt(int nIndex, wchar_t ch);
    operator const wchar_t*() const { return m_str.c_str(); }
    const wchar_t* GetString() const { return m_str.c_str(); }

    // Direct buffer access: at least nMinBufLength characters; ReleaseBuffer(-1) takes the
    // length up to the first zero character.
    // Inline: the framer writes every received message's text through them.
    wchar_t* GetBuffer(int nMinBufLength)
    {
        if (nMinBufLength > GetLength())
        {
            m_str.resize(static_cast<std::size_t>(nMinBufLength));
        }
        return m_str.data();
    }
    void ReleaseBuffer(int nNewLength = -1)
    {
        if (nNewLength < 0)
        {
            nNewLength = static_cast<int>(std::wcslen(m_str.c_str()));
        }
        if (nNewLength < GetLength())
        {
            m_str.resize(static_cast<std::size_t>(nNewLength));
        }
    }

    // ---- search ---------------------------------------------------------------------------
    int Find(wchar_t ch, int nStart = 0) const;
    int Find(const wchar_t* pszSub, int nStart = 0) const;
    int FindOneOf(const wchar_t* pszCharSet) const;
    int ReverseFind(wchar_t ch) const;

    // ---- extraction -----------------------------------------------------------------------
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString SpanIncluding(const wchar_t* pszCharSet) const;
    CString SpanExcluding(const wchar_t* pszCharSet) const;

    // ---- modification ---------------------------------------------------------------------
    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();
    int Replace(wchar_t chOld, wchar_t chNew);
    int Replace(const wchar_t* pszOld, const wchar_t* pszNew);
    int Remove(wchar_t ch);
    int Insert(int nIndex, wchar_t ch);
    int Insert(int nIndex, const wchar_t* psz);
    int Delete(int nIndex, int nCount = 1);
    CString& Trim();
    CString& Trim(wchar_t chTarget);
    CString& Trim(const wchar_t* pszTargets);
    CString& TrimLeft();
    CString& TrimLeft(wchar_t chTarget);
    CString& TrimLeft(const wchar_t* pszTargets);
    CString& TrimRight();
    CString& TrimRight(wchar_t chTarget);
    CString& TrimRight(const wchar_t* pszTargets);

    // ---- comparison -----------------------------------------------------------------------
    int Compare(const wchar_t* psz) const;
    // Case-insensitive comparison (simple per-character case folding).
    int CompareNoCase(const wchar_t* psz) const;

    // ---- formatting -----------------------------------------------------------------------
    // printf-style formatting with the original platform's wide rules: %s and %ls take a wide
    // string (const wchar_t*, pass a CString through GetString() or a cast), %hs and %S take a
    // narrow one, %c takes a wide character. Numbers follow the C library, independent of locale.
    void Format(const wchar_t* pszFormat, ...);
    void FormatV(const wchar_t* pszFormat, va_list args);
    void AppendFormat(const wchar_t* pszFormat, ...);

    // ---- concatenation --------------------------------------------------------------------
    CString& operator+=(const CString& str);
    CString& operator+=(const wchar_t* psz);
    CString& operator+=(const char* psz);
    CString& operator+=(wchar_t ch);
    CString& Append(const wchar_t* pch, int nLength);

    // ---- conversions outside the original interface ---------------------------------------
    // The low byte of every character, in order (the inverse of the narrow constructor).
    std::string ToNarrow() const;
    const std::wstring& Str() const { return m_str; }
    std::wstring_view View() const { return m_str; }

private:
    std::wstring m_str;
};

GEOMETRY_API CString operator+(const CString& a, const CString& b);
GEOMETRY_API CString operator+(const CString& a, const wchar_t* b);
GEOMETRY_API CString operator+(const wchar_t* a, const CString& b);
GEOMETRY_API CString operator+(const CString& a, wchar_t b);
GEOMETRY_API CString operator+(wchar_t a, const CString& b);

inline bool operator==(const CString& a, const CString& b)
{
    return a.Str() == b.Str();
}
inline bool operator==(const CString& a, const wchar_t* b)
{
    return a.Compare(b) == 0;
}
inline bool operator==(const wchar_t* a, const CString& b)
{
    return b.Compare(a) == 0;
}
inline bool operator!=(const CString& a, const CString& b)
{
    return !(a == b);
}
inline bool operator!=(const CString& a, const wchar_t* b)
{
    return !(a == b);
}
inline bool operator!=(const wchar_t* a, const CString& b)
{
    return !(a == b);
}
inline bool operator<(const CString& a, const CString& b)
{
    return a.Str() < b.Str();
}

using LPCTSTR = const wchar_t*;
