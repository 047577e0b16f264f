#include "protocol/SentFrame.h"

#include "protocol/Frame.h"

#include <charconv>

namespace orvek {

std::uint8_t ReaderIdFromText(std::string_view text)
{
    constexpr std::uint8_t kDefaultId = 1;
    // from_chars takes "-" but not "+"; the operator may type either.
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return kDefaultId;
    return static_cast<std::uint8_t>(value & 0xFF);
}

SentFrame BuildFrame(std::span<const std::uint8_t> message, std::uint8_t readerId)
{
    SentFrame frame;
    if (message.empty()) return frame;

    std::vector<std::uint8_t>& bytes = frame.bytes;
    bytes.reserve(message.size() + kFrameOverhead - 1);
    bytes.push_back(kStartByte);
    bytes.push_back(message[0]);
    bytes.push_back(readerId);
    bytes.insert(bytes.end(), message.begin() + 1, message.end());
    frame.sum = FrameSum(bytes, 1, bytes.size() - 1);

    // Sent frames carry half the sum; readers expect it so.
    const std::uint32_t half = frame.sum >> 1;
    bytes.push_back(static_cast<std::uint8_t>(half >> 24));
    bytes.push_back(static_cast<std::uint8_t>(half >> 16));
    bytes.push_back(static_cast<std::uint8_t>(half >> 8));
    bytes.push_back(static_cast<std::uint8_t>(half));
    bytes.push_back(0x0D);
    bytes.push_back(0x0A);
    return frame;
}

}  // namespace orvek
