#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orvek::test {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the `orvek` command line in this process; standard input is given in reads of at
// most chunk bytes.
ToolRun RunTool(const std::vector<std::string>& args, const std::string& input = {}, std::size_t chunk = 4096);

// A reader's frame (plain checksum) as hexadecimal text.
std::string ReaderFrameHex(std::span<const std::uint8_t> message, std::uint8_t readerId = 1);

}  // namespace orvek::test
