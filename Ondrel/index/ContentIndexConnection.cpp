#include "ContentIndexConnection.h"

#include "CjkBigramTokenizer.h"
#include "ContentIndexQuery.h"
#include "CoreError.h"
#include "FileSystem.h"
#include "Localization.h"

#include <QDateTime>
#include <QFileInfo>

#include <sqlite3.h>

const char *const ContentIndexConnection::schemaSql =
    "PRAGMA journal_mode=WAL;\n"
    "PRAGMA synchronous=NORMAL;\n"
    "CREATE TABLE IF NOT EXISTS documents (\n"
    "    id INTEGER PRIMARY KEY,\n"
    "    path TEXT NOT NULL UNIQUE,\n"
    "    name TEXT NOT NULL,\n"
    "    directory TEXT NOT NULL,\n"
    "    extension TEXT NOT NULL,\n"
    "    modified REAL NOT NULL,\n"
    "    size INTEGER NOT NULL,\n"
    "    source TEXT NOT NULL,\n"
    "    text TEXT NOT NULL,\n"
    "    indexed_at REAL NOT NULL\n"
    ");\n"
    "CREATE INDEX IF NOT EXISTS documents_modified ON documents(modified);\n"
    "CREATE INDEX IF NOT EXISTS documents_indexed_at ON documents(indexed_at);";

const char *const ContentIndexConnection::ftsSql =
    "CREATE VIRTUAL TABLE IF NOT EXISTS content_fts USING fts5(\n"
    "    path UNINDEXED,\n"
    "    name,\n"
    "    text,\n"
    "    content='documents',\n"
    "    content_rowid='id',\n"
    "    tokenize='marovel_words'\n"
    ");\n"
    "CREATE VIRTUAL TABLE IF NOT EXISTS content_cjk USING fts5(\n"
    "    name,\n"
    "    text,\n"
    "    content='documents',\n"
    "    content_rowid='id',\n"
    "    tokenize='marovel_cjk',\n"
    "    detail=none,\n"
    "    columnsize=0\n"
    ");";

namespace {

constexpr int openFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
static_assert(openFlags == 0x10006);

const char *const rowColumns = "path, name, directory, modified, size, source";

QString connectionClosed()
{
    return L("数据库连接已关闭");
}

double now()
{
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

QString escapeLike(QString term)
{
    term.replace(u'\\', QStringLiteral("\\\\"));
    term.replace(u'%', QStringLiteral("\\%"));
    term.replace(u'_', QStringLiteral("\\_"));
    return term;
}

// The full-text condition that every row containing `term` meets in `content_cjk`: all of
// its pairs of adjacent CJK code points. "" when the term has no such pair.
QString pairCondition(const QString &term)
{
    QStringList pairs;
    const QList<uint> codePoints = term.toUcs4();
    for (qsizetype i = 0; i + 1 < codePoints.size(); ++i) {
        if (!ContentIndexQuery::isCJKCodePoint(codePoints[i]) ||
            !ContentIndexQuery::isCJKCodePoint(codePoints[i + 1]))
            continue;
        const char32_t pair[2] = {codePoints[i], codePoints[i + 1]};
        const QString quoted = u'"' + QString::fromUcs4(pair, 2) + u'"';
        if (!pairs.contains(quoted))
            pairs << quoted;
    }
    return pairs.join(QStringLiteral(" AND "));
}

// The condition for rows containing any of `terms`, or "" when one of them gives none.
QString candidateCondition(const QStringList &terms)
{
    QStringList alternatives;
    for (const QString &term : terms) {
        const QString condition = pairCondition(term);
        if (condition.isEmpty())
            return {};
        alternatives << u'(' + condition + u')';
    }
    return alternatives.join(QStringLiteral(" OR "));
}

bool underRoot(const QString &path, const QString &root)
{
    return path == root || (path.startsWith(root) && path.size() > root.size() &&
                            path.at(root.size()) == u'/');
}

QString nfc(const QString &text)
{
    return text.normalized(QString::NormalizationForm_C);
}

} // namespace

// A prepared statement, finalised on every way out.
class ContentIndexConnection::Statement
{
public:
    explicit Statement(sqlite3_stmt *statement) : m_statement(statement) {}
    Statement(Statement &&other) noexcept : m_statement(std::exchange(other.m_statement, nullptr)) {}
    Statement(const Statement &) = delete;
    ~Statement() { sqlite3_finalize(m_statement); }

