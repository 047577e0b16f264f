#include "commands/Catalogue.h"
#include "commands/Payload.h"
#include "fuzz/Require.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

using orvek::FieldError;
using orvek::FieldWidth;
using orvek::fuzz::Require;

namespace {

constexpr FieldWidth kWidths[] = {FieldWidth::U8, FieldWidth::U16, FieldWidth::U32};

std::size_t ByteCount(FieldWidth width) { return width == FieldWidth::U8 ? 1 : width == FieldWidth::U16 ? 2 : 4; }

bool IsDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The value of a digit text, or nothing when it does not fit in 64 bits.
std::optional<std::uint64_t> ValueOfDigits(std::string_view digits)
{
    const std::size_t firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string_view::npos) return 0;
    digits.remove_prefix(firstNonZero);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

void CheckError(const FieldError& error, std::string_view fieldName, FieldWidth width)
{
    Require(error.fieldName == fieldName, "error names its field");
    Require(error.largest == orvek::LargestValue(width), "error gives the width's largest value");
    Require(!error.ItalianMessage().empty() && !error.EnglishMessage().empty(), "error has messages");
    Require(error.EnglishMessage().find(fieldName) != std::string::npos, "English message names the field");
}

void CheckConversion(std::string_view text, FieldWidth width)
{
    const auto converted = orvek::ConvertFieldValue(text, width, "Campo", "Etichetta");
    const std::uint32_t largest = orvek::LargestValue(width);
    if (!IsDigits(text)) {
        const auto* error = std::get_if<FieldError>(&converted);
        Require(error != nullptr && error->kind == FieldError::Kind::NotANumber, "non-digits are not a number");
        CheckError(*error, "Campo", width);
        return;
    }
    const std::optional<std::uint64_t> value = ValueOfDigits(text);
    if (value && *value <= largest) {
        const auto* result = std::get_if<std::uint32_t>(&converted);
        Require(result != nullptr && *result == *value, "digits within the width give their value");
        return;
    }
    const auto* error = std::get_if<FieldError>(&converted);
    Require(error != nullptr && error->kind == FieldError::Kind::TooLarge, "digits past the width are too large");
    CheckError(*error, "Campo", width);
}

// Field texts are the input's lines, one per dialog field from the top.
void CheckMessage(const orvek::Command& command, std::string_view input)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= input.size()) {
        const std::size_t end = std::min(input.find('\n', start), input.size());
        lines.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }
    const auto fieldText = [&](std::string_view name) -> std::string {
        Require(command.dialog != nullptr, "only dialog commands look up field texts");
        const auto& fields = command.dialog->fields;
        const auto field = std::find_if(fields.begin(), fields.end(), [&](const auto& f) { return f.name == name; });
        Require(field != fields.end(), "looked-up name is a field of the dialog");
        const auto index = static_cast<std::size_t>(field - fields.begin());
        return index < lines.size() ? lines[index] : std::string{};
    };

    const auto built = orvek::BuildMessage(command, fieldText);
    // The message must be the field conversions laid out big-endian, or the first failing one.
    std::vector<std::uint8_t> expected{static_cast<std::uint8_t>(command.number)};
    for (const orvek::PayloadItem& item : command.payload) {
        std::uint32_t value = 0;
        if (!item.fieldName.empty()) {
            const std::string text = fieldText(item.fieldName);
            const auto converted = orvek::ConvertFieldValue(text, item.width, item.fieldName, item.fieldName);
            if (const auto* error = std::get_if<FieldError>(&converted)) {
                const auto* builtError = std::get_if<FieldError>(&built);
                Require(builtError != nullptr && builtError->kind == error->kind, "first bad field stops the message");
                CheckError(*builtError, item.fieldName, item.width);
                return;
            }
            value = std::get<std::uint32_t>(converted);
        }
        for (std::size_t k = ByteCount(item.width); k-- > 0;) {
            expected.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
        }
    }
    const auto* message = std::get_if<std::vector<std::uint8_t>>(&built);
    Require(message != nullptr && *message == expected, "message is the code and the fields big-endian");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::string_view text{reinterpret_cast<const char*>(data) + 1, size - 1};
    CheckConversion(text, kWidths[data[0] % 3]);

    const auto catalogue = orvek::Catalogue();
    const orvek::Command& command = catalogue[data[0] % catalogue.size()];
    if (command.kind != orvek::CommandKind::SetClock) CheckMessage(command, text);
    return 0;
}
