#include "platform/Utf8.h"

namespace
{

constexpr unsigned long s_nReplacement = 0xFFFD;

bool IsHighSurrogate(unsigned long c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(unsigned long c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

std::string ToUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        auto c = static_cast<unsigned long>(text[i]);
        // Where wchar_t has 16 bits, a character beyond the first plane is a surrogate pair.
        if (sizeof(wchar_t) == 2 && IsHighSurrogate(c) && i + 1 < text.size() &&
            IsLowSurrogate(static_cast<unsigned long>(text[i + 1])))
        {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<unsigned long>(text[++i]) - 0xDC00);
        }
        else if (c > 0x10FFFF || IsHighSurrogate(c) || IsLowSurrogate(c))
        {
            c = s_nReplacement; // not a Unicode scalar value
        }
        if (c < 0x80)
        {
            out += static_cast<char>(c);
        }
        else if (c < 0x800)
        {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else if (c < 0x10000)
        {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
