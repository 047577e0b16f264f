#include "commands/Catalogue.h"
#include "commands/Payload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace orvek {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Overrides = std::vector<std::pair<std::string, std::string>>;

// What the operator leaves in the dialog: the defaults, with some fields retyped.
class DialogEntry {
public:
    DialogEntry(const Command& command, const Overrides& overrides)
    {
        if (command.dialog != nullptr) {
            for (const DialogField& field : command.dialog->fields) {
                m_texts[std::string(field.name)] = std::string(field.defaultValue);
            }
        }
        for (const auto& [name, text] : overrides) {
            EXPECT_TRUE(m_texts.contains(name)) << "no field " << name;
            m_texts[name] = text;
        }
    }

    FieldTextLookup Lookup() const
    {
        return [this](std::string_view name) {
            const auto found = m_texts.find(std::string(name));
            if (found == m_texts.end()) {
                ADD_FAILURE() << "asked for a field the dialog does not have: \"" << name << "\"";
                return std::string();
            }
            return found->second;
        };
    }

private:
    std::map<std::string, std::string> m_texts;
};

std::variant<Bytes, FieldError> Build(int number, const Overrides& overrides)
{
    const Command* command = FindCommand(number);
    if (command == nullptr) {
        ADD_FAILURE() << "no command " << number;
        return Bytes{};
    }
    const DialogEntry entry(*command, overrides);
    return BuildMessage(*command, entry.Lookup());
}

template <typename Case>
std::string CaseName(const testing::TestParamInfo<Case>& info)
{
    return std::string(info.param.name);
}

// ConvertFieldValue

struct ConvertCase {
    std::string_view name;
    std::string_view text;
    FieldWidth width;
    std::variant<std::uint32_t, FieldError::Kind> expected;
};

void PrintTo(const ConvertCase& c, std::ostream* os) { *os << c.name; }

class ConvertFieldValueTest : public testing::TestWithParam<ConvertCase> {};

TEST_P(ConvertFieldValueTest, GivesTheValueOrRefuses)
{
    const ConvertCase& c = GetParam();
    const auto result = ConvertFieldValue(c.text, c.width, "Campo", "Campo (etichetta)");
    if (const auto* value = std::get_if<std::uint32_t>(&c.expected)) {
        ASSERT_TRUE(std::holds_alternative<std::uint32_t>(result)) << std::get<FieldError>(result).EnglishMessage();
        EXPECT_EQ(std::get<std::uint32_t>(result), *value);
        return;
    }
    ASSERT_TRUE(std::holds_alternative<FieldError>(result)) << "got " << std::get<std::uint32_t>(result);
    const FieldError& error = std::get<FieldError>(result);
    EXPECT_EQ(error.kind, std::get<FieldError::Kind>(c.expected));
    EXPECT_EQ(error.fieldName, "Campo");
    EXPECT_EQ(error.fieldLabel, "Campo (etichetta)");
    EXPECT_EQ(error.largest, LargestValue(c.width));
}

using Kind = FieldError::Kind;

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertFieldValueTest,
    testing::Values(ConvertCase{"EmptyIsZero", "", FieldWidth::U8, 0u}, ConvertCase{"Zero", "0", FieldWidth::U16, 0u},
                    ConvertCase{"LargestU8", "255", FieldWidth::U8, 255u},
                    ConvertCase{"AboveU8", "256", FieldWidth::U8, Kind::TooLarge},
                    ConvertCase{"LargestU16", "65535", FieldWidth::U16, 65535u},
                    ConvertCase{"AboveU16", "65536", FieldWidth::U16, Kind::TooLarge},
                    ConvertCase{"LargestU32", "4294967295", FieldWidth::U32, 4294967295u},
                    ConvertCase{"AboveU32", "4294967296", FieldWidth::U32, Kind::TooLarge},
                    ConvertCase{"AboveSigned32FitsU32", "2147483648", FieldWidth::U32, 2147483648u},
                    ConvertCase{"LeadingZeros", "000000000000000000000000000042", FieldWidth::U8, 42u},
                    ConvertCase{"AboveUnsigned64", "18446744073709551617", FieldWidth::U32, Kind::TooLarge},
                    ConvertCase{"HundredDigits",
                                std::string_view("9999999999999999999999999999999999999999"
                                                 "9999999999999999999999999999999999999999"
                                                 "99999999999999999999"),
                                FieldWidth::U32, Kind::TooLarge},
                    ConvertCase{"Negative", "-1", FieldWidth::U32, Kind::NotANumber},
                    ConvertCase{"PlusSign", "+5", FieldWidth::U8, Kind::NotANumber},
                    ConvertCase{"LeadingBlank", " 5", FieldWidth::U8, Kind::NotANumber},
                    ConvertCase{"TrailingBlank", "5 ", FieldWidth::U8, Kind::NotANumber},
                    ConvertCase{"Letters", "12a", FieldWidth::U16, Kind::NotANumber},
                    ConvertCase{"Hexadecimal", "0x10", FieldWidth::U16, Kind::NotANumber},
                    ConvertCase{"Decimal", "1.5", FieldWidth::U16, Kind::NotANumber},
                    ConvertCase{"NonAsciiDigit", "\xD9\xA3", FieldWidth::U8, Kind::NotANumber},
                    ConvertCase{"EmbeddedNul",
                                std::string_view("1\0"
                                                 "2",
                                                 3),
                                FieldWidth::U8, Kind::NotANumber},
                    // Text that is not a number is the clearer fault, whatever the digits before it.
                    ConvertCase{"TooLargeThenLetter", "99999999999x", FieldWidth::U8, Kind::NotANumber}),
    CaseName<ConvertCase>);

