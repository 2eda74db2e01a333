#include "CjkBigramTokenizer.h"
#include "ContentIndexDatabase.h"
#include "IndexTestSupport.h"
#include "Localization.h"

#include <QDir>
#include <QThread>

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace IndexTest;

namespace {

class IndexDatabase : public testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        path = TestSupport::root() + QStringLiteral("/data/content-index.sqlite");
    }
    void TearDown() override { Loc::shared().setOverride(std::nullopt); }

    void open(bool fts = true) { connection.open(path, {fts}); }

    // Stores documents one after another, so each is indexed later than the one before.
    void store(const QList<ContentIndexDocument> &documents)
    {
        for (const auto &doc : documents) {
            connection.upsert(doc);
            QThread::msleep(3);
        }
    }

    // A second connection, with the index's tokenizers, to look at the file. A failing
    // statement gives "error: " and SQLite's message.
    QString scalar(const char *sql)
    {
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        CjkBigramTokenizer::registerOn(db);
        sqlite3_stmt *statement = nullptr;
        QString value;
        int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
        if (rc == SQLITE_OK)
            rc = sqlite3_step(statement);
        if (rc == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
        else if (rc != SQLITE_DONE)
            value = "error: " + QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return value;
    }

    QString path;
    ContentIndexConnection connection;
};

} // namespace

TEST_F(IndexDatabase, OpensTheSchemaInWriteAheadLogMode)
{
    open();
    EXPECT_TRUE(connection.ftsAvailable());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(scalar("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(scalar("SELECT sql FROM sqlite_master WHERE name = 'documents'"),
              "CREATE TABLE documents (\n"
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
              ")");
    EXPECT_EQ(scalar("SELECT sql FROM sqlite_master WHERE name = 'documents_modified'"),
              "CREATE INDEX documents_modified ON documents(modified)");
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlite_master WHERE name IN ('content_fts', 'content_cjk')"),
              "2");
    // A second open of the same file keeps what it holds.
    connection.upsert(document("/a/x.txt", "kept"));
    connection.close();
    open();
    EXPECT_EQ(connection.count(), 1);
}

TEST_F(IndexDatabase, UpsertingTwiceKeepsOneRowWithTheLaterValues)
{
    open();
    connection.upsert(document("/a/x.txt", "first harbour"));
    const double firstAt = scalar("SELECT indexed_at FROM documents").toDouble();
    QThread::msleep(5);
    ContentIndexDocument later = document("/a/x.txt", "second lighthouse", "office");
    later.size = 99;
    connection.upsert(later);

    EXPECT_EQ(connection.count(), 1);
    EXPECT_GT(scalar("SELECT indexed_at FROM documents").toDouble(), firstAt);
    EXPECT_EQ(scalar("SELECT source || ' ' || size || ' ' || text FROM documents"),
              "office 99 second lighthouse");
    // The full-text tables follow: the old word is gone, the new one found, and their
    // indexes agree with the rows.
    EXPECT_EQ(scalar("INSERT INTO content_fts(content_fts) VALUES('integrity-check')"), "");
    EXPECT_EQ(scalar("SELECT count(*) FROM content_fts WHERE content_fts MATCH 'harbour'"), "0");
    EXPECT_EQ(paths(connection.search("lighthouse", 100)), QStringList{"/a/x.txt"});
    EXPECT_EQ(paths(connection.search("harbour", 100)), QStringList{});
    EXPECT_EQ(connection.storedFacts("/a/x.txt")->size, 99);
    EXPECT_FALSE(connection.storedFacts("/a/none.txt").has_value());
}

TEST_F(IndexDatabase, WorksWithoutFullTextSearch)
{
    open(false);
    EXPECT_FALSE(connection.ftsAvailable());
    store({document("/a/x.txt", "an invoice from the hotel"), document("/a/y.txt", "发票金额")});
    store({document("/a/x.txt", "an invoice from the grand hotel")});
    EXPECT_EQ(scalar("SELECT count(*) FROM sqlite_master WHERE name LIKE 'content_%'"), "0");
    EXPECT_EQ(paths(connection.search("hotel", 100)), QStringList{"/a/x.txt"});
    EXPECT_EQ(paths(connection.search("发票", 100)), QStringList{"/a/y.txt"});
    connection.removeUnder("/a/y.txt");
    EXPECT_EQ(connection.count(), 1);
    connection.clearAll();
    EXPECT_EQ(connection.count(), 0);
}

