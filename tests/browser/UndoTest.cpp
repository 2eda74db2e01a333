#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "Localization.h"
#include "CoreError.h"
#include "MarovelCore.h"
#include "PaneState.h"
#include "TestSupport.h"
#include "UndoLog.h"
#include "UndoRecorder.h"
#include "Workspace.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QSignalSpy>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace BrowserTest;

namespace {

using Pair = UndoLog::Pair;

class Undo : public testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        m_logBefore = logLines().size();
    }

    // Lines of the undo log written since the test began, as (op, from, to).
    QList<QStringList> newLogLines()
    {
        UndoRecorder::shared().flush();
        return logLines().mid(m_logBefore);
    }

    static QList<QStringList> logLines()
    {
        QFile file(UndoLog::shared().path());
        QList<QStringList> lines;
        if (!file.open(QIODevice::ReadOnly))
            return lines;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.isEmpty())
                continue;
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            lines << QStringList{o["op"].toString(), o["from"].toString(), o["to"].toString()};
        }
        return lines;
    }

    static QList<Transaction> journal()
    {
        UndoRecorder::shared().flush();
        return MarovelCore::history();
    }

    qsizetype m_logBefore = 0;
};

TEST_F(Undo, KeepsTheNewest60Steps)
{
    BrowserState browser;
    QSignalSpy stack(&browser, &BrowserState::undoStackChanged);
    QSignalSpy name(&browser, &BrowserState::undoNameChanged);
    for (int i = 1; i <= 61; ++i)
        browser.pushUndo(QStringLiteral("step %1").arg(i), OpKind::Move, {}, Reversal::MoveBack);
    EXPECT_EQ(browser.undoStack().size(), 60);
    EXPECT_EQ(browser.undoStack().first().name, "step 2");
    EXPECT_EQ(browser.undoName(), "step 61");
    EXPECT_EQ(stack.count(), 61);
    EXPECT_EQ(name.count(), 61);
    EXPECT_NE(browser.undoStack().at(0).id, browser.undoStack().at(1).id);

    browser.performUndo();
    EXPECT_EQ(browser.undoName(), "step 60");
    EXPECT_EQ(browser.undoStack().size(), 59);
    ASSERT_TRUE(waitFor([&] { return !browser.undoing(); }));
    EXPECT_EQ(browser.status(), L("已撤销：%@", QStringLiteral("step 61")));
    EXPECT_EQ(browser.undoStack().size(), 59);
}

TEST_F(Undo, OnlyARealUndoSendsItsEvent)
{
    Loopback::Server server([](const Loopback::Request &) { return Loopback::Reply::json({}, 204); });
    qputenv("MAROVEL_TELEMETRY_URL", server.base().toUtf8());
    BrowserState browser;
    QSignalSpy stack(&browser, &BrowserState::undoStackChanged);
    browser.performUndo(); // empty: no event, no signal
    QTest::qWait(300);
    EXPECT_EQ(server.hits(), 0);
    EXPECT_EQ(stack.count(), 0);

    browser.pushUndo("移动", OpKind::Move, {}, Reversal::MoveBack);
    browser.performUndo();
    ASSERT_TRUE(server.waitForHits(1));
    const QJsonObject event =
        QJsonDocument::fromJson(server.requests().at(0).body).object()["events"].toArray().at(0).toObject();
    EXPECT_EQ(event["type"].toString(), "undo");
    EXPECT_EQ(event["extra"].toString(), "file");
    qputenv("MAROVEL_TELEMETRY_URL", "");
}

