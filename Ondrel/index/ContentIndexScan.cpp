#include "ContentIndexScan.h"

#include "ContentIndexDatabase.h"
#include "IndexFutures.h"

#include <QFileInfo>
#include <QtConcurrent>

using IndexFutures::whenReady;

namespace {

QString describe(const std::exception &error)
{
    if (const auto *indexError = dynamic_cast<const ContentIndexError *>(&error))
        return indexError->description();
    return QString::fromUtf8(error.what());
}

ContentIndexDocument document(const IndexedFile &file, const Extraction &extraction)
{
    const QFileInfo info(file.path);
    ContentIndexDocument doc;
    doc.path = file.path;
    doc.name = info.fileName();
    doc.directory = info.path();
    doc.extensionName = Extractor::pathExtension(file.path);
    doc.modified = file.modified;
    doc.size = file.size;
    doc.source = extraction.source;
    doc.text = extraction.text;
    return doc;
}

} // namespace

// What one store call did: a failure per document that failed, and the document count at
// each count point.
struct ContentIndexScan::Stored
{
    QStringList failures;
    QList<std::pair<qsizetype, int>> counts; // (file index, documents)
};

ContentIndexScan::ContentIndexScan(std::shared_ptr<ContentIndexDatabase> database, QStringList roots,
                                   Extract extract, QObject *parent)
    : QObject(parent), m_database(std::move(database)), m_roots(std::move(roots)),
      m_extract(std::move(extract))
{
}

bool ContentIndexScan::unchanged(const std::optional<ContentIndexStoredFacts> &stored,
                                 const IndexedFile &file)
{
    return stored && std::abs(stored->modified - file.modified) <= sameTime && stored->size == file.size;
}

void ContentIndexScan::retire()
{
    m_retired->store(true);
}

void ContentIndexScan::start()
{
    // The walk is not part of the scan: retiring the scan drops its result but lets it end.
    QFuture<QList<IndexedFile>> walk =
        QtConcurrent::run(QThreadPool::globalInstance(), ContentIndexScanner::files, m_roots);
    whenReady(walk, this, [this](QFuture<QList<IndexedFile>> done) { walked(done.result()); });
}

void ContentIndexScan::walked(QList<IndexedFile> files)
{
    m_files = std::move(files);
    m_seen.reserve(m_files.size());
    nextChunk();
}

void ContentIndexScan::nextChunk()
{
    if (isRetired())
        return;
    if (m_done >= m_files.size()) {
        finish();
        return;
    }
    m_chunkStart = m_done;
    m_chunkEnd = std::min<qsizetype>(m_files.size(), m_chunkStart + lookupChunk);
    QStringList paths;
    for (qsizetype i = m_chunkStart; i < m_chunkEnd; ++i) {
        paths << m_files.at(i).path;
        m_seen.insert(m_files.at(i).path);
    }
    auto lookup = m_database->run([paths](ContentIndexConnection &connection) {
        QList<std::optional<ContentIndexStoredFacts>> stored;
        stored.reserve(paths.size());
        for (const QString &path : paths)
            stored << connection.storedFacts(path);
        return stored;
    });
    whenReady(lookup, this, [this](QFuture<QList<std::optional<ContentIndexStoredFacts>>> done) {
        if (isRetired())
            return;
        try {
            lookedUp(done.result());
        } catch (const std::exception &error) {
            // The chunk's files are neither read nor stored; they still count as handled.
            emit failed(describe(error));
            stored({}, m_chunkEnd);
        }
    });
}

void ContentIndexScan::lookedUp(const QList<std::optional<ContentIndexStoredFacts>> &stored)
{
    m_changed.clear();
    // Nested roots list a file twice; its second visit finds what the first one stores.
    QSet<QString> storing;
    for (qsizetype i = m_chunkStart; i < m_chunkEnd; ++i) {
        const QString &path = m_files.at(i).path;
        if (!unchanged(stored.value(i - m_chunkStart), m_files.at(i)) && !storing.contains(path)) {
            storing.insert(path);
            m_changed << i;
        }
    }
    nextGroup();
}

