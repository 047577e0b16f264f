#pragma once

#include "commands/Catalogue.h"
#include "commands/Payload.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace orvek {

// A command named on the command line: its number and the dialog values given.
struct CommandRequest {
    const Command* command = nullptr;
    std::vector<std::pair<std::string_view, std::string>> values;  // dialog field name, text
};

// NUMBER, then NAME=VALUE words (field names as the dialog has them, in any case).
std::variant<CommandRequest, std::string> ParseCommandRequest(std::span<const std::string> words);

// The message (code, then payload) that the console sends for the request. Fields not given
// take their dialog defaults; clock is the time that (3) sends.
std::variant<std::vector<std::uint8_t>, std::string> BuildRequestMessage(const CommandRequest& request,
                                                                         const LocalDateTime& clock);

// "YYYY-MM-DD hh:mm:ss", a real date and time.
std::optional<LocalDateTime> ParseLocalDateTime(std::string_view text);

LocalDateTime CurrentLocalDateTime();

// "1-14, 16-20, 50-54, 98": the command numbers, for messages.
std::string CommandNumbersText();

}  // namespace orvek
