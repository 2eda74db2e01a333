// Lists a folder with FileLister::list and prints the median time of several runs in
// milliseconds; "make" fills a folder with test files first.
//   files_bench make <folder> <count>
//   files_bench list <folder> <runs>
#include "FileLister.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: files_bench make|list <folder> <count|runs>\n");
        return 2;
    }
    const QString folder = args[2];
    const int n = args[3].toInt();
    if (args[1] == u"make") {
        // A mix of names like a real downloads folder: known and unknown extensions,
        // compound extensions, no extension, Chinese names, a few folders.
        static const char *const suffixes[] = {".pdf", ".jpg", ".txt", ".tar.gz", ".docx",
                                               ".xyz", "",     ".png", ".zip",    ".md"};
        QDir().mkpath(folder);
        for (int i = 0; i < n; ++i) {
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
    std::vector<double> times;
    qsizetype count = 0;
    for (int run = 0; run < n; ++run) {
        QElapsedTimer timer;
        timer.start();
        count = FileLister::list(folder, false).size();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("%.1f %lld\n", times[times.size() / 2], qlonglong(count));
    return 0;
}
