#include "textparse/Parser.h"

#include "textparse/DecimalText.h"
#include "textparse/ParseException.h"

#include <cstdint>
#include <string>
#include <utility>

CParser::CParser(CString text, CString delimiters, bool throwOnError)
    : m_strDelimiters(std::move(delimiters)), m_bThrow(throwOnError)
{
    for (wchar_t d : m_strDelimiters.View())
    {
        const auto code = static_cast<std::uint32_t>(d);
        if (code < 128)
        {
            m_asciiDelimiters[code] = true;
        }
        else
        {
            m_bWideDelimiters = true;
        }
    }
    SetString(std::move(text));
}

void CParser::SetString(CString text)
{
    m_strText = std::move(text);
    m_nPos = 0;
    m_bDone = m_strText.IsEmpty();
    m_nFieldsTaken = 0;
}

bool CParser::IsDelimiter(wchar_t c) const
{
    const auto code = static_cast<std::uint32_t>(c);
    if (code < 128)
    {
        return m_asciiDelimiters[code];
    }
    if (!m_bWideDelimiters)
    {
        return false;
    }
    for (wchar_t d : m_strDelimiters.View())
    {
        if (c == d)
        {
            return true;
        }
    }
    return false;
}

bool CParser::NextField(std::wstring_view& field)
{
    if (m_bDone)
    {
        return false;
    }
    const std::wstring_view text = m_strText.View();
    const wchar_t* const pBegin = text.data() + m_nPos;
    const wchar_t* const pLimit = text.data() + text.size();
    const wchar_t* p = pBegin;
    while (p != pLimit && !IsDelimiter(*p))
    {
        ++p;
    }
    const auto end = static_cast<std::size_t>(p - text.data());
    field = std::wstring_view(pBegin, static_cast<std::size_t>(p - pBegin));
    ++m_nFieldsTaken;
    if (end == text.size())
    {
        m_bDone = true;
        m_nPos = end;
    }
    else
    {
        // The delimiter ends this field; whatever follows it, even nothing, is the next one.
        m_nPos = end + 1;
    }
    return true;
}

bool CParser::GetNextString(CString& str)
{
    std::wstring_view field;
    str.Empty();
    if (!NextField(field))
    {
        return false;
    }
    // Appending into the emptied string reuses its storage.
    str.Append(field.data(), static_cast<int>(field.size()));
    return true;
}

bool CParser::Skip()
{
    std::wstring_view field;
    return NextField(field);
}

bool CParser::GetInt(int& nValue)
{
    std::wstring_view field;
    const bool bHadField = NextField(field);
    if (bHadField && ParseDecimalInt(field, nValue))
    {
        return true;
    }
    return Fail(bHadField, field, "an integer");
}

bool CParser::GetDouble(double& dValue)
{
    std::wstring_view field;
    const bool bHadField = NextField(field);
    if (bHadField && ParseDecimalDouble(field, dValue))
    {
        return true;
    }
    return Fail(bHadField, field, "a number");
}

bool CParser::Fail(bool bHadField, std::wstring_view field, const char* pszExpected) const
{
    if (!m_bThrow)
    {
        return false;
    }
    std::string message;
    if (!bHadField)
    {
        message = "field " + std::to_string(m_nFieldsTaken + 1) + " is missing, expected ";
        message += pszExpected;
        throw CParseException(message, m_nFieldsTaken + 1);
    }
    // Enough of the field to recognise it, narrowed to its low bytes.
    constexpr std::size_t kShown = 40;
    std::string shown = CString(field.substr(0, kShown)).ToNarrow();
    if (field.size() > kShown)
    {
        shown += "...";
    }
    message = "field " + std::to_string(m_nFieldsTaken) + " '" + shown + "' is not " + pszExpected;
    throw CParseException(message, m_nFieldsTaken);
}

CString CParser::GetRemainingBuffer() const
{
    if (m_bDone)
    {
        return CString();
    }
    return CString(m_strText.View().substr(m_nPos));
}
