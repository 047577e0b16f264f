#include "console/Application.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

namespace orvek {
namespace {

// Throws from its event handler, as a faulty handler of the window would.
class ThrowingObject : public QObject {
public:
    static constexpr QEvent::Type kStdError = QEvent::User;
    static constexpr QEvent::Type kOtherError = static_cast<QEvent::Type>(QEvent::User + 1);

    bool event(QEvent* event) override
    {
        if (event->type() == kStdError) throw std::runtime_error("errore di prova");
        if (event->type() == kOtherError) throw 42;
        return QObject::event(event);
    }
};

TEST(ConsoleApplicationTest, ErrorEscapingAHandlerIsShownAndTheConsoleCarriesOn)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "test_console_application";
    char* argv[] = {name, nullptr};
    ConsoleApplication application(argc, argv);

    QStringList shown;
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown.append(box->windowTitle() + "|" + box->text());
            box->button(QMessageBox::Ok)->click();
        }
    });
    answer.start();

    ThrowingObject faulty;
    QEvent stdError(ThrowingObject::kStdError);
    EXPECT_FALSE(QCoreApplication::sendEvent(&faulty, &stdError));
    QEvent otherError(ThrowingObject::kOtherError);
    EXPECT_FALSE(QCoreApplication::sendEvent(&faulty, &otherError));
    EXPECT_EQ(shown, (QStringList{"Orvek Reader Protocol|errore di prova", "Orvek Reader Protocol|"}));

    bool carriedOn = false;
    QTimer::singleShot(0, [&carriedOn] { carriedOn = true; });
    EXPECT_TRUE(QTest::qWaitFor([&carriedOn] { return carriedOn; }, 10000));
}

}  // namespace
}  // namespace orvek
