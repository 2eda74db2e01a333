#include "Store.h"

#include "JsonCoding.h"
#include "MarovelPaths.h"
#include "StateTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

constexpr double day = 86400;

QString dataFile(const QString &name)
{
    return MarovelPaths::appSupport() + u'/' + name;
}

QByteArray read(const QString &name)
{
    return TestSupport::readFile(dataFile(name));
}

QJsonValue parsed(const QString &name)
{
    const QJsonDocument document = QJsonDocument::fromJson(read(name));
    return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
}

void writeData(const QString &name, const QByteArray &bytes)
{
    TestSupport::writeFile(dataFile(name), bytes);
}

void writeRecents(const QList<Store::Recent> &recents)
{
    QJsonArray array;
    for (const auto &r : recents)
        array.append(QJsonObject{{"path", r.path}, {"last", r.last}, {"hits", r.hits}});
    writeData("recents.json", QJsonDocument(array).toJson());
}

QStringList paths(const QList<Store::Recent> &recents)
{
    QStringList list;
    for (const auto &r : recents)
        list << r.path;
    return list;
}

TEST(Store, WritesCompactFilesInTheDataFolderAndReadsThemBack)
{
    const QString a = TestSupport::makeFolder("docs/报告");
    const QString b = TestSupport::makeFolder("docs/b");
    {
        Store store;
        store.togglePin(a);
        store.recordVisit(b);
        store.setSort(a, "date", false);
        store.saveSession({{a, b}, "dual", 1});
        store.flush();
    }
    // The data folder, never MAROVEL_HOME.
    EXPECT_FALSE(QFile::exists(qEnvironmentVariable("MAROVEL_HOME") + "/pins.json"));
    QByteArray escaped = a.toUtf8();
    escaped.replace("/", "\\/");
    EXPECT_EQ(read("pins.json"), "[\"" + escaped + "\"]"); // raw UTF-8, "\/", no white space

    const QJsonObject recent = parsed("recents.json").toArray().at(0).toObject();
    EXPECT_EQ(recent.keys(), (QStringList{"hits", "last", "path"}));
    EXPECT_TRUE(recent["last"].isDouble()); // seconds since 2001, not ISO text
    EXPECT_NEAR(recent["last"].toDouble(), Store::now(), 60);
    EXPECT_FALSE(read("recents.json").contains("\"hits\":1.0")); // an integer

    const QJsonObject view = parsed("folderviews.json").toObject()[a].toObject();
    EXPECT_EQ(view["sortKey"].toString(), "date");
    EXPECT_EQ(view["asc"], QJsonValue(false));
    EXPECT_TRUE(view["last"].isDouble());
    EXPECT_EQ(parsed("session.json").toObject(),
              (QJsonObject{{"panes", QJsonArray{a, b}}, {"layout", "dual"}, {"active", 1}}));

    Store again;
    EXPECT_EQ(again.pins(), QStringList{a});
    ASSERT_EQ(again.recents().size(), 1);
    EXPECT_EQ(again.recents()[0].path, b);
    EXPECT_EQ(again.recents()[0].hits, 1);
    ASSERT_TRUE(again.sortFor(a));
    EXPECT_EQ(again.sortFor(a)->sortKey, "date");
    EXPECT_FALSE(again.sortFor(a)->asc);
    EXPECT_EQ(again.session(), (Store::Session{{a, b}, "dual", 1}));
}

