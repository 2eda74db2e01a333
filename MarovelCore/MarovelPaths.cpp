#include "MarovelPaths.h"

#include "CoreError.h"
#include "Localization.h"

#include "FileSystem.h"

#include <QDir>
#include <QStandardPaths>

namespace MarovelPaths {

QString appSupport()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/Marovel");
}

QString base()
{
    const QString home = qEnvironmentVariable("MAROVEL_HOME");
    if (home.isEmpty())
        return appSupport();
    return QDir::cleanPath(QDir::current().absoluteFilePath(home));
}

QString roots()
{
    return base() + QStringLiteral("/workspaces.json");
}

QString plans()
{
    return base() + QStringLiteral("/plans");
}

QString journal()
{
    return base() + QStringLiteral("/transactions.jsonl");
}

void prepare()
{
    const QString folder = plans();
    if (int error = FileSystem::makePath(folder))
        throw FileSystemError(L("无法创建文件夹“%@”：%@", folder, systemReason(error)));
}

} // namespace MarovelPaths
