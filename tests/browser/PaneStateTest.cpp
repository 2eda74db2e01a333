#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "FSWatcher.h"
#include "Localization.h"
#include "PaneState.h"
#include "Store.h"
#include "TestSupport.h"

#include <QPointer>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace BrowserTest;

namespace {

class Pane : public testing::Test
{
protected:
    void SetUp() override { Loc::shared().setOverride(QStringLiteral("en")); }
};

TEST_F(Pane, ListsSortedAndSignalsOnceListed)
{
    const QString folder = makeTree("list", {"b.txt", "a.txt", "sub/", "file 10", "file 9"});
    PaneState pane(folder);
    QSignalSpy listed(&pane, &PaneState::listed);
    pane.go(folder, true);
    ASSERT_TRUE(waitFor([&] { return listed.count() == 1; }));
    EXPECT_EQ(names(pane.items()), (QStringList{"sub", "a.txt", "b.txt", "file 9", "file 10"}));
    EXPECT_TRUE(pane.back().isEmpty()); // the folder shown was the target
    EXPECT_EQ(pane.items().first().path, folder + "/sub");
    EXPECT_FALSE(pane.freeSpace().isEmpty());
}

TEST_F(Pane, HistoryMovesLikeABrowser)
{
    const QString a = makeTree("A", {}), b = makeTree("B", {}), c = makeTree("C", {}),
                  d = makeTree("D", {});
    PaneState pane(a);
    pane.go(b, true);
    pane.go(c, true);
    EXPECT_EQ(pane.back(), (QStringList{a, b}));

    pane.goBack();
    pane.goBack();
    EXPECT_EQ(pane.current(), a);
    EXPECT_EQ(pane.forward(), (QStringList{c, b}));
    EXPECT_TRUE(pane.back().isEmpty());

    pane.goBack(); // nothing to go back to: nothing changes, forward included
    EXPECT_EQ(pane.current(), a);
    EXPECT_EQ(pane.forward(), (QStringList{c, b}));

    pane.goForward();
    EXPECT_EQ(pane.current(), b);
    EXPECT_EQ(pane.back(), QStringList{a});
    EXPECT_EQ(pane.forward(), QStringList{c});

    pane.go(d, true); // user navigation drops the forward list
    EXPECT_TRUE(pane.forward().isEmpty());
    EXPECT_EQ(pane.back(), (QStringList{a, b}));

    pane.go(d, true); // the folder already shown: no history entry
    EXPECT_EQ(pane.back(), (QStringList{a, b}));
    settle();
}

TEST_F(Pane, GoingToTheSameFolderRelistsAndClearsTheSelection)
{
    const QString folder = makeTree("same", {"one.txt"});
    PaneState pane(folder);
    pane.go(folder, false);
    settle();
    pane.setSelection({folder + "/one.txt"});
    makeFile(folder + "/two.txt");
    pane.go(folder, true);
    settle();
    EXPECT_TRUE(pane.selection().isEmpty());
    EXPECT_EQ(names(pane.items()), (QStringList{"one.txt", "two.txt"}));
}

TEST_F(Pane, GoUpStopsAtTheRoot)
{
    PaneState pane(QStringLiteral("/"));
    pane.goUp();
    EXPECT_EQ(pane.current(), "/");
    EXPECT_TRUE(pane.back().isEmpty());

    PaneState below(QStringLiteral("/tmp"));
    below.goUp();
    EXPECT_EQ(below.current(), "/");
    EXPECT_EQ(below.back(), QStringList{"/tmp"});
    settle();
}

TEST_F(Pane, SortTogglesAndIsRememberedPerFolder)
{
    const QString folder = makeTree("sorting", {});
    PaneState pane(folder);
    pane.setItems({item("small", false, 1, QDateTime(QDate(2024, 1, 1), QTime(), Qt::UTC)),
                   item("big", false, 9, QDateTime(QDate(2024, 3, 1), QTime(), Qt::UTC))});
    pane.setSort(SortKey::Date);
    EXPECT_EQ(pane.sortKey(), SortKey::Date);
    EXPECT_FALSE(pane.sortAsc()); // newest first
    EXPECT_EQ(names(pane.items()), (QStringList{"big", "small"}));
    pane.setSort(SortKey::Date);
    EXPECT_TRUE(pane.sortAsc());
    EXPECT_EQ(names(pane.items()), (QStringList{"small", "big"}));
    pane.setSort(SortKey::Size);
    EXPECT_TRUE(pane.sortAsc());
    pane.setSort(SortKey::Size);
    EXPECT_FALSE(pane.sortAsc());
    EXPECT_EQ(names(pane.items()), (QStringList{"big", "small"}));

    const auto view = Store::shared().sortFor(folder);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->sortKey, "size");
    EXPECT_FALSE(view->asc);