TEST(Store, AMalformedFileLoadsAsEmptyAndLeavesTheOthersAlone)
{
    const QByteArray pins = R"(["\/x"])";
    const QByteArray recents = R"([{"path":"\/r","last":700000000.5,"hits":3}])";
    const QByteArray views = R"({"\/v":{"sortKey":"size","asc":true,"last":700000000}})";
    const QByteArray session = R"({"panes":["\/p"],"layout":"single","active":0})";
    struct Case
    {
        const char *file;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"pins.json", R"(["\/x", 3])"},
        {"pins.json", R"({"0":"\/x"})"},
        {"recents.json", R"([{"path":"\/r","last":"2024-01-02T03:04:05Z","hits":3}])"}, // ISO date
        {"recents.json", R"([{"path":"\/r","last":700000000,"hits":2.5}])"},
        {"recents.json", R"([{"path":"\/r","hits":3}])"},
        {"recents.json", R"([{"path":"\/r","last":7)"},
        {"folderviews.json", R"({"\/v":{"sortKey":"size","asc":"yes","last":700000000}})"},
        {"folderviews.json", R"({"\/v":{"sortKey":"size","asc":true,"last":"2024-01-02T03:04:05Z"}})"},
        {"session.json", R"({"panes":["\/p"],"layout":"single"})"}, // no "active"
        {"session.json", R"({"panes":"\/p","layout":"single","active":0})"},
        {"session.json", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.bytes.toStdString());
        writeData("pins.json", pins);
        writeData("recents.json", recents);
        writeData("folderviews.json", views);
        writeData("session.json", session);
        writeData(c.file, c.bytes);
        const QString file = QString::fromLatin1(c.file);

        Store store;
        EXPECT_EQ(store.pins().isEmpty(), file == "pins.json");
        EXPECT_EQ(store.recents().isEmpty(), file == "recents.json");
        EXPECT_EQ(!store.sortFor("/v"), file == "folderviews.json");
        EXPECT_EQ(!store.session(), file == "session.json");
        EXPECT_EQ(read(c.file), c.bytes); // loading writes nothing
    }
}

TEST(Store, VisitsCountAndTheHomeFolderIsNeverRecorded)
{
    const QString a = TestSupport::makeFolder("a");
    const QString b = TestSupport::makeFolder("b");
    Store store;
    QSignalSpy changed(&store, &Store::recentsChanged);
    store.recordVisit(QDir::homePath());
    store.recordVisit(QDir::homePath() + "/");
    store.flush();
    EXPECT_TRUE(store.recents().isEmpty());
    EXPECT_FALSE(QFile::exists(dataFile("recents.json")));
    EXPECT_EQ(changed.count(), 0);

    store.recordVisit(a);
    store.recordVisit(b);
    const double firstVisit = store.recents()[0].last;
    store.recordVisit(a + "/"); // the same folder
    ASSERT_EQ(store.recents().size(), 2);
    EXPECT_EQ(paths(store.recents()), (QStringList{a, b})); // keeps its place
    EXPECT_EQ(store.recents()[0].hits, 2);
    EXPECT_GE(store.recents()[0].last, firstVisit);
    EXPECT_EQ(changed.count(), 3);
    store.flush();
    EXPECT_EQ(parsed("recents.json").toArray().size(), 2);
}

TEST(Store, ScoreHalvesEveryThirtyDays)
{
    const double now = 800'000'000;
    struct Case
    {
        qint64 hits;
        double age; // days
        double score;
    } const cases[] = {
        {10, 60, 2.5}, {3, 0, 3}, {1, 30, 0.5}, {4, -10, 4} /* future counts as now */, {0, 0, 0},
    };
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(Store::score({"/x", now - c.age * day, c.hits}, now), c.score)
            << c.hits << " hits " << c.age << " days";
}

TEST(Store, The301stVisitTrimsToTheBest300InScoreOrder)
{
    const double now = Store::now();
    QList<Store::Recent> recents;
    recents.append({"/low", now - 30 * day, 1});   // 0.5: the one to go
    recents.append({"/old", now - 60 * day, 10});  // 2.5
    for (int i = 0; i < 297; ++i)                   // 2 each, equal: keep their order
        recents.append({QStringLiteral("/same%1").arg(i), now, 2});
    recents.append({"/today", now, 3});             // 3
    writeRecents(recents);

    Store store;
    ASSERT_EQ(store.recents().size(), 300);
    store.recordVisit("/new"); // 1, and competes like any other
    ASSERT_EQ(store.recents().size(), 300);
    const QStringList order = paths(store.recents());
    EXPECT_EQ(order[0], "/today");
    EXPECT_EQ(order[1], "/old");
    for (int i = 0; i < 297; ++i)
        ASSERT_EQ(order[2 + i], QStringLiteral("/same%1").arg(i));
    EXPECT_EQ(order[299], "/new");
    EXPECT_FALSE(order.contains("/low"));

    store.flush();
    const QJsonArray file = parsed("recents.json").toArray();
    ASSERT_EQ(file.size(), 300);
    EXPECT_EQ(file[0].toObject()["path"].toString(), "/today");
    EXPECT_EQ(file[299].toObject()["path"].toString(), "/new");

    // 300 after a revisit: nothing is trimmed or reordered.
    store.recordVisit("/same5");
    EXPECT_EQ(store.recents().size(), 300);
    EXPECT_EQ(store.recents()[7].path, "/same5");
}

