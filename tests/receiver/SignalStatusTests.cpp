// The site's fix-quality table: where the "GPSStatus" file is looked for, which lines of it count,
// what they store, and how a loaded table changes the quality of a GGA fix.
//
// The table file is read through the same loader the receiver uses, from a temporary folder:
// writing "GPSStatus" beside the test program would change what every other receiver test of
// this program sees when it initialises a receiver (the tests run in parallel).
#include "SentenceText.h"
#include "support/ReceiverProbe.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

namespace
{

class CStatusProbe : public CProbeReceiver
{
public:
    using CDOZOzoeiver::GetStatusFilePath;
    using CDOZOzoeiver::LoadStatusTable;
};

using StatusMap = std::map<int, UDF_SIGNAL_STATUS>;

class SignalStatusTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSharedReceiverState();
        std::random_device random;
        m_folder = std::filesystem::temp_directory_path() /
                   ("fv-status-" + std::to_string(random()) + std::to_string(random()));
        ASSERT_TRUE(std::filesystem::create_directory(m_folder));
    }

    void TearDown() override
    {
        std::error_code error;
        std::filesystem::remove_all(m_folder, error);
    }

    // Writes the bytes as the table file and loads it; returns the file's path.
    CString Load(const std::string& content)
    {
        const std::filesystem::path path = m_folder / "GPSStatus";
        {
            std::ofstream file(path, std::ios::binary | std::ios::trunc);
            file << content;
        }
        const CString strPath(path.string().c_str());
        m_receiver.LoadStatusTable(strPath);
        return strPath;
    }

    std::filesystem::path m_folder;
    CStatusProbe m_receiver;
};

