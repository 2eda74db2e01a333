// Proposals from a stand-in detection: which findings are dropped, accepting (collisions,
// races, vanished files, failures), and recording and undoing accepted renames with and
// without a window.
#include "AgentTestSupport.h"
#include "BrowserState.h"
#include "Defaults.h"
#include "FileOps.h"
#include "Localization.h"
#include "MarovelCore.h"
#include "TestSupport.h"
#include "UndoLog.h"
#include "UndoRecorder.h"
#include "WatchAgent.h"
#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace AgentTest;

namespace {

// Detection results by file name; anything else is unknown.
using Findings = QHash<QString, ScenarioMatch>;

WatchAgent::Analyse fakeDetection(Findings findings)
{
    return [findings = std::move(findings)](const QString &path, const QString &) {
        return findings.value(QFileInfo(path).fileName());
    };
}

class AgentAccept : public testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        m_folder = TestSupport::makeFolder("Inbox");
        watchOnly({m_folder});
    }

    void TearDown() override
    {
        FileOps::setBeforeCreateHook({});
        qputenv("MAROVEL_TELEMETRY_URL", "");
    }

    // An agent whose detection answers from `findings`, watching the folder.
    std::unique_ptr<WatchAgent> makeAgent(Findings findings, WatchAgent::Mover mover = {})
    {
        WatchAgent::Options options = fastOptions(m_log, fakeDetection(std::move(findings)));
        options.mover = std::move(mover);
        auto agent = std::make_unique<WatchAgent>(options);
        QSignalSpy watching(agent.get(), &WatchAgent::watching);
        agent->start();
        EXPECT_TRUE(watching.wait(5000));
        return agent;
    }

    // Writes the files into the folder and waits until each one was analysed.
    void arrive(const WatchAgent &agent, const QStringList &names)
    {
        const qsizetype before = m_log->paths().size();
        for (const QString &name : names)
            TestSupport::writeFile(m_folder + "/" + name, name.toUtf8());
        ASSERT_TRUE(waitFor([&] { return m_log->paths().size() == before + names.size(); }));
        // The last result reaches the GUI thread after its analysis returned.
        QTest::qWait(50);
        QCoreApplication::processEvents();
        Q_UNUSED(agent);
    }

    static QList<QStringList> logLines()
    {
        UndoRecorder::shared().flush();
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

    QString m_folder;
    std::shared_ptr<AnalysisLog> m_log = std::make_shared<AnalysisLog>();
};

TEST_F(AgentAccept, FindingsThatCannotNameTheFileAreDropped)
{
    ScenarioMatch unknown = goodMatch("Unknown");
    unknown.kind = ScenarioKind::unknown;
    ScenarioMatch notReady = goodMatch("NotReady");
    notReady.renameReady = false;
    ScenarioMatch low = goodMatch("Low");
    low.conf = ScenarioMatch::Conf::low;
    const Findings findings{
        {"unknown.txt", unknown},
        {"not-ready.txt", notReady},
        {"empty.txt", goodMatch("")},
        {"low.txt", low},
        {"Same.txt", goodMatch("Same")},        // the name it already has
        {"slash.txt", goodMatch("a/b")},        // would leave the folder
        {"dots.txt", goodMatch("..")},          // "...txt": hidden
        {"hidden.txt", goodMatch(".profile")},
        {"colon.txt", goodMatch("a:b")},
        {"medium.txt", [] { auto m = goodMatch("Medium"); m.conf = ScenarioMatch::Conf::medium; return m; }()},
        {"good.txt", goodMatch("Good")},
    };
    auto agent = makeAgent(findings);
    arrive(*agent, findings.keys());
    QStringList proposed;
    for (const WatchAgent::Item &item : agent->pending())
        proposed << item.oldName + ">" + item.newName;
    proposed.sort();
    EXPECT_EQ(proposed, (QStringList{"good.txt>Good.txt", "medium.txt>Medium.txt"}));
}

TEST_F(AgentAccept, ACollisionTakesTheNextFreeNameAndSendsTheEvent)
{
    Loopback::Server server([](const Loopback::Request &) { return Loopback::Reply::json({}, 204); });
    qputenv("MAROVEL_TELEMETRY_URL", server.base().toUtf8());
    TestSupport::writeFile(m_folder + "/Invoice.txt", "already here");
    auto agent = makeAgent({{"a.txt", goodMatch("Invoice")}});
    QList<int> badges;
    agent->setHooks({{}, [&badges](int count) { badges << count; }});
    arrive(*agent, {"a.txt"});
    ASSERT_EQ(agent->pending().size(), 1);

    QSignalSpy changed(agent.get(), &WatchAgent::pendingChanged);
    agent->accept(agent->pending().first());
    EXPECT_TRUE(agent->pending().isEmpty());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(badges, (QList<int>{1, 0}));
    EXPECT_EQ(TestSupport::readFile(m_folder + "/Invoice.txt"), "already here");
    EXPECT_EQ(TestSupport::readFile(m_folder + "/Invoice 2.txt"), "a.txt");
    EXPECT_FALSE(QFileInfo::exists(m_folder + "/a.txt"));

    ASSERT_TRUE(server.waitForHits(1));
    const QJsonObject event =
        QJsonDocument::fromJson(server.requests().at(0).body).object()["events"].toArray().at(0).toObject();
    EXPECT_EQ(event["type"].toString(), "file_filed");
    EXPECT_EQ(event["extra"].toString(), "invoice");
    EXPECT_EQ(event["primary"].toDouble(), 1);
}