// Messages

struct MessageTextCase {
    std::string_view name;
    FieldError error;
    std::string_view italian;
    std::string_view english;
};

void PrintTo(const MessageTextCase& c, std::ostream* os) { *os << c.name; }

class FieldErrorMessageTest : public testing::TestWithParam<MessageTextCase> {};

TEST_P(FieldErrorMessageTest, NamesTheFieldAndItsLargestValue)
{
    const MessageTextCase& c = GetParam();
    EXPECT_EQ(c.error.ItalianMessage(), c.italian);
    EXPECT_EQ(c.error.EnglishMessage(), c.english);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldErrorMessageTest,
    testing::Values(MessageTextCase{"TooLarge",
                                    {Kind::TooLarge, "Frequenza", "Frequenza", 65535},
                                    "Il valore di \"Frequenza\" è troppo grande: il massimo è 65535.",
                                    "value for field Frequenza does not fit: the largest is 65535"},
                    MessageTextCase{"NotANumber",
                                    {Kind::NotANumber, "Frequenza", "Frequenza", 65535},
                                    "Il valore di \"Frequenza\" non è un numero intero da 0 a 65535.",
                                    "value for field Frequenza is not a whole number from 0 to 65535"},
                    // The operator knows the field by its label, the command line by its name.
                    MessageTextCase{"LabelDiffersFromName",
                                    {Kind::TooLarge, "Numero", "Quantità (0 tutti)", 65535},
                                    "Il valore di \"Quantità (0 tutti)\" è troppo grande: il massimo è 65535.",
                                    "value for field Numero does not fit: the largest is 65535"},
                    MessageTextCase{"LargestU32",
                                    {Kind::TooLarge, "Valore", "Valore", 4294967295},
                                    "Il valore di \"Valore\" è troppo grande: il massimo è 4294967295.",
                                    "value for field Valore does not fit: the largest is 4294967295"}),
    CaseName<MessageTextCase>);

// BuildMessage

struct BuildCase {
    std::string_view name;
    int number;
    Overrides overrides;
    Bytes expected;
};

void PrintTo(const BuildCase& c, std::ostream* os) { *os << c.name; }

class BuildMessageTest : public testing::TestWithParam<BuildCase> {};

