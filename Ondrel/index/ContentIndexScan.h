#pragma once

#include "ContentIndexScanner.h"
#include "ContentIndexTypes.h"
#include "Extractor.h"

#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>
#include <optional>
#include <memory>

class ContentIndexDatabase;

// One pass over the roots: walks them off the GUI thread, reads each new or changed file
// (its stored modification time differs by more than 0.001 s, or its size differs) and
// stores it, then deletes the stored documents under the roots that the walk did not see.
// Its control flow runs on the GUI thread; each database step and each extraction is
// awaited, so the scan has at most one of each in flight.
//
// retire() ends the scan at once: a lookup, extraction or store still in flight finishes,
// but its result is dropped and nothing further is looked up, read or stored. A retired
// scan emits nothing more.
class ContentIndexScan : public QObject
{
    Q_OBJECT

public:
    using Extract = std::function<Extraction(const QString &path)>;

    // How often, in files, the stored documents are counted during the scan.
    static constexpr int countEvery = 20;
    // Largest difference of modification times, in seconds, that still counts as unchanged.
    static constexpr double sameTime = 0.001;

    ContentIndexScan(std::shared_ptr<ContentIndexDatabase> database, QStringList roots,
                     Extract extract, QObject *parent = nullptr);

    void start();
    void retire() { m_retired = true; }
    bool isRetired() const { return m_retired; }

signals:
    void progressed(double progress);
    void counted(int documents);
    // A per-file or final failure; the scan goes on after a per-file one.
    void failed(const QString &description);
    // The scan ran to its end, pruned and counted.
    void completed(int documents);
    // Every way out of a scan that was not retired.
    void ended();

private:
    void walked(QList<IndexedFile> files);
    void next();
    void lookedUp(const std::optional<ContentIndexStoredFacts> &stored);
    void extracted(const Extraction &extraction);
    void advance();
    void finish();
    void end();

    std::shared_ptr<ContentIndexDatabase> m_database;
    QStringList m_roots;
    Extract m_extract;
    QList<IndexedFile> m_files;
    QSet<QString> m_seen;
    qsizetype m_index = 0;
    bool m_retired = false;
};
