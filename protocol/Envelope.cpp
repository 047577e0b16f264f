#include "protocol/Envelope.h"

#include <array>

namespace orvek {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::uint8_t kSkipped = 0xFF;
constexpr std::uint8_t kPad = 0x40;

constexpr std::array<std::uint8_t, 256> BuildValues()
{
    std::array<std::uint8_t, 256> values{};
    values.fill(kSkipped);
    for (std::uint8_t i = 0; i < 64; ++i) values[static_cast<unsigned char>(kAlphabet[i])] = i;
    values['='] = kPad;
    return values;
}

constexpr std::array<std::uint8_t, 256> kValues = BuildValues();

std::size_t CountValid(std::string_view text)
{
    std::size_t valid = 0;
    for (const char c : text) valid += kValues[static_cast<unsigned char>(c)] != kSkipped;
    return valid;
}

}  // namespace

std::string EncodeEnvelope(std::span<const std::uint8_t> frame)
{
    std::string text;
    text.reserve(4 * ((frame.size() + 2) / 3) + 2);
    text += '{';
    std::size_t i = 0;
    for (; i + 3 <= frame.size(); i += 3) {
        const std::uint8_t b0 = frame[i], b1 = frame[i + 1], b2 = frame[i + 2];
        text += kAlphabet[b0 >> 2];
        text += kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
        text += kAlphabet[((b1 & 0x0F) << 2) | (b2 >> 6)];
        text += kAlphabet[b2 & 0x3F];
    }
    const std::size_t left = frame.size() - i;
    if (left == 2) {
        const std::uint8_t b0 = frame[i], b1 = frame[i + 1];
        text += kAlphabet[b0 >> 2];
        text += kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
        text += kAlphabet[(b1 & 0x0F) << 2];
        text += '=';
    } else if (left == 1) {
        const std::uint8_t b0 = frame[i];
        text += kAlphabet[b0 >> 2];
        text += kAlphabet[(b0 & 0x03) << 4];
        text += "==";
    }
    text += '}';
    return text;
}

std::size_t DecodedCapacity(std::string_view text) { return CountValid(text) / 4 * 3; }

std::size_t DecodeEnvelope(std::string_view text, std::span<std::uint8_t> out)
{
    // One pass: groups are decoded as they come; the whole text's count of valid characters
    // decides at the end whether any of it is usable.
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = in + text.size();
    std::size_t written = 0;
    while (in != end) {
        // The usual group, four alphabet characters in a row, is taken at once. Skipped
        // characters and "=" have values of 64 and up.
        while (end - in >= 4) {
            const std::uint32_t first = kValues[in[0]], second = kValues[in[1]], third = kValues[in[2]],
                                fourth = kValues[in[3]];
            if ((first | second | third | fourth) >= 64) break;
            if (written + 3 > out.size()) return 0;
            const std::uint32_t group = first << 18 | second << 12 | third << 6 | fourth;
            out[written] = static_cast<std::uint8_t>(group >> 16);
            out[written + 1] = static_cast<std::uint8_t>(group >> 8);
            out[written + 2] = static_cast<std::uint8_t>(group);
            written += 3;
            in += 4;
        }

        // Otherwise one character at a time, up to the end of the group.
        std::uint32_t group = 0;
        std::size_t held = 0;
        int pads = 0;
        while (in != end && held < 4) {
            const std::uint8_t value = kValues[*in++];
            if (value == kSkipped) continue;
            ++held;
            if (value == kPad) {
                ++pads;
                group <<= 6;
            } else {
                group = (group << 6) | value;
            }
        }
        if (held == 0) break;
        if (held < 4) return 0;
        if (written + 3 > out.size()) return 0;
        out[written] = static_cast<std::uint8_t>(group >> 16);
        out[written + 1] = static_cast<std::uint8_t>(group >> 8);
        out[written + 2] = static_cast<std::uint8_t>(group);
        // A padded group ends the data, wherever its "=" stand; what follows is only counted.
        if (pads > 2) return 0;
        if (pads > 0) {
            const std::string_view rest(reinterpret_cast<const char*>(in), static_cast<std::size_t>(end - in));
            return CountValid(rest) % 4 == 0 ? written + 3 - static_cast<std::size_t>(pads) : 0;
        }
        written += 3;
    }
    return written;
}

}  // namespace orvek
