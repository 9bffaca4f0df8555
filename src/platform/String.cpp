#include "platform/String.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

namespace
{

std::wstring NarrowToWide(const char* pch, std::size_t nMax)
{
    std::wstring result;
    if (pch == nullptr)
    {
        return result;
    }
    std::size_t n = 0;
    while (n < nMax && pch[n] != '\0')
    {
        ++n;
    }
    result.resize(n);
    for (std::size_t i = 0; i < n; ++i)
    {
        result[i] = static_cast<wchar_t>(static_cast<unsigned char>(pch[i]));
    }
    return result;
}

std::size_t SafeLength(const wchar_t* psz)
{
    return psz == nullptr ? 0 : std::wcslen(psz);
}

bool InSet(wchar_t ch, const wchar_t* pszSet)
{
    return pszSet != nullptr && ch != L'\0' && std::wcschr(pszSet, ch) != nullptr;
}

bool IsSpace(wchar_t ch)
{
    return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n' || ch == L'\v' || ch == L'\f';
}

wchar_t FoldCase(wchar_t ch)
{
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
}

} // namespace

CString::CString(const wchar_t* psz) : m_str(psz == nullptr ? L"" : psz) {}

CString::CString(const wchar_t* pch, int nLength)
{
    if (pch != nullptr && nLength > 0)
    {
        m_str.assign(pch, static_cast<std::size_t>(nLength));
    }
}

CString::CString(wchar_t ch, int nRepeat)
{
    if (nRepeat > 0)
    {
        m_str.assign(static_cast<std::size_t>(nRepeat), ch);
    }
}

CString::CString(const char* psz) : m_str(NarrowToWide(psz, static_cast<std::size_t>(-1))) {}

CString::CString(const char* pch, int nLength)
    : m_str(NarrowToWide(pch, nLength > 0 ? static_cast<std::size_t>(nLength) : 0))
{
}

CString& CString::operator=(const wchar_t* psz)
{
    m_str.assign(psz == nullptr ? L"" : psz);
    return *this;
}

CString& CString::operator=(const char* psz)
{
    m_str = NarrowToWide(psz, static_cast<std::size_t>(-1));
    return *this;
}

CString& CString::operator=(wchar_t ch)
{
    m_str.assign(1, ch);
    return *this;
}

wchar_t CString::GetAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetLength())
    {
        AfxThrowInvalidArgException();
    }
    return m_str[static_cast<std::size_t>(nIndex)];
}

void CString::SetAt(int nIndex, wchar_t ch)
{
    if (nIndex < 0 || nIndex >= GetLength())
    {
        AfxThrowInvalidArgException();
    }
    m_str[static_cast<std::size_t>(nIndex)] = ch;
}

int CString::Find(wchar_t ch, int nStart) const
{
    if (nStart < 0 || nStart >= GetLength())
    {
        return -1;
    }
    const auto pos = m_str.find(ch, static_cast<std::size_t>(nStart));
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const wchar_t* pszSub, int nStart) const
{
    if (pszSub == nullptr || nStart < 0 || nStart > GetLength())
    {
        return -1;
    }
    const auto pos = m_str.find(pszSub, static_cast<std::size_t>(nStart));
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(const wchar_t* pszCharSet) const
{
    if (pszCharSet == nullptr)
    {
        return -1;
    }
    const auto pos = m_str.find_first_of(pszCharSet);
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(wchar_t ch) const
{
    const auto pos = m_str.rfind(ch);
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength() - std::max(nFirst, 0));
}

CString CString::Mid(int nFirst, int nCount) const
{
    nFirst = std::max(nFirst, 0);
    nCount = std::max(nCount, 0);
    if (nFirst >= GetLength() || nCount == 0)
    {
        return CString();
    }
    const int nAvail = GetLength() - nFirst;
    return CString(m_str.substr(static_cast<std::size_t>(nFirst),
                                static_cast<std::size_t>(std::min(nCount, nAvail))));
}

CString CString::Left(int nCount) const
{
    return Mid(0, nCount);
}

CString CString::Right(int nCount) const
{
    nCount = std::clamp(nCount, 0, GetLength());
    return CString(m_str.substr(m_str.size() - static_cast<std::size_t>(nCount)));
}

CString CString::SpanIncluding(const wchar_t* pszCharSet) const
{
    std::size_t n = 0;
    while (n < m_str.size() && InSet(m_str[n], pszCharSet))
    {
        ++n;
    }
    return CString(m_str.substr(0, n));
}

CString CString::SpanExcluding(const wchar_t* pszCharSet) const
{
    std::size_t n = 0;
    while (n < m_str.size() && !InSet(m_str[n], pszCharSet))
    {
        ++n;
    }
    return CString(m_str.substr(0, n));
}

CString& CString::MakeUpper()
{
    for (auto& ch : m_str)
    {
        ch = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(ch)));
    }
    return *this;
}

CString& CString::MakeLower()
{
    for (auto& ch : m_str)
    {
        ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    }
    return *this;
}

CString& CString::MakeReverse()
{
    std::reverse(m_str.begin(), m_str.end());
    return *this;
}

int CString::Replace(wchar_t chOld, wchar_t chNew)
{
    int nCount = 0;
    for (auto& ch : m_str)
    {
        if (ch == chOld)
        {
            ch = chNew;
            ++nCount;
        }
    }
    return nCount;
}

