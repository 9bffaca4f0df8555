// Field tokenizer over one line of text. Every delimiter character ends a field, so consecutive
// delimiters give empty fields and field positions stay fixed ("A,,B" split at "," is "A", "",
// "B"); a trailing delimiter leaves one last empty field; an empty text has no field. Each
// Get... or Skip consumes exactly one field, whether or not it converts.
//
// The parser reads the caller's text in place: a text passed as an lvalue must outlive the
// parser and stay unchanged while it reads; a temporary is moved into the parser and kept.
// Building one costs no allocation, which matters on the path of every received sentence.
//
// Numbers are plain decimals (see DecimalText.h). A failed GetInt/GetDouble returns false and
// leaves the output untouched, or, with exception throwing on, throws CParseException.
// GetNextString never throws: beyond the last field it empties its output and returns false.
#pragma once

#include "platform/String.h"
#include "textparse/DecimalText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class GEOMETRY_API CParser
{
public:
    CParser(const CString& text, std::wstring_view delimiters, bool throwOnError)
        : m_bThrow(throwOnError)
    {
        SetDelimiters(delimiters);
        Restart(text.View());
    }
    CParser(CString&& text, std::wstring_view delimiters, bool throwOnError);
    CParser(const CString&& text, std::wstring_view delimiters, bool throwOnError) = delete;
    CParser(const CParser&) = delete;
    CParser& operator=(const CParser&) = delete;

    bool GetNextString(CString& str);
    // The next field as a view into the text; beyond the last field, an empty view and false.
    bool GetNextView(std::wstring_view& field)
    {
        field = {};
        return NextField(field);
    }
    // Inline for the usual few-digit field, read while its end is found; the rest out of line.
    bool GetInt(int& nValue)
    {
        if (!m_bDone)
        {
            const wchar_t* const pField = m_Text.data() + m_nPos;
            if (pField == End() || IsDelimiter(*pField))
            {
                return FailEmpty("an integer"); // a value the receiver does not have
            }
            int nRead = 0;
            const wchar_t* p = ScanShortInt(pField, End(), nRead);
            if (p != nullptr && (p == End() || IsDelimiter(*p)))
            {
                TakeFieldEndingAt(p);
                nValue = nRead;
                return true;
            }
        }
        return GetIntSlowly(nValue);
    }
    bool GetDouble(double& dValue)
    {
        if (!m_bDone)
        {
            const wchar_t* const pField = m_Text.data() + m_nPos;
            if (pField == End() || IsDelimiter(*pField))
            {
                return FailEmpty("a number");
            }
            double dRead = 0.0;
            const wchar_t* p = ScanShortDouble(pField, End(), dRead);
            if (p != nullptr && (p == End() || IsDelimiter(*p)))
            {
                TakeFieldEndingAt(p);
                dValue = dRead;
                return true;
            }
        }
        return GetDoubleSlowly(dValue);
    }
    // Steps over one field; false when no field is left.
    bool Skip();

    void SetExceptionThrowing(bool bThrow) { m_bThrow = bThrow; }
    bool IsExceptionThrowing() const { return m_bThrow; }

    // Replaces the text (kept by the parser) and restarts at its first field; the delimiters
    // and mode stay.
    void SetString(CString text);
    // The unread rest of the text, after the delimiter of the last field taken.
    CString GetRemainingBuffer() const;

private:
    void SetDelimiters(std::wstring_view delimiters)
    {
        for (wchar_t d : delimiters)
        {
            const auto code = static_cast<std::uint32_t>(d);
            if (code < 128)
            {
                m_nAsciiDelimiters[code >> 6] |= std::uint64_t{1} << (code & 63);
            }
            else
            {
                m_strWideDelimiters += d;
            }
        }
    }
    void Restart(std::wstring_view text)
    {
        m_Text = text;
        m_nPos = 0;
        m_bDone = m_Text.empty();
        m_nFieldsTaken = 0;
    }
    // Takes the next field; false when none is left.
    bool NextField(std::wstring_view& field);
    const wchar_t* End() const { return m_Text.data() + m_Text.size(); }
    // Ends the field that runs up to p (a delimiter or the end of the text).
    void TakeFieldEndingAt(const wchar_t* p)
    {
        ++m_nFieldsTaken;
        if (p == End())
        {
            m_bDone = true;
            m_nPos = m_Text.size();
        }
        else
        {
            // The delimiter ends this field; whatever follows it, even nothing, is the next one.
            m_nPos = static_cast<std::size_t>(p - m_Text.data()) + 1;
        }
    }
    // Takes the empty field at the position and fails for it.
    bool FailEmpty(const char* pszExpected)
    {
        TakeFieldEndingAt(m_Text.data() + m_nPos);
        return !m_bThrow ? false : Fail(true, std::wstring_view(), pszExpected);
    }
    bool GetIntSlowly(int& nValue);
    bool GetDoubleSlowly(double& dValue);
    bool IsDelimiter(wchar_t c) const
    {
        const auto code = static_cast<std::uint32_t>(c);
        if (code < 128)
        {
            return ((m_nAsciiDelimiters[code >> 6] >> (code & 63)) & 1) != 0;
        }
        return !m_strWideDelimiters.empty() && IsWideDelimiter(c);
    }
    bool IsWideDelimiter(wchar_t c) const;
    // In throwing mode throws for the field just taken (or missing); otherwise returns false.
    [[gnu::cold]] bool Fail(bool bHadField, std::wstring_view field, const char* pszExpected) const;

    CString m_strOwned;       // the text, when the parser keeps it
    std::wstring_view m_Text; // what is read: the caller's text or m_strOwned
    // Delimiters below 128 as bits by code, so a field ends without scanning the set per character.
    std::uint64_t m_nAsciiDelimiters[2] = {};
    std::wstring m_strWideDelimiters; // delimiters from 128 up, rare
    std::size_t m_nPos = 0;           // start of the next field
    bool m_bDone = false;             // no field left
    int m_nFieldsTaken = 0;           // for the exception's message
    bool m_bThrow = false;
};