TEST(Store, TopRecentsSkipsPinnedAndVanishedFoldersButKeepsThemInTheFile)
{
    const double now = Store::now();
    QStringList folders;
    for (const char *name : {"tie1", "tie2", "pinned", "gone", "best", "weak"})
        folders << TestSupport::makeFolder(name);
    const QString &tie1 = folders[0], &tie2 = folders[1], &pinned = folders[2],
                  &gone = folders[3], &best = folders[4], &weak = folders[5];
    writeRecents({{weak, now - 90 * day, 2},
                  {tie1, now - day, 4},
                  {pinned, now, 50},
                  {tie2, now - day, 4},
                  {gone, now, 40},
                  {best, now, 9}});
    ASSERT_TRUE(QDir(gone).removeRecursively());

    Store store;
    store.togglePin(pinned);
    EXPECT_EQ(store.topRecents(8), (QStringList{best, tie1, tie2, weak}));
    EXPECT_EQ(store.topRecents(2), (QStringList{best, tie1}));
    EXPECT_TRUE(store.topRecents(0).isEmpty());
    EXPECT_TRUE(store.topRecents(-1).isEmpty());

    store.recordVisit(best);
    store.flush();
    const QJsonArray file = parsed("recents.json").toArray();
    QStringList stored;
    for (const QJsonValue &v : file)
        stored << v.toObject()["path"].toString();
    EXPECT_TRUE(stored.contains(gone));
    EXPECT_TRUE(stored.contains(pinned));
}

TEST(Store, PinsToggleUnderCanonicalEquivalence)
{
    const QString a = TestSupport::makeFolder("a");
    const QString decomposed = TestSupport::makeFolder(QStringLiteral("cafe\u0301"));
    const QString precomposed = TestSupport::root() + QStringLiteral("/caf\u00e9");
    const QString gone = TestSupport::makeFolder("gone");

    Store store;
    QSignalSpy changed(&store, &Store::pinsChanged);
    store.togglePin(a);
    store.togglePin(decomposed);
    store.togglePin(gone);
    store.togglePin(a);
    store.togglePin(a);
    EXPECT_EQ(store.pins(), (QStringList{decomposed, gone, a})); // moved to the end
    EXPECT_TRUE(store.isPinned(precomposed));

    ASSERT_TRUE(QDir(gone).removeRecursively());
    EXPECT_EQ(store.pinnedPaths(), (QStringList{decomposed, a}));

    store.togglePin(precomposed); // the same name, spelled the other way
    EXPECT_EQ(store.pins(), (QStringList{gone, a}));
    EXPECT_EQ(changed.count(), 6);

    store.clearPins();
    store.clearPins(); // already empty: no signal, the file still says []
    EXPECT_EQ(changed.count(), 7);
    store.flush();
    EXPECT_EQ(read("pins.json"), "[]");
}

TEST(Store, FolderViewsTrimTo500NewestWhenTheyReach601)
{
    const double now = Store::now();
    QJsonObject views;
    for (int i = 0; i < 600; ++i) // view i was set i seconds after the first
        views.insert(QStringLiteral("/f%1").arg(i),
                     QJsonObject{{"sortKey", "name"}, {"asc", true}, {"last", now - 1000 + i}});
    writeData("folderviews.json", QJsonDocument(views).toJson());

    {
        Store store;
        store.setSort("/f0", "size", false); // a change, not a new folder: 600 stay
        store.flush();
        EXPECT_EQ(parsed("folderviews.json").toObject().size(), 600);
    }
    Store store;
    const auto before = store.sortFor("/f3");
    ASSERT_TRUE(before);
    EXPECT_EQ(store.sortFor("/f3"), before); // reading does not touch "last"

    store.setSort("/new", "kind", true); // 601
    store.flush();
    const QJsonObject file = parsed("folderviews.json").toObject();
    EXPECT_EQ(file.size(), 500);
    EXPECT_TRUE(file.contains("/new"));
    EXPECT_TRUE(file.contains("/f0")); // set again just now
    EXPECT_FALSE(file.contains("/f101"));
    EXPECT_TRUE(file.contains("/f102"));
    EXPECT_FALSE(store.sortFor("/f50"));
    EXPECT_EQ(store.sortFor("/new")->sortKey, "kind");
}

