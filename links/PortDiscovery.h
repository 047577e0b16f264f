#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace orvek {

// One discovered serial port.
struct ComPortInfo {
    int number = 0;        // "COM%d" digits on Windows; 1, 2, 3, ... in listing order elsewhere
    QString portName;      // "COM3", "ttyUSB0"
    QString friendlyName;  // "USB Serial Port (COM3)"
    QString location;      // what the serial link opens ("\\\\.\\COM3", "/dev/ttyUSB0")
};

// The value of the text after "COM" read as a decimal integer (leading blanks, optional sign,
// digits up to the first non-digit); 0 when no digit follows: "COM12" -> 12.
int ComPortNumber(const QString& portName);

// The ports present now, in a stable order, then the paths named in ORVEK_SERIAL_PORTS.
QList<ComPortInfo> EnumComPorts();

// The last parenthesised group of a friendly name moved to the front, every occurrence of it
// removed from the rest, the rest trimmed: "USB Serial Port (COM3)" -> "(COM3) USB Serial Port".
QString DisplayName(const QString& friendlyName);

// Appends "%d;%s" (number, display name) for each port; does not empty list first. Gives back
// the records so the caller can find a number's location.
QList<ComPortInfo> ListComPorts(QStringList& list);

}  // namespace orvek
