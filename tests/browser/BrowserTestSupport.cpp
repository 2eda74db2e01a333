#include "BrowserTestSupport.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThreadPool>

namespace BrowserTest {

QString makeTree(const QString &relative, const QStringList &entries)
{
    const QString folder = TestSupport::makeFolder(relative);
    for (const QString &entry : entries) {
        if (entry.endsWith(u'/'))
            QDir().mkpath(folder + u'/' + entry);
        else
            makeFile(folder + u'/' + entry);
    }
    return folder;
}

void makeFile(const QString &path, qint64 size)
{
    TestSupport::writeFile(path, QByteArray(size, 'x'));
}

void settle()
{
    for (int round = 0; round < 3; ++round) {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QTest::qWait(20);
    }
}

QStringList names(const QList<FileItem> &items)
{
    QStringList list;
    for (const FileItem &item : items)
        list << item.name;
    return list;
}

FileItem item(const QString &name, bool isDir, qint64 size, const QDateTime &created,
              const QString &kind, const QStringList &tags, const QString &folder)
{
    FileItem result;
    result.path = folder + u'/' + name;
    result.name = name;
    result.isDir = isDir;
    result.size = size;
    result.created = created;
    result.modified = created;
    result.kind = kind;
    result.tags = tags;
    return result;
}

} // namespace BrowserTest
