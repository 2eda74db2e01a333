// A pane entering a large folder, as the window does it.
//   browser_bench enter <folder>         one whole entry: go() until the sorted listing
//                                        has been applied; the process then exits
//   browser_bench split <folder> <runs>  medians in milliseconds of the parts inside one
//                                        process: listing, sorting by name, and the re-sorts
//                                        by size and by name that a click on a column does
#include "FileLister.h"
#include "ItemOrder.h"
#include "PaneState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Enters the folder with a fresh pane and runs the event loop until its listing is applied.
void enter(const QString &folder)
{
    PaneState pane(folder);
    QObject::connect(&pane, &PaneState::listed, QCoreApplication::instance(),
                     &QCoreApplication::quit);
    pane.go(folder, false);
    QCoreApplication::exec();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args[1] == u"enter") {
        enter(args[2]);
        return 0;
    }
    if (args.size() != 4 || args[1] != u"split") {
        std::fprintf(stderr, "usage: browser_bench enter <folder> | split <folder> <runs>\n");
        return 2;
    }
    const QString folder = args[2];
    const int runs = args[3].toInt();

    const QList<FileItem> listed = FileLister::list(folder, false);
    const double listMs = medianMs(runs, [&] { FileLister::list(folder, false); });
    const double sortMs = medianMs(runs, [&] {
        QList<FileItem> items = listed;
        ItemOrder::sort(items, SortKey::Name, true);
    });
    const double enterMs = medianMs(runs, [&] { enter(folder); });

    PaneState pane(folder);
    QObject::connect(&pane, &PaneState::listed, &app, &QCoreApplication::quit);
    pane.go(folder, false);
    QCoreApplication::exec();
    // Each click: a new key sorts ascending, so alternate keys to time one full sort each.
    const double bySizeMs = medianMs(runs, [&] {
        pane.setSort(SortKey::Size);
        pane.setSort(SortKey::Name);
    });
    const double byNameMs = medianMs(runs, [&] { pane.setSort(SortKey::Name); });
    std::printf("%lld %.1f %.1f %.1f %.1f %.1f\n", qlonglong(listed.size()), listMs, sortMs, enterMs,
                bySizeMs - byNameMs, byNameMs);
    return 0;
}
