#include "tools/ReaderFrame.h"

#include "protocol/Frame.h"

namespace orvek {

std::vector<std::uint8_t> BuildReaderFrame(std::span<const std::uint8_t> message, std::uint8_t readerId)
{
    std::vector<std::uint8_t> frame;
    frame.reserve(message.size() + kFrameOverhead - 1);
    frame.push_back(kStartByte);
    frame.push_back(message.empty() ? 0 : message[0]);
    frame.push_back(readerId);
    if (!message.empty()) frame.insert(frame.end(), message.begin() + 1, message.end());
    const std::uint32_t sum = FrameSum(frame, 1, frame.size() - 1);
    for (int shift = 24; shift >= 0; shift -= 8) frame.push_back(static_cast<std::uint8_t>(sum >> shift));
    frame.push_back(0x0D);
    frame.push_back(0x0A);
    return frame;
}

}  // namespace orvek
