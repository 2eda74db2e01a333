#include "Integration.h"

#include "Defaults.h"
#include "MimeAppsList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#undef signals // GLib uses the name
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#define signals Q_SIGNALS

namespace Integration {

namespace {

const QString folderType = QStringLiteral("inode/directory");
const QString defaultsGroup = QStringLiteral("Default Applications");
const QString addedGroup = QStringLiteral("Added Associations");

QString dataHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString configHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString userEntryPath()
{
    return dataHome() + QStringLiteral("/applications/") + QLatin1String(desktopId);
}

QString mimeAppsPath()
{
    return configHome() + QStringLiteral("/mimeapps.list");
}

QString userAutostartPath()
{
    return configHome() + QStringLiteral("/autostart/") + QLatin1String(desktopId);
}

// The first autostart entry of ours in $XDG_CONFIG_DIRS; empty when there is none.
QString systemAutostartPath()
{
    const QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    for (qsizetype i = 1; i < dirs.size(); ++i) {
        const QString path = dirs.at(i) + QStringLiteral("/autostart/") + QLatin1String(desktopId);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

QString keyFileEscaped(const QString &value)
{
    QString escaped;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\': escaped += QStringLiteral("\\\\"); break;
        case '\n': escaped += QStringLiteral("\\n"); break;
        case '\t': escaped += QStringLiteral("\\t"); break;
        case '\r': escaped += QStringLiteral("\\r"); break;
        default: escaped += c;
        }
    }
    return escaped;
}

bool writeAtomically(const QString &path, const QByteArray &bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

bool isHidden(const QString &entryPath)
{
    return MimeAppsList::readValue(entryPath, QStringLiteral("Desktop Entry"), QStringLiteral("Hidden"))
           == QStringLiteral("true");
}

QStringList idsOf(const std::optional<QString> &line)
{
    QStringList ids;
    if (line) {
        for (const QString &id : line->split(u';', Qt::SkipEmptyParts))
            ids << id.trimmed();
    }
    return ids;
}

// Whether a value of the handler line names Marovel first (GIO writes "id" or "id;...").
bool namesMarovel(const std::optional<QString> &line)
{
    const QStringList ids = idsOf(line);
    return !ids.isEmpty() && ids.constFirst() == QLatin1String(desktopId);
}

// Takes Marovel out of the added associations for folders again, unless it was there
// before Marovel took the role.
bool dropAddedAssociation(bool wasThere)
{
    const std::optional<QString> added = MimeAppsList::readValue(mimeAppsPath(), addedGroup, folderType);
    QStringList ids = idsOf(added);
    if (wasThere || !ids.contains(QLatin1String(desktopId)))
        return true;
    ids.removeAll(QLatin1String(desktopId));
    const std::optional<QString> rest = ids.isEmpty() ? std::nullopt : std::optional(ids.join(u';') + u';');
    return MimeAppsList::writeValue(mimeAppsPath(), addedGroup, folderType, rest);
}

QString runningExecutable()
{
    return QCoreApplication::applicationFilePath();
}

} // namespace

QString execArgument(const QString &path)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    quoted.replace(u'%', QStringLiteral("%%"));
    return keyFileEscaped(quoted);
}

QByteArray desktopEntry(const QString &executable)
{
    QFile shipped(QStringLiteral(":/integration/marovel.desktop"));
    shipped.open(QIODevice::ReadOnly);
    QByteArray text = shipped.readAll();
    text = MimeAppsList::withValue(text, QStringLiteral("Desktop Entry"), QStringLiteral("Exec"),
                                   execArgument(executable) + QStringLiteral(" %U"));
    return MimeAppsList::withValue(text, QStringLiteral("Desktop Entry"), QStringLiteral("TryExec"),
                                   keyFileEscaped(executable));
}

bool isInstalled()
{
    const QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString &dir : dirs) {
        if (QFileInfo(dir + QStringLiteral("/applications/") + QLatin1String(desktopId)).isFile())
            return true;
    }
    return false;
}

bool installDesktopEntry()
{
    return installDesktopEntry(runningExecutable());
}

bool installDesktopEntry(const QString &executable)
{
    return writeAtomically(userEntryPath(), desktopEntry(executable));
}

bool isDefaultFileViewer()
{
    GAppInfo *app = g_app_info_get_default_for_type(folderType.toUtf8().constData(), FALSE);
    if (!app)
        return false;
    const bool ours = qstrcmp(g_app_info_get_id(app), desktopId) == 0;
    g_object_unref(app);
    return ours;
}

void setDefaultFileViewer(bool on)
{
    const std::optional<QString> line = MimeAppsList::readValue(mimeAppsPath(), defaultsGroup, folderType);
    Defaults &defaults = Defaults::shared();
    const QString previousKey = QLatin1String(previousViewerKey);
    if (!on) {
        // Only what Marovel put there is given back; a later choice of the user stays.
        if (!namesMarovel(line))
            return;
        const QString previous = defaults.value(previousKey).toString();
        const std::optional<QString> restored = previous.isEmpty() ? std::nullopt : std::optional(previous);
        const bool addedBefore = defaults.boolValue(QLatin1String(previousAddedKey), false);
        if (MimeAppsList::writeValue(mimeAppsPath(), defaultsGroup, folderType, restored)
            && dropAddedAssociation(addedBefore)) {
            defaults.remove(previousKey);
            defaults.remove(QLatin1String(previousAddedKey));
        }
        return;
    }
    if (!namesMarovel(line)) {
        defaults.setValue(previousKey, line.value_or(QString()));
        const std::optional<QString> added = MimeAppsList::readValue(mimeAppsPath(), addedGroup, folderType);
        defaults.setValue(QLatin1String(previousAddedKey), idsOf(added).contains(QLatin1String(desktopId)));
    }
    GDesktopAppInfo *info = g_desktop_app_info_new(desktopId);
    if (!info)
        return; // not installed (or not yet seen by GIO): a later reassertion tries again
    g_app_info_set_as_default_for_type(G_APP_INFO(info), folderType.toUtf8().constData(), nullptr);
    g_object_unref(info);
}

void reassertIfWanted()
{
    if (Defaults::shared().boolValue(QLatin1String(wantedKey), false) && isInstalled()
        && !isDefaultFileViewer())
        setDefaultFileViewer(true);
}

bool isLoginEnabled()
{
    const QString user = userAutostartPath();
    if (QFileInfo::exists(user))
        return QFileInfo(user).isFile() && !isHidden(user);
    const QString system = systemAutostartPath();
    return !system.isEmpty() && !isHidden(system);
}

void setLogin(bool on)
{
    setLogin(on, runningExecutable());
}

void setLogin(bool on, const QString &executable)
{
    const QString path = userAutostartPath();
    const QByteArray entry = desktopEntry(executable);
    if (on) {
        if (!writeAtomically(path, entry))
            throw Error("cannot write " + path.toStdString());
        return;
    }
    if (!systemAutostartPath().isEmpty()) {
        // A system-wide entry is switched off for this user by a hidden one of the same name.
        const QByteArray hidden =
            MimeAppsList::withValue(entry, QStringLiteral("Desktop Entry"), QStringLiteral("Hidden"), QStringLiteral("true"));
        if (!writeAtomically(path, hidden))
            throw Error("cannot write " + path.toStdString());
        return;
    }
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        if (!QFile::remove(path))
            throw Error("cannot remove " + path.toStdString());
    }
}

} // namespace Integration
