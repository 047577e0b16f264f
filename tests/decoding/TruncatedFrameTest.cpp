#include "decoding/DecodeFrame.h"
#include "tests/decoding/Frames.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace orvek {
namespace {

using test::Frame;
using test::Head;

// The bytes copied to a heap block of exactly their size, so that a read past the end is
// caught by AddressSanitizer.
DecodedFrame DecodeExact(const std::vector<std::uint8_t>& bytes)
{
    const auto block = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), block.get());
    return DecodeFrame({block.get(), bytes.size()});
}

struct TruncatedCase {
    std::string name;
    std::vector<std::uint8_t> frame;
    std::string line;
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const TruncatedCase& testCase, std::ostream* out) { *out << testCase.name; }

class TruncatedFrame : public testing::TestWithParam<TruncatedCase> {};

TEST_P(TruncatedFrame, MissingFieldsShowQuestionMark)
{
    EXPECT_EQ(DecodeExact(GetParam().frame).line, GetParam().line);
}

const std::string kGreen = "<FONT bgcolor=\"clGreen\" color=\"#98FB98\">";

INSTANTIATE_TEST_SUITE_P(
    Cases, TruncatedFrame,
    testing::Values(
        TruncatedCase{"Empty", {}, ""}, TruncatedCase{"StartByteOnly", {0x00}, ""},
        TruncatedCase{"NoReaderId", {0x00, 131}, ""},
        TruncatedCase{"HeadOnly", {0x00, 131, 4}, Head("(3)Imposta orario", 4) + "  Comando:<B>?</B>"},
        TruncatedCase{
            "ShortOfChecksum", {0x00, 131, 4, 0, 0, 0, 0, 0x0D}, Head("(3)Imposta orario", 4) + "  Comando:<B>?</B>"},
        TruncatedCase{"OutcomeWithoutPayload", Frame(131, 4, {}), Head("(3)Imposta orario", 4) + "  Comando:<B>?</B>"},
        TruncatedCase{"ResendWithoutPayload", Frame(138, 1, {}),
                      Head("(10)Rimanda passaggio", 1) + "  Comando:<B>?</B>"},
        TruncatedCase{"GpsWithoutPayload", Frame(183, 1, {}), Head("(55)Reset GPS", 1) + "  Comando:<B>?</B>"},
        TruncatedCase{"FreeMemoryThreeBytes", Frame(130, 1, {0x00, 0x01, 0x86}),
                      Head("(2)Memoria Libera", 1) + "  Totale:<B>?</B>  Libera:<B>?</B>"},
        TruncatedCase{"FreeMemoryCountWithoutLibera", Frame(130, 1, {0x00, 0x00, 0x03, 0xE7, 0x00}),
                      Head("(2)Memoria Libera", 1) + "  Totale:<B>999</B>  Libera:<B>?</B>"},
        TruncatedCase{"FreeMemoryPercentWithoutLibera", Frame(130, 1, {0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x03}),
                      Head("(2)Memoria Libera", 1) + "  Totale:<B>1'048'576</B>  Libera:<B>?%</B>"},
        // A clock reply cut short at an inner CR LF, as the TCP receiver may hand it over.
        TruncatedCase{"ClockCutAfterFiveBytes", Frame(133, 2, {24, 5, 7, 3, 9}),
                      Head("(5)Leggi orario", 2) +
                          "  data(aa-mm-gg):<B>24-05-07</B>  ora(hh.mm.ss):<B>09.?.?</B>  Sett:<B>3</B>"},
        TruncatedCase{"QueryWithoutProgA", Frame(137, 3, {0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}),
                      Head("(9)Interroga transiti", 3) + "  Num:<B>2</B>  Prog.Da:<B>1</B>  Prog.A:<B>?</B>"},
        TruncatedCase{"SensitivityWithoutLevel", Frame(182, 9, {1}),
                      Head("(54)Consulta sensibilità", 9) + "  Booster:<B>1</B>  Livello:<B>?</B>"},
        TruncatedCase{"ErrorWithCommandOnly", Frame(255, 7, {3}),
                      "ERRORE!!  ID(7)  Comando:<B>\"3\"</B>  Tipo:<B>? </B>  Parametro:<B>?</B>"},
        TruncatedCase{"ContactWithTwoBytes", Frame(85, 2, {0x00, 0x01}),
                      Head("(85)Contatto transponder", 2) + "  Transp.ID:" + kGreen + "<B> ? </B></FONT>"},
        TruncatedCase{"FirmwareWithoutPayload", Frame(129, 1, {}), Head("(1)Firmware", 1) + "  Ver:<B>\"\"</B>"}),
    [](const auto& info) { return info.param.name; });

