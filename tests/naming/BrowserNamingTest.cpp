#include "NamingTestSupport.h"
#include "Defaults.h"
#include "FileOps.h"
#include "Localization.h"
#include "NamingTemplate.h"
#include "PaneState.h"
#include "MarovelCore.h"
#include "TestSupport.h"
#include "UndoLog.h"
#include "UndoRecorder.h"
#include "Workspace.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QThread>
#include <QWaitCondition>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>

using namespace BrowserTest;

namespace {

using NamingTest::BrowserNaming;
using NamingTest::FakeEngines;

// Lines of the undo log as "op from>to".
QStringList undoLogLines()
{
    UndoRecorder::shared().flush();
    QStringList lines;
    for (const QByteArray &line : TestSupport::readFile(UndoLog::shared().path()).split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        lines << o["op"].toString() + u' ' + o["from"].toString() + u'>' + o["to"].toString();
    }
    return lines;
}

QList<Transaction> journal()
{
    UndoRecorder::shared().flush();
    return MarovelCore::history();
}

// An in-process model that holds every question until it is opened, and notes which
// document ("Note N" in its text) asked and how many proposals had finished by then.
class HeldModel
{
public:
    // Lets every held question go and waits for it to leave, whatever the test did.
    ~HeldModel()
    {
        open();
        while (inside() > 0)
            QThread::msleep(10);
    }

    std::optional<QString> answer(const QString &snippet)
    {
        static const QRegularExpression note(QStringLiteral("Note (\\d+)"));
        QMutexLocker lock(&m_lock);
        m_entries << std::pair{note.match(snippet).captured(1).toInt(), finished.load()};
        m_most = std::max(m_most, ++m_inside);
        while (!m_open)
            m_opened.wait(&m_lock, 100);
        --m_inside;
        return QStringLiteral(R"({"v":"tomatoes and beans"})");
    }

    void open()
    {
        QMutexLocker lock(&m_lock);
        m_open = true;
        m_opened.wakeAll();
    }
    int inside()
    {
        QMutexLocker lock(&m_lock);
        return m_inside;
    }
    int most()
    {
        QMutexLocker lock(&m_lock);
        return m_most;
    }
    // The documents that asked, in the order of asking.
    QList<int> askedBy()
    {
        QMutexLocker lock(&m_lock);
        QList<int> documents;
        for (const auto &entry : std::as_const(m_entries))
            documents << entry.first;
        return documents;
    }
    // (document, proposals finished when it first asked), in the order of asking.
    QList<std::pair<int, int>> firstEntries()
    {
        QMutexLocker lock(&m_lock);
        QList<std::pair<int, int>> first;
        QSet<int> seen;
        for (const auto &entry : std::as_const(m_entries)) {
            if (!seen.contains(entry.first)) {
                seen.insert(entry.first);
                first << entry;
            }
        }
        return first;
    }

    std::atomic<int> finished{0}; // kept up to date by the test

private:
    QMutex m_lock;
    QWaitCondition m_opened;
    bool m_open = false;
    int m_inside = 0;
    int m_most = 0;
    QList<std::pair<int, int>> m_entries;
};

// A note without a title line: the rules cannot name it, so its proposal asks the model.
QByteArray untitledNote(int n)
{
    return QStringLiteral("Note %1 says we planted tomatoes and beans along the south fence, and the soil "
                          "needs compost before the next season.").arg(n).toUtf8();
}

TEST_F(BrowserNaming, ApplyRenamesTickedSuggestionsAsOneUndoableStep)
{
    const QString folder = makeTree("apply", {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt", "g.txt"});
    BrowserState browser;
    open(browser, folder);
    // a and b want the same name; c takes d's name while d moves on to e2: c waits for a
    // number because d still holds the name when c moves.
    suggest(browser, {{"a.txt", "same.txt"}, {"b.txt", "same.txt"}, {"c.txt", "d.txt"},
                      {"d.txt", "d2.txt"}, {"e.txt", "e.txt"}});
    browser.setSuggestion(folder + "/f.txt", "never.txt"); // not ticked
    applyAndWait(browser);

    EXPECT_EQ(names(browser.activePane()->items()),
              (QStringList{"d 2.txt", "d2.txt", "e.txt", "f.txt", "g.txt", "same 2.txt", "same.txt"}));
    EXPECT_EQ(browser.status(), L("已改名 %lld 个（可撤销）", qint64(4)));
    ASSERT_EQ(browser.undoStack().size(), 1);
    EXPECT_EQ(browser.undoName(), L("AI 改名"));

    browser.performUndo();
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(folder + "/a.txt") && QFileInfo::exists(folder + "/d.txt"); }));
    settle();
    EXPECT_EQ(names(browser.activePane()->items()),
              (QStringList{"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt", "g.txt"}));
}

