// Stepping through a large folder with the arrow key while the detail column shows the
// action pane, and then the inspector, in one window (offscreen, 1280x800).
//   action_bench <folder> <steps>
// Each step is one Down key press in the list, timed until the GUI thread is idle again:
// with the action pane, until the item's application lookup and (cached) scenario have
// landed; with the inspector, until its update. The scenarios of the stepped-over files
// are cached beforehand. Prints "pane-median-ms inspector-median-ms".
#include "BrowserState.h"
#include "PaneState.h"
#include "action/ActionPane.h"
#include "action/ActionPaneModel.h"
#include "action/SingleItemView.h"
#include "list/FileListView.h"
#include "window/ContentView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

void runUntil(const std::function<bool()> &done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
}

// Runs everything already queued, paints included: until a zero timer posted now fires.
void drain()
{
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    runUntil([&] { return fired; });
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Milliseconds per Down key press until `settled` holds and the queue has drained.
std::vector<double> step(ContentView &view, int steps, const std::function<bool(const QString &)> &settled)
{
    BrowserState &state = view.state();
    auto *list = view.findChild<FileListView *>(QStringLiteral("paneList"));
    list->setFocus();
    state.activePane()->setSelection({state.activePane()->displayed().first().path});
    drain();
    std::vector<double> times;
    for (int i = 0; i < steps; ++i) {
        const QString before = state.previewURL();
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(list, Qt::Key_Down);
        runUntil([&] { return state.previewURL() != before && settled(state.previewURL()); });
        drain();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return times;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: action_bench <folder> <steps>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int steps = std::max(1, QString::fromLocal8Bit(argv[2]).toInt());

    BrowserState state;
    state.activePane()->go(folder, false);
    state.setLayout(PaneLayout::Single);
    ContentView view(state);
    view.resize(1280, 800);
    view.show();
    runUntil([&] { return !state.activePane()->items().isEmpty(); });
    const QList<FileItem> shown = state.activePane()->displayed();
    for (int i = 0; i <= steps && i < shown.size(); ++i)
        state.scenarioCache().insert(shown.at(i).path, ScenarioMatch{});
    drain();

    const std::vector<double> pane = step(view, steps, [&](const QString &path) {
        auto *actions = view.findChild<ActionPane *>(QStringLiteral("actionPane"));
        const ActionPaneModel &model = actions->model();
        const FileItem &item = actions->singleView()->item();
        return item.path == path && (item.isDir || (!model.thinking() && model.match()));
    });

    state.setShowInspector(true);
    drain();
    const std::vector<double> inspector = step(view, steps, [](const QString &) { return true; });

    std::printf("%.3f %.3f\n", median(pane), median(inspector));
    return 0;
}
