// Driver of the content-index benchmark (bench/index.sh).
//
//   build ROOT DB             a full scan of ROOT into an empty database: startIfNeeded()
//                             until isIndexing is false; prints files and milliseconds
//   query DB QUERIES.json     one round of every query through ContentIndex::search, timed
//                             from the call to the result on the GUI thread, the database
//                             already open; prints "group<TAB>query<TAB>ms<TAB>hits"
//   check DB QUERIES.json ROOT  every hit holds its query, and when fewer than 100 files
//                             hold it none is missing; exits 1 otherwise
//   once DB QUERY             opens, searches once, prints the number of hits (whole process)
//   raw ROOT DB               for profiling: extracts and stores every file directly on one
//                             connection (BATCH documents per transaction), no controller
//
// Settings and data go to the XDG folders of the environment: the script points them at a
// temporary folder.
#include "ContentIndex.h"
#include "ContentIndexConnection.h"
#include "Defaults.h"
#include "Extractor.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFutureWatcher>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTimer>

#include <cstdio>

namespace {

using Results = QList<ContentIndex::SearchResult>;

std::unique_ptr<ContentIndex> openIndex(const QString &db, const QStringList &roots)
{
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList(roots.begin(), roots.end()));
    Defaults::shared().setValue(ContentIndex::enabledKey, true);
    ContentIndexConfig config;
    config.databasePath = db;
    return std::make_unique<ContentIndex>(config);
}

Results searchNow(ContentIndex &index, const QString &query, double *ms = nullptr)
{
    QElapsedTimer timer;
    QEventLoop loop;
    QFutureWatcher<Results> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    timer.start();
    watcher.setFuture(index.search(query));
    if (!watcher.isFinished())
        loop.exec();
    if (ms)
        *ms = double(timer.nsecsElapsed()) / 1e6;
    return watcher.future().result();
}

QList<std::pair<QString, QString>> readQueries(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QJsonObject groups = QJsonDocument::fromJson(file.readAll()).object();
    QList<std::pair<QString, QString>> queries;
    for (const QString group : {"english", "chinese2", "chinese4", "rare"})
        for (const QJsonValue &q : groups.value(group).toArray())
            queries << std::pair{group, q.toString()};
    return queries;
}

int build(const QString &root, const QString &db)
{
    QElapsedTimer timer;
    timer.start();
    auto index = openIndex(db, {root});
    QEventLoop loop;
    bool began = false;
    QObject::connect(index.get(), &ContentIndex::isIndexingChanged, &loop, [&] {
        if (index->isIndexing())
            began = true;
        else if (began)
            loop.quit();
    });
    index->startIfNeeded();
    loop.exec();
    std::printf("%d\t%.1f\n", index->indexedCount().value_or(-1), double(timer.nsecsElapsed()) / 1e6);
    if (!index->lastError().isEmpty())
        std::fprintf(stderr, "index: %s\n", qPrintable(index->lastError()));
    return index->lastError().isEmpty() ? 0 : 1;
}

int query(const QString &db, const QString &queriesPath)
{
    auto index = openIndex(db, {});
    searchNow(*index, QStringLiteral("warm")); // opens the database
    for (const auto &[group, q] : readQueries(queriesPath)) {
        double ms = 0;
        const Results results = searchNow(*index, q, &ms);
        std::printf("%s\t%s\t%.3f\t%lld\n", qPrintable(group), qPrintable(q), ms,
                    qlonglong(results.size()));
    }
    return 0;
}

int check(const QString &db, const QString &queriesPath, const QString &root)
{
    QHash<QString, QString> texts;
    QDirIterator it(root, {"*.txt"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        texts.insert(path, QString::fromUtf8(file.readAll()));
    }
    auto index = openIndex(db, {});
    int faults = 0;
    for (const auto &[group, q] : readQueries(queriesPath)) {
        const bool chinese = group.startsWith(u"chinese");
        const QRegularExpression word(QStringLiteral("\\b") + QRegularExpression::escape(q) + QStringLiteral("\\b"),
                                      QRegularExpression::CaseInsensitiveOption);
        QSet<QString> holders;
        for (auto t = texts.cbegin(); t != texts.cend(); ++t)
            if (chinese ? t.value().contains(q) : t.value().contains(word))
                holders.insert(t.key());
        const Results results = searchNow(*index, q);
        QSet<QString> found;
        for (const auto &r : results) {
            found.insert(r.id);
            if (!texts.value(r.id).contains(q, Qt::CaseInsensitive)) {
                std::fprintf(stderr, "check: %s does not hold %s\n", qPrintable(r.id), qPrintable(q));
                ++faults;
            }
        }
        if (holders.size() < 100 && !found.contains(holders)) {
            std::fprintf(stderr, "check: %s: %lld holders, %lld found\n", qPrintable(q),
                         qlonglong(holders.size()), qlonglong((found & holders).size()));
            ++faults;
        }
        std::printf("%s\t%s\tholders %lld\thits %lld\n", qPrintable(group), qPrintable(q),
                    qlonglong(holders.size()), qlonglong(results.size()));
    }
    return faults == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == u"build" && args.size() == 4)
        return build(args[2], args[3]);
    if (mode == u"query" && args.size() == 4)
        return query(args[2], args[3]);
    if (mode == u"check" && args.size() == 5)
        return check(args[2], args[3], args[4]);
    if (mode == u"raw" && args.size() == 4) {
        QElapsedTimer timer;
        timer.start();
        ContentIndexConnection c;
        ContentIndexOptions options;
        options.batchDocuments = qEnvironmentVariableIntValue("BATCH");
        c.open(args[3], options);
        QDirIterator it(args[2], {"*.txt"}, QDir::Files, QDirIterator::Subdirectories);
        qint64 readNs = 0;
        while (it.hasNext()) {
            const QString path = it.next();
            QElapsedTimer r;
            r.start();
            const Extraction e = Extractor::extractForIndex(path);
            readNs += r.nsecsElapsed();
            ContentIndexDocument d;
            d.path = path;
            d.name = path.section(u'/', -1);
            d.directory = path.section(u'/', 0, -2);
            d.extensionName = QStringLiteral("txt");
            d.source = e.source;
            d.text = e.text;
            c.upsert(d);
        }
        c.commitPending();
        std::printf("raw %.1f ms, extraction %.1f ms\n", timer.nsecsElapsed() / 1e6, readNs / 1e6);
        return 0;
    }
    if (mode == u"once" && args.size() == 4) {
        auto index = openIndex(args[2], {});
        std::printf("%lld\n", qlonglong(searchNow(*index, args[3]).size()));
        return 0;
    }
    std::fprintf(stderr, "usage: marovel_index_bench build ROOT DB | query DB QUERIES | "
                         "check DB QUERIES ROOT | once DB QUERY\n");
    return 2;
}
