#pragma once

#include <fstream>
#include <string>

namespace orvek::bench {

// Peak resident set size of this process (VmHWM), in KiB; -1 where the system does not say.
inline long PeakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(4096, '\n');
    }
    return -1;
}

}  // namespace orvek::bench