TEST_F(AgentAccept, ANameTakenBetweenChoiceAndMoveIsNeverOverwritten)
{
    auto agent = makeAgent({{"a.txt", goodMatch("Invoice")}});
    arrive(*agent, {"a.txt"});
    ASSERT_EQ(agent->pending().size(), 1);
    const QString chosen = m_folder + "/Invoice.txt";
    FileOps::setBeforeCreateHook([&](const QString &destination) {
        if (destination == chosen && !QFileInfo::exists(chosen))
            TestSupport::writeFile(chosen, "someone else");
    });
    agent->accept(agent->pending().first());
    EXPECT_EQ(TestSupport::readFile(chosen), "someone else");
    EXPECT_EQ(TestSupport::readFile(m_folder + "/Invoice 2.txt"), "a.txt");
    EXPECT_TRUE(agent->pending().isEmpty());
}

TEST_F(AgentAccept, AVanishedFileIsDismissedSilently)
{
    Loopback::Server server([](const Loopback::Request &) { return Loopback::Reply::json({}, 204); });
    qputenv("MAROVEL_TELEMETRY_URL", server.base().toUtf8());
    auto agent = makeAgent({{"a.txt", goodMatch("Invoice")}});
    arrive(*agent, {"a.txt"});
    ASSERT_EQ(agent->pending().size(), 1);
    QFile::remove(m_folder + "/a.txt");
    agent->accept(agent->pending().first());
    EXPECT_TRUE(agent->pending().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(m_folder + "/Invoice.txt"));
    EXPECT_EQ(agent->waitingUndoSteps(), 0);
    QTest::qWait(300);
    EXPECT_EQ(server.hits(), 0);
}

TEST_F(AgentAccept, AFailedMoveKeepsTheProposalWithItsErrorAndARetrySucceeds)
{
    Loopback::Server server([](const Loopback::Request &) { return Loopback::Reply::json({}, 204); });
    qputenv("MAROVEL_TELEMETRY_URL", server.base().toUtf8());
    // Tests may run as root, where a read-only folder does not stop a rename.
    int failures = 1;
    auto agent = makeAgent({{"a.txt", goodMatch("Invoice")}}, [&failures](const QString &path, const QString &name) {
        if (failures-- > 0)
            throw FileOpsError(QStringLiteral("Permission denied"), EACCES);
        return FileOps::moveTo(path, QFileInfo(path).path(), name, NameClash::NextFree);
    });
    arrive(*agent, {"a.txt"});
    ASSERT_EQ(agent->pending().size(), 1);
    QSignalSpy itemChanged(agent.get(), &WatchAgent::itemChanged);

    agent->accept(agent->pending().first());
    ASSERT_EQ(agent->pending().size(), 1);
    EXPECT_EQ(agent->pending().first().lastError, QStringLiteral("移动失败：Permission denied"));
    EXPECT_EQ(itemChanged.count(), 1);
    EXPECT_TRUE(QFileInfo::exists(m_folder + "/a.txt"));
    ASSERT_TRUE(server.waitForHits(1));

    agent->accept(agent->pending().first());
    EXPECT_TRUE(agent->pending().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(m_folder + "/Invoice.txt"));
    ASSERT_TRUE(server.waitForHits(2));
    QList<double> outcomes;
    for (const Loopback::Request &request : server.requests())
        outcomes << QJsonDocument::fromJson(request.body).object()["events"].toArray().at(0).toObject()["primary"].toDouble();
    EXPECT_EQ(outcomes, (QList<double>{0, 1}));
}

TEST_F(AgentAccept, AnUnusableNameIsRefusedEvenWhenHandedIn)
{
    auto agent = makeAgent({});
    const QString file = m_folder + "/a.txt";
    TestSupport::writeFile(file, "a");
    for (const QString &name : {QStringLiteral("../a.txt"), QStringLiteral(".a"), QStringLiteral("x:y")}) {
        agent->accept(WatchAgent::Item{QUuid::createUuid(), file, "a.txt", name, {}, "invoice", {}, {}});
        EXPECT_TRUE(QFileInfo::exists(file)) << name.toStdString();
    }
    EXPECT_EQ(QDir(m_folder).entryList(QDir::Files), QStringList{"a.txt"});
}

