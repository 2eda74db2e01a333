#include "McpFixture.h"

#include "TestSupport.h"

#include <QDirIterator>
#include <QFile>

#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void setDate(const QString &path)
{
    // 2026-06-26T08:30:00Z
    const timespec when{1782462600, 0};
    const timespec times[2] = {when, when};
    if (::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::runtime_error("cannot date fixture item");
}

void link(const QString &target, const QString &path)
{
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) != 0)
        throw std::runtime_error("cannot create fixture link");
}

} // namespace

McpFixture::McpFixture()
{
    root = TestSupport::root();
    ws = TestSupport::makeFolder(QStringLiteral("ws"));
    outside = TestSupport::makeFolder(QStringLiteral("outside"));
    TestSupport::writeFile(ws + "/docs/report.txt", "hello");
    TestSupport::writeFile(ws + "/docs/.hidden", "h");
    TestSupport::makeFolder(QStringLiteral("ws/photos"));
    TestSupport::writeFile(ws + "/notes.md", "# notes\n");
    TestSupport::writeFile(outside + "/MARKER.txt", QByteArray(1000, 'm'));
    TestSupport::writeFile(outside + "/inner/MARKER-inner.txt", "m");
    link(outside + "/inner", ws + "/escape");
    link(outside + "/MARKER.txt", ws + "/secret-link");

    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    QStringList paths;
    while (it.hasNext())
        paths << it.next();
    // Children before their folders, so dating a child does not move its folder's date.
    std::sort(paths.begin(), paths.end(), std::greater<>());
    for (const QString &path : paths)
        setDate(path);

    workspace = WorkspaceRegistry::shared().add(ws);
}

QMap<QString, QString> McpFixture::snapshot(const QString &folder)
{
    QMap<QString, QString> items;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info;
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
            continue;
        items.insert(path, QStringLiteral("%1 %2 %3.%4")
                               .arg(info.st_mode)
                               .arg(info.st_size)
                               .arg(info.st_mtim.tv_sec)
                               .arg(info.st_mtim.tv_nsec));
    }
    return items;
}
