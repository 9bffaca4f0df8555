// The profile: an INI file read afresh on every look, written whole. (The application's profile
// in its chosen file is read and written by receiver/posix/ReceiverBaseTests.cpp.)
#include "platform/Framework.h"
#include "platform/Profile.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

TEST(Profile, WrittenValuesReadBackAndSectionsStayApart)
{
    const CScratchFolder folder;
    const std::filesystem::path file = folder.File("nested") / "Fixora_Vorn.ini";
    const CString path(file.c_str());
    EXPECT_EQ(9600, Profile::ReadInt(path, L"OEM", L"Baud", 9600)) << "no file yet";
    ASSERT_TRUE(Profile::WriteInt(path, L"OEM", L"Baud", 19200)) << "creates folder and file";
    ASSERT_TRUE(Profile::WriteInt(path, L"NMEA-0183", L"Baud", 4800));
    ASSERT_TRUE(Profile::WriteInt(path, L"OEM", L"Baud", -38400));
    EXPECT_EQ(-38400, Profile::ReadInt(path, L"oem", L"BAUD", 0)) << "overwritten; any case";
    EXPECT_EQ(4800, Profile::ReadInt(path, L"NMEA-0183", L"Baud", 0)) << "the other kept";
    EXPECT_EQ(7, Profile::ReadInt(path, L"OEM", L"Parity", 7)) << "missing entry";
    EXPECT_EQ(7, Profile::ReadInt(path, L"Other", L"Baud", 7)) << "missing section";
    // Model names that share a prefix keep their own sections, either way round.
    ASSERT_TRUE(Profile::WriteInt(path, L"Sokkia Axis", L"Baud", 19200));
    EXPECT_EQ(9, Profile::ReadInt(path, L"Sokkia Axis3", L"Baud", 9)) << "a longer name";
    EXPECT_EQ(9, Profile::ReadInt(path, L"Sokkia", L"Baud", 9)) << "a shorter name";
    const CString section(L"Empf\x00E4nger \x263A");
    ASSERT_TRUE(Profile::WriteInt(path, section, L"Baud", 1200));
    EXPECT_EQ(1200, Profile::ReadInt(path, section, L"Baud", 0));
    EXPECT_NE(std::string::npos, CScratchFolder::Read(file).find("[Empf\xC3\xA4nger \xE2\x98\xBA]"))
        << "names are stored as UTF-8";

    const struct
    {
        const char* value;
        int expected;
    } rows[] = {{"57600", 57600}, {"  4800  ", 4800}, {"-12", -12},       {"fast", -1},
                {"12abc", -1},    {"", -1},           {"99999999999", -1}};
    for (const auto& row : rows)
    {
        CScratchFolder::Write(file, std::string("[OEM]\nBaud=") + row.value + "\n");
        EXPECT_EQ(row.expected, Profile::ReadInt(path, L"OEM", L"Baud", -1)) << row.value;
    }

    EXPECT_FALSE(Profile::WriteInt(CString(), L"OEM", L"Baud", 1));
    EXPECT_EQ(3, Profile::ReadInt(CString(), L"OEM", L"Baud", 3));
    const CString folderPath(folder.File("nested").c_str()); // a folder where the file should be
    EXPECT_EQ(3, Profile::ReadInt(folderPath, L"OEM", L"Baud", 3));
    EXPECT_FALSE(Profile::WriteInt(folderPath, L"OEM", L"Baud", 1));
}
