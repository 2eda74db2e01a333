// The sheet over the real content index: a real SQLite database in the test's data
// folder, a folder with a text file and a PDF with a text layer, the real extractor.
#include "BrowserState.h"
#include "ContentIndex.h"
#include "Defaults.h"
#include "Fixtures.h"
#include "PaneState.h"
#include "TestSupport.h"
#include "search/ContentSearchDialog.h"
#include "search/ContentSearchResultRow.h"
#include "search/SnippetView.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// Sends the window's active pane to the file's folder and selects the file there, as the
// application's handler of opened files does.
void showInPane(BrowserState &state, const QUrl &url)
{
    const QString path = url.toLocalFile();
    PaneState *pane = state.activePane();
    auto *once = new QObject(pane);
    QObject::connect(pane, &PaneState::listed, once, [pane, path, once] {
        pane->setSelection({path});
        once->deleteLater();
    });
    pane->go(path.section(u'/', 0, -2), true);
}

} // namespace

TEST(ContentSearchEndToEnd, AWordFromAPdfFindsItsRowAndShowLocatesIt)
{
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

    Defaults::shared().setValue(ContentIndex::pathsKey, QVariantList{folder});
    Defaults::shared().setValue(ContentIndex::enabledKey, true);
    ContentIndex index;
    index.startIfNeeded();
    ASSERT_TRUE(QTest::qWaitFor([&] { return index.lastIndexedAt() && !index.isIndexing(); }, 30000));
    ASSERT_EQ(index.indexedCount(), 2) << index.lastError().toStdString();

    BrowserState state;
    state.activePane()->go(TestSupport::root(), false);
    ContentIndexSource source(index);
    ContentSearchDialog dialog(source);
    dialog.setLocator([&](const QUrl &url) { showInPane(state, url); });
    dialog.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_TRUE(dialog.findChild<QLabel *>("statusText")->text().startsWith("已索引 2 个文件"));

    QTest::keyClicks(dialog.findChild<QLineEdit *>("searchField"), "quillfenrow");
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return !dialog.isSearching() && dialog.findChildren<ContentSearchResultRow *>().size() == 1;
    }, 10000));
    auto *row = dialog.findChild<ContentSearchResultRow *>();
    EXPECT_EQ(row->result().name, "lease.pdf");
    EXPECT_EQ(row->findChild<QLabel *>("resultSource")->text(), ContentIndex::sourceLabel("pdf-text"));
    const QString snippet = row->findChild<SnippetView *>("resultSnippet")->text();
    EXPECT_TRUE(snippet.contains("quillfenrow")) << snippet.toStdString();

    QTest::mouseClick(row->findChild<QToolButton *>("revealButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !state.activePane()->selection().isEmpty(); }, 10000));
    EXPECT_EQ(state.activePane()->current(), folder);
    EXPECT_EQ(state.activePane()->selection(), QSet<QString>({folder + "/lease.pdf"}));
    EXPECT_TRUE(dialog.isVisible());
}
