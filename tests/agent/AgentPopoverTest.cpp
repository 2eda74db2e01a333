// The agent's popover, offscreen, over an agent with a stand-in detection.
#include "AgentTestSupport.h"
#include "Defaults.h"
#include "FileOps.h"
#include "Localization.h"
#include "TestSupport.h"
#include "WatchAgent.h"
#include "agent/AgentPopover.h"
#include "kit/Widgets.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace AgentTest;

namespace {

const QString enabledKey = QStringLiteral("agentEnabled");

class Popover : public testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        Defaults::shared().remove(enabledKey);
        m_folder = TestSupport::makeFolder("Inbox");
        watchOnly({m_folder});
    }

    // An agent proposing "<name>.txt" → "<base>.txt" for every file it is shown.
    std::unique_ptr<WatchAgent> makeAgent(WatchAgent::Mover mover = {})
    {
        WatchAgent::Options options = fastOptions(m_log, [](const QString &path, const QString &) {
            return goodMatch(QStringLiteral("Named ") + QFileInfo(path).completeBaseName());
        });
        options.mover = std::move(mover);
        auto agent = std::make_unique<WatchAgent>(options);
        QSignalSpy watching(agent.get(), &WatchAgent::watching);
        agent->start();
        EXPECT_TRUE(watching.wait(5000));
        return agent;
    }

    // Makes the files arrive one after another, so the newest is the last one named.
    void propose(WatchAgent &agent, const QStringList &names)
    {
        for (const QString &name : names) {
            const qsizetype before = agent.pending().size();
            TestSupport::writeFile(m_folder + "/" + name, "x");
            ASSERT_TRUE(waitFor([&] { return agent.pending().size() == before + 1; }));
        }
    }

    static QList<QWidget *> rows(AgentPopover &popover)
    {
        QList<QWidget *> shown;
        for (QWidget *row : popover.findChildren<QWidget *>("proposalRow")) {
            if (row->isVisibleTo(&popover))
                shown << row;
        }
        std::sort(shown.begin(), shown.end(), [](QWidget *a, QWidget *b) { return a->y() < b->y(); });
        return shown;
    }

    static QString newNameOf(QWidget *row)
    {
        return row->findChild<Kit::ElidingLabel *>("newName")->text();
    }

    QString m_folder;
    std::shared_ptr<AnalysisLog> m_log = std::make_shared<AnalysisLog>();
};

TEST_F(Popover, ShowsTheBranchOfTheSettingAndTheProposals)
{
    auto agent = makeAgent();
    AgentPopover popover(*agent);
    popover.show();
    const struct
    {
        const char *what;
        bool enabled;
        int proposals;
        AgentPopover::Branch branch;
    } cases[] = {
        {"off, nothing pending", false, 0, AgentPopover::Branch::disabled},
        {"on, nothing pending", true, 0, AgentPopover::Branch::idle},
        {"on with a proposal", true, 1, AgentPopover::Branch::list},
        {"off with a proposal still pending", false, 1, AgentPopover::Branch::disabled},
    };
    for (const auto &c : cases) {
        Defaults::shared().setValue(enabledKey, c.enabled); // as the settings page would
        if (agent->pending().size() < c.proposals)
            propose(*agent, {"a.txt"});
        ASSERT_TRUE(waitFor([&] { return popover.branch() == c.branch; })) << c.what;
        EXPECT_EQ(popover.findChild<QWidget *>("disabledPage")->isVisible(),
                  c.branch == AgentPopover::Branch::disabled) << c.what;
        EXPECT_EQ(popover.findChild<QWidget *>("idlePage")->isVisible(),
                  c.branch == AgentPopover::Branch::idle) << c.what;
        EXPECT_EQ(popover.findChild<QWidget *>("listPage")->isVisible(),
                  c.branch == AgentPopover::Branch::list) << c.what;
        EXPECT_EQ(popover.findChild<QCheckBox *>("agentSwitch")->isChecked(), c.enabled) << c.what;
    }
    EXPECT_EQ(popover.width(), AgentPopover::fixedWidth);
    EXPECT_LE(popover.height(), AgentPopover::maxHeight);
}

