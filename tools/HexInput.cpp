#include "tools/HexInput.h"

#include <cstdio>

namespace orvek {

namespace {

int DigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == ':' || c == '-';
}

std::string Shown(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x21 && byte < 0x7F) return std::string("'") + c + "'";
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return std::string("byte ") + text;
}

}  // namespace

std::optional<std::string> HexInput::Feed(std::string_view text, std::vector<std::uint8_t>& bytes)
{
    for (const char c : text) {
        ++m_column;
        if (c == '\n') {
            ++m_line;
            m_column = 0;
            continue;
        }
        if (IsSeparator(c)) continue;
        const int value = DigitValue(c);
        if (value < 0) {
            return "line " + std::to_string(m_line) + ", column " + std::to_string(m_column) + ": " + Shown(c) +
                   " is not a hexadecimal digit";
        }
        if (m_digits++ % 2 == 0) {
            m_high = static_cast<std::uint8_t>(value << 4);
        } else {
            bytes.push_back(static_cast<std::uint8_t>(m_high | value));
        }
    }
    return std::nullopt;
}

std::optional<std::string> HexInput::Finish() const
{
    if (m_digits % 2 == 0) return std::nullopt;
    return "input ends with an odd number of hexadecimal digits (" + std::to_string(m_digits) +
           "): the last byte has one digit";
}

}  // namespace orvek
