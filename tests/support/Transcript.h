// Golden transcripts: a test prints what it saw, one readable line per case, and compares it with
// a checked-in file under tests/data/; with FIXORA_UPDATE_TRANSCRIPTS set it writes the file
// instead (read the diff before committing it).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

// strRelative: the file's path under tests/data/, e.g. "framing/streams.transcript".
inline void CompareWithTranscript(const std::string& actual, const std::string& strRelative)
{
    const std::string path = std::string(FIXORA_TEST_DATA_DIR) + "/" + strRelative;
    if (std::getenv("FIXORA_UPDATE_TRANSCRIPTS") != nullptr)
    {
        std::ofstream(path, std::ios::binary) << actual;
    }
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), actual) << path;
}

// One byte as a transcript shows it: printable as it is, CR and LF as \r and \n, a quote or a
// backslash behind a backslash, any other as \xHH.
inline std::string EscapedByte(char c)
{
    if (c == '\r' || c == '\n')
    {
        return c == '\r' ? "\\r" : "\\n";
    }
    char szEscaped[8] = {'\\', c};
    if (c != '"' && c != '\\')
    {
        std::snprintf(szEscaped, sizeof(szEscaped), c >= 0x20 && c < 0x7F ? "%c" : "\\x%02X",
                      static_cast<unsigned char>(c));
    }
    return szEscaped;
}