TEST_F(Popover, TheSwitchStoresTheSettingBeforeTheAgentMoves)
{
    auto agent = makeAgent();
    agent->stop();
    AgentPopover popover(*agent);
    popover.show();
    QStringList order;
    QObject::connect(&Defaults::shared(), &Defaults::changed, &popover, [&](const QString &key) {
        if (key == enabledKey)
            order << key + "=" + (Defaults::shared().boolValue(key) ? "true" : "false");
    });
    QObject::connect(agent.get(), &WatchAgent::runningChanged, &popover,
                     [&](bool running) { order << (running ? "started" : "stopped"); });

    auto *toggle = popover.findChild<QCheckBox *>("agentSwitch");
    toggle->click();
    EXPECT_EQ(order, (QStringList{"agentEnabled=true", "started"}));
    ASSERT_TRUE(waitFor([&] { return popover.branch() == AgentPopover::Branch::idle; }));
    toggle->click();
    EXPECT_EQ(order, (QStringList{"agentEnabled=true", "started", "agentEnabled=false", "stopped"}));
    ASSERT_TRUE(waitFor([&] { return popover.branch() == AgentPopover::Branch::disabled; }));

    // The enable button of the disabled state does the same.
    order.clear();
    popover.findChild<QPushButton *>("enableButton")->click();
    EXPECT_EQ(order, (QStringList{"agentEnabled=true", "started"}));
    ASSERT_TRUE(waitFor([&] { return popover.branch() == AgentPopover::Branch::idle; }));
    EXPECT_TRUE(toggle->isChecked());
}

TEST_F(Popover, TheIdleStateNamesTheFoldersReallyWatched)
{
    const QString scans = TestSupport::makeFolder("Scans");
    watchOnly({m_folder, scans});
    auto agent = makeAgent();
    Defaults::shared().setValue(enabledKey, true);
    AgentPopover popover(*agent);
    popover.show();
    ASSERT_TRUE(waitFor([&] { return popover.branch() == AgentPopover::Branch::idle; }));
    EXPECT_EQ(popover.findChild<QLabel *>("watchingLabel")->text(), "正盯着 Inbox · Scans");
    agent->removeWatchedFolder(scans);
    ASSERT_TRUE(waitFor([&] { return popover.findChild<QLabel *>("watchingLabel")->text() == "正盯着 Inbox"; }));
}

TEST_F(Popover, AcceptAllTakesTheListInOrderAndEndsIdle)
{
    QStringList moved;
    auto agent = makeAgent([&moved](const QString &path, const QString &name) {
        moved << QFileInfo(path).fileName();
        return FileOps::moveTo(path, QFileInfo(path).path(), name, NameClash::NextFree);
    });
    Defaults::shared().setValue(enabledKey, true);
    propose(*agent, {"a.txt", "b.txt", "c.txt"});
    AgentPopover popover(*agent);
    popover.show();
    ASSERT_TRUE(waitFor([&] { return rows(popover).size() == 3; }));
    EXPECT_EQ(popover.findChild<QLabel *>("pendingCount")->text(), "3 个待确认");
    EXPECT_EQ(newNameOf(rows(popover).first()), "Named c.txt"); // newest first

    popover.findChild<QPushButton *>("acceptAllButton")->click();
    EXPECT_EQ(moved, (QStringList{"c.txt", "b.txt", "a.txt"}));
    ASSERT_TRUE(waitFor([&] { return popover.branch() == AgentPopover::Branch::idle; }));
    EXPECT_TRUE(QFileInfo::exists(m_folder + "/Named a.txt"));
}

