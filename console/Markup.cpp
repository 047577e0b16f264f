#include "console/Markup.h"

#include <array>
#include <utility>

namespace orvek {

namespace {

struct NamedColour {
    QLatin1StringView name;
    QRgb rgb;
};

// The usual cl* names, so that a line using any of them still shows its colour.
constexpr std::array<NamedColour, 20> kNamedColours{{
    {QLatin1StringView("clBlack"), qRgb(0, 0, 0)},
    {QLatin1StringView("clMaroon"), qRgb(128, 0, 0)},
    {QLatin1StringView("clGreen"), qRgb(0, 128, 0)},
    {QLatin1StringView("clOlive"), qRgb(128, 128, 0)},
    {QLatin1StringView("clNavy"), qRgb(0, 0, 128)},
    {QLatin1StringView("clPurple"), qRgb(128, 0, 128)},
    {QLatin1StringView("clTeal"), qRgb(0, 128, 128)},
    {QLatin1StringView("clGray"), qRgb(128, 128, 128)},
    {QLatin1StringView("clSilver"), qRgb(192, 192, 192)},
    {QLatin1StringView("clRed"), qRgb(255, 0, 0)},
    {QLatin1StringView("clLime"), qRgb(0, 255, 0)},
    {QLatin1StringView("clYellow"), qRgb(255, 255, 0)},
    {QLatin1StringView("clBlue"), qRgb(0, 0, 255)},
    {QLatin1StringView("clFuchsia"), qRgb(255, 0, 255)},
    {QLatin1StringView("clAqua"), qRgb(0, 255, 255)},
    {QLatin1StringView("clWhite"), qRgb(255, 255, 255)},
    {QLatin1StringView("clMoneyGreen"), qRgb(192, 220, 192)},
    {QLatin1StringView("clSkyBlue"), qRgb(166, 202, 240)},
    {QLatin1StringView("clCream"), qRgb(255, 251, 240)},
    {QLatin1StringView("clMedGray"), qRgb(160, 160, 164)},
}};

struct FontColours {
    std::optional<QColor> foreground;
    std::optional<QColor> background;
};

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

bool IsHexDigit(QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

bool NameIs(QStringView text, QLatin1StringView name) { return text.compare(name, Qt::CaseInsensitive) == 0; }

// Reads the attributes that follow "FONT" (color, bgcolor; others are skipped). Returns
// nullopt when they are not of the form name="value", so that the tag is shown as text.
std::optional<FontColours> ParseFontAttributes(QStringView attributes, FontColours colours)
{
    qsizetype at = 0;
    const qsizetype size = attributes.size();
    while (true) {
        const qsizetype blanksFrom = at;
        while (at < size && IsBlank(attributes[at])) ++at;
        if (at == size) return colours;
        if (at == blanksFrom) return std::nullopt;  // attributes must be separated by blanks

        const qsizetype nameFrom = at;
        while (at < size && attributes[at].isLetter()) ++at;
        const QStringView name = attributes.sliced(nameFrom, at - nameFrom);
        while (at < size && IsBlank(attributes[at])) ++at;
        if (name.isEmpty() || at == size || attributes[at] != u'=') return std::nullopt;
        ++at;
        while (at < size && IsBlank(attributes[at])) ++at;
        if (at == size || attributes[at] != u'"') return std::nullopt;
        const qsizetype valueFrom = ++at;
        while (at < size && attributes[at] != u'"') ++at;
        if (at == size) return std::nullopt;
        const QStringView value = attributes.sliced(valueFrom, at - valueFrom);
        ++at;

        // An unknown colour leaves that colour as it was; the FONT still opens.
        const std::optional<QColor> colour = MarkupColour(value);
        if (colour && NameIs(name, QLatin1StringView("color"))) colours.foreground = colour;
        if (colour && NameIs(name, QLatin1StringView("bgcolor"))) colours.background = colour;
    }
}

class RunBuilder {
public:
    void append(QStringView text)
    {
        if (text.isEmpty()) return;
        const FontColours& colours = m_fonts.empty() ? m_noFont : m_fonts.back();
        const bool bold = m_boldDepth > 0;
        if (m_runs.empty() || m_runs.back().bold != bold || m_runs.back().foreground != colours.foreground ||
            m_runs.back().background != colours.background) {
            m_runs.push_back(MarkupRun{QString(), bold, colours.foreground, colours.background});
        }
        m_runs.back().text += text;
    }

    // Applies the tag between '<' and '>'; false when it is not one of ours.
    bool applyTag(QStringView tag)
    {
        const QStringView trimmed = tag.trimmed();
        if (NameIs(trimmed, QLatin1StringView("B"))) {
            ++m_boldDepth;
            return true;
        }
        if (NameIs(trimmed, QLatin1StringView("/B"))) {
            if (m_boldDepth > 0) --m_boldDepth;
            return true;
        }
        if (NameIs(trimmed, QLatin1StringView("/FONT"))) {
            if (!m_fonts.empty()) m_fonts.pop_back();
            return true;
        }
        constexpr QLatin1StringView kFont("FONT");
        if (tag.size() < kFont.size() || !NameIs(tag.first(kFont.size()), kFont)) return false;
        const FontColours current = m_fonts.empty() ? m_noFont : m_fonts.back();
        std::optional<FontColours> opened = ParseFontAttributes(tag.sliced(kFont.size()), current);
        if (!opened) return false;
        m_fonts.push_back(*opened);
        return true;
    }

    std::vector<MarkupRun> take() { return std::move(m_runs); }

private:
    std::vector<MarkupRun> m_runs;
    std::vector<FontColours> m_fonts;
    const FontColours m_noFont{};
    int m_boldDepth = 0;
};

}  // namespace

std::optional<QColor> MarkupColour(QStringView value)
{
    if (value.size() == 7 && value[0] == u'#') {
        for (const QChar c : value.sliced(1))
            if (!IsHexDigit(c)) return std::nullopt;
        return QColor(static_cast<QRgb>(value.sliced(1).toUInt(nullptr, 16)));
    }
    for (const NamedColour& named : kNamedColours)
        if (NameIs(value, named.name)) return QColor(named.rgb);
    return std::nullopt;
}

std::vector<MarkupRun> ParseMarkup(QStringView line)
{
    RunBuilder runs;
    qsizetype textFrom = 0;
    qsizetype at = 0;
    while (at < line.size()) {
        if (line[at] != u'<') {
            ++at;
            continue;
        }
        // A tag ends at the first '>'; another '<' before it means this '<' is text.
        qsizetype end = at + 1;
        while (end < line.size() && line[end] != u'>' && line[end] != u'<') ++end;
        if (end == line.size() || line[end] == u'<') {
            at = end;
            continue;
        }
        runs.append(line.sliced(textFrom, at - textFrom));
        // A tag that is not ours stays in the text, drawn as it is written.
        textFrom = runs.applyTag(line.sliced(at + 1, end - at - 1)) ? end + 1 : at;
        at = end + 1;
    }
    runs.append(line.sliced(textFrom));
    return runs.take();
}

QString MarkupPlainText(QStringView line)
{
    QString text;
    for (const MarkupRun& run : ParseMarkup(line)) text += run.text;
    return text;
}

}  // namespace orvek
