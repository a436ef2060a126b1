#include "ui/autostart_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "settings/settings.h"

namespace ui {

QString AutostartEntryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/norvel-flinga.desktop");
}

bool AutostartEnabled() {
    return QFileInfo::exists(AutostartEntryPath());
}

QString InstalledLauncherPath() {
    const std::u16string install = settings::GetInstallPath();
    return QString::fromStdU16String(install) + QStringLiteral("/Flinga/Norvel_Flinga");
}

bool SetAutostart(bool enabled, const QString& launcherPath) {
    const QString path = AutostartEntryPath();
    if (!enabled)
        return !QFileInfo::exists(path) || QFile::remove(path);
    // Exec quotes the path; the characters an Exec line cannot carry are refused.
    for (const QChar c : {u'"', u'\\', u'`', u'$', u'%', u'\n'}) {
        if (launcherPath.contains(c))
            return false;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString entry = QStringLiteral(
                              "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Norvel Flinga\n"
                              "Comment=Upload files to the Norvel cloud disk\n"
                              "Exec=\"%1\" -shortcut\n"
                              "Icon=folder-remote\n"
                              "Terminal=false\n"
                              "StartupNotify=false\n"
                              "X-GNOME-Autostart-enabled=true\n")
                              .arg(launcherPath);
    file.write(entry.toUtf8());
    return file.commit();
}

}  // namespace ui
