// The content search sheet over a test double of the index: presentation, the debounced
// and the immediate search, stale answers, the index's states, the rows and their actions.
#include "BrowserState.h"
#include "Opener.h"
#include "SearchTestSupport.h"
#include "WindowTestSupport.h"
#include "kit/Widgets.h"
#include "search/ContentSearchDialog.h"
#include "search/ContentSearchResultRow.h"
#include "search/SnippetView.h"
#include "window/TopBar.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace SearchTest;

namespace {

// An open sheet over a FakeSource.
struct Sheet
{
    ScopedLanguage language{QStringLiteral("zh-Hans")};
    FakeSource source;
    std::unique_ptr<ContentSearchDialog> dialog;

    explicit Sheet(bool enabled = true)
    {
        if (!enabled)
            source.setEnabled(false);
        dialog = std::make_unique<ContentSearchDialog>(source);
        dialog->open();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }
    ~Sheet() { dialog.reset(); }

    template<typename T>
    T *find(const QString &name) const
    {
        T *found = dialog->findChild<T *>(name);
        EXPECT_NE(found, nullptr) << qPrintable(name);
        return found;
    }
    QLineEdit *field() const { return find<QLineEdit>(QStringLiteral("searchField")); }
    // Key presses for ASCII text; other text arrives as an input method would commit it.
    void type(const QString &text)
    {
        bool ascii = true;
        for (const QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii)
            QTest::keyClicks(field(), text);
        else
            field()->insert(text);
    }
    void pressReturn() { QTest::keyClick(field(), Qt::Key_Return); }
    // The name of what the area below the divider shows.
    QString area() const
    {
        QWidget *shown = find<QStackedWidget>(QStringLiteral("searchArea"))->currentWidget();
        if (shown->objectName() != u"resultsArea")
            return shown->objectName();
        return find<QStackedWidget>(QStringLiteral("searchContent"))->currentWidget()->objectName();
    }
    bool visible(const QString &name) const { return find<QWidget>(name)->isVisibleTo(dialog.get()); }
    bool busy() const { return visible(QStringLiteral("searchBusy")); }
    QStringList rowNames() const
    {
        QStringList names;
        for (auto *row : dialog->findChildren<ContentSearchResultRow *>())
            names << row->result().name;
        return names;
    }
    bool waitForCalls(int count) const
    {
        return QTest::qWaitFor([&] { return source.calls.size() >= count; }, 5000);
    }
    // Lets the answer reach the sheet (its watcher reports on the next turn of the loop).
    void settle() const
    {
        QTest::qWait(1);
        QCoreApplication::processEvents();
    }
    // Longer than the pause before a search, to show that no further search starts.
    static void outwaitDebounce() { QTest::qWait(ContentSearchDialog::debounceMs + 150); }
};

} // namespace

TEST(ContentSearchDialog, OpensEmptyWithFocusInTheFieldAndThePrompt)
{
    Sheet sheet;
    EXPECT_EQ(sheet.dialog->size(), QSize(780, 620));
    EXPECT_TRUE(sheet.dialog->isModal());
    EXPECT_EQ(sheet.dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet.dialog->focusWidget(), sheet.field());
    EXPECT_TRUE(sheet.field()->text().isEmpty());
    EXPECT_FALSE(sheet.visible("searchClear"));
    EXPECT_EQ(sheet.area(), "promptState");
    EXPECT_TRUE(sheet.visible("statusText"));
    EXPECT_TRUE(sheet.visible("rebuildButton"));
    EXPECT_FALSE(sheet.busy());
    EXPECT_FALSE(sheet.visible("errorLine"));
    Sheet::outwaitDebounce();
    EXPECT_TRUE(sheet.source.calls.isEmpty());
}

TEST(ContentSearchDialog, SpacesOnlyShowTheClearButtonButNeverSearch)
{
    Sheet sheet;
    sheet.type("  ");
    EXPECT_TRUE(sheet.visible("searchClear")) << "the raw text decides the clear button";
    EXPECT_EQ(sheet.area(), "promptState");
    EXPECT_FALSE(sheet.busy());
    sheet.pressReturn();
    Sheet::outwaitDebounce();
    EXPECT_TRUE(sheet.source.calls.isEmpty());
    EXPECT_TRUE(sheet.dialog->isVisible()) << "Return searches, it never closes the sheet";

    // Clearing a real query empties the field and the list at once.
    sheet.type("ab");
    ASSERT_TRUE(sheet.waitForCalls(1));
    sheet.source.answer(0, {hit("/d/ab.txt", "[ab]")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet.rowNames().size() == 1; }));
    QTest::mouseClick(sheet.find<QToolButton>("searchClear"), Qt::LeftButton);
    EXPECT_TRUE(sheet.field()->text().isEmpty());
    EXPECT_TRUE(sheet.rowNames().isEmpty());
    EXPECT_TRUE(sheet.dialog->results().isEmpty());
    EXPECT_EQ(sheet.area(), "promptState");
    EXPECT_FALSE(sheet.visible("searchClear"));
}

