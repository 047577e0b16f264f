#include "links/SerialLink.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orvek {
namespace {

constexpr int kWaitMs = 10000;

// A pseudo-terminal: the test holds the master and plays the reader; the link opens the slave.
class SerialLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        int slave = -1;
        char name[256] = {};
        ASSERT_EQ(::openpty(&m_master, &slave, name, nullptr, nullptr), 0) << std::strerror(errno);
        // The link opens the slave by its path; the test keeps no descriptor of it.
        ::close(slave);
        m_slavePath = QString::fromLocal8Bit(name);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }

    void TearDown() override
    {
        m_link.close();
        closeMaster();
    }

    void closeMaster()
    {
        if (m_master >= 0) ::close(m_master);
        m_master = -1;
    }

    void openLink()
    {
        const std::optional<QString> error = m_link.open(m_slavePath);
        ASSERT_FALSE(error.has_value()) << error->toStdString();
    }

    // What the link has sent so far, as the reader sees it.
    QByteArray readMaster(qsizetype expected)
    {
        QByteArray bytes;
        // A shortfall shows in the caller's comparison.
        (void)QTest::qWaitFor(
            [&] {
                char chunk[256];
                for (ssize_t count; (count = ::read(m_master, chunk, sizeof chunk)) > 0;) bytes.append(chunk, count);
                return bytes.size() >= expected;
            },
            kWaitMs);
        return bytes;
    }

    SerialLink m_link;
    int m_master = -1;
    QString m_slavePath;
};

TEST_F(SerialLinkTest, OpenReportsOpenedBeforeReturning)
{
    bool openWhenReported = false;
    int opened = 0;
    QObject::connect(&m_link, &SerialLink::opened, [&] {
        ++opened;
        openWhenReported = m_link.isOpen();
    });

    openLink();
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(openWhenReported);
    EXPECT_TRUE(m_link.isOpen());

    EXPECT_TRUE(m_link.open(m_slavePath).has_value()) << "opened twice";
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(m_link.isOpen());
}

TEST_F(SerialLinkTest, PortRunsAt115200EightNoneOneWithoutFlowControl)
{
    openLink();
    // On Linux the master reports the slave's line settings.
    termios attributes{};
    ASSERT_EQ(::tcgetattr(m_master, &attributes), 0);
    EXPECT_EQ(::cfgetospeed(&attributes), B115200);
    EXPECT_EQ(::cfgetispeed(&attributes), B115200);
    EXPECT_EQ(attributes.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(attributes.c_cflag & PARENB, 0u);
    EXPECT_EQ(attributes.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(attributes.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(attributes.c_iflag & (IXON | IXOFF), 0u);
}

TEST_F(SerialLinkTest, BytesFromTheReaderArriveAsRxCharReadOneAtATime)
{
    openLink();
    QByteArray received;
    bool countMatchedWaiting = true;
    QObject::connect(&m_link, &SerialLink::rxChar, [&](qint64 count) {
        countMatchedWaiting = countMatchedWaiting && count == m_link.bytesWaiting();
        for (qint64 i = 0; i < count; ++i) received += static_cast<char>(m_link.readChar());
    });

    const QByteArray frame("\x00\x85\x01\x0d\x0a\xff\x00\x00\x00\x87\x0d\x0a", 12);
    ASSERT_EQ(::write(m_master, frame.constData(), frame.size()), frame.size());
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() >= frame.size(); }, kWaitMs));
    EXPECT_EQ(received, frame) << "bytes were translated or lost on the way";
    EXPECT_TRUE(countMatchedWaiting);
    EXPECT_EQ(m_link.bytesWaiting(), 0);
}

TEST_F(SerialLinkTest, WrittenBytesReachTheReaderUntranslated)
{
    EXPECT_FALSE(m_link.write("x")) << "written while closed";
    openLink();
    const QByteArray frame("\x00\x01\x01\x00\x00\x00\x01\x0d\x0a\x11\x13", 11);
    ASSERT_TRUE(m_link.write(frame));
    EXPECT_EQ(readMaster(frame.size()), frame);
}