TEST_F(IndexDatabase, FullTextTablesMadeLaterStartFromTheStoredRows)
{
    open(false);
    store({document("/a/x.txt", "lighthouse keeper"), document("/a/y.txt", "灯塔看守人")});
    connection.close();
    open(true);
    ASSERT_TRUE(connection.ftsAvailable());
    EXPECT_EQ(scalar("SELECT count(*) FROM content_fts WHERE content_fts MATCH 'lighthouse'"), "1");
    EXPECT_EQ(paths(connection.search("看守", 100)), QStringList{"/a/y.txt"});
    connection.upsert(document("/a/x.txt", "changed"));
    EXPECT_EQ(scalar("INSERT INTO content_fts(content_fts) VALUES('integrity-check')"), "");
}

TEST_F(IndexDatabase, SearchDecisions)
{
    for (const bool fts : {true, false}) {
        SCOPED_TRACE(fts ? "with FTS" : "without FTS");
        QFile::remove(path);
        QFile::remove(path + "-wal");
        QFile::remove(path + "-shm");
        open(fts);
        store({
            document("/d/invoice.txt", "Invoice for the Grand Hotel, total 100% paid"),
            document("/d/percent.txt", "100 percent and a_b here"),
            document("/d/axb.txt", "axb only"),
            document("/d/older.txt", "旅途一帆平安"),
            document("/d/newer.txt", "祝你风顺水顺"),
            document("/d/whole.txt", "English and 一帆风顺 together"),
        });
        const struct
        {
            QString query;
            QStringList paths;
        } cases[] = {
            {"   ", {}},
            {QString(3, QChar(0)), {}},
            {QString::fromUtf16(u"\0 \0", 3), {}},
            {"grand", {"/d/invoice.txt"}},
            // Only inside a longer word: the word search misses it, the substring finds it.
            {"voice", {"/d/invoice.txt"}},
            // "%" and "_" are themselves in a substring search, never wildcards.
            {"0%", {"/d/invoice.txt"}},
            {"%", {"/d/invoice.txt"}},
            {"_", {"/d/percent.txt"}},
            {"a_b", {"/d/percent.txt"}},
            {"一帆风顺", {"/d/whole.txt"}},
            // Not whole anywhere: rows with any two-character window, newest first.
            {"一帆风顺啊", {"/d/whole.txt", "/d/newer.txt", "/d/older.txt"}},
            {"  hotel \n", {"/d/invoice.txt"}},
        };
        for (const auto &c : cases)
            EXPECT_EQ(paths(connection.search(c.query, 100)), c.paths) << c.query.toStdString();
        connection.close();
    }
}

TEST_F(IndexDatabase, AQueryTheWordSearchCannotReadFallsBackToSubstrings)
{
    open();
    store({document("/d/dash.txt", "a lone - dash"), document("/d/x.txt", "nothing")});
    // "-" survives the expression's filter and is quoted, but tokenizes to nothing, which
    // FTS5 rejects; the substring search answers instead.
    EXPECT_EQ(paths(connection.search("-", 100)), QStringList{"/d/dash.txt"});
}

TEST_F(IndexDatabase, SnippetsMarkWordHitsAndCutSubstringHits)
{
    open();
    QString longText = QString(300, u'x') + QStringLiteral(" needle ") + QString(300, u'y');
    store({document("/d/a.txt", "The quick brown fox jumps over the lazy dog"),
           document("/d/b.txt", longText)});
    const auto word = connection.search("brown", 100);
    ASSERT_EQ(word.size(), 1);
    EXPECT_EQ(word[0].snippet, "The quick [brown] fox jumps over the lazy dog");
    EXPECT_EQ(word[0].name, "a.txt");
    EXPECT_EQ(word[0].directory, "/d");
    EXPECT_EQ(word[0].source, "text");
    EXPECT_EQ(word[0].modified, ContentIndexTime::date(1700000000.5));

    const auto substring = connection.search("eedl", 100);
    ASSERT_EQ(substring.size(), 1);
    EXPECT_EQ(substring[0].snippet,
              u'…' + longText.mid(302 - 90, 90 + 4 + 130) + u'…');
}

TEST_F(IndexDatabase, NulCharactersAreDroppedNotCutAt)
{
    open();
    connection.upsert(document(QStringLiteral("/d/nul.txt"),
                               QString::fromUtf16(u"before\0after", 12)));
    EXPECT_EQ(scalar("SELECT text FROM documents"), "beforeafter");
    EXPECT_EQ(paths(connection.search("after", 100)), QStringList{"/d/nul.txt"});
    EXPECT_EQ(paths(connection.search(QString::fromUtf16(u"befo\0re", 7), 100)), QStringList{"/d/nul.txt"});
}

TEST_F(IndexDatabase, RemoveUnderTakesTheFolderAndItsContentsOnly)
{
    open();
    store({document("/a/b", "x"), document("/a/b/c.txt", "x"), document("/a/bc.txt", "x"),
           document("/a/b/d/e.txt", "x")});
    connection.removeUnder("/a/b");
    EXPECT_EQ(scalar("SELECT group_concat(path, ' ') FROM documents"), "/a/bc.txt");
    EXPECT_EQ(scalar("INSERT INTO content_fts(content_fts) VALUES('integrity-check')"), "");
}