TEST_F(BrowserNaming, ApplyRefusesNamesThatLeaveTheFolderOrHideTheFile)
{
    const QString folder = makeTree("unsafe", {"a.txt", "b.txt", "c.txt", "d.txt", ".e"});
    BrowserState browser;
    browser.setShowHidden(true);
    open(browser, folder);
    browser.setStatus("before");
    suggest(browser, {{"a.txt", "../a.txt"}, {"b.txt", ".."}, {"c.txt", ".hidden"},
                      {"d.txt", " "}});
    applyAndWait(browser);
    EXPECT_TRUE(browser.undoStack().isEmpty());
    EXPECT_EQ(browser.status(), L("%lld 个名字无效，已跳过", qint64(4)));
    EXPECT_TRUE(QFileInfo::exists(folder + "/a.txt"));
    EXPECT_FALSE(QFileInfo::exists(makeTree("", {}) + "/a.txt"));

    // A dot file may keep its dot.
    suggest(browser, {{".e", ".f"}});
    applyAndWait(browser);
    EXPECT_TRUE(QFileInfo::exists(folder + "/.f"));
}

TEST_F(BrowserNaming, EveryFileNotRenamedIsAccountedForInTheStatus)
{
    const QString tooLong = QString(300, u'x') + ".txt"; // longer than any file system allows
    const QString folder = makeTree("unrenamed", {"a.txt", "b.txt", "c.txt"});
    BrowserState browser;
    open(browser, folder);
    browser.setStatus("kept");

    // Nothing renamed: a name the file system refuses and a file that vanished both say so,
    // and no step is offered.
    suggest(browser, {{"a.txt", tooLong}, {"b.txt", "b2.txt"}});
    QFile::remove(folder + "/b.txt");
    applyAndWait(browser);
    EXPECT_TRUE(browser.undoStack().isEmpty());
    const QString failed = L("%lld 个未能改名：%@", qint64(1), QString()); // without its reason
    EXPECT_TRUE(browser.status().startsWith(failed)) << browser.status().toStdString();
    EXPECT_TRUE(browser.status().contains(systemReason(ENAMETOOLONG)));
    EXPECT_TRUE(browser.status().endsWith(L("%lld 个文件已不在，已跳过", qint64(1))));
    EXPECT_TRUE(QFileInfo::exists(folder + "/a.txt"));

    // Some renamed: the count of what was done comes first, then what failed.
    suggest(browser, {{"a.txt", tooLong}, {"c.txt", "c2.txt"}});
    applyAndWait(browser);
    EXPECT_TRUE(browser.status().startsWith(L("已改名 %lld 个（可撤销）", qint64(1)) + u' ' + failed))
        << browser.status().toStdString();
    EXPECT_TRUE(browser.status().contains(systemReason(ENAMETOOLONG)));
    EXPECT_EQ(browser.undoStack().size(), 1);
    EXPECT_TRUE(QFileInfo::exists(folder + "/c2.txt"));
}

