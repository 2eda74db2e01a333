#include "ContentIndex.h"

#include "Defaults.h"
#include "FileFilter.h"
#include "IndexFutures.h"
#include "Localization.h"
#include "MarovelPaths.h"
#include "NameCollator.h"
#include "RecursiveWatcher.h"

#include <QDir>
#include <QFileInfo>
#include <QPromise>
#include <QStandardPaths>

using IndexFutures::whenReady;

namespace {

QString describe(const std::exception &error)
{
    if (const auto *indexError = dynamic_cast<const ContentIndexError *>(&error))
        return indexError->description();
    return QString::fromUtf8(error.what());
}

// The roots of a first start: the download and desktop folders that exist, never the home
// folder itself (which a desktop without such folders reports).
QStringList defaultRoots()
{
    const QString home = QDir::cleanPath(QDir::homePath());
    QStringList roots;
    for (const auto location : {QStandardPaths::DownloadLocation, QStandardPaths::DesktopLocation}) {
        const QString path = QDir::cleanPath(QStandardPaths::writableLocation(location));
        if (!path.isEmpty() && path != home && QFileInfo::exists(path) && !roots.contains(path))
            roots << path;
    }
    return roots;
}

QStringList storedRoots()
{
    const QVariant value = Defaults::shared().value(ContentIndex::pathsKey);
    if (value.typeId() != QMetaType::QVariantList && value.typeId() != QMetaType::QStringList)
        return defaultRoots();
    QStringList roots;
    for (const QVariant &item : value.toList())
        if (item.typeId() == QMetaType::QString)
            roots << item.toString();
    return roots;
}

QStringList inNameOrder(QStringList roots)
{
    const NameCollator collator;
    std::stable_sort(roots.begin(), roots.end(),
                     [&](const QString &a, const QString &b) { return collator.lessThan(a, b); });
    return roots;
}

} // namespace

ContentIndex &ContentIndex::shared()
{
    // Never destroyed: the termination handler stops it, and nothing runs after that.
    static ContentIndex *instance = new ContentIndex;
    return *instance;
}

ContentIndex::ContentIndex(Config config, QObject *parent)
    : QObject(parent), m_config(std::move(config))
{
    if (!m_config.extract)
        m_config.extract = &Extractor::extractForIndex;
    const QVariant enabled = Defaults::shared().value(enabledKey);
    m_enabled = enabled.typeId() == QMetaType::Bool && enabled.toBool();
    m_roots = storedRoots();
    const QDateTime last = Defaults::shared().date(lastIndexedAtKey);
    if (last.isValid())
        m_lastIndexedAt = last;

    m_rescanTimer.setSingleShot(true);
    connect(&m_rescanTimer, &QTimer::timeout, this, &ContentIndex::rescanNow);
}

ContentIndex::~ContentIndex()
{
    stop();
}

QString ContentIndex::defaultDatabasePath()
{
    return MarovelPaths::appSupport() + QStringLiteral("/content-index.sqlite");
}

QString ContentIndex::sourceLabel(const QString &source)
{
    if (source == u"pdf-text")
        return L("PDF 文本");
    if (source == u"pdf-ocr" || source == u"image-ocr")
        return QStringLiteral("OCR");
    if (source == u"office")
        return QStringLiteral("Office");
    if (source == u"text")
        return L("文本");
    if (source == u"online")
        return L("在线占位");
    return L("文件名");
}

void ContentIndex::setEnabled(bool on)
{
    setEnabledValue(on);
    Defaults::shared().setValue(enabledKey, on);
    if (on)
        startIfNeeded();
    else
        stop();
}

void ContentIndex::startIfNeeded()
{
    if (!m_enabled || m_started)
        return;
    m_started = true;
    stopStreams();
    withDatabase([this](DatabasePtr database) {
        if (!database) {
            m_started = false; // the next call tries again
            return;
        }
        if (!m_enabled || !m_started)
            return;
        whenReady(database->count(), this, [this, database](QFuture<int> counted) {
            std::optional<int> documents; // unknown, never 0, when the count fails
            try {
                documents = counted.result();
            } catch (const std::exception &error) {
                qWarning("content index: the stored documents could not be counted: %s", error.what());
            }
            setIndexedCount(documents);
            if (!m_enabled || !m_started)
                return; // stopped while counting
            startStreams();
            startScan(database);
        });
    });
}

void ContentIndex::stop()
{
    m_started = false;
    ++m_scanGeneration;
    retireScan();
    m_rescanTimer.stop();
    setIsIndexing(false);
    stopStreams();
}

void ContentIndex::rebuild()
{
    if (!m_enabled)
        return;
    startIfNeeded();
    withDatabase([this](DatabasePtr database) {
        if (database && m_enabled && m_started)
            startScan(database);
    });
}

void ContentIndex::addRoot(const QString &path)
{
    const QString standard = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    if (!QFileInfo::exists(standard) || m_roots.contains(standard))
        return;
    setRoots(inNameOrder(m_roots + QStringList{standard}));
    persistRoots();
    if (m_enabled)
        rebuild();
}

