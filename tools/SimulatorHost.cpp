#include "tools/SimulatorHost.h"

#include "tools/SimulatorChannel.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace orvek {

namespace {

// The host's local time as the reader's civil clock.
std::chrono::sys_seconds LocalClockNow()
{
    using namespace std::chrono;
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    const sys_days day{year_month_day{year{date.year()}, month{static_cast<unsigned>(date.month())},
                                      std::chrono::day{static_cast<unsigned>(date.day())}}};
    return day + hours{time.hour()} + minutes{time.minute()} + seconds{time.second()};
}

ReaderSettings WithStartClock(ReaderSettings settings)
{
    settings.startClock = LocalClockNow();
    return settings;
}

}  // namespace

SimulatorHost::SimulatorHost(const SimulatorOptions& options, std::ostream& out, QObject* parent)
    : QObject(parent),
      m_options(options),
      m_out(out),
      m_reader(WithStartClock(options.reader)),
      m_faults(options.faults, options.reader.seed)
{
    m_ticker.setInterval(kTick);
    connect(&m_ticker, &QTimer::timeout, this, &SimulatorHost::tick);
}

SimulatorHost::~SimulatorHost()
{
    if (m_linkMade) ::unlink(m_options.linkPath.c_str());
}

std::optional<std::string> SimulatorHost::start()
{
    m_clock.start();
    if (m_options.listen) {
        QHostAddress address;
        if (!address.setAddress(QString::fromStdString(m_options.listenAddress))) {
            return "bad --listen address '" + m_options.listenAddress + "': expected an IP address";
        }
        m_server = new QTcpServer(this);
        if (!m_server->listen(address, m_options.listenPort)) {
            return "cannot listen on " + m_options.listenAddress + ":" + std::to_string(m_options.listenPort) + ": " +
                   m_server->errorString().toStdString();
        }
        connect(m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server->nextPendingConnection()) addChannel(new TcpChannel(socket, this));
        });
        m_out << "listening on " << m_options.listenAddress << ':' << m_server->serverPort() << std::endl;
    }
    if (m_options.pty) {
        if (std::optional<std::string> error = openPty()) return error;
    }
    m_ticker.start();
    return std::nullopt;
}

quint16 SimulatorHost::tcpPort() const { return m_server != nullptr ? m_server->serverPort() : 0; }

std::string SimulatorHost::ptyPath() const { return m_pty != nullptr ? m_pty->slavePath() : std::string(); }

SimulatedReader::Elapsed SimulatorHost::elapsed() const { return SimulatedReader::Elapsed(m_clock.elapsed()); }

std::optional<std::string> SimulatorHost::openPty()
{
    std::string error;
    m_pty = PtyChannel::open(this, error);
    if (m_pty == nullptr) return error;
    if (!m_options.linkPath.empty()) {
        const QFileInfo existing(QString::fromStdString(m_options.linkPath));
        // Only a link of ours is replaced, never a file.
        if (existing.exists() && !existing.isSymLink())
            return "--link " + m_options.linkPath + " exists and is no symbolic link";
        if (existing.isSymLink()) ::unlink(m_options.linkPath.c_str());
        if (::symlink(m_pty->slavePath().c_str(), m_options.linkPath.c_str()) != 0) {
            return "cannot make the link " + m_options.linkPath + ": " + std::strerror(errno);
        }
        m_linkMade = true;
    }
    addChannel(m_pty);
    m_out << "pty " << m_pty->slavePath() << std::endl;
    return std::nullopt;
}

void SimulatorHost::addChannel(SimulatorChannel* channel)
{
    m_sentFrames[channel] = 0;
    channel->setFrameHandler([this](SimulatorChannel& from, const FrameBytes& frame) { onFrame(from, frame); });
    connect(channel, &SimulatorChannel::finished, this, [this, channel] { onFinished(channel); });
    connect(channel, &SimulatorChannel::writable, this, [this, channel] {
        if (channel == m_floodTarget) feedFlood();
    });
    if (m_options.flood && m_floodTarget == nullptr && !m_floodDone) startFlood(channel);
}

void SimulatorHost::onFrame(SimulatorChannel& channel, const FrameBytes& frame)
{
    for (const FrameBytes& reply : m_reader.Receive(frame, elapsed())) sendTo(channel, reply);
}

void SimulatorHost::onFinished(SimulatorChannel* channel)
{
    m_sentFrames.erase(channel);
    if (channel == m_floodTarget) {
        m_out << "flood: " << m_floodSent << " of " << *m_options.flood << " passings sent before the link closed"
              << std::endl;
        m_floodTarget = nullptr;
        m_floodDone = true;
    }
    channel->deleteLater();
    if (channel == m_pty) {
        m_pty = nullptr;
        // A serial line that was cut: a new device takes its place.
        if (std::optional<std::string> error = openPty()) m_out << "cannot reopen the pty: " << *error << std::endl;
    }
}

void SimulatorHost::tick()
{
    const std::vector<FrameBytes> reports = m_reader.Advance(elapsed());
    if (reports.empty()) return;
    std::vector<SimulatorChannel*> channels;
    for (const auto& [channel, sent] : m_sentFrames) channels.push_back(channel);
    for (SimulatorChannel* channel : channels) {
        for (const FrameBytes& report : reports) {
            if (channel->backlog() < kMostBacklog && m_sentFrames.count(channel) != 0) sendTo(*channel, report);
        }
    }
}

void SimulatorHost::sendTo(SimulatorChannel& channel, const FrameBytes& frame)
{
    auto sent = m_sentFrames.find(&channel);
    // Frames after --close-after on this connection are not sent: it is closing.
    if (sent == m_sentFrames.end() || (m_options.closeAfter && sent->second >= *m_options.closeAfter)) return;
    channel.send(m_faults.Writes(frame, channel.encoding()));
    if (m_options.closeAfter && ++sent->second == *m_options.closeAfter) channel.closeWhenWritten();
}

void SimulatorHost::startFlood(SimulatorChannel* channel)
{
    m_floodTarget = channel;
    m_floodSent = 0;
    m_floodClock.start();
    feedFlood();
}

void SimulatorHost::feedFlood()
{
    if (m_floodTarget == nullptr) return;
    const std::uint64_t wanted = *m_options.flood;
    while (m_floodSent < wanted && m_floodTarget->backlog() < kFloodBacklog && m_sentFrames.count(m_floodTarget) != 0) {
        sendTo(*m_floodTarget, m_reader.FloodPassing(elapsed()));
        ++m_floodSent;
    }
    if (m_floodSent == wanted && m_floodTarget->backlog() == 0) {
        m_out << "flood: " << m_floodSent << " passings sent in " << m_floodClock.elapsed() << " ms" << std::endl;
        m_floodTarget = nullptr;
        m_floodDone = true;
    }
}

}  // namespace orvek
