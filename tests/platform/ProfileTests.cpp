// The application profile: an INI file read afresh on every look, written whole; never the
// user's real profile (every test points it at a temporary folder).
#include "platform/FixoraApp.h"
#include "platform/Framework.h"
#include "platform/Profile.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace
{

namespace fs = std::filesystem;

class ProfileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() /
                   ("fixora-profile-" + std::to_string(std::random_device{}()));
        m_path = CString((m_folder / "nested" / "Fixora_Vorn.ini").c_str());
    }
    void TearDown() override { fs::remove_all(m_folder); }
    std::string FileText() const
    {
        std::ifstream in(m_path.ToNarrow());
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void WriteFileText(const std::string& text) const
    {
        fs::create_directories(fs::path(m_path.ToNarrow()).parent_path());
        std::ofstream(m_path.ToNarrow()) << text;
    }

    fs::path m_folder;
    CString m_path;
};

} // namespace

TEST_F(ProfileTest, WrittenValuesReadBackAndSectionsStayApart)
{
    EXPECT_EQ(9600, Profile::ReadInt(m_path, L"OEM", L"Baud", 9600)) << "no file yet";
    ASSERT_TRUE(Profile::WriteInt(m_path, L"OEM", L"Baud", 19200)) << "creates folder and file";
    ASSERT_TRUE(Profile::WriteInt(m_path, L"NMEA-0183", L"Baud", 4800));
    EXPECT_EQ(19200, Profile::ReadInt(m_path, L"OEM", L"Baud", 0));
    EXPECT_EQ(4800, Profile::ReadInt(m_path, L"NMEA-0183", L"Baud", 0));
    EXPECT_EQ(7, Profile::ReadInt(m_path, L"OEM", L"Parity", 7)) << "missing entry";
    EXPECT_EQ(7, Profile::ReadInt(m_path, L"Other", L"Baud", 7)) << "missing section";

    ASSERT_TRUE(Profile::WriteInt(m_path, L"OEM", L"Baud", -38400));
    EXPECT_EQ(-38400, Profile::ReadInt(m_path, L"OEM", L"Baud", 0)) << "overwritten";
    EXPECT_EQ(4800, Profile::ReadInt(m_path, L"NMEA-0183", L"Baud", 0)) << "the other kept";
    EXPECT_EQ(-38400, Profile::ReadInt(m_path, L"oem", L"BAUD", 0)) << "names ignore case";
    WriteFileText("[OEM]\nBaud = 57600\n");
    EXPECT_EQ(57600, Profile::ReadInt(m_path, L"OEM", L"Baud", 0)) << "read afresh every time";
}

TEST_F(ProfileTest, ValuesThatAreNoNumberGiveTheDefault)
{
    struct Row
    {
        const char* legend;
        const char* value;
        int expected;
    };
    const Row rows[] = {
        {"plain", "4800", 4800},
        {"blanks around", "  4800  ", 4800},
        {"signed", "-12", -12},
        {"word", "fast", -1},
        {"trailing text", "12abc", -1},
        {"empty", "", -1},
        {"beyond int", "99999999999", -1},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        WriteFileText(std::string("[OEM]\nBaud=") + row.value + "\n");
        EXPECT_EQ(row.expected, Profile::ReadInt(m_path, L"OEM", L"Baud", -1));
    }
}

TEST_F(ProfileTest, NamesAreStoredAsUtf8)
{
    const CString section(L"Empf\x00E4nger \x263A");
    ASSERT_TRUE(Profile::WriteInt(m_path, section, L"Baud", 1200));
    EXPECT_EQ(1200, Profile::ReadInt(m_path, section, L"Baud", 0));
    EXPECT_NE(std::string::npos, FileText().find("[Empf\xC3\xA4nger \xE2\x98\xBA]"));
}

TEST_F(ProfileTest, FailuresLeaveTheDefaultOrReportFalse)
{
    EXPECT_FALSE(Profile::WriteInt(CString(), L"OEM", L"Baud", 1));
    EXPECT_EQ(3, Profile::ReadInt(CString(), L"OEM", L"Baud", 3));
    // A folder where the file should be: nothing to read, nothing written.
    fs::create_directories(m_path.ToNarrow());
    EXPECT_EQ(3, Profile::ReadInt(m_path, L"OEM", L"Baud", 3));
    EXPECT_FALSE(Profile::WriteInt(m_path, L"OEM", L"Baud", 1));
}

TEST(Profile, ApplicationProfileGoesToTheChosenFile)
{
    const CTempProfile profile;
    const CString path(profile.Path().string().c_str());
    EXPECT_EQ(path, theApp.GetProfilePath());
    EXPECT_EQ(2400u, theApp.GetProfileInt(L"Racal", L"Baud", 2400));
    EXPECT_TRUE(theApp.WriteProfileInt(L"Racal", L"Baud", 38400));
    EXPECT_EQ(38400u, theApp.GetProfileInt(L"Racal", L"Baud", 2400));
    EXPECT_EQ(38400, Profile::ReadInt(path, L"Racal", L"Baud", 0));
}
