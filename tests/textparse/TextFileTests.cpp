#include "support/ScratchFolder.h"
#include "textparse/TextFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace fs = std::filesystem;

namespace
{
class TextFileTest : public testing::Test
{
protected:
    ~TextFileTest() override
    {
        std::error_code ignored;
        fs::permissions(m_folder.File("locked"), fs::perms::owner_all, ignored);
    }

    CString Write(const char* pszName, const std::string& bytes)
    {
        CScratchFolder::Write(m_folder.File(pszName), bytes);
        return CString(m_folder.File(pszName).string().c_str());
    }

    // Every line up to the end, which must then stay the end (its output emptied).
    static std::vector<std::wstring> ReadAll(CTextFile& file)
    {
        std::vector<std::wstring> lines;
        CString line;
        while (file.ReadString(line) && lines.size() < 1000)
            lines.emplace_back(line.Str());
        line = L"stale";
        EXPECT_FALSE(file.ReadString(line));
        EXPECT_TRUE(line.IsEmpty());
        return lines;
    }

    CScratchFolder m_folder;
};
} // namespace

TEST_F(TextFileTest, LineEndsBytesAndTheTrimAndSkipFlags)
{
    const std::string flagged = " 4, RTK \t\r\n\r\n \t \n2,WAAS\n";
    const struct
    {
        const char* legend;
        std::string bytes;
        bool bSkip, bTrim;
        std::vector<std::wstring> lines;
    } rows[] = {
        // clang-format off
        {"LF lines", "a\nb\n", false, false, {L"a", L"b"}},
        {"CR LF lines, last without terminator", "a\r\nb", false, false, {L"a", L"b"}},
        {"lone CR stays inside the line", "a\rb\n", false, false, {L"a\rb"}},
        {"CR at the very end stays", "a\r", false, false, {L"a\r"}},
        {"empty lines are lines", "\n\r\n\n", false, false, {L"", L"", L""}},
        {"empty file has no line", "", false, false, {}},
        {"zero bytes are kept", std::string("a\0b\n\0", 5), false, false,
         {std::wstring(L"a\0b", 3), {L'\0'}}},
        {"bytes map one to one", "\xB0\xFF\x7F\n", false, false, {L"\x00B0\x00FF\x007F"}},
        {"skip only", flagged, true, false, {L" 4, RTK \t", L" \t ", L"2,WAAS"}},
        {"trim only", flagged, false, true, {L"4, RTK", L"", L"", L"2,WAAS"}},
        {"both", flagged, true, true, {L"4, RTK", L"2,WAAS"}},
        // clang-format on
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CTextFile file(row.bSkip, row.bTrim);
        ASSERT_TRUE(file.Open(Write("lines", row.bytes), CTextFile::modeRead | CTextFile::typeText,
                              nullptr));
        EXPECT_EQ(row.lines, ReadAll(file));
    }
}

