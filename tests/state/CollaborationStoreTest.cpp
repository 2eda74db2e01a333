#include "CollaborationStore.h"

#include "CoreError.h"
#include "Localization.h"
#include "MarovelCore.h"
#include "MarovelPaths.h"
#include "StateTestSupport.h"
#include "TestSupport.h"
#include "TextUtil.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class Collaboration : public testing::Test
{
protected:
    void SetUp() override { Loc::shared().setOverride(QStringLiteral("zh-Hans")); }

    static void settle(const CollaborationStore &store)
    {
        ASSERT_TRUE(waitFor([&] { return !store.isBusy(); }));
    }

    // Journals `count` records whose plan identifiers are "plan-1" ... "plan-<count>".
    static void journal(int first, int last, const QString &status = "applied")
    {
        for (int i = first; i <= last; ++i)
            MarovelCore::record({TextUtil::newUuidText(), QStringLiteral("plan-%1").arg(i), "docs", status,
                                 QDateTime::fromSecsSinceEpoch(1700000000 + i, Qt::UTC), {}});
    }

    static QStringList plans(const CollaborationStore &store)
    {
        QStringList list;
        for (const Transaction &t : store.transactions())
            list << t.planID;
        return list;
    }

    static QStringList ids(const CollaborationStore &store)
    {
        QStringList list;
        for (const Workspace &w : store.workspaces())
            list << w.id;
        return list;
    }
};

TEST_F(Collaboration, ShowsTheWorkspacesAndThe30NewestRecordsNewestFirst)
{
    WorkspaceRegistry::shared().add(TestSupport::makeFolder("Docs"));
    WorkspaceRegistry::shared().add(TestSupport::makeFolder("Bills"));
    journal(1, 45);

    CollaborationStore store; // reloads at once
    settle(store);
    EXPECT_EQ(ids(store), (QStringList{"docs", "bills"}));
    QStringList expected;
    for (int i = 45; i >= 16; --i)
        expected << QStringLiteral("plan-%1").arg(i);
    EXPECT_EQ(plans(store), expected);
    EXPECT_EQ(store.lastError(), "");
}

TEST_F(Collaboration, NothingOnDiskIsNoError)
{
    CollaborationStore store;
    settle(store);
    EXPECT_TRUE(store.workspaces().isEmpty());
    EXPECT_TRUE(store.transactions().isEmpty());
    EXPECT_EQ(store.lastError(), "");

    TestSupport::writeFile(MarovelPaths::journal(), ""); // an empty journal
    store.refresh();
    settle(store);
    EXPECT_TRUE(store.transactions().isEmpty());
    EXPECT_EQ(store.lastError(), "");
}

TEST_F(Collaboration, AFailedReadKeepsWhatCouldNotBeReadUntilASuccessClearsTheError)
{
    WorkspaceRegistry::shared().add(TestSupport::makeFolder("Docs"));
    journal(1, 3);
    CollaborationStore store;
    settle(store);
    ASSERT_EQ(store.workspaces().size(), 1);
    QSignalSpy workspacesChanged(&store, &CollaborationStore::workspacesChanged);
    QSignalSpy errorChanged(&store, &CollaborationStore::lastErrorChanged);

    // A registry that does not decode: neither list changes.
    const QByteArray registry = TestSupport::readFile(MarovelPaths::roots());
    TestSupport::writeFile(MarovelPaths::roots(), "{not json");
    QString expected;
    try {
        WorkspaceRegistry::shared().list();
    } catch (const MarovelError &e) {
        expected = e.description();
    }
    ASSERT_FALSE(expected.isEmpty());
    journal(4, 4);
    store.refresh();
    settle(store);
    EXPECT_EQ(store.lastError(), expected);
    EXPECT_EQ(ids(store), QStringList{"docs"});
    EXPECT_EQ(plans(store), (QStringList{"plan-3", "plan-2", "plan-1"}));

    // A good registry but a bad journal: the workspaces update, the records stay.
    TestSupport::writeFile(MarovelPaths::roots(), registry);
    WorkspaceRegistry::shared().add(TestSupport::makeFolder("Bills"));
    TestSupport::writeFile(MarovelPaths::journal(),
                           TestSupport::readFile(MarovelPaths::journal()) + "{\"id\":1}\n");
    store.refresh();
    settle(store);
    EXPECT_EQ(ids(store), (QStringList{"docs", "bills"}));
    EXPECT_EQ(plans(store), (QStringList{"plan-3", "plan-2", "plan-1"}));
    EXPECT_NE(store.lastError(), expected);
    EXPECT_FALSE(store.lastError().isEmpty());

    // All good again: the error goes.
    QByteArray lines = TestSupport::readFile(MarovelPaths::journal());
    lines.chop(QByteArray("{\"id\":1}\n").size());
    TestSupport::writeFile(MarovelPaths::journal(), lines);
    store.refresh();
    settle(store);
    EXPECT_EQ(store.lastError(), "");
    EXPECT_EQ(plans(store).first(), "plan-4");
    EXPECT_EQ(workspacesChanged.count(), 1);
    EXPECT_EQ(errorChanged.count(), 3);
}

