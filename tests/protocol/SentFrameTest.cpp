#include "protocol/SentFrame.h"

#include "protocol/Envelope.h"
#include "tests/protocol/TestFrames.h"

#include <gtest/gtest.h>

#include <ostream>

namespace orvek {
namespace {

using test::Bytes;

struct ReaderIdCase {
    const char* name;
    std::string text;
    std::uint8_t expected;

    friend void PrintTo(const ReaderIdCase& c, std::ostream* os) { *os << c.name; }
};

class ReaderIdTest : public testing::TestWithParam<ReaderIdCase> {};

TEST_P(ReaderIdTest, TakesTheLowEightBitsOfADecimalNumber)
{
    EXPECT_EQ(ReaderIdFromText(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReaderIdTest,
                         testing::Values(ReaderIdCase{"One", "1", 1}, ReaderIdCase{"Max", "250", 250},
                                         ReaderIdCase{"Zero", "0", 0}, ReaderIdCase{"AboveAByte", "300", 44},
                                         ReaderIdCase{"MinusOne", "-1", 255}, ReaderIdCase{"Plus", "+7", 7},
                                         ReaderIdCase{"Int32Max", "2147483647", 255},
                                         ReaderIdCase{"Int32Min", "-2147483648", 0},
                                         ReaderIdCase{"PastInt32", "2147483648", 1},
                                         ReaderIdCase{"BelowInt32", "-2147483649", 1}, ReaderIdCase{"Empty", "", 1},
                                         ReaderIdCase{"Letters", "abc", 1}, ReaderIdCase{"TrailingText", "12x", 1},
                                         ReaderIdCase{"Blank", " 5", 1}, ReaderIdCase{"SignOnly", "-", 1},
                                         ReaderIdCase{"TwoSigns", "+-5", 1}, ReaderIdCase{"Hex", "0x10", 1}),
                         [](const testing::TestParamInfo<ReaderIdCase>& info) { return std::string(info.param.name); });

struct BuildCase {
    const char* name;
    Bytes message;
    std::uint8_t readerId;
    Bytes frame;
    std::uint32_t sum;

    friend void PrintTo(const BuildCase& c, std::ostream* os) { *os << c.name; }
};

class BuildFrameTest : public testing::TestWithParam<BuildCase> {};

TEST_P(BuildFrameTest, CarriesHalfTheSum)
{
    const BuildCase& c = GetParam();
    const SentFrame frame = BuildFrame(c.message, c.readerId);
    EXPECT_EQ(frame.bytes, c.frame);
    EXPECT_EQ(frame.sum, c.sum);
}

INSTANTIATE_TEST_SUITE_P(
    Golden, BuildFrameTest,
    testing::Values(BuildCase{"ReadClock", {0x05}, 1, {0x00, 0x05, 0x01, 0x00, 0x00, 0x00, 0x03, 0x0D, 0x0A}, 6},
                    BuildCase{"EvenSum262",
                              {0xFF, 0x05, 0x01, 0x00},
                              1,
                              {0x00, 0xFF, 0x01, 0x05, 0x01, 0x00, 0x00, 0x00, 0x00, 0x83, 0x0D, 0x0A},
                              262},
                    BuildCase{"OddSum263LosesItsLowBit",
                              {0xFF, 0x05, 0x02, 0x00},
                              1,
                              {0x00, 0xFF, 0x01, 0x05, 0x02, 0x00, 0x00, 0x00, 0x00, 0x83, 0x0D, 0x0A},
                              263},
                    BuildCase{"CountEightGivesSixteenBytes",
                              {0x03, 0x18, 0x0C, 0x0B, 0x0A, 0x09, 0x08, 0x07},
                              44,
                              {0x00, 0x03, 0x2C, 0x18, 0x0C, 0x0B, 0x0A, 0x09, 0x08, 0x07, 0x00, 0x00, 0x00, 0x40, 0x0D,
                               0x0A},
                              128},
                    BuildCase{"EveryFieldByteOfHalfTheSum", Bytes(140000, 0xFF), 0xFF,
                              [] {
                                  Bytes frame{0x00, 0xFF, 0xFF};
                                  frame.insert(frame.end(), 139999, 0xFF);
                                  // 140001 * 255 = 35700255; half is 0x01105F0F.
                                  frame.insert(frame.end(), {0x01, 0x10, 0x5F, 0x0F, 0x0D, 0x0A});
                                  return frame;
                              }(),
                              35700255u}),
    [](const testing::TestParamInfo<BuildCase>& info) { return std::string(info.param.name); });

TEST(BuildFrame, SendsTheGoldenEnvelope)
{
    EXPECT_EQ(EncodeEnvelope(BuildFrame(Bytes{0x05}, ReaderIdFromText("1")).bytes), "{AAUBAAAAAw0K}");
}

TEST(BuildFrame, EmptyMessageBuildsNoFrame)
{
    const SentFrame frame = BuildFrame(Bytes{}, 1);
    EXPECT_TRUE(frame.bytes.empty());
    EXPECT_EQ(frame.sum, 0u);
}

}  // namespace
}  // namespace orvek
