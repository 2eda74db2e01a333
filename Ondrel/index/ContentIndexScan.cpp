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

ContentIndexScan::ContentIndexScan(std::shared_ptr<ContentIndexDatabase> database, QStringList roots,
                                   Extract extract, QObject *parent)
    : QObject(parent), m_database(std::move(database)), m_roots(std::move(roots)),
      m_extract(std::move(extract))
{
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
    next();
}

void ContentIndexScan::next()
{
    if (m_retired)
        return;
    if (m_index >= m_files.size()) {
        finish();
        return;
    }
    const IndexedFile &file = m_files.at(m_index);
    m_seen.insert(file.path);
    whenReady(m_database->storedFacts(file.path), this,
              [this](QFuture<std::optional<ContentIndexStoredFacts>> done) {
                  if (m_retired)
                      return;
                  try {
                      lookedUp(done.result());
                  } catch (const std::exception &error) {
                      emit failed(describe(error)); // neither read nor stored
                      advance();
                  }
              });
}

void ContentIndexScan::lookedUp(const std::optional<ContentIndexStoredFacts> &stored)
{
    const IndexedFile &file = m_files.at(m_index);
    if (stored && std::abs(stored->modified - file.modified) <= sameTime && stored->size == file.size) {
        advance();
        return;
    }
    whenReady(QtConcurrent::run(&Extractor::pool(), m_extract, file.path), this,
              [this](QFuture<Extraction> done) {
                  if (!m_retired)
                      extracted(done.result());
              });
}

void ContentIndexScan::extracted(const Extraction &extraction)
{
    whenReady(m_database->upsert(document(m_files.at(m_index), extraction)), this,
              [this](QFuture<void> done) {
                  if (m_retired)
                      return;
                  try {
                      done.waitForFinished();
                  } catch (const std::exception &error) {
                      emit failed(describe(error)); // the stored document stays as it was
                  }
                  advance();
              });
}

void ContentIndexScan::advance()
{
    const qsizetype index = m_index++;
    emit progressed(double(index + 1) / double(m_files.size()));
    if (index % countEvery != 0) {
        next();
        return;
    }
    whenReady(m_database->count(), this, [this](QFuture<int> done) {
        if (m_retired)
            return;
        try {
            emit counted(done.result());
        } catch (const std::exception &) {
            // the count keeps its value
        }
        next();
    });
}

void ContentIndexScan::finish()
{
    whenReady(m_database->prune(m_roots, m_seen), this, [this](QFuture<void> pruned) {
        if (m_retired)
            return;
        try {
            pruned.waitForFinished();
        } catch (const std::exception &error) {
            emit failed(describe(error));
            end();
            return;
        }
        whenReady(m_database->count(), this, [this](QFuture<int> done) {
            if (m_retired)
                return;
            try {
                emit completed(done.result());
            } catch (const std::exception &error) {
                emit failed(describe(error));
            }
            end();
        });
    });
}

void ContentIndexScan::end()
{
    if (!m_retired)
        emit ended();
}