TEST_F(Undo, ATopLevelRenameInAWorkspaceIsJournalledWithBareNames)
{
    const QString docs = makeTree("Docs", {"b.txt"});
    const Workspace workspace = WorkspaceRegistry::shared().add(docs);
    BrowserState browser;
    browser.pushUndo("重命名", OpKind::Rename, {{docs + "/a.txt", docs + "/b.txt"}},
                     Reversal::MoveBack);
    browser.pushUndo("重命名", OpKind::Rename, {{docs + "/b.txt", docs + "/c.txt"}},
                     Reversal::MoveBack);

    const QList<Transaction> records = journal();
    ASSERT_EQ(records.size(), 2);
    const Transaction &first = records.at(0);
    EXPECT_EQ(first.workspaceID, workspace.id);
    EXPECT_EQ(first.status, "applied");
    ASSERT_EQ(first.operations.size(), 1);
    EXPECT_EQ(first.operations[0].kind, OpKind::Rename);
    EXPECT_EQ(first.operations[0].from, "a.txt");
    EXPECT_EQ(first.operations[0].to, "b.txt");
    for (const Transaction &t : records)
        EXPECT_TRUE(t.planID.startsWith("gui-")) << t.planID.toStdString();
    EXPECT_NE(records[0].id, records[1].id);
    EXPECT_NE(records[0].planID, records[1].planID);
    EXPECT_NE(records[0].id, records[0].planID.mid(4));

    // Undoing leaves the record as it is.
    browser.performUndo();
    const QList<Transaction> after = journal();
    ASSERT_EQ(after.size(), 2);
    EXPECT_EQ(after[1].status, "applied");
    EXPECT_EQ(after[1].id, records[1].id);
}

TEST_F(Undo, OnlyPairsInsideTheFirstSourcesWorkspaceAreJournalled)
{
    const QString docs = makeTree("Docs", {"sub/"});
    const QString outside = makeTree("Elsewhere", {});
    WorkspaceRegistry::shared().add(docs);
    BrowserState browser;

    struct Case
    {
        const char *what;
        QList<Pair> pairs;
        QStringList recorded; // "from>to" of each operation; empty: no record
    };
    const Case cases[] = {
        {"a move out of the workspace", {{docs + "/a", outside + "/a"}}, {}},
        {"a first pair outside every workspace",
         {{outside + "/x", outside + "/y"}, {docs + "/a", docs + "/sub/a"}}, {}},
        {"the workspace folder itself", {{docs, docs + "/sub/Docs"}}, {}},
        {"mixed pairs keep those inside",
         {{docs + "/a", docs + "/sub/a"}, {docs + "/b", outside + "/b"}, {docs + "/c/", docs + "/sub/c"}},
         {"a>sub/a", "c>sub/c"}},
        {"a name that only starts like the workspace", {{docs + "x/a", docs + "/a"}}, {}},
    };
    for (const Case &c : cases) {
        const qsizetype before = journal().size();
        browser.pushUndo("移动", OpKind::Move, c.pairs, Reversal::MoveBack);
        const QList<Transaction> records = journal().mid(before);
        QStringList recorded;
        for (const Transaction &t : records)
            for (const MarovelOperation &op : t.operations)
                recorded << op.from.value_or("") + ">" + op.to;
        EXPECT_EQ(recorded, c.recorded) << c.what;
        EXPECT_LE(records.size(), 1) << c.what;
    }
    // Every step still reached the undo log, one line per pair.
    EXPECT_EQ(newLogLines().size(), 1 + 2 + 1 + 3 + 1);
}

TEST_F(Undo, AWorkspaceReachedThroughALinkIsRecorded)
{
    const QString real = makeTree("Real/Docs", {});
    const QString link = TestSupport::root() + "/Link";
    ASSERT_TRUE(QFile::link(TestSupport::root() + "/Real", link));
    WorkspaceRegistry::shared().add(link + "/Docs"); // stored resolved

    BrowserState browser;
    browser.pushUndo("重命名", OpKind::Rename, {{link + "/Docs/a.txt", link + "/Docs/b.txt"}},
                     Reversal::MoveBack);
    // One side through the link, the other not.
    browser.pushUndo("移动", OpKind::Move, {{real + "/b.txt", link + "/Docs/in/b.txt"}},
                     Reversal::MoveBack);
    const QList<Transaction> records = journal();
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].operations.value(0).from, "a.txt");
    EXPECT_EQ(records[0].operations.value(0).to, "b.txt");
    EXPECT_EQ(records[1].operations.value(0).to, "in/b.txt");
}