TEST_F(BrowserNaming, SuggestionsSurviveARelistingAndARenameElsewhere)
{
    const QString folder = makeTree("kept-suggestions", {"a.txt", "b.txt", "c.txt"});
    const QString other = makeTree("kept-suggestions-other", {"x.txt"});
    BrowserState browser;
    browser.setLayout(PaneLayout::Dual);
    open(browser, folder);
    suggest(browser, {{"a.txt", "Invoice.txt"}, {"b.txt", "Letter.txt"}});
    browser.setAccept(folder + "/b.txt", false); // a suggestion the user unticked

    // A file arriving re-lists the folder.
    writeText(folder + "/new.txt", "new");
    ASSERT_TRUE(waitFor([&] { return itemNamed(browser, "new.txt").path.endsWith("new.txt"); }));
    EXPECT_EQ(itemNamed(browser, "a.txt").suggestion.value_or(QString()), "Invoice.txt");
    EXPECT_TRUE(itemNamed(browser, "a.txt").accept);
    EXPECT_EQ(itemNamed(browser, "b.txt").suggestion.value_or(QString()), "Letter.txt");
    EXPECT_FALSE(itemNamed(browser, "b.txt").accept);

    // A rename in the other pane leaves this pane's suggestions alone.
    PaneState *first = browser.activePane();
    browser.setActivePane(1);
    browser.activePane()->go(other, false);
    settle();
    QSignalSpy firstListed(first, &PaneState::listed);
    browser.rename(other + "/x.txt", "y.txt");
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(other + "/y.txt"); }));
    settle();
    EXPECT_EQ(firstListed.count(), 0); // only the folder the rename touched is listed again
    browser.setActivePane(browser.indexOf(first));
    EXPECT_EQ(itemNamed(browser, "a.txt").suggestion.value_or(QString()), "Invoice.txt");

    // An item renamed outside loses its suggestion; the name it had is gone.
    QFile::rename(folder + "/a.txt", folder + "/z.txt");
    ASSERT_TRUE(waitFor([&] { return itemNamed(browser, "z.txt").path.endsWith("z.txt"); }));
    EXPECT_FALSE(itemNamed(browser, "z.txt").suggestion.has_value());
    EXPECT_EQ(itemNamed(browser, "b.txt").suggestion.value_or(QString()), "Letter.txt");
}

TEST_F(BrowserNaming, ANameTakenBetweenChoiceAndMoveGetsTheNextNumber)
{
    const QString folder = makeTree("race", {"a.txt"});
    BrowserState browser;
    open(browser, folder);
    suggest(browser, {{"a.txt", "b.txt"}});
    FileOps::setBeforeCreateHook([folder](const QString &destination) {
        if (destination == folder + "/b.txt" && !QFileInfo::exists(destination))
            makeFile(destination, 7);
    });
    applyAndWait(browser);
    FileOps::setBeforeCreateHook({});
    EXPECT_EQ(QFileInfo(folder + "/b.txt").size(), 7);
    EXPECT_TRUE(QFileInfo::exists(folder + "/b 2.txt"));
}

TEST_F(BrowserNaming, CancelStopsBeforeTheNextFile)
{
    const QString folder = makeTree("cancel", {"1", "2", "3", "4", "5"});
    BrowserState browser;
    open(browser, folder);
    suggest(browser, {{"1", "x1"}, {"2", "x2"}, {"3", "x3"}, {"4", "x4"}, {"5", "x5"}});
    QObject::connect(&browser, &BrowserState::progressChanged, &browser, [&] {
        if (browser.progress() >= 0.4)
            browser.cancelApply();
    });
    applyAndWait(browser);
    EXPECT_EQ(names(browser.activePane()->items()), (QStringList{"3", "4", "5", "x1", "x2"}));
    EXPECT_EQ(browser.status(), L("已改名 %lld 个（可撤销）", qint64(2)));
    EXPECT_EQ(browser.undoStack().size(), 1);
}

TEST_F(BrowserNaming, BatchRuleFillsSuggestions)
{
    const QString folder = makeTree("batch", {"IMG_1.jpg", "a.txt", "b.txt", "sub/", "noext"});
    BrowserState browser;
    open(browser, folder);
    browser.applyBatchRule("IMG", "Trip", "", false);
    auto suggestionOf = [&](const QString &name) {
        for (const FileItem &item : browser.activePane()->items()) {
            if (item.name == name)
                return item.suggestion.value_or("-");
        }
        return QString("?");
    };
    EXPECT_EQ(suggestionOf("IMG_1.jpg"), "Trip_1.jpg");
    EXPECT_EQ(suggestionOf("a.txt"), "-");
    EXPECT_EQ(browser.status(), L("批量规则已生成建议，检查后点应用"));
    for (const FileItem &item : browser.activePane()->items()) {
        if (!item.isDir) {
            EXPECT_EQ(item.conf, "high");
            EXPECT_EQ(item.reason, L("批量规则"));
        }
    }

    browser.applyBatchRule("", "", "2024_", true);
    // Items are listed folders first, then by name (case ignored): a, b, IMG_1, noext.
    EXPECT_EQ(suggestionOf("a.txt"), "2024_a_001.txt");
    EXPECT_EQ(suggestionOf("b.txt"), "2024_b_002.txt");
    EXPECT_EQ(suggestionOf("IMG_1.jpg"), "2024_IMG_1_003.jpg");
    EXPECT_EQ(suggestionOf("noext"), "2024_noext_004");
    EXPECT_EQ(suggestionOf("sub"), "-");

    browser.clearSuggestions();
    for (const FileItem &item : browser.activePane()->items()) {
        EXPECT_FALSE(item.suggestion.has_value());
        EXPECT_FALSE(item.accept);
        EXPECT_EQ(item.conf, FileItem::noConfidence());
        EXPECT_TRUE(item.reason.isEmpty());
    }
}

