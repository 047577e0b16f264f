#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

// Turns hexadecimal text into bytes as it arrives. White space, ':' and '-' are ignored
// anywhere, so the two digits of a byte may lie in different reads.
class HexInput {
public:
    // Appends the bytes that text completes. On a character that is neither a digit nor a
    // separator, stops there and gives back an error naming the character and its place; the
    // bytes before it are still appended.
    std::optional<std::string> Feed(std::string_view text, std::vector<std::uint8_t>& bytes);

    // End of input: an error when the last byte got only one digit.
    std::optional<std::string> Finish() const;

private:
    std::uint64_t m_line = 1;
    std::uint64_t m_column = 0;
    std::uint64_t m_digits = 0;
    std::uint8_t m_high = 0;
};

}  // namespace orvek
