// CString::Format: printf-style formatting with the original platform's wide conversions.
// The format is walked here; each numeric conversion is handed to the C library's snprintf,
// and the result is made independent of the host's locale (the decimal point is always '.').
#include "platform/String.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>

namespace
{

// One "%" directive of a format string, as parsed.
struct Directive
{
    std::string flags;
    int width = -1;
    int precision = -1;
    std::string length; // "", "hh", "h", "l", "ll", "L", "z", "j", "t", "I64", "I32"
    wchar_t conversion = L'\0';
};

void AppendPadded(std::wstring& out, std::wstring_view text, const Directive& directive)
{
    const bool left = directive.flags.find('-') != std::string::npos;
    const std::size_t width = directive.width > 0 ? static_cast<std::size_t>(directive.width) : 0;
    const std::size_t pad = width > text.size() ? width - text.size() : 0;
    if (!left)
    {
        out.append(pad, L' ');
    }
    out.append(text);
    if (left)
    {
        out.append(pad, L' ');
    }
}

std::wstring WideText(const wchar_t* psz, int precision)
{
    if (psz == nullptr)
    {
        return L"(null)";
    }
    std::size_t n = std::wcslen(psz);
    if (precision >= 0 && static_cast<std::size_t>(precision) < n)
    {
        n = static_cast<std::size_t>(precision);
    }
    return std::wstring(psz, n);
}

std::wstring NarrowText(const char* psz, int precision)
{
    if (psz == nullptr)
    {
        return L"(null)";
    }
    // One character per byte, as CString takes narrow text; a precision caps the bytes read.
    return precision >= 0 ? CString(psz, precision).Str() : CString(psz).Str();
}

std::string NarrowDirective(const Directive& directive, const char* length, char conversion)
{
    std::string s = "%";
    s += directive.flags;
    if (directive.width >= 0)
    {
        s += std::to_string(directive.width);
    }
    if (directive.precision >= 0)
    {
        s += '.';
        s += std::to_string(directive.precision);
    }
    s += length;
    s += conversion;
    return s;
}

template <typename T>
void AppendNumber(std::wstring& out, const std::string& fmt, T value, bool floating)
{
    char stackBuf[128];
    int n = std::snprintf(stackBuf, sizeof(stackBuf), fmt.c_str(), value);
    if (n < 0)
    {
        return;
    }
    std::string text;
    if (static_cast<std::size_t>(n) < sizeof(stackBuf))
    {
        text.assign(stackBuf, static_cast<std::size_t>(n));
    }
    else
    {
        text.resize(static_cast<std::size_t>(n) + 1);
        std::snprintf(text.data(), text.size(), fmt.c_str(), value);
        text.resize(static_cast<std::size_t>(n));
    }
    if (floating)
    {
        // Receivers expect '.', whatever locale the host program has set. The C library's output
        // for a floating conversion is blanks, sign, "0x", digits, letters (exponent, inf, nan)
        // and the locale's radix character; the radix is whatever else appears, possibly several
        // bytes long. Reading localeconv() instead would race with other threads.
        const auto isPlain = [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                   c == ' ' || c == '+' || c == '-' || c == '.';
        };
        std::size_t pos = 0;
        while (pos < text.size() && isPlain(text[pos]))
        {
            ++pos;
        }
        if (pos < text.size())
        {
            std::size_t end = pos;
            while (end < text.size() && !isPlain(text[end]))
            {
                ++end;
            }
            text.replace(pos, end - pos, ".");
        }
    }
    for (char c : text)
    {
        out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
}

void FormatSigned(std::wstring& out, const Directive& directive, va_list& args)
{
    const char conv = static_cast<char>(directive.conversion);
    if (directive.length == "ll" || directive.length == "I64" || directive.length == "j")
    {
        AppendNumber(out, NarrowDirective(directive, "ll", conv), va_arg(args, long long), false);
    }
    else if (directive.length == "l")
    {
        AppendNumber(out, NarrowDirective(directive, "l", conv), va_arg(args, long), false);
    }
    else if (directive.length == "z" || directive.length == "t")
    {
        AppendNumber(out, NarrowDirective(directive, "t", conv), va_arg(args, std::ptrdiff_t),
                     false);
    }
    else
    {
        int value = va_arg(args, int);
        if (directive.length == "h")
        {
            value = static_cast<short>(value);
        }
        else if (directive.length == "hh")
        {
            value = static_cast<signed char>(value);
        }
        AppendNumber(out, NarrowDirective(directive, "", conv), value, false);
    }
}

void FormatUnsigned(std::wstring& out, const Directive& directive, va_list& args)
{
    const char conv = static_cast<char>(directive.conversion);
    if (directive.length == "ll" || directive.length == "I64" || directive.length == "j")
    {
        AppendNumber(out, NarrowDirective(directive, "ll", conv), va_arg(args, unsigned long long),
                     false);
    }
    else if (directive.length == "l")
    {
        AppendNumber(out, NarrowDirective(directive, "l", conv), va_arg(args, unsigned long),
                     false);
    }
    else if (directive.length == "z" || directive.length == "t")
    {
        AppendNumber(out, NarrowDirective(directive, "z", conv), va_arg(args, std::size_t), false);
    }
    else
    {
        unsigned value = va_arg(args, unsigned);
        if (directive.length == "h")
        {
            value = static_cast<unsigned short>(value);
        }
        else if (directive.length == "hh")
        {
            value = static_cast<unsigned char>(value);
        }
        AppendNumber(out, NarrowDirective(directive, "", conv), value, false);
    }
}

// Parses one conversion (flags, width, precision, length, letter) after '%'; returns the index
// after it.
std::size_t ParseDirective(const wchar_t* fmt, std::size_t i, Directive& directive, va_list& args)
{
    while (fmt[i] != L'\0' && std::wcschr(L"-+ #0", fmt[i]) != nullptr)
    {
        directive.flags += static_cast<char>(fmt[i++]);
    }
    if (fmt[i] == L'*')
    {
        directive.width = va_arg(args, int);
        if (directive.width < 0)
        {
            directive.flags += '-';
            directive.width = directive.width == INT_MIN ? INT_MAX : -directive.width;
        }
        ++i;
    }
    else
    {
        while (fmt[i] >= L'0' && fmt[i] <= L'9')
        {
            directive.width = (directive.width < 0 ? 0 : directive.width) * 10 + (fmt[i++] - L'0');
        }
    }
    if (fmt[i] == L'.')
    {
        ++i;
        directive.precision = 0;
        if (fmt[i] == L'*')
        {
            // A negative precision from the argument list means none, as in C.
            directive.precision = std::max(va_arg(args, int), -1);
            ++i;
        }
        else
        {
            while (fmt[i] >= L'0' && fmt[i] <= L'9')
            {
                directive.precision = directive.precision * 10 + (fmt[i++] - L'0');
            }
        }
    }
    if (fmt[i] == L'h' || fmt[i] == L'l')
    {
        directive.length += static_cast<char>(fmt[i++]);
        if (fmt[i] == static_cast<wchar_t>(directive.length[0]))
        {
            directive.length += static_cast<char>(fmt[i++]);
        }
    }
    else if (fmt[i] == L'L' || fmt[i] == L'z' || fmt[i] == L'j' || fmt[i] == L't')
    {
        directive.length += static_cast<char>(fmt[i++]);
    }
    else if (fmt[i] == L'I' && fmt[i + 1] == L'6' && fmt[i + 2] == L'4')
    {
        directive.length = "I64";
        i += 3;
    }
    else if (fmt[i] == L'I' && fmt[i + 1] == L'3' && fmt[i + 2] == L'2')
    {
        directive.length = "I32";
        i += 3;
    }
    directive.conversion = fmt[i];
    return fmt[i] == L'\0' ? i : i + 1;
}

} // namespace

void CString::FormatV(const wchar_t* pszFormat, va_list args)
{
    std::wstring out;
    if (pszFormat == nullptr)
    {
        m_str.clear();
        return;
    }
    va_list ap;
    va_copy(ap, args);
    for (std::size_t i = 0; pszFormat[i] != L'\0';)
    {
        if (pszFormat[i] != L'%')
        {
            out += pszFormat[i++];
            continue;
        }
        Directive directive;
        i = ParseDirective(pszFormat, i + 1, directive, ap);
        switch (directive.conversion)
        {
        case L'%':
            out += L'%';
            break;
        case L's':
            if (directive.length == "h")
            {
                AppendPadded(out, NarrowText(va_arg(ap, const char*), directive.precision),
                             directive);
            }
            else
            {
                AppendPadded(out, WideText(va_arg(ap, const wchar_t*), directive.precision),
                             directive);
            }
            break;
        case L'S':
            if (directive.length == "l")
            {
                AppendPadded(out, WideText(va_arg(ap, const wchar_t*), directive.precision),
                             directive);
            }
            else
            {
                AppendPadded(out, NarrowText(va_arg(ap, const char*), directive.precision),
                             directive);
            }
            break;
        case L'c':
        case L'C': {
            const int value = va_arg(ap, int);
            const bool narrow =
                directive.conversion == L'C' ? directive.length != "l" : directive.length == "h";
            const wchar_t ch = narrow ? static_cast<wchar_t>(static_cast<unsigned char>(value))
                                      : static_cast<wchar_t>(value);
            AppendPadded(out, std::wstring_view(&ch, 1), directive);
            break;
        }
        case L'd':
        case L'i':
            FormatSigned(out, directive, ap);
            break;
        case L'u':
        case L'o':
        case L'x':
        case L'X':
            FormatUnsigned(out, directive, ap);
            break;
        case L'f':
        case L'F':
        case L'e':
        case L'E':
        case L'g':
        case L'G':
        case L'a':
        case L'A':
            if (directive.length == "L")
            {
                AppendNumber(
                    out, NarrowDirective(directive, "L", static_cast<char>(directive.conversion)),
                    va_arg(ap, long double), true);
            }
            else
            {
                AppendNumber(
                    out, NarrowDirective(directive, "", static_cast<char>(directive.conversion)),
                    va_arg(ap, double), true);
            }
            break;
        case L'p':
            AppendNumber(out, NarrowDirective(directive, "", 'p'), va_arg(ap, void*), false);
            break;
        case L'n':
            // Writing back through a caller's pointer is never wanted from a format string.
            (void)va_arg(ap, void*);
            break;
        case L'\0':
            break;
        default:
            // Unknown conversion: keep it as text rather than guess at an argument.
            out += L'%';
            out += directive.conversion;
            break;
        }
    }
    va_end(ap);
    m_str = std::move(out);
}

void CString::Format(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::AppendFormat(const wchar_t* pszFormat, ...)
{
    CString tail;
    va_list args;
    va_start(args, pszFormat);
    tail.FormatV(pszFormat, args);
    va_end(args);
    m_str += tail.m_str;
}