TEST_F(BrowserNaming, ScenarioIsDetectedOnceAndFindsAnExistingFolder)
{
    const QString folder = makeTree("scenario", {"Old Receipts/", "receipts 2024/"});
    writeText(folder + "/notes.txt", "Garden Plans\n\nWe planted tomatoes and beans along the fence.");
    BrowserState browser;
    open(browser, folder);
    QFuture<ScenarioMatch> first = browser.scenario(folder + "/notes.txt");
    QFuture<ScenarioMatch> second = browser.scenario(folder + "/notes.txt");
    EXPECT_EQ(browser.scenarioInFlight().size(), 1);
    ASSERT_TRUE(waitFor([&] { return first.isFinished() && second.isFinished(); }, 60000));
    EXPECT_EQ(first.result(), second.result());
    EXPECT_TRUE(browser.scenarioCache().contains(folder + "/notes.txt"));
    EXPECT_TRUE(browser.scenarioInFlight().isEmpty());

    EXPECT_EQ(browser.existingBucket({"RECEIPT"}), std::optional<QString>("Old Receipts"));
    EXPECT_EQ(browser.existingBucket({"2024", "old"}), std::optional<QString>("Old Receipts"));
    EXPECT_EQ(browser.existingBucket({""}), std::nullopt);
    EXPECT_EQ(browser.existingBucket({}), std::nullopt);
}

TEST_F(BrowserNaming, FilingMovesIntoASafeFolderWithUndo)
{
    const QString folder = makeTree("filing", {"r.pdf", "Docs/r.pdf", "s.pdf"});
    BrowserState browser;
    open(browser, folder);
    browser.fileScenario(folder + "/r.pdf", "Docs//", "");
    ASSERT_TRUE(waitFor([&] { return browser.undoStack().size() == 1; }));
    EXPECT_TRUE(QFileInfo::exists(folder + "/Docs/r 2.pdf"));
    EXPECT_EQ(browser.status(), L("已归入 %@", QStringLiteral("Docs")));
    EXPECT_EQ(browser.undoName(), L("归档"));

    browser.fileScenario(folder + "/s.pdf", "../x/y", "");
    ASSERT_TRUE(waitFor([&] { return browser.undoStack().size() == 2; }));
    EXPECT_TRUE(QFileInfo::exists(folder + "/x/y/s.pdf"));

    browser.performUndo();
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(folder + "/s.pdf") && !browser.undoing(); }));
    EXPECT_TRUE(QFileInfo(folder + "/x/y").isDir()); // the folder made for it stays

    // Filing into the folder the file already lies in leaves it alone: no numbered copy
    // of its own name, nothing to undo.
    for (const QString &hint : {QString(), QStringLiteral(".."), QStringLiteral("./")}) {
        browser.setStatus({});
        browser.fileScenario(folder + "/s.pdf", hint, "");
        ASSERT_TRUE(waitFor([&] { return !browser.status().isEmpty(); }));
        EXPECT_EQ(browser.status(), L("已归入 %@", QStringLiteral("filing"))) << hint.toStdString();
    }
    settle();
    EXPECT_TRUE(QFileInfo::exists(folder + "/s.pdf"));
    EXPECT_FALSE(QFileInfo::exists(folder + "/s 2.pdf"));
    EXPECT_EQ(browser.undoStack().size(), 1);

    // A destination that cannot be made: the failure text and no step.
    makeFile(folder + "/blocked", 1);
    browser.fileScenario(folder + "/r.pdf", "blocked/inner", "");
    ASSERT_TRUE(waitFor([&] { return browser.status().startsWith(L("归档失败：%@", QString())); }));
    EXPECT_EQ(browser.undoStack().size(), 1);
}

