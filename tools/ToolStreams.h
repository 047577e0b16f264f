#pragma once

#include <cstddef>
#include <functional>
#include <ostream>

namespace orvek {

// What a command of the `orvek` tool reads and writes; main gives it the standard streams.
struct ToolStreams {
    // Reads what is there, up to size bytes, waiting for some; 0 at the end of input.
    std::function<std::size_t(char* buffer, std::size_t size)> read;
    std::ostream& out;
    std::ostream& err;
};

}  // namespace orvek
