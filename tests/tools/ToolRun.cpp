#include "tests/tools/ToolRun.h"

#include "protocol/LogLines.h"
#include "tools/OrvekCommandLine.h"
#include "tools/ReaderFrame.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace orvek::test {

ToolRun RunTool(const std::vector<std::string>& args, const std::string& input, std::size_t chunk)
{
    std::ostringstream out;
    std::ostringstream err;
    std::size_t at = 0;
    ToolStreams io{[&](char* buffer, std::size_t size) {
                       const std::size_t count = std::min({size, chunk, input.size() - at});
                       std::memcpy(buffer, input.data() + at, count);
                       at += count;
                       return count;
                   },
                   out, err};
    const int status = RunOrvek(args, io);
    return {status, out.str(), err.str()};
}

std::string ReaderFrameHex(std::span<const std::uint8_t> message, std::uint8_t readerId)
{
    return HexDump(BuildReaderFrame(message, readerId));
}

}  // namespace orvek::test