TEST_F(BrowserNaming, OrganiseProposesInBatchesAndSummarises)
{
    const QString folder = makeTree("organise", {".hidden", "main.cpp", "sub/"});
    BrowserState browser;
    open(browser, folder);
    QSignalSpy statuses(&browser, &BrowserState::statusChanged);
    browser.organize(); // nothing eligible
    EXPECT_FALSE(browser.scanning());
    EXPECT_EQ(statuses.count(), 0);

    for (int i = 1; i <= 7; ++i)
        writeText(folder + QString("/n%1.txt").arg(i), QString("Topic %1 Plans\n\nWe planted tomatoes and beans along the south fence.").arg(i).toUtf8());
    writeText(folder + "/empty.txt", "");
    browser.activePane()->go(folder, false);
    settle();
    QStringList seen;
    QObject::connect(&browser, &BrowserState::statusChanged, &browser, [&] { seen << browser.status(); });
    browser.organize();
    EXPECT_TRUE(browser.scanning());
    ASSERT_TRUE(waitFor([&] { return !browser.scanning(); }, 60000));
    QStringList progress;
    for (int i = 1; i <= 8; ++i)
        progress << L("分析中… %lld/%lld", qint64(i), qint64(8));
    EXPECT_EQ(seen.mid(0, 8), progress);
    EXPECT_EQ(browser.acceptCount(), 7);
    EXPECT_EQ(browser.status(), L("AI 建议改名 %lld 个，保持原样 %lld 个 · 勾选后点「应用改名」", qint64(7), qint64(1)));

    // A second run over only the empty file: its count ignores the earlier ticks.
    browser.organizeURLs({folder + "/empty.txt"}, false);
    ASSERT_TRUE(waitFor([&] { return !browser.scanning(); }, 60000));
    EXPECT_EQ(browser.status(), L("AI 看过 %lld 个文件：都已是合适的名字，或没读出可命名的内容（鼠标悬停文件看原因）", qint64(1)));

    // Apply everything, then one undo restores every name.
    applyAndWait(browser);
    EXPECT_FALSE(QFileInfo::exists(folder + "/n1.txt"));
    browser.performUndo();
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(folder + "/n1.txt") && QFileInfo::exists(folder + "/n7.txt"); }));
}

TEST_F(BrowserNaming, CancelOrganiseKeepsTheFirstBatch)
{
    const QString folder = makeTree("organise-cancel", {});
    for (int i = 1; i <= 5; ++i)
        writeText(folder + QString("/n%1.txt").arg(i), QString("Topic %1 Plans\n\nWe planted tomatoes and beans along the south fence.").arg(i).toUtf8());
    BrowserState browser;
    open(browser, folder);
    QObject::connect(&browser, &BrowserState::statusChanged, &browser, [&] {
        if (browser.status() == L("分析中… %lld/%lld", qint64(3), qint64(5)))
            browser.cancelOrganize();
    });
    browser.organize();
    ASSERT_TRUE(waitFor([&] { return !browser.scanning(); }, 60000));
    EXPECT_EQ(browser.status(), L("已停止分析 %lld/%lld", qint64(3), qint64(5)));
    EXPECT_EQ(browser.acceptCount(), 3);
    // Proposals finishing after the stop are dropped.
    QTest::qWait(300);
    settle();
    EXPECT_EQ(browser.acceptCount(), 3);
}

TEST_F(BrowserNaming, PreReadOnlyWhenEnabledAndOnlyTheNewest)
{
    const QString folder = makeTree("preread", {});
    writeText(folder + "/a.txt", "Garden Plans\n\nWe planted tomatoes.");
    writeText(folder + "/b.txt", "Kitchen Plans\n\nWe painted the walls.");
    BrowserState browser;
    open(browser, folder);
    browser.preReadCurrentFolder();
    settle();
    EXPECT_TRUE(browser.scenarioCache().isEmpty());
    EXPECT_EQ(browser.preReadGen(), 0);

    Defaults::shared().setValue("preReadEnabled", true);
    browser.preReadCurrentFolder();
    browser.preReadCurrentFolder(); // the first walk stops before its next file
    EXPECT_EQ(browser.preReadGen(), 2);
    ASSERT_TRUE(waitFor([&] { return browser.scenarioCache().size() == 2; }, 60000));
    // Everything cached: a new pre-read has nothing to walk.
    browser.preReadCurrentFolder();
    EXPECT_TRUE(browser.scenarioInFlight().isEmpty());
}

