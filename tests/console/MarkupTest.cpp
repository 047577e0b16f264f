#include "console/Markup.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace orvek {

void PrintTo(const MarkupRun& run, std::ostream* out)
{
    *out << '"' << run.text.toStdString() << '"' << (run.bold ? " bold" : "")
         << (run.foreground ? " fg=" + run.foreground->name().toStdString() : std::string())
         << (run.background ? " bg=" + run.background->name().toStdString() : std::string());
}

namespace {

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kLime(0, 255, 0);
const QColor kFuchsia(255, 0, 255);
const QColor kWhite(255, 255, 255);
const QColor kMaroon(128, 0, 0);

MarkupRun Plain(const char* text) { return {QString::fromUtf8(text), false, std::nullopt, std::nullopt}; }
MarkupRun Bold(const char* text) { return {QString::fromUtf8(text), true, std::nullopt, std::nullopt}; }
MarkupRun Coloured(const char* text, std::optional<QColor> foreground, std::optional<QColor> background = {},
                   bool bold = false)
{
    return {QString::fromUtf8(text), bold, foreground, background};
}

struct MarkupCase {
    const char* name;
    const char* line;
    std::vector<MarkupRun> runs;
};

class ParseMarkupTest : public ::testing::TestWithParam<MarkupCase> {};

TEST_P(ParseMarkupTest, GivesTheRuns) { EXPECT_EQ(ParseMarkup(QString::fromUtf8(GetParam().line)), GetParam().runs); }

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseMarkupTest,
    ::testing::Values(
        MarkupCase{"Empty", "", {}}, MarkupCase{"PlainText", "Eseguito", {Plain("Eseguito")}},
        MarkupCase{"Bold", "a<B>b</B>c", {Plain("a"), Bold("b"), Plain("c")}},
        MarkupCase{"BoldNestingCounted", "<B>a<B>b</B>c</B>d", {Bold("abc"), Plain("d")}},
        MarkupCase{"BoldToTheEnd", "x<B>y", {Plain("x"), Bold("y")}},
        MarkupCase{"Colour", "<FONT color=\"clBlue\">x</FONT>y", {Coloured("x", kBlue), Plain("y")}},
        MarkupCase{"BackgroundAndColour",
                   "<FONT bgcolor=\"clFuchsia\" color=\"clWhite\"><B>(80)PASS</B></FONT> ",
                   {Coloured("(80)PASS", kWhite, kFuchsia, true), Plain(" ")}},
        MarkupCase{"HexColours",
                   "<FONT color=\"#1B96E9\">ID(1)</FONT><FONT bgcolor=\"clGreen\" color=\"#98FB98\">7</FONT>",
                   {Coloured("ID(1)", QColor(27, 150, 233)), Coloured("7", QColor(152, 251, 152), kGreen)}},
        MarkupCase{
            "FontWithoutAttributesChangesNothing", "a<FONT ><B> 0 </B></FONT>b", {Plain("a"), Bold(" 0 "), Plain("b")}},
        MarkupCase{"NestedFontsReturnToTheOuterColours",
                   "<FONT color=\"clRed\">r<FONT bgcolor=\"clLime\">g</FONT>s</FONT>d",
                   {Coloured("r", kRed), Coloured("g", kRed, kLime), Coloured("s", kRed), Plain("d")}},
        MarkupCase{"GreaterThanOutsideATag",
                   "<FONT color=\"clMaroon\">(81)Stato></FONT> x",
                   {Coloured("(81)Stato>", kMaroon), Plain(" x")}},
        MarkupCase{"RunsOfBlanksKept",
                   "ID(1)</FONT>  Comando:<B>  Eseguito</B>",
                   {Plain("ID(1)  Comando:"), Bold("  Eseguito")}},
        MarkupCase{"AccentsKept", "Umidità:<B>40</B>", {Plain("Umidità:"), Bold("40")}},
        MarkupCase{"UnbalancedClosingTagsIgnored", "</B></FONT>x</B>y", {Plain("xy")}},
        MarkupCase{"UnknownTagIsText", "a<I>b</I>", {Plain("a<I>b</I>")}},
        MarkupCase{"UnterminatedTagIsText", "a<B", {Plain("a<B")}},
        MarkupCase{"LessThanBeforeATag", "1<<B>2</B>", {Plain("1<"), Bold("2")}},
        MarkupCase{"EmptyTagIsText", "<>", {Plain("<>")}},
        MarkupCase{"FontFollowedByLettersIsText", "<FONTX>a", {Plain("<FONTX>a")}},
        MarkupCase{"UnquotedValueIsText", "<FONT color=clRed>a</FONT>", {Plain("<FONT color=clRed>a")}},
        MarkupCase{"UnclosedQuoteIsText", "<FONT color=\"clRed>a", {Plain("<FONT color=\"clRed>a")}},
        MarkupCase{"UnknownColourKeepsTheFontBalanced",
                   "<FONT color=\"clBlue\"><FONT color=\"clNowhere\">a</FONT>b</FONT>c",
                   {Coloured("ab", kBlue), Plain("c")}},
        MarkupCase{"UnknownAttributeIgnored", "<FONT size=\"3\" color=\"clRed\">a</FONT>", {Coloured("a", kRed)}}),
    [](const ::testing::TestParamInfo<MarkupCase>& info) { return std::string(info.param.name); });

struct ColourCase {
    const char* name;
    const char* value;
    std::optional<QColor> colour;
};

class MarkupColourTest : public ::testing::TestWithParam<ColourCase> {};

TEST_P(MarkupColourTest, ReadsTheValue)
{
    EXPECT_EQ(MarkupColour(QString::fromUtf8(GetParam().value)), GetParam().colour);
}

INSTANTIATE_TEST_SUITE_P(Values, MarkupColourTest,
                         ::testing::Values(ColourCase{"Blue", "clBlue", kBlue}, ColourCase{"Red", "clRed", kRed},
                                           ColourCase{"Green", "clGreen", kGreen}, ColourCase{"Lime", "clLime", kLime},
                                           ColourCase{"Fuchsia", "clFuchsia", kFuchsia},
                                           ColourCase{"White", "clWhite", kWhite},
                                           ColourCase{"Maroon", "clMaroon", kMaroon},
                                           ColourCase{"Silver", "clSilver", QColor(192, 192, 192)},
                                           ColourCase{"HexUpper", "#1B96E9", QColor(27, 150, 233)},
                                           ColourCase{"HexLower", "#98fb98", QColor(152, 251, 152)},
                                           ColourCase{"UnknownName", "clNowhere", std::nullopt},
                                           ColourCase{"HexTooShort", "#12345", std::nullopt},
                                           ColourCase{"HexNotDigits", "#12G456", std::nullopt},
                                           ColourCase{"HexSigned", "#+12345", std::nullopt},
                                           ColourCase{"Empty", "", std::nullopt}),
                         [](const ::testing::TestParamInfo<ColourCase>& info) { return std::string(info.param.name); });

TEST(MarkupPlainTextTest, DropsTheTagsOnly)
{
    EXPECT_EQ(MarkupPlainText(u"<FONT color=\"clMaroon\">(81)Stato></FONT> <FONT color=\"#1B96E9\">ID(1)</FONT>  "
                              u"Volt:<B>12.6</B> <I>"),
              u"(81)Stato> ID(1)  Volt:12.6 <I>");
}

}  // namespace
}  // namespace orvek
