#include "decoding/LineWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace orvek {
namespace {

std::string Printed(const char* format, auto value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Numbers are converted by digit pairs with a digit count worked out from the bit width, so
// every digit count is checked at its edges, both signs, and beyond 32 bits.
TEST(LineWriter, DecimalMatchesPrintfAtEveryDigitCountEdge)
{
    std::vector<std::int64_t> values = {
        0, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::uint32_t>::max(),
        std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()};
    constexpr std::int64_t kLargestPower = 1'000'000'000'000'000'000;
    for (std::int64_t power = 1;; power *= 10) {
        for (const std::int64_t value : {power - 1, power, power + 1, 2 * power - 1}) {
            values.push_back(value);
            values.push_back(-value);
        }
        if (power == kLargestPower) break;
    }
    for (const std::int64_t value : values) {
        std::string line;
        LineWriter(line).Decimal(value);
        EXPECT_EQ(line, Printed("%lld", static_cast<long long>(value)));
    }
}

TEST(LineWriter, ByteConversionsMatchPrintfForEveryByte)
{
    for (int value = 0; value <= 255; ++value) {
        const auto byte = static_cast<std::uint8_t>(value);
        std::string twoDigits, tenths;
        LineWriter(twoDigits).TwoDigits(byte);
        LineWriter(tenths).Tenths(byte);
        EXPECT_EQ(twoDigits, Printed("%02d", value));
        EXPECT_EQ(tenths, Printed("%.1f", value / 10.0));
    }
}

TEST(LineWriter, MissingFieldsWriteTheMissingMark)
{
    std::string line;
    LineWriter(line)
        .Decimal(std::nullopt)
        .TwoDigits(std::nullopt)
        .Grouped(std::nullopt)
        .Tenths(std::nullopt)
        .OneDecimal(std::nullopt)
        .Sign(std::nullopt);
    EXPECT_EQ(line, "??????");
}

TEST(LineWriter, GroupsThousands)
{
    std::string line;
    LineWriter(line).Grouped(0).Text(" ").Grouped(999).Text(" ").Grouped(1000).Text(" ").Grouped(4294967295u);
    EXPECT_EQ(line, "0 999 1'000 4'294'967'295");
}

// The writer works in the string's spare room and trims it when it goes: text already in the
// string stays, a line longer than the reserved room grows it, and nothing extra is left.
TEST(LineWriter, AppendsAndGrowsPastTheReservedRoom)
{
    std::string line = "head ";
    line.reserve(16);
    const std::string highBytes(700, '\xE9');
    std::string expected = "head ";
    for (int i = 0; i < 700; ++i) expected += "\xC3\xA9";
    expected += " 12345 -7";
    {
        LineWriter writer(line);
        writer.Latin1(highBytes).Text(" ").Decimal(12345).Text(" ").Decimal(-7);
    }
    EXPECT_EQ(line, expected);
    EXPECT_EQ(line.size(), expected.size());
}

}  // namespace
}  // namespace orvek
