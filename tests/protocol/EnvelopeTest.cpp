#include "protocol/Envelope.h"

#include "tests/protocol/TestFrames.h"

#include <gtest/gtest.h>

#include <ostream>

namespace orvek {
namespace {

using test::Bytes;

const Bytes kReadClock{0x00, 0x05, 0x01, 0x00, 0x00, 0x00, 0x03, 0x0D, 0x0A};

Bytes Decode(std::string_view text)
{
    Bytes out(DecodedCapacity(text));
    out.resize(DecodeEnvelope(text, out));
    return out;
}

struct EncodeCase {
    const char* name;
    Bytes frame;
    std::string envelope;

    friend void PrintTo(const EncodeCase& c, std::ostream* os) { *os << c.name; }
};

class EncodeEnvelopeTest : public testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeEnvelopeTest, GivesTheGoldenTextAndDecodesBack)
{
    const EncodeCase& c = GetParam();
    const std::string text = EncodeEnvelope(c.frame);
    EXPECT_EQ(text, c.envelope);
    EXPECT_EQ(text.size(), 4 * ((c.frame.size() + 2) / 3) + 2);
    EXPECT_EQ(Decode(text), c.frame);
}

INSTANTIATE_TEST_SUITE_P(
    Golden, EncodeEnvelopeTest,
    testing::Values(
        EncodeCase{"ReadClockCommand", kReadClock, "{AAUBAAAAAw0K}"},
        EncodeCase{"ErrorReply",
                   {0x00, 0xFF, 0x01, 0x05, 0x01, 0x00, 0x00, 0x00, 0x01, 0x06, 0x0D, 0x0A},
                   "{AP8BBQEAAAABBg0K}"},
        EncodeCase{
            "TenBytesTwoPads", {0x00, 0x04, 0x01, 0x01, 0x00, 0x00, 0x00, 0x03, 0x0D, 0x0A}, "{AAQBAQAAAAMNCg==}"},
        EncodeCase{"ElevenBytesOnePad",
                   {0x00, 0x04, 0x01, 0x01, 0x02, 0x00, 0x00, 0x00, 0x04, 0x0D, 0x0A},
                   "{AAQBAQIAAAAEDQo=}"},
        EncodeCase{"AllSixtyFourCharacters",
                   {0x00, 0x10, 0x83, 0x10, 0x51, 0x87, 0x20, 0x92, 0x8B, 0x30, 0xD3, 0x8F, 0x41, 0x14, 0x93, 0x51,
                    0x55, 0x97, 0x61, 0x96, 0x9B, 0x71, 0xD7, 0x9F, 0x82, 0x18, 0xA3, 0x92, 0x59, 0xA7, 0xA2, 0x9A,
                    0xAB, 0xB2, 0xDB, 0xAF, 0xC3, 0x1C, 0xB3, 0xD3, 0x5D, 0xB7, 0xE3, 0x9E, 0xBB, 0xF3, 0xDF, 0xBF},
                   "{ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/}"},
        EncodeCase{"Empty", {}, "{}"}),
    [](const testing::TestParamInfo<EncodeCase>& info) { return std::string(info.param.name); });

struct DecodeCase {
    const char* name;
    std::string text;
    Bytes expected;

    friend void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }
};

class DecodeEnvelopeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeEnvelopeTest, IsLenient) { EXPECT_EQ(Decode(GetParam().text), GetParam().expected); }

const Bytes kTenBytes{0x00, 0x04, 0x01, 0x01, 0x00, 0x00, 0x00, 0x03, 0x0D, 0x0A};

INSTANTIATE_TEST_SUITE_P(Cases, DecodeEnvelopeTest,
                         testing::Values(DecodeCase{"WithBraces", "{AAUBAAAAAw0K}", kReadClock},
                                         DecodeCase{"WithoutBraces", "AAUBAAAAAw0K", kReadClock},
                                         DecodeCase{"BlanksCrLfAndHighBytesAnywhere",
                                                    " {AA\r\nUB AAA\x80\xFF"
                                                    "AAw0K}\n",
                                                    kReadClock},
                                         DecodeCase{"EmptyText", "", {}}, DecodeCase{"OnlyBraces", "{}", {}},
                                         DecodeCase{"ThirteenValidCharacters", "{AAUBAAAAAw0KA}", {}},
                                         DecodeCase{"TwoUnpaddedEnvelopesBackToBack", "{AAUBAAAAAw0K}{AAUBAAAAAw0K}",
                                                    test::Join({kReadClock, kReadClock})},
                                         DecodeCase{"PaddedFirstEnvelopeHidesTheSecond",
                                                    "{AAQBAQAAAAMNCg==}{AAUBAAAAAw0K}", kTenBytes},
                                         DecodeCase{"OnePadAnywhereInTheGroupGivesTwoBytes", "A=AA", {0x00, 0x00}},
                                         DecodeCase{"TwoPadsGiveOneByte", "/w==", {0xFF}},
                                         DecodeCase{"ThreePadsCancelEverything", "{AAUBAAAAAw0K}A===", {}},
                                         DecodeCase{"FourPadsCancelEverything", "AAUB====", {}},
                                         DecodeCase{"SeparatorsOnly", "{ \r\n}", {}}),
                         [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

TEST(DecodeEnvelope, NeverWritesPastTheOutput)
{
    Bytes buffer(12, 0xEE);
    EXPECT_EQ(DecodeEnvelope("{AAUBAAAAAw0K}", std::span(buffer).first(8)), 0u);
    EXPECT_EQ(Bytes(buffer.begin() + 8, buffer.end()), Bytes(4, 0xEE));
    // Room for the bytes before the padding is enough.
    EXPECT_EQ(DecodeEnvelope("{/w==AAAA}", std::span(buffer).first(3)), 1u);
    EXPECT_EQ(buffer[0], 0xFF);
}

TEST(DecodedCapacity, CountsThreeBytesPerFourValidCharacters)
{
    EXPECT_EQ(DecodedCapacity("{AAUBAAAAAw0K}"), 9u);
    EXPECT_EQ(DecodedCapacity("{AAQBAQAAAAMNCg==}"), 12u);
    EXPECT_EQ(DecodedCapacity("{ABC}"), 0u);
}

}  // namespace
}  // namespace orvek