    // Another pane entering the folder takes the remembered order; an unremembered folder
    // keeps the order the pane had.
    PaneState other(TestSupport::root());
    other.go(folder, true);
    EXPECT_EQ(other.sortKey(), SortKey::Size);
    EXPECT_FALSE(other.sortAsc());
    other.go(makeTree("plain", {}), true);
    EXPECT_EQ(other.sortKey(), SortKey::Size);
    settle();
}

TEST_F(Pane, ResortsAListingThatArrivesAfterTheOrderChanged)
{
    const QString folder = makeTree("late", {"a", "b", "c"});
    PaneState pane(folder);
    pane.go(folder, false);
    pane.setSort(SortKey::Name); // flips to descending while the listing runs
    settle();
    EXPECT_EQ(names(pane.items()), (QStringList{"c", "b", "a"}));
}

TEST_F(Pane, ListingOfAFolderLeftBehindChangesNothing)
{
    QStringList many;
    for (int i = 0; i < 3000; ++i)
        many << QStringLiteral("f%1").arg(i);
    const QString big = makeTree("big", many);
    const QString small = makeTree("small", {"only.txt"});
    PaneState pane(big);
    QSignalSpy listed(&pane, &PaneState::listed);
    pane.go(big, true);
    pane.go(small, true);
    settle();
    EXPECT_EQ(pane.current(), small);
    EXPECT_EQ(names(pane.items()), QStringList{"only.txt"});
    EXPECT_EQ(listed.count(), 1);
}

TEST_F(Pane, PaneDestroyedWhileListingDropsTheResult)
{
    QStringList many;
    for (int i = 0; i < 2000; ++i)
        many << QStringLiteral("f%1").arg(i);
    const QString folder = makeTree("gone", many);
    auto *pane = new PaneState(folder);
    pane->go(folder, true);
    pane->rebuild(true);
    delete pane; // listing, free space and the watch are still running
    settle();    // must neither crash nor touch the freed pane (the asan build checks)
    SUCCEED();
}

TEST_F(Pane, WatcherRelistsKeepingTheSelection)
{
    const QString folder = makeTree("watched", {"keep.txt"});
    PaneState pane(folder);
    pane.go(folder, true);
    ASSERT_TRUE(waitFor([&] { return pane.watcher() != nullptr && pane.items().size() == 1; }));
    pane.setSelection({folder + "/keep.txt"});
    makeFile(folder + "/new.txt");
    ASSERT_TRUE(waitFor([&] { return pane.items().size() == 2; }));
    EXPECT_EQ(pane.selection(), QSet<QString>{folder + "/keep.txt"});

    pane.stopWatching();
    EXPECT_EQ(pane.watcher(), nullptr);
    settle();
}

TEST_F(Pane, FilterTextAndExactTag)
{
    BrowserState browser;
    PaneState *pane = browser.activePane();
    pane->setItems({item("abcFile", false, 0, {}, {}, {"Red"}),
                    item("xABCy", false, 0, {}, {}, {"red"}),
                    item("ABC plain"),
                    item("zzz", false, 0, {}, {}, {"Red"})});
    pane->setFilterText("abc");
    EXPECT_EQ(names(pane->displayed()), (QStringList{"abcFile", "xABCy", "ABC plain"}));
    browser.setTagFilter("Red");
    EXPECT_EQ(names(pane->displayed()), QStringList{"abcFile"});
    pane->setFilterText({});
    EXPECT_EQ(names(pane->displayed()), (QStringList{"abcFile", "zzz"}));
}

TEST_F(Pane, SelectedItemsInListingOrder)
{
    PaneState pane(QStringLiteral("/tmp/x"));
    pane.setItems({item("dir", true), item("b.txt"), item("c.txt"), item("a.txt")});
    pane.setFilterText("zzz"); // hidden by the filter, still selected
    pane.setSelection({"/tmp/x/a.txt", "/tmp/x/dir", "/tmp/x/b.txt"});
    EXPECT_EQ(names(pane.selectedItems()), (QStringList{"dir", "b.txt", "a.txt"}));
    EXPECT_EQ(pane.selectedFileURLs(), (QStringList{"/tmp/x/b.txt", "/tmp/x/a.txt"}));
}

TEST_F(Pane, EqualValuesSignalNothing)
{
    PaneState pane(QStringLiteral("/tmp/x"));
    QSignalSpy selection(&pane, &PaneState::selectionChanged);
    QSignalSpy filter(&pane, &PaneState::filterTextChanged);
    QSignalSpy items(&pane, &PaneState::itemsChanged);
    pane.setSelection({});
    pane.setFilterText({});
    pane.setSelection({"/tmp/x/a"});
    pane.setSelection({"/tmp/x/a"});
    pane.setFilterText("a");
    pane.setFilterText("a");
    pane.setItems({});
    pane.setItems({});
    EXPECT_EQ(selection.count(), 1);
    EXPECT_EQ(filter.count(), 1);
    EXPECT_EQ(items.count(), 2); // items signal every assignment
}

} // namespace
