#include "textparse/TextFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
// A fresh folder under the system's temporary folder, removed with everything in it.
class TextFileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device random;
        m_dir = fs::temp_directory_path() / ("fixora-textfile-" + std::to_string(random()));
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    CString Write(const std::string& name, const std::string& bytes)
    {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return CString(path.string().c_str());
    }

    static std::vector<std::wstring> ReadAll(CTextFile& file)
    {
        std::vector<std::wstring> lines;
        CString line;
        while (file.ReadString(line) && lines.size() < 1000)
        {
            lines.emplace_back(line.Str());
        }
        return lines;
    }

    fs::path m_dir;
};
} // namespace

TEST_F(TextFileTest, LineEndsAndBytes)
{
    struct Row
    {
        const char* legend;
        std::string bytes;
        std::vector<std::wstring> lines;
    };
    const std::vector<Row> rows = {
        {"LF lines", "a\nb\n", {L"a", L"b"}},
        {"CR LF lines, last without terminator", "a\r\nb", {L"a", L"b"}},
        {"lone CR stays inside the line", "a\rb\n", {L"a\rb"}},
        {"CR at the very end stays", "a\r", {L"a\r"}},
        {"empty lines are lines", "\n\r\n\n", {L"", L"", L""}},
        {"empty file has no line", "", {}},
        {"zero bytes are kept", std::string("a\0b\n\0", 5), {std::wstring(L"a\0b", 3), {L'\0'}}},
        {"bytes map one to one", "\xB0\xFF\x7F\n", {L"\x00B0\x00FF\x007F"}},
        {"NMEA stream", "$GPGGA,1*00\r\n$GPVTG,2*00\r\n", {L"$GPGGA,1*00", L"$GPVTG,2*00"}},
    };
    int nFile = 0;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.legend);
        const CString path = Write("lines" + std::to_string(nFile++), row.bytes);
        CTextFile file(false, false);
        ASSERT_TRUE(file.Open(path, CTextFile::modeRead | CTextFile::typeText, nullptr));
        EXPECT_EQ(row.lines, ReadAll(file));
        CString after(L"stale");
        EXPECT_FALSE(file.ReadString(after));
        EXPECT_TRUE(after.IsEmpty());
    }
}

TEST_F(TextFileTest, LongLinesComeInBoundedPieces)
{
    constexpr std::size_t kMax = CTextFile::MaxLineLength;
    struct Row
    {
        const char* legend;
        std::string bytes;
        std::vector<std::size_t> lengths;
    };
    const std::vector<Row> rows = {
        {"two and a bit pieces", std::string(2 * kMax + 10, 'x') + "\nend\n", {kMax, kMax, 10, 3}},
        {"exactly the maximum with LF", std::string(kMax, 'x') + "\nend", {kMax, 3}},
        {"exactly the maximum with CR LF", std::string(kMax, 'x') + "\r\nend", {kMax, 3}},
        {"CR LF split by the maximum", std::string(kMax - 1, 'x') + "\r\nend", {kMax - 1, 3}},
        {"maximum without terminator", std::string(kMax, 'x'), {kMax}},
        {"one more than the maximum", std::string(kMax + 1, 'x'), {kMax, 1}},
    };
    int nFile = 0;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.legend);
        const CString path = Write("long" + std::to_string(nFile++), row.bytes);
        CTextFile file(false, false);
        ASSERT_TRUE(file.Open(path, CTextFile::modeRead));
        std::vector<std::size_t> lengths;
        for (const std::wstring& line : ReadAll(file))
        {
            if (line != L"end")
            {
                EXPECT_EQ(std::wstring::npos, line.find_first_not_of(L'x')) << "only content";
            }
            lengths.push_back(line.size());
        }
        EXPECT_EQ(row.lengths, lengths);
    }
}

