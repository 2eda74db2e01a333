#include "SampleGen.h"

#include "Localization.h"

#include <QDir>
#include <QUuid>

QString SampleGen::makeDir()
{
    const QString prefix = Loc::shared().language() == u"en" ? QStringLiteral("Marovel Sample-")
                                                             : QStringLiteral("Marovel 示例-");
    // The first group of a new UUID: eight upper-case hexadecimal digits.
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).left(8).toUpper();
    const QString path = QDir(QDir::tempPath()).filePath(prefix + id);
    QDir().mkpath(path); // a failure leaves a path to a missing folder, which callers accept
    return path;
}
