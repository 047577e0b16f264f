#include "tests/support/TempSettings.h"

#include <QByteArray>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

namespace orvek::test {

void UsePrivateSettingsLocation()
{
    static QTemporaryDir folder;
    const QByteArray path = QDir::toNativeSeparators(folder.path()).toLocal8Bit();
    qputenv("XDG_CONFIG_HOME", path);
    qputenv("HOME", path);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
}

}  // namespace orvek::test
