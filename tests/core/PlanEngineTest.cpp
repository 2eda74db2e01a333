#include "CoreTestSupport.h"
#include "JsonCoding.h"
#include "Localization.h"
#include "MarovelCore.h"
#include "MarovelPaths.h"
#include "TestSupport.h"
#include "TextUtil.h"
#include "Workspace.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// Every path below `folder` with its content, to prove that nothing changed.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path, it.fileInfo().isSymLink() ? "link" : TestSupport::readFile(path));
    }
    return files;
}

class PlanEngine : public testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        root = TestSupport::makeFolder("ws");
        outside = TestSupport::makeFolder("outside");
        TestSupport::writeFile(root + "/a.txt", "A");
        TestSupport::writeFile(root + "/b.txt", "B");
        TestSupport::writeFile(root + "/sub/c.txt", "C");
        TestSupport::writeFile(outside + "/secret.txt", "S");
        workspace = WorkspaceRegistry::shared().add(root);
    }

    PlanRequest request(QList<MarovelOperation> operations, qint64 version = 1)
    {
        return {version, workspace.id, std::move(operations)};
    }

    QString planError(QList<MarovelOperation> operations)
    {
        return errorOf([&] { MarovelCore::plan(request(std::move(operations))); });
    }

    QString root;
    QString outside;
    Workspace workspace;
};

TEST_F(PlanEngine, PlanIsStoredSortedAndChangesNoUserFile)
{
    const auto before = snapshot(root);
    auto first = move("a.txt", "sub/a.txt");
    first.id = QUuid::fromString(QStringLiteral("0a1b2c3d-0000-4000-8000-00000000000f"));
    const Plan plan = MarovelCore::plan(request({first, mkdir("new"), op(OpKind::Rename, "b.txt", "B2.txt")}));
    EXPECT_EQ(snapshot(root), before);
    EXPECT_EQ(plan.workspace, workspace);
    EXPECT_EQ(plan.id, plan.id.toUpper());

    const QByteArray file = TestSupport::readFile(MarovelPaths::plans() + "/" + plan.id + ".json");
    EXPECT_TRUE(file.startsWith("{\n  \"createdAt\" : \"")) << file.constData();
    EXPECT_TRUE(file.contains("\"operations\" : [\n    {\n      \"from\" : \"a.txt\",\n"
                              "      \"id\" : \"0A1B2C3D-0000-4000-8000-00000000000F\",\n"
                              "      \"kind\" : \"move\",\n      \"to\" : \"sub\\/a.txt\"\n    },\n"
                              "    {\n      \"id\" : "))
        << file.constData();
    EXPECT_LT(file.indexOf("\"operations\""), file.indexOf("\"workspace\""));
    EXPECT_EQ(Plan::fromJson(JsonCoding::parse(file, "plan")), plan);
}