TEST_F(TextFileTest, FlagsTrimAndSkipEmptyLines)
{
    const CString path = Write("GPSStatus", " 4, UDF_SIGNAL_RTK_FLOAT \t\r\n\r\n \t \n2,WAAS\n");
    struct Row
    {
        const char* legend;
        bool bSkip;
        bool bTrim;
        std::vector<std::wstring> lines;
    };
    const std::vector<Row> rows = {
        {"neither", false, false, {L" 4, UDF_SIGNAL_RTK_FLOAT \t", L"", L" \t ", L"2,WAAS"}},
        {"skip only", true, false, {L" 4, UDF_SIGNAL_RTK_FLOAT \t", L" \t ", L"2,WAAS"}},
        {"trim only", false, true, {L"4, UDF_SIGNAL_RTK_FLOAT", L"", L"", L"2,WAAS"}},
        {"both", true, true, {L"4, UDF_SIGNAL_RTK_FLOAT", L"2,WAAS"}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CTextFile file(row.bSkip, row.bTrim);
        ASSERT_TRUE(file.Open(path, CTextFile::modeRead));
        EXPECT_EQ(row.lines, ReadAll(file));
    }
}

TEST_F(TextFileTest, OpenFailuresAreReported)
{
    const CString existing = Write("present", "x\n");
    const CString folder(m_dir.string().c_str());
    struct Row
    {
        const char* legend;
        CString path;
        unsigned flags;
        int cause;
        int windowsCause = -1; // where Windows reports the same failure otherwise
    };
    const std::vector<Row> rows = {
        {"missing file", CString(folder + L"/absent"), CTextFile::modeRead,
         CFileException::fileNotFound},
        {"a folder is not a text file", folder, CTextFile::modeRead | CTextFile::typeText,
         CFileException::badPath, CFileException::accessDenied},
        {"path through a file", CString(existing + L"/below"), CTextFile::modeRead,
         CFileException::badPath, CFileException::fileNotFound},
        {"write is refused", existing, CTextFile::modeWrite, CFileException::genericException},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.legend);
        CTextFile file(false, false);
        CFileException error;
        EXPECT_FALSE(file.Open(row.path, row.flags, &error));
        EXPECT_FALSE(file.IsOpen());
        EXPECT_TRUE(error.m_cause == row.cause || error.m_cause == row.windowsCause)
            << error.m_cause;
        EXPECT_EQ(row.path, error.m_strFileName);
        EXPECT_FALSE(file.Open(row.path, row.flags)) << "no report object is needed";
        CString line;
        EXPECT_FALSE(file.ReadString(line));
    }
    // The file itself was not touched by the refused write opens.
    CTextFile file(false, false);
    ASSERT_TRUE(file.Open(existing, CTextFile::modeRead));
    EXPECT_EQ(std::vector<std::wstring>{L"x"}, ReadAll(file));
}

TEST_F(TextFileTest, SeekReopenCloseAndIdleCalls)
{
    const CString first = Write("first", "1\n");
    const CString emulation = Write("Emulation.log", "first\r\nsecond\r\n");
    const std::vector<std::wstring> lines = {L"first", L"second"};
    CTextFile file(false, false);
    CString line;
    EXPECT_FALSE(file.ReadString(line)) << "nothing open yet";
    file.SeekToBegin();
    file.Close();

    ASSERT_TRUE(file.Open(first, CTextFile::modeRead));
    ASSERT_TRUE(file.Open(emulation, CTextFile::modeRead)) << "opening again replaces the file";
    ASSERT_TRUE(file.ReadString(line));
    file.SeekToBegin();
    EXPECT_EQ(lines, ReadAll(file));
    file.SeekToBegin(); // at the end of the file the replay starts over
    EXPECT_EQ(lines, ReadAll(file));
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    file.SeekToBegin();
    EXPECT_FALSE(file.ReadString(line));

    // A failed open leaves nothing of the previous file behind.
    ASSERT_TRUE(file.Open(first, CTextFile::modeRead));
    EXPECT_FALSE(file.Open(CString(first + L".missing"), CTextFile::modeRead));
    EXPECT_FALSE(file.ReadString(line));
}
