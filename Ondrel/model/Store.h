#pragma once

#include "SerialQueue.h"
#include "WriteFailures.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

// The browser state that outlives a run: pinned folders, recently visited folders with a
// decaying score, the sort remembered per folder, and the panes of the last session.
//
// Kept in "pins.json", "recents.json", "folderviews.json" and "session.json" of the
// application's data folder (MarovelPaths::appSupport(), never MAROVEL_HOME). The files
// are read once, when the store is made; afterwards the memory is the truth and every
// change rewrites the one file that holds it, in the background. Dates are seconds since
// 2001-01-01 UTC as JSON numbers. A missing or malformed file loads as the empty value.
// A write that fails keeps the memory as it is and emits writeFailed, once until that
// file is written again (see WriteFailures).
//
// Lives on the GUI thread. Paths are compared under canonical Unicode equivalence.
class Store : public QObject
{
    Q_OBJECT

public:
    // One visited folder. `last` is in seconds since 2001-01-01 UTC.
    struct Recent
    {
        QString path;
        double last = 0;
        qint64 hits = 0;

        QDateTime lastDate() const;
        bool operator==(const Recent &) const = default;
    };

    // The panes of the last saved session: each pane's folder, the layout's raw value
    // ("single", "dual", "triPin", "quad") and the active pane's index.
    struct Session
    {
        QStringList panes;
        QString layout;
        qint64 active = 0;

        bool operator==(const Session &) const = default;
    };

    // The remembered sort of one folder: a sort key's raw value ("name", "size", "kind",
    // "date"), the direction, and when it was set (seconds since 2001).
    struct FView
    {
        QString sortKey;
        bool asc = true;
        double last = 0;

        bool operator==(const FView &) const = default;
    };

    static constexpr int maxRecents = 300;
    static constexpr int maxFolderViews = 600;  // trimmed when this is exceeded...
    static constexpr int keptFolderViews = 500; // ...down to this many

    // The process-wide store, made on first use on the GUI thread. Pending writes are
    // flushed when the application quits.
    static Store &shared();

    // Loads the four files of MarovelPaths::appSupport() as they are now.
    explicit Store(QObject *parent = nullptr);
    ~Store() override; // waits for pending writes

    QString folder() const { return m_dir; }

    const QList<Recent> &recents() const { return m_recents; }
    const QStringList &pins() const { return m_pins; }
    const std::optional<Session> &session() const { return m_session; }

    // Pins the folder when it is not pinned, else unpins it.
    void togglePin(const QString &path);
    bool isPinned(const QString &path) const;
    // The pinned folders that still exist, in pin order.
    QStringList pinnedPaths() const;

    // Counts a visit of `path` (the home folder is never recorded).
    void recordVisit(const QString &path);
    // Up to `n` visited folders, best score first, leaving out pinned and vanished ones.
    QStringList topRecents(int n) const;

    std::optional<FView> sortFor(const QString &path) const;
    void setSort(const QString &path, const QString &key, bool asc);

    void saveSession(const Session &session);
    void clearRecents();
    void clearPins();

    // Blocks until every change made so far is on disk. For quitting and for tests.
    void flush();

    // hits × 2^(−days/30), where days since `last` count as 0 when negative.
    static double score(const Recent &recent, double now);
    // Stable, best score first; "now" and each score are computed once.
    static QList<Recent> scoreOrder(QList<Recent> recents, double now);
    static double now(); // seconds since 2001-01-01 UTC

signals:
    void recentsChanged();
    void pinsChanged();
    void sessionChanged();
    // A file of the store could not be written (`error` is the errno). Emitted on the
    // writer's thread: receivers on the GUI thread get it queued.
    void writeFailed(const QString &path, int error);

private:
    struct StoredView
    {
        QString path; // as first given; the map key is its normalised form
        FView view;
    };

    void load();
    QByteArray encodeRecents() const;
    QByteArray encodePins() const;
    QByteArray encodeFolderViews() const;
    QByteArray encodeSession() const;
    void persist(const QString &name, const QByteArray &bytes);

    QString m_dir;
    QList<Recent> m_recents;
    QStringList m_pins;
    std::optional<Session> m_session;
    QHash<QString, StoredView> m_folderViews;

    // The newest unwritten snapshot of each file; the writer always takes the latest.
    QMutex m_pendingLock;
    QHash<QString, QByteArray> m_pending;
    WriteFailures m_failures; // used by the writer's jobs only
    SerialQueue m_writer;     // last: destroyed first, waiting for its jobs
};
