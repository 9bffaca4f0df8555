// The executable's path and file attributes, with the error each answer leaves behind, and where
// the profile lives when the host names no file: the XDG configuration folder.
#include "platform/FixoraApp.h"
#include "platform/Framework.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <sys/stat.h>

TEST(Files, ModuleFileNameIsThisProgramAndIsCutToTheBuffer)
{
    const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
    const auto n = static_cast<DWORD>(exe.size());
    wchar_t buffer[4096];
    const struct
    {
        const char* legend;
        HMODULE hModule;
        DWORD nSize;
        DWORD nExpected;
        std::string text; // what the buffer holds afterwards
        DWORD dwError;
    } rows[] = {
        {"this program", nullptr, 4096, n, exe, ERROR_SUCCESS},
        {"the library's module, linked in here", AfxGetResourceHandle(), 4096, n, exe,
         ERROR_SUCCESS},
        {"exactly fits", nullptr, n + 1, n, exe, ERROR_SUCCESS},
        {"one short: cut, and told so", nullptr, n, n, exe.substr(0, n - 1),
         ERROR_INSUFFICIENT_BUFFER},
        {"no room", nullptr, 0, 0, "#", ERROR_INSUFFICIENT_BUFFER},
        {"unknown module", reinterpret_cast<HMODULE>(&buffer[0]), 4096, 0, "#",
         ERROR_MOD_NOT_FOUND},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        buffer[0] = L'#';
        buffer[1] = L'\0';
        buffer[n] = L'#';
        SetLastError(ERROR_GEN_FAILURE);
        EXPECT_EQ(row.nExpected, GetModuleFileNameW(row.hModule, buffer, row.nSize));
        EXPECT_EQ(row.dwError, GetLastError());
        EXPECT_EQ(row.text, CString(buffer).ToNarrow());
        if (row.nSize == n)
        {
            EXPECT_EQ(L'#', buffer[n]) << "nothing written past the buffer";
        }
    }
    EXPECT_TRUE(CString(exe.c_str()).Right(17) == L"fv_platform_tests");
    EXPECT_EQ(0u, GetModuleFileNameW(nullptr, nullptr, 10));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST(Files, Attributes)
{
    const CScratchFolder folder;
    std::filesystem::create_directories(folder.File("sub"));
    CScratchFolder::Write(folder.File("plain.txt"), "x");
    CScratchFolder::Write(folder.File("locked.txt"), "x");
    chmod(folder.File("locked.txt").c_str(), 0444);
    const struct
    {
        const char* legend;
        std::filesystem::path path;
        DWORD dwExpected;
        DWORD dwError; // when refused
    } rows[] = {
        {"plain file", folder.File("plain.txt"), FILE_ATTRIBUTE_NORMAL, 0},
        {"file without write permission", folder.File("locked.txt"), FILE_ATTRIBUTE_READONLY, 0},
        {"folder", folder.File("sub"), FILE_ATTRIBUTE_DIRECTORY, 0},
        {"nothing there", folder.File("missing"), INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {"below a file", folder.File("plain.txt") / "x", INVALID_FILE_ATTRIBUTES,
         ERROR_PATH_NOT_FOUND},
        {"empty path", std::filesystem::path(), INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        SetLastError(0);
        EXPECT_EQ(row.dwExpected, GetFileAttributesW(CString(row.path.c_str()).GetString()));
        EXPECT_EQ(row.dwError, GetLastError());
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(nullptr));
}

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