TEST(TruncatedStatusReport, ReadoutsShowMissingFields)
{
    const DecodedFrame decoded = DecodeExact(Frame(81, 5, {24, 12, 1, 13, 4, 59, 0, 0, 0, 1, 42, 55, 0, 3, 126, 1}));
    EXPECT_EQ(decoded.line, Head("(81)Stato>", 5) +
                                "  data(aa-mm-gg):<B>24-12-01</B>  ora(hh.mm.ss):<B>13.04.59</B>  Prog:<B>1</B>"
                                "  Disturbo:<B>42</B>  Umidità:<B>55</B>  Temp.Ext:<B>+3</B>  Volt:<B>12.6</B>"
                                "  Temp.Int:<B>-?</B>  Antenna:<B>?</B>");
    ASSERT_TRUE(decoded.readouts);
    EXPECT_EQ(decoded.readouts->temperature, "-?°");
    EXPECT_EQ(decoded.readouts->power, "12.6V");

    const DecodedFrame empty = DecodeExact(Frame(81, 5, {}));
    ASSERT_TRUE(empty.readouts);
    EXPECT_EQ(empty.readouts->temperature, "??°");
    EXPECT_EQ(empty.readouts->power, "?V");
}

void ExpectSameDecoding(const DecodedFrame& actual, const DecodedFrame& expected, const std::string& where)
{
    EXPECT_EQ(actual.line, expected.line) << where;
    ASSERT_EQ(actual.readouts.has_value(), expected.readouts.has_value()) << where;
    if (actual.readouts) {
        EXPECT_EQ(actual.readouts->temperature, expected.readouts->temperature) << where;
        EXPECT_EQ(actual.readouts->power, expected.readouts->power) << where;
    }
    ASSERT_EQ(actual.firmware.has_value(), expected.firmware.has_value()) << where;
    if (actual.firmware) {
        EXPECT_EQ(actual.firmware->panelText, expected.firmware->panelText) << where;
        EXPECT_EQ(actual.firmware->majorVersion, expected.firmware->majorVersion) << where;
    }
}

// Every code at every length up to past the longest layout: nothing is read outside the
// span (checked under AddressSanitizer), and the checksum field and CR LF never show.
TEST(FrameBounds, TrailerNeverReadAsData)
{
    for (int code = 0; code < 256; ++code) {
        for (std::size_t size = 0; size <= 40; ++size) {
            std::vector<std::uint8_t> frame(size);
            for (std::size_t i = 0; i < size; ++i)
                frame[i] = static_cast<std::uint8_t>('0' + (i * 7 + static_cast<std::size_t>(code)) % 10);
            if (size > 1) frame[1] = static_cast<std::uint8_t>(code);
            const DecodedFrame decoded = DecodeExact(frame);
            if (size < 9) continue;
            for (std::size_t i = size - 6; i < size; ++i) frame[i] = static_cast<std::uint8_t>(frame[i] ^ 0x5A);
            ExpectSameDecoding(DecodeExact(frame), decoded,
                               "code " + std::to_string(code) + ", size " + std::to_string(size));
        }
    }
}

}  // namespace
}  // namespace orvek
