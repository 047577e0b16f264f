#include "decoding/DecodeFrame.h"
#include "tests/decoding/Frames.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace orvek {
namespace {

using test::Bytes;
using test::Frame;
using test::Head;

DecodedFrame DecodeFirmware(const std::string& text)
{
    auto payload = Bytes(text);
    payload.push_back(0);
    return DecodeFrame(Frame(129, 1, payload));
}

struct VersionCase {
    std::string name;
    std::string text;
    std::optional<std::int32_t> major;
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const VersionCase& testCase, std::ostream* out) { *out << testCase.name; }

class FirmwareVersion : public testing::TestWithParam<VersionCase> {};

TEST_P(FirmwareVersion, MajorVersionFromText)
{
    const DecodedFrame decoded = DecodeFirmware(GetParam().text);
    ASSERT_TRUE(decoded.firmware);
    EXPECT_EQ(decoded.firmware->majorVersion, GetParam().major);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FirmwareVersion,
    testing::Values(
        VersionCase{"Seven", "ZTB Ver: 7.02", 7}, VersionCase{"Six", "ZTB Ver: 6.10", 6},
        VersionCase{"Twelve", "Ver: 12.1", 12}, VersionCase{"LeadingZero", "ZTK Ver: 07.5", 7},
        VersionCase{"NoBlankEatsFirstDigit", "ZTB Ver:7.02", 0},
        VersionCase{"NoPointAfterTag", "ZTB Ver: 7", std::nullopt},
        VersionCase{"PointOnlyBeforeTag", "v1.0 Ver: 7", std::nullopt}, VersionCase{"NoTag", "ZTB 7.02", std::nullopt},
        VersionCase{"TagCaseMatters", "ver: 7.02", std::nullopt}, VersionCase{"TagAtEnd", "ZTB Ver:", std::nullopt},
        VersionCase{"FirstTagCounts", "Ver: 5.1 Ver: 9.2", 5}, VersionCase{"Negative", "Ver: -1.0", -1},
        VersionCase{"PlusSign", "Ver: +8.0", 8}, VersionCase{"ExtraLeadingBlanks", "Ver:   9.3", 9},
        VersionCase{"TrailingJunkIsNotANumber", "Ver: 7a.1", 0},
        VersionCase{"TrailingBlankIsNotANumber", "Ver: 7 .1", 0}, VersionCase{"SignAlone", "Ver: -.1", 0},
        VersionCase{"LettersOnly", "Ver: beta.1", 0}, VersionCase{"Largest", "Ver: 2147483647.0", 2147483647},
        VersionCase{"Smallest", "Ver: -2147483648.0", -2147483647 - 1}, VersionCase{"TooLarge", "Ver: 2147483648.0", 0},
        VersionCase{"FarTooLarge", "Ver: 99999999999999999999999.0", 0},
        // The character dropped after "Ver:" is one 8-bit character, even when it is not ASCII.
        VersionCase{"DroppedCharacterIsOneByte",
                    "Ver:\xE9"
                    "4.0",
                    4}),
    [](const auto& info) { return info.param.name; });

TEST(FirmwareReply, LineAndPanel)
{
    const DecodedFrame decoded = DecodeFirmware("ZTB Ver: 7.02");
    EXPECT_EQ(decoded.line, Head("(1)Firmware", 1) + "  Ver:<B>\"ZTB Ver: 7.02\"</B>");
    ASSERT_TRUE(decoded.firmware);
    EXPECT_EQ(decoded.firmware->panelText, "FIRMWARE:  \"ZTB Ver: 7.02\"");
    EXPECT_FALSE(decoded.readouts);
}

TEST(FirmwareReply, EmptyText)
{
    const DecodedFrame decoded = DecodeFirmware("");
    EXPECT_EQ(decoded.line, Head("(1)Firmware", 1) + "  Ver:<B>\"\"</B>");
    ASSERT_TRUE(decoded.firmware);
    EXPECT_EQ(decoded.firmware->panelText, "FIRMWARE:  \"\"");
    EXPECT_FALSE(decoded.firmware->majorVersion);
}

TEST(FirmwareReply, Latin1TextBecomesUtf8)
{
    const DecodedFrame decoded = DecodeFirmware("Versi\xF3n \xB0\xFF Ver: 7.1");
    EXPECT_EQ(decoded.line, Head("(1)Firmware", 1) + "  Ver:<B>\"Versión °ÿ Ver: 7.1\"</B>");
    ASSERT_TRUE(decoded.firmware);
    EXPECT_EQ(decoded.firmware->panelText, "FIRMWARE:  \"Versión °ÿ Ver: 7.1\"");
    EXPECT_EQ(decoded.firmware->majorVersion, 7);
}

TEST(FirmwareReply, TextEndsAtFirstZeroByte)
{
    const DecodedFrame decoded = DecodeFrame(Frame(129, 1, {'Z', 'T', 'B', 0, 'V', 'e', 'r', ':', ' ', '7', '.', '0'}));
    ASSERT_TRUE(decoded.firmware);
    EXPECT_EQ(decoded.firmware->panelText, "FIRMWARE:  \"ZTB\"");
    EXPECT_FALSE(decoded.firmware->majorVersion);
}

// Without a zero byte the text ends with the payload; the checksum field, here printable, is
// not part of it.
TEST(FirmwareReply, TextWithoutZeroEndsAtPayload)
{
    auto frame = Bytes(std::string("\0\x81\x01", 3) + "Ver: 6." + "7.1." + "\r\n");
    const DecodedFrame decoded = DecodeFrame(frame);
    ASSERT_TRUE(decoded.firmware);
    EXPECT_EQ(decoded.firmware->panelText, "FIRMWARE:  \"Ver: 6.\"");
    EXPECT_EQ(decoded.firmware->majorVersion, 6);

    const auto unterminated = Bytes(std::string("\0\x81\x01", 3) + "Ver: 6" + ".1.2" + "\r\n");
    const DecodedFrame noPoint = DecodeFrame(unterminated);
    ASSERT_TRUE(noPoint.firmware);
    EXPECT_EQ(noPoint.firmware->panelText, "FIRMWARE:  \"Ver: 6\"");
    EXPECT_FALSE(noPoint.firmware->majorVersion);
}

TEST(FirmwareReply, WrongChecksumStillAppliesVersion)
{
    auto payload = Bytes("Ver: 3.0");
    payload.push_back(0);
    auto frame = Frame(129, 1, payload);
    frame[frame.size() - 3] ^= 0x55;
    const DecodedFrame decoded = DecodeFrame(frame);
    ASSERT_TRUE(decoded.firmware);
    EXPECT_EQ(decoded.firmware->majorVersion, 3);
}

}  // namespace
}  // namespace orvek