    sqlite3_stmt *get() const { return m_statement; }
    int step() { return sqlite3_step(m_statement); }

    // Steps to the next row: true on a row, false after the last one. Anything else (a
    // damaged page, a lock held elsewhere, a read error) throws, so that no loop takes a
    // failure for the end of its rows.
    bool next()
    {
        const int rc = sqlite3_step(m_statement);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        throw ContentIndexError(ContentIndexError::Kind::Query,
                                QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_statement))));
    }

    QString text(int column) const
    {
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        return bytes ? QString::fromUtf8(bytes, sqlite3_column_bytes(m_statement, column)) : QString();
    }
    double real(int column) const { return sqlite3_column_double(m_statement, column); }
    qint64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    bool isNull(int column) const { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }

    // Columns `first` to `first + 5`: path, name, directory, modified, size, source.
    ContentIndexSearchRow row(int first = 0) const
    {
        ContentIndexSearchRow row;
        row.path = text(first);
        row.name = text(first + 1);
        row.directory = text(first + 2);
        row.modified = ContentIndexTime::date(real(first + 3));
        row.size = integer(first + 4);
        row.source = text(first + 5);
        return row;
    }

private:
    sqlite3_stmt *m_statement;
};

ContentIndexConnection::~ContentIndexConnection()
{
    close();
}

void ContentIndexConnection::close()
{
    try {
        commitPending();
    } catch (const ContentIndexError &) {
        // the documents of the open batch are read again by the next scan
    }
    if (m_db)
        sqlite3_close_v2(std::exchange(m_db, nullptr));
    m_ftsAvailable = false;
}

void ContentIndexConnection::open(const QString &path, Options options)
{
    close();
    m_batchDocuments = std::max(1, options.batchDocuments);
    const QString folder = QFileInfo(path).absolutePath();
    if (const int error = FileSystem::makePath(folder))
        throw ContentIndexError(ContentIndexError::Kind::Folder,
                                L("无法创建文件夹“%@”：%@", folder, systemReason(error)));

    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, openFlags, nullptr);
    if (rc != SQLITE_OK || !db) {
        const QString message = (rc != SQLITE_OK && db) ? QString::fromUtf8(sqlite3_errmsg(db))
                                                        : L("sqlite3_open_v2 失败");
        sqlite3_close_v2(db);
        throw ContentIndexError(ContentIndexError::Kind::Open, message);
    }
    m_db = db;
    sqlite3_busy_timeout(m_db, options.busyTimeoutMs);
    try {
        execute(schemaSql);
        // Searches read many rows: mapped pages spare a system call per page.
        execute("PRAGMA mmap_size=268435456");
    } catch (...) {
        close();
        throw;
    }
    if (options.allowFts) {
        createFullTextTables();
    } else {
        // Tables left by an earlier open would miss the changes made without them.
        sqlite3_exec(m_db, "DROP TABLE IF EXISTS content_fts; DROP TABLE IF EXISTS content_cjk;",
                     nullptr, nullptr, nullptr);
    }
}

void ContentIndexConnection::createFullTextTables()
{
    if (!CjkBigramTokenizer::registerOn(m_db))
        return;
    const auto exists = [this](const char *table) {
        Statement statement = prepare("SELECT 1 FROM sqlite_master WHERE name = ?");
        sqlite3_bind_text(statement.get(), 1, table, -1, SQLITE_STATIC);
        return statement.next();
    };
    try {
        const bool existed = exists("content_fts") && exists("content_cjk");
        execute("BEGIN IMMEDIATE");
        try {
            execute(ftsSql);
            // Tables made now over rows stored without them start from those rows. They
            // merge their segments in larger steps than FTS5's default: a scan writes
            // thousands of rows in a row, and merging less often makes that a fifth faster
            // at no measurable cost to searches.
            if (!existed)
                execute("INSERT INTO content_fts(content_fts, rank) VALUES('automerge', 16);\n"
                        "INSERT INTO content_cjk(content_cjk, rank) VALUES('automerge', 16);\n"
                        "INSERT INTO content_fts(content_fts) VALUES('rebuild');\n"
                        "INSERT INTO content_cjk(content_cjk) VALUES('rebuild');");
            execute("COMMIT");
        } catch (...) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        m_ftsAvailable = true;
    } catch (const ContentIndexError &) {
        m_ftsAvailable = false; // substring search answers every query
    }
}