TEST_F(Undo, ARenamedLinkIsRecordedAsTheLinkNotItsTarget)
{
    const QString docs = makeTree("Docs", {});
    const QString other = makeTree("Other", {"target.txt"});
    ASSERT_TRUE(QFile::link(other + "/target.txt", docs + "/new-link"));
    WorkspaceRegistry::shared().add(docs);
    BrowserState browser;
    browser.pushUndo("重命名", OpKind::Rename, {{docs + "/old-link", docs + "/new-link"}},
                     Reversal::MoveBack);
    const QList<Transaction> records = journal();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].operations.value(0).to, "new-link");
}

TEST_F(Undo, ACopyStepIsLoggedButNotJournalled)
{
    const QString docs = makeTree("Docs", {});
    WorkspaceRegistry::shared().add(docs);
    BrowserState browser;
    browser.pushUndo("粘贴", OpKind::Move, {{docs + "/a", docs + "/a 2"}}, Reversal::TrashCopies,
                     Recording::LogOnly);
    browser.pushUndo("重命名", OpKind::Rename, {{docs + "/b", docs + "/c"}}, Reversal::MoveBack,
                     Recording::None);
    EXPECT_TRUE(journal().isEmpty());
    const QList<QStringList> lines = newLogLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], (QStringList{"粘贴", docs + "/a", docs + "/a 2"}));
    EXPECT_EQ(browser.undoStack().size(), 2);
}

TEST_F(Undo, ARenameWithNoWindowIsRecorded)
{
    const QString downloads = makeTree("Downloads", {});
    WorkspaceRegistry::shared().add(downloads);
    UndoRecorder::shared().record("AI 改名", OpKind::Rename,
                                  {{downloads + "/scan.pdf", downloads + "/2024 发票.pdf"}},
                                  Recording::Full);
    const QList<Transaction> records = journal();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].operations.value(0).to, "2024 发票.pdf");
    EXPECT_EQ(newLogLines().size(), 1);
}

TEST_F(Undo, MoveBackRestoresNewestFirstAndNeverOverwrites)
{
    const QString folder = makeTree("moves", {});
    // x -> y -> z in two steps of one operation: only newest first brings z back to x.
    makeFile(folder + "/z", 3);
    // a -> b, but a has been taken again meanwhile: b stays where it is.
    makeFile(folder + "/b", 5);
    makeFile(folder + "/a", 1);

    BrowserState browser;
    browser.activePane()->go(folder, false);
    settle();
    const QList<Pair> pairs{{folder + "/a", folder + "/b"},
                            {folder + "/x", folder + "/y"},
                            {folder + "/y", folder + "/z"}};
    browser.pushUndo("移动", OpKind::Move, pairs, Reversal::MoveBack);
    browser.performUndo();
    ASSERT_TRUE(waitFor([&] { return names(browser.activePane()->items()).contains("x"); }));
    EXPECT_EQ(names(browser.activePane()->items()), (QStringList{"a", "b", "x"}));
    EXPECT_EQ(QFileInfo(folder + "/a").size(), 1);
    EXPECT_EQ(QFileInfo(folder + "/b").size(), 5);
    EXPECT_EQ(QFileInfo(folder + "/x").size(), 3);
    // The pair that stayed is said, and is all the step still holds.
    EXPECT_EQ(browser.status(), L("%lld 项无法移回原处：%@", 1, systemReason(EEXIST)));
    ASSERT_EQ(browser.undoStack().size(), 1);
    EXPECT_EQ(browser.undoStack().last().pairs, (QList<Pair>{{folder + "/a", folder + "/b"}}));
}

