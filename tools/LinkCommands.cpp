#include "tools/LinkCommands.h"

#include "protocol/SentFrame.h"
#include "tools/Arguments.h"
#include "tools/CommandRequest.h"
#include "tools/FrameLink.h"
#include "tools/FrameText.h"
#include "tools/OrvekCommandLine.h"

#include <QEventLoop>
#include <QTimer>

#include <array>

namespace orvek {

namespace {

constexpr std::chrono::milliseconds kConnectTimeout{5000};
constexpr std::chrono::milliseconds kDefaultWait{1000};
constexpr std::uint8_t kErrorReplyCode = 255;

int Fail(ToolStreams& io, std::string_view command, std::string_view reason)
{
    io.err << "orvek " << command << ": " << reason << '\n';
    return kExitBadInput;
}

// Exactly one of --tcp and --serial.
std::variant<LinkTarget, std::string> TargetOf(const ParsedArguments& options)
{
    const std::optional<std::string> tcp = options.Value("--tcp");
    const std::optional<std::string> serial = options.Value("--serial");
    if (tcp.has_value() == serial.has_value()) return std::string("give one of --tcp HOST[:PORT] and --serial PATH");
    if (tcp) return ParseTcpTarget(*tcp);
    if (serial->empty()) return std::string("--serial needs a device path");
    LinkTarget target;
    target.kind = LinkTarget::Kind::Serial;
    target.devicePath = QString::fromStdString(*serial);
    return target;
}

void Print(ToolStreams& io, const ReceivedFrame& frame, FrameStyle style)
{
    const std::string timeStamp = style == FrameStyle::Log ? NowTimeStamp() : std::string();
    for (const std::string& line : FrameLines(frame, style, timeStamp)) io.out << line << '\n';
    io.out.flush();
}

bool AnswersCommand(const ReceivedFrame& frame, std::uint8_t code)
{
    const std::vector<std::uint8_t>& bytes = frame.bytes;
    if (bytes.size() < 2) return false;
    if (bytes[1] == static_cast<std::uint8_t>(code + 0x80)) return true;
    return bytes[1] == kErrorReplyCode && bytes.size() > 3 && bytes[3] == code;
}

}  // namespace

int RunSend(std::span<const std::string> args, ToolStreams& io)
{
    static constexpr std::array<OptionRule, 5> kOptions{
        {{"--tcp", true}, {"--serial", true}, {"--id", true}, {"--wait", true}, {"--markup", false}}};
    auto parsed = ParseArguments(args, kOptions);
    if (const auto* error = std::get_if<std::string>(&parsed)) return Fail(io, "send", *error);
    const ParsedArguments& options = std::get<ParsedArguments>(parsed);
    auto target = TargetOf(options);
    if (const auto* error = std::get_if<std::string>(&target)) return Fail(io, "send", *error);

    std::chrono::milliseconds wait = kDefaultWait;
    if (const std::optional<std::string> text = options.Value("--wait")) {
        const std::optional<std::int64_t> milliseconds = ParseInteger(*text, 0, 3600000);
        if (!milliseconds)
            return Fail(io, "send", "bad --wait '" + *text + "': expected milliseconds from 0 to 3600000");
        wait = std::chrono::milliseconds(*milliseconds);
    }
    auto request = ParseCommandRequest(options.positional);
    if (const auto* error = std::get_if<std::string>(&request)) return Fail(io, "send", *error);
    const CommandRequest& command = std::get<CommandRequest>(request);
    auto message = BuildRequestMessage(command, CurrentLocalDateTime());
    if (const auto* error = std::get_if<std::string>(&message)) return Fail(io, "send", *error);
    const SentFrame frame =
        BuildFrame(std::get<std::vector<std::uint8_t>>(message), ReaderIdFromText(options.Value("--id").value_or("1")));
    const auto code = static_cast<std::uint8_t>(command.command->number);

    FrameLink link;
    if (const std::optional<std::string> error = link.open(std::get<LinkTarget>(target), kConnectTimeout)) {
        return Fail(io, "send", *error);
    }
    const FrameStyle style = options.Has("--markup") ? FrameStyle::Markup : FrameStyle::Plain;
    bool replied = false;
    bool linkClosed = false;
    QEventLoop loop;
    QObject::connect(&link, &FrameLink::frameReceived, &loop, [&](const ReceivedFrame& received) {
        Print(io, received, style);
        if (AnswersCommand(received, code)) {
            replied = true;
            loop.quit();
        }
    });
    QObject::connect(&link, &FrameLink::closed, &loop, [&] {
        linkClosed = true;
        loop.quit();
    });
    QTimer::singleShot(wait, &loop, &QEventLoop::quit);
    if (!link.send(frame.bytes)) return Fail(io, "send", "the link did not take the frame");
    loop.exec();
    if (replied) return kExitOk;
    io.err << "orvek send: no reply to command " << command.command->number
           << (linkClosed ? " before the link closed" : " within " + std::to_string(wait.count()) + " ms") << '\n';
    return kExitNoReply;
}

int RunMonitor(std::span<const std::string> args, ToolStreams& io)
{
    static constexpr std::array<OptionRule, 6> kOptions{{{"--tcp", true},
                                                         {"--serial", true},
                                                         {"--count", true},
                                                         {"--for", true},
                                                         {"--markup", false},
                                                         {"--log", false}}};
    auto parsed = ParseArguments(args, kOptions);
    if (const auto* error = std::get_if<std::string>(&parsed)) return Fail(io, "monitor", *error);
    const ParsedArguments& options = std::get<ParsedArguments>(parsed);
    if (!options.positional.empty()) return Fail(io, "monitor", "unexpected argument '" + options.positional[0] + "'");
    if (options.Has("--markup") && options.Has("--log")) {
        return Fail(io, "monitor", "--markup and --log exclude each other");
    }
    auto target = TargetOf(options);
    if (const auto* error = std::get_if<std::string>(&target)) return Fail(io, "monitor", *error);

    std::optional<std::int64_t> count;
    if (const std::optional<std::string> text = options.Value("--count")) {
        count = ParseInteger(*text, 1, INT64_MAX);
        if (!count)
            return Fail(io, "monitor", "bad --count '" + *text + "': expected a whole number of frames, 1 or more");
    }
    std::optional<std::chrono::milliseconds> duration;
    if (const std::optional<std::string> text = options.Value("--for")) {
        const std::optional<double> seconds = ParseDecimal(*text, 0.001, 31536000);
        if (!seconds) return Fail(io, "monitor", "bad --for '" + *text + "': expected seconds, more than 0");
        duration = std::chrono::milliseconds(static_cast<std::int64_t>(*seconds * 1000));
    }
    const FrameStyle style = options.Has("--log")      ? FrameStyle::Log
                             : options.Has("--markup") ? FrameStyle::Markup
                                                       : FrameStyle::Plain;

    FrameLink link;
    if (const std::optional<std::string> error = link.open(std::get<LinkTarget>(target), kConnectTimeout)) {
        return Fail(io, "monitor", *error);
    }
    std::int64_t printed = 0;
    bool linkClosed = false;
    QEventLoop loop;
    QObject::connect(&link, &FrameLink::frameReceived, &loop, [&](const ReceivedFrame& received) {
        // Frames of the read that reached the count are not printed: the count is exact.
        if (count && printed >= *count) return;
        Print(io, received, style);
        if (count && ++printed >= *count) loop.quit();
    });
    QObject::connect(&link, &FrameLink::closed, &loop, [&] {
        if (count && printed >= *count) return;
        linkClosed = true;
        loop.quit();
    });
    if (duration) QTimer::singleShot(*duration, &loop, &QEventLoop::quit);
    loop.exec();
    if (!linkClosed) return kExitOk;
    io.err << "orvek monitor: the link closed\n";
    return kExitNoReply;
}

}  // namespace orvek