void ContentIndex::removeRoot(const QString &path)
{
    const QStringList before = m_roots;
    QStringList roots = m_roots;
    roots.removeAll(path);
    setRoots(roots);
    persistRoots();
    // A scan still running would go on storing documents of the removed folder after the
    // deletion below; the rebuild afterwards scans what is left.
    if (m_scan) {
        ++m_scanGeneration;
        retireScan();
        setIsIndexing(false);
    }
    // Documents that could not be deleted would still be found, and no scan prunes them
    // once the folder is no root: the folder stays listed, to be removed again, and the
    // error says why.
    const auto keep = [this, path, wasRoot = before.contains(path)] {
        if (!wasRoot || m_roots.contains(path))
            return;
        setRoots(inNameOrder(m_roots + QStringList{path}));
        persistRoots();
    };
    withDatabase([this, path, keep](DatabasePtr database) {
        if (!database) {
            keep(); // lastError() says why the database did not open
            return;
        }
        whenReady(database->removeUnder(path), this, [this, keep](QFuture<void> removed) {
            try {
                removed.waitForFinished();
            } catch (const std::exception &error) {
                keep();
                setLastError(describe(error));
                return;
            }
            rebuild();
        });
    });
}

void ContentIndex::clearStoredData()
{
    stop();
    withDatabase([this](DatabasePtr database) {
        if (!database)
            return;
        whenReady(database->clearAll(), this, [this](QFuture<void> cleared) {
            try {
                cleared.waitForFinished();
            } catch (const std::exception &error) {
                setLastError(describe(error));
                return;
            }
            setIndexedCount(0);
            setProgress(0);
            setLastIndexedAt(std::nullopt);
            setLastError(QString());
            Defaults::shared().remove(lastIndexedAtKey);
        });
    });
}

QFuture<QList<ContentIndex::SearchResult>> ContentIndex::search(const QString &query)
{
    auto promise = std::make_shared<QPromise<QList<SearchResult>>>();
    QFuture<QList<SearchResult>> future = promise->future();
    promise->start();
    const auto answer = [promise](const QList<SearchResult> &results) {
        promise->addResult(results);
        promise->finish();
    };
    // A failure is never an empty answer: "nothing found" would be a wrong statement.
    const auto fail = [promise](const std::exception_ptr &error) {
        promise->setException(error);
        promise->finish();
    };
    if (!m_enabled) {
        answer({});
        return future;
    }
    const auto ask = [this, query, answer, fail](DatabasePtr database) {
        QString cleaned = query;
        cleaned.remove(QChar(0));
        cleaned = cleaned.trimmed();
        if (cleaned.isEmpty()) {
            answer({});
            return;
        }
        if (!database) {
            fail(m_openError ? m_openError
                             : std::make_exception_ptr(ContentIndexError(ContentIndexError::Kind::Open,
                                                                         L("数据库连接已关闭"))));
            return;
        }
        whenReady(database->search(cleaned, searchLimit), this,
                  [this, answer, fail](QFuture<QList<ContentIndexSearchRow>> done) {
                      QList<ContentIndexSearchRow> rows;
                      try {
                          rows = done.result();
                      } catch (const std::exception &error) {
                          searchFailed(error);
                          fail(std::current_exception());
                          return;
                      }
                      searchAnswered();
                      QList<SearchResult> results;
                      results.reserve(rows.size());
                      for (const ContentIndexSearchRow &row : std::as_const(rows))
                          results << SearchResult{row.path, QUrl::fromLocalFile(row.path),
                                                  row.name, row.directory, row.modified,
                                                  row.size, row.source, row.snippet};
                      answer(results);
                  });
    };
    // An open database is asked at once: a search only posts its query to the worker.
    if (m_database)
        ask(m_database);
    else
        withDatabase(ask);
    return future;
}

void ContentIndex::withDatabase(std::function<void(DatabasePtr)> then)
{
    if (m_database) {
        // Always later, never inside the caller, like every other way through here.
        QMetaObject::invokeMethod(
            this, [then = std::move(then), database = m_database] { then(database); },
            Qt::QueuedConnection);
        return;
    }
    m_databaseWaiters << std::move(then);
    if (m_opening)
        return;
    const QString path =
        m_config.databasePath.isEmpty() ? defaultDatabasePath() : m_config.databasePath;
    m_opening = std::make_shared<ContentIndexDatabase>(path, m_config.databaseOptions);
    whenReady(m_opening->opened(), this, [this](QFuture<void> opened) {
        DatabasePtr database = std::exchange(m_opening, nullptr);
        try {
            opened.waitForFinished();
            m_database = database;
            m_openError = nullptr;
        } catch (const std::exception &error) {
            m_openError = std::current_exception();
            setLastError(describe(error));
            database.reset(); // the next call tries again
        }
        const auto waiters = std::exchange(m_databaseWaiters, {});
        for (const auto &waiter : waiters)
            waiter(database);
    });
}

