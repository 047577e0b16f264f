#pragma once

#include "commands/Catalogue.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orvek {

std::uint32_t LargestValue(FieldWidth width);

// A field value that cannot be sent.
struct FieldError {
    enum class Kind : std::uint8_t { NotANumber, TooLarge };
    Kind kind;
    std::string_view fieldName;
    std::string_view fieldLabel;
    std::uint32_t largest;  // of the field's width

    std::string ItalianMessage() const;  // for the operator
    std::string EnglishMessage() const;  // for the command line
};

// Decimal digits of a field: empty gives 0; a value above the width's largest is TooLarge;
// anything but digits is NotANumber.
std::variant<std::uint32_t, FieldError> ConvertFieldValue(std::string_view text, FieldWidth width,
                                                          std::string_view fieldName, std::string_view fieldLabel);

// The message (code, then payload) of a Plain or Dialog command. fieldText gives the text of
// a dialog field by name. A SetClock command has no fields: it throws std::invalid_argument
// (use SetClockMessage).
using FieldTextLookup = std::function<std::string(std::string_view fieldName)>;
std::variant<std::vector<std::uint8_t>, FieldError> BuildMessage(const Command& command,
                                                                 const FieldTextLookup& fieldText);

struct LocalDateTime {
    int year;    // e.g. 2024
    int month;   // 1..12
    int day;     // 1..31
    int hour;    // 0..23
    int minute;  // 0..59
    int second;  // 0..59
};

// The set-clock message (code 3, 7 payload bytes; weekday 0 = Monday).
std::vector<std::uint8_t> SetClockMessage(const LocalDateTime& now);

}  // namespace orvek
