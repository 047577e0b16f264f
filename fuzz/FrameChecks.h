#pragma once

#include "fuzz/Require.h"
#include "protocol/Frame.h"

#include <cstddef>
#include <cstdint>
#include <numeric>
#include <optional>
#include <vector>

namespace orvek::fuzz {

// What every frame a receiver hands out must satisfy. lengthLimit applies to codes whose
// length is not checked; exactLength says whether a checked code must match L + 9 exactly.
inline void CheckReceivedFrame(const ReceivedFrame& frame, std::size_t lengthLimit, bool exactLength)
{
    const std::vector<std::uint8_t>& bytes = frame.bytes;
    Require(bytes.size() >= kFrameOverhead, "frame of at least 9 bytes");
    Require(bytes.size() <= lengthLimit, "frame within the receiver's limit");
    Require(bytes.front() == kStartByte, "frame starts with 0x00");
    Require(bytes[bytes.size() - 2] == 0x0D && bytes.back() == 0x0A, "frame ends with CR LF");

    const std::optional<std::uint8_t> expected = ExpectedPayloadLength(bytes[1]);
    Require(expected.has_value(), "frame has a known code");
    if (*expected != 0) {
        const std::size_t fullLength = *expected + kFrameOverhead;
        Require(exactLength ? bytes.size() == fullLength : bytes.size() <= fullLength,
                "checked code within its expected length");
    }

    // Worked out here from the bytes, not through the library's helpers.
    const std::size_t fieldAt = bytes.size() - 6;
    const std::uint32_t sum = std::accumulate(bytes.begin() + 1, bytes.begin() + fieldAt, std::uint32_t{0});
    const std::uint32_t field = (std::uint32_t{bytes[fieldAt]} << 24) | (std::uint32_t{bytes[fieldAt + 1]} << 16) |
                                (std::uint32_t{bytes[fieldAt + 2]} << 8) | std::uint32_t{bytes[fieldAt + 3]};
    Require(frame.sum == sum, "sum over code, reader ID and payload");
    Require(frame.sum == FrameSum(bytes, 0, fieldAt - 1), "sum agrees with FrameSum");
    Require(frame.checksumField == field, "checksum field read big-endian");
    Require(frame.checksumField == ChecksumField(bytes), "checksum field agrees with ChecksumField");
}

// A frame with a known code, its own plain sum and no CR LF but its end, made from the input's
// bytes: what any receiver must take whole. nullopt when the input makes no such frame.
inline std::optional<std::vector<std::uint8_t>> WellFormedFrame(const std::uint8_t* data, std::size_t size,
                                                                std::size_t longestUncheckedPayload)
{
    if (size < 2) return std::nullopt;
    std::vector<std::uint8_t> codes;
    for (int code = 0; code < 256; ++code) {
        if (ExpectedPayloadLength(static_cast<std::uint8_t>(code))) codes.push_back(static_cast<std::uint8_t>(code));
    }
    const std::uint8_t code = codes[data[0] % codes.size()];
    const std::uint8_t expected = *ExpectedPayloadLength(code);
    const std::size_t payloadLength = expected != 0 ? expected : data[1] % (longestUncheckedPayload + 1);

    std::vector<std::uint8_t> frame{kStartByte, code, data[1]};
    for (std::size_t i = 0; i < payloadLength; ++i) frame.push_back(data[(2 + i) % size]);
    const std::uint32_t sum = std::accumulate(frame.begin() + 1, frame.end(), std::uint32_t{0});
    for (int shift = 24; shift >= 0; shift -= 8) frame.push_back(static_cast<std::uint8_t>(sum >> shift));
    frame.push_back(0x0D);
    frame.push_back(0x0A);
    for (std::size_t i = 1; i + 2 < frame.size(); ++i) {
        if (frame[i] == 0x0D && frame[i + 1] == 0x0A) return std::nullopt;
    }
    return frame;
}

inline bool SameFrames(const std::vector<ReceivedFrame>& a, const std::vector<ReceivedFrame>& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].bytes != b[i].bytes || a[i].sum != b[i].sum || a[i].checksumField != b[i].checksumField) {
            return false;
        }
    }
    return true;
}

}  // namespace orvek::fuzz
