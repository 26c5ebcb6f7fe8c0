#include "settings/login_item.h"

#include "mount/engine_log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace tarnwick {

namespace {

void reportError(const QString& reason)
{
    writeLogLine(QStringLiteral("[Tarnwick] LoginItem error: ") + reason);
}

// One argument of an Exec key: quoted when it holds reserved characters, then escaped
// once more as a desktop-entry string (backslashes doubled), with "%" doubled.
QString execArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    const bool needsQuotes =
        std::any_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); });
    QString text;
    if (needsQuotes) {
        text += QLatin1Char('"');
        for (QChar c : argument) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                text += QLatin1Char('\\');
            text += c;
        }
        text += QLatin1Char('"');
    } else {
        text = argument;
    }
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return text;
}

QString& settingsFile()
{
    static QString path;
    return path;
}

bool isFalse(const QByteArray& value)
{
    return value.trimmed().toLower() == "false";
}

} // namespace

QString LoginItem::entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/tarnwick.desktop");
}

bool LoginItem::isEnabled()
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The keys that switch an existing entry off, inside the main group only.
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1);
        if (key == "Hidden" && value.trimmed().toLower() == "true")
            return false;
        if (key == "X-GNOME-Autostart-enabled" && isFalse(value))
            return false;
    }
    return true;
}

void LoginItem::setSettingsFile(const QString& path)
{
    settingsFile() = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

QByteArray LoginItem::entryContents(const QString& executable, const QString& settingsFile)
{
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Tarnwick\n"
                                  "Comment=Keeps your SMB shares mounted\n"
                                  "Icon=tarnwick\n"
                                  "Terminal=false\n"
                                  "X-GNOME-Autostart-enabled=true\n");
    text += QStringLiteral("Exec=") + execArgument(executable);
    if (!settingsFile.isEmpty())
        text += QStringLiteral(" --settings ") + execArgument(settingsFile);
    text += QLatin1Char('\n');
    return text.toUtf8();
}

void LoginItem::setLaunchAtLogin(bool enabled)
{
    const QString path = entryPath();
    if (!enabled) {
        QFile file(path);
        // An entry that is already gone is the state asked for.
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
            return;
        if (!file.remove())
            reportError(file.errorString());
        return;
    }
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir)) {
        reportError(QStringLiteral("Cannot create the directory %1").arg(dir));
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        reportError(file.errorString());
        return;
    }
    file.write(entryContents(QCoreApplication::applicationFilePath(), settingsFile()));
    if (!file.commit())
        reportError(file.errorString());
}

} // namespace tarnwick