TEST(ContentSearchDialog, TypingSearchesOnceAfterThePauseAndReturnSearchesAtOnce)
{
    // A word extended within the pause: one search, for the whole word.
    {
        Sheet sheet;
        sheet.type("ab");
        sheet.type("c");
        ASSERT_TRUE(sheet.waitForCalls(1));
        Sheet::outwaitDebounce();
        EXPECT_EQ(sheet.source.queries(), QStringList({"abc"}));
    }
    // Return right after typing searches at once, and the pause's search still follows.
    {
        Sheet sheet;
        sheet.type(" abc ");
        sheet.pressReturn();
        EXPECT_EQ(sheet.source.queries(), QStringList({"abc"})) << "trimmed, without waiting";
        ASSERT_TRUE(sheet.waitForCalls(2));
        Sheet::outwaitDebounce();
        EXPECT_EQ(sheet.source.queries(), QStringList({"abc", "abc"}));
        // Both answers arrive; the sheet shows hits and is idle only after the last.
        sheet.source.answer(0, {hit("/d/one.txt")});
        sheet.settle();
        EXPECT_EQ(sheet.rowNames(), QStringList({"one.txt"}));
        EXPECT_TRUE(sheet.busy()) << "a search of this text is still under way";
        sheet.source.answer(1, {hit("/d/two.txt")});
        ASSERT_TRUE(QTest::qWaitFor([&] { return !sheet.busy(); }));
        EXPECT_EQ(sheet.rowNames(), QStringList({"two.txt"}));
    }
    // A space at the end is a new text: searched again, with nothing compared.
    {
        Sheet sheet;
        sheet.type("abc");
        ASSERT_TRUE(sheet.waitForCalls(1));
        Sheet::outwaitDebounce();
        sheet.type(" ");
        ASSERT_TRUE(sheet.waitForCalls(2));
        EXPECT_EQ(sheet.source.queries(), QStringList({"abc", "abc"}));
    }
}

TEST(ContentSearchDialog, HitsStayWithTheBusyIndicatorUntilTheNextAnswerReplacesThem)
{
    Sheet sheet;
    sheet.type("ab");
    ASSERT_TRUE(sheet.waitForCalls(1));
    // The first search of a text: the list, empty, with the busy indicator.
    EXPECT_EQ(sheet.area(), "resultList");
    EXPECT_TRUE(sheet.busy());
    sheet.source.answer(0, {hit("/d/a.txt"), hit("/d/b.txt")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sheet.busy(); }));
    EXPECT_EQ(sheet.rowNames(), QStringList({"a.txt", "b.txt"}));

    sheet.type("c");
    EXPECT_TRUE(sheet.busy());
    ASSERT_TRUE(sheet.waitForCalls(2));
    EXPECT_EQ(sheet.rowNames(), QStringList({"a.txt", "b.txt"}));
    EXPECT_EQ(sheet.area(), "resultList");
    EXPECT_TRUE(sheet.busy());

    // Nothing found: the empty answer shows once the search has ended.
    sheet.source.answer(1, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sheet.busy(); }));
    EXPECT_TRUE(sheet.rowNames().isEmpty());
    EXPECT_EQ(sheet.area(), "emptyResultState");
}

