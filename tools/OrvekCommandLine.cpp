#include "tools/OrvekCommandLine.h"

#include "commands/Catalogue.h"
#include "protocol/Envelope.h"
#include "protocol/LogLines.h"
#include "protocol/SentFrame.h"
#include "tools/Arguments.h"
#include "tools/CommandRequest.h"
#include "tools/LinkCommands.h"
#include "tools/TrafficDecoder.h"

#include <algorithm>
#include <array>
#include <sstream>
#include <vector>

namespace orvek {

namespace {

constexpr std::string_view kUsage = R"text(Usage: orvek COMMAND [ARGUMENTS]

Works with ZTB/ZTK transponder readers through the same frame code as the console.

orvek decode [--tcp] [--markup | --log]
    Reads received traffic from standard input as it arrives (a pipe from a live link
    works) and prints one line for each frame that the console's receiver accepts.
    Input: hexadecimal bytes, white space, ':' and '-' ignored, through the serial
    receiver; with --tcp, envelope text "{...}" through the TCP receiver.
    Output: the decoded line as plain text followed by its checksum verdict,
    " CK ok (sum S)" or " CK mismatch (field F, sum S)"; with --markup, the child
    line of the traffic log; with --log, both lines of the traffic log, the
    "Ricevuto" line first, time-stamped "yyyy-MM-dd hh:mm:ss.zzz" (local time of the
    read that completed the frame). A frame left incomplete at the end of input is
    dropped, as the serial idle time-out would, and a note says so on standard error.

orvek encode NUMBER [NAME=VALUE ...] [--id TEXT] [--at "YYYY-MM-DD hh:mm:ss"] [--envelope]
    Prints the frame that the console sends for command NUMBER: the hexadecimal dump
    of its "Inviato" line, or with --envelope its TCP envelope text.
    NAME=VALUE sets a field of the command's dialog (names in any case); fields not
    given take their dialog defaults. --id is the "ID reader" text (default "1"; as in
    the console, text that is not a number gives 1). --at fixes the clock that
    command 3 sends (default: now).
)text";

constexpr std::string_view kLinkUsage = R"text(
orvek send (--tcp HOST[:PORT] | --serial PATH) [--id TEXT] NUMBER [NAME=VALUE ...]
           [--wait MS] [--markup]
    Connects (TCP port 4140 unless PORT is given; serial 115200 8N1), sends one command
    as the console does and prints each frame received, as decode prints it, until the
    reply to that command (its code + 128, or an error reply 255 naming it) has come
    or MS milliseconds (default 1000) have passed.
    Exit status: 0 when the reply came, 1 when none did.

orvek monitor (--tcp HOST[:PORT] | --serial PATH) [--count N] [--for SECONDS]
              [--markup | --log]
    Prints every frame received, as decode prints it, until N frames have come,
    SECONDS have passed or the program is interrupted. Sends nothing.
    Exit status: 0 when stopped by --count or --for, 1 when the link closed.
)text";

constexpr std::string_view kStatusUsage = R"text(
Exit status 2: bad arguments or input, or a link that cannot be opened; a one-line reason
goes to standard error and nothing is printed for it on standard output.

Commands and the fields of their dialogs, with defaults:
)text";

std::string CommandList()
{
    std::ostringstream list;
    for (const Command& command : Catalogue()) {
        list << "  " << command.caption;
        if (command.kind == CommandKind::SetClock) list << "  (--at)";
        if (command.dialog != nullptr) {
            for (const DialogField& field : command.dialog->fields) {
                list << "  " << field.name << '=' << field.defaultValue;
            }
        }
        list << '\n';
    }
    return list.str();
}

int Fail(ToolStreams& io, std::string_view command, std::string_view reason)
{
    io.err << "orvek " << command << ": " << reason << '\n';
    return kExitBadInput;
}

