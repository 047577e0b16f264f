#pragma once

#include <array>
#include <cstdint>

namespace orvek {

struct CommandAvailability {
    int number;
    bool enabled;
};

// Enabled state of the seven firmware-dependent commands for major version n (compared as
// unsigned): 0..6 take 11, 12, 16, 17, 50, 51 and not 20; anything else the reverse.
std::array<CommandAvailability, 7> ApplyFirmwareVersion(std::int32_t n);

}  // namespace orvek
