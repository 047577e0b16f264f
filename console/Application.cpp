#include "console/Application.h"

#include <QMessageBox>
#include <QPushButton>

#include <exception>

namespace orvek {

ConsoleApplication::ConsoleApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(kApplicationTitle);
}

bool ConsoleApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowEscapedError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ShowEscapedError(QString());
    }
    return false;
}

void ConsoleApplication::ShowEscapedError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, text, QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText("OK");
    box.exec();
}

}  // namespace orvek