int RunDecode(std::span<const std::string> args, ToolStreams& io)
{
    static constexpr std::array<OptionRule, 3> kOptions{{{"--tcp", false}, {"--markup", false}, {"--log", false}}};
    auto parsed = ParseArguments(args, kOptions);
    if (const auto* error = std::get_if<std::string>(&parsed)) return Fail(io, "decode", *error);
    const ParsedArguments& options = std::get<ParsedArguments>(parsed);
    if (!options.positional.empty()) return Fail(io, "decode", "unexpected argument '" + options.positional[0] + "'");
    if (options.Has("--markup") && options.Has("--log"))
        return Fail(io, "decode", "--markup and --log exclude each other");

    const TrafficKind kind = options.Has("--tcp") ? TrafficKind::TcpEnvelopes : TrafficKind::SerialHex;
    const FrameStyle style = options.Has("--log")      ? FrameStyle::Log
                             : options.Has("--markup") ? FrameStyle::Markup
                                                       : FrameStyle::Plain;
    TrafficDecoder decoder(kind, style, NowTimeStamp);
    std::vector<char> buffer(4096);
    std::vector<std::string> lines;
    for (;;) {
        const std::size_t count = io.read(buffer.data(), buffer.size());
        std::optional<std::string> error =
            count > 0 ? decoder.Feed(std::string_view(buffer.data(), count), lines) : decoder.Finish();
        for (const std::string& line : lines) io.out << line << '\n';
        io.out.flush();
        lines.clear();
        if (error) return Fail(io, "decode", *error);
        if (count == 0) break;
    }
    if (decoder.DroppedAtEnd() > 0) {
        io.err << "orvek decode: note: " << decoder.DroppedAtEnd()
               << (kind == TrafficKind::SerialHex ? " bytes of an incomplete frame"
                                                  : " characters of an unclosed envelope")
               << " at the end of input dropped\n";
    }
    return kExitOk;
}

int RunEncode(std::span<const std::string> args, ToolStreams& io)
{
    static constexpr std::array<OptionRule, 3> kOptions{{{"--id", true}, {"--at", true}, {"--envelope", false}}};
    auto parsed = ParseArguments(args, kOptions);
    if (const auto* error = std::get_if<std::string>(&parsed)) return Fail(io, "encode", *error);
    const ParsedArguments& options = std::get<ParsedArguments>(parsed);

    auto request = ParseCommandRequest(options.positional);
    if (const auto* error = std::get_if<std::string>(&request)) return Fail(io, "encode", *error);
    const CommandRequest& command = std::get<CommandRequest>(request);

    LocalDateTime clock{};
    if (const std::optional<std::string> at = options.Value("--at")) {
        if (command.command->kind != CommandKind::SetClock) return Fail(io, "encode", "--at applies to command 3 only");
        const std::optional<LocalDateTime> parsedAt = ParseLocalDateTime(*at);
        if (!parsedAt)
            return Fail(io, "encode", "bad --at \"" + *at + "\": expected a date and time as \"YYYY-MM-DD hh:mm:ss\"");
        clock = *parsedAt;
    } else if (command.command->kind == CommandKind::SetClock) {
        clock = CurrentLocalDateTime();
    }

    auto message = BuildRequestMessage(command, clock);
    if (const auto* error = std::get_if<std::string>(&message)) return Fail(io, "encode", *error);
    const SentFrame frame =
        BuildFrame(std::get<std::vector<std::uint8_t>>(message), ReaderIdFromText(options.Value("--id").value_or("1")));
    io.out << (options.Has("--envelope") ? EncodeEnvelope(frame.bytes) : HexDump(frame.bytes)) << '\n';
    return kExitOk;
}

}  // namespace

int RunOrvek(std::span<const std::string> args, ToolStreams& io)
{
    if (args.empty()) {
        io.err << "orvek: no command given; orvek --help lists them\n";
        return kExitBadInput;
    }
    const std::string& command = args[0];
    const std::span<const std::string> rest = args.subspan(1);
    const bool helpAsked =
        std::any_of(args.begin(), args.end(), [](const std::string& word) { return word == "--help" || word == "-h"; });
    if (command == "help" || helpAsked) {
        io.out << kUsage << kLinkUsage << kStatusUsage << CommandList();
        return kExitOk;
    }
    if (command == "decode") return RunDecode(rest, io);
    if (command == "encode") return RunEncode(rest, io);
    if (command == "send") return RunSend(rest, io);
    if (command == "monitor") return RunMonitor(rest, io);
    io.err << "orvek: unknown command '" << command << "'; orvek --help lists them\n";
    return kExitBadInput;
}

}  // namespace orvek
