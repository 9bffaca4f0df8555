// Golden streams: fixora on every stream of tests/data/streams, with the options of its .args
// file, prints its .expect file and exits as its .stderr file says (the README there has the
// rules); an intended change is recorded with scripts/update-golden.
#include "FixoraRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace
{

// The C libraries of different systems may round a computed angle differently in its last bits,
// and a height computed from earth-centred coordinates carries that on (about a nanometre apart
// between Linux and Windows): a JSON line matches when its keys, order, texts and flags are the
// same and every number agrees to 10 significant digits.
bool SameLine(const std::string& strActual, const std::string& strExpected)
{
    if (strActual == strExpected)
        return true;
    if (!nlohmann::ordered_json::accept(strActual) || !nlohmann::ordered_json::accept(strExpected))
        return false;
    const auto actual = nlohmann::ordered_json::parse(strActual).flatten();
    const auto expected = nlohmann::ordered_json::parse(strExpected).flatten();
    return actual.size() == expected.size() &&
           std::equal(actual.items().begin(), actual.items().end(), expected.items().begin(),
                      [](const auto& a, const auto& e) {
                          if (!a.value().is_number() || !e.value().is_number())
                              return a.key() == e.key() && a.value() == e.value();
                          const double x = a.value(), y = e.value();
                          return a.key() == e.key() &&
                                 std::abs(x - y) <=
                                     1e-10 * std::max({1.0, std::abs(x), std::abs(y)});
                      });
}

TEST(FixoraGolden, ReplayOfEachStreamPrintsItsExpectedRecords)
{
    int nStreams = 0;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(FIXORA_TEST_DATA_DIR) / "streams"))
    {
        std::filesystem::path path = entry.path();
        if (path.extension() != ".nmea" && path.extension() != ".bin")
            continue;
        SCOPED_TRACE(path.filename().string());
        ++nStreams;
        std::vector<std::string> args = {"--replay", path.string(), "--json", "--no-clock"};
        if (std::filesystem::exists(path.replace_extension(".args")))
        {
            for (const std::string& strOption : Lines(CScratchFolder::Read(path)))
            {
                if (strOption == "--text")
                    std::erase(args, "--json");
                else if (strOption == "--emulate")
                {
                    args[0] = "--emulate";
                    args.push_back("--fast");
                }
                else
                    args.push_back(strOption);
            }
        }
        const bool bStderr = std::filesystem::exists(path.replace_extension(".stderr"));
        const std::string strStderr = bStderr ? CScratchFolder::Read(path) : "exit 0\n";
        ASSERT_TRUE(std::filesystem::exists(path.replace_extension(".expect")))
            << "run scripts/update-golden";
        const std::vector<std::string> expected = Lines(CScratchFolder::Read(path));
        const SProcessResult run = RunFixora(args);
        EXPECT_EQ("exit " + std::to_string(run.nExit) + "\n" + run.strErr, strStderr);
        const std::vector<std::string> actual = Lines(run.strOut);
        ASSERT_FALSE(expected.empty());
        for (std::size_t i = 0; i < std::min(expected.size(), actual.size()); ++i)
        {
            ASSERT_TRUE(SameLine(actual[i], expected[i]))
                << "first difference at line " << i + 1 << ":\n  " << actual[i] << "\nexpected\n  "
                << expected[i] << "\nif intended, run scripts/update-golden";
        }
        EXPECT_EQ(actual.size(), expected.size()) << "if intended, run scripts/update-golden";
    }
    EXPECT_GE(nStreams, 3);
}

} // namespace
