#include "links/SerialLink.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSignalBlocker>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace orvek {

namespace {

QString SystemErrorText(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

QString CantOpenText(const QString& devicePath, int code)
{
    return QStringLiteral("Can't open specified device %1 (Error %2, %3)")
        .arg(devicePath, QString::number(code), SystemErrorText(code));
}

QString NotFoundText(const QString& devicePath)
{
    return QStringLiteral("Specified device not found (%1).").arg(devicePath);
}

// QSerialPort reports its own enum only; the operator is shown the nearest system code.
int SystemCodeFor(QSerialPort::SerialPortError error)
{
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return ENOENT;
        case QSerialPort::PermissionError:
            return EACCES;
        case QSerialPort::OpenError:
            return EBUSY;
        default:
            return EIO;
    }
}

#ifdef Q_OS_UNIX
// Repeats what the port does on opening, to learn errno: 0 when it is a terminal that opens.
int ProbeDevice(const QString& location)
{
    const int descriptor = ::open(QFile::encodeName(location).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return errno;
    int error = 0;
    termios attributes{};
    if (::tcgetattr(descriptor, &attributes) != 0) error = errno;
    ::close(descriptor);
    return error;
}
#endif

QString OpenFailureText(const QString& devicePath, const QString& location, QSerialPort::SerialPortError error)
{
    int code = 0;
#ifdef Q_OS_UNIX
    code = ProbeDevice(location);
#else
    Q_UNUSED(location);
#endif
    // The device opens now (it was busy a moment ago, or another program holds its lock file).
    if (code == 0) code = SystemCodeFor(error);
    if (code == ENOENT) return NotFoundText(devicePath);
    return CantOpenText(devicePath, code);
}

// A terminal whose other end has gone reads end-of-file without setting errno, so QSerialPort's
// text is stale; every further access to it fails with EIO.
QString LossText(QSerialPort& port)
{
#ifdef Q_OS_UNIX
    pollfd watched{static_cast<int>(port.handle()), POLLIN | POLLOUT, 0};
    if (::poll(&watched, 1, 0) == 1 && (watched.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        return SystemErrorText(EIO);
#endif
    return port.errorString();
}

bool IsLossOfDevice(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError || error == QSerialPort::WriteError;
}

}  // namespace

SerialLink::SerialLink(QObject* parent) : QObject(parent), m_port(new QSerialPort(this))
{
    m_port->setBaudRate(QSerialPort::Baud115200);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);

    connect(m_port, &QIODevice::readyRead, this, [this] { emit rxChar(m_port->bytesAvailable()); });
    connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (m_port->isOpen() && IsLossOfDevice(error)) reportDeviceLost(LossText(*m_port));
    });
}

SerialLink::~SerialLink()
{
    // The owner is going away: closing now reports nothing.
    m_port->disconnect(this);
}

bool SerialLink::isOpen() const { return m_port->isOpen() || m_deviceLost; }

std::optional<QString> SerialLink::open(const QString& devicePath)
{
    if (isOpen()) return CantOpenText(devicePath, EBUSY);
    if (devicePath.isEmpty()) return NotFoundText(devicePath);
#ifdef Q_OS_UNIX
    // QSerialPort would look for a name without a folder in /dev; the operator means this folder.
    const QString location = QFileInfo(devicePath).absoluteFilePath();
#else
    const QString location = devicePath;
#endif
    m_port->setPortName(location);
    if (!m_port->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port->error();
        m_port->clearError();
        return OpenFailureText(devicePath, location, error);
    }
    {
        // A device without modem lines (a pseudo-terminal) refuses these; that is no fault.
        const QSignalBlocker quiet(m_port);
        m_port->setDataTerminalReady(false);
        m_port->setRequestToSend(false);
    }
    m_port->clearError();
    m_deviceLost = false;
    emit opened();
    return std::nullopt;
}

void SerialLink::close()
{
    if (!isOpen()) return;
    if (m_port->isOpen()) {
        // Errors while closing are not news to the owner: it is closing.
        const QSignalBlocker quiet(m_port);
        m_port->flush();
        m_port->close();
        m_port->clearError();
    }
    m_deviceLost = false;
    emit closed();
}

bool SerialLink::write(const QByteArray& bytes)
{
    if (!m_port->isOpen()) return false;
    return m_port->write(bytes) == bytes.size();
}

qint64 SerialLink::bytesWaiting() const { return m_port->bytesAvailable(); }

std::uint8_t SerialLink::readChar()
{
    char byte = 0;
    if (!m_port->getChar(&byte)) return 0;
    return static_cast<std::uint8_t>(byte);
}

void SerialLink::reportDeviceLost(const QString& errorText)
{
    if (m_deviceLost) return;
    m_deviceLost = true;
    // The dead descriptor would keep signalling errors without end; the link still counts as
    // open until its owner closes it.
    {
        const QSignalBlocker quiet(m_port);
        m_port->close();
        m_port->clearError();
    }
    emit deviceLost(errorText);
}

}  // namespace orvek