// A record cut short by a crash hides nothing else: the page shows every other record and
// how many were lost.
TEST_F(Collaboration, RecordsCutShortAreCountedNotFatal)
{
    journal(1, 3);
    TestSupport::appendFile(MarovelPaths::journal(), "{\"createdAt\":\"2026-01-");
    journal(4, 5);
    CollaborationStore store;
    QSignalSpy torn(&store, &CollaborationStore::tornRecordsChanged);
    settle(store);
    EXPECT_EQ(plans(store), (QStringList{"plan-5", "plan-4", "plan-3", "plan-2", "plan-1"}));
    EXPECT_EQ(store.tornRecords(), 1);
    EXPECT_EQ(store.lastError(), "");
    EXPECT_EQ(torn.count(), 1);

    store.refresh(); // the same count again: no signal
    settle(store);
    EXPECT_EQ(torn.count(), 1);

    TestSupport::writeFile(MarovelPaths::journal(), "");
    store.refresh();
    settle(store);
    EXPECT_EQ(store.tornRecords(), 0);
    EXPECT_EQ(torn.count(), 2);
}

TEST_F(Collaboration, SignalsWorkspacesOnlyWhenTheyChangeAndRecordsOnEveryReload)
{
    WorkspaceRegistry::shared().add(TestSupport::makeFolder("Docs"));
    CollaborationStore store;
    settle(store);
    QSignalSpy workspacesChanged(&store, &CollaborationStore::workspacesChanged);
    QSignalSpy transactionsChanged(&store, &CollaborationStore::transactionsChanged);
    store.refresh();
    settle(store);
    EXPECT_EQ(workspacesChanged.count(), 0);
    EXPECT_EQ(transactionsChanged.count(), 1);

    // Reloads asked for in a row all run, the last one after the last change.
    for (int i = 1; i <= 5; ++i) {
        journal(i, i);
        store.refresh();
    }
    settle(store);
    EXPECT_EQ(plans(store).first(), "plan-5");
    EXPECT_EQ(plans(store).size(), 5);
}

TEST_F(Collaboration, ThePickerAuthorisesAFolder)
{
    const QString folder = TestSupport::makeFolder("Docs");
    CollaborationStore store;
    settle(store);

    // No picker, or a cancelled one: nothing changes, not even the error.
    store.setLastError("earlier");
    store.addFromPicker();
    QStringList asked;
    store.setFolderPicker([&](const QString &title, const QString &message) -> std::optional<QString> {
        asked << title << message;
        return std::nullopt;
    });
    store.addFromPicker();
    settle(store);
    EXPECT_EQ(asked, (QStringList{"授权工作区", "Marovel 和终端工具只会在你授权的工作区内读取、检索或生成操作计划。"}));
    EXPECT_EQ(store.lastError(), "earlier");
    EXPECT_TRUE(store.workspaces().isEmpty());

    // A new folder (through a link): authorised, reloaded, error cleared.
    const QString link = TestSupport::root() + "/link";
    ASSERT_EQ(::symlink(QFile::encodeName(folder).constData(), QFile::encodeName(link).constData()), 0);
    store.setFolderPicker([&](const QString &, const QString &) { return std::optional<QString>(link); });
    store.addFromPicker();
    settle(store);
    ASSERT_EQ(store.workspaces().size(), 1);
    EXPECT_EQ(store.workspaces()[0].path, folder);
    EXPECT_EQ(store.lastError(), "");

    // The same folder again: the lists stay and the error names its resolved path.
    store.addFromPicker();
    settle(store);
    EXPECT_EQ(store.lastError(), L("工作区已存在：%@", folder));
    EXPECT_EQ(store.workspaces().size(), 1);
}

} // namespace
