#include "decoding/DecodeFrame.h"
#include "fuzz/Require.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

using orvek::fuzz::Require;

namespace {

// The codes that have a decoded line; every other code gives an empty one.
constexpr std::array<std::uint8_t, 31> kDecodedCodes = {
    80,  81,  83,  85,  90,  129, 130, 131, 132, 133, 134, 135, 136, 137, 138, 139,
    140, 141, 142, 144, 145, 146, 147, 148, 178, 179, 181, 182, 183, 226, 227,
};

bool HasDecodedLine(std::uint8_t code)
{
    return code == 255 || std::find(kDecodedCodes.begin(), kDecodedCodes.end(), code) != kDecodedCodes.end();
}

bool IsUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        std::uint32_t codePoint = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            codePoint = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            codePoint = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - i <= extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        const bool overlong = (extra == 2 && codePoint < 0x800) || (extra == 3 && codePoint < 0x10000);
        if (overlong || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

bool operator==(const orvek::DecodedFrame& a, const orvek::DecodedFrame& b)
{
    const bool sameReadouts =
        a.readouts.has_value() == b.readouts.has_value() &&
        (!a.readouts || (a.readouts->temperature == b.readouts->temperature && a.readouts->power == b.readouts->power));
    const bool sameFirmware = a.firmware.has_value() == b.firmware.has_value() &&
                              (!a.firmware || (a.firmware->panelText == b.firmware->panelText &&
                                               a.firmware->majorVersion == b.firmware->majorVersion));
    return a.line == b.line && sameReadouts && sameFirmware;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Exactly the frame's bytes on the heap: ASan reports any read past the span.
    auto frame = std::make_unique<std::uint8_t[]>(size);
    std::copy(data, data + size, frame.get());
    const std::span<const std::uint8_t> bytes{frame.get(), size};

    const orvek::DecodedFrame decoded = orvek::DecodeFrame(bytes);
    Require(orvek::DecodeFrame(bytes) == decoded, "decoding keeps no state between frames");
    Require(IsUtf8(decoded.line), "decoded line is UTF-8");

    // Every line shows the reader ID, so only frames that hold one are decoded.
    if (size < 3) return 0;
    const std::uint8_t code = bytes[1];
    Require(HasDecodedLine(code) != decoded.line.empty(), "a line exactly for the codes the decoder knows");
    Require(!decoded.readouts || code == 81, "read-outs only from a status report");
    Require(!decoded.firmware || code == 129, "firmware panel only from a firmware reply");
    if (decoded.readouts) {
        Require(IsUtf8(decoded.readouts->temperature) && IsUtf8(decoded.readouts->power), "read-outs are UTF-8");
    }
    if (decoded.firmware) {
        const std::string_view panel = decoded.firmware->panelText;
        Require(IsUtf8(panel), "firmware panel text is UTF-8");
        Require(panel.starts_with("FIRMWARE:  \"") && panel.ends_with("\""), "firmware panel text in quotes");
    }
    return 0;
}
