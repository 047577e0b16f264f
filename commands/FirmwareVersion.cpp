#include "commands/FirmwareVersion.h"

namespace orvek {

std::array<CommandAvailability, 7> ApplyFirmwareVersion(std::int32_t n)
{
    // Compared as unsigned: a negative version counts as above 6.
    const bool upToVersion6 = static_cast<std::uint32_t>(n) <= 6;
    return {{
        {11, upToVersion6},
        {12, upToVersion6},
        {16, upToVersion6},
        {17, upToVersion6},
        {20, !upToVersion6},
        {50, upToVersion6},
        {51, upToVersion6},
    }};
}

}  // namespace orvek
