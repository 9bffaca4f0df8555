// Where the profile lives when the host names no file: the XDG configuration folder.
#include "platform/FixoraApp.h"
#include "platform/Framework.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

TEST(ProfileLocation, DefaultLocation)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("fixora-profile-" + std::to_string(std::random_device{}()));
    const char* pszSaved = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = pszSaved != nullptr ? pszSaved : "";
    const std::string config = (folder / "config").string();

    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    theApp.SetProfilePath(CString());
    EXPECT_EQ(CString((config + "/Fixora_Vorn/Fixora_Vorn.ini").c_str()), theApp.GetProfilePath())
        << "an application without a name";
    CWinApp named(L"FieldHost");
    EXPECT_EQ(&theApp, AfxGetApp()) << "the first application object stays current";
    EXPECT_EQ(CString((config + "/FieldHost/FieldHost.ini").c_str()), named.GetProfilePath());

    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    const char* pszHome = std::getenv("HOME");
    if (pszHome != nullptr && pszHome[0] != '\0')
    {
        EXPECT_EQ(CString((std::string(pszHome) + "/.config/FieldHost/FieldHost.ini").c_str()),
                  named.GetProfilePath());
    }

    if (pszSaved != nullptr)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}
