// The watch agent over real folders: which new files it reads, the watched-folder list,
// and new files going through inotify, extraction and detection to a proposal.
#include "AgentTestSupport.h"
#include "Defaults.h"
#include "FileOps.h"
#include "Localization.h"
#include "TestSupport.h"
#include "WatchAgent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace AgentTest;

namespace {

const QString enabledKey = QStringLiteral("agentEnabled");
const QString foldersKey = QStringLiteral("watchedFolderPaths");

TEST(WatchAgentFilter, LeavesHiddenPartialCodeBuildAndDevelopmentFilesAlone)
{
    const struct
    {
        const char *path;
        bool skipped;
    } cases[] = {
        {"/in/.hidden.pdf", true},
        {"/in/movie.mp4.crdownload", true},
        {"/in/ARCHIVE.PART", true},
        {"/in/report.download", true},
        {"/in/x.tmp", true},
        {"/in/x.partial", true},
        {"/in/main.cpp", true},
        {"/in/Script.PY", true},
        {"/in/Makefile", true},
        {"/in/DOCKERFILE", true},
        {"/in/CMakeLists.txt", true},
        {"/in/node_modules/a.pdf", true},
        {"/in/proj/build/out.pdf", true},
        {"/in/Build/a.pdf", false}, // folder names are compared as they are
        {"/in/invoice.pdf", false},
        {"/in/Scan 3.PDF", false},
        {"/in/notes", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(WatchAgent::skippedByName(QString::fromUtf8(c.path)), c.skipped) << c.path;
}

TEST(WatchAgentNames, OnlyNamesThatStayInTheFolderAndVisibleAreUsable)
{
    const struct
    {
        QString name;
        bool usable;
    } cases[] = {
        {"Invoice.pdf", true},   {"发票 ¥12.pdf", true}, {"", false},
        {".", false},            {"..", false},          {"...pdf", false},
        {".hidden.pdf", false},  {"a/b.pdf", false},     {"a:b.pdf", false},
        {QStringLiteral("a") + QChar(0) + "b", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(WatchAgent::isUsableName(c.name), c.usable) << c.name.toStdString();
}

class WatchedFolders : public testing::Test
{
protected:
    void SetUp() override
    {
        Defaults::shared().remove(foldersKey);
        Defaults::shared().remove(enabledKey);
        m_downloads = QDir::homePath() + "/Downloads";
        QDir().mkpath(m_downloads);
        m_desktop = QDir::homePath() + "/Desktop"; // not made: missing folders are left out
    }

    QString m_downloads;
    QString m_desktop;
};

TEST_F(WatchedFolders, AbsentEmptyStoredAndVanished)
{
    const QString scans = TestSupport::makeFolder("Scans");
    const QString gone = TestSupport::root() + "/Gone";
    WatchAgent agent;
    EXPECT_EQ(WatchAgent::defaultFolderPaths(), (QStringList{m_downloads, m_desktop}));

    const struct
    {
        const char *what;
        std::optional<QVariant> stored;
        QStringList watched;
    } cases[] = {
        {"absent: the defaults that exist", std::nullopt, {m_downloads}},
        {"an empty list watches nothing", QVariant(QStringList{}), {}},
        {"one element", QVariant(QStringList{scans}), {scans}},
        {"a vanished folder is left out", QVariant(QStringList{gone, scans}), {scans}},
        {"not a list of texts counts as absent", QVariant(QVariantList{1, 2}), {m_downloads}},
    };
    for (const auto &c : cases) {
        if (c.stored)
            Defaults::shared().setValue(foldersKey, *c.stored);
        else
            Defaults::shared().remove(foldersKey);
        EXPECT_EQ(agent.watchedFolders(), c.watched) << c.what;
    }
}

TEST_F(WatchedFolders, AddingAndRemovingWriteTheListAndRestartAnEnabledAgent)
{
    const QString scans = TestSupport::makeFolder("Scans");
    WatchAgent agent;
    QSignalSpy changed(&agent, &WatchAgent::watchedFoldersChanged);

    // Absent: the defaults, whether they exist or not, plus the new folder.
    Defaults::shared().setValue(enabledKey, true);
    agent.addWatchedFolder(scans + "/");
    EXPECT_EQ(Defaults::shared().value(foldersKey).toStringList(),
              (QStringList{m_downloads, m_desktop, scans}));
    EXPECT_TRUE(agent.isRunning());
    EXPECT_EQ(changed.count(), 1);

    // Already listed, in its decomposed form too: nothing is written or restarted.
    const QString cafe = TestSupport::makeFolder(QStringLiteral("Caf\u00e9"));
    agent.addWatchedFolder(cafe);
    agent.stop();
    QSignalSpy written(&Defaults::shared(), &Defaults::changed);
    agent.addWatchedFolder(cafe.normalized(QString::NormalizationForm_D));
    EXPECT_EQ(written.count(), 0);
    EXPECT_FALSE(agent.isRunning());

    // An unlisted folder removed: the list stays, and an enabled agent restarts.
    agent.removeWatchedFolder(TestSupport::root() + "/Elsewhere");
    EXPECT_EQ(Defaults::shared().value(foldersKey).toStringList(),
              (QStringList{m_downloads, m_desktop, scans, cafe}));
    EXPECT_TRUE(agent.isRunning());

    // A listed one goes, whatever its normal form; a disabled agent stays stopped.
    agent.stop();
    Defaults::shared().setValue(enabledKey, false);
    agent.removeWatchedFolder(cafe.normalized(QString::NormalizationForm_D));
    EXPECT_EQ(Defaults::shared().value(foldersKey).toStringList(),
              (QStringList{m_downloads, m_desktop, scans}));
    EXPECT_FALSE(agent.isRunning());

    // Removed while the key was absent: the defaults are written, without the folder.
    Defaults::shared().remove(foldersKey);
    agent.removeWatchedFolder(TestSupport::root() + "/Elsewhere");
    EXPECT_EQ(Defaults::shared().value(foldersKey).toStringList(), (QStringList{m_downloads, m_desktop}));
    Defaults::shared().remove(foldersKey);
    agent.removeWatchedFolder(m_downloads);
    EXPECT_EQ(Defaults::shared().value(foldersKey).toStringList(), QStringList{m_desktop});
    EXPECT_GE(changed.count(), 3);
}

TEST_F(WatchedFolders, ADefaultThatIsTheHomeFolderIsNeverWatched)
{
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    TestSupport::writeFile(config + "/user-dirs.dirs",
                           "XDG_DESKTOP_DIR=\"$HOME/\"\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n");
    EXPECT_EQ(WatchAgent::defaultFolderPaths(), QStringList{m_downloads});
    QFile::remove(config + "/user-dirs.dirs");
}

// New files through the real watcher, extraction and detection.
class AgentEndToEnd : public testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        m_folder = TestSupport::makeFolder("Inbox");
        watchOnly({m_folder});
    }

    // Starts the agent and waits until its watches are in place.
    void startWatching(WatchAgent &agent)
    {
        QSignalSpy watching(&agent, &WatchAgent::watching);
        agent.start();
        ASSERT_TRUE(watching.wait(5000));
    }

    bool waitForProposalOf(const WatchAgent &agent, const QString &path)
    {
        return waitFor([&] {
            for (const WatchAgent::Item &item : agent.pending()) {
                if (item.path == path)
                    return true;
            }
            return false;
        });
    }

    QString m_folder;
    std::shared_ptr<AnalysisLog> m_log = std::make_shared<AnalysisLog>();
};

TEST_F(AgentEndToEnd, AnInvoiceIsProposedAtTheTopAndCounted)
{
    WatchAgent agent(fastOptions(m_log));
    QList<int> badges;
    agent.setHooks({{}, [&badges](int count) { badges << count; }});
    startWatching(agent);

    const QString invoice = m_folder + "/invoice-1042.txt";
    TestSupport::writeFile(invoice, invoiceText());
    ASSERT_TRUE(waitForProposalOf(agent, invoice));
    const WatchAgent::Item first = agent.pending().first();
    EXPECT_EQ(first.oldName, "invoice-1042.txt");
    EXPECT_TRUE(first.newName.contains("Acme")) << first.newName.toStdString();
    EXPECT_TRUE(first.newName.endsWith(".txt"));
    EXPECT_EQ(first.kind, "invoice");
    EXPECT_FALSE(first.recognized.isEmpty());
    EXPECT_FALSE(first.lastError.has_value());
    EXPECT_EQ(badges, QList<int>{1});

    // A folder made later is watched: a file inside it is proposed, above the first.
    QDir().mkpath(m_folder + "/Later");
    const QString nested = m_folder + "/Later/b.txt";
    TestSupport::writeFile(nested, invoiceText("Initech LLC"));
    ASSERT_TRUE(waitForProposalOf(agent, nested));
    ASSERT_EQ(agent.pending().size(), 2);
    EXPECT_EQ(agent.pending().at(0).path, nested);
    EXPECT_EQ(badges, (QList<int>{1, 2}));
    EXPECT_TRUE(QFileInfo::exists(invoice)); // proposing changes nothing on disk
}

TEST_F(AgentEndToEnd, WhatIsNoNewDocumentIsNeverRead)
{
    const QString outside = TestSupport::makeFolder("Outside");
    TestSupport::writeFile(outside + "/copied.txt", invoiceText());
    WatchAgent agent(fastOptions(m_log));
    startWatching(agent);

    const QString brief = m_folder + "/brief.txt";
    TestSupport::writeFile(brief, invoiceText()); // gone again within the settle delay
    QFile::remove(brief);
    QDir().mkpath(m_folder + "/Folder.pdf");
    const QString fifo = m_folder + "/x.txt";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0); // a reader would hang
    FileOps::copy({outside + "/copied.txt"}, m_folder); // the program's own change
    TestSupport::writeFile(m_folder + "/.hidden.txt", invoiceText());

    // Files that arrived later are read later: once this one is proposed, the others
    // would have been read already.
    const QString sentinel = m_folder + "/sentinel.txt";
    TestSupport::writeFile(sentinel, invoiceText("Initech LLC"));
    ASSERT_TRUE(waitForProposalOf(agent, sentinel));
    EXPECT_EQ(m_log->paths(), QStringList{sentinel});
    EXPECT_EQ(agent.pending().size(), 1);
}

TEST_F(AgentEndToEnd, NamesTheAgentGaveAreNotProposedBack)
{
    WatchAgent agent(fastOptions(m_log));
    startWatching(agent);
    const QString first = m_folder + "/first.txt";
    const QString second = m_folder + "/second.txt";
    TestSupport::writeFile(first, invoiceText());
    TestSupport::writeFile(second, invoiceText());
    ASSERT_TRUE(waitForProposalOf(agent, first));
    ASSERT_TRUE(waitForProposalOf(agent, second));
    const QString name = agent.pending().first().newName;
    ASSERT_EQ(agent.pending().last().newName, name); // the same document twice

    while (!agent.pending().isEmpty())
        agent.accept(agent.pending().last()); // the second one collides
    EXPECT_TRUE(QFileInfo::exists(m_folder + "/" + name));
    const QString numbered = m_folder + "/" + FileOps::numberedName(name, 2);
    EXPECT_TRUE(QFileInfo::exists(numbered));

    const QString sentinel = m_folder + "/sentinel.txt";
    TestSupport::writeFile(sentinel, invoiceText("Initech LLC"));
    ASSERT_TRUE(waitForProposalOf(agent, sentinel));
    const QStringList read = m_log->paths();
    EXPECT_FALSE(read.contains(m_folder + "/" + name));
    EXPECT_FALSE(read.contains(numbered));
    EXPECT_EQ(agent.pending().size(), 1);
}

TEST_F(AgentEndToEnd, AStoppedAgentSeesNothingNewAndKeepsItsProposals)
{
    WatchAgent agent(fastOptions(m_log));
    startWatching(agent);
    const QString invoice = m_folder + "/a.txt";
    TestSupport::writeFile(invoice, invoiceText());
    ASSERT_TRUE(waitForProposalOf(agent, invoice));
    agent.stop();
    agent.stop(); // harmless
    EXPECT_EQ(agent.pending().size(), 1);
    TestSupport::writeFile(m_folder + "/b.txt", invoiceText("Initech LLC"));

    // Started again (twice: still one watch): the next file is seen, the earlier one not.
    agent.start();
    startWatching(agent);
    const QString later = m_folder + "/c.txt";
    TestSupport::writeFile(later, invoiceText("Hooli Inc."));
    ASSERT_TRUE(waitForProposalOf(agent, later));
    EXPECT_EQ(m_log->paths(), (QStringList{invoice, later}));
}

} // namespace