TEST_F(IndexDatabase, PruneDeletesUnseenPathsUnderTheRootsOnly)
{
    open();
    const QString nfc = QStringLiteral("/r/caf\u00e9");
    const QString nfd = QStringLiteral("/r/cafe\u0301");
    store({document("/a/x", "x"), document("/a/y", "y"), document("/z/w", "w"),
           document(nfd + "/seen.txt", "s"), document(nfd + "/gone.txt", "g")});
    connection.prune({"/a"}, {"/a/x"});
    EXPECT_EQ(scalar("SELECT group_concat(path, ' ') FROM (SELECT path FROM documents ORDER BY path)"),
              "/a/x " + nfd + "/gone.txt " + nfd + "/seen.txt /z/w");
    // Canonically equivalent paths are the same path: the root and the seen file given in
    // NFC match rows stored in NFD.
    connection.prune({nfc}, {nfc + "/seen.txt"});
    EXPECT_EQ(scalar("SELECT group_concat(path, ' ') FROM (SELECT path FROM documents ORDER BY path)"),
              "/a/x " + nfd + "/seen.txt /z/w");
    connection.prune({}, {});
    EXPECT_EQ(connection.count(), 3);
}

TEST_F(IndexDatabase, ASearchThatMeetsADamagedPageFailsInsteadOfAnsweringPart)
{
    // The oldest rows lie on a page that no longer reads: a walk newest first meets the
    // others first, so an answer of those alone would look complete.
    for (const bool fts : {true, false}) {
        SCOPED_TRACE(fts ? "word and substring search" : "substring search only");
        QFile::remove(path);
        open(fts);
        for (int i = 0; i < 60; ++i)
            connection.upsert(document(QStringLiteral("/c/%1.txt").arg(i, 4, 10, QChar(u'0')),
                                       QStringLiteral("harbour log 港口记录 ").repeated(30)));
        connection.close();
        ASSERT_EQ(damage(path, {"documents"}, Leaves::First), 1);
        open(fts);
        for (const QString query : {"harbour", "arbou", "港口"}) {
            SCOPED_TRACE(query.toStdString());
            try {
                const auto rows = connection.search(query, 100);
                ADD_FAILURE() << "answered " << rows.size() << " rows";
            } catch (const ContentIndexError &error) {
                EXPECT_EQ(error.kind(), ContentIndexError::Kind::Query);
                EXPECT_EQ(error.description(), "本地索引读写失败：database disk image is malformed");
            }
        }
        connection.close();
    }
}

TEST_F(IndexDatabase, PruneAndRemovalThatCannotReadEveryPathDeleteNothing)
{
    // Long paths spread the path index over several pages; the last of them (and the
    // table's last page) no longer reads, so the list of stored paths ends early.
    open();
    QStringList stored;
    for (int i = 0; i < 120; ++i)
        stored << QStringLiteral("/c/%1/%2.txt").arg(QString(120, u'p')).arg(i, 4, 10, QChar(u'0'));
    for (const QString &p : std::as_const(stored))
        connection.upsert(document(p, "x"));
    connection.close();
    ASSERT_EQ(damage(path, {"documents", "sqlite_autoindex_documents_1"}, Leaves::Last), 2);
    open();
    EXPECT_THROW(connection.prune({"/c"}, {}), ContentIndexError);
    EXPECT_THROW(connection.removeUnder("/c"), ContentIndexError);
    // The paths read before the damaged page are all still stored.
    EXPECT_TRUE(connection.storedFacts(stored.first()).has_value());
    EXPECT_TRUE(connection.storedFacts(stored.at(20)).has_value());
}

TEST_F(IndexDatabase, ClearAllEmptiesEverything)
{
    open();
    store({document("/a/x", "lighthouse"), document("/a/y", "灯塔")});
    connection.clearAll();
    EXPECT_EQ(connection.count(), 0);
    EXPECT_TRUE(connection.search("lighthouse", 100).isEmpty());
    EXPECT_TRUE(connection.search("灯塔", 100).isEmpty());
    EXPECT_EQ(scalar("INSERT INTO content_fts(content_fts) VALUES('integrity-check')"), "");
}