void ContentIndexScan::nextGroup()
{
    if (isRetired())
        return;
    if (m_readingGroup.isEmpty())
        readNextGroup();
    if (m_readingGroup.isEmpty()) {
        store({}, {}); // the counts due in the rest of the chunk
        return;
    }
    const QList<qsizetype> group = std::exchange(m_readingGroup, {});
    whenReady(std::exchange(m_reading, {}), this, [this, group](QFuture<Extraction> done) {
        if (!isRetired())
            store(group, done.results());
    });
}

void ContentIndexScan::readNextGroup()
{
    if (m_changed.isEmpty() || !m_readingGroup.isEmpty())
        return;
    m_readingGroup = m_changed.mid(0, storeGroup);
    m_changed.remove(0, m_readingGroup.size());
    QStringList paths;
    for (qsizetype i : std::as_const(m_readingGroup))
        paths << m_files.at(i).path;
    m_reading = QtConcurrent::mapped(&Extractor::pool(), paths, m_extract);
}

void ContentIndexScan::store(const QList<qsizetype> &group, const QList<Extraction> &extractions)
{
    // Files up to the group's last one (or the chunk's end after its last group) are
    // handled by this call; the counts due among them are taken in file order.
    const qsizetype upTo = (m_changed.isEmpty() && m_readingGroup.isEmpty()) ? m_chunkEnd : group.last() + 1;
    QList<std::pair<qsizetype, ContentIndexDocument>> documents;
    for (qsizetype k = 0; k < group.size(); ++k)
        documents << std::pair{group[k], document(m_files.at(group[k]), extractions.value(k))};
    QList<qsizetype> countPoints;
    for (qsizetype i = m_done; i < upTo; ++i)
        if (i % countEvery == 0)
            countPoints << i;
    if (documents.isEmpty() && countPoints.isEmpty()) {
        stored({}, upTo);
        return;
    }
    auto retired = m_retired;
    auto job = m_database->run([documents, countPoints, retired](ContentIndexConnection &connection) {
        Stored result;
        qsizetype point = 0;
        const auto countUpTo = [&](qsizetype index) {
            for (; point < countPoints.size() && countPoints[point] < index; ++point) {
                try {
                    result.counts << std::pair{countPoints[point], connection.count()};
                } catch (const ContentIndexError &) {
                    // the published count keeps its value
                }
            }
        };
        for (const auto &[index, doc] : documents) {
            countUpTo(index);
            if (retired->load())
                return result;
            try {
                connection.upsert(doc);
            } catch (const ContentIndexError &error) {
                result.failures << error.description();
            }
        }
        countUpTo(std::numeric_limits<qsizetype>::max());
        return result;
    });
    readNextGroup(); // read on while this group is stored
    whenReady(job, this, [this, upTo](QFuture<Stored> done) {
        if (isRetired())
            return;
        stored(done.result(), upTo);
    });
}

void ContentIndexScan::stored(const Stored &result, qsizetype upTo)
{
    for (const QString &failure : result.failures)
        emit failed(failure); // the stored documents of those files stay as they were
    qsizetype nextCount = 0;
    for (; m_done < upTo; ++m_done) {
        for (; nextCount < result.counts.size() && result.counts[nextCount].first < m_done; ++nextCount)
            ;
        if (nextCount < result.counts.size() && result.counts[nextCount].first == m_done)
            emit counted(result.counts[nextCount].second);
        emit progressed(double(m_done + 1) / double(m_files.size()));
    }
    if (isRetired())
        return;
    if (m_done < m_chunkEnd)
        nextGroup();
    else
        nextChunk();
}

void ContentIndexScan::finish()
{
    whenReady(m_database->prune(m_roots, m_seen), this, [this](QFuture<void> pruned) {
        if (isRetired())
            return;
        try {
            pruned.waitForFinished();
        } catch (const std::exception &error) {
            emit failed(describe(error));
            end();
            return;
        }
        whenReady(m_database->count(), this, [this](QFuture<int> done) {
            if (isRetired())
                return;
            int documents = 0;
            try {
                documents = done.result();
            } catch (const std::exception &error) {
                emit uncounted();
                emit failed(describe(error));
                end();
                return;
            }
            emit completed(documents);
            end();
        });
    });
}

void ContentIndexScan::end()
{
    if (!isRetired())
        emit ended();
}
