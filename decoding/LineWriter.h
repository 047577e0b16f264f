#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvek {

// Appends the parts of a decoded line to a string, as the line's printf-style conversions
// would print them, independent of any locale. A field that the frame does not hold
// (std::nullopt) is written as kMissing in place of its value.
class LineWriter {
public:
    static constexpr std::string_view kMissing = "?";

    explicit LineWriter(std::string& line) : m_line(line) {}

    LineWriter& Text(std::string_view text);
    LineWriter& Latin1(std::string_view text);                 // converted to UTF-8
    LineWriter& Decimal(std::optional<std::int64_t> value);    // "%d"
    LineWriter& TwoDigits(std::optional<std::uint8_t> value);  // "%02d"
    LineWriter& Grouped(std::optional<std::uint32_t> value);   // "1'048'576"
    LineWriter& Tenths(std::optional<std::uint8_t> value);     // "%.1f" of value / 10.0
    LineWriter& OneDecimal(std::optional<float> value);        // "%.1f"
    LineWriter& Sign(std::optional<std::uint8_t> signByte);    // "%c": 0 is '+', anything else '-'

private:
    std::string& m_line;
};

}  // namespace orvek
