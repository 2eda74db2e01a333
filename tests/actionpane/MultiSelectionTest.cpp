// The multi-selection content: summary, the AI batch button and what each action gets.
#include "ActionContentSupport.h"
#include "Archive.h"
#include "DisplayHelpers.h"
#include "Localization.h"
#include "WindowTestSupport.h"
#include "action/MultiSelectionView.h"

#include <QDir>
#include <QGridLayout>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ActionTest;

namespace {

class Multi : public ::testing::Test
{
protected:
    // Selects `names` of the folder and hands the view the values the pane gathers.
    void selectAndDraw(const QStringList &names)
    {
        QSet<QString> selection;
        for (const QString &name : names)
            selection << path(name);
        m_host->state.activePane()->setSelection(selection);
        m_host->view->setValues(m_host->model.selectedURLs(), m_host->model.selectedTotal(),
                                m_host->model.selectedFileURLs());
    }
    void open(const QStringList &entries)
    {
        const QString name = QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_folder = makeTree(QStringLiteral("multi-") + name, entries);
        m_host = std::make_unique<Host<MultiSelectionView>>(m_folder);
    }
    QString path(const QString &name) const { return m_folder + u'/' + name; }
    MultiSelectionView *view() const { return m_host->view; }
    ActionButton *button(const char *name) const { return view()->findChild<ActionButton *>(QString::fromLatin1(name)); }

    ScopedLanguage m_language{QStringLiteral("zh-Hans")};
    QString m_folder;
    std::unique_ptr<Host<MultiSelectionView>> m_host;
};

} // namespace

TEST_F(Multi, CountSizeAndTheAIButtonFollowTheSelection)
{
    open({"a.txt", "b.txt", "c.txt", "d/", "e/"});
    makeFile(path("a.txt"), 1536);
    makeFile(path("b.txt"), 512);
    m_host->state.softRefresh();
    settle();
    selectAndDraw({"a.txt", "b.txt"});
    EXPECT_EQ(labelText(view(), "multiCount"), L("%lld 个项目", qint64(2)));
    EXPECT_EQ(labelText(view(), "multiSize"), L("共 %@", sizeStr(2048)));
    EXPECT_EQ(labelText(view(), "multiSize"), "共 2.0 KB");
    EXPECT_EQ(labelText(view(), "multiOrganize"), L("AI 批量起名（%lld 个文件）", qint64(2)));
    EXPECT_TRUE(shown(view(), "multiOrganize"));

    selectAndDraw({"d", "e"});
    EXPECT_FALSE(shown(view(), "multiOrganize"));
    EXPECT_TRUE(shown(view(), "multiCompress"));
    EXPECT_TRUE(shown(view(), "multiTrash"));
    // The folders' sizes as listed.
    qint64 folders = 0;
    for (const FileItem &item : m_host->state.activePane()->selectedItems())
        folders += item.size;
    EXPECT_EQ(labelText(view(), "multiSize"), L("共 %@", sizeStr(folders)));

    selectAndDraw({"a.txt", "b.txt", "c.txt", "d", "e"});
    EXPECT_EQ(labelText(view(), "multiCount"), L("%lld 个项目", qint64(5)));
    EXPECT_EQ(labelText(view(), "multiOrganize"), L("AI 批量起名（%lld 个文件）", qint64(3)));
    EXPECT_TRUE(button("multiOrganize")->isEnabled());
    EXPECT_TRUE(button("multiOrganize")->isHero());
}

TEST_F(Multi, TheGridHoldsItsFourActionsInOrderAndTrashBelow)
{
    open({"a.txt", "b.txt"});
    selectAndDraw({"a.txt", "b.txt"});
    auto *grid = view()->findChild<QGridLayout *>();
    ASSERT_TRUE(grid);
    const auto at = [&](int row, int column) { return grid->itemAtPosition(row, column)->widget()->objectName(); };
    EXPECT_EQ(at(0, 0), "multiCompress");
    EXPECT_EQ(at(0, 1), "multiNewFolder");
    EXPECT_EQ(at(1, 0), "multiCopy");
    EXPECT_EQ(at(1, 1), "multiReveal");
    EXPECT_EQ(button("multiReveal")->label(), "在文件管理器中显示");
    EXPECT_EQ(button("multiCompress")->label(), "压缩为 ZIP");
    EXPECT_GT(button("multiTrash")->geometry().top(), button("multiCopy")->geometry().bottom());
    EXPECT_EQ(grid->columnStretch(0), grid->columnStretch(1));
}

