#include "tools/SimulatorChannel.h"

#include <QSocketNotifier>
#include <QTcpSocket>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace orvek {

SimulatorChannel::SimulatorChannel(QObject* parent) : QObject(parent)
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(kSplitPause);
    connect(&m_pause, &QTimer::timeout, this, [this] {
        m_paused = false;
        pump();
    });
}

void SimulatorChannel::send(const std::vector<std::string>& writes)
{
    for (std::size_t i = 0; i < writes.size(); ++i) {
        m_queue.push_back({writes[i], i > 0});
        m_queued += static_cast<qint64>(writes[i].size());
    }
    pump();
}

void SimulatorChannel::closeWhenWritten()
{
    m_closeWhenWritten = true;
    pump();
}

qint64 SimulatorChannel::backlog() const { return m_queued + systemBacklog(); }

void SimulatorChannel::frames(const std::vector<FrameBytes>& received)
{
    for (const FrameBytes& frame : received) {
        if (m_handler) m_handler(*this, frame);
    }
}

void SimulatorChannel::pump()
{
    while (!m_queue.empty() && !m_paused) {
        Write& next = m_queue.front();
        if (next.pauseBefore) {
            next.pauseBefore = false;
            m_paused = true;
            m_pause.start();
            return;
        }
        const qint64 taken = writeBytes(next.bytes.data(), static_cast<qint64>(next.bytes.size()));
        if (taken < 0) {
            m_queue.clear();
            m_queued = 0;
            closeLink();
            return;
        }
        m_queued -= taken;
        next.bytes.erase(0, static_cast<std::size_t>(taken));
        if (!next.bytes.empty()) {
            waitWritable();
            return;
        }
        m_queue.pop_front();
    }
    if (m_queue.empty() && m_closeWhenWritten) {
        m_closeWhenWritten = false;
        closeWhenDelivered();
    }
}

TcpChannel::TcpChannel(QTcpSocket* socket, QObject* parent) : SimulatorChannel(parent), m_socket(socket)
{
    m_socket->setParent(this);
    connect(m_socket, &QIODevice::readyRead, this, &TcpChannel::read);
    connect(m_socket, &QIODevice::bytesWritten, this, &SimulatorChannel::writable);
    connect(m_socket, &QAbstractSocket::disconnected, this, &SimulatorChannel::finished);
}

void TcpChannel::read()
{
    std::vector<FrameBytes> received;
    const QByteArray text = m_socket->readAll();
    m_reader.Feed(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), received);
    frames(received);
}

qint64 TcpChannel::writeBytes(const char* data, qint64 size)
{
    if (m_socket->state() != QAbstractSocket::ConnectedState) return -1;
    return m_socket->write(data, size);
}

qint64 TcpChannel::systemBacklog() const { return m_socket->bytesToWrite(); }

void TcpChannel::closeLink()
{
    // Sends what is queued, then closes; disconnected() follows.
    m_socket->disconnectFromHost();
}

PtyChannel* PtyChannel::open(QObject* parent, std::string& error)
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    termios raw{};
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B115200);
    ::cfsetospeed(&raw, B115200);
    if (::openpty(&master, &slave, name, &raw, nullptr) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return nullptr;
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    return new PtyChannel(master, slave, name, parent);
}

PtyChannel::PtyChannel(int master, int slave, std::string slavePath, QObject* parent)
    : SimulatorChannel(parent),
      m_master(master),
      m_slave(slave),
      m_slavePath(std::move(slavePath)),
      m_readNotifier(new QSocketNotifier(master, QSocketNotifier::Read, this)),
      m_writeNotifier(new QSocketNotifier(master, QSocketNotifier::Write, this))
{
    m_writeNotifier->setEnabled(false);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyChannel::read);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] {
        m_writeNotifier->setEnabled(false);
        emit writable();
        pump();
    });
    m_idle.setSingleShot(true);
    m_idle.setInterval(kIdle);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        std::vector<FrameBytes> received;
        m_reader.TimeOut(received);
        frames(received);
    });
    m_drain.setInterval(kDrainCheck);
    connect(&m_drain, &QTimer::timeout, this, [this] {
        int waiting = 0;
        if (::ioctl(m_slave, FIONREAD, &waiting) != 0 || waiting == 0 || --m_drainChecksLeft <= 0) closeLink();
    });
}

PtyChannel::~PtyChannel() { closeDescriptors(); }

void PtyChannel::read()
{
    char buffer[4096];
    const ssize_t count = ::read(m_master, buffer, sizeof buffer);
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (count <= 0) {
        closeLink();
        return;
    }
    std::vector<FrameBytes> received;
    m_reader.Feed(std::span(reinterpret_cast<const std::uint8_t*>(buffer), static_cast<std::size_t>(count)), received);
    if (m_reader.Holding()) {
        m_idle.start();
    } else {
        m_idle.stop();
    }
    frames(received);
}

qint64 PtyChannel::writeBytes(const char* data, qint64 size)
{
    if (m_master < 0) return -1;
    const ssize_t count = ::write(m_master, data, static_cast<std::size_t>(size));
    if (count >= 0) return count;
    return errno == EAGAIN || errno == EINTR ? 0 : -1;
}

void PtyChannel::waitWritable()
{
    if (m_master >= 0) m_writeNotifier->setEnabled(true);
}

void PtyChannel::closeLink()
{
    if (m_master < 0) return;
    closeDescriptors();
    emit finished();
}

void PtyChannel::closeWhenDelivered()
{
    if (m_master < 0) return;
    m_drainChecksLeft = kDrainChecks;
    m_drain.start();
}

void PtyChannel::closeDescriptors()
{
    m_drain.stop();
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    m_idle.stop();
    if (m_master >= 0) ::close(m_master);
    if (m_slave >= 0) ::close(m_slave);
    m_master = -1;
    m_slave = -1;
}

}  // namespace orvek
