#include "LaunchPaths.h"

#include "Defaults.h"
#include "FileSystem.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>

QStringList launchPaths(const QStringList &arguments, const QString &workingFolder)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    const QDir folder(workingFolder);
    QStringList paths;
    for (const QString &argument : Defaults::otherArguments(arguments)) {
        if (argument.isEmpty())
            continue;
        const QString local = QDir::cleanPath(folder.absoluteFilePath(argument));
        // "notes:draft.txt" is a file name as much as a URI: an existing file wins.
        if (!scheme.match(argument).hasMatch() || FileSystem::exists(local)) {
            paths << local;
            continue;
        }
        const QUrl url(argument);
        if (!url.isValid() || url.scheme().compare(u"file", Qt::CaseInsensitive) != 0)
            continue;
        if (!url.host().isEmpty() && url.host().compare(u"localhost", Qt::CaseInsensitive) != 0)
            continue; // another machine's file
        const QString path = url.path(QUrl::FullyDecoded);
        if (QDir::isAbsolutePath(path))
            paths << QDir::cleanPath(path);
    }
    return paths;
}