TEST(ContentSearchDialog, OnlyTheAnswerForTheTextInTheFieldIsShown)
{
    struct Case
    {
        const char *name;
        QList<int> answerOrder; // calls: 0 = "ab", 1 = "abc"
    };
    const Case cases[] = {
        {"older answer arrives last", {1, 0}},
        {"older answer arrives first", {0, 1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Sheet sheet;
        sheet.type("ab");
        ASSERT_TRUE(sheet.waitForCalls(1));
        sheet.type("c");
        ASSERT_TRUE(sheet.waitForCalls(2));
        ASSERT_EQ(sheet.source.queries(), QStringList({"ab", "abc"}));
        const Results forAb = {hit("/d/old.txt", "[ab]")};
        const Results forAbc = {hit("/d/new.txt", "[abc]")};
        for (int call : c.answerOrder) {
            sheet.source.answer(call, call == 0 ? forAb : forAbc);
            sheet.settle();
            if (call == 0) {
                EXPECT_NE(sheet.rowNames(), QStringList({"old.txt"}));
                // Still waiting for "abc" unless it already answered.
                EXPECT_EQ(sheet.busy(), c.answerOrder.first() == 0);
            }
        }
        EXPECT_FALSE(sheet.busy());
        EXPECT_EQ(sheet.rowNames(), QStringList({"new.txt"}));
        EXPECT_EQ(sheet.dialog->results().size(), 1);
    }
}

TEST(ContentSearchDialog, StatusFollowsTheIndexState)
{
    const QDateTime last(QDate(2026, 3, 14), QTime(9, 26), Qt::UTC);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    struct Case
    {
        const char *name;
        bool indexing;
        double progress;
        std::optional<QDateTime> last;
        QString status;
        int bar; // progress bar value out of 1000, -1 when hidden
    };
    const QString done = QStringLiteral("已索引 1234 个文件 · 最近更新 ")
                         + QLocale::system().toString(last.toLocalTime(), QLocale::ShortFormat);
    const Case cases[] = {
        {"indexing 42.6 %", true, 0.426, last, "正在建立索引… 42%", 426},
        {"0.999 truncates", true, 0.999, std::nullopt, "正在建立索引… 99%", 999},
        {"complete", true, 1.0, std::nullopt, "正在建立索引… 100%", 1000},
        {"0.29 is not 28", true, 0.29, std::nullopt, "正在建立索引… 29%", 290},
        {"not a number", true, nan, std::nullopt, "正在建立索引… 0%", 0},
        {"infinite", true, infinity, std::nullopt, "正在建立索引… 0%", 0},
        {"above one", true, 1.7, std::nullopt, "正在建立索引… 100%", 1000},
        {"below zero", true, -0.2, std::nullopt, "正在建立索引… 0%", 0},
        {"never scanned", false, 0, std::nullopt, "索引准备中…", -1},
        {"scanned", false, 0, last, done, -1},
    };
    Sheet sheet;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        sheet.source.setLast(c.last, 1234);
        sheet.source.setIndexing(c.indexing, c.progress);
        EXPECT_EQ(sheet.find<QLabel>("statusText")->text(), c.status);
        auto *bar = sheet.find<QProgressBar>("indexProgress");
        EXPECT_EQ(bar->isVisibleTo(sheet.dialog.get()), c.bar >= 0);
        if (c.bar >= 0) {
            EXPECT_EQ(bar->value(), c.bar);
        }
        EXPECT_EQ(sheet.find<QToolButton>("rebuildButton")->isEnabled(), !c.indexing);
        EXPECT_EQ(sheet.area(), "promptState") << "the status row shows in every content state";
    }

    // Rebuild asks the index; the error line shows the index's text verbatim.
    sheet.source.setIndexing(false);
    QTest::mouseClick(sheet.find<QToolButton>("rebuildButton"), Qt::LeftButton);
    EXPECT_EQ(sheet.source.rebuilds, 1);
    const QString error = QStringLiteral("本地索引无法打开：<b>disk</b> & [full]");
    sheet.source.setError(error);
    EXPECT_TRUE(sheet.visible("errorLine"));
    auto *errorText = sheet.find<QLabel>("errorText");
    EXPECT_EQ(errorText->text(), error);
    EXPECT_EQ(errorText->textFormat(), Qt::PlainText);
    sheet.source.setError({});
    EXPECT_FALSE(sheet.visible("errorLine"));
}

TEST(ContentSearchDialog, AFailedSearchShowsItsErrorAndNotTheEmptyAnswer)
{
    Sheet sheet;
    sheet.type("harbour");
    ASSERT_TRUE(sheet.waitForCalls(1));
    sheet.source.fail(0, ContentIndexError(ContentIndexError::Kind::Query, "database disk image is malformed"));
    sheet.settle();
    EXPECT_FALSE(sheet.busy());
    EXPECT_NE(sheet.area(), "emptyResultState");
    EXPECT_TRUE(sheet.rowNames().isEmpty());
    ASSERT_TRUE(sheet.visible("errorLine"));
    EXPECT_EQ(sheet.find<QLabel>("errorText")->text(), "本地索引读写失败：database disk image is malformed");

    // The next answer replaces the error; the index's own error shows again.
    sheet.source.setError("本地索引无法打开：disk full");
    sheet.type("s");
    ASSERT_TRUE(sheet.waitForCalls(2));
    sheet.source.answer(1, {});
    sheet.settle();
    EXPECT_EQ(sheet.area(), "emptyResultState");
    EXPECT_EQ(sheet.find<QLabel>("errorText")->text(), "本地索引无法打开：disk full");
    sheet.source.setError({});
    EXPECT_FALSE(sheet.visible("errorLine"));
}

TEST(ContentSearchDialog, AnIndexThatIsOffShowsTheInvitationWhileSearchesStillRun)
{
    Sheet sheet(false);
    EXPECT_EQ(sheet.area(), "disabledState");
    EXPECT_FALSE(sheet.visible("openSettingsButton")) << "no button without a way to open the settings";
    sheet.type("违约金");
    ASSERT_TRUE(sheet.waitForCalls(1));
    sheet.source.answer(0, {});
    sheet.settle();
    EXPECT_EQ(sheet.area(), "disabledState");

    int opened = 0;
    sheet.dialog->setSettingsOpener([&] { ++opened; });
    ASSERT_TRUE(sheet.visible("openSettingsButton"));
    QTest::mouseClick(sheet.find<QPushButton>("openSettingsButton"), Qt::LeftButton);
    EXPECT_EQ(opened, 1);

    // Switched on while open: the results area with the text already typed.
    sheet.source.setEnabled(true);
    EXPECT_EQ(sheet.area(), "emptyResultState");
}

TEST(ContentSearchDialog, RowsShowTheHitAndLocateOrOpenWithoutClosing)
{
    Sheet sheet;
    QList<QUrl> located;
    sheet.dialog->setLocator([&](const QUrl &url) { located << url; });
    QList<QUrl> opened;
    Opener::ScopedHandler opener([&](const QUrl &url) {
        opened << url;
        return true;
    });

    sheet.type("合同");
    ASSERT_TRUE(sheet.waitForCalls(1));
    sheet.source.answer(0, {hit("/docs/合同/租赁合同.pdf", "…甲方应支付[违约金]…", "pdf-text"),
                            hit("/docs/notes/empty.txt", QString(), "text")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet.rowNames().size() == 2; }));
    const auto rows = sheet.dialog->findChildren<ContentSearchResultRow *>();
    ContentSearchResultRow *first = rows.at(0);
    ContentSearchResultRow *second = rows.at(1);

    EXPECT_EQ(first->findChild<Kit::ElidingLabel *>("resultName")->text(), "租赁合同.pdf");
    EXPECT_EQ(first->findChild<SnippetView *>("resultSnippet")->text(), "…甲方应支付[违约金]…");
    EXPECT_EQ(first->findChild<QLabel *>("resultSource")->text(), "label:pdf-text");
    EXPECT_EQ(first->findChild<Kit::ElidingLabel *>("resultFolder")->text(), "/docs/合同");
    EXPECT_EQ(first->toolTip(), "双击定位到文件");
    // An empty snippet: the folder on the second line and again on the meta line.
    EXPECT_EQ(second->findChild<SnippetView *>("resultSnippet")->text(), "/docs/notes");
    EXPECT_EQ(second->findChild<Kit::ElidingLabel *>("resultFolder")->text(), "/docs/notes");

    // "定位" and a double click anywhere on the row do the same; neither closes the sheet.
    QTest::mouseClick(first->findChild<QToolButton *>("revealButton"), Qt::LeftButton);
    QTest::mouseDClick(second->findChild<SnippetView *>("resultSnippet"), Qt::LeftButton);
    QTest::mouseDClick(second, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(located, QList<QUrl>({QUrl::fromLocalFile("/docs/合同/租赁合同.pdf"),
                                    QUrl::fromLocalFile("/docs/notes/empty.txt"),
                                    QUrl::fromLocalFile("/docs/notes/empty.txt")}));
    QTest::mouseClick(second->findChild<QToolButton *>("openButton"), Qt::LeftButton);
    EXPECT_EQ(opened, QList<QUrl>({QUrl::fromLocalFile("/docs/notes/empty.txt")}));
    EXPECT_TRUE(sheet.dialog->isVisible());
}

TEST(ContentSearchDialog, TextsFromTheIndexAreNeverMarkup)
{
    Sheet sheet;
    sheet.type("bold");
    ASSERT_TRUE(sheet.waitForCalls(1));
    const QString snippet = QStringLiteral("<b>bold</b> &amp; [x]");
    sheet.source.answer(0, {hit("/tmp/<i>dir</i>/<img src=x>.txt", snippet, "<u>src</u>")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet.rowNames().size() == 1; }));
    auto *row = sheet.dialog->findChild<ContentSearchResultRow *>();
    EXPECT_EQ(row->findChild<Kit::ElidingLabel *>("resultName")->text(), "<img src=x>.txt");
    auto *shown = row->findChild<SnippetView *>("resultSnippet");
    EXPECT_EQ(shown->shownLines().join(QString()), snippet);
    auto *source = row->findChild<QLabel *>("resultSource");
    EXPECT_EQ(source->textFormat(), Qt::PlainText);
    EXPECT_EQ(source->text(), "label:<u>src</u>");
    EXPECT_EQ(row->findChild<Kit::ElidingLabel *>("resultFolder")->text(), "/tmp/<i>dir</i>");
    for (auto *label : sheet.dialog->findChildren<QLabel *>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << qPrintable(label->objectName());
}

TEST(ContentSearchDialog, ClosingDropsLateAnswersAndTheNextShowingStartsEmpty)
{
    Sheet sheet;
    QSignalSpy finished(sheet.dialog.get(), &QDialog::finished);

    sheet.type("ab");
    ASSERT_TRUE(sheet.waitForCalls(1));
    sheet.source.answer(0, {hit("/d/a.txt")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet.rowNames().size() == 1; }));
    sheet.type("c");
    ASSERT_TRUE(sheet.waitForCalls(2));
    sheet.pressReturn();
    ASSERT_EQ(sheet.source.calls.size(), 3);

    QTest::keyClick(sheet.field(), Qt::Key_Escape);
    EXPECT_FALSE(sheet.dialog->isVisible());
    EXPECT_EQ(finished.size(), 1);

    sheet.source.answer(1, {hit("/d/late.txt")});
    sheet.source.answer(2, {hit("/d/late.txt")});
    sheet.settle();
    sheet.dialog->open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet.dialog.get()));
    EXPECT_TRUE(sheet.field()->text().isEmpty());
    EXPECT_TRUE(sheet.rowNames().isEmpty());
    EXPECT_FALSE(sheet.busy());
    EXPECT_EQ(sheet.area(), "promptState");
    EXPECT_EQ(sheet.dialog->focusWidget(), sheet.field());

    // "完成" closes it like Escape.
    QTest::mouseClick(sheet.find<QToolButton>("doneButton"), Qt::LeftButton);
    EXPECT_FALSE(sheet.dialog->isVisible());
    EXPECT_EQ(finished.size(), 2);

    // A sheet deleted while its search runs takes the answer with it.
    sheet.dialog->open();
    sheet.type("xyz");
    sheet.pressReturn();
    ASSERT_EQ(sheet.source.calls.size(), 4);
    sheet.dialog.reset();
    sheet.source.answer(3, {hit("/d/gone.txt")});
    QCoreApplication::processEvents();
}

