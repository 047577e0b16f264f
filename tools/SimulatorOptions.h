#pragma once

#include "tools/FaultInjector.h"
#include "tools/SimulatedReader.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace orvek {

struct SimulatorOptions {
    bool help = false;
    bool listen = true;
    std::string listenAddress = "127.0.0.1";
    std::uint16_t listenPort = 4140;
    bool pty = false;
    std::string linkPath;  // empty: no symlink
    ReaderSettings reader;
    FaultSettings faults;
    std::optional<std::uint64_t> closeAfter;  // frames sent on one connection
    std::optional<std::uint64_t> flood;       // passings
};

// The firmware reply must fit a serial frame: 9 bytes of framing, the text and its 00.
inline constexpr std::size_t kLongestFirmwareText = 71;

// Arguments without the program name. --pty alone serves only the pseudo-terminal; with
// --listen too, both.
std::variant<SimulatorOptions, std::string> ParseSimulatorOptions(std::span<const std::string> args);

std::string_view SimulatorUsage();

}  // namespace orvek
