#pragma once

#include <cstdio>
#include <cstdlib>

namespace orvek::fuzz {

// A violated property must stop the run like a crash does, so libFuzzer saves the input.
inline void Require(bool holds, const char* property)
{
    if (!holds) {
        std::fprintf(stderr, "property violated: %s\n", property);
        std::abort();
    }
}

}  // namespace orvek::fuzz
