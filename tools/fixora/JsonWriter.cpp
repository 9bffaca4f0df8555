// Compact JSON written as it goes, in nlohmann::json's dump() format.
#include "JsonWriter.h"

#include <nlohmann/json.hpp>

#include <array>
#include <charconv>
#include <cmath>

namespace
{

// Appends the escape of a control character, quote or backslash as dump() writes it.
void AppendEscape(std::string& strOut, unsigned char c)
{
    switch (c)
    {
    case '"':
        strOut += "\\\"";
        break;
    case '\\':
        strOut += "\\\\";
        break;
    case '\b':
        strOut += "\\b";
        break;
    case '\t':
        strOut += "\\t";
        break;
    case '\n':
        strOut += "\\n";
        break;
    case '\f':
        strOut += "\\f";
        break;
    case '\r':
        strOut += "\\r";
        break;
    default: {
        static constexpr char s_Hex[] = "0123456789abcdef";
        const char escape[] = {'\\', 'u', '0', '0', s_Hex[c >> 4], s_Hex[c & 0xF]};
        strOut.append(escape, sizeof escape);
    }
    }
}

// Appends UTF-8 text escaped: bytes from 0x80 up, parts of characters beyond ASCII, stay as
// they are.
void AppendEscaped(std::string& strOut, std::string_view svUtf8)
{
    std::size_t nPlain = 0; // start of the run of bytes not yet copied
    for (std::size_t i = 0; i < svUtf8.size(); ++i)
    {
        const auto c = static_cast<unsigned char>(svUtf8[i]);
        if (c < 0x20 || c == '"' || c == '\\')
        {
            strOut.append(svUtf8.data() + nPlain, i - nPlain);
            AppendEscape(strOut, c);
            nPlain = i + 1;
        }
    }
    strOut.append(svUtf8.data() + nPlain, svUtf8.size() - nPlain);
}

} // namespace

CJsonWriter& CJsonWriter::BeginObject()
{
    Separate();
    m_strOut += '{';
    m_bAfterValue = false;
    return *this;
}

CJsonWriter& CJsonWriter::EndObject()
{
    m_strOut += '}';
    m_bAfterValue = true;
    return *this;
}

CJsonWriter& CJsonWriter::BeginArray()
{
    Separate();
    m_strOut += '[';
    m_bAfterValue = false;
    return *this;
}

CJsonWriter& CJsonWriter::EndArray()
{
    m_strOut += ']';
    m_bAfterValue = true;
    return *this;
}

CJsonWriter& CJsonWriter::Key(std::string_view svName)
{
    Separate();
    m_strOut += '"';
    AppendEscaped(m_strOut, svName);
    m_strOut += "\":";
    m_bAfterValue = false;
    return *this;
}

CJsonWriter& CJsonWriter::String(std::string_view svUtf8)
{
    Separate();
    m_strOut += '"';
    AppendEscaped(m_strOut, svUtf8);
    m_strOut += '"';
    m_bAfterValue = true;
    return *this;
}

void CJsonWriter::WriteBool(bool b)
{
    Separate();
    m_strOut += b ? "true" : "false";
    m_bAfterValue = true;
}

void CJsonWriter::WriteInteger(std::int64_t n)
{
    Separate();
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, n);
    m_strOut.append(digits, result.ptr);
    m_bAfterValue = true;
}

void CJsonWriter::WriteUnsigned(std::uint64_t n)
{
    Separate();
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, n);
    m_strOut.append(digits, result.ptr);
    m_bAfterValue = true;
}

void CJsonWriter::WriteDouble(double d)
{
    Separate();
    if (!std::isfinite(d))
    {
        m_strOut += "null";
    }
    else
    {
        // The formatter dump() calls (Grisu2): its digits are not always the shortest ones that
        // std::to_chars gives (about one double in a thousand differs), and lines must not change.
        std::array<char, 64> digits;
        char* const pEnd =
            nlohmann::detail::to_chars(digits.data(), digits.data() + digits.size(), d);
        m_strOut.append(digits.data(), pEnd);
    }
    m_bAfterValue = true;
}

void CJsonWriter::Separate()
{
    if (m_bAfterValue)
    {
        m_strOut += ',';
    }
}
