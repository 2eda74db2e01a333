#pragma once

#include "ContentIndexDatabase.h"
#include "ContentIndexScan.h"

#include <QDateTime>
#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

class RecursiveWatcher;

// What tests and benchmarks may replace in a ContentIndex; the defaults are the
// application's.
struct ContentIndexConfig
{
    QString databasePath; // empty: ContentIndex::defaultDatabasePath()
    // Documents are committed in batches: a scan writes many files in a row.
    ContentIndexOptions databaseOptions{true, 256};
    ContentIndexScan::Extract extract; // empty: Extractor::extractForIndex
    int watchLatencyMs = 1000;
    int rescanDelayMs = 2000;
    // At most this many folders are watched for changes; 0: only the system's limit.
    int watchLimit = 0;
};

// The process-wide controller of the optional local full-text index: its settings (on or
// off, the indexed folders, the end of the last complete scan), the database, the scans,
// and the watcher that rescans two seconds after the last change below the folders. Lives
// on the GUI thread; the search window and the settings page read its properties (each
// with a change signal emitted after a real change only) and call its operations, none of
// which blocks or throws: failures show in lastError(), and a failed search also fails
// its future.
class ContentIndex : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool enabled READ enabled NOTIFY enabledChanged)
    Q_PROPERTY(QStringList roots READ roots NOTIFY rootsChanged)
    Q_PROPERTY(bool isIndexing READ isIndexing NOTIFY isIndexingChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(QString unwatchedFolder READ unwatchedFolder NOTIFY unwatchedFolderChanged)

public:
    struct SearchResult
    {
        QString id; // the file's path
        QUrl url;
        QString name;
        QString directory;
        QDateTime modified;
        qint64 size = 0;
        QString source;
        QString snippet;
    };

    using Config = ContentIndexConfig;

    static inline const QString enabledKey = QStringLiteral("contentIndexEnabled");
    static inline const QString pathsKey = QStringLiteral("contentIndexPaths");
    static inline const QString lastIndexedAtKey = QStringLiteral("contentIndexLastIndexedAt");
    static constexpr int searchLimit = 100;

    // Made on first use, on the GUI thread, and kept for the life of the process.
    static ContentIndex &shared();

    // Reads the settings; opens nothing and starts nothing.
    explicit ContentIndex(Config config = {}, QObject *parent = nullptr);
    ~ContentIndex() override;

    // "content-index.sqlite" in the application's data folder; never follows MAROVEL_HOME.
    static QString defaultDatabasePath();
    // The short label of an extraction source code, as the search window shows it.
    static QString sourceLabel(const QString &source);

    bool enabled() const { return m_enabled; }
    QStringList roots() const { return m_roots; }
    bool isIndexing() const { return m_isIndexing; }
    double progress() const { return m_progress; }
    // The number of stored documents; none while it could not be counted.
    std::optional<int> indexedCount() const { return m_indexedCount; }
    std::optional<QDateTime> lastIndexedAt() const { return m_lastIndexedAt; }
    QString lastError() const { return m_lastError; }
    // A folder below the roots that the watcher could not watch because the system's (or
    // the configured) limit of watched folders was reached: changes there and in other
    // such folders rescan nothing. Empty while every folder is watched or none is.
    QString unwatchedFolder() const { return m_unwatchedFolder; }

    // Stores the setting, then starts or stops the index.
    void setEnabled(bool on);
    // Opens the database, counts, starts watching and scans; once per start.
    void startIfNeeded();
    // Stops scans, the pending rescan and watching; the database stays open.
    void stop();
    // Scans again (starting the index first when needed); nothing when off.
    void rebuild();
    // Adds an existing file or folder (path cleaned of "." and ".."), keeps the roots in
    // name order and scans it when on.
    void addRoot(const QString &path);
    // Forgets the root given by exactly this path text and deletes what is stored below it.
    void removeRoot(const QString &path);
    // Stops the index and deletes every stored document; it stays stopped.
    void clearStoredData();
    // At most 100 hits; an empty list when off or for an empty query. When the database
    // cannot be opened or read, the future fails with the ContentIndexError (never an
    // empty answer) and lastError() says it. The future finishes on the GUI thread.
    QFuture<QList<SearchResult>> search(const QString &query);

signals:
    void enabledChanged();
    void rootsChanged();
    void isIndexingChanged();
    void progressChanged();
    void indexedCountChanged();
    void lastIndexedAtChanged();
    void lastErrorChanged();
    void unwatchedFolderChanged();

private:
    using DatabasePtr = std::shared_ptr<ContentIndexDatabase>;

    void withDatabase(std::function<void(DatabasePtr)> then);
    void startScan(const DatabasePtr &database);
    void retireScan();
    void startStreams();
    void stopStreams();
    void scheduleRescan();
    void rescanNow();
    void persistRoots();

    void setEnabledValue(bool value);
    void setRoots(const QStringList &value);
    void setIsIndexing(bool value);
    void setProgress(double value);
    void setIndexedCount(std::optional<int> value);
    void setLastIndexedAt(const std::optional<QDateTime> &value);
    void setLastError(const QString &value);
    void setUnwatchedFolder(const QString &value);
    void searchFailed(const std::exception &error);
    void searchAnswered();

    Config m_config;
    bool m_enabled = false;
    QStringList m_roots;
    bool m_isIndexing = false;
    double m_progress = 0;
    std::optional<int> m_indexedCount = 0;
    std::optional<QDateTime> m_lastIndexedAt;
    QString m_lastError;
    QString m_unwatchedFolder;
    QString m_searchError; // lastError() set by the last search, cleared by its next answer
    std::exception_ptr m_openError; // why the database did not open the last time

    DatabasePtr m_database;
    DatabasePtr m_opening;
    QList<std::function<void(DatabasePtr)>> m_databaseWaiters;
    QPointer<ContentIndexScan> m_scan;
    QTimer m_rescanTimer;
    RecursiveWatcher *m_watcher = nullptr;
    bool m_started = false;
    quint64 m_scanGeneration = 0;
};
