// The listing benchmark's command-line driver: a whole process that lists a folder with
// FileLister::list and prints one line per entry, as `find DIR -maxdepth 1 -printf
// '%s %T@ %y\n'` does for the reference; "make" fills a folder with test files first.
//   files_bench make <folder> <count>
//   files_bench list <folder>
#include "FileLister.h"

#include <QDir>
#include <QFile>

#include <charconv>
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

// One line as printf("%lld %.3f %c\n", size, msecs / 1000.0, type) prints it, without
// formatting a floating-point number per entry.
void printItem(qint64 size, qint64 msecs, bool isDir)
{
    char line[64];
    char *const end = line + sizeof line;
    char *p = std::to_chars(line, end, size).ptr;
    *p++ = ' ';
    if (msecs < 0)
        *p++ = '-';
    const quint64 magnitude = msecs < 0 ? 0 - quint64(msecs) : quint64(msecs);
    p = std::to_chars(p, end, magnitude / 1000).ptr;
    const unsigned fraction = unsigned(magnitude % 1000);
    *p++ = '.';
    *p++ = char('0' + fraction / 100);
    *p++ = char('0' + fraction / 10 % 10);
    *p++ = char('0' + fraction % 10);
    *p++ = ' ';
    *p++ = isDir ? 'd' : 'f';
    *p++ = '\n';
    std::fwrite(line, 1, size_t(p - line), stdout);
}

int list(const QString &folder)
{
    const QList<FileItem> items = FileLister::list(folder, true);
    for (const FileItem &item : items)
        printItem(item.size, item.modified.toMSecsSinceEpoch(), item.isDir);
    return items.isEmpty() ? 1 : 0;
}

} // namespace

// No application object: the listing needs none, and a command-line tool does not pay
// for setting one up.
int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QFile::decodeName(argv[i]);
    if (args.size() >= 3 && args[1] == u"list")
        return list(args[2]);
    if (args.size() >= 4 && args[1] == u"make")
        return make(args[2], args[3].toInt());
    std::fprintf(stderr, "usage: files_bench make <folder> <count> | list <folder>\n");
    return 2;
}
