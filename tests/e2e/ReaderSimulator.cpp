#include "tests/e2e/ReaderSimulator.h"

#include <QRegularExpression>
#include <QTest>

#ifndef ORVEK_SIM_PATH
#error "ORVEK_SIM_PATH must name the orvek-reader-sim executable"
#endif

namespace orvek::test {

ReaderSimulator::~ReaderSimulator() { stop(); }

bool ReaderSimulator::start(const QStringList& args)
{
    stop();
    m_output.clear();
    m_failure.clear();
    m_tcpPort = 0;
    m_ptyPath.clear();

    const bool wantPty = args.contains("--pty") || args.contains("--link");
    const bool wantTcp = args.contains("--listen") || !wantPty;
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(QStringLiteral(ORVEK_SIM_PATH), args);
    const bool up = QTest::qWaitFor([&] { return announced(wantTcp, wantPty) || !isRunning(); }, kStartMs);
    if (up && announced(wantTcp, wantPty)) return true;
    m_failure = QString("orvek-reader-sim %1 did not come up: %2 %3")
                    .arg(args.join(' '), m_process.errorString(),
                         QString::fromLocal8Bit(m_process.readAllStandardError()).trimmed());
    stop();
    return false;
}

bool ReaderSimulator::announced(bool wantTcp, bool wantPty)
{
    static const QRegularExpression listening("^listening on [0-9.]+:([0-9]+)$", QRegularExpression::MultilineOption);
    static const QRegularExpression pty("^pty (\\S+)$", QRegularExpression::MultilineOption);
    const QString text = output();
    if (const QRegularExpressionMatch match = listening.match(text); match.hasMatch())
        m_tcpPort = match.captured(1).toUShort();
    if (const QRegularExpressionMatch match = pty.match(text); match.hasMatch()) m_ptyPath = match.captured(1);
    return (!wantTcp || m_tcpPort != 0) && (!wantPty || !m_ptyPath.isEmpty());
}

void ReaderSimulator::stop()
{
    if (!isRunning()) return;
    m_process.terminate();
    // Waiting with the event loop running lets the console see its link go.
    if (!QTest::qWaitFor([this] { return !isRunning(); }, kStopMs)) {
        m_process.kill();
        (void)QTest::qWaitFor([this] { return !isRunning(); }, kStopMs);
    }
}

void ReaderSimulator::kill()
{
    if (!isRunning()) return;
    m_process.kill();
    (void)QTest::qWaitFor([this] { return !isRunning(); }, kStopMs);
}

QString ReaderSimulator::output()
{
    m_output += QString::fromLocal8Bit(m_process.readAllStandardOutput());
    return m_output;
}

}  // namespace orvek::test
