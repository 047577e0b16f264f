#include "tools/SimulatorOptions.h"

#include "tools/Arguments.h"

#include <array>
#include <cmath>

namespace orvek {

namespace {

constexpr std::string_view kUsage = R"text(Usage: orvek-reader-sim [OPTIONS]

Plays a ZTB reader for the console and the orvek tool: answers every command, sends status
reports and passings on its own, and can inject faults. Stops on Ctrl-C or SIGTERM.

Links (TCP on 127.0.0.1:4140 when none is given):
  --listen ADDR:PORT     serve TCP on this address (port 0: any free one; the address and
                         port taken are printed as "listening on ADDR:PORT")
  --pty                  serve a pseudo-terminal; its device path is printed as "pty PATH";
                         without --listen, TCP is not served
  --link PATH            also make PATH a symbolic link to the pseudo-terminal (implies --pty)

The reader:
  --id N                 reader ID, 0-255 (default 1)
  --firmware TEXT        the firmware text of reply (1) (default "ZTB Sim Ver: 7.02 build 2026"),
                         at most 71 characters
  --status-every SECONDS status report (81) interval (default 5; 0 = never)
  --passings-per-second R
                         passings (80) while a session runs, 0-1000 (default 0.5); a session
                         runs from the start, storing passings, as after autostart
  --seed N               seed of every random choice (default 1)

Faults:
  --split-envelopes      send each frame (the envelope on TCP) in two writes, 20 ms apart
  --garbage RATE         share of frames preceded by line noise, 0-1
  --bad-checksum RATE    share of frames sent with a wrong checksum field, 0-1
  --close-after N        close the connection after N frames sent on it (the pseudo-terminal
                         is replaced by a new one, whose path is printed)
  --flood N              send N passings as fast as the link takes them, to the first
                         connection, then print "flood: N passings sent in MS ms"

  --help                 this text

Exit status: 0 when stopped, 2 on bad options or a link that cannot be opened.
)text";

constexpr std::array<OptionRule, 15> kOptions{{
    {"--listen", true},
    {"--pty", false},
    {"--link", true},
    {"--id", true},
    {"--firmware", true},
    {"--status-every", true},
    {"--passings-per-second", true},
    {"--seed", true},
    {"--split-envelopes", false},
    {"--garbage", true},
    {"--bad-checksum", true},
    {"--close-after", true},
    {"--flood", true},
    {"--help", false},
    {"-h", false},
}};

std::string Bad(std::string_view option, const std::string& value, std::string_view expected)
{
    return "bad " + std::string(option) + " '" + value + "': expected " + std::string(expected);
}

}  // namespace

std::string_view SimulatorUsage() { return kUsage; }

std::variant<SimulatorOptions, std::string> ParseSimulatorOptions(std::span<const std::string> args)
{
    auto parsed = ParseArguments(args, kOptions);
    if (const auto* error = std::get_if<std::string>(&parsed)) return *error;
    const ParsedArguments& given = std::get<ParsedArguments>(parsed);
    SimulatorOptions options;
    if (given.Has("--help") || given.Has("-h")) {
        options.help = true;
        return options;
    }
    if (!given.positional.empty()) return "unexpected argument '" + given.positional[0] + "'";

    options.pty = given.Has("--pty") || given.Has("--link");
    options.listen = given.Has("--listen") || !options.pty;
    if (const auto text = given.Value("--listen")) {
        const std::size_t colon = text->rfind(':');
        const std::optional<std::int64_t> port =
            colon == std::string::npos ? std::nullopt
                                       : ParseInteger(std::string_view(*text).substr(colon + 1), 0, 65535);
        if (!port || colon == 0) return Bad("--listen", *text, "ADDR:PORT, e.g. 127.0.0.1:4140");
        options.listenAddress = text->substr(0, colon);
        options.listenPort = static_cast<std::uint16_t>(*port);
    }
    if (const auto text = given.Value("--link")) {
        if (text->empty()) return std::string("--link needs a path");
        options.linkPath = *text;
    }
    if (const auto text = given.Value("--id")) {
        const auto id = ParseInteger(*text, 0, 255);
        if (!id) return Bad("--id", *text, "a reader ID from 0 to 255");
        options.reader.id = static_cast<std::uint8_t>(*id);
    }
    if (const auto text = given.Value("--firmware")) {
        if (text->size() > kLongestFirmwareText || text->find('\0') != std::string::npos) {
            return "bad --firmware: at most " + std::to_string(kLongestFirmwareText) + " characters, no zero byte";
        }
        options.reader.firmware = *text;
    }
    if (const auto text = given.Value("--status-every")) {
        const auto seconds = ParseDecimal(*text, 0, 86400);
        if (!seconds) return Bad("--status-every", *text, "seconds from 0 to 86400");
        options.reader.statusEvery = std::chrono::milliseconds(std::llround(*seconds * 1000));
    }
    if (const auto text = given.Value("--passings-per-second")) {
        const auto rate = ParseDecimal(*text, 0, 1000);
        if (!rate) return Bad("--passings-per-second", *text, "a rate from 0 to 1000");
        options.reader.passingsPerSecond = *rate;
    }
    if (const auto text = given.Value("--seed")) {
        const auto seed = ParseInteger(*text, 0, UINT32_MAX);
        if (!seed) return Bad("--seed", *text, "a whole number from 0 to 4294967295");
        options.reader.seed = static_cast<std::uint32_t>(*seed);
    }
    options.faults.splitFrames = given.Has("--split-envelopes");
    if (const auto text = given.Value("--garbage")) {
        const auto rate = ParseDecimal(*text, 0, 1);
        if (!rate) return Bad("--garbage", *text, "a rate from 0 to 1");
        options.faults.garbageRate = *rate;
    }
    if (const auto text = given.Value("--bad-checksum")) {
        const auto rate = ParseDecimal(*text, 0, 1);
        if (!rate) return Bad("--bad-checksum", *text, "a rate from 0 to 1");
        options.faults.badChecksumRate = *rate;
    }
    if (const auto text = given.Value("--close-after")) {
        const auto count = ParseInteger(*text, 1, INT64_MAX);
        if (!count) return Bad("--close-after", *text, "a number of frames, 1 or more");
        options.closeAfter = static_cast<std::uint64_t>(*count);
    }
    if (const auto text = given.Value("--flood")) {
        const auto count = ParseInteger(*text, 1, 100000000);
        if (!count) return Bad("--flood", *text, "a number of passings from 1 to 100000000");
        options.flood = static_cast<std::uint64_t>(*count);
    }
    return options;
}

}  // namespace orvek
