#pragma once

#include "tools/ToolStreams.h"

#include <span>
#include <string>

namespace orvek {

inline constexpr int kExitOk = 0;
inline constexpr int kExitNoReply = 1;
inline constexpr int kExitBadInput = 2;

// The `orvek` command line without the program name; gives back the exit status.
int RunOrvek(std::span<const std::string> args, ToolStreams& io);

}  // namespace orvek
