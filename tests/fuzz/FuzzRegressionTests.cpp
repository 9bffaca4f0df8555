// The inputs the fuzz targets once failed on (tests/data/fuzz/<target>/), replayed through the
// targets' own entries: a sanitizer report, an exception or a broken invariant (which aborts)
// fails the suite.
#include "entries/FuzzEntries.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{

TEST(FuzzRegression, EveryKeptInputPassesItsTargetsEntry)
{
    const std::filesystem::path root = std::filesystem::path(FIXORA_TEST_DATA_DIR) / "fuzz";
    int nReplayed = 0;
    for (const auto& folder : std::filesystem::directory_iterator(root))
    {
        const std::string target = folder.path().filename().string();
        SCOPED_TRACE(target);
        const fuzz_entry::EntryFunction pfnEntry = fuzz_entry::FindEntry(target);
        ASSERT_NE(pfnEntry, nullptr) << "a folder named after no fuzz target";
        for (const auto& file : std::filesystem::directory_iterator(folder.path()))
        {
            SCOPED_TRACE(file.path().filename().string());
            std::ifstream stream(file.path(), std::ios::binary);
            const std::vector<std::uint8_t> input((std::istreambuf_iterator<char>(stream)),
                                                  std::istreambuf_iterator<char>());
            ASSERT_FALSE(input.empty());
            pfnEntry(input.data(), input.size());
            ++nReplayed;
        }
    }
    EXPECT_GT(nReplayed, 0);
}

} // namespace
