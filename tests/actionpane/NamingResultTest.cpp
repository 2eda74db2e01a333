// The naming result below the file hero: which form shows, the kept-name note, the tier
// header, and applying a proposal on a real window model.
#include "ActionContentSupport.h"
#include "Defaults.h"
#include "Localization.h"
#include "WindowTestSupport.h"
#include "action/NamingResult.h"
#include "kit/NamingTierHeader.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace ActionTest;

namespace {

Proposal proposalFor(const QString &path, const QString &newName, bool changed = true, const QString &reason = {})
{
    Proposal proposal;
    proposal.path = path;
    proposal.oldName = QFileInfo(path).fileName();
    proposal.newName = newName;
    proposal.reason = reason;
    proposal.changed = changed;
    return proposal;
}

class Result : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Defaults::shared().setValue(QStringLiteral("hasAcceptedRename"), false);
        const QString name = QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_folder = makeTree(QStringLiteral("result-") + name, {"a.txt", "b.txt", "taken.txt"});
        writeFile(path("a.txt"), "We planted tomatoes.");
        writeFile(path("taken.txt"), "someone else");
        m_host = std::make_unique<Host<NamingResult>>(m_folder);
        m_host->select(path("a.txt"));
    }

    QString path(const QString &name) const { return m_folder + u'/' + name; }
    NamingResult *view() const { return m_host->view; }
    ActionPaneModel &model() const { return m_host->model; }
    void answer(const std::optional<Proposal> &proposal, const QString &forPath, bool naming = false)
    {
        model().setNaming(naming);
        model().setProposal(proposal);
        model().setProposedURL(forPath);
        m_host->settleView();
    }

    ScopedLanguage m_language{QStringLiteral("zh-Hans")};
    QString m_folder;
    std::unique_ptr<Host<NamingResult>> m_host;
};

} // namespace

TEST_F(Result, ReadingThenTheAnswerForTheShownFileOnly)
{
    const Proposal proposal = proposalFor(path("a.txt"), "Good name.txt");
    const struct
    {
        bool naming;
        std::optional<Proposal> proposal;
        QString proposedURL;
        bool reading, card;
    } cases[] = {
        {true, proposal, path("a.txt"), true, false}, // reading wins whatever is held
        {true, std::nullopt, {}, true, false},
        {false, proposal, path("a.txt"), false, true},
        {false, proposal, path("b.txt"), false, false}, // another file's answer
        {false, proposal, {}, false, false},            // an answer without its file
        {false, std::nullopt, path("a.txt"), false, false},
    };
    for (const auto &c : cases) {
        answer(c.proposal, c.proposedURL, c.naming);
        const std::string where = std::to_string(c.naming) + " " + c.proposedURL.toStdString();
        EXPECT_EQ(shown(view(), "readingRow"), c.reading) << where;
        EXPECT_EQ(shown(view(), "proposalCard"), c.card) << where;
        EXPECT_EQ(view()->isVisibleTo(&m_host->window), c.reading || c.card) << where;
    }
}

TEST_F(Result, AKeptNameExplainsItselfWithoutAButton)
{
    const std::pair<QString, QString> cases[] = {
        {{}, "没读出可命名的内容，已保留原名"},
        {"<i>内容</i>是乱码", "<i>内容</i>是乱码"},
    };
    for (const auto &[reason, text] : cases) {
        answer(proposalFor(path("a.txt"), "a.txt", false, reason), path("a.txt"));
        EXPECT_TRUE(shown(view(), "proposalKept"));
        EXPECT_EQ(labelText(view(), "proposalKeptText"), text);
        EXPECT_EQ(view()->findChild<QLabel *>("proposalKeptText")->textFormat(), Qt::PlainText);
        EXPECT_FALSE(shown(view(), "applyProposal"));
        EXPECT_FALSE(shown(view(), "namingTierHeader"));
    }
}

TEST_F(Result, TheHeaderSaysWhichTierNamedTheFile)
{
    answer(proposalFor(path("a.txt"), "2024-03-01_Acme 发票.txt"), path("a.txt"));
    auto *header = view()->findChild<Kit::NamingTierHeader *>();
    ASSERT_TRUE(header);
    EXPECT_TRUE(shown(view(), "namingTierHeader"));
    EXPECT_FALSE(header->ready());
    EXPECT_TRUE(header->compact());
    EXPECT_TRUE(shown(view(), "tierBadge"));
    EXPECT_EQ(labelText(view(), "proposalNewName"), "2024-03-01_Acme 发票.txt");
    EXPECT_EQ(labelText(view(), "applyProposal"), "采用此命名");

    m_host->state.setOllamaUp(true);
    EXPECT_TRUE(waitFor([&] { return header->ready(); }));
    EXPECT_EQ(labelText(view(), "tierTitle"), "建议命名");
    EXPECT_FALSE(shown(view(), "tierBadge"));
    EXPECT_FALSE(shown(view(), "tierStaleHint"));
}

TEST_F(Result, ApplyingRenamesFollowsTheFileAndClearsTheAnswer)
{
    answer(proposalFor(path("a.txt"), "Tomato plans.txt"), path("a.txt"));
    m_host->view->findChild<ActionButton *>("applyProposal")->click();
    ASSERT_TRUE(waitFor([&] { return !m_host->state.undoStack().isEmpty(); })); // the rename's end
    EXPECT_TRUE(QFileInfo::exists(path("Tomato plans.txt")));
    EXPECT_FALSE(QFileInfo::exists(path("a.txt")));
    EXPECT_TRUE(Defaults::shared().boolValue(QStringLiteral("hasAcceptedRename")));
    EXPECT_FALSE(model().proposal().has_value());
    EXPECT_EQ(m_host->state.activePane()->selection(), QSet<QString>{path("Tomato plans.txt")});
    m_host->settleView();
    EXPECT_FALSE(shown(view(), "proposalCard"));
}

TEST_F(Result, ATakenNameIsRefusedInTheStatusLineAndTheCardGoes)
{
    answer(proposalFor(path("a.txt"), "taken.txt"), path("a.txt"));
    m_host->view->findChild<ActionButton *>("applyProposal")->click();
    ASSERT_TRUE(waitFor([&] { return !m_host->state.status().isEmpty(); }));
    EXPECT_EQ(m_host->state.status(), L("已存在同名文件：%@", QStringLiteral("taken.txt")));
    EXPECT_TRUE(QFileInfo::exists(path("a.txt")));
    EXPECT_EQ(TestSupport::readFile(path("taken.txt")), "someone else");
    EXPECT_EQ(TestSupport::readFile(path("a.txt")), "We planted tomatoes.");
    EXPECT_FALSE(model().proposal().has_value());
    EXPECT_EQ(model().proposedURL(), path("a.txt")); // kept, as is `naming`
    EXPECT_TRUE(Defaults::shared().boolValue(QStringLiteral("hasAcceptedRename")));
    m_host->settleView();
    EXPECT_FALSE(shown(view(), "proposalCard"));
}
