// The sheet in a browser window over the real content index: a real SQLite database in the
// test's data folder, a folder with a text file and a PDF with a text layer, the real
// extractor, and the application's handler of located files.
#include "AppHooks.h"
#include "BrowserState.h"
#include "ContentIndex.h"
#include "Defaults.h"
#include "Fixtures.h"
#include "MainWindow.h"
#include "MenuCommands.h"
#include "PaneState.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "search/ContentSearchDialog.h"
#include "search/ContentSearchResultRow.h"
#include "search/SnippetView.h"
#include "window/ContentView.h"
#include "window/SheetPresenter.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

const SheetPresenter::Flag contentSearch{&BrowserState::showContentSearch, &BrowserState::setShowContentSearch,
                                         &BrowserState::showContentSearchChanged};

} // namespace

TEST(ContentSearchEndToEnd, AWordFromAPdfFindsItsRowAndShowLocatesIt)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    const QString folder = TestSupport::makeFolder(QStringLiteral("Documents/lease"));
    TestSupport::writeFile(folder + "/notes.txt", "Garden meeting notes: bring the ladder.\n");
    Fixtures::PdfBuilder pdf;
    Fixtures::PdfBuilder::Page page;
    page.size = {420, 300};
    page.lines = {QStringLiteral("Lease agreement between the parties"),
                  QStringLiteral("The tenant owes a quillfenrow penalty of 500 EUR"),
                  QStringLiteral("for every month the rent is late.")};
    pdf.addPage(page);
    TestSupport::writeFile(folder + "/lease.pdf", pdf.build());

    // The application's index, on for this folder.
    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{folder});
    Defaults::shared().setValue(ContentIndex::enabledKey, true);
    ContentIndex &index = ContentIndex::shared();
    index.startIfNeeded();
    ASSERT_TRUE(QTest::qWaitFor([&] { return index.lastIndexedAt() && !index.isIndexing(); }, 30000));
    ASSERT_EQ(index.indexedCount(), 2) << index.lastError().toStdString();

    // A browser window (not shown: its start-up road is not part of this), active for the
    // application, with its menu item raising the sheet.
    auto window = std::make_unique<MainWindow>();
    BrowserState &state = window->state();
    state.activePane()->go(TestSupport::root(), false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !state.activePane()->items().isEmpty(); }, 10000));
    AppHooks::shared().setActive(&state);
    QAction *item = window->commands()->action(QStringLiteral("contentSearch"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    item->trigger();
    ASSERT_TRUE(state.showContentSearch());
    auto *dialog = qobject_cast<ContentSearchDialog *>(window->content()->sheets().shown(contentSearch));
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    EXPECT_TRUE(dialog->findChild<QLabel *>("statusText")->text().startsWith("已索引 2 个文件"));

    QTest::keyClicks(dialog->findChild<QLineEdit *>("searchField"), "quillfenrow");
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return !dialog->isSearching() && dialog->findChildren<ContentSearchResultRow *>().size() == 1;
    }, 10000));
    auto *row = dialog->findChild<ContentSearchResultRow *>();
    EXPECT_EQ(row->result().name, "lease.pdf");
    EXPECT_EQ(row->findChild<QLabel *>("resultSource")->text(), ContentIndex::sourceLabel("pdf-text"));
    const QString snippet = row->findChild<SnippetView *>("resultSnippet")->text();
    EXPECT_TRUE(snippet.contains("quillfenrow")) << snippet.toStdString();

    QTest::mouseClick(row->findChild<QToolButton *>("revealButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !state.activePane()->selection().isEmpty(); }, 10000));
    EXPECT_EQ(state.activePane()->current(), folder);
    EXPECT_EQ(state.activePane()->selection(), QSet<QString>({folder + "/lease.pdf"}));
    EXPECT_TRUE(dialog->isVisible()) << "locating keeps the sheet open";

    // Escape closes the sheet and lowers the flag; raising it again shows an empty sheet.
    QTest::keyClick(dialog->findChild<QLineEdit *>("searchField"), Qt::Key_Escape);
    EXPECT_FALSE(state.showContentSearch());
    EXPECT_EQ(window->content()->sheets().shown(contentSearch), nullptr);
    state.setShowContentSearch(true);
    auto *again = qobject_cast<ContentSearchDialog *>(window->content()->sheets().shown(contentSearch));
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->findChild<QLineEdit *>("searchField")->text().isEmpty());
    EXPECT_TRUE(again->results().isEmpty());
    window.reset();
    index.stop();
}
