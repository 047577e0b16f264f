#include "decoding/LineWriter.h"

#include <charconv>

namespace orvek {

LineWriter& LineWriter::Text(std::string_view text)
{
    m_line.append(text);
    return *this;
}

LineWriter& LineWriter::Latin1(std::string_view text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            m_line.push_back(c);
        } else {
            m_line.push_back(static_cast<char>(0xC0 | byte >> 6));
            m_line.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return *this;
}

LineWriter& LineWriter::Decimal(std::optional<std::int64_t> value)
{
    if (!value) return Text(kMissing);
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, *value);
    m_line.append(digits, result.ptr);
    return *this;
}

LineWriter& LineWriter::TwoDigits(std::optional<std::uint8_t> value)
{
    if (value && *value < 10) m_line.push_back('0');
    return Decimal(value);
}

LineWriter& LineWriter::Grouped(std::optional<std::uint32_t> value)
{
    if (!value) return Text(kMissing);
    char digits[12];
    const auto result = std::to_chars(digits, digits + sizeof digits, *value);
    const auto count = static_cast<std::size_t>(result.ptr - digits);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0 && (count - i) % 3 == 0) m_line.push_back('\'');
        m_line.push_back(digits[i]);
    }
    return *this;
}

LineWriter& LineWriter::Tenths(std::optional<std::uint8_t> value)
{
    if (!value) return Text(kMissing);
    Decimal(*value / 10);
    m_line.push_back('.');
    m_line.push_back(static_cast<char>('0' + *value % 10));
    return *this;
}

LineWriter& LineWriter::OneDecimal(std::optional<float> value)
{
    if (!value) return Text(kMissing);
    // printf promotes a float to double; to_chars rounds the same exact binary value.
    char digits[64];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, static_cast<double>(*value), std::chars_format::fixed, 1);
    m_line.append(digits, result.ptr);
    return *this;
}

LineWriter& LineWriter::Sign(std::optional<std::uint8_t> signByte)
{
    if (!signByte) return Text(kMissing);
    m_line.push_back(*signByte == 0 ? '+' : '-');
    return *this;
}

}  // namespace orvek
