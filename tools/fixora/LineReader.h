// CLineReader: the lines of an emulation file, cut exactly as the library's emulation mode cuts
// them: a line feed ends a line and a carriage return right before it is dropped; every other
// byte (zero bytes and lone carriage returns included) is one character of the same value; a last
// line without a line feed is still a line; a line longer than MaxLineLength characters comes in
// pieces of that length, and a terminator right behind a full piece belongs to that piece.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

class CLineReader
{
public:
    static constexpr std::size_t MaxLineLength = 64 * 1024;

    // Reads from an open file; the caller keeps it and closes it.
    explicit CLineReader(std::FILE* pFile);

    // The next line (or piece) without its terminator; false at the end of the file.
    bool ReadLine(std::wstring& line);
    // A read error happened (the lines so far are still good).
    bool HasError() const;

private:
    // The byte nAhead positions on, or -1 past the end of the file.
    int Peek(std::size_t nAhead);

    std::FILE* m_pFile;
    std::vector<char> m_Buffer;
    std::size_t m_nBegin = 0;
    std::size_t m_nEnd = 0;
};