// As socat's link= names a pseudo-terminal, and given without a folder.
TEST_F(SerialLinkTest, OpensALinkNamedRelativeToTheWorkingFolder)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QFile::link(m_slavePath, folder.filePath(QStringLiteral("orvek-a"))));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    const std::optional<QString> error = m_link.open(QStringLiteral("orvek-a"));
    QDir::setCurrent(previous);

    ASSERT_FALSE(error.has_value()) << error->toStdString();
    ASSERT_TRUE(m_link.write("via link"));
    EXPECT_EQ(readMaster(8), QByteArray("via link"));
}

TEST_F(SerialLinkTest, CloseReportsClosedOnceAndReopens)
{
    QSignalSpy closed(&m_link, &SerialLink::closed);
    m_link.close();
    EXPECT_EQ(closed.count(), 0) << "closed reported for a port that was not open";

    openLink();
    m_link.close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(m_link.isOpen());
    m_link.close();
    EXPECT_EQ(closed.count(), 1);

    openLink();
    ASSERT_TRUE(m_link.write("again"));
    EXPECT_EQ(readMaster(5), QByteArray("again"));
}

TEST_F(SerialLinkTest, ReaderGoingAwayIsReportedOnceAndTheOwnerCloses)
{
    openLink();
    QStringList lost;
    QSignalSpy closed(&m_link, &SerialLink::closed);
    // As the window does: close the port and keep the text to show.
    QObject::connect(&m_link, &SerialLink::deviceLost, [&](const QString& text) {
        lost << text;
        m_link.close();
    });

    closeMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lost.isEmpty(); }, kWaitMs));
    QTest::qWait(200);
    EXPECT_EQ(lost.size(), 1);
    // A hung-up terminal fails every access with EIO; no stale text from earlier calls.
    EXPECT_EQ(lost[0], QString::fromLocal8Bit(std::strerror(EIO)));
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(m_link.isOpen());
}

TEST_F(SerialLinkTest, LostDeviceStaysOpenUntilTheOwnerClosesIt)
{
    openLink();
    QSignalSpy lost(&m_link, &SerialLink::deviceLost);
    closeMaster();
    ASSERT_TRUE(lost.wait(kWaitMs));
    EXPECT_TRUE(m_link.isOpen());
    EXPECT_FALSE(m_link.write("late")) << "a write to the lost device was reported as sent";
    QTest::qWait(200);
    EXPECT_EQ(lost.count(), 1);
}

TEST(SerialLinkOpenFailure, MissingDeviceIsNotFound)
{
    SerialLink link;
    QSignalSpy opened(&link, &SerialLink::opened);
    const std::optional<QString> error = link.open(QStringLiteral("/dev/ttyORVEKmissing"));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, QStringLiteral("Specified device not found (/dev/ttyORVEKmissing)."));
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(opened.count(), 0);
}

struct UnopenableCase {
    const char* name;
    const char* entry;  // made inside a temporary folder
    bool isDirectory;
    int code;
};

class SerialLinkUnopenable : public ::testing::TestWithParam<UnopenableCase> {};

// Cases that fail even for root.
TEST_P(SerialLinkUnopenable, NamesPathCodeAndSystemText)
{
    const UnopenableCase& testCase = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QString::fromLatin1(testCase.entry));
    if (testCase.isDirectory) {
        ASSERT_TRUE(QDir().mkdir(path));
    } else {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    SerialLink link;
    QSignalSpy opened(&link, &SerialLink::opened);
    const std::optional<QString> error = link.open(path);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error,
              QStringLiteral("Can't open specified device %1 (Error %2, %3)")
                  .arg(path, QString::number(testCase.code), QString::fromLocal8Bit(std::strerror(testCase.code))));
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(opened.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, SerialLinkUnopenable,
                         ::testing::Values(UnopenableCase{"Directory", "folder", true, EISDIR},
                                           UnopenableCase{"PlainFile", "plain", false, ENOTTY}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvek
