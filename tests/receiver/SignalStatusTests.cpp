// The site's fix-quality table: where the "GPSStatus" file is looked for, which lines of it count
// and what they store (how the table changes the quality of a fix is a position-sentence test).
//
// The table file is read through the same loader the receiver uses, from a temporary folder:
// writing "GPSStatus" beside the test program would change what every other receiver test of
// this program sees when it initialises a receiver (the tests run in parallel).
#include "support/ReceiverProbe.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <map>
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
    void SetUp() override { ResetSharedReceiverState(); }

    // Writes the bytes as the table file and loads it.
    void Load(const std::string& content)
    {
        CScratchFolder::Write(m_folder.File("GPSStatus"), content);
        m_receiver.LoadStatusTable(CString(m_folder.File("GPSStatus").string().c_str()));
    }

    CScratchFolder m_folder;
    CStatusProbe m_receiver;
};

// Every status name in the order of its value, each line keyed with its value.
std::string EveryName(StatusMap& entries)
{
    const char* const names[] = {"NONE",          "GPS",      "CORRECTED_GPS", "CALCULATED",
                                 "MANUAL",        "RTK_CODE", "RTK_FIXED",     "RTK_FLOAT",
                                 "POSTPROCESSED", "WAAS",     "UNKNOWN"};
    std::string content;
    for (int i = 0; i < static_cast<int>(std::size(names)); ++i)
    {
        content += std::to_string(i) + ",UDF_SIGNAL_" + names[i] + "\n";
        entries[i] = static_cast<UDF_SIGNAL_STATUS>(UDF_SIGNAL_NONE + i);
    }
    return content;
}

TEST_F(SignalStatusTest, LinesWithANumberOrDefaultTurnTheTableOn)
{
    StatusMap allNames;
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
        {"every name in order", EveryName(allNames), true, allNames},
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
    const CString strGone(m_folder.File("GPSStatus.gone").string().c_str());
    m_receiver.LoadStatusTable(strGone);
    m_receiver.LoadStatusTable(CString(L""));
    EXPECT_TRUE(m_receiver.m_bAlternateStatus);
    EXPECT_EQ(expected, m_receiver.m_SignalStatusMap);

    // A table of lines that do not count does not turn it off either.
    Load("nothing here\n");
    EXPECT_TRUE(m_receiver.m_bAlternateStatus);
    EXPECT_EQ(expected, m_receiver.m_SignalStatusMap);
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
