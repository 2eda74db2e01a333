// The listing benchmark's command-line driver: a whole process that lists a folder with
// FileLister::list and prints one line per entry, as `find DIR -maxdepth 1 -printf
// '%s %T@ %y\n'` does for the reference; "make" fills a folder with test files first.
//   files_bench make <folder> <count>
//   files_bench list <folder>
#include "FileLister.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int make(const QString &folder, int count)
{
    // A mix of names like a real downloads folder: known and unknown extensions,
    // compound extensions, no extension, Chinese names, a few folders.
    static const char *const suffixes[] = {".pdf", ".jpg", ".txt", ".tar.gz", ".docx",
                                           ".xyz", "",     ".png", ".zip",    ".md"};
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        const QString name =
            (i % 7 == 0 ? QStringLiteral("发票-%1") : QStringLiteral("file-%1")).arg(i) +
            QLatin1String(suffixes[i % 10]);
        const QByteArray path = QFile::encodeName(folder + u'/' + name);
        if (i % 100 == 99) {
            ::mkdir(path.constData(), 0755);
            continue;
        }
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0)
            return 1;
        if (i % 3 == 0 && ::write(fd, "content\n", 8) != 8)
            return 1;
        ::close(fd);
    }
    return 0;
}

int list(const QString &folder)
{
    const QList<FileItem> items = FileLister::list(folder, true);
    for (const FileItem &item : items)
        std::printf("%lld %.3f %c\n", static_cast<long long>(item.size),
                    item.modified.toMSecsSinceEpoch() / 1000.0, item.isDir ? 'd' : 'f');
    return items.isEmpty() ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == u"list")
        return list(args[2]);
    if (args.size() >= 4 && args[1] == u"make")
        return make(args[2], args[3].toInt());
    std::fprintf(stderr, "usage: files_bench make <folder> <count> | list <folder>\n");
    return 2;
}
