#pragma once

#include "ContentIndexScanner.h"
#include "ContentIndexTypes.h"
#include "Extractor.h"

#include <QFuture>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class ContentIndexDatabase;

// One pass over the roots: walks them off the GUI thread, reads each new or changed file
// (its stored modification time differs by more than 0.001 s, or its size differs) and
// stores it, then deletes the stored documents under the roots that the walk did not see.
// The control flow runs on the GUI thread. Files go through in order, in chunks: one
// database call looks up a chunk, the changed files of a group are read in parallel on
// the extractor's pool (the next group while the one before is stored), and one database
// call stores the group. Progress and the counts
// taken after files 1, 21, 41, … are published in file order.
//
// retire() ends the scan at once: a lookup or extraction in flight finishes but its
// result is dropped, a store in flight stops before its next document, and nothing
// further is looked up, read or stored. A retired scan emits nothing more.
class ContentIndexScan : public QObject
{
    Q_OBJECT

public:
    using Extract = std::function<Extraction(const QString &path)>;

    // How often, in files, the stored documents are counted during the scan.
    static constexpr int countEvery = 20;
    // Largest difference of modification times, in seconds, that still counts as unchanged.
    static constexpr double sameTime = 0.001;
    // Files looked up in one database call, and changed files read and stored together.
    static constexpr int lookupChunk = 256;
    static constexpr int storeGroup = 16;

    ContentIndexScan(std::shared_ptr<ContentIndexDatabase> database, QStringList roots,
                     Extract extract, QObject *parent = nullptr);

    void start();
    void retire();
    bool isRetired() const { return m_retired->load(); }

    // Whether a stored document is still that of the file.
    static bool unchanged(const std::optional<ContentIndexStoredFacts> &stored, const IndexedFile &file);

signals:
    void progressed(double progress);
    void counted(int documents);
    // A per-file or final failure; the scan goes on after a per-file one.
    void failed(const QString &description);
    // The scan ran to its end, pruned and counted.
    void completed(int documents);
    // The scan ran to its end and pruned, but the documents could not be counted.
    void uncounted();
    // Every way out of a scan that was not retired.
    void ended();

private:
    struct Stored;

    void walked(QList<IndexedFile> files);
    void nextChunk();
    void lookedUp(const QList<std::optional<ContentIndexStoredFacts>> &stored);
    void nextGroup();
    void readNextGroup();
    void store(const QList<qsizetype> &group, const QList<Extraction> &extractions);
    void stored(const Stored &result, qsizetype upTo);
    void finish();
    void end();

    std::shared_ptr<ContentIndexDatabase> m_database;
    QStringList m_roots;
    Extract m_extract;
    QList<IndexedFile> m_files;
    QSet<QString> m_seen;
    qsizetype m_chunkStart = 0;
    qsizetype m_chunkEnd = 0;
    QList<qsizetype> m_changed; // changed files of the chunk not yet being read
    // The next group, read while the one before it is stored.
    QList<qsizetype> m_readingGroup;
    QFuture<Extraction> m_reading;
    qsizetype m_done = 0;       // files before this one are handled
    std::shared_ptr<std::atomic_bool> m_retired = std::make_shared<std::atomic_bool>(false);
};
