#include "tools/FrameText.h"

#include "decoding/DecodeFrame.h"
#include "protocol/LogLines.h"

#include <QDateTime>

#include <array>

namespace orvek {

namespace {

// Only the tags that log lines are made of are taken out: a decoded firmware text may hold
// any other "<".
std::size_t TagLengthAt(std::string_view text, std::size_t at)
{
    constexpr std::array<std::string_view, 3> kPlainTags{"<B>", "</B>", "</FONT>"};
    for (const std::string_view tag : kPlainTags) {
        if (text.substr(at, tag.size()) == tag) return tag.size();
    }
    const std::string_view rest = text.substr(at);
    if (rest.starts_with("<FONT ") || rest.starts_with("<FONT>")) {
        const std::size_t close = rest.find('>');
        if (close != std::string_view::npos) return close + 1;
    }
    return 0;
}

}  // namespace

std::string PlainText(std::string_view markup)
{
    std::string text;
    text.reserve(markup.size());
    for (std::size_t at = 0; at < markup.size();) {
        const std::size_t tag = markup[at] == '<' ? TagLengthAt(markup, at) : 0;
        if (tag > 0) {
            at += tag;
        } else {
            text += markup[at++];
        }
    }
    return text;
}

std::string CheckVerdict(std::uint32_t sum, std::uint32_t checksumField)
{
    if (sum == checksumField) return " CK ok (sum " + std::to_string(sum) + ")";
    return " CK mismatch (field " + std::to_string(checksumField) + ", sum " + std::to_string(sum) + ")";
}

std::vector<std::string> FrameLines(const ReceivedFrame& frame, FrameStyle style, std::string_view timeStamp)
{
    const std::string decoded = DecodeFrame(frame.bytes).line;
    switch (style) {
        case FrameStyle::Plain: {
            std::string line =
                decoded.empty() ? "code " + std::to_string(frame.bytes[1]) + ": no decoded line" : PlainText(decoded);
            return {line + CheckVerdict(frame.sum, frame.checksumField)};
        }
        case FrameStyle::Markup:
            return {DecodedChildLine(decoded, frame.sum, frame.checksumField)};
        case FrameStyle::Log:
            return {ReceivedFrameLine(timeStamp, frame.bytes, frame.sum, frame.checksumField),
                    DecodedChildLine(decoded, frame.sum, frame.checksumField)};
    }
    return {};
}

std::string NowTimeStamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")).toStdString();
}

}  // namespace orvek
