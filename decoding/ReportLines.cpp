#include "decoding/Markup.h"
#include "decoding/MessageLines.h"

namespace orvek {

namespace {

constexpr std::uint8_t kBatteryLowFlag = 1;

void WriteTransponderId(std::optional<std::int32_t> id, LineWriter& line)
{
    line.Text("  Transp.ID:").Text(markup::kTransponderId).Text("<B> ").Decimal(id).Text(" </B></FONT>");
}

}  // namespace

void WritePassingReport(const FrameFields& fields, LineWriter& line)
{
    line.Text(markup::kPassHead)
        .Text("<B>(")
        .Decimal(fields.Code())
        .Text(")PASS</B></FONT> ")
        .Text(markup::kIdColour)
        .Text("ID(")
        .Decimal(fields.ReaderId())
        .Text(")</FONT>");
    line.Text("  data(aa-mm-gg):")
        .Text(markup::kPassingValue)
        .Text(" <B>")
        .TwoDigits(fields.Byte(3))
        .Text("-")
        .TwoDigits(fields.Byte(4))
        .Text("-")
        .TwoDigits(fields.Byte(5))
        .Text("</B> </FONT>  ora(hh.mm.ss):")
        .Text(markup::kPassingValue)
        .Text(" <B>")
        .TwoDigits(fields.Byte(6))
        .Text(".")
        .TwoDigits(fields.Byte(7))
        .Text(".")
        .TwoDigits(fields.Byte(8))
        .Text("</B> </FONT>  Prog:<B>")
        .Decimal(fields.Signed32(9))
        .Text("</B>");
    WriteTransponderId(fields.Signed32(13), line);
    line.Text("  Tempo:")
        .Text(markup::kPassingValue)
        .Text("<B> ")
        .Decimal(fields.Signed32(17))
        .Text(" </B></FONT>  Ridond.:")
        .Text(markup::kPassingValue)
        .Text("<B> ")
        .Decimal(fields.Unsigned16(21))
        .Text(" </B></FONT>");
    const auto battery = fields.Byte(23);
    line.Text("  Batt:")
        .Text(battery == kBatteryLowFlag ? markup::kBatteryLow : markup::kPlainFont)
        .Text("<B> ")
        .Decimal(battery)
        .Text(" </B></FONT>");
}

StatusReadouts WriteStatusReport(const FrameFields& fields, LineWriter& line)
{
    const auto volt = fields.Byte(17);
    const auto internalSign = fields.Byte(18);
    const auto internalTemperature = fields.Byte(19);

    WriteHead(line, "(81)Stato>", fields.ReaderId());
    WriteDateAndTime(fields, line, 3, 6);
    line.Text("  Prog:<B>")
        .Decimal(fields.Signed32(9))
        .Text("</B>  Disturbo:<B>")
        .Decimal(fields.Byte(13))
        .Text("</B>");
    line.Text("  Umidità:<B>")
        .Decimal(fields.Byte(14))
        .Text("</B>  Temp.Ext:<B>")
        .Sign(fields.Byte(15))
        .Decimal(fields.Byte(16))
        .Text("</B>  Volt:<B>")
        .Tenths(volt)
        .Text("</B>");
    line.Text("  Temp.Int:<B>")
        .Sign(internalSign)
        .Decimal(internalTemperature)
        .Text("</B>  Antenna:<B>")
        .Decimal(fields.Byte(20))
        .Text("</B>");

    // The read-outs show the internal temperature, not the external one.
    StatusReadouts readouts;
    LineWriter(readouts.temperature).Sign(internalSign).Decimal(internalTemperature).Text("°");
    LineWriter(readouts.power).Tenths(volt).Text("V");
    return readouts;
}

void WriteTransponderReport(const FrameFields& fields, LineWriter& line)
{
    const bool standing = fields.Code() == 83;
    WriteHead(line, standing ? "(83)Transponder fermo su antenna>" : "(85)Contatto transponder", fields.ReaderId());
    WriteTransponderId(fields.Signed32(3), line);
}

}  // namespace orvek
