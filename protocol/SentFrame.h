#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace orvek {

// Reader ID from the "ID reader" text: a decimal number, its low 8 bits; empty text or text
// that is not a number gives 1.
std::uint8_t ReaderIdFromText(std::string_view text);

struct SentFrame {
    std::vector<std::uint8_t> bytes;  // start byte through LF
    std::uint32_t sum = 0;            // plain FrameSum; the checksum field carries sum >> 1
};

// message: the message code followed by the payload (at least the code).
SentFrame BuildFrame(std::span<const std::uint8_t> message, std::uint8_t readerId);

}  // namespace orvek
