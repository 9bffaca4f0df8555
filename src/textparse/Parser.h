// Field tokenizer over one line of text. Every delimiter character ends a field, so consecutive
// delimiters give empty fields and field positions stay fixed ("A,,B" split at "," is "A", "",
// "B"); a trailing delimiter leaves one last empty field; an empty text has no field. Each
// Get... or Skip consumes exactly one field, whether or not it converts.
//
// Numbers are plain decimals (see DecimalText.h). A failed GetInt/GetDouble returns false and
// leaves the output untouched, or, with exception throwing on, throws CParseException.
// GetNextString never throws: beyond the last field it empties its output and returns false.
#pragma once

#include "platform/String.h"

#include <cstddef>
#include <string_view>

class CParser
{
public:
    CParser(CString text, CString delimiters, bool throwOnError);

    bool GetNextString(CString& str);
    bool GetInt(int& nValue);
    bool GetDouble(double& dValue);
    // Steps over one field; false when no field is left.
    bool Skip();

    void SetExceptionThrowing(bool bThrow) { m_bThrow = bThrow; }
    bool IsExceptionThrowing() const { return m_bThrow; }

    // Replaces the text and restarts at its first field; the delimiters and mode stay.
    void SetString(CString text);
    // The unread rest of the text, after the delimiter of the last field taken.
    CString GetRemainingBuffer() const;

private:
    // Takes the next field; false when none is left.
    bool NextField(std::wstring_view& field);
    bool IsDelimiter(wchar_t c) const;
    // In throwing mode throws for the field just taken (or missing); otherwise returns false.
    bool Fail(bool bHadField, std::wstring_view field, const char* pszExpected) const;

    CString m_strText;
    CString m_strDelimiters;
    // Delimiters below 128 by code, so a field is found without scanning the set per character.
    bool m_asciiDelimiters[128] = {};
    bool m_bWideDelimiters = false; // some delimiter is 128 or above: scan the set for those
    std::size_t m_nPos = 0;         // start of the next field
    bool m_bDone = false;           // no field left
    int m_nFieldsTaken = 0;         // for the exception's message
    bool m_bThrow = false;
};
