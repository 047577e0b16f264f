#include "links/TcpLink.h"

#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace orvek {
namespace {

using State = TcpLink::State;

constexpr int kWaitMs = 10000;

struct Change {
    State oldState;
    State newState;
};

// A reader stand-in on 127.0.0.1 and a link aimed at it, with every state change recorded.
class TcpLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
        m_link = std::make_unique<TcpLink>(m_server.serverPort());
        QObject::connect(m_link.get(), &TcpLink::stateChanged, [this](State oldState, State newState) {
            m_changes.push_back({oldState, newState});
        });
    }

    // Connects the link and gives back the reader's end of the connection.
    QTcpSocket* connectLink()
    {
        m_link->connectTo(QStringLiteral("127.0.0.1"));
        if (!QTest::qWaitFor([this] { return m_server.hasPendingConnections(); }, kWaitMs)) return nullptr;
        QTcpSocket* peer = m_server.nextPendingConnection();
        if (!QTest::qWaitFor([this] { return m_link->state() == State::Connected; }, kWaitMs)) return nullptr;
        return peer;
    }

    // Each change starts where the previous one ended and changes something.
    void expectConsistentChanges() const
    {
        State current = State::Closed;
        for (const Change& change : m_changes) {
            EXPECT_EQ(change.oldState, current);
            EXPECT_NE(change.oldState, change.newState);
            current = change.newState;
        }
        EXPECT_EQ(current, m_link->state());
    }

    std::vector<State> newStates() const
    {
        std::vector<State> states;
        for (const Change& change : m_changes) states.push_back(change.newState);
        return states;
    }

    QTcpServer m_server;
    std::unique_ptr<TcpLink> m_link;
    std::vector<Change> m_changes;
};

// The link's own descriptor, found among the process's sockets by its local port.
int DescriptorWithLocalPort(quint16 port)
{
    for (int descriptor = 3; descriptor < 1024; ++descriptor) {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        if (::getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
            address.sin_family == AF_INET && ntohs(address.sin_port) == port)
            return descriptor;
    }
    return -1;
}

TEST_F(TcpLinkTest, ConnectsAsynchronouslyThroughConnectingToConnected)
{
    m_link->connectTo(QStringLiteral("127.0.0.1"));
    EXPECT_NE(m_link->state(), State::Connected) << "connectTo waited for the connection";

    ASSERT_TRUE(QTest::qWaitFor([this] { return m_link->state() == State::Connected; }, kWaitMs));
    const std::vector<State> states = newStates();
    const auto connecting = std::find(states.begin(), states.end(), State::Connecting);
    ASSERT_NE(connecting, states.end());
    EXPECT_EQ(states.back(), State::Connected);
    EXPECT_LT(connecting - states.begin(), static_cast<std::ptrdiff_t>(states.size()) - 1);
    expectConsistentChanges();
}

TEST_F(TcpLinkTest, KeepAliveIsOnWithSixSecondsIdleAndThreeSecondsInterval)
{
    QTcpSocket* peer = connectLink();
    ASSERT_NE(peer, nullptr);
    const int descriptor = DescriptorWithLocalPort(peer->peerPort());
    ASSERT_GE(descriptor, 0);

    int keepAlive = 0, idle = 0, interval = 0;
    socklen_t size = sizeof(int);
    ASSERT_EQ(::getsockopt(descriptor, SOL_SOCKET, SO_KEEPALIVE, &keepAlive, &size), 0);
    ASSERT_EQ(::getsockopt(descriptor, IPPROTO_TCP, TCP_KEEPIDLE, &idle, &size), 0);
    ASSERT_EQ(::getsockopt(descriptor, IPPROTO_TCP, TCP_KEEPINTVL, &interval, &size), 0);
    EXPECT_NE(keepAlive, 0);
    EXPECT_EQ(idle, 6);
    EXPECT_EQ(interval, 3);
}

