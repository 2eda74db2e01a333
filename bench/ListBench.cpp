// The list and icon views over a large folder, as the window shows them (offscreen).
//   list_bench enter <folder>          one whole entry in a shown 1280x800 list: exits once
//                                      every row is in the model and the first rows are
//                                      painted; prints "first-paint-ms model-ms"
//   list_bench sort <folder> <runs>    median ms from a click on the size header to the
//                                      repainted list
//   list_bench scroll <folder> <runs>  median ms to repaint after a one-page scroll: the
//                                      list, the grid, and plain views over a bare array model
//   list_bench pngs <folder> <count>   writes small PNG images
//   list_bench memory <folder>         scrolls the grid over the folder from top to end;
//                                      prints the resident memory in MiB
#include "BrowserState.h"
#include "PaneState.h"
#include "list/FileIconView.h"
#include "list/FileListModel.h"
#include "list/FileListView.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

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

// Counts paints of a viewport.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The reference: the same five texts per row straight from arrays, nothing else.
class BareModel : public QAbstractTableModel
{
public:
    explicit BareModel(const QList<FileItem> &items)
    {
        for (const FileItem &item : items)
            m_rows.push_back({item.name, QString(), QString::number(item.size), item.kind, QString()});
    }
    int rowCount(const QModelIndex & = {}) const override { return int(m_rows.size()); }
    int columnCount(const QModelIndex & = {}) const override { return 5; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return m_rows[index.row()][index.column()];
    }

private:
    std::vector<std::array<QString, 5>> m_rows;
};

void listed(BrowserState &state, const QString &folder)
{
    PaneState *pane = state.activePane();
    bool done = false;
    QObject::connect(pane, &PaneState::listed, pane, [&] { done = true; });
    pane->go(folder, false);
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

int enter(const QString &folder)
{
    QElapsedTimer timer;
    timer.start();
    BrowserState state;
    FileListView view(state, state.activePane());
    view.resize(1280, 800);
    view.show();
    PaintCounter counter;
    view.viewport()->installEventFilter(&counter);
    state.activePane()->go(folder, false);
    double modelMs = -1;
    double paintMs = -1;
    int paintsAtModel = 0;
    while (paintMs < 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (modelMs < 0 && view.fileModel()->rowCount() > 0) {
            modelMs = timer.nsecsElapsed() / 1e6;
            paintsAtModel = counter.paints;
            view.viewport()->update();
        }
        if (modelMs >= 0 && counter.paints > paintsAtModel)
            paintMs = timer.nsecsElapsed() / 1e6;
    }
    std::printf("%.1f %.1f %lld\n", paintMs, modelMs, qint64(view.fileModel()->rowCount()));
    return 0;
}

int sortClicks(const QString &folder, int runs)
{
    BrowserState state;
    FileListView view(state, state.activePane());
    view.resize(1280, 800);
    view.show();
    listed(state, folder);
    QCoreApplication::processEvents();
    QHeaderView *header = view.horizontalHeader();
    const QPoint at(header->sectionViewportPosition(FileListModel::SizeColumn) + 10, header->height() / 2);
    const double ms = medianMs(runs, [&] {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        QCoreApplication::processEvents(); // the coalesced update
        view.viewport()->repaint();
    });
    std::printf("%.1f\n", ms);
    return 0;
}

double pageScrolls(QAbstractItemView *view, int runs)
{
    view->resize(1280, 800);
    view->show();
    QCoreApplication::processEvents();
    view->viewport()->repaint();
    QScrollBar *bar = view->verticalScrollBar();
    return medianMs(runs, [&] {
        bar->setValue(bar->value() + bar->pageStep());
        view->viewport()->repaint();
    });
}

int scroll(const QString &folder, int runs)
{
    BrowserState state;
    listed(state, folder);
    FileListView list(state, state.activePane());
    const double listMs = pageScrolls(&list, runs);
    FileIconView grid(state);
    const double gridMs = pageScrolls(&grid, runs);
    BareModel bare(state.activePane()->items());
    QTableView table;
    table.setModel(&bare);
    table.verticalHeader()->hide();
    table.verticalHeader()->setDefaultSectionSize(22);
    const double tableMs = pageScrolls(&table, runs);
    QListView icons;
    icons.setViewMode(QListView::IconMode);
    icons.setUniformItemSizes(true);
    icons.setGridSize(grid.gridSize());
    icons.setModel(&bare);
    const double iconsMs = pageScrolls(&icons, runs);
    std::printf("%.2f %.2f %.2f %.2f\n", listMs, gridMs, tableMs, iconsMs);
    return 0;
}

int pngs(const QString &folder, int count)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        QImage image(640, 480, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(i * 37 % 360, 160, 220));
        QPainter painter(&image);
        painter.drawText(image.rect(), Qt::AlignCenter, QString::number(i));
        painter.end();
        if (!image.save(QStringLiteral("%1/img%2.png").arg(folder).arg(i, 5, 10, QChar('0'))))
            return 1;
    }
    return 0;
}

double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

int memory(const QString &folder)
{
    BrowserState state;
    state.setViewMode(ViewMode::Icon);
    listed(state, folder);
    FileIconView grid(state);
    grid.resize(1280, 800);
    grid.show();
    QCoreApplication::processEvents();
    QScrollBar *bar = grid.verticalScrollBar();
    while (bar->value() < bar->maximum()) {
        bar->setValue(bar->value() + bar->pageStep());
        grid.viewport()->repaint();
        QTest::qWait(5);
    }
    QTest::qWait(500);
    std::printf("%.1f\n", residentMiB());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (args.size() == 3 && mode == u"enter")
        return enter(args[2]);
    if (args.size() == 4 && mode == u"sort")
        return sortClicks(args[2], args[3].toInt());
    if (args.size() == 4 && mode == u"scroll")
        return scroll(args[2], args[3].toInt());
    if (args.size() == 4 && mode == u"pngs")
        return pngs(args[2], args[3].toInt());
    if (args.size() == 3 && mode == u"memory")
        return memory(args[2]);
    std::fprintf(stderr, "usage: list_bench enter|sort|scroll|pngs|memory <folder> [runs|count]\n");
    return 2;
}
