#include "protocol/Frame.h"

#include <algorithm>
#include <array>
#include <cstring>

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

// Sums eight bytes at a time: the even and the odd bytes of each word add into four 16-bit
// lanes, which hold 128 words' worth (128 * 2 * 255 < 65536) before they are added up.
std::uint32_t SumOfBytes(const std::uint8_t* bytes, std::size_t count)
{
    constexpr std::uint64_t kEvenBytes = 0x00FF00FF00FF00FF;
    constexpr std::size_t kWordsPerBlock = 128;
    std::uint32_t sum = 0;
    while (count >= 8) {
        const std::size_t words = std::min(count / 8, kWordsPerBlock);
        std::uint64_t lanes = 0;
        for (std::size_t i = 0; i < words; ++i) {
            std::uint64_t word;
            std::memcpy(&word, bytes + 8 * i, sizeof word);
            lanes += (word & kEvenBytes) + (word >> 8 & kEvenBytes);
        }
        sum += static_cast<std::uint32_t>((lanes & 0xFFFF) + (lanes >> 16 & 0xFFFF) + (lanes >> 32 & 0xFFFF) +
                                          (lanes >> 48));
        bytes += 8 * words;
        count -= 8 * words;
    }
    for (std::size_t i = 0; i < count; ++i) sum += bytes[i];
    return sum;
}

}  // namespace

std::uint32_t FrameSum(std::span<const std::uint8_t> bytes, std::size_t first, std::size_t last)
{
    if (bytes.empty()) return 0;
    // A bad index must not read past the bytes given.
    last = std::min(last, bytes.size() - 1);
    if (first > last) return 0;
    return SumOfBytes(bytes.data() + first, last - first + 1);
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
