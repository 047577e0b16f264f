#pragma once

#include <QColor>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace orvek {

// A stretch of a log line drawn in one style.
struct MarkupRun {
    QString text;
    bool bold = false;
    std::optional<QColor> foreground;  // none: the view's text colour
    std::optional<QColor> background;  // none: the view's background

    friend bool operator==(const MarkupRun&, const MarkupRun&) = default;
};

// Splits a log line into styled runs. Understands <B>, </B>, <FONT color=".." bgcolor="..">,
// <FONT > and </FONT>; anything else that looks like a tag is kept as literal text, and a
// closing tag with nothing open is ignored. Neighbouring runs never share a style.
std::vector<MarkupRun> ParseMarkup(QStringView line);

// The line as the operator reads it, without its tags.
QString MarkupPlainText(QStringView line);

// "#RRGGBB" or a colour name such as "clMaroon"; nullopt when it is neither.
std::optional<QColor> MarkupColour(QStringView value);

}  // namespace orvek
