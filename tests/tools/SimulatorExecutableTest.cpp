#include "tests/tools/ToolRun.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>

namespace orvek::test {
namespace {

constexpr int kGenerousMs = 20000;

QString SimulatorPath() { return QStringLiteral(ORVEK_SIM_PATH); }

TEST(SimulatorExecutable, HelpListsEveryOption)
{
    QProcess sim;
    sim.start(SimulatorPath(), {QStringLiteral("--help")});
    ASSERT_TRUE(sim.waitForFinished(kGenerousMs));
    EXPECT_EQ(sim.exitCode(), 0);
    const QString help = QString::fromUtf8(sim.readAllStandardOutput());
    for (const char* option :
         {"--listen", "--pty", "--link", "--id", "--firmware", "--status-every", "--passings-per-second", "--seed",
          "--split-envelopes", "--garbage", "--bad-checksum", "--close-after", "--flood", "--help"}) {
        EXPECT_TRUE(help.contains(QLatin1String(option))) << option;
    }
}

TEST(SimulatorExecutable, BadOptionsExitTwoWithOneLine)
{
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    const QString port = QString::number(taken.serverPort());
    const std::vector<std::pair<QStringList, QString>> cases{
        {{"--bogus"}, "orvek-reader-sim: unknown option --bogus; orvek-reader-sim --help lists the options\n"},
        {{"--garbage", "2"},
         "orvek-reader-sim: bad --garbage '2': expected a rate from 0 to 1; orvek-reader-sim --help "
         "lists the options\n"},
        {{"--listen", "localhost:4140"},
         "orvek-reader-sim: bad --listen address 'localhost': expected an IP address\n"},
        {{"--listen", "127.0.0.1:" + port},
         "orvek-reader-sim: cannot listen on 127.0.0.1:" + port + ": The bound address is already in use\n"},
    };
    for (const auto& [args, err] : cases) {
        QProcess sim;
        sim.start(SimulatorPath(), args);
        ASSERT_TRUE(sim.waitForFinished(kGenerousMs));
        EXPECT_EQ(sim.exitCode(), 2) << args.join(' ').toStdString();
        EXPECT_EQ(QString::fromUtf8(sim.readAllStandardError()), err);
        EXPECT_EQ(sim.readAllStandardOutput(), QByteArray());
    }
}

TEST(SimulatorExecutable, ServesTcpAndALinkedPtyUntilTerminated)
{
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("reader"));
    QProcess sim;
    sim.start(SimulatorPath(),
              {"--listen", "127.0.0.1:0", "--link", link, "--status-every", "0.2", "--passings-per-second", "0"});
    QByteArray out;
    const QRegularExpression announced("^listening on 127\\.0\\.0\\.1:([0-9]+)\npty (/dev/pts/[0-9]+)\n$");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return announced.match(QString::fromUtf8(out += sim.readAllStandardOutput())).hasMatch(); },
        kGenerousMs));
    const QRegularExpressionMatch match = announced.match(QString::fromUtf8(out));
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), match.captured(2));

    const ToolRun status =
        RunTool({"monitor", "--tcp", "127.0.0.1:" + match.captured(1).toStdString(), "--count", "1", "--for", "20"});
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_TRUE(status.out.starts_with("(81)Stato> ID(1)")) << status.out;

    const ToolRun firmware = RunTool({"send", "--serial", link.toStdString(), "1", "--wait", "5000"});
    EXPECT_EQ(firmware.status, 0) << firmware.err;
    EXPECT_NE(firmware.out.find("(1)Firmware ID(1)  Ver:\"ZTB Sim Ver: 7.02 build 2026\" CK ok"), std::string::npos)
        << firmware.out;

    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(kGenerousMs));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

}  // namespace
}  // namespace orvek::test