TEST_P(BuildMessageTest, SendsCodeThenPayload)
{
    const BuildCase& c = GetParam();
    const auto result = Build(c.number, c.overrides);
    ASSERT_TRUE(std::holds_alternative<Bytes>(result)) << std::get<FieldError>(result).EnglishMessage();
    EXPECT_EQ(std::get<Bytes>(result), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Defaults, BuildMessageTest,
    testing::Values(BuildCase{"Beep4", 4, {}, {0x04, 0x09, 0xC4, 0x00, 0x5A, 0x00, 0x64}},
                    BuildCase{"ReaderId6", 6, {}, {0x06, 0x01}},
                    BuildCase{"Resend10", 10, {}, {0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00}},
                    BuildCase{"Redundancy13", 13, {}, {0x0D, 0x05}},
                    BuildCase{"ReleaseTime14", 14, {}, {0x0E, 0x00, 0xFA}},
                    BuildCase{"SessionStart16", 16, {}, {0x10, 0x00}},
                    BuildCase{"Photocell18", 18, {}, {0x12, 0x00, 0x64, 0x01, 0xF4, 0x00, 0x01}},
                    BuildCase{"WorkingMode19", 19, {}, {0x13, 0x00, 0x00}},
                    BuildCase{"Contact20", 20, {}, {0x14, 0x00}}, BuildCase{"Autostart51", 51, {}, {0x33, 0x00}},
                    BuildCase{"Sensitivity53", 53, {}, {0x35, 0x00, 0x03}},
                    BuildCase{"Hardware98", 98, {}, {0x62, 0x00, 0x00, 0x00, 0x00}}),
    CaseName<BuildCase>);

INSTANTIATE_TEST_SUITE_P(
    Typed, BuildMessageTest,
    testing::Values(
        BuildCase{"PlainReadFirmware", 1, {}, {0x01}}, BuildCase{"PlainResetMemory", 8, {}, {0x08}},
        BuildCase{"PlainReadSensitivity", 54, {}, {0x36}},
        BuildCase{"BeepFrequency9999", 4, {{"Frequenza", "9999"}}, {0x04, 0x27, 0x0F, 0x00, 0x5A, 0x00, 0x64}},
        BuildCase{"BeepDurationEmpty", 4, {{"Durata", ""}}, {0x04, 0x09, 0xC4, 0x00, 0x00, 0x00, 0x64}},
        BuildCase{"ReaderIdLargestByte", 6, {{"Valore", "255"}}, {0x06, 0xFF}},
        // "0 tutti": the largest progressive now goes out whole, not as 0.
        BuildCase{"ResendProgressiveLargest",
                  10,
                  {{"Progressivo", "4294967295"}},
                  {0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x00}},
        BuildCase{"ResendAllFields",
                  10,
                  {{"Progressivo", "305419896"}, {"Numero", "65535"}, {"Tipo", "1"}},
                  {0x0A, 0x12, 0x34, 0x56, 0x78, 0xFF, 0xFF, 0x01}},
        BuildCase{"RedundancyHintNotEnforced", 13, {{"Ridondanze", "99"}}, {0x0D, 0x63}},
        BuildCase{"ReleaseTimeLargest", 14, {{"Tempo", "65535"}}, {0x0E, 0xFF, 0xFF}},
        BuildCase{"PhotocellAllFields",
                  18,
                  {{"Tempo", "1000"}, {"Attesa", "3000"}, {"Tipo", "1"}, {"Fotocellula", "2"}},
                  {0x12, 0x03, 0xE8, 0x0B, 0xB8, 0x01, 0x02}},
        BuildCase{"WorkingModeAbsolute", 19, {{"Tipo", "1"}}, {0x13, 0x00, 0x01}},
        BuildCase{"AutostartStore", 51, {{"Tipo", "99"}}, {0x33, 0x63}},
        BuildCase{"SensitivityLevelHintNotEnforced", 53, {{"Booster", "1"}, {"Livello", "9"}}, {0x35, 0x01, 0x09}},
        BuildCase{"Hardware123456789", 98, {{"Valore", "123456789"}}, {0x62, 0x07, 0x5B, 0xCD, 0x15}},
        BuildCase{"HardwareLeadingZeros", 98, {{"Valore", "0000000099"}}, {0x62, 0x00, 0x00, 0x00, 0x63}}),
    CaseName<BuildCase>);

struct RefusedCase {
    std::string_view name;
    int number;
    Overrides overrides;
    FieldError::Kind kind;
    std::string_view fieldName;
    std::string_view fieldLabel;
    std::uint32_t largest;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class BuildMessageRefusedTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(BuildMessageRefusedTest, BuildsNothingAndNamesTheField)
{
    const RefusedCase& c = GetParam();
    const auto result = Build(c.number, c.overrides);
    ASSERT_TRUE(std::holds_alternative<FieldError>(result));
    const FieldError& error = std::get<FieldError>(result);
    EXPECT_EQ(error.kind, c.kind);
    EXPECT_EQ(error.fieldName, c.fieldName);
    EXPECT_EQ(error.fieldLabel, c.fieldLabel);
    EXPECT_EQ(error.largest, c.largest);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BuildMessageRefusedTest,
    testing::Values(
        RefusedCase{"ReaderId300", 6, {{"Valore", "300"}}, Kind::TooLarge, "Valore", "Valore (0-250)", 255},
        RefusedCase{"BeepFrequency70000", 4, {{"Frequenza", "70000"}}, Kind::TooLarge, "Frequenza", "Frequenza", 65535},
        RefusedCase{
            "ResendQuantity65536", 10, {{"Numero", "65536"}}, Kind::TooLarge, "Numero", "Quantità (0 tutti)", 65535},
        RefusedCase{"ResendProgressiveAboveU32",
                    10,
                    {{"Progressivo", "4294967296"}},
                    Kind::TooLarge,
                    "Progressivo",
                    "Progressivo (0 tutti)",
                    4294967295},
        RefusedCase{"HardwareAboveU32", 98, {{"Valore", "9999999999"}}, Kind::TooLarge, "Valore", "Valore", 4294967295},
        RefusedCase{"WorkingModeNotANumber",
                    19,
                    {{"Tipo", "-1"}},
                    Kind::NotANumber,
                    "Tipo",
                    "Tipo (0= Relativa, 1= Assoluta)",
                    255},
        RefusedCase{"SensitivityLabelWithTrailingBlank",
                    53,
                    {{"Livello", "256"}},
                    Kind::TooLarge,
                    "Livello",
                    "Livello (1-5 1= Sens. minima - 5= Sens. massima) ",
                    255},
        // Fields are checked in payload order; the first fault is the one reported.
        RefusedCase{"FirstFaultInPayloadOrder",
                    18,
                    {{"Tempo", "x"}, {"Fotocellula", "999"}},
                    Kind::NotANumber,
                    "Tempo",
                    "Tempo minimo interr. (0= disabilitato, 1000=Reset timer)",
                    65535}),
    CaseName<RefusedCase>);

TEST(BuildMessageTest, EveryDialogFieldLeftEmptyIsSentAsZero)
{
    for (const Command& command : Catalogue()) {
        if (command.kind != CommandKind::Dialog) {
            continue;
        }
        SCOPED_TRACE(command.caption);
        const auto message = BuildMessage(command, [](std::string_view) { return std::string(); });
        ASSERT_TRUE(std::holds_alternative<Bytes>(message));
        const Bytes& bytes = std::get<Bytes>(message);
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes[0], command.number);
        EXPECT_TRUE(std::all_of(bytes.begin() + 1, bytes.end(), [](std::uint8_t b) { return b == 0; }));
    }
}

TEST(BuildMessageTest, SetClockIsNotBuiltFromFields)
{
    const Command* setClock = FindCommand(3);
    ASSERT_NE(setClock, nullptr);
    EXPECT_THROW(BuildMessage(*setClock, [](std::string_view) { return std::string("0"); }), std::invalid_argument);
}

// SetClockMessage

struct ClockCase {
    std::string_view name;
    LocalDateTime now;
    Bytes expected;
};

void PrintTo(const ClockCase& c, std::ostream* os) { *os << c.name; }

class SetClockMessageTest : public testing::TestWithParam<ClockCase> {};

TEST_P(SetClockMessageTest, SendsYearMonthDayWeekdayAndTime)
{
    EXPECT_EQ(SetClockMessage(GetParam().now), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetClockMessageTest,
    testing::Values(
        ClockCase{"Sunday5May2024", {2024, 5, 5, 14, 7, 9}, {3, 0x18, 0x05, 0x05, 0x06, 0x0E, 0x07, 0x09}},
        ClockCase{"MondayNewYear2024", {2024, 1, 1, 0, 0, 0}, {3, 0x18, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00}},
        ClockCase{"LeapDay2000IsTuesday", {2000, 2, 29, 12, 30, 45}, {3, 0x00, 0x02, 0x1D, 0x01, 0x0C, 0x1E, 0x2D}},
        ClockCase{
            "LastSecondOf2099IsThursday", {2099, 12, 31, 23, 59, 59}, {3, 0x63, 0x0C, 0x1F, 0x03, 0x17, 0x3B, 0x3B}},
        ClockCase{"Friday31Dec1999", {1999, 12, 31, 8, 0, 0}, {3, 0x63, 0x0C, 0x1F, 0x04, 0x08, 0x00, 0x00}}),
    CaseName<ClockCase>);

}  // namespace
}  // namespace orvek
