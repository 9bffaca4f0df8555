// The site's fix-quality table: where the "GPSStatus" file is looked for, which lines of it count
// and what they store (how the table changes the quality of a fix is a position-sentence test).
// The file is read from a temporary folder: one beside the test program would change what every
// other receiver test of this program sees (the tests run in parallel).
#include "support/ReceiverProbe.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <tuple>

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

    void Load(const std::string& content)
    {
        CScratchFolder::Write(m_folder.File("GPSStatus"), content);
        m_receiver.LoadStatusTable(CString(m_folder.File("GPSStatus").string().c_str()));
    }

    CScratchFolder m_folder;
    CStatusProbe m_receiver;
};

TEST_F(SignalStatusTest, LinesWithANumberOrDefaultTurnTheTableOn)
{
    // The file, whether it turns the table on, what it stores.
    const std::tuple<std::string, bool, StatusMap> rows[] = {
        {"4,\"UDF_SIGNAL_RTK_FLOAT\"\n", true, {{4, UDF_SIGNAL_RTK_FLOAT}}},
        {"2, udf_signal_waas\n", true, {{2, UDF_SIGNAL_WAAS}}},
        {"7,\t\"UDF_SIGNAL_\"POST PROCESSED\t\r\n", true, {{7, UDF_SIGNAL_POSTPROCESSED}}},
        {"  -1 ,UDF_SIGNAL_MANUAL\n", true, {{-1, UDF_SIGNAL_MANUAL}}},
        {"5th,UDF_SIGNAL_RTK_CODE\n", true, {{5, UDF_SIGNAL_RTK_CODE}}},
        {"4,UDF_SIGNAL_GPS\n4,UDF_SIGNAL_WAAS\n", true, {{4, UDF_SIGNAL_WAAS}}},
        // An unknown or empty name turns the table on and stores nothing.
        {"3,UDF_SIGNAL_SOMETHING\n", true, {}},
        {"3,UDF_SIGNAL_GPS2\n", true, {}},
        {"3,UDF_SIGNAL_\n", true, {}},
        {"3,\n", true, {}},
        // "default" takes the number of the line before, and has none first.
        {"4,UDF_SIGNAL_GPS\ndefault,UDF_SIGNAL_UNKNOWN\n", true, {{4, UDF_SIGNAL_UNKNOWN}}},
        {"DEFAULT,UDF_SIGNAL_GPS\n", true, {}},
        {"A,UDF_SIGNAL_GPS\n", false, {}},
        {" default,UDF_SIGNAL_GPS\n", false, {}},
        {"UDF_SIGNAL_GPS\n4\n", false, {}},
        {"2147483647,UDF_SIGNAL_GPS\n", false, {}},
        {"", false, {}},
        {"\n\n# site table\n", false, {}},
        {std::string("\x00\xff,\x01\n\xAA\x44\x12", 8), false, {}}};
    for (const auto& [content, bTableOn, entries] : rows)
    {
        SCOPED_TRACE(content);
        m_receiver.m_bAlternateStatus = false;
        m_receiver.m_SignalStatusMap.clear();
        Load(content);
        EXPECT_EQ(bTableOn, m_receiver.m_bAlternateStatus);
        EXPECT_EQ(entries, m_receiver.m_SignalStatusMap);
    }
}

TEST_F(SignalStatusTest, TableIsOnlyEverAddedToAndLivesBesideTheExecutable)
{
    Load("4,UDF_SIGNAL_RTK_FLOAT\n1,UDF_SIGNAL_WAAS\n");
    Load("2,UDF_SIGNAL_WAAS\n1,UDF_SIGNAL_MANUAL\n");
    const StatusMap expected{
        {1, UDF_SIGNAL_MANUAL}, {2, UDF_SIGNAL_WAAS}, {4, UDF_SIGNAL_RTK_FLOAT}};
    EXPECT_EQ(expected, m_receiver.m_SignalStatusMap);
    // A table that disappears, or one of lines that do not count, leaves what was loaded.
    m_receiver.LoadStatusTable(CString(m_folder.File("GPSStatus.gone").string().c_str()));
    m_receiver.LoadStatusTable(CString(L""));
    Load("nothing here\n");
    EXPECT_TRUE(m_receiver.m_bAlternateStatus);
    EXPECT_EQ(expected, m_receiver.m_SignalStatusMap);

    wchar_t szProgram[4096] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, szProgram, 4096), 0u);
    const auto file = std::filesystem::path(szProgram).parent_path() / "GPSStatus";
    EXPECT_EQ(CString(file.wstring().c_str()), CStatusProbe::GetStatusFilePath());
    if (std::filesystem::exists(file))
    {
        GTEST_SKIP() << "a GPSStatus file lies beside the test program";
    }
    CStatusProbe fresh;
    fresh.LoadAlternatGPSStatusStrings();
    EXPECT_FALSE(fresh.m_bAlternateStatus);
    EXPECT_TRUE(fresh.m_SignalStatusMap.empty());
    EXPECT_EQ(UDF_SIGNAL_RTK_FIXED, fresh.MapGGAQuality(4));
}

} // namespace
