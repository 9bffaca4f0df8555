#include "textparse/TextFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace
{
// Read size; also bounds the bytes looked at per step, not the line length.
constexpr std::size_t s_nBufferSize = 64 * 1024;

int CauseOf(int nError)
{
    switch (nError)
    {
    case ENOENT:
        return CFileException::fileNotFound;
    case EACCES:
    case EPERM:
        return CFileException::accessDenied;
    case EISDIR:
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
        return CFileException::badPath;
    case EMFILE:
    case ENFILE:
        return CFileException::tooManyOpenFiles;
    default:
        return CFileException::genericException;
    }
}

void Report(CFileException* pError, int nCause, int nOsError)
{
    if (pError != nullptr)
    {
        pError->m_cause = nCause;
        pError->m_lOsError = nOsError;
    }
}

} // namespace

CTextFile::CTextFile(bool bSkipEmptyLines, bool bTrimLines)
    : m_bSkipEmptyLines(bSkipEmptyLines), m_bTrimLines(bTrimLines)
{
}

CTextFile::~CTextFile()
{
    Close();
}

BOOL CTextFile::Open(const wchar_t* pszPath, unsigned nOpenFlags, CFileException* pError)
{
    Close();
    if (pError != nullptr)
    {
        *pError = CFileException();
        pError->m_strFileName = pszPath;
    }
    if (pszPath == nullptr)
    {
        Report(pError, CFileException::badPath, 0);
        return FALSE;
    }
    if ((nOpenFlags & (modeWrite | modeReadWrite | modeCreate)) != 0)
    {
        Report(pError, CFileException::genericException, 0);
        return FALSE;
    }
    errno = 0;
    std::FILE* pFile = _wfopen(pszPath, L"rb");
    if (pFile == nullptr)
    {
        const int nError = errno;
        Report(pError, CauseOf(nError), nError);
        return FALSE;
    }
    // A folder opens here but cannot be read: look at the first byte now, so Open fails for it.
    m_buffer.resize(s_nBufferSize);
    m_nBegin = 0;
    m_nEnd = 0;
    errno = 0;
    const int c = std::fgetc(pFile);
    if (c == EOF && std::ferror(pFile) != 0)
    {
        const int nError = errno;
        std::fclose(pFile);
        Report(pError, nError == 0 ? CFileException::genericException : CauseOf(nError), nError);
        return FALSE;
    }
    if (c != EOF)
    {
        m_buffer[0] = static_cast<char>(c);
        m_nEnd = 1;
    }
    m_pFile = pFile;
    return TRUE;
}

void CTextFile::Close()
{
    if (m_pFile != nullptr)
    {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
    m_nBegin = 0;
    m_nEnd = 0;
}

void CTextFile::SeekToBegin()
{
    if (m_pFile != nullptr)
    {
        std::rewind(m_pFile);
    }
    m_nBegin = 0;
    m_nEnd = 0;
}

bool CTextFile::Fill(std::size_t nWanted)
{
    if (m_nEnd - m_nBegin >= nWanted)
    {
        return true;
    }
    if (m_pFile == nullptr)
    {
        return false;
    }
    if (m_nBegin > 0)
    {
        std::memmove(m_buffer.data(), m_buffer.data() + m_nBegin, m_nEnd - m_nBegin);
        m_nEnd -= m_nBegin;
        m_nBegin = 0;
    }
    while (m_nEnd < nWanted)
    {
        const std::size_t nGot =
            std::fread(m_buffer.data() + m_nEnd, 1, m_buffer.size() - m_nEnd, m_pFile);
        if (nGot == 0)
        {
            return false;
        }
        m_nEnd += nGot;
    }
    return true;
}

bool CTextFile::ReadRawLine(std::wstring& line)
{
    line.clear();
    if (!Fill(1))
    {
        return false;
    }
    for (;;)
    {
        if (!Fill(1))
        {
            return true; // the last line has no line feed
        }
        const char* pStart = m_buffer.data() + m_nBegin;
        const std::size_t nAvail = std::min(m_nEnd - m_nBegin, MaxLineLength - line.size());
        const auto* pFeed = static_cast<const char*>(std::memchr(pStart, '\n', nAvail));
        const std::size_t nTake =
            pFeed != nullptr ? static_cast<std::size_t>(pFeed - pStart) : nAvail;
        const std::size_t nOld = line.size();
        line.resize(nOld + nTake);
        for (std::size_t i = 0; i < nTake; ++i)
        {
            line[nOld + i] = static_cast<wchar_t>(static_cast<unsigned char>(pStart[i]));
        }
        m_nBegin += nTake;
        if (pFeed != nullptr)
        {
            ++m_nBegin;
            if (!line.empty() && line.back() == L'\r')
            {
                line.pop_back();
            }
            return true;
        }
        if (line.size() == MaxLineLength)
        {
            // A full piece. A terminator right behind it still belongs to it, so a line of
            // exactly the maximum length is not followed by an empty one.
            if (line.back() == L'\r' && Fill(1) && m_buffer[m_nBegin] == '\n')
            {
                line.pop_back();
                ++m_nBegin;
            }
            else if (Fill(1) && m_buffer[m_nBegin] == '\n')
            {
                ++m_nBegin;
            }
            else if (Fill(2) && m_buffer[m_nBegin] == '\r' && m_buffer[m_nBegin + 1] == '\n')
            {
                m_nBegin += 2;
            }
            return true;
        }
    }
}

bool CTextFile::ReadString(CString& str)
{
    for (;;)
    {
        std::wstring line;
        if (!ReadRawLine(line))
        {
            str.Empty();
            return false;
        }
        str = CString(std::move(line));
        if (m_bTrimLines)
        {
            str.Trim(L" \t");
        }
        if (!m_bSkipEmptyLines || !str.IsEmpty())
        {
            return true;
        }
    }
}