TEST_F(AgentAccept, WithoutAWindowTheRenameIsRecordedAndWaitsForTheNextWindow)
{
    const Workspace workspace = WorkspaceRegistry::shared().add(m_folder);
    auto agent = makeAgent({{"a.txt", goodMatch("Invoice")}});
    arrive(*agent, {"a.txt"});
    ASSERT_EQ(agent->pending().size(), 1);
    const qsizetype linesBefore = logLines().size();

    agent->accept(agent->pending().first());
    const QList<QStringList> lines = logLines().mid(linesBefore);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], (QStringList{"盯梢改名", m_folder + "/a.txt", m_folder + "/Invoice.txt"}));
    const QList<Transaction> journal = MarovelCore::history();
    ASSERT_EQ(journal.size(), 1);
    EXPECT_EQ(journal[0].workspaceID, workspace.id);
    EXPECT_EQ(journal[0].status, "applied");
    ASSERT_EQ(journal[0].operations.size(), 1);
    EXPECT_EQ(journal[0].operations[0].from, "a.txt");
    EXPECT_EQ(journal[0].operations[0].to, "Invoice.txt");
    EXPECT_EQ(agent->waitingUndoSteps(), 1);

    // The next window to become active takes the step without recording it again, and its
    // undo gives the file its old name back.
    BrowserState window;
    agent->windowBecameActive(window);
    EXPECT_EQ(agent->waitingUndoSteps(), 0);
    ASSERT_EQ(window.undoStack().size(), 1);
    EXPECT_EQ(window.undoName(), "盯梢改名");
    EXPECT_EQ(logLines().size(), linesBefore + 1);
    EXPECT_EQ(MarovelCore::history().size(), 1);
    window.performUndo();
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(m_folder + "/a.txt"); }));
    EXPECT_FALSE(QFileInfo::exists(m_folder + "/Invoice.txt"));
    ASSERT_TRUE(waitFor([&] { return !window.undoing(); }));
    EXPECT_EQ(window.status(), "已撤销：盯梢改名");
    EXPECT_TRUE(window.undoStack().isEmpty());

    // Handing over again gives nothing more.
    BrowserState other;
    agent->windowBecameActive(other);
    EXPECT_TRUE(other.undoStack().isEmpty());
}

TEST_F(AgentAccept, UndoOntoATakenOldNameSaysSoAndKeepsBothFiles)
{
    BrowserState window;
    auto agent = makeAgent({{"a.txt", goodMatch("Invoice")}});
    agent->setHooks({[&window] { return &window; }, {}});
    arrive(*agent, {"a.txt"});
    ASSERT_EQ(agent->pending().size(), 1);
    const qsizetype linesBefore = logLines().size();
    agent->accept(agent->pending().first());
    ASSERT_EQ(window.undoStack().size(), 1); // straight onto the open window
    EXPECT_EQ(agent->waitingUndoSteps(), 0);
    EXPECT_EQ(logLines().size(), linesBefore + 1); // recorded once

    TestSupport::writeFile(m_folder + "/a.txt", "a new a.txt");
    window.performUndo();
    ASSERT_TRUE(waitFor([&] { return !window.status().isEmpty(); }));
    EXPECT_TRUE(window.status().startsWith("1 项无法移回原处：")) << window.status().toStdString();
    EXPECT_EQ(TestSupport::readFile(m_folder + "/a.txt"), "a new a.txt");
    EXPECT_EQ(TestSupport::readFile(m_folder + "/Invoice.txt"), "a.txt");
    // The step stays so the user can free the name and try again.
    ASSERT_EQ(window.undoStack().size(), 1);
    QFile::remove(m_folder + "/a.txt");
    window.performUndo();
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(m_folder + "/a.txt"); }));
    EXPECT_FALSE(QFileInfo::exists(m_folder + "/Invoice.txt"));
}

TEST_F(AgentAccept, AtMostSixtyStepsWaitOldestFirst)
{
    Findings findings;
    QStringList names;
    for (int i = 0; i < 62; ++i) {
        const QString name = QStringLiteral("f%1.txt").arg(i, 2, 10, QChar(u'0'));
        findings.insert(name, goodMatch(QStringLiteral("Doc %1").arg(i, 2, 10, QChar(u'0'))));
        names << name;
    }
    auto agent = makeAgent(findings);
    arrive(*agent, names);
    ASSERT_EQ(agent->pending().size(), 62);
    const WatchAgent::Item newest = agent->pending().first(); // accepted last
    while (!agent->pending().isEmpty())
        agent->accept(agent->pending().last()); // oldest proposal first
    EXPECT_EQ(agent->waitingUndoSteps(), WatchAgent::maxWaitingSteps);

    BrowserState window;
    agent->windowBecameActive(window);
    ASSERT_EQ(window.undoStack().size(), 60);
    window.performUndo(); // the rename accepted last comes back first
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(newest.path); }));
}

} // namespace
