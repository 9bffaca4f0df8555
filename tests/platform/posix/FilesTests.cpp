// The executable's path and file attributes.
#include "platform/Framework.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

std::string ExePath()
{
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

} // namespace

TEST(Files, ModuleFileNameIsThisProgramAndIsCutToTheBuffer)
{
    const std::string exe = ExePath();
    ASSERT_FALSE(exe.empty());
    wchar_t buffer[4096];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, 4096);
    EXPECT_EQ(exe.size(), n);
    EXPECT_EQ(exe, CString(buffer).ToNarrow());
    EXPECT_TRUE(CString(buffer).Right(17) == L"fv_platform_tests");
    EXPECT_EQ(ERROR_SUCCESS, GetLastError());

    // The library's own module: here it is linked into this program.
    EXPECT_EQ(n, GetModuleFileNameW(AfxGetResourceHandle(), buffer, 4096));
    EXPECT_EQ(exe, CString(buffer).ToNarrow());
    EXPECT_EQ(0u, GetModuleFileNameW(reinterpret_cast<HMODULE>(&buffer[0]), buffer, 4096));

    EXPECT_EQ(n, GetModuleFileNameW(nullptr, buffer, n + 1)) << "exactly fits";
    EXPECT_EQ(exe, CString(buffer).ToNarrow());
    std::wmemset(buffer, L'#', 4096);
    EXPECT_EQ(n, GetModuleFileNameW(nullptr, buffer, n)) << "one short: cut, and told so";
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(exe.substr(0, n - 1), CString(buffer).ToNarrow());
    EXPECT_EQ(L'#', buffer[n]) << "nothing written past the buffer";
    EXPECT_EQ(0u, GetModuleFileNameW(nullptr, buffer, 0));
    EXPECT_EQ(0u, GetModuleFileNameW(nullptr, nullptr, 10));
}

TEST(Files, Attributes)
{
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("fixora-files-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder / "sub");
    std::ofstream(folder / "plain.txt") << "x";
    std::ofstream(folder / "locked.txt") << "x";
    chmod((folder / "locked.txt").c_str(), 0444);

    struct Row
    {
        const char* legend;
        fs::path path;
        DWORD dwExpected;
    };
    const Row rows[] = {
        {"plain file", folder / "plain.txt", FILE_ATTRIBUTE_NORMAL},
        {"file without write permission", folder / "locked.txt", FILE_ATTRIBUTE_READONLY},
        {"folder", folder / "sub", FILE_ATTRIBUTE_DIRECTORY},
        {"nothing there", folder / "missing", INVALID_FILE_ATTRIBUTES},
        {"below a file", folder / "plain.txt" / "x", INVALID_FILE_ATTRIBUTES},
        {"empty path", fs::path(), INVALID_FILE_ATTRIBUTES},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.legend);
        EXPECT_EQ(row.dwExpected, GetFileAttributesW(CString(row.path.c_str()).GetString()));
    }
    EXPECT_EQ(ERROR_PATH_NOT_FOUND, GetLastError());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(nullptr));
    fs::remove_all(folder);
}
