#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orvek {

// Read-outs that a status report (81) sets.
struct StatusReadouts {
    std::string temperature;  // "Temp." data text, "%c%d°"
    std::string power;        // "Power" data text, "%.1fV"
};

// What a firmware reply (129) asks of the window.
struct FirmwareInfo {
    std::string panelText;                     // "FIRMWARE:  \"...\""
    std::optional<std::int32_t> majorVersion;  // for ApplyFirmwareVersion, when one is read
};

struct DecodedFrame {
    std::string line;  // markup, UTF-8; empty for a code without a decoded line
    std::optional<StatusReadouts> readouts;
    std::optional<FirmwareInfo> firmware;
};

// frame: the whole frame, start byte through LF (or fewer bytes: nothing past its end is
// read; a field that lies beyond the payload shows "?").
DecodedFrame DecodeFrame(std::span<const std::uint8_t> frame);

// The same, written over decoded: for a caller that decodes frame after frame, whose line
// keeps its capacity from one frame to the next.
void DecodeFrame(std::span<const std::uint8_t> frame, DecodedFrame& decoded);

}  // namespace orvek
