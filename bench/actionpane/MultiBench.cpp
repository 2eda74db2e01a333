// Ctrl+A in the list of a large folder, as the window shows it (offscreen, 1280x800):
// the time from the key press until the detail column shows the selection's count and
// total size and the GUI thread is idle again, with the action pane in the column and
// with the inspector in its place, interleaved in one process.
//   marovel_actionpane_bench <folder> <runs>   prints "pane-ms inspector-ms items"
#include "BrowserState.h"
#include "DisplayHelpers.h"
#include "Localization.h"
#include "PaneState.h"
#include "kit/Icons.h"
#include "window/ContentView.h"

#include <QAbstractEventDispatcher>
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

bool waitFor(const std::function<bool()> &done, int ms = 60000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// Whether a visible label of the column shows exactly `text`.
bool shows(const QWidget *root, const QString &text)
{
    for (const QLabel *label : root->findChildren<QLabel *>()) {
        if (label->isVisible() && label->text() == text)
            return true;
    }
    return false;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    Kit::prepareIconTheme();
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: marovel_actionpane_bench <folder> <runs>\n");
        return 2;
    }
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int runs = std::max(1, atoi(argv[2]));

    BrowserState state;
    state.activePane()->go(folder, false);
    ContentView view(state);
    view.resize(1280, 800);
    view.show();
    PaneState *pane = state.activePane();
    const qsizetype entries = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size();
    if (!waitFor([&] { return pane->items().size() == entries; })) {
        std::fprintf(stderr, "the folder was not listed\n");
        return 1;
    }
    qint64 total = 0;
    for (const FileItem &item : pane->items())
        total += item.size;
    const QString count = L("%lld 个项目", qint64(pane->items().size()));
    const QString size = L("共 %@", sizeStr(total));
    auto *list = view.findChild<QAbstractItemView *>(QStringLiteral("paneList"));
    if (!list) {
        std::fprintf(stderr, "no list\n");
        return 1;
    }

    // One Ctrl+A with the column as it is; ms until count and size show and the event
    // queue is empty.
    const auto selectAll = [&] {
        pane->setSelection({});
        waitFor([&] { return !shows(&view, count); }, 5000);
        QCoreApplication::processEvents();
        list->setFocus();
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        if (!waitFor([&] { return shows(&view, count) && shows(&view, size); }))
            return -1.0;
        QCoreApplication::processEvents();
        view.repaint();
        return timer.nsecsElapsed() / 1e6;
    };

    std::vector<double> paneTimes, inspectorTimes;
    for (int run = 0; run < runs + 1; ++run) {
        state.setShowInspector(false);
        QCoreApplication::processEvents();
        const double withPane = selectAll();
        state.setShowInspector(true);
        QCoreApplication::processEvents();
        const double withInspector = selectAll();
        if (withPane < 0 || withInspector < 0) {
            std::fprintf(stderr, "the column never showed %s / %s\n", qPrintable(count), qPrintable(size));
            return 1;
        }
        if (run == 0)
            continue; // warm-up
        paneTimes.push_back(withPane);
        inspectorTimes.push_back(withInspector);
    }
    std::printf("%.1f %.1f %lld\n", median(paneTimes), median(inspectorTimes), qint64(pane->items().size()));
    return 0;
}
