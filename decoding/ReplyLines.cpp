#include "decoding/Markup.h"
#include "decoding/MessageLines.h"

#include <algorithm>
#include <array>
#include <optional>

namespace orvek {

namespace {

constexpr std::array<std::string_view, 7> kErrorTypeTexts = {
    "",
    "Checksum errato",
    "ID messaggio sconosciuto",
    "Lunghezza messaggio errata",
    "Comando non valido",
    "Valore parametro fuori range",
    "Formato pacchetto non valido",
};

struct OutcomeReply {
    std::uint8_t code;
    std::string_view label;
};

// Replies whose only field is the result byte.
constexpr std::array<OutcomeReply, 19> kOutcomeReplies = {{
    {131, "(3)Imposta orario"},          {132, "(4)Imposta Beep"},
    {134, "(6)Imposta Identificativo"},  {135, "(7)Reset timer"},
    {136, "(8)Reset memoria"},           {139, "(11)Invio automatico"},
    {140, "(12)Stop invio automatico"},  {141, "(13)Imposta ridondanze"},
    {142, "(14)Imposta tempo rilascio"}, {144, "(16)Start sessione"},
    {145, "(17)Stop sessione"},          {146, "(18)Imposta parametri fotocellula"},
    {147, "(19)Imposta modalità"},       {148, "(20)Imposta invio contatto transponder"},
    {178, "(50)Commitment cache"},       {179, "(51)Imposta autostart"},
    {181, "(53)Imposta sensibilità"},    {226, "(98)Configura hardware"},
    {227, "(98)Tipo protocollo"},
}};

std::string_view OutcomeText(std::optional<std::uint8_t> result)
{
    if (!result) return LineWriter::kMissing;
    return *result == 0 ? "Eseguito" : "NON eseguito";
}

void WriteCommandResult(LineWriter& line, std::string_view text) { line.Text("  Comando:<B>").Text(text).Text("</B>"); }

void WriteFreeMemory(const FrameFields& fields, LineWriter& line)
{
    const auto total = fields.Unsigned32(3);
    const auto free = fields.Unsigned32(7);
    WriteHead(line, "(2)Memoria Libera", fields.ReaderId());
    line.Text("  Totale:<B>").Grouped(total).Text("</B>  Libera:<B>");
    // Large memories report Libera in tenths of a percent.
    if (total && *total >= 100001) {
        std::optional<float> percent;
        if (free) percent = static_cast<float>(*free) / 10.0f;
        line.OneDecimal(percent).Text("%</B>");
    } else {
        line.Grouped(free).Text("</B>");
    }
}

void WriteClock(const FrameFields& fields, LineWriter& line)
{
    WriteHead(line, "(5)Leggi orario", fields.ReaderId());
    WriteDateAndTime(fields, line, 3, 7);
    line.Text("  Sett:<B>").Decimal(fields.Byte(6)).Text("</B>");
}

void WritePassingQuery(const FrameFields& fields, LineWriter& line)
{
    WriteHead(line, "(9)Interroga transiti", fields.ReaderId());
    line.Text("  Num:<B>")
        .Decimal(fields.Unsigned16(3))
        .Text("</B>  Prog.Da:<B>")
        .Decimal(fields.Signed32(5))
        .Text("</B>  Prog.A:<B>")
        .Decimal(fields.Signed32(9))
        .Text("</B>");
}

void WriteResend(const FrameFields& fields, LineWriter& line)
{
    constexpr std::uint8_t kResendFinished = 9;
    const auto result = fields.Byte(3);
    WriteHead(line, "(10)Rimanda passaggio", fields.ReaderId());
    if (result == kResendFinished)
        line.Text("  <B>Fine procedura!</B>");
    else
        WriteCommandResult(line, OutcomeText(result));
}

void WriteSensitivity(const FrameFields& fields, LineWriter& line)
{
    WriteHead(line, "(54)Consulta sensibilità", fields.ReaderId());
    line.Text("  Booster:<B>").Decimal(fields.Byte(3)).Text("</B>  Livello:<B>").Decimal(fields.Byte(4)).Text("</B>");
}

void WriteGpsReset(const FrameFields& fields, LineWriter& line)
{
    const auto answered = fields.Byte(3);
    WriteHead(line, "(55)Reset GPS", fields.ReaderId());
    if (!answered)
        WriteCommandResult(line, LineWriter::kMissing);
    else
        WriteCommandResult(line, *answered == 0 ? "GPS non ha risposto" : "GPS risposto ok");
}

void WriteError(const FrameFields& fields, LineWriter& line)
{
    const auto type = fields.Byte(4);
    const std::string_view typeText = type && *type < kErrorTypeTexts.size() ? kErrorTypeTexts[*type] : "";
    line.Text("ERRORE!!  ID(")
        .Decimal(fields.ReaderId())
        .Text(")  Comando:<B>\"")
        .Decimal(fields.Byte(3))
        .Text("\"</B>  Tipo:<B>")
        .Decimal(type)
        .Text(" ")
        .Text(typeText)
        .Text("</B>  Parametro:<B>")
        .Decimal(fields.Byte(5))
        .Text("</B>");
}

}  // namespace

void WriteHead(LineWriter& line, std::string_view label, std::uint8_t readerId)
{
    line.Text(markup::kLabelColour)
        .Text(label)
        .Text("</FONT> ")
        .Text(markup::kIdColour)
        .Text("ID(")
        .Decimal(readerId)
        .Text(")</FONT>");
}

void WriteDateAndTime(const FrameFields& fields, LineWriter& line, std::size_t dateAt, std::size_t timeAt)
{
    line.Text("  data(aa-mm-gg):<B>")
        .TwoDigits(fields.Byte(dateAt))
        .Text("-")
        .TwoDigits(fields.Byte(dateAt + 1))
        .Text("-")
        .TwoDigits(fields.Byte(dateAt + 2))
        .Text("</B>  ora(hh.mm.ss):<B>")
        .TwoDigits(fields.Byte(timeAt))
        .Text(".")
        .TwoDigits(fields.Byte(timeAt + 1))
        .Text(".")
        .TwoDigits(fields.Byte(timeAt + 2))
        .Text("</B>");
}

void WriteReply(const FrameFields& fields, LineWriter& line)
{
    switch (fields.Code()) {
        case 130:
            WriteFreeMemory(fields, line);
            return;
        case 133:
            WriteClock(fields, line);
            return;
        case 137:
            WritePassingQuery(fields, line);
            return;
        case 138:
            WriteResend(fields, line);
            return;
        case 182:
            WriteSensitivity(fields, line);
            return;
        case 183:
            WriteGpsReset(fields, line);
            return;
        case 255:
            WriteError(fields, line);
            return;
        default:
            break;
    }
    const auto reply = std::find_if(kOutcomeReplies.begin(), kOutcomeReplies.end(),
                                    [&](const OutcomeReply& entry) { return entry.code == fields.Code(); });
    if (reply == kOutcomeReplies.end()) return;
    WriteHead(line, reply->label, fields.ReaderId());
    WriteCommandResult(line, OutcomeText(fields.Byte(3)));
}

}  // namespace orvek
