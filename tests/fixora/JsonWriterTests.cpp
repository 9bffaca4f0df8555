// fixora's JSON values are written by CJsonWriter and must read exactly as nlohmann::json's dump()
// prints them (the nesting is read back in every golden stream and gpsd answer).
#include "JsonWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace
{

using Json = nlohmann::ordered_json;

template <class T> std::string Written(const T& value)
{
    std::string str;
    CJsonWriter(str).Value(value);
    return str;
}

TEST(FixoraJsonWriter, DoublesPrintAsDumpPrintsThem)
{
    constexpr double Inf = std::numeric_limits<double>::infinity();
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    // clang-format off
    std::vector<double> values = {0.0, -0.0, 1.0, -1.0, 100.0, 46266.0, -1.0e-9, 0.1, 0.1 + 0.2,
        123.456, -123.456,
        // the switch between fixed and exponent notation, on both sides
        1e-5, 1.5e-5, 1e-4, 1.234e-4, 0.001, 1e15, 1e15 + 0.5, 999999999999999.9, 1e16, 1e17,
        1234567890123456.0, 12345678901234567.0, 9007199254740993.0, 1e21, 1e22, 1e100, 1e-100,
        1e300, 1e-300, 9.999999999999999e22,
        // extremes, subnormals, values the records hold, and no numbers in JSON
        DBL_MAX, -DBL_MAX, DBL_MIN, DBL_MIN / 3, DBL_TRUE_MIN, -DBL_TRUE_MIN, DBL_EPSILON,
        59.99999999999999, 6.000000000000001, 38.90847833333333, -77.44087166666667, 268.8,
        20200000.123, 1575.42e6, NaN, -NaN, Inf, -Inf};
    // clang-format on
    std::mt19937_64 random(20251206);
    // Any bit pattern: every exponent, subnormals, NaNs and infinities.
    for (int i = 0; i < 200000; ++i)
        values.push_back(std::bit_cast<double>(random()));
    // What the records hold: angles in degrees from radians, decimal fields as parsed, metres,
    // whole numbers.
    std::uniform_real_distribution<double> angle(-3.15, 3.15);
    std::uniform_int_distribution<std::int64_t> digits(-99999999999, 99999999999);
    std::uniform_int_distribution<int> decimals(0, 9);
    std::uniform_real_distribution<double> metres(-1000.0, 3.0e7);
    for (int i = 0; i < 50000; ++i)
        values.insert(values.end(),
                      {angle(random) * 57.29577951308232,
                       static_cast<double>(digits(random)) / std::pow(10.0, decimals(random)),
                       metres(random), static_cast<double>(digits(random))});
    int nMismatches = 0;
    for (const double d : values)
    {
        if (Written(d) != Json(d).dump() && ++nMismatches <= 5)
            ADD_FAILURE() << Written(d) << " instead of " << Json(d).dump();
    }
    EXPECT_EQ(nMismatches, 0);
}

TEST(FixoraJsonWriter, IntegersBooleansAndEveryByteAsDumpPrintsThem)
{
    EXPECT_EQ(Written(0) + Written(-1) + Written(true) + Written(false), "0-1truefalse");
    EXPECT_EQ(Written(std::int16_t{-32768}), "-32768");
    EXPECT_EQ(Written(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(Written(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615");
    EXPECT_EQ(Written(std::size_t{4096}), "4096");
    // fixora's texts are bytes taken as Latin-1 characters: a byte from 0x80 up reaches the
    // writer as the two bytes of its character in UTF-8.
    for (int nByte = 0; nByte < 256; ++nByte)
    {
        const std::string strUtf8 = nByte < 0x80
                                        ? std::string(1, static_cast<char>(nByte))
                                        : std::string{static_cast<char>(0xC0 | (nByte >> 6)),
                                                      static_cast<char>(0x80 | (nByte & 0x3F))};
        EXPECT_EQ(Written(strUtf8), Json(strUtf8).dump()) << nByte;
    }
    // Runs of plain text between escapes, and characters of two to four UTF-8 bytes.
    const std::string strMixed =
        "$GPTXT,\"a\\b\"\r\n\x01\x1f\x7f caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x9B\xB0";
    EXPECT_EQ(Written(strMixed), Json(strMixed).dump());
}

} // namespace