TEST_F(BrowserNaming, DemoProposesAtMostTwelveAndApplies)
{
    QStringList entries;
    for (int i = 1; i <= 14; ++i)
        entries << QString("s%1.txt").arg(i);
    const QString folder = makeTree("demo", {});
    for (const QString &name : entries)
        writeText(folder + "/" + name, ("Report " + name.left(name.size() - 4) + " Plans\n\nWe planted tomatoes and beans.").toUtf8());
    BrowserState browser;
    open(browser, folder);
    QStringList paths;
    for (const QString &name : entries)
        paths << folder + "/" + name;
    QFuture<QList<DemoItem>> demo = browser.demoProposals(paths);
    ASSERT_TRUE(waitFor([&] { return demo.isFinished(); }, 60000));
    const QList<DemoItem> rows = demo.result();
    ASSERT_EQ(rows.size(), 12);
    EXPECT_EQ(rows.first().oldName, "s1.txt");
    EXPECT_TRUE(rows.first().accept);
    QList<DemoItem> chosen = rows;
    chosen[1].accept = false;
    browser.applyDemo(chosen);
    ASSERT_TRUE(waitFor([&] { return !browser.applying(); }));
    EXPECT_EQ(browser.status(), L("已重命名 %lld 个（可撤销）", qint64(11)));
    EXPECT_EQ(browser.undoName(), L("AI 命名"));
    EXPECT_TRUE(QFileInfo::exists(folder + "/s2.txt"));
    EXPECT_FALSE(QFileInfo::exists(folder + "/s1.txt"));
}

TEST_F(BrowserNaming, OrganiseKeepsThreeProposalsInFlightBatchByBatch)
{
    HeldModel model;
    FakeEngines engines([&model](const QString &, const QString &snippet) { return model.answer(snippet); });
    const QString folder = makeTree("organise-held", {});
    // Generic names: the model's summary is enough to propose a name.
    for (int n = 1; n <= 7; ++n)
        writeText(folder + QString("/untitled %1.txt").arg(n), untitledNote(n));
    BrowserState browser;
    open(browser, folder);
    QStringList statuses;
    QList<double> progress;
    QObject::connect(&browser, &BrowserState::statusChanged, &browser, [&] {
        statuses << browser.status();
        if (browser.status().startsWith(u"分析中"))
            ++model.finished;
    });
    QObject::connect(&browser, &BrowserState::progressChanged, &browser,
                     [&] { progress << browser.progress(); });

    browser.organize();
    ASSERT_TRUE(waitFor([&] { return model.inside() >= 3; }, 60000));
    QTest::qWait(300); // a fourth proposal would have reached the model by now
    EXPECT_EQ(model.inside(), 3);
    EXPECT_EQ(model.finished.load(), 0);
    model.open();
    ASSERT_TRUE(waitFor([&] { return !browser.scanning(); }, 60000));

    EXPECT_EQ(model.most(), 3);
    // The n-th document starts only after every proposal of the batches before its own.
    const auto entries = model.firstEntries();
    ASSERT_EQ(entries.size(), 7);
    QList<int> order;
    for (const auto &[document, finishedBefore] : entries) {
        order << document;
        EXPECT_GE(finishedBefore, (document - 1) / 3 * 3) << "note " << document;
        EXPECT_LE(finishedBefore, (document - 1) / 3 * 3 + 2) << "note " << document;
    }
    std::sort(order.begin(), order.end());
    EXPECT_EQ(order, (QList<int>{1, 2, 3, 4, 5, 6, 7}));

    QStringList counted;
    QList<double> shares;
    for (int i = 1; i <= 7; ++i) {
        counted << L("分析中… %lld/%lld", qint64(i), qint64(7));
        shares << i / 7.0;
    }
    EXPECT_EQ(statuses.mid(0, 7), counted);
    EXPECT_EQ(progress, shares);
    EXPECT_EQ(browser.acceptCount(), 7);
}

