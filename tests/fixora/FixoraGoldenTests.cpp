// Golden streams: for every stream in tests/data/streams, `fixora --replay STREAM --json
// --no-clock` (and the options of the stream's .args file) must print exactly the stream's
// .expect file. An intended change of the output is
// recorded with scripts/update-golden and explained in its commit.
#include "FixoraRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace
{

std::vector<std::string> Lines(const std::string& strText)
{
    std::vector<std::string> lines;
    std::istringstream stream(strText);
    for (std::string strLine; std::getline(stream, strLine);)
    {
        lines.push_back(strLine);
    }
    return lines;
}

// The C libraries of different systems may round a computed angle differently in its last bit:
// a record matches when its keys, order, texts and flags are the same and every number agrees to
// 12 significant digits.
bool SameValue(const nlohmann::ordered_json& actual, const nlohmann::ordered_json& expected)
{
    if (actual.is_number() && expected.is_number())
    {
        const double x = actual.get<double>();
        const double y = expected.get<double>();
        return std::abs(x - y) <= 1e-12 * std::max({1.0, std::abs(x), std::abs(y)});
    }
    if (actual.type() != expected.type() || actual.size() != expected.size())
    {
        return false;
    }
    if (actual.is_object())
    {
        return std::equal(actual.items().begin(), actual.items().end(), expected.items().begin(),
                          [](const auto& a, const auto& e) {
                              return a.key() == e.key() && SameValue(a.value(), e.value());
                          });
    }
    if (actual.is_array())
    {
        return std::equal(actual.begin(), actual.end(), expected.begin(), SameValue);
    }
    return actual == expected;
}

bool SameLine(const std::string& strActual, const std::string& strExpected)
{
    if (strActual == strExpected)
    {
        return true;
    }
    const auto actual = nlohmann::ordered_json::parse(strActual, nullptr, false);
    const auto expected = nlohmann::ordered_json::parse(strExpected, nullptr, false);
    return !actual.is_discarded() && !expected.is_discarded() && SameValue(actual, expected);
}

TEST(FixoraGolden, ReplayOfEachStreamPrintsItsExpectedRecords)
{
    const std::filesystem::path folder = std::filesystem::path(FIXORA_TEST_DATA_DIR) / "streams";
    int nStreams = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
    {
        const std::filesystem::path stream = entry.path();
        if (stream.extension() != ".nmea" && stream.extension() != ".bin")
        {
            continue;
        }
        SCOPED_TRACE(stream.filename().string());
        ++nStreams;
        std::filesystem::path expectPath = stream;
        expectPath.replace_extension(".expect");
        ASSERT_TRUE(std::filesystem::exists(expectPath))
            << "no " << expectPath << ": run scripts/update-golden";
        const std::string strExpected = CScratchFolder::Read(expectPath);
        std::vector<std::string> args = {"--replay", stream.string(), "--json", "--no-clock"};
        // A stream's own options (the model that understands its replies, say), an argument a
        // line.
        std::filesystem::path argsPath = stream;
        argsPath.replace_extension(".args");
        if (std::filesystem::exists(argsPath))
        {
            const std::vector<std::string> options = Lines(CScratchFolder::Read(argsPath));
            args.insert(args.end(), options.begin(), options.end());
        }
        const SFixoraRun run = RunFixora(args);
        ASSERT_EQ(run.nExit, 0) << run.strErr;
        EXPECT_EQ(run.strErr, "");
        const std::vector<std::string> expected = Lines(strExpected);
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
