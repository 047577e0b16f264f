#pragma once

#include "decoding/DecodeFrame.h"
#include "decoding/FrameFields.h"
#include "decoding/LineWriter.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orvek {

// The head shared by replies and most reports: label colour, label, ID colour, "ID(n)".
void WriteHead(LineWriter& line, std::string_view label, std::uint8_t readerId);

// "  data(aa-mm-gg):<B>..</B>  ora(hh.mm.ss):<B>..</B>" of the clock reply and the status report:
// year, month, day from dateAt on; hours, minutes, seconds from timeAt on.
void WriteDateAndTime(const FrameFields& fields, LineWriter& line, std::size_t dateAt, std::size_t timeAt);

// Replies to commands and the error reply. Writes nothing for a code that has no decoded line.
void WriteReply(const FrameFields& fields, LineWriter& line);

// Unsolicited reports.
void WritePassingReport(const FrameFields& fields, LineWriter& line);           // 80, 90
StatusReadouts WriteStatusReport(const FrameFields& fields, LineWriter& line);  // 81
void WriteTransponderReport(const FrameFields& fields, LineWriter& line);       // 83, 85

// Firmware reply (129).
FirmwareInfo WriteFirmwareReply(const FrameFields& fields, LineWriter& line);

}  // namespace orvek