TEST_F(TcpLinkTest, RefusedAttemptEndsInClosed)
{
    const quint16 unusedPort = m_server.serverPort();
    m_server.close();
    TcpLink refused(unusedPort);
    std::vector<State> states;
    QObject::connect(&refused, &TcpLink::stateChanged,
                     [&states](State, State newState) { states.push_back(newState); });

    refused.connectTo(QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(QTest::qWaitFor([&states] { return !states.empty() && states.back() == State::Closed; }, kWaitMs));
    EXPECT_EQ(refused.state(), State::Closed);
    EXPECT_EQ(std::count(states.begin(), states.end(), State::Connected), 0);

    // The next attempt starts from Closed like the first.
    states.clear();
    refused.connectTo(QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(QTest::qWaitFor([&states] { return !states.empty() && states.back() == State::Closed; }, kWaitMs));
}

TEST_F(TcpLinkTest, PeerCloseEndsInClosed)
{
    QTcpSocket* peer = connectLink();
    ASSERT_NE(peer, nullptr);
    peer->close();
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_link->state() == State::Closed; }, kWaitMs));
    EXPECT_EQ(m_changes.back().oldState, State::Connected);
    expectConsistentChanges();
    EXPECT_FALSE(m_link->send("{AAA=}"));
}

TEST_F(TcpLinkTest, CloseReportsClosedBeforeReturning)
{
    ASSERT_NE(connectLink(), nullptr);
    m_changes.clear();

    m_link->close();
    ASSERT_EQ(m_changes.size(), 1u);
    EXPECT_EQ(m_changes[0].oldState, State::Connected);
    EXPECT_EQ(m_changes[0].newState, State::Closed);

    // Closing again, or later events of the dead socket, report nothing more.
    m_link->close();
    QTest::qWait(100);
    EXPECT_EQ(m_changes.size(), 1u);
}

TEST_F(TcpLinkTest, CloseDuringAttemptEndsItAtOnce)
{
    m_link->connectTo(QStringLiteral("127.0.0.1"));
    ASSERT_NE(m_link->state(), State::Closed);
    m_link->close();
    EXPECT_EQ(m_link->state(), State::Closed);
    EXPECT_EQ(m_changes.back().newState, State::Closed);

    QTest::qWait(200);
    EXPECT_EQ(m_link->state(), State::Closed) << "the abandoned attempt came up after all";
    expectConsistentChanges();
}

TEST_F(TcpLinkTest, SecondConnectWhileUpChangesNothing)
{
    ASSERT_NE(connectLink(), nullptr);
    const size_t changes = m_changes.size();
    m_link->connectTo(QStringLiteral("127.0.0.1"));
    QTest::qWait(100);
    EXPECT_EQ(m_link->state(), State::Connected);
    EXPECT_EQ(m_changes.size(), changes);
}

TEST_F(TcpLinkTest, SendsAndReceivesBytes)
{
    EXPECT_FALSE(m_link->send("{AAA=}")) << "sent while not connected";
    QTcpSocket* peer = connectLink();
    ASSERT_NE(peer, nullptr);

    const QByteArray toReader = "{AAUBAAAAAAMNCg==}";
    ASSERT_TRUE(m_link->send(toReader));
    QByteArray atReader;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            atReader += peer->readAll();
            return atReader.size() >= toReader.size();
        },
        kWaitMs));
    EXPECT_EQ(atReader, toReader);

    QSignalSpy announced(m_link.get(), &TcpLink::dataAvailable);
    const QByteArray fromReader("{AIUBAAAAAIYNCg==}\0\xff", 20);
    peer->write(fromReader);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_link->bytesAvailable() >= fromReader.size(); }, kWaitMs));
    EXPECT_GE(announced.count(), 1);
    EXPECT_EQ(m_link->receive(1000), fromReader);
    EXPECT_EQ(m_link->receive(1000), QByteArray());
}

// A handler that takes at most 1000 bytes per notification still gets everything, in order,
// without the reader sending more.
TEST_F(TcpLinkTest, ReadsCutAtTheBufferSizeDeliverTheRest)
{
    QTcpSocket* peer = connectLink();
    ASSERT_NE(peer, nullptr);
    constexpr qsizetype kReadSize = 1000;
    QByteArray received;
    std::vector<qsizetype> readSizes;
    QObject::connect(m_link.get(), &TcpLink::dataAvailable, [&] {
        const QByteArray chunk = m_link->receive(kReadSize);
        readSizes.push_back(chunk.size());
        received += chunk;
    });

    QByteArray sent;
    for (int i = 0; i < 2500; ++i) sent += static_cast<char>(i % 251);
    peer->write(sent);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() >= sent.size(); }, kWaitMs))
        << received.size() << " of " << sent.size() << " bytes delivered";
    EXPECT_EQ(received, sent);
    for (qsizetype size : readSizes) EXPECT_LE(size, kReadSize);
}

}  // namespace
}  // namespace orvek
