// Line reader over a text file. A line feed ends a line and a carriage return right before it is
// dropped; any other byte, zero bytes and lone carriage returns included, becomes one character of
// the same value. A last line without a line feed is still a line.
//
// A line longer than MaxLineLength characters is returned in pieces of MaxLineLength characters
// (the following ReadString continues it), so a file holding one endless line never needs more
// memory than that.
#pragma once

#include "platform/WinTypes.h"
#include "platform/String.h"
#include "textparse/FileException.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

class GEOMETRY_API CTextFile
{
public:
    // Open flags in the framework's file style. The reader accepts read-only opens; the text and
    // binary types read the same (line ends are handled by ReadString).
    enum OpenFlags : unsigned
    {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };

    static constexpr std::size_t MaxLineLength = 64 * 1024;

    // bSkipEmptyLines: ReadString passes over lines that are empty (after trimming, if on).
    // bTrimLines: blanks and tabs are removed from both ends of each line.
    CTextFile(bool bSkipEmptyLines, bool bTrimLines);
    ~CTextFile();
    CTextFile(const CTextFile&) = delete;
    CTextFile& operator=(const CTextFile&) = delete;

    // Opens the file for reading, closing any file opened before. Non-zero on success; on failure
    // the optional pError says why. Write and create flags are refused.
    BOOL Open(const wchar_t* pszPath, unsigned nOpenFlags, CFileException* pError = nullptr);
    // The next line without its terminator; false (str emptied) at the end of the file or when
    // no file is open.
    bool ReadString(CString& str);
    // Back to the first line.
    void SeekToBegin();
    void Close();
    bool IsOpen() const { return m_pFile != nullptr; }
    // A read failed (what was read before is still good).
    bool HasReadError() const { return m_pFile != nullptr && std::ferror(m_pFile) != 0; }

private:
    // Makes at least nWanted unread bytes available; false when the file ends before.
    bool Fill(std::size_t nWanted);
    // One physical line (or piece of one); false at the end of the file.
    bool ReadRawLine(std::wstring& line);

    bool m_bSkipEmptyLines;
    bool m_bTrimLines;
    std::FILE* m_pFile = nullptr;
    std::vector<char> m_buffer;
    std::size_t m_nBegin = 0; // next unread byte in m_buffer
    std::size_t m_nEnd = 0;   // end of the bytes read into m_buffer
};