TEST_F(IndexDatabase, ChineseSearchFindsEveryHolderNewestFirstWhateverTheirNumber)
{
    // Whether few rows hold the word (read directly) or many (walked newest first), the
    // rows and their order are those of a plain substring search.
    open();
    QList<ContentIndexDocument> docs;
    for (int i = 0; i < 700; ++i) {
        QString text = QStringLiteral("无关的句子，第%1行。").arg(i);
        if (i % 2 == 0)
            text += QStringLiteral("常见词语出现");
        if (i % 150 == 7)
            text += QStringLiteral("罕见宝藏");
        if (i % 3 == 0)
            text += QStringLiteral("常见，词语");  // the pairs, but not the word
        docs << document(QStringLiteral("/c/%1.txt").arg(i, 4, 10, QChar(u'0')), text);
    }
    for (const auto &doc : docs)
        connection.upsert(doc); // same millisecond or not: ties keep insertion order below
    const auto expected = [&](const QString &word, int limit) {
        // Newest first; rows written in the same millisecond may come in either order,
        // so compare as sets the rows beyond any tie at the cut.
        QStringList found;
        for (auto it = docs.crbegin(); it != docs.crend(); ++it)
            if (it->text.contains(word))
                found << it->path;
        return found.mid(0, limit);
    };
    for (const QString &word : {QStringLiteral("常见词语"), QStringLiteral("罕见宝藏"),
                               QStringLiteral("词语出")}) {
        QStringList got = paths(connection.search(word, 100));
        QStringList want = expected(word, 100);
        EXPECT_EQ(got.size(), want.size()) << word.toStdString();
        got.sort();
        want.sort();
        EXPECT_EQ(got, want) << word.toStdString();
    }
}

TEST_F(IndexDatabase, AVeryLongChineseQueryIsAnsweredNotRefused)
{
    open();
    QString query;
    for (int i = 0; i < 3000; ++i)
        query += QChar(0x4E00 + (i * 7) % 20000);
    store({document("/c/a.txt", "内容" + query.mid(10, 2))});
    EXPECT_EQ(paths(connection.search(query, 100)), QStringList{"/c/a.txt"});
}

TEST_F(IndexDatabase, ErrorsCarryTheirTexts)
{
    // No connection.
    try {
        connection.count();
        FAIL();
    } catch (const ContentIndexError &error) {
        EXPECT_EQ(error.kind(), ContentIndexError::Kind::Open);
        EXPECT_EQ(error.description(), "本地索引无法打开：数据库连接已关闭");
    }
    // The folder cannot be made: a file stands where it should be.
    TestSupport::writeFile(TestSupport::root() + "/blocked", "x");
    try {
        connection.open(TestSupport::root() + "/blocked/content-index.sqlite");
        FAIL();
    } catch (const ContentIndexError &error) {
        EXPECT_EQ(error.kind(), ContentIndexError::Kind::Folder);
        EXPECT_TRUE(error.description().startsWith("无法创建文件夹")) << error.what();
    }
    // The path is a folder: SQLite's own message.
    QDir().mkpath(TestSupport::root() + "/folder.sqlite");
    try {
        connection.open(TestSupport::root() + "/folder.sqlite");
        FAIL();
    } catch (const ContentIndexError &error) {
        EXPECT_EQ(error.kind(), ContentIndexError::Kind::Open);
        EXPECT_EQ(error.description(), "本地索引无法打开：unable to open database file");
    }
    EXPECT_FALSE(connection.isOpen());
    // A file that is not a database: the schema fails with SQLite's message.
    TestSupport::writeFile(TestSupport::root() + "/junk.sqlite", QByteArray(4096, 'j'));
    try {
        connection.open(TestSupport::root() + "/junk.sqlite");
        FAIL();
    } catch (const ContentIndexError &error) {
        EXPECT_EQ(error.kind(), ContentIndexError::Kind::Query);
        EXPECT_EQ(error.description(), "本地索引读写失败：file is not a database");
    }
    EXPECT_FALSE(connection.isOpen());
}

TEST_F(IndexDatabase, EveryCallRunsOnTheDatabasesOneWorkerThread)
{
    ContentIndexDatabase database(path);
    database.opened().waitForFinished();
    EXPECT_TRUE(database.ftsAvailable());
    QSet<QThread *> threads;
    for (int i = 0; i < 20; ++i) {
        database.upsert(document(QStringLiteral("/t/%1.txt").arg(i), "text"));
        threads << database.run([](ContentIndexConnection &) { return QThread::currentThread(); }).result();
    }
    EXPECT_EQ(threads.size(), 1);
    EXPECT_FALSE(threads.contains(QThread::currentThread()));
    EXPECT_EQ(database.count().result(), 20);
    EXPECT_EQ(database.search("text", 100).result().size(), 20);

    ContentIndexDatabase failing(TestSupport::root());
    EXPECT_THROW(failing.opened().waitForFinished(), ContentIndexError);
    try {
        failing.count().waitForFinished();
        FAIL();
    } catch (const ContentIndexError &error) {
        EXPECT_EQ(error.message(), "数据库连接已关闭");
    }
}
