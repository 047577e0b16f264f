#include "links/PortDiscovery.h"

#include <QDir>
#include <QSerialPortInfo>
#include <QSet>

#include <algorithm>
#include <limits>

namespace orvek {

namespace {

constexpr char kExtraPortsVariable[] = "ORVEK_SERIAL_PORTS";

bool IsBlankOrControl(QChar character) { return character.unicode() <= u' '; }

QString TrimBlanksAndControls(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && IsBlankOrControl(text[first])) ++first;
    while (last > first && IsBlankOrControl(text[last - 1])) --last;
    return text.mid(first, last - first);
}

QList<QSerialPortInfo> SystemPortsInStableOrder()
{
    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    std::sort(ports.begin(), ports.end(), [](const QSerialPortInfo& left, const QSerialPortInfo& right) {
        return left.systemLocation() < right.systemLocation();
    });
    return ports;
}

QString FriendlyName(const QSerialPortInfo& port)
{
    const QString description = port.description();
    const QString label = description.isEmpty() ? QStringLiteral("Porta seriale") : description;
    return QStringLiteral("%1 (%2)").arg(label, port.portName());
}

}  // namespace

int ComPortNumber(const QString& portName)
{
    const QString digits = portName.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ? portName.mid(3) : QString();
    qsizetype position = 0;
    while (position < digits.size() && digits[position].isSpace()) ++position;
    bool negative = false;
    if (position < digits.size() && (digits[position] == u'+' || digits[position] == u'-')) {
        negative = digits[position] == u'-';
        ++position;
    }
    // Saturates instead of overflowing; no such port opens anyway.
    long long value = 0;
    for (; position < digits.size() && digits[position] >= u'0' && digits[position] <= u'9'; ++position)
        value = std::min<long long>(value * 10 + (digits[position].unicode() - u'0'), std::numeric_limits<int>::max());
    return static_cast<int>(negative ? -value : value);
}

QList<ComPortInfo> EnumComPorts()
{
    QList<ComPortInfo> records;
    QSet<QString> locations;
    // The paths named in the environment are numbered after the highest system port.
    int number = 0;
    for (const QSerialPortInfo& port : SystemPortsInStableOrder()) {
        ComPortInfo record;
#ifdef Q_OS_WIN
        record.portName = port.portName().toUpper();
        // Printer ports share the class with COM ports but are no serial link.
        if (!record.portName.startsWith(QLatin1String("COM"))) continue;
        record.number = ComPortNumber(record.portName);
        number = std::max(number, record.number);
#else
        record.portName = port.portName();
        record.number = ++number;
#endif
        record.friendlyName = FriendlyName(port);
        record.location = port.systemLocation();
        locations.insert(record.location);
        records.append(record);
    }

    const QString extraPaths = qEnvironmentVariable(kExtraPortsVariable);
    for (const QString& path : extraPaths.split(QDir::listSeparator(), Qt::SkipEmptyParts)) {
        if (locations.contains(path)) continue;
        locations.insert(path);
        ComPortInfo record;
        record.number = ++number;
        record.portName = path;
        record.friendlyName = QStringLiteral("Porta virtuale (%1)").arg(path);
        record.location = path;
        records.append(record);
    }
    return records;
}

QString DisplayName(const QString& friendlyName)
{
    const qsizetype opening = friendlyName.lastIndexOf(u'(');
    const qsizetype closing = friendlyName.lastIndexOf(u')');
    // A ")" before the last "(" encloses no group: nothing to move.
    if (opening < 0 || closing < 0 || closing < opening) return friendlyName;
    const QString group = friendlyName.mid(opening, closing - opening + 1);
    QString rest = friendlyName;
    rest.remove(group, Qt::CaseSensitive);
    return group + u' ' + TrimBlanksAndControls(rest);
}

QList<ComPortInfo> ListComPorts(QStringList& list)
{
    const QList<ComPortInfo> records = EnumComPorts();
    for (const ComPortInfo& record : records)
        list.append(QStringLiteral("%1;%2").arg(QString::number(record.number), DisplayName(record.friendlyName)));
    return records;
}

}  // namespace orvek
