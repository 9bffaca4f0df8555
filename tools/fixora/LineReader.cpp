// Line cutting of emulation files.
#include "LineReader.h"

#include <cstring>

namespace
{
constexpr std::size_t BufferSize = 64 * 1024;
}

CLineReader::CLineReader(std::FILE* pFile) : m_pFile(pFile), m_Buffer(BufferSize) {}

bool CLineReader::HasError() const
{
    return std::ferror(m_pFile) != 0;
}

int CLineReader::Peek(std::size_t nAhead)
{
    if (m_nEnd - m_nBegin <= nAhead)
    {
        std::memmove(m_Buffer.data(), m_Buffer.data() + m_nBegin, m_nEnd - m_nBegin);
        m_nEnd -= m_nBegin;
        m_nBegin = 0;
        while (m_nEnd <= nAhead)
        {
            const std::size_t nGot =
                std::fread(m_Buffer.data() + m_nEnd, 1, m_Buffer.size() - m_nEnd, m_pFile);
            if (nGot == 0)
            {
                return -1;
            }
            m_nEnd += nGot;
        }
    }
    return static_cast<unsigned char>(m_Buffer[m_nBegin + nAhead]);
}

bool CLineReader::ReadLine(std::wstring& line)
{
    line.clear();
    if (Peek(0) < 0)
    {
        return false;
    }
    for (int c = Peek(0); c >= 0; c = Peek(0))
    {
        ++m_nBegin;
        if (c == '\n')
        {
            if (!line.empty() && line.back() == L'\r')
            {
                line.pop_back();
            }
            return true;
        }
        line.push_back(static_cast<wchar_t>(c));
        if (line.size() == MaxLineLength)
        {
            if (line.back() == L'\r' && Peek(0) == '\n')
            {
                line.pop_back();
                ++m_nBegin;
            }
            else if (Peek(0) == '\n')
            {
                ++m_nBegin;
            }
            else if (Peek(0) == '\r' && Peek(1) == '\n')
            {
                m_nBegin += 2;
            }
            return true;
        }
    }
    return true; // the last line has no line feed
}
