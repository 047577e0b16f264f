#include "console/Markup.h"
#include "fuzz/Require.h"

#include <QString>

#include <cstring>
#include <vector>

using orvek::fuzz::Require;

namespace {

bool SameStyle(const orvek::MarkupRun& a, const orvek::MarkupRun& b)
{
    return a.bold == b.bold && a.foreground == b.foreground && a.background == b.background;
}

// Tags are only ever taken out: what is left is the line's characters, in order.
bool IsSubsequence(QStringView part, QStringView whole)
{
    qsizetype at = 0;
    for (const QChar c : part) {
        while (at < whole.size() && whole[at] != c) ++at;
        if (at == whole.size()) return false;
        ++at;
    }
    return true;
}

void CheckLine(QStringView line)
{
    const std::vector<orvek::MarkupRun> runs = orvek::ParseMarkup(line);
    QString plain;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        plain += runs[i].text;
        Require(i == 0 || !SameStyle(runs[i - 1], runs[i]), "neighbouring runs differ in style");
    }
    Require(plain == orvek::MarkupPlainText(line), "plain text is the runs' text");
    Require(IsSubsequence(plain, line), "plain text keeps the line's characters in order");
    if (!line.contains(u'<')) {
        Require(plain == line, "a line without tags is shown as it is");
        for (const orvek::MarkupRun& run : runs) {
            Require(!run.bold && !run.foreground && !run.background, "a line without tags is unstyled");
        }
    }
}

void CheckColour(QStringView value)
{
    const std::optional<QColor> colour = orvek::MarkupColour(value);
    const bool isHex = value.size() == 7 && value[0] == u'#' && QColor::isValidColorName(value);
    if (isHex) {
        Require(colour.has_value() && colour->name().compare(value, Qt::CaseInsensitive) == 0,
                "#RRGGBB gives that colour");
    }
    if (colour) Require(colour->isValid() && colour->alpha() == 255, "colours are opaque");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString utf8 = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CheckLine(utf8);
    CheckColour(utf8);
    // The same bytes as UTF-16 code units reach lone surrogates that UTF-8 decoding never makes.
    QString utf16(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(utf16.data(), data, static_cast<std::size_t>(utf16.size()) * sizeof(QChar));
    CheckLine(utf16);
    return 0;
}
