// The folder-size benchmark's driver: a whole process that walks a tree as the information
// panel does (ItemInfo::folderSize) and prints the total, as `du -s -B1 DIR` does for the
// reference; "make" writes the tree first.
//   folder_size_bench make <folder> <count>
//   folder_size_bench size <folder>
#include "ItemInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// `count` files in a tree like a project or a photo archive: 100 folders of up to 1,000
// entries, every tenth folder with a sub-folder, hidden files, a few symbolic links, and
// files of a few sizes (empty ones included).
int make(const QString &folder, int count)
{
    static const QByteArray block(6000, 'x');
    QDir().mkpath(folder);
    const int perFolder = 1000;
    for (int i = 0; i < count; ++i) {
        const int group = i / perFolder;
        QString dir = folder + QStringLiteral("/group-%1").arg(group);
        if (group % 10 == 0 && i % 2 == 1)
            dir += QStringLiteral("/inner");
        if (i % perFolder < 2)
            QDir().mkpath(dir);
        const QString name = (i % 50 == 0 ? QStringLiteral(".hidden-%1") : QStringLiteral("file-%1.dat")).arg(i);
        const QByteArray path = QFile::encodeName(dir + u'/' + name);
        if (i % 500 == 499) {
            if (::symlink("../..", path.constData()) != 0)
                return 1;
            continue;
        }
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0)
            return 1;
        const int size = (i % 4) * 1500;
        const bool ok = ::write(fd, block.constData(), size) == size;
        ::close(fd);
        if (!ok)
            return 1;
    }
    return 0;
}

int size(const QString &folder)
{
    const std::optional<qint64> total = ItemInfo::folderSize(folder);
    if (!total)
        return 1;
    std::printf("%lld\n", static_cast<long long>(*total));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == u"size")
        return size(args[2]);
    if (args.size() >= 4 && args[1] == u"make")
        return make(args[2], args[3].toInt());
    std::fprintf(stderr, "usage: folder_size_bench make <folder> <count> | size <folder>\n");
    return 2;
}
