#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace orvek {

// A frame as a reader sends it: like the console's, but its checksum field carries the plain
// FrameSum. message: the code followed by the payload.
std::vector<std::uint8_t> BuildReaderFrame(std::span<const std::uint8_t> message, std::uint8_t readerId);

}  // namespace orvek