TEST_F(TextFileTest, LongLinesComeInBoundedPieces)
{
    constexpr std::size_t kMax = CTextFile::MaxLineLength;
    const std::string x(kMax, 'x');
    const struct
    {
        const char* legend;
        std::string bytes;
        std::vector<std::size_t> lengths;
    } rows[] = {
        {"two and a bit pieces", x + x + "xxxxxxxxxx\nend\n", {kMax, kMax, 10, 3}},
        {"exactly the maximum with LF", x + "\nend", {kMax, 3}},
        {"exactly the maximum with CR LF", x + "\r\nend", {kMax, 3}},
        {"CR LF split by the maximum", x.substr(1) + "\r\nend", {kMax - 1, 3}},
        {"maximum without terminator", x, {kMax}},
        {"one more than the maximum", x + "x", {kMax, 1}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CTextFile file(false, false);
        ASSERT_TRUE(file.Open(Write("long", row.bytes), CTextFile::modeRead));
        std::vector<std::size_t> lengths;
        for (const std::wstring& line : ReadAll(file))
        {
            EXPECT_TRUE(line == L"end" || line.find_first_not_of(L'x') == std::wstring::npos);
            lengths.push_back(line.size());
        }
        EXPECT_EQ(row.lengths, lengths);
    }
}

// A failed open says why, names the path, leaves no file open (not even the one open before)
// and leaves the file alone.
TEST_F(TextFileTest, OpenFailuresAreReportedAndLeaveNothingOpenAndReopensRestart)
{
    const CString existing = Write("present", "x\n");
    const CString folder(m_folder.File("").string().c_str());
    const CString locked = Write("locked", "secret\n");
    fs::permissions(m_folder.File("locked"), fs::perms::none);
    // Root reads it all the same: then the row repeats the missing file.
    std::FILE* pProbe = std::fopen(m_folder.File("locked").string().c_str(), "rb");
    const bool bPermissions = pProbe == nullptr;
    if (pProbe != nullptr)
        std::fclose(pProbe);
    const struct
    {
        const char* legend;
        CString path;
        unsigned flags;
        int cause;
        int windowsCause; // where Windows reports the same failure otherwise
        int osError;      // the system's error number, -1: not checked
    } rows[] = {
        // clang-format off
        {"missing file", folder + L"/absent", CTextFile::modeRead, CFileException::fileNotFound,
         -1, ENOENT},
        {"a folder is not a text file", folder, CTextFile::modeRead | CTextFile::typeText,
         CFileException::badPath, CFileException::accessDenied, -1},
        {"path through a file", existing + L"/below", CTextFile::modeRead, CFileException::badPath,
         CFileException::fileNotFound, -1},
        {"no path", CString(), CTextFile::modeRead, CFileException::badPath, -1, 0},
        {"write is refused", existing, CTextFile::modeWrite, CFileException::genericException,
         -1, 0},
        {"read-write is refused", existing, CTextFile::modeReadWrite,
         CFileException::genericException, -1, 0},
        {"create is refused", existing, CTextFile::modeCreate, CFileException::genericException, -1,
         0},
        {"a file this user cannot read", bPermissions ? locked : folder + L"/absent",
         CTextFile::modeRead,
         bPermissions ? CFileException::accessDenied : CFileException::fileNotFound, -1,
         bPermissions ? EACCES : ENOENT},
        // clang-format on
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CTextFile file(false, false);
        ASSERT_TRUE(file.Open(existing, CTextFile::modeRead));
        CFileException error;
        error.m_cause = 99;
        error.m_lOsError = 99;
        EXPECT_FALSE(
            file.Open(row.path.IsEmpty() ? nullptr : row.path.GetString(), row.flags, &error));
        EXPECT_FALSE(file.IsOpen());
        EXPECT_TRUE(error.m_cause == row.cause || error.m_cause == row.windowsCause)
            << error.m_cause;
        EXPECT_TRUE(row.osError < 0 || error.m_lOsError == row.osError) << error.m_lOsError;
        EXPECT_EQ(row.path, error.m_strFileName);
        EXPECT_FALSE(file.Open(row.path, row.flags)) << "no report object is needed";
        CString line(L"stale");
        EXPECT_FALSE(file.ReadString(line));
        EXPECT_TRUE(line.IsEmpty());
        EXPECT_FALSE(file.HasReadError());
    }
    // The refused opens left the file alone; opening again replaces the file open before; at
    // the end of the file the replay starts over; closed, nothing is read.
    const CString emulation = Write("Emulation.log", "first\r\nsecond\r\n");
    const std::vector<std::wstring> lines = {L"first", L"second"};
    CTextFile file(false, false);
    CString line;
    EXPECT_FALSE(file.ReadString(line)) << "nothing open yet";
    file.SeekToBegin();
    file.Close();
    ASSERT_TRUE(file.Open(existing, CTextFile::modeRead));
    EXPECT_EQ(std::vector<std::wstring>{L"x"}, ReadAll(file));
    ASSERT_TRUE(file.Open(emulation, CTextFile::modeRead));
    ASSERT_TRUE(file.ReadString(line));
    file.SeekToBegin();
    EXPECT_EQ(lines, ReadAll(file));
    file.SeekToBegin();
    EXPECT_EQ(lines, ReadAll(file));
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    file.SeekToBegin();
    EXPECT_FALSE(file.ReadString(line));
}
