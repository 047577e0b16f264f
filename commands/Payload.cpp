#include "commands/Payload.h"

#include <chrono>
#include <stdexcept>

namespace orvek {

namespace {

int ByteCount(FieldWidth width)
{
    switch (width) {
        case FieldWidth::U8:
            return 1;
        case FieldWidth::U16:
            return 2;
        case FieldWidth::U32:
            return 4;
    }
    return 4;
}

void AppendBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, FieldWidth width)
{
    for (int shift = 8 * (ByteCount(width) - 1); shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::string_view LabelOf(const Command& command, std::string_view fieldName)
{
    if (command.dialog != nullptr) {
        for (const DialogField& field : command.dialog->fields) {
            if (field.name == fieldName) {
                return field.label;
            }
        }
    }
    return fieldName;
}

}  // namespace

std::uint32_t LargestValue(FieldWidth width)
{
    switch (width) {
        case FieldWidth::U8:
            return 0xFF;
        case FieldWidth::U16:
            return 0xFFFF;
        case FieldWidth::U32:
            return 0xFFFFFFFF;
    }
    return 0xFFFFFFFF;
}

std::string FieldError::ItalianMessage() const
{
    const std::string field = "\"" + std::string(fieldLabel) + "\"";
    const std::string largestText = std::to_string(largest);
    switch (kind) {
        case Kind::NotANumber:
            return "Il valore di " + field + " non è un numero intero da 0 a " + largestText + ".";
        case Kind::TooLarge:
            return "Il valore di " + field + " è troppo grande: il massimo è " + largestText + ".";
    }
    return {};
}

std::string FieldError::EnglishMessage() const
{
    const std::string field = std::string(fieldName);
    const std::string largestText = std::to_string(largest);
    switch (kind) {
        case Kind::NotANumber:
            return "value for field " + field + " is not a whole number from 0 to " + largestText;
        case Kind::TooLarge:
            return "value for field " + field + " does not fit: the largest is " + largestText;
    }
    return {};
}

std::variant<std::uint32_t, FieldError> ConvertFieldValue(std::string_view text, FieldWidth width,
                                                          std::string_view fieldName, std::string_view fieldLabel)
{
    const std::uint32_t largest = LargestValue(width);
    bool tooLarge = false;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return FieldError{FieldError::Kind::NotANumber, fieldName, fieldLabel, largest};
        }
        // Stop accumulating once past the largest, so any number of digits stays in range.
        if (!tooLarge) {
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
            tooLarge = value > largest;
        }
    }
    if (tooLarge) {
        return FieldError{FieldError::Kind::TooLarge, fieldName, fieldLabel, largest};
    }
    return static_cast<std::uint32_t>(value);
}

std::variant<std::vector<std::uint8_t>, FieldError> BuildMessage(const Command& command,
                                                                 const FieldTextLookup& fieldText)
{
    if (command.kind == CommandKind::SetClock) {
        throw std::invalid_argument("the set-clock message is built by SetClockMessage");
    }
    std::vector<std::uint8_t> message{static_cast<std::uint8_t>(command.number)};
    for (const PayloadItem& item : command.payload) {
        if (item.fieldName.empty()) {
            AppendBigEndian(message, 0, item.width);
            continue;
        }
        auto converted =
            ConvertFieldValue(fieldText(item.fieldName), item.width, item.fieldName, LabelOf(command, item.fieldName));
        if (const auto* error = std::get_if<FieldError>(&converted)) {
            return *error;
        }
        AppendBigEndian(message, std::get<std::uint32_t>(converted), item.width);
    }
    return message;
}

std::vector<std::uint8_t> SetClockMessage(const LocalDateTime& now)
{
    using namespace std::chrono;
    const year_month_day date{year{now.year}, month{static_cast<unsigned>(now.month)},
                              day{static_cast<unsigned>(now.day)}};
    // The reader counts weekdays from Monday = 0; ISO counts Monday = 1 to Sunday = 7.
    const unsigned weekdayFromMonday = weekday{sys_days{date}}.iso_encoding() - 1;
    return {
        3,
        static_cast<std::uint8_t>((now.year % 100 + 100) % 100),
        static_cast<std::uint8_t>(now.month),
        static_cast<std::uint8_t>(now.day),
        static_cast<std::uint8_t>(weekdayFromMonday),
        static_cast<std::uint8_t>(now.hour),
        static_cast<std::uint8_t>(now.minute),
        static_cast<std::uint8_t>(now.second),
    };
}

}  // namespace orvek
