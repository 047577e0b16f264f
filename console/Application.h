#pragma once

#include <QApplication>
#include <QString>

namespace orvek {

// The application title, also the caption of the box that shows an error no handler caught.
inline constexpr const char* kApplicationTitle = "Orvek Reader Protocol";

// Shows an error that escaped an event handler and lets the console carry on.
class ConsoleApplication : public QApplication {
    Q_OBJECT
public:
    ConsoleApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The standard error box: the application title, an error icon, the text and "OK".
    static void ShowEscapedError(const QString& text);
};

}  // namespace orvek