TEST_F(Multi, BatchNamingAnalysesOnlyTheSelectedFiles)
{
    open({"d/", "e/"});
    for (const char *name : {"n1.txt", "n2.txt", "n3.txt"})
        writeFile(path(QString::fromLatin1(name)), "Topic Plans\n\nWe planted tomatoes and beans along the south fence.");
    m_host->state.softRefresh();
    settle();
    selectAndDraw({"n1.txt", "n2.txt", "n3.txt", "d", "e"});
    QStringList statuses;
    QObject::connect(&m_host->state, &BrowserState::statusChanged, &m_host->state,
                     [&] { statuses << m_host->state.status(); });
    button("multiOrganize")->click();
    EXPECT_FALSE(m_host->state.scanning()); // started from a task, the click returns at once
    ASSERT_TRUE(waitFor([&] { return statuses.contains(L("分析中… %lld/%lld", qint64(3), qint64(3))); }, 60000));
    ASSERT_TRUE(waitFor([&] { return !m_host->state.scanning(); }, 60000));
    EXPECT_TRUE(statuses.contains(L("分析中… %lld/%lld", qint64(1), qint64(3))));
}

TEST_F(Multi, CompressAndRevealGetEverySelectedItem)
{
    open({"a.txt", "b.txt", "c.txt", "d/", "e/"});
    selectAndDraw({"a.txt", "b.txt", "c.txt", "d", "e"});
    button("multiCompress")->click();
    ASSERT_TRUE(waitFor([&] { return m_host->state.status().startsWith(L("已压缩为 %@", QString())); }));
    const QString archive = *m_host->state.activePane()->selection().cbegin();
    QTemporaryDir out;
    ASSERT_FALSE(Archive::extract(archive, out.path()).has_value());
    QStringList entries = QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    entries.sort();
    EXPECT_EQ(entries, (QStringList{"a.txt", "b.txt", "c.txt", "d", "e"}));

    // Reveal shows the items of the drawing: with no file manager on the bus, the pane
    // shows them selected in their folder.
    selectAndDraw({"a.txt", "b.txt", "c.txt", "d", "e"});
    m_host->state.activePane()->setSelection({path("a.txt")});
    button("multiReveal")->click();
    EXPECT_TRUE(waitFor([&] { return m_host->state.activePane()->selection().size() == 5; }));
}

TEST_F(Multi, TrashAndBatchNamingUseTheSelectionOfTheMoment)
{
    open({"a.txt", "b.txt", "c.txt"});
    selectAndDraw({"a.txt", "b.txt"});
    m_host->state.activePane()->setSelection({path("c.txt")});
    button("multiTrash")->click();
    EXPECT_TRUE(waitFor([&] { return !QFileInfo::exists(path("c.txt")); }));
    EXPECT_TRUE(QFileInfo::exists(path("a.txt")));
    EXPECT_TRUE(QFileInfo::exists(path("b.txt")));

    selectAndDraw({"a.txt", "b.txt"});
    m_host->state.activePane()->setSelection({path("a.txt")});
    QStringList statuses;
    QObject::connect(&m_host->state, &BrowserState::statusChanged, &m_host->state,
                     [&] { statuses << m_host->state.status(); });
    button("multiOrganize")->click();
    ASSERT_TRUE(waitFor([&] { return !statuses.isEmpty() && !m_host->state.scanning(); }, 60000));
    EXPECT_TRUE(statuses.contains(L("分析中… %lld/%lld", qint64(1), qint64(1))));
}