TEST(Store, FolderViewKeysAreCanonicallyEquivalent)
{
    Store store;
    store.setSort(QStringLiteral("/x/cafe\u0301"), "size", true);
    ASSERT_TRUE(store.sortFor(QStringLiteral("/x/caf\u00e9")));
    store.setSort(QStringLiteral("/x/caf\u00e9/"), "date", false);
    store.flush();
    const QJsonObject file = parsed("folderviews.json").toObject();
    EXPECT_EQ(file.keys(), QStringList{QStringLiteral("/x/cafe\u0301")}); // one entry
    EXPECT_EQ(file.begin()->toObject()["sortKey"].toString(), "date");
}

TEST(Store, QuickSuccessiveChangesLandInOrder)
{
    Store store;
    QStringList expected;
    for (int i = 0; i < 400; ++i) {
        const QString folder = QStringLiteral("/quick/%1").arg(i % 7);
        store.togglePin(folder);
        store.recordVisit(folder);
    }
    store.togglePin("/last");
    store.flush();
    const QJsonArray pins = parsed("pins.json").toArray();
    QStringList written;
    for (const QJsonValue &v : pins)
        written << v.toString();
    EXPECT_EQ(written, store.pins());
    EXPECT_EQ(written.last(), "/last");
    const QJsonArray recents = parsed("recents.json").toArray();
    ASSERT_EQ(recents.size(), 7);
    qint64 hits = 0;
    for (const QJsonValue &v : recents)
        hits += v.toObject()["hits"].toInteger();
    EXPECT_EQ(hits, 400);

    // Two changes straight after one another: the file ends with the second.
    Store fresh;
    fresh.togglePin("/one");
    fresh.togglePin("/two");
    fresh.flush();
    EXPECT_EQ(read("pins.json"), JsonCoding::compact(QJsonArray::fromStringList(fresh.pins())));
    EXPECT_TRUE(read("pins.json").endsWith(R"("\/one","\/two"])"));
}

TEST(Store, SessionSavesAndSignalsOnlyRealChanges)
{
    Store store;
    EXPECT_FALSE(store.session());
    QSignalSpy changed(&store, &Store::sessionChanged);
    const Store::Session session{{"/a", "/b", "/c"}, "triPin", 2};
    store.saveSession(session);
    store.saveSession(session);
    EXPECT_EQ(changed.count(), 1);
    store.saveSession({{"/a"}, "single", 0});
    EXPECT_EQ(changed.count(), 2);
    store.flush();
    EXPECT_EQ(Store().session(), (Store::Session{{"/a"}, "single", 0}));
}

// Each file of the store is signalled once while it keeps failing the same way, the data
// folder's own failure included; the memory keeps the changes.
TEST(Store, AFileThatCannotBeWrittenIsSignalledOncePerFile)
{
    const QString dir = MarovelPaths::appSupport();
    QDir(dir).removeRecursively();
    TestSupport::writeFile(dir, ""); // a file where the data folder belongs
    Store store;
    QSignalSpy failed(&store, &Store::writeFailed);
    for (int i = 0; i < 3; ++i) {
        store.togglePin("/p" + QString::number(i));
        store.recordVisit("/v");
        store.flush();
    }
    ASSERT_EQ(failed.count(), 2);
    QStringList files;
    for (const QList<QVariant> &signal : failed) {
        files << signal.at(0).toString();
        EXPECT_EQ(signal.at(1).toInt(), ENOTDIR);
    }
    files.sort();
    EXPECT_EQ(files, (QStringList{dataFile("pins.json"), dataFile("recents.json")}));
    EXPECT_EQ(store.pins(), (QStringList{"/p0", "/p1", "/p2"}));
    EXPECT_EQ(store.recents().at(0).hits, 3);
}

} // namespace

