// Driver of the content search benchmark (bench/search.sh).
//
//   marovel_search_bench DB QUERIES ROUNDS
//
// DB is a content index built beforehand, QUERIES a text file with one query per line.
// Each round takes every query twice, interleaved: ContentIndex::search alone (call to
// result on the GUI thread), then the search sheet, shown offscreen, from its search call
// (Return in the field) to the first paint of its list with the answer's rows, and to the
// last row built. Prints "query<TAB>index ms<TAB>first rows ms<TAB>all rows ms<TAB>hits".
#include "ContentIndex.h"
#include "Defaults.h"
#include "search/ContentSearchDialog.h"
#include "search/ContentSearchResultRow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFutureWatcher>
#include <QKeyEvent>
#include <QLineEdit>
#include <QThread>

#include <cstdio>

namespace {

using Results = ContentSearchSource::Results;

// The index's source, noting when the sheet asks.
class TimedSource : public ContentIndexSource
{
public:
    using ContentIndexSource::ContentIndexSource;
    QFuture<Results> search(const QString &query) override
    {
        if (!asked) {
            asked = true;
            clock.start();
        }
        return ContentIndexSource::search(query);
    }
    bool asked = false;
    QElapsedTimer clock;
};

// Notes the first paint of a result row after the sheet asked.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(TimedSource &source) : m_source(source) {}
    double firstPaintMs = -1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && firstPaintMs < 0 && m_source.asked
            && qobject_cast<ContentSearchResultRow *>(watched))
            firstPaintMs = double(m_source.clock.nsecsElapsed()) / 1e6;
        return QObject::eventFilter(watched, event);
    }

private:
    TimedSource &m_source;
};

double indexSearch(ContentIndex &index, const QString &query, qsizetype *hits)
{
    QElapsedTimer timer;
    QEventLoop loop;
    QFutureWatcher<Results> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    timer.start();
    watcher.setFuture(index.search(query));
    if (!watcher.isFinished())
        loop.exec();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    *hits = watcher.future().result().size();
    return ms;
}

template<typename Predicate>
bool spinUntil(Predicate done, int ms = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: marovel_search_bench DB QUERIES ROUNDS\n");
        return 2;
    }
    QFile list(QString::fromLocal8Bit(argv[2]));
    if (!list.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "search bench: cannot read the queries\n");
        return 2;
    }
    QStringList queries;
    for (const QByteArray &line : list.readAll().split('\n'))
        if (!line.trimmed().isEmpty())
            queries << QString::fromUtf8(line.trimmed());
    const int rounds = QByteArray(argv[3]).toInt();

    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList());
    Defaults::shared().setValue(ContentIndex::enabledKey, true);
    ContentIndexConfig config;
    config.databasePath = QString::fromLocal8Bit(argv[1]);
    ContentIndex index(config);
    TimedSource source(index);
    ContentSearchDialog dialog(source);
    dialog.show();
    auto *field = dialog.findChild<QLineEdit *>(QStringLiteral("searchField"));
    PaintWatch watch(source);
    app.installEventFilter(&watch);
    bool filled = false;
    double allMs = 0;
    QObject::connect(&dialog, &ContentSearchDialog::rowsFilled, [&] {
        if (source.asked && !filled) {
            filled = true;
            allMs = double(source.clock.nsecsElapsed()) / 1e6;
        }
    });

    qsizetype warmHits = 0;
    indexSearch(index, QStringLiteral("warm"), &warmHits); // opens the database
    for (int round = 0; round < rounds; ++round) {
        for (const QString &query : queries) {
            qsizetype hits = 0;
            const double alone = indexSearch(index, query, &hits);

            source.asked = false;
            watch.firstPaintMs = -1;
            filled = false;
            {
                const QSignalBlocker quiet(field); // no pause-started search: Return alone
                field->setText(query);
            }
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(field, &press);
            if (!spinUntil([&] { return filled && (hits == 0 || watch.firstPaintMs >= 0); })) {
                std::fprintf(stderr, "search bench: no rows for %s\n", qPrintable(query));
                return 1;
            }
            const double first = hits == 0 ? allMs : watch.firstPaintMs;
            std::printf("%s\t%.3f\t%.3f\t%.3f\t%lld\n", qPrintable(query), alone, first, allMs,
                        qlonglong(dialog.results().size()));
            std::fflush(stdout);
            field->clear();
            spinUntil([&] { return !dialog.isSearching(); });
        }
    }
    return 0;
}
