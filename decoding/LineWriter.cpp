#include "decoding/LineWriter.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <limits>

namespace orvek {

namespace {

constexpr std::array<std::uint32_t, 10> kPowersOfTen = {
    1, 10, 100, 1'000, 10'000, 100'000, 1'000'000, 10'000'000, 100'000'000, 1'000'000'000,
};

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

std::size_t DigitCount(std::uint32_t value)
{
    // About 1233 / 4096 decimal digits per bit; one comparison settles the estimate.
    const auto estimate = static_cast<std::size_t>(std::bit_width(value | 1) * 1233 >> 12);
    return estimate + 1 - (value < kPowersOfTen[estimate]);
}

// Writes the digits of value so that they end at end. Four digits are split off at a time and
// their two pairs looked up apart, which keeps the chain of divisions short.
void WriteDigitsBefore(char* end, std::uint32_t value)
{
    while (value >= 10'000) {
        const std::uint32_t four = value % 10'000;
        value /= 10'000;
        end -= 4;
        std::memcpy(end, kDigitPairs + 2 * (four / 100), 2);
        std::memcpy(end + 2, kDigitPairs + 2 * (four % 100), 2);
    }
    if (value >= 100) {
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * (value % 100), 2);
        value /= 100;
    }
    if (value >= 10)
        std::memcpy(end - 2, kDigitPairs + 2 * value, 2);
    else
        end[-1] = static_cast<char>('0' + value);
}

}  // namespace

LineWriter::LineWriter(std::string& line, std::size_t from) : m_line(line)
{
    line.resize(line.capacity());
    m_end = line.data() + from;
    m_limit = line.data() + line.size();
}

void LineWriter::Grow(std::size_t count)
{
    const auto used = static_cast<std::size_t>(m_end - m_line.data());
    m_line.resize(used + count);
    // The string grows its capacity geometrically; all of it is room for later parts.
    m_line.resize(m_line.capacity());
    m_end = m_line.data() + used;
    m_limit = m_line.data() + m_line.size();
}

LineWriter& LineWriter::Missing() { return Text(kMissing); }

LineWriter& LineWriter::LongDecimal(std::int64_t value)
{
    const std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    if (magnitude > std::numeric_limits<std::uint32_t>::max()) {
        char digits[20];  // "-9223372036854775808"
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        return Text(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
    }
    // Frame fields are 32 bits at most, which 32-bit arithmetic converts faster. Exactly the
    // room needed is asked for, so that a short text stays within a string's own buffer.
    const auto digits = static_cast<std::uint32_t>(magnitude);
    const std::size_t count = DigitCount(digits);
    char* out = Room(count + (value < 0 ? 1 : 0));
    if (value < 0) *out++ = '-';
    m_end = out + count;
    WriteDigitsBefore(m_end, digits);
    return *this;
}

LineWriter& LineWriter::Latin1(std::string_view text)
{
    char* out = Room(2 * text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            *out++ = c;
        } else {
            *out++ = static_cast<char>(0xC0 | byte >> 6);
            *out++ = static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    m_end = out;
    return *this;
}

LineWriter& LineWriter::Grouped(std::optional<std::uint32_t> value)
{
    if (!value) return Missing();
    char digits[10];
    const auto result = std::to_chars(digits, digits + sizeof digits, *value);
    const auto count = static_cast<std::size_t>(result.ptr - digits);
    char* out = Room(count + count / 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0 && (count - i) % 3 == 0) *out++ = '\'';
        *out++ = digits[i];
    }
    m_end = out;
    return *this;
}

LineWriter& LineWriter::Tenths(std::optional<std::uint8_t> value)
{
    if (!value) return Missing();
    Decimal(*value / 10);
    char* out = Room(2);
    out[0] = '.';
    out[1] = static_cast<char>('0' + *value % 10);
    m_end += 2;
    return *this;
}

LineWriter& LineWriter::OneDecimal(std::optional<float> value)
{
    if (!value) return Missing();
    // printf promotes a float to double; to_chars rounds the same exact binary value.
    char digits[64];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, static_cast<double>(*value), std::chars_format::fixed, 1);
    return Text(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
}

}  // namespace orvek
