#include "protocol/Frame.h"

#include <array>

namespace orvek {

namespace {

struct LengthEntry {
    std::uint8_t code;
    std::uint8_t payloadLength;
};

// The codes the reader sends, with the payload length each carries (0: not checked).
constexpr std::array<LengthEntry, 33> kLengthTable{{
    {129, 0}, {130, 0}, {131, 0}, {132, 0}, {133, 11}, {134, 0}, {135, 0}, {136, 0}, {137, 10}, {138, 0}, {139, 0},
    {140, 0}, {141, 0}, {142, 0}, {143, 0}, {144, 0},  {145, 0}, {146, 0}, {147, 0}, {148, 0},  {178, 0}, {179, 0},
    {181, 0}, {182, 2}, {183, 0}, {80, 23}, {81, 18},  {83, 4},  {85, 0},  {90, 23}, {226, 0},  {227, 0}, {255, 3},
}};

constexpr int kUnknown = -1;

constexpr std::array<int, 256> BuildLengthByCode()
{
    std::array<int, 256> byCode{};
    byCode.fill(kUnknown);
    for (const LengthEntry& entry : kLengthTable) byCode[entry.code] = entry.payloadLength;
    return byCode;
}

constexpr std::array<int, 256> kLengthByCode = BuildLengthByCode();

}  // namespace

std::uint32_t FrameSum(std::span<const std::uint8_t> bytes, std::size_t first, std::size_t last)
{
    if (bytes.empty() || first > last) return 0;
    // A bad index must not read past the bytes given.
    if (last >= bytes.size()) last = bytes.size() - 1;
    std::uint32_t sum = 0;
    for (std::size_t i = first; i <= last; ++i) sum += bytes[i];
    return sum;
}

std::optional<std::uint8_t> ExpectedPayloadLength(std::uint8_t code)
{
    const int length = kLengthByCode[code];
    if (length == kUnknown) return std::nullopt;
    return static_cast<std::uint8_t>(length);
}

std::uint32_t ChecksumField(std::span<const std::uint8_t> frame)
{
    if (frame.size() < 6) return 0;
    const std::size_t at = frame.size() - 6;
    return (std::uint32_t{frame[at]} << 24) | (std::uint32_t{frame[at + 1]} << 16) |
           (std::uint32_t{frame[at + 2]} << 8) | std::uint32_t{frame[at + 3]};
}

ReceivedFrame ToReceivedFrame(std::span<const std::uint8_t> frame)
{
    ReceivedFrame received;
    received.bytes.assign(frame.begin(), frame.end());
    received.sum = frame.size() < kFrameOverhead ? 0 : FrameSum(frame, 0, frame.size() - 7);
    received.checksumField = ChecksumField(frame);
    return received;
}

}  // namespace orvek
