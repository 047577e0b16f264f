#pragma once

#include "tests/e2e/ConsoleDriver.h"
#include "tests/e2e/ReaderSimulator.h"

#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>

namespace orvek::test {

// Answers the modal windows the console opens, in the order expected, and closes (and
// records) any other, so that no test can hang on one.
class ModalAnswerer {
public:
    using Answer = std::function<void(QWidget*)>;

    ModalAnswerer();

    void expect(Answer answer) { m_answers.push_back(std::move(answer)); }
    bool allAnswered() const { return m_answers.empty(); }
    const QStringList& unexpected() const { return m_unexpected; }

private:
    void poll();

    QTimer m_timer;
    std::deque<Answer> m_answers;
    QPointer<QWidget> m_lastAnswered;
    QStringList m_unexpected;
};

// OK on a parameter dialog, with the values it opened with.
ModalAnswerer::Answer AcceptDefaults();
// Yes on a confirmation.
ModalAnswerer::Answer ConfirmYes();

enum class Link { Tcp, Pty };

const char* LinkName(Link link);
void PrintTo(Link link, std::ostream* out);

// One simulator process and the real console connected to it.
class SimulatorFixture : public ::testing::Test {
protected:
    static constexpr int kWaitMs = 20000;

    void SetUp() override;
    void TearDown() override;

    // Starts the simulator with args on link, then the console, and brings the link up as
    // the operator does (ticking "Connetti", or picking the pty and ticking "Apri Comm").
    void StartAndConnect(Link link, QStringList args);

    // The row of the first decoded line at or after fromRow that starts with prefix and
    // contains every text of also, once it has arrived.
    std::optional<int> WaitForDecoded(int fromRow, const QString& prefix, const QStringList& also = {},
                                      int timeoutMs = kWaitMs);

    QString PtyLinkPath() const { return m_folder.filePath("reader"); }

    ModalAnswerer m_modals;
    QTemporaryDir m_folder;
    ReaderSimulator m_simulator;
    std::unique_ptr<ConsoleDriver> m_console;
};

}  // namespace orvek::test
