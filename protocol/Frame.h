#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace orvek {

// Frame: 00, code, reader ID, payload, 4-byte big-endian checksum field, CR LF.
inline constexpr std::uint8_t kStartByte = 0x00;
inline constexpr std::size_t kFrameOverhead = 9;
inline constexpr std::size_t kSerialFrameLimit = 81;

// Sum of bytes[first..last] inclusive; 0 when first > last. last must lie inside bytes.
std::uint32_t FrameSum(std::span<const std::uint8_t> bytes, std::size_t first, std::size_t last);

// Expected payload length of a message code: nullopt for an unknown code, 0 when the length
// is not checked.
std::optional<std::uint8_t> ExpectedPayloadLength(std::uint8_t code);

// Reads the big-endian checksum field of a whole frame (the four bytes before CR LF).
std::uint32_t ChecksumField(std::span<const std::uint8_t> frame);

// A frame handed out by a receiver.
struct ReceivedFrame {
    std::vector<std::uint8_t> bytes;  // start byte through LF
    std::uint32_t sum = 0;            // FrameSum computed over code, reader ID and payload
    std::uint32_t checksumField = 0;  // as received

    bool ChecksumMatches() const { return sum == checksumField; }
};

// The record of a whole frame (at least 9 bytes): its bytes, their sum and its checksum field.
ReceivedFrame ToReceivedFrame(std::span<const std::uint8_t> frame);

}  // namespace orvek
