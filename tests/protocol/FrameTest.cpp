#include "protocol/Frame.h"

#include "tests/protocol/TestFrames.h"

#include <gtest/gtest.h>

#include <map>

namespace orvek {
namespace {

using test::Bytes;

TEST(FrameSum, SumsTheInclusiveRange)
{
    const Bytes frame{0x00, 0xFF, 0x01, 0x05, 0x01, 0x00, 0x00, 0x00, 0x01, 0x06, 0x0D, 0x0A};
    EXPECT_EQ(FrameSum(frame, 1, 5), 262u);
    EXPECT_EQ(FrameSum(frame, 0, 5), 262u);
    EXPECT_EQ(FrameSum(frame, 3, 3), 5u);
    EXPECT_EQ(FrameSum(frame, 4, 3), 0u);
    EXPECT_EQ(FrameSum(Bytes(1000, 0xFF), 0, 999), 255000u);
}

TEST(FrameSum, NeverReadsPastTheBytes)
{
    const Bytes bytes{1, 2, 3};
    EXPECT_EQ(FrameSum(bytes, 1, 50), 5u);
    EXPECT_EQ(FrameSum(bytes, 3, 50), 0u);
    EXPECT_EQ(FrameSum(Bytes{}, 0, 0), 0u);
}

// The sum is taken a word at a time: every length and alignment must come out as the plain
// sum, with all-0xFF runs long enough to overflow a 16-bit partial sum many times over.
TEST(FrameSum, EqualsThePlainSumAtEveryLengthAndOffset)
{
    Bytes ones(2100, 0xFF);
    Bytes varied(2100);
    for (std::size_t i = 0; i < varied.size(); ++i) varied[i] = static_cast<std::uint8_t>(i * 37 + 11);
    for (const Bytes* bytes : {&ones, &varied}) {
        for (std::size_t first = 0; first < 9; ++first) {
            std::uint32_t plain = 0;
            for (std::size_t last = first; last < bytes->size(); ++last) {
                plain += (*bytes)[last];
                ASSERT_EQ(FrameSum(*bytes, first, last), plain) << "first " << first << " last " << last;
            }
        }
    }
}

TEST(ExpectedPayloadLength, MatchesTheTableForEveryCode)
{
    const std::map<int, int> table{
        {0x81, 0}, {0x82, 0}, {0x83, 0},  {0x84, 0}, {0x85, 11}, {0x86, 0}, {0x87, 0}, {0x88, 0},  {0x89, 10},
        {0x8A, 0}, {0x8B, 0}, {0x8C, 0},  {0x8D, 0}, {0x8E, 0},  {0x8F, 0}, {0x90, 0}, {0x91, 0},  {0x92, 0},
        {0x93, 0}, {0x94, 0}, {0xB2, 0},  {0xB3, 0}, {0xB5, 0},  {0xB6, 2}, {0xB7, 0}, {0x50, 23}, {0x51, 18},
        {0x53, 4}, {0x55, 0}, {0x5A, 23}, {0xE2, 0}, {0xE3, 0},  {0xFF, 3},
    };
    ASSERT_EQ(table.size(), 33u);
    for (int code = 0; code < 256; ++code) {
        SCOPED_TRACE(code);
        const std::optional<std::uint8_t> length = ExpectedPayloadLength(static_cast<std::uint8_t>(code));
        const auto entry = table.find(code);
        if (entry == table.end()) {
            EXPECT_FALSE(length.has_value());
        } else {
            ASSERT_TRUE(length.has_value());
            EXPECT_EQ(*length, entry->second);
        }
    }
}

TEST(ChecksumField, ReadsTheFourBytesBeforeCrLfBigEndian)
{
    EXPECT_EQ(ChecksumField(Bytes{0x00, 0xFF, 0x01, 0x05, 0x01, 0x00, 0x00, 0x00, 0x01, 0x06, 0x0D, 0x0A}), 262u);
    EXPECT_EQ(ChecksumField(Bytes{0x00, 0x05, 0x01, 0x12, 0x34, 0x56, 0x78, 0x0D, 0x0A}), 0x12345678u);
    EXPECT_EQ(ChecksumField(Bytes{0x00, 0x0D, 0x0A}), 0u);
}

}  // namespace
}  // namespace orvek