int CString::Replace(const wchar_t* pszOld, const wchar_t* pszNew)
{
    const std::size_t nOld = SafeLength(pszOld);
    if (nOld == 0)
    {
        return 0;
    }
    const std::wstring strNew = pszNew == nullptr ? L"" : pszNew;
    int nCount = 0;
    std::wstring result;
    std::size_t pos = 0;
    for (;;)
    {
        const auto hit = m_str.find(pszOld, pos, nOld);
        if (hit == std::wstring::npos)
        {
            break;
        }
        result.append(m_str, pos, hit - pos);
        result += strNew;
        pos = hit + nOld;
        ++nCount;
    }
    if (nCount > 0)
    {
        result.append(m_str, pos, std::wstring::npos);
        m_str = std::move(result);
    }
    return nCount;
}

int CString::Remove(wchar_t ch)
{
    const auto before = m_str.size();
    m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int nIndex, wchar_t ch)
{
    nIndex = std::clamp(nIndex, 0, GetLength());
    m_str.insert(static_cast<std::size_t>(nIndex), 1, ch);
    return GetLength();
}

int CString::Insert(int nIndex, const wchar_t* psz)
{
    nIndex = std::clamp(nIndex, 0, GetLength());
    if (psz != nullptr)
    {
        m_str.insert(static_cast<std::size_t>(nIndex), psz);
    }
    return GetLength();
}

int CString::Delete(int nIndex, int nCount)
{
    nIndex = std::max(nIndex, 0);
    if (nCount > 0 && nIndex < GetLength())
    {
        m_str.erase(static_cast<std::size_t>(nIndex), static_cast<std::size_t>(nCount));
    }
    return GetLength();
}

CString& CString::Trim()
{
    return TrimRight().TrimLeft();
}

CString& CString::Trim(wchar_t chTarget)
{
    return TrimRight(chTarget).TrimLeft(chTarget);
}

CString& CString::Trim(const wchar_t* pszTargets)
{
    return TrimRight(pszTargets).TrimLeft(pszTargets);
}

CString& CString::TrimLeft()
{
    std::size_t n = 0;
    while (n < m_str.size() && IsSpace(m_str[n]))
    {
        ++n;
    }
    m_str.erase(0, n);
    return *this;
}

CString& CString::TrimLeft(wchar_t chTarget)
{
    std::size_t n = 0;
    while (n < m_str.size() && m_str[n] == chTarget)
    {
        ++n;
    }
    m_str.erase(0, n);
    return *this;
}

CString& CString::TrimLeft(const wchar_t* pszTargets)
{
    std::size_t n = 0;
    while (n < m_str.size() && InSet(m_str[n], pszTargets))
    {
        ++n;
    }
    m_str.erase(0, n);
    return *this;
}

CString& CString::TrimRight()
{
    while (!m_str.empty() && IsSpace(m_str.back()))
    {
        m_str.pop_back();
    }
    return *this;
}

CString& CString::TrimRight(wchar_t chTarget)
{
    while (!m_str.empty() && m_str.back() == chTarget)
    {
        m_str.pop_back();
    }
    return *this;
}

CString& CString::TrimRight(const wchar_t* pszTargets)
{
    while (!m_str.empty() && InSet(m_str.back(), pszTargets))
    {
        m_str.pop_back();
    }
    return *this;
}

int CString::Compare(const wchar_t* psz) const
{
    const int c = m_str.compare(psz == nullptr ? L"" : psz);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CString::CompareNoCase(const wchar_t* psz) const
{
    if (psz == nullptr)
    {
        psz = L"";
    }
    // Compared as zero-terminated texts, like the C library's case-insensitive compare: a zero
    // character inside this string ends it (and the other text is never read past its end).
    for (std::size_t i = 0;; ++i)
    {
        const wchar_t a = i < m_str.size() ? FoldCase(m_str[i]) : L'\0';
        const wchar_t b = FoldCase(psz[i]);
        if (a != b)
        {
            return a < b ? -1 : 1;
        }
        if (a == L'\0')
        {
            return 0;
        }
    }
}

CString& CString::operator+=(const CString& str)
{
    m_str += str.m_str;
    return *this;
}

CString& CString::operator+=(const wchar_t* psz)
{
    if (psz != nullptr)
    {
        m_str += psz;
    }
    return *this;
}

CString& CString::operator+=(const char* psz)
{
    m_str += NarrowToWide(psz, static_cast<std::size_t>(-1));
    return *this;
}

CString& CString::operator+=(wchar_t ch)
{
    m_str += ch;
    return *this;
}

CString& CString::Append(const wchar_t* pch, int nLength)
{
    if (pch != nullptr && nLength > 0)
    {
        m_str.append(pch, static_cast<std::size_t>(nLength));
    }
    return *this;
}

std::string CString::ToNarrow() const
{
    std::string result(m_str.size(), '\0');
    for (std::size_t i = 0; i < m_str.size(); ++i)
    {
        result[i] = static_cast<char>(static_cast<unsigned char>(m_str[i] & 0xFF));
    }
    return result;
}

CString operator+(const CString& a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, const wchar_t* b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const wchar_t* a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, wchar_t b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(wchar_t a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}