void ContentIndex::startScan(const DatabasePtr &database)
{
    retireScan();
    const quint64 generation = ++m_scanGeneration;
    setIsIndexing(true);
    setProgress(0);
    setLastError(QString());
    auto *scan = new ContentIndexScan(database, m_roots, m_config.extract, this);
    m_scan = scan;
    const auto current = [this, generation] { return generation == m_scanGeneration; };
    connect(scan, &ContentIndexScan::progressed, this, [this, current](double value) {
        if (current())
            setProgress(value);
    });
    connect(scan, &ContentIndexScan::counted, this, [this, current](int documents) {
        if (current())
            setIndexedCount(documents);
    });
    connect(scan, &ContentIndexScan::failed, this, [this, current](const QString &description) {
        if (current())
            setLastError(description);
    });
    connect(scan, &ContentIndexScan::uncounted, this, [this, current] {
        if (current())
            setIndexedCount(std::nullopt);
    });
    connect(scan, &ContentIndexScan::completed, this, [this, current](int documents) {
        if (!current())
            return;
        setIndexedCount(documents);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        setLastIndexedAt(now);
        Defaults::shared().setValue(lastIndexedAtKey, now);
    });
    connect(scan, &ContentIndexScan::ended, this, [this, current, scan] {
        if (!current())
            return;
        setIsIndexing(false);
        scan->deleteLater();
        m_scan = nullptr;
    });
    scan->start();
}

void ContentIndex::retireScan()
{
    if (!m_scan)
        return;
    ContentIndexScan *scan = m_scan;
    m_scan = nullptr;
    scan->retire();
    scan->disconnect(this);
    scan->deleteLater();
}

void ContentIndex::startStreams()
{
    stopStreams();
    QStringList existing;
    for (const QString &root : std::as_const(m_roots))
        if (QFileInfo::exists(root))
            existing << root;
    if (existing.isEmpty())
        return;
    m_watcher = new RecursiveWatcher(existing, m_config.watchLatencyMs, this);
    // Renames made in this program must reach the index too, and folders that are never
    // indexed need no watches.
    m_watcher->setKeepOwnChanges(true);
    m_watcher->setFolderFilter(&FileFilter::shouldSkipForIndexing);
    m_watcher->setWatchLimit(m_config.watchLimit);
    connect(m_watcher, &RecursiveWatcher::changed, this, &ContentIndex::scheduleRescan);
    // Not fatal: the folders already watched stay watched, but the user should know that
    // changes elsewhere wait for the next rebuild.
    connect(m_watcher, &RecursiveWatcher::watchLimitReached, this, [this](const QString &folder) {
        qWarning("content index: out of folder watches below %s; changes deeper down are not followed",
                 qUtf8Printable(folder));
        setUnwatchedFolder(folder);
    });
    m_watcher->start();
}

void ContentIndex::stopStreams()
{
    delete std::exchange(m_watcher, nullptr);
    setUnwatchedFolder(QString());
}

void ContentIndex::scheduleRescan()
{
    if (!m_enabled || !m_started)
        return;
    m_rescanTimer.start(m_config.rescanDelayMs);
}

void ContentIndex::rescanNow()
{
    withDatabase([this](DatabasePtr database) {
        // stop() cancels a pending rescan, also one already waiting for the database
        if (database && m_started)
            startScan(database);
    });
}

void ContentIndex::persistRoots()
{
    Defaults::shared().setValue(pathsKey, QVariant(QVariantList(m_roots.begin(), m_roots.end())));
}

void ContentIndex::setEnabledValue(bool value)
{
    if (m_enabled == value)
        return;
    m_enabled = value;
    emit enabledChanged();
}

void ContentIndex::setRoots(const QStringList &value)
{
    if (m_roots == value)
        return;
    m_roots = value;
    emit rootsChanged();
}

void ContentIndex::setIsIndexing(bool value)
{
    if (m_isIndexing == value)
        return;
    m_isIndexing = value;
    emit isIndexingChanged();
}

void ContentIndex::setProgress(double value)
{
    if (m_progress == value)
        return;
    m_progress = value;
    emit progressChanged();
}

void ContentIndex::setIndexedCount(std::optional<int> value)
{
    if (m_indexedCount == value)
        return;
    m_indexedCount = value;
    emit indexedCountChanged();
}

void ContentIndex::setLastIndexedAt(const std::optional<QDateTime> &value)
{
    if (m_lastIndexedAt == value)
        return;
    m_lastIndexedAt = value;
    emit lastIndexedAtChanged();
}

void ContentIndex::setLastError(const QString &value)
{
    if (m_lastError == value)
        return;
    m_lastError = value;
    emit lastErrorChanged();
}

void ContentIndex::setUnwatchedFolder(const QString &value)
{
    if (m_unwatchedFolder == value)
        return;
    m_unwatchedFolder = value;
    emit unwatchedFolderChanged();
}

void ContentIndex::searchFailed(const std::exception &error)
{
    m_searchError = describe(error);
    setLastError(m_searchError);
}

void ContentIndex::searchAnswered()
{
    // A search that answers again ends the error the last one left; any other stays.
    if (!m_searchError.isEmpty() && m_lastError == m_searchError)
        setLastError(QString());
    m_searchError.clear();
}