TEST(ContentSearchDialog, AFullAnswerFillsInTurnsAndEndsWithEveryRow)
{
    Sheet sheet;
    sheet.type("report");
    sheet.pressReturn();
    Results many;
    for (int i = 0; i < 100; ++i)
        many << hit(QStringLiteral("/d/report-%1.pdf").arg(i, 3, 10, QChar(u'0')), "[report]");
    QSignalSpy filled(sheet.dialog.get(), &ContentSearchDialog::rowsFilled);
    sheet.source.answer(0, many);
    // Deliver the answer without running timers: the first rows are there, not all.
    for (int i = 0; i < 100 && sheet.rowNames().isEmpty(); ++i)
        QCoreApplication::sendPostedEvents();
    EXPECT_GT(sheet.rowNames().size(), 0);
    EXPECT_LT(sheet.rowNames().size(), 100) << "the first rows come before the rest";
    ASSERT_TRUE(filled.wait(5000));
    const QStringList names = sheet.rowNames();
    ASSERT_EQ(names.size(), 100);
    EXPECT_EQ(names.first(), "report-000.pdf");
    EXPECT_EQ(names.last(), "report-099.pdf");
    // Icons are looked up only for rows that were painted.
    const auto icons = sheet.dialog->findChildren<FileTypeIconView *>();
    EXPECT_TRUE(QTest::qWaitFor([&] { return icons.first()->isResolved(); }));
    EXPECT_FALSE(icons.last()->isResolved());
}

TEST(ContentSearchDialog, TopBarButtonRaisesTheFlagAndNamesTheShortcut)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    BrowserState state;
    TopBar bar(state);
    bar.show();
    auto *button = bar.findChild<QToolButton *>("contentSearchButton");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "搜索内容");
    EXPECT_TRUE(button->toolTip().contains("Ctrl+Shift+F"));
    QSignalSpy raised(&state, &BrowserState::showContentSearchChanged);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(state.showContentSearch());
    EXPECT_EQ(raised.size(), 1) << "raising a raised flag notifies nobody";
}