TEST_F(BrowserNaming, OrganisingNothingEligibleSendsNoTelemetry)
{
    Loopback::Server server([](const Loopback::Request &) { return Loopback::Reply::json({}, 204); });
    qputenv("MAROVEL_TELEMETRY_URL", server.base().toUtf8());
    FakeEngines engines;
    // Nothing eligible: source, build and dot files, a folder, and a file inside a
    // development folder.
    const QString folder = makeTree("organise-telemetry", {"sub/", "Makefile", "x.py", ".env"});
    const QString devFolder = makeTree("organise-telemetry/node_modules/pkg", {"readme.txt"});
    BrowserState browser;
    browser.setShowHidden(true);
    for (const QString &path : {folder, devFolder}) {
        open(browser, path);
        ASSERT_FALSE(browser.activePane()->items().isEmpty());
        browser.organize();
    }
    browser.organizeURLs({}, false);
    QTest::qWait(300);
    EXPECT_EQ(server.hits(), 0);
    EXPECT_TRUE(browser.status().isEmpty());
    EXPECT_FALSE(browser.scanning());

    writeText(folder + "/note.txt", untitledNote(1));
    open(browser, folder);
    organizeAndWait(browser);
    ASSERT_TRUE(server.waitForHits(1));
    const QJsonObject event = QJsonDocument::fromJson(server.requests().at(0).body).object()["events"]
                                  .toArray().at(0).toObject();
    EXPECT_EQ(event["type"].toString(), "model_used");
    qputenv("MAROVEL_TELEMETRY_URL", "");
}

TEST_F(BrowserNaming, UndoOfAnApplyRestoresAChain)
{
    // a gives up its name first and b takes it: moving back in the order of the renames
    // would find a's name taken.
    const QString folder = makeTree("chain", {});
    writeText(folder + "/a.txt", "first");
    writeText(folder + "/b.txt", "second");
    BrowserState browser;
    open(browser, folder);
    suggest(browser, {{"a.txt", "x.txt"}, {"b.txt", "a.txt"}});
    applyAndWait(browser);
    EXPECT_EQ(TestSupport::readFile(folder + "/x.txt"), "first");
    EXPECT_EQ(TestSupport::readFile(folder + "/a.txt"), "second");

    browser.performUndo();
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(folder + "/b.txt"); }));
    settle();
    EXPECT_EQ(TestSupport::readFile(folder + "/a.txt"), "first");
    EXPECT_EQ(TestSupport::readFile(folder + "/b.txt"), "second");
    EXPECT_EQ(names(browser.activePane()->items()), (QStringList{"a.txt", "b.txt"}));
}

TEST_F(BrowserNaming, AnApplyIsJournalledAsOneTransactionInsideAWorkspaceOnly)
{
    const QString inside = makeTree("journal/Docs", {"a.txt", "b.txt", "c.txt"});
    const QString outside = makeTree("journal/Loose", {"a.txt"});
    const Workspace workspace = WorkspaceRegistry::shared().add(inside);
    BrowserState browser;
    const qsizetype linesBefore = undoLogLines().size();
    const qsizetype recordsBefore = journal().size();

    open(browser, inside);
    suggest(browser, {{"a.txt", "one.txt"}, {"b.txt", "two.txt"}});
    applyAndWait(browser);
    open(browser, outside);
    suggest(browser, {{"a.txt", "loose.txt"}});
    applyAndWait(browser);

    EXPECT_EQ(undoLogLines().mid(linesBefore),
              (QStringList{L("AI 改名") + u' ' + inside + "/a.txt>" + inside + "/one.txt",
                           L("AI 改名") + u' ' + inside + "/b.txt>" + inside + "/two.txt",
                           L("AI 改名") + u' ' + outside + "/a.txt>" + outside + "/loose.txt"}));
    const QList<Transaction> records = journal().mid(recordsBefore);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].workspaceID, workspace.id);
    EXPECT_EQ(records[0].status, "applied");
    QStringList operations;
    for (const MarovelOperation &op : records[0].operations)
        operations << op.from.value_or("") + u'>' + op.to;
    EXPECT_EQ(operations, (QStringList{"a.txt>one.txt", "b.txt>two.txt"}));
    EXPECT_EQ(records[0].operations.value(0).kind, OpKind::Rename);
}

TEST_F(BrowserNaming, TheScenarioCarriesTheFirstMatchingFolderOfThePane)
{
    // The paper's folder words are 论文, 文献, paper, 阅读, 资料 in that order. The first
    // folder in the pane matches a later word in another letter case and still wins.
    const QString folder = makeTree("bucket", {"Ab PAPERS/", "Zz 论文/", "Zzz/"});
    writeText(folder + "/2101.00001.txt",
              "Graph Search at Scale\nAnna Keltrow\narXiv:2101.00001v2 [cs.DS] 3 Jan 2021\n"
              "Abstract\nWe study graph search.\n1 Introduction");
    FakeEngines engines;
    BrowserState browser;
    open(browser, folder);
    QFuture<ScenarioMatch> match = browser.scenario(folder + "/2101.00001.txt");
    ASSERT_TRUE(waitFor([&] { return match.isFinished(); }, 30000));
    ASSERT_EQ(match.result().kind, ScenarioKind::paper);
    EXPECT_EQ(match.result().folderHint, std::optional<QString>("Ab PAPERS"));
    EXPECT_EQ(browser.scenarioCache().value(folder + "/2101.00001.txt").folderHint,
              std::optional<QString>("Ab PAPERS"));
}

