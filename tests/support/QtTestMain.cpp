#include "tests/support/TempSettings.h"

#include <QApplication>

#include <gtest/gtest.h>

// Qt tests run offscreen with settings in a private folder, never the user's.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    orvek::test::UsePrivateSettingsLocation();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