// A rename undone while its old name is taken: nothing is overwritten, the user is told
// why, and the step stays to be undone once the name is free again.
TEST_F(Undo, AFailedUndoSaysWhyAndKeepsItsStep)
{
    const QString folder = makeTree("renamed", {});
    makeFile(folder + "/a.txt", 4);
    BrowserState browser;
    browser.activePane()->go(folder, false);
    settle();
    browser.rename(folder + "/a.txt", "b.txt");
    ASSERT_TRUE(waitFor([&] { return browser.undoStack().size() == 1; }));
    ASSERT_TRUE(QFileInfo::exists(folder + "/b.txt"));
    makeFile(folder + "/a.txt", 9); // a new file takes the old name

    browser.performUndo();
    ASSERT_TRUE(waitFor([&] { return !browser.undoing(); }));
    EXPECT_EQ(QFileInfo(folder + "/a.txt").size(), 9);
    EXPECT_EQ(QFileInfo(folder + "/b.txt").size(), 4);
    EXPECT_EQ(browser.status(), L("%lld 项无法移回原处：%@", 1, systemReason(EEXIST)));
    EXPECT_EQ(browser.undoName(), L("重命名"));

    QFile::remove(folder + "/a.txt");
    browser.performUndo();
    ASSERT_TRUE(waitFor([&] { return !browser.undoing(); }));
    EXPECT_EQ(QFileInfo(folder + "/a.txt").size(), 4);
    EXPECT_FALSE(QFileInfo::exists(folder + "/b.txt"));
    EXPECT_EQ(browser.status(), L("已撤销：%@", L("重命名")));
    EXPECT_TRUE(browser.undoStack().isEmpty());
}

// Every kind of step runs through the same engine: moved items come back, trashed ones are
// restored, copies go to the trash; each says what could not be done.
TEST_F(Undo, EveryKindOfStepIsReversedAndReportsWhatStayed)
{
    const QString folder = makeTree("kinds", {"keep/"});
    makeFile(folder + "/moved", 1);
    makeFile(folder + "/copy", 2);
    makeFile(folder + "/gone-copy-source", 2);
    makeFile(folder + "/trashed", 3);
    BrowserState browser;
    browser.activePane()->go(folder, false);
    settle();

    browser.pushUndo("粘贴", OpKind::Move,
                     {{folder + "/gone-copy-source", folder + "/copy"},
                      {folder + "/x", folder + "/never-made"}},
                     Reversal::TrashCopies, Recording::None);
    browser.trash({folder + "/trashed"});
    ASSERT_TRUE(waitFor([&] { return browser.undoStack().size() == 2; }));
    browser.pushUndo("移动", OpKind::Move, {{folder + "/keep/moved", folder + "/moved"}},
                     Reversal::MoveBack, Recording::None);

    browser.performUndo();
    ASSERT_TRUE(waitFor([&] { return !browser.undoing(); }));
    EXPECT_TRUE(QFileInfo::exists(folder + "/keep/moved"));
    EXPECT_EQ(browser.status(), L("已撤销：%@", L("移动")));

    browser.performUndo();
    ASSERT_TRUE(waitFor([&] { return !browser.undoing(); }));
    EXPECT_EQ(QFileInfo(folder + "/trashed").size(), 3);
    EXPECT_EQ(browser.status(), L("已撤销：%@", L("移到废纸篓")));

    browser.performUndo();
    ASSERT_TRUE(waitFor([&] { return !browser.undoing(); }));
    EXPECT_FALSE(QFileInfo::exists(folder + "/copy"));
    EXPECT_TRUE(QFileInfo::exists(folder + "/gone-copy-source"));
    EXPECT_TRUE(browser.status().startsWith(L("%lld 个副本未能移到废纸篓：%@", 1, QString())));
    ASSERT_EQ(browser.undoStack().size(), 1);
    EXPECT_EQ(browser.undoStack().last().pairs.size(), 1);
}

} // namespace