TEST_F(Popover, AFailedAcceptShowsItsErrorAndOffersARetry)
{
    bool fail = true;
    auto agent = makeAgent([&fail](const QString &path, const QString &name) {
        if (fail && QFileInfo(path).fileName() == "b.txt")
            throw FileOpsError(QStringLiteral("<b>denied</b> on a read-only disk"), EACCES);
        return FileOps::moveTo(path, QFileInfo(path).path(), name, NameClash::NextFree);
    });
    Defaults::shared().setValue(enabledKey, true);
    propose(*agent, {"a.txt", "b.txt"});
    AgentPopover popover(*agent);
    popover.show();
    ASSERT_TRUE(waitFor([&] { return rows(popover).size() == 2; }));

    QWidget *failing = rows(popover).first(); // b.txt, the newest
    failing->findChild<QPushButton *>("acceptButton")->click();
    ASSERT_TRUE(waitFor([&] { return failing->findChild<QLabel *>("rowError")->isVisible(); }));
    auto *error = failing->findChild<QLabel *>("rowError");
    EXPECT_EQ(error->text(), "移动失败：<b>denied</b> on a read-only disk");
    EXPECT_EQ(error->textFormat(), Qt::PlainText);
    EXPECT_EQ(failing->findChild<QPushButton *>("acceptButton")->text(), "重试");
    EXPECT_TRUE(failing->findChild<QPushButton *>("dismissButton")->isVisible());
    QWidget *other = rows(popover).last();
    EXPECT_FALSE(other->findChild<QLabel *>("rowError")->isVisible());
    EXPECT_EQ(other->findChild<QPushButton *>("acceptButton")->text(), "采用");

    fail = false;
    failing->findChild<QPushButton *>("acceptButton")->click(); // the retry
    ASSERT_TRUE(waitFor([&] { return rows(popover).size() == 1; }));
    EXPECT_TRUE(QFileInfo::exists(m_folder + "/Named b.txt"));
    rows(popover).first()->findChild<QPushButton *>("dismissButton")->click();
    ASSERT_TRUE(waitFor([&] { return popover.branch() == AgentPopover::Branch::idle; }));
    EXPECT_TRUE(QFileInfo::exists(m_folder + "/a.txt")); // dismissed, not renamed
}

TEST_F(Popover, DataIsShownAsPlainTextAndLongNamesAreCutInTheMiddle)
{
    auto agent = makeAgent();
    Defaults::shared().setValue(enabledKey, true);
    const QString name = QStringLiteral("<b>x<b> ") + QString(60, u'长') + QStringLiteral(" end.pdf");
    propose(*agent, {name});
    AgentPopover popover(*agent);
    popover.show();
    ASSERT_TRUE(waitFor([&] { return rows(popover).size() == 1; }));
    QWidget *row = rows(popover).first();
    auto *oldName = row->findChild<Kit::ElidingLabel *>("oldName");
    EXPECT_EQ(oldName->text(), name);
    QTest::qWait(20);
    EXPECT_TRUE(oldName->isElided());
    EXPECT_TRUE(oldName->font().strikeOut());
    for (QLabel *label : popover.findChildren<QLabel *>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
}

TEST_F(Popover, ManyProposalsScrollBelowAHeaderThatStays)
{
    auto agent = makeAgent();
    Defaults::shared().setValue(enabledKey, true);
    QStringList names;
    for (int i = 0; i < 8; ++i)
        names << QStringLiteral("f%1.txt").arg(i);
    propose(*agent, names);
    AgentPopover popover(*agent);
    popover.makeWindow();
    popover.show();
    ASSERT_TRUE(waitFor([&] { return rows(popover).size() == 8; }));
    auto *list = popover.findChild<QScrollArea *>("proposalList");
    EXPECT_LE(list->height(), AgentPopover::maxListHeight);
    EXPECT_GT(list->widget()->height(), list->viewport()->height());
    EXPECT_LE(popover.height(), AgentPopover::maxHeight);
    EXPECT_TRUE(popover.findChild<QPushButton *>("acceptAllButton")->isVisible());
}

} // namespace
