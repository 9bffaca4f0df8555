#include "textparse/Parser.h"

#include "textparse/ParseException.h"

#include <string>
#include <utility>

CParser::CParser(CString&& text, std::wstring_view delimiters, bool throwOnError)
    : m_strOwned(std::move(text)), m_bThrow(throwOnError)
{
    SetDelimiters(delimiters);
    Restart(m_strOwned.View());
}

void CParser::SetString(CString text)
{
    m_strOwned = std::move(text);
    Restart(m_strOwned.View());
}

bool CParser::IsWideDelimiter(wchar_t c) const
{
    return m_strWideDelimiters.find(c) != std::wstring::npos;
}

bool CParser::NextField(std::wstring_view& field)
{
    if (m_bDone)
    {
        return false;
    }
    const wchar_t* const pBegin = m_Text.data() + m_nPos;
    const wchar_t* const pLimit = m_Text.data() + m_Text.size();
    const wchar_t* p = pBegin;
    while (p != pLimit && !IsDelimiter(*p))
    {
        ++p;
    }
    field = std::wstring_view(pBegin, static_cast<std::size_t>(p - pBegin));
    TakeFieldEndingAt(p);
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

bool CParser::GetIntSlowly(int& nValue)
{
    std::wstring_view field;
    const bool bHadField = NextField(field);
    if (bHadField && ParseDecimalInt(field, nValue))
    {
        return true;
    }
    return Fail(bHadField, field, "an integer");
}

bool CParser::GetDoubleSlowly(double& dValue)
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
    return CString(m_Text.substr(m_nPos));
}