ContentIndexConnection::Statement ContentIndexConnection::prepare(const char *sql)
{
    if (!m_db)
        throw ContentIndexError(ContentIndexError::Kind::Open, connectionClosed());
    sqlite3_stmt *statement = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr);
    if (rc != SQLITE_OK || !statement) {
        sqlite3_finalize(statement);
        throw queryError();
    }
    return Statement(statement);
}

void ContentIndexConnection::bind(Statement &statement, int index, const QString &value)
{
    // A NUL would end the text for many readers; it is dropped rather than cutting there.
    QByteArray bytes = value.toUtf8();
    if (bytes.contains('\0'))
        bytes.replace('\0', QByteArray());
    if (sqlite3_bind_text(statement.get(), index, bytes.constData(), int(bytes.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
        throw queryError();
}

ContentIndexError ContentIndexConnection::queryError() const
{
    return ContentIndexError(ContentIndexError::Kind::Query,
                             m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : L("未知 SQLite 错误"));
}

void ContentIndexConnection::execute(sqlite3 *db, const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return;
    QString text;
    if (message)
        text = QString::fromUtf8(message);
    else if (db)
        text = QString::fromUtf8(sqlite3_errmsg(db));
    else
        text = L("未知 SQLite 错误");
    sqlite3_free(message);
    throw ContentIndexError(ContentIndexError::Kind::Query, text);
}

void ContentIndexConnection::execute(const char *sql)
{
    if (!m_db)
        throw ContentIndexError(ContentIndexError::Kind::Open, connectionClosed());
    execute(m_db, sql);
}

void ContentIndexConnection::upsert(const ContentIndexDocument &document)
{
    if (m_batchDocuments <= 1) {
        execute("BEGIN IMMEDIATE");
        try {
            write(document);
            execute("COMMIT");
        } catch (...) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        return;
    }
    if (!m_inBatch) {
        execute("BEGIN IMMEDIATE");
        m_inBatch = true;
        m_batched = 0;
    }
    execute("SAVEPOINT document");
    try {
        write(document);
        execute("RELEASE document");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK TO document; RELEASE document", nullptr, nullptr, nullptr);
        throw;
    }
    if (++m_batched >= m_batchDocuments)
        commitPending();
}

void ContentIndexConnection::commitPending()
{
    if (!m_inBatch)
        return;
    m_inBatch = false;
    try {
        execute("COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void ContentIndexConnection::write(const ContentIndexDocument &document)
{
    {
        deletePath(document.path);
        Statement insert = prepare(
            "INSERT INTO documents\n"
            "(path, name, directory, extension, modified, size, source, text, indexed_at)\n"
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
        bind(insert, 1, document.path);
        bind(insert, 2, document.name);
        bind(insert, 3, document.directory);
        bind(insert, 4, document.extensionName);
        sqlite3_bind_double(insert.get(), 5, document.modified);
        sqlite3_bind_int64(insert.get(), 6, document.size);
        bind(insert, 7, document.source);
        bind(insert, 8, document.text);
        sqlite3_bind_double(insert.get(), 9, now());
        if (insert.step() != SQLITE_DONE)
            throw queryError();
        if (m_ftsAvailable) {
            // The full-text tables read the row back, so they index exactly what was stored.
            const sqlite3_int64 id = sqlite3_last_insert_rowid(m_db);
            Statement words = prepare("INSERT INTO content_fts(rowid, path, name, text) "
                                      "SELECT id, path, name, text FROM documents WHERE id = ?");
            sqlite3_bind_int64(words.get(), 1, id);
            if (words.step() != SQLITE_DONE)
                throw queryError();
            Statement pairs = prepare("INSERT INTO content_cjk(rowid, name, text) "
                                      "SELECT id, name, text FROM documents WHERE id = ?");
            sqlite3_bind_int64(pairs.get(), 1, id);
            if (pairs.step() != SQLITE_DONE)
                throw queryError();
        }
    }
}

void ContentIndexConnection::deletePath(const QString &path)
{
    if (m_ftsAvailable) {
        // An external-content table forgets a row when told its stored values.
        Statement old = prepare("SELECT id, path, name, text FROM documents WHERE path = ?");
        bind(old, 1, path);
        if (old.next()) {
            Statement words = prepare("INSERT INTO content_fts(content_fts, rowid, path, name, text) "
                                      "VALUES('delete', ?, ?, ?, ?)");
            for (int column = 0; column < 4; ++column)
                sqlite3_bind_value(words.get(), column + 1, sqlite3_column_value(old.get(), column));
            if (words.step() != SQLITE_DONE)
                throw queryError();
            Statement pairs = prepare("INSERT INTO content_cjk(content_cjk, rowid, name, text) "
                                      "VALUES('delete', ?, ?, ?)");
            sqlite3_bind_value(pairs.get(), 1, sqlite3_column_value(old.get(), 0));
            sqlite3_bind_value(pairs.get(), 2, sqlite3_column_value(old.get(), 2));
            sqlite3_bind_value(pairs.get(), 3, sqlite3_column_value(old.get(), 3));
            if (pairs.step() != SQLITE_DONE)
                throw queryError();
        }
    }
    Statement remove = prepare("DELETE FROM documents WHERE path = ?");
    bind(remove, 1, path);
    if (remove.step() != SQLITE_DONE)
        throw queryError();
}

void ContentIndexConnection::deletePathsInOwnTransactions(const QStringList &paths)
{
    commitPending();
    // Each path goes with its full-text entries in one transaction; the first failure stops
    // the loop and leaves the paths before it deleted.
    for (const QString &path : paths) {
        execute("BEGIN IMMEDIATE");
        try {
            deletePath(path);
            execute("COMMIT");
        } catch (...) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
}

QStringList ContentIndexConnection::storedPaths()
{
    Statement select = prepare("SELECT path FROM documents");
    QStringList paths;
    while (select.next()) {
        if (!select.isNull(0))
            paths << select.text(0);
    }
    return paths;
}

int ContentIndexConnection::count()
{
    Statement statement = prepare("SELECT COUNT(*) FROM documents");
    if (statement.step() != SQLITE_ROW)
        throw queryError();
    return int(statement.integer(0));
}

void ContentIndexConnection::clearAll()
{
    commitPending();
    try {
        execute("BEGIN IMMEDIATE");
        if (m_ftsAvailable)
            execute("INSERT INTO content_fts(content_fts) VALUES('delete-all');\n"
                    "INSERT INTO content_cjk(content_cjk) VALUES('delete-all');");
        execute("DELETE FROM documents");
        execute("COMMIT");
        execute("PRAGMA wal_checkpoint(TRUNCATE)");
        execute("VACUUM");
    } catch (...) {
        if (m_db)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void ContentIndexConnection::removeUnder(const QString &root)
{
    const QString normalRoot = nfc(root);
    QStringList doomed;
    for (const QString &path : storedPaths())
        if (underRoot(nfc(path), normalRoot))
            doomed << path;
    deletePathsInOwnTransactions(doomed);
}

void ContentIndexConnection::prune(const QStringList &roots, const QSet<QString> &existingPaths)
{
    commitPending();
    if (roots.isEmpty())
        return;
    QStringList normalRoots;
    for (const QString &root : roots)
        normalRoots << nfc(root);
    QSet<QString> existing;
    existing.reserve(existingPaths.size());
    for (const QString &path : existingPaths)
        existing.insert(nfc(path));

    QStringList doomed;
    for (const QString &path : storedPaths()) {
        const QString normal = nfc(path);
        const bool inside = std::any_of(normalRoots.begin(), normalRoots.end(),
                                        [&](const QString &root) { return underRoot(normal, root); });
        if (inside && !existing.contains(normal))
            doomed << path;
    }
    deletePathsInOwnTransactions(doomed);
}

std::optional<ContentIndexStoredFacts> ContentIndexConnection::storedFacts(const QString &path)
{
    Statement statement = prepare("SELECT modified, size FROM documents WHERE path = ? LIMIT 1");
    bind(statement, 1, path);
    if (!statement.next())
        return std::nullopt;
    return ContentIndexStoredFacts{statement.real(0), statement.integer(1)};
}

QList<ContentIndexSearchRow> ContentIndexConnection::search(const QString &rawQuery, int limit)
{
    QString query = rawQuery;
    query.remove(QChar(0));
    query = query.trimmed();
    if (query.isEmpty())
        return {};
    if (!ContentIndexQuery::containsCJK(query)) {
        const QString expression = m_ftsAvailable ? ContentIndexQuery::ftsExpression(query) : QString();
        if (!expression.isEmpty()) {
            try {
                QList<ContentIndexSearchRow> rows = fetch(expression, limit);
                if (!rows.isEmpty())
                    return rows;
            } catch (const ContentIndexError &) {
                // a query FTS5 cannot read: the substring search answers it
            }
        }
        return fetchLike({query}, limit, query);
    }
    QList<ContentIndexSearchRow> rows = fetchLike({query}, limit, query);
    if (!rows.isEmpty())
        return rows;
    // One clause per term: a very long query keeps its first windows, staying well inside
    // SQLite's limit on expression depth (about 1,000) instead of failing there.
    return fetchLike(ContentIndexQuery::cjkFallbackTerms(query).mid(0, maxLikeTerms), limit, query);
}

QList<ContentIndexSearchRow> ContentIndexConnection::fetch(const QString &expression, int limit)
{
    Statement statement = prepare(
        "SELECT d.path, d.name, d.directory, d.modified, d.size, d.source,\n"
        "       snippet(content_fts, 2, '[', ']', '…', 30)\n"
        "FROM content_fts\n"
        "JOIN documents d ON d.id = content_fts.rowid\n"
        "WHERE content_fts MATCH ?\n"
        "ORDER BY rank\n"
        "LIMIT ?");
    bind(statement, 1, expression);
    sqlite3_bind_int(statement.get(), 2, limit);
    QList<ContentIndexSearchRow> rows;
    while (statement.next()) {
        ContentIndexSearchRow row = statement.row();
        row.snippet = statement.text(6);
        rows << row;
    }
    return rows;
}

int ContentIndexConnection::countCandidates(const QString &match, int atMost)
{
    Statement statement = prepare("SELECT COUNT(*) FROM (SELECT rowid FROM content_cjk "
                                  "WHERE content_cjk MATCH ? LIMIT ?)");
    bind(statement, 1, match);
    sqlite3_bind_int(statement.get(), 2, atMost);
    if (statement.step() != SQLITE_ROW)
        throw queryError();
    return int(statement.integer(0));
}

QList<ContentIndexSearchRow> ContentIndexConnection::fetchLike(const QStringList &terms, int limit,
                                                               const QString &snippetQuery)
{
    QStringList escaped;
    QStringList kept; // the terms as typed, for the pair condition
    for (const QString &term : terms) {
        const QString e = escapeLike(term);
        if (!e.isEmpty()) {
            escaped << e;
            kept << term;
        }
    }
    if (escaped.isEmpty())
        return {};

    QStringList clauses;
    for (qsizetype i = 0; i < escaped.size(); ++i)
        clauses << QStringLiteral("(name LIKE '%' || ? || '%' ESCAPE '\\' OR "
                                  "text LIKE '%' || ? || '%' ESCAPE '\\')");
    const QString where = clauses.join(QStringLiteral(" OR "));

    // Rows come newest first either way. With a CJK pair condition, few candidates are read
    // directly; many are met by walking the rows newest first, which stops at the limit.
    // Without one, every row is a candidate and the walk is the only way.
    const QString match = m_ftsAvailable ? candidateCondition(kept) : QString();
    QString sql = QStringLiteral("SELECT %1, text\nFROM documents ").arg(QLatin1String(rowColumns));
    if (match.isEmpty()) {
        sql += QStringLiteral("INDEXED BY documents_indexed_at\nWHERE ") + where;
    } else {
        const bool few = countCandidates(match, candidateWalkThreshold + 1) <= candidateWalkThreshold;
        sql += few ? QStringLiteral("NOT INDEXED") : QStringLiteral("INDEXED BY documents_indexed_at");
        sql += QStringLiteral("\nWHERE id IN (SELECT rowid FROM content_cjk WHERE content_cjk MATCH ?)"
                              " AND (") + where + u')';
    }
    sql += QStringLiteral("\nORDER BY indexed_at DESC\nLIMIT ?");

    const QByteArray sqlBytes = sql.toUtf8();
    Statement statement = prepare(sqlBytes.constData());
    int parameter = 1;
    if (!match.isEmpty())
        bind(statement, parameter++, match);
    for (const QString &term : std::as_const(escaped)) {
        bind(statement, parameter++, term);
        bind(statement, parameter++, term);
    }
    sqlite3_bind_int(statement.get(), parameter, limit);

    QList<ContentIndexSearchRow> rows;
    while (statement.next()) {
        ContentIndexSearchRow row = statement.row();
        row.snippet = ContentIndexQuery::snippet(statement.text(6), snippetQuery);
        rows << row;
    }
    return rows;
}