TEST_F(SignalStatusTest, LinesWithANumberOrDefaultTurnTheTableOn)
{
    struct SRow
    {
        const char* legend;
        std::string content;
        bool bTableOn;
        StatusMap entries;
    } const rows[] = {
        {"quoted name", "4,\"UDF_SIGNAL_RTK_FLOAT\"\n", true, {{4, UDF_SIGNAL_RTK_FLOAT}}},
        {"blank and lower case", "2, udf_signal_waas\n", true, {{2, UDF_SIGNAL_WAAS}}},
        {"tabs and quotes anywhere in the name",
         "7,\t\"UDF_SIGNAL_\"POST PROCESSED\t\r\n",
         true,
         {{7, UDF_SIGNAL_POSTPROCESSED}}},
        {"key with blanks and sign", "  -1 ,UDF_SIGNAL_MANUAL\n", true, {{-1, UDF_SIGNAL_MANUAL}}},
        {"text after the key number",
         "5th,UDF_SIGNAL_RTK_CODE\n",
         true,
         {{5, UDF_SIGNAL_RTK_CODE}}},
        {"every name in order",
         "0,UDF_SIGNAL_NONE\n1,UDF_SIGNAL_GPS\n2,UDF_SIGNAL_CORRECTED_GPS\n"
         "3,UDF_SIGNAL_CALCULATED\n4,UDF_SIGNAL_MANUAL\n5,UDF_SIGNAL_RTK_CODE\n"
         "6,UDF_SIGNAL_RTK_FIXED\n7,UDF_SIGNAL_RTK_FLOAT\n8,UDF_SIGNAL_POSTPROCESSED\n"
         "9,UDF_SIGNAL_WAAS\n10,UDF_SIGNAL_UNKNOWN",
         true,
         {{0, UDF_SIGNAL_NONE},
          {1, UDF_SIGNAL_GPS},
          {2, UDF_SIGNAL_CORRECTED_GPS},
          {3, UDF_SIGNAL_CALCULATED},
          {4, UDF_SIGNAL_MANUAL},
          {5, UDF_SIGNAL_RTK_CODE},
          {6, UDF_SIGNAL_RTK_FIXED},
          {7, UDF_SIGNAL_RTK_FLOAT},
          {8, UDF_SIGNAL_POSTPROCESSED},
          {9, UDF_SIGNAL_WAAS},
          {10, UDF_SIGNAL_UNKNOWN}}},
        {"a later line replaces an earlier one",
         "4,UDF_SIGNAL_GPS\n4,UDF_SIGNAL_WAAS\n",
         true,
         {{4, UDF_SIGNAL_WAAS}}},
        {"unknown name: on, nothing stored", "3,UDF_SIGNAL_SOMETHING\n", true, {}},
        {"name with a suffix is unknown", "3,UDF_SIGNAL_GPS2\n", true, {}},
        {"empty name: on, nothing stored", "3,\n", true, {}},
        {"default after a number takes that number",
         "4,UDF_SIGNAL_GPS\ndefault,UDF_SIGNAL_UNKNOWN\n",
         true,
         {{4, UDF_SIGNAL_UNKNOWN}}},
        {"default first has no number", "DEFAULT,UDF_SIGNAL_GPS\n", true, {}},
        {"letter key ignored", "A,UDF_SIGNAL_GPS\n", false, {}},
        {"padded default is no default", " default,UDF_SIGNAL_GPS\n", false, {}},
        {"line without a comma ignored", "UDF_SIGNAL_GPS\n4\n", false, {}},
        {"key 2147483647 cannot be read", "2147483647,UDF_SIGNAL_GPS\n", false, {}},
        {"empty file", "", false, {}},
        {"blank lines and comments", "\n\n# site table\n", false, {}},
        {"binary junk", std::string("\x00\xff,\x01\n\xAA\x44\x12", 8), false, {}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        m_receiver.m_bAlternateStatus = false;
        m_receiver.m_SignalStatusMap.clear();
        Load(row.content);
        EXPECT_EQ(row.bTableOn, m_receiver.m_bAlternateStatus);
        EXPECT_EQ(row.entries, m_receiver.m_SignalStatusMap);
    }
}

TEST_F(SignalStatusTest, TableIsOnlyEverAddedTo)
{
    Load("4,UDF_SIGNAL_RTK_FLOAT\n1,UDF_SIGNAL_WAAS\n");
    Load("2,UDF_SIGNAL_WAAS\n1,UDF_SIGNAL_MANUAL\n");
    EXPECT_TRUE(m_receiver.m_bAlternateStatus);
    const StatusMap expected{
        {1, UDF_SIGNAL_MANUAL}, {2, UDF_SIGNAL_WAAS}, {4, UDF_SIGNAL_RTK_FLOAT}};
    EXPECT_EQ(expected, m_receiver.m_SignalStatusMap);

    // A table that disappears leaves what was loaded in force.
    const CString strGone((m_folder / "GPSStatus.gone").string().c_str());
    m_receiver.LoadStatusTable(strGone);
    m_receiver.LoadStatusTable(CString(L""));
    EXPECT_TRUE(m_receiver.m_bAlternateStatus);
    EXPECT_EQ(expected, m_receiver.m_SignalStatusMap);

    // A table of lines that do not count does not turn it off either.
    Load("nothing here\n");
    EXPECT_TRUE(m_receiver.m_bAlternateStatus);
    EXPECT_EQ(expected, m_receiver.m_SignalStatusMap);
}

TEST_F(SignalStatusTest, LoadedTableDecidesTheQualityOfAFix)
{
    Load("4,\"UDF_SIGNAL_RTK_FLOAT\"\n");
    struct SRow
    {
        int nQuality;
        UDF_SIGNAL_STATUS eStatus;
    } const rows[] = {
        {4, UDF_SIGNAL_RTK_FLOAT}, // from the table
        {5, UDF_SIGNAL_RTK_FLOAT}, // built in
        {1, UDF_SIGNAL_GPS},       // built in
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.nQuality);
        ResetSharedReceiverState();
        CString str = Sentence(L"GPGGA,123519,4807.038,N,01131.000,E," +
                               std::to_wstring(row.nQuality) + L",08,0.9,545.4,M,46.9,M,,");
        EXPECT_TRUE(m_receiver.ProcessGGA(str));
        EXPECT_EQ(row.eStatus, CDOZOzoeiver::m_GPSData.m_SignalStatus);
    }
}

TEST_F(SignalStatusTest, TableFileLivesBesideTheExecutable)
{
    wchar_t szProgram[4096] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, szProgram, 4096), 0u);
    const std::filesystem::path expected =
        std::filesystem::path(szProgram).parent_path() / "GPSStatus";
    EXPECT_EQ(CString(expected.wstring().c_str()), CStatusProbe::GetStatusFilePath());
}

TEST_F(SignalStatusTest, NoFileBesideTheExecutableLeavesTheBuiltInMapping)
{
    if (std::filesystem::exists(CStatusProbe::GetStatusFilePath().ToNarrow()))
    {
        GTEST_SKIP() << "a GPSStatus file lies beside the test program";
    }
    m_receiver.LoadAlternatGPSStatusStrings();
    EXPECT_FALSE(m_receiver.m_bAlternateStatus);
    EXPECT_TRUE(m_receiver.m_SignalStatusMap.empty());
    EXPECT_EQ(UDF_SIGNAL_RTK_FIXED, m_receiver.MapGGAQuality(4));
}

} // namespace
