#include "console/Main.h"
#include "console/Application.h"

#include <exception>

int main(int argc, char** argv)
{
    orvek::ConsoleApplication application(argc, argv);
    try {
        orvek::TForm1 form;
        form.show();
        application.exec();
    } catch (const std::exception& error) {
        orvek::ConsoleApplication::ShowEscapedError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        orvek::ConsoleApplication::ShowEscapedError(QString());
    }
    return 0;
}