TEST_F(BrowserNaming, PreReadWalksOnlyTheNewestListingAndSkipsCachedFiles)
{
    HeldModel model;
    FakeEngines engines([&model](const QString &, const QString &snippet) { return model.answer(snippet); });
    Defaults::shared().setValue("preReadEnabled", true);
    const QString first = makeTree("preread-walks/first", {});
    const QString second = makeTree("preread-walks/second", {});
    for (int n = 1; n <= 3; ++n)
        writeText(first + QString("/n%1.txt").arg(n), untitledNote(n));
    writeText(second + "/n9.txt", untitledNote(9));
    BrowserState browser;

    // The listing of the first folder starts its pre-read, held at its first file; the
    // listing of the second starts a newer one.
    browser.activePane()->go(first, false);
    ASSERT_TRUE(waitFor([&] { return model.inside() == 1; }, 60000));
    browser.activePane()->go(second, false);
    ASSERT_TRUE(waitFor([&] { return model.inside() == 2; }, 60000));
    model.open();
    ASSERT_TRUE(waitFor([&] { return browser.scenarioCache().size() == 2; }, 30000));
    QTest::qWait(300);
    settle();
    EXPECT_TRUE(browser.scenarioInFlight().isEmpty());
    EXPECT_EQ(QSet<QString>(browser.scenarioCache().keyBegin(), browser.scenarioCache().keyEnd()),
              (QSet<QString>{first + "/n1.txt", second + "/n9.txt"}));

    // Back in the first folder only the two files not yet read are walked.
    open(browser, first);
    ASSERT_TRUE(waitFor([&] { return browser.scenarioCache().size() == 4; }, 30000));
    EXPECT_EQ(model.askedBy(), (QList<int>{1, 9, 2, 3}));
    Defaults::shared().remove("preReadEnabled");
}

TEST_F(BrowserNaming, CallersOfOneFileShareOneDetectionAndOneEvent)
{
    Loopback::Server server([](const Loopback::Request &) { return Loopback::Reply::json({}, 204); });
    qputenv("MAROVEL_TELEMETRY_URL", server.base().toUtf8());
    HeldModel model; // a paper asks the model for its author
    FakeEngines engines([&model](const QString &, const QString &snippet) { return model.answer(snippet); });
    const QString folder = makeTree("shared-detection", {});
    const QString path = folder + "/2101.00001.txt";
    writeText(path, "Graph Search at Scale\nAnna Keltrow\narXiv:2101.00001v2 [cs.DS] 3 Jan 2021\n"
                    "Abstract\nWe study graph search.\n1 Introduction");
    BrowserState browser;
    open(browser, folder);

    QFuture<ScenarioMatch> first = browser.scenario(path);
    ASSERT_TRUE(waitFor([&] { return model.inside() >= 1; }, 60000));
    QFuture<ScenarioMatch> second = browser.scenario(path);
    QTest::qWait(200);
    EXPECT_EQ(model.inside(), 1);
    model.open();
    ASSERT_TRUE(waitFor([&] { return first.isFinished() && second.isFinished(); }, 30000));
    EXPECT_EQ(first.result(), second.result());
    EXPECT_EQ(first.result().kind, ScenarioKind::paper);
    // Later callers are answered from the cache at once.
    EXPECT_TRUE(browser.scenario(path).isFinished());
    EXPECT_EQ(model.askedBy().size(), 1);

    ASSERT_TRUE(server.waitForHits(1));
    QTest::qWait(300);
    QStringList detected;
    for (const Loopback::Request &request : server.requests()) {
        for (const QJsonValue &event : QJsonDocument::fromJson(request.body).object()["events"].toArray()) {
            if (event["type"].toString() == "scenario_detected")
                detected << event["extra"].toString();
        }
    }
    EXPECT_EQ(detected.size(), 1);
    EXPECT_TRUE(detected.value(0).startsWith("paper")) << detected.value(0).toStdString();
    qputenv("MAROVEL_TELEMETRY_URL", "");
}

} // namespace