TEST_F(PlanEngine, ValidationFailsInOrderAndWritesNothing)
{
    const struct
    {
        const char *what;
        QList<MarovelOperation> operations;
        const char *error;
    } cases[] = {
        {"target exists", {move("a.txt", "b.txt")}, "目标已存在：b.txt"},
        {"same target twice", {move("a.txt", "x.txt"), move("b.txt", "x.txt")}, "目标已存在：x.txt"},
        {"parent made by an earlier mkdir", {mkdir("new"), move("a.txt", "new/a.txt")}, "目标父目录不存在：new/a.txt"},
        {"rename without from", {op(OpKind::Rename, std::nullopt, "x")}, "rename 需要 from"},
        {"move without from", {op(OpKind::Move, std::nullopt, "x")}, "move 需要 from"},
        {"missing source", {move("gone.txt", "x.txt")}, "源文件不存在：gone.txt"},
        {"absolute target", {move("a.txt", "/tmp/x")}, "必须使用工作区内相对路径：/tmp/x"},
        {"absolute source", {move("/etc/hostname", "x")}, "必须使用工作区内相对路径：/etc/hostname"},
        {"leading ..", {move("a.txt", "../x.txt")}, "路径越界：../x.txt"},
        {"deep ..", {move("a.txt", "sub/../../outside/x.txt")}, "路径越界：sub/../../outside/x.txt"},
        {"source ..", {move("../outside/secret.txt", "s.txt")}, "路径越界：../outside/secret.txt"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(planError(c.operations), QString::fromUtf8(c.error)) << c.what;
    }
    EXPECT_TRUE(QDir(MarovelPaths::plans()).isEmpty());
}

TEST_F(PlanEngine, SchemaIsCheckedBeforeTheWorkspace)
{
    const QString expected = QStringLiteral("计划必须为 schemaVersion=1 且包含操作");
    EXPECT_EQ(errorOf([&] { MarovelCore::plan({1, "unknown", {}}); }), expected);
    EXPECT_EQ(errorOf([&] { MarovelCore::plan({2, "unknown", {mkdir("x")}}); }), expected);
    EXPECT_EQ(errorOf([&] { MarovelCore::plan({1, "unknown", {mkdir("x")}}); }),
              QStringLiteral("未找到工作区：unknown"));
}

TEST_F(PlanEngine, DotDotThatStaysInsideIsAccepted)
{
    const Plan plan = MarovelCore::plan(request({move("a.txt", "sub/../moved.txt")}));
    MarovelCore::apply(plan.id);
    EXPECT_TRUE(QFileInfo::exists(root + "/moved.txt"));
}

TEST_F(PlanEngine, SymbolicLinksCannotLeadOutOfTheWorkspace)
{
    link(outside, root + "/out");
    link(outside + "/secret.txt", root + "/secret-link");
    link(root + "/nowhere", root + "/dangling");
    const auto before = snapshot(outside);
    const struct
    {
        const char *what;
        QList<MarovelOperation> operations;
        const char *error;
    } cases[] = {
        {"target below a linked folder", {move("a.txt", "out/a.txt")}, "路径越界：out/a.txt"},
        {"source below a linked folder", {move("out/secret.txt", "s.txt")}, "路径越界：out/secret.txt"},
        {"source is a link to outside", {move("secret-link", "s.txt")}, "路径越界：secret-link"},
        {"mkdir below a linked folder", {mkdir("out/new")}, "路径越界：out/new"},
        {"dangling link at the target", {move("a.txt", "dangling")}, "目标已存在：dangling"},
    };
    const QString nul = QStringLiteral("out") + QChar(u'\0') + QStringLiteral("x");
    EXPECT_EQ(planError({move("a.txt", nul)}), QStringLiteral("路径越界：") + nul);
    for (const auto &c : cases)
        EXPECT_EQ(planError(c.operations), QString::fromUtf8(c.error)) << c.what;
    EXPECT_EQ(snapshot(outside), before);
}

TEST_F(PlanEngine, UndoWorksPastARecordCutShortByACrash)
{
    const Plan plan = MarovelCore::plan(request({move("a.txt", "moved.txt")}));
    const Transaction applied = MarovelCore::apply(plan.id);
    // A writer that died in the middle of its record.
    TestSupport::appendFile(MarovelPaths::journal(), JsonCoding::compact(applied.toJson()).left(40));

    const Transaction undone = MarovelCore::undo(applied.id);
    EXPECT_EQ(TestSupport::readFile(root + "/a.txt"), "A");
    const MarovelCore::JournalContents journal = MarovelCore::readJournal();
    EXPECT_EQ(journal.transactions, (QList<Transaction>{applied, undone}));
    EXPECT_EQ(journal.tornRecords, 1);
}

TEST_F(PlanEngine, ApplyRefusesPlanIdsThatAreNotPlanIdentifiers)
{
    TestSupport::writeFile(MarovelPaths::base() + "/x.json", "{}");
    for (const char *id : {"../../x", "../x", "", "x", "/etc/passwd", "00000000-0000-0000-0000-000000000000"})
        EXPECT_EQ(errorOf([&] { MarovelCore::apply(QString::fromUtf8(id)); }),
                  QStringLiteral("计划不存在：") + QString::fromUtf8(id));
}

TEST_F(PlanEngine, ApplyAndUndoRoundTripThroughTheJournal)
{
    const Plan plan = MarovelCore::plan(
        request({mkdir("new"), move("a.txt", "b-moved.txt"), op(OpKind::Rename, "sub", "sub2")}));
    const Transaction applied = MarovelCore::apply(plan.id);
    EXPECT_EQ(applied.planID, plan.id);
    EXPECT_EQ(applied.status, QStringLiteral("applied"));
    EXPECT_TRUE(QFileInfo(root + "/new").isDir());
    EXPECT_EQ(TestSupport::readFile(root + "/b-moved.txt"), QByteArray("A"));
    EXPECT_EQ(TestSupport::readFile(root + "/sub2/c.txt"), QByteArray("C"));

    const Transaction undone = MarovelCore::undo(applied.id);
    EXPECT_EQ(undone.id, applied.id);
    EXPECT_EQ(undone.status, QStringLiteral("undone"));
    EXPECT_EQ(undone.operations, applied.operations);
    EXPECT_FALSE(QFileInfo::exists(root + "/new"));
    EXPECT_EQ(TestSupport::readFile(root + "/a.txt"), QByteArray("A"));
    EXPECT_EQ(TestSupport::readFile(root + "/sub/c.txt"), QByteArray("C"));

    const QList<Transaction> history = MarovelCore::history();
    ASSERT_EQ(history.size(), 2);
    EXPECT_EQ(history[0].status, QStringLiteral("applied"));
    EXPECT_EQ(history[1].id, applied.id);

    EXPECT_EQ(errorOf([&] { MarovelCore::undo(applied.id); }),
              CollaborationError(CollaborationError::AlreadyUndone).description());
    EXPECT_EQ(errorOf([] { MarovelCore::undo("nope"); }), QStringLiteral("没有可回退的事务：nope"));
}

TEST_F(PlanEngine, PartialApplyKeepsWhatWasDoneAndJournalsNothing)
{
    const Plan plan = MarovelCore::plan(request({move("a.txt", "a2.txt"), move("b.txt", "b2.txt")}));
    TestSupport::writeFile(root + "/b2.txt", "in the way"); // appears after planning
    EXPECT_NE(errorOf([&] { MarovelCore::apply(plan.id); }), QStringLiteral("<no error>"));
    EXPECT_TRUE(QFileInfo::exists(root + "/a2.txt"));
    EXPECT_EQ(TestSupport::readFile(root + "/b.txt"), QByteArray("B"));
    EXPECT_EQ(TestSupport::readFile(root + "/b2.txt"), QByteArray("in the way"));
    EXPECT_TRUE(MarovelCore::history().isEmpty());
}

TEST_F(PlanEngine, ApplyAfterTheWorkspaceWasRevokedOrMovedChangesNothing)
{
    const Plan plan = MarovelCore::plan(request({move("a.txt", "a2.txt")}));
    const auto before = snapshot(root);
    const CollaborationError revoked(CollaborationError::WorkspaceRevoked);

    WorkspaceRegistry::shared().remove(workspace.id);
    EXPECT_EQ(errorOf([&] { MarovelCore::apply(plan.id); }), revoked.description());

    // Registered again under the same id, but at another folder.
    const QString elsewhere = TestSupport::makeFolder("other/ws");
    EXPECT_EQ(WorkspaceRegistry::shared().add(elsewhere).id, workspace.id);
    TestSupport::writeFile(elsewhere + "/a.txt", "other");
    EXPECT_EQ(errorOf([&] { MarovelCore::apply(plan.id); }), revoked.description());
    EXPECT_EQ(snapshot(root), before);
    EXPECT_TRUE(QFileInfo::exists(elsewhere + "/a.txt"));
}

TEST_F(PlanEngine, UndoStopsAtANonEmptyFolderOrAnOccupiedSource)
{
    const Plan plan = MarovelCore::plan(request({mkdir("box"), move("a.txt", "a2.txt")}));
    const Transaction applied = MarovelCore::apply(plan.id);
    TestSupport::writeFile(root + "/box/new.txt", "new");
    EXPECT_EQ(errorOf([&] { MarovelCore::undo(applied.id); }),
              QStringLiteral("目录非空，无法安全回退：box"));
    // The later operation was reversed before the folder stopped the undo.
    EXPECT_TRUE(QFileInfo::exists(root + "/a.txt"));
    EXPECT_EQ(MarovelCore::history().size(), 1);

    const Plan second = MarovelCore::plan(request({move("b.txt", "b2.txt")}));
    const Transaction moved = MarovelCore::apply(second.id);
    TestSupport::writeFile(root + "/b.txt", "taken again");
    EXPECT_EQ(errorOf([&] { MarovelCore::undo(moved.id); }), QStringLiteral("原路径已被占用：b.txt"));
    EXPECT_EQ(TestSupport::readFile(root + "/b.txt"), QByteArray("taken again"));
    EXPECT_EQ(TestSupport::readFile(root + "/b2.txt"), QByteArray("B"));
}

TEST_F(PlanEngine, UndoWorksForTransactionsTheApplicationRecorded)
{
    ASSERT_EQ(::rename(QFile::encodeName(root + "/a.txt").constData(),
                       QFile::encodeName(root + "/renamed.txt").constData()), 0);
    const Transaction own{TextUtil::newUuidText(), "gui-" + TextUtil::newUuidText(), workspace.id,
                          "applied", QDateTime::currentDateTimeUtc(),
                          {op(OpKind::Rename, "a.txt", "renamed.txt")}};
    MarovelCore::record(own);
    MarovelCore::undo(own.id);
    EXPECT_TRUE(QFileInfo::exists(root + "/a.txt"));
}

} // namespace
