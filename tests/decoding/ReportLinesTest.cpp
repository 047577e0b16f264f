#include "decoding/DecodeFrame.h"
#include "tests/decoding/Frames.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace orvek {
namespace {

using test::Frame;
using test::Head;

const std::string kPass = "<FONT bgcolor=\"clFuchsia\" color=\"clWhite\">";
const std::string kLime = "<FONT bgcolor=\"clLime\">";
const std::string kGreen = "<FONT bgcolor=\"clGreen\" color=\"#98FB98\">";

// Passing report payload with the fields that the cases vary.
struct Passing {
    std::vector<std::uint8_t> transponderId = {0x00, 0x01, 0xE2, 0x40};
    std::vector<std::uint8_t> redundancy = {0x01, 0x2C};
    std::uint8_t battery = 0;
    std::vector<std::uint8_t> tail = {0x00, 0x00};

    std::vector<std::uint8_t> Payload() const
    {
        std::vector<std::uint8_t> payload = {24, 5, 7, 9, 8, 7, 0x00, 0x00, 0x01, 0x00};
        payload.insert(payload.end(), transponderId.begin(), transponderId.end());
        payload.insert(payload.end(), {0xFF, 0xFF, 0xFF, 0x9C});
        payload.insert(payload.end(), redundancy.begin(), redundancy.end());
        payload.push_back(battery);
        payload.insert(payload.end(), tail.begin(), tail.end());
        return payload;
    }
};

std::string PassingLine(int code, const std::string& transponderId, const std::string& redundancy,
                        const std::string& batteryFont, int battery)
{
    return kPass + "<B>(" + std::to_string(code) + ")PASS</B></FONT> " + test::kId + "ID(3)</FONT>" +
           "  data(aa-mm-gg):" + kLime + " <B>24-05-07</B> </FONT>  ora(hh.mm.ss):" + kLime +
           " <B>09.08.07</B> </FONT>  Prog:<B>256</B>" + "  Transp.ID:" + kGreen + "<B> " + transponderId +
           " </B></FONT>  Tempo:" + kLime + "<B> -100 </B></FONT>  Ridond.:" + kLime + "<B> " + redundancy +
           " </B></FONT>" + "  Batt:" + batteryFont + "<B> " + std::to_string(battery) + " </B></FONT>";
}

struct PassingCase {
    std::string name;
    std::uint8_t code;
    Passing passing;
    std::string line;
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const PassingCase& testCase, std::ostream* out) { *out << testCase.name; }

class PassingReport : public testing::TestWithParam<PassingCase> {};

TEST_P(PassingReport, IsDecodedExactly)
{
    const auto& param = GetParam();
    const DecodedFrame decoded = DecodeFrame(Frame(param.code, 3, param.passing.Payload()));
    EXPECT_EQ(decoded.line, param.line);
    EXPECT_FALSE(decoded.readouts);
    EXPECT_FALSE(decoded.firmware);
}

Passing WithBattery(std::uint8_t battery)
{
    Passing passing;
    passing.battery = battery;
    return passing;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PassingReport,
    testing::Values(PassingCase{"Code80", 80, Passing{}, PassingLine(80, "123456", "300", "<FONT >", 0)},
                    PassingCase{"Code90", 90, Passing{}, PassingLine(90, "123456", "300", "<FONT >", 0)},
                    PassingCase{"BatteryLowOnRed", 80, WithBattery(1),
                                PassingLine(80, "123456", "300", "<FONT bgcolor=\"clRed\">", 1)},
                    PassingCase{"Battery2Plain", 80, WithBattery(2), PassingLine(80, "123456", "300", "<FONT >", 2)},
                    PassingCase{"Battery255Plain", 80, WithBattery(255),
                                PassingLine(80, "123456", "300", "<FONT >", 255)},
                    PassingCase{"NegativeTransponderId", 80, Passing{.transponderId = {0xFF, 0xFF, 0xFF, 0xFE}},
                                PassingLine(80, "-2", "300", "<FONT >", 0)},
                    PassingCase{"RedundancyUnsigned", 90, Passing{.redundancy = {0xFF, 0xFF}},
                                PassingLine(90, "123456", "65535", "<FONT >", 0)},
                    PassingCase{"TrailingBytesIgnored", 80, Passing{.tail = {0xFF, 0x7E}},
                                PassingLine(80, "123456", "300", "<FONT >", 0)}),
    [](const auto& info) { return info.param.name; });

struct StatusCase {
    std::string name;
    std::vector<std::uint8_t> payload;
    std::string tail;  // the line from "  Umidità:" on
    std::string temperature;
    std::string power;
};

void PrintTo(const StatusCase& testCase, std::ostream* out) { *out << testCase.name; }

class StatusReport : public testing::TestWithParam<StatusCase> {};

const std::string kStatusStart =
    Head("(81)Stato>", 5) +
    "  data(aa-mm-gg):<B>24-12-01</B>  ora(hh.mm.ss):<B>13.04.59</B>  Prog:<B>-16777216</B>"
    "  Disturbo:<B>42</B>";

std::vector<std::uint8_t> StatusPayload(std::vector<std::uint8_t> fromHumidity)
{
    std::vector<std::uint8_t> payload = {24, 12, 1, 13, 4, 59, 0xFF, 0x00, 0x00, 0x00, 42};
    payload.insert(payload.end(), fromHumidity.begin(), fromHumidity.end());
    return payload;
}

TEST_P(StatusReport, SetsLineThenReadouts)
{
    const auto& param = GetParam();
    const DecodedFrame decoded = DecodeFrame(Frame(81, 5, param.payload));
    EXPECT_EQ(decoded.line, kStatusStart + param.tail);
    ASSERT_TRUE(decoded.readouts);
    EXPECT_EQ(decoded.readouts->temperature, param.temperature);
    EXPECT_EQ(decoded.readouts->power, param.power);
    EXPECT_FALSE(decoded.firmware);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatusReport,
    testing::Values(
        StatusCase{"ReadoutsShowInternalTemperature", StatusPayload({55, 1, 3, 126, 0, 23, 2}),
                   "  Umidità:<B>55</B>  Temp.Ext:<B>-3</B>  Volt:<B>12.6</B>  Temp.Int:<B>+23</B>  Antenna:<B>2</B>",
                   "+23°", "12.6V"},
        StatusCase{"NegativeInternal", StatusPayload({0, 0, 10, 120, 1, 5, 0}),
                   "  Umidità:<B>0</B>  Temp.Ext:<B>+10</B>  Volt:<B>12.0</B>  Temp.Int:<B>-5</B>  Antenna:<B>0</B>",
                   "-5°", "12.0V"},
        StatusCase{"PlusZero", StatusPayload({1, 0, 0, 0, 0, 0, 1}),
                   "  Umidità:<B>1</B>  Temp.Ext:<B>+0</B>  Volt:<B>0.0</B>  Temp.Int:<B>+0</B>  Antenna:<B>1</B>",
                   "+0°", "0.0V"},
        StatusCase{"MinusZeroAndAnyNonZeroSign", StatusPayload({100, 255, 255, 255, 7, 0, 255}),
                   "  Umidità:<B>100</B>  Temp.Ext:<B>-255</B>  Volt:<B>25.5</B>  Temp.Int:<B>-0</B>  "
                   "Antenna:<B>255</B>",
                   "-0°", "25.5V"},
        StatusCase{"SingleTenth", StatusPayload({1, 0, 0, 1, 0, 0, 1}),
                   "  Umidità:<B>1</B>  Temp.Ext:<B>+0</B>  Volt:<B>0.1</B>  Temp.Int:<B>+0</B>  Antenna:<B>1</B>",
                   "+0°", "0.1V"}),
    [](const auto& info) { return info.param.name; });

TEST(StatusReportChecksum, WrongChecksumStillSetsReadouts)
{
    auto frame = Frame(81, 5, StatusPayload({55, 1, 3, 126, 0, 23, 2}));
    frame[frame.size() - 3] ^= 0x01;
    const DecodedFrame decoded = DecodeFrame(frame);
    ASSERT_TRUE(decoded.readouts);
    EXPECT_EQ(decoded.readouts->temperature, "+23°");
    EXPECT_EQ(decoded.readouts->power, "12.6V");
}

TEST(TransponderReport, StandingAndContact)
{
    const std::vector<std::uint8_t> id = {0x00, 0x01, 0xE2, 0x40};
    const std::string transponder = "  Transp.ID:" + kGreen + "<B> 123456 </B></FONT>";
    EXPECT_EQ(DecodeFrame(Frame(83, 2, id)).line, Head("(83)Transponder fermo su antenna>", 2) + transponder);
    EXPECT_EQ(DecodeFrame(Frame(85, 2, id)).line, Head("(85)Contatto transponder", 2) + transponder);
    EXPECT_EQ(DecodeFrame(Frame(85, 2, {0xFF, 0xFF, 0xFF, 0xFE, 0x11})).line,
              Head("(85)Contatto transponder", 2) + "  Transp.ID:" + kGreen + "<B> -2 </B></FONT>");
}

}  // namespace
}  // namespace orvek
