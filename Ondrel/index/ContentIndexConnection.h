#pragma once

#include "ContentIndexTypes.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// The content index's SQLite connection and every statement run on it. Not thread-safe:
// ContentIndexDatabase owns the one instance and calls it from its worker thread only.
// Every failure throws ContentIndexError.
//
// Layout: `documents` holds one row per file with its text; two full-text tables index
// that text without keeping a copy of it (external content): `content_fts` by words
// (unicode61) for Latin-script queries and snippets, `content_cjk` by pairs of adjacent
// CJK characters so a Chinese word inside an unspaced sentence is found without reading
// every row. Without FTS5 (or with it switched off) only `documents` exists and every
// search is a substring search.
struct ContentIndexOptions
{
    bool allowFts = true; // false: behave as on a library without FTS5 (tests)
    // Documents stored in one transaction before it commits; 1 commits each at once.
    int batchDocuments = 1;
    // How long a statement waits for a lock another connection holds before it fails.
    int busyTimeoutMs = 5000;
};

class ContentIndexConnection
{
public:
    using Options = ContentIndexOptions;

    // The statement batches run at every open.
    static const char *const schemaSql;
    static const char *const ftsSql;
    // Above this many CJK candidates a substring search walks the rows newest first and
    // stops at the limit; below it, it reads the candidates only.
    static constexpr int candidateWalkThreshold = 256;
    // At most this many substring terms go into one search.
    static constexpr int maxLikeTerms = 200;

    ContentIndexConnection() = default;
    ~ContentIndexConnection();
    ContentIndexConnection(const ContentIndexConnection &) = delete;
    ContentIndexConnection &operator=(const ContentIndexConnection &) = delete;

    // Creates the folder, opens the file, sets the busy time-out and the schema. On failure
    // nothing stays open.
    void open(const QString &path, Options options = {});
    void close();
    bool isOpen() const { return m_db != nullptr; }
    bool ftsAvailable() const { return m_ftsAvailable; }

    // Stores the document, replacing what the path had: the row and its full-text entries
    // together or not at all. With batches, the transaction stays open for the next
    // documents (each in a savepoint of its own, so a failure undoes that one only) until
    // the batch is full or commitPending() runs; reads on this connection see them at once.
    void upsert(const ContentIndexDocument &document);
    bool hasPending() const { return m_inBatch; }
    void commitPending();
    QList<ContentIndexSearchRow> search(const QString &query, int limit);
    int count();
    void clearAll();
    // Deletes the rows at or below `root`, one path at a time.
    void removeUnder(const QString &root);
    // Deletes the rows at or below one of `roots` that are not in `existingPaths`.
    // Paths compare as canonically equivalent Unicode.
    void prune(const QStringList &roots, const QSet<QString> &existingPaths);
    // The stored modification time and size of `path`, for the scan's change test.
    std::optional<ContentIndexStoredFacts> storedFacts(const QString &path);

private:
    class Statement;

    Statement prepare(const char *sql);
    void bind(Statement &statement, int index, const QString &value);
    void execute(const char *sql);
    static void execute(sqlite3 *db, const char *sql);
    ContentIndexError queryError() const;

    void write(const ContentIndexDocument &document);
    void deletePath(const QString &path);
    void deletePathsInOwnTransactions(const QStringList &paths);
    QStringList storedPaths();
    void createFullTextTables();
    QList<ContentIndexSearchRow> fetch(const QString &expression, int limit);
    QList<ContentIndexSearchRow> fetchLike(const QStringList &terms, int limit,
                                           const QString &snippetQuery);
    int countCandidates(const QString &match, int atMost);

    sqlite3 *m_db = nullptr;
    bool m_ftsAvailable = false;
    int m_batchDocuments = 1;
    bool m_inBatch = false;
    int m_batched = 0;
};
