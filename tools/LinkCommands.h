#pragma once

#include "tools/ToolStreams.h"

#include <span>
#include <string>

namespace orvek {

// `orvek send` and `orvek monitor`, arguments after the command word. They run event loops
// of their own, so a QCoreApplication must exist.
int RunSend(std::span<const std::string> args, ToolStreams& io);
int RunMonitor(std::span<const std::string> args, ToolStreams& io);

}  // namespace orvek
