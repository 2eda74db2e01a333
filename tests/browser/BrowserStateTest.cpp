#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "Localization.h"
#include "PaneState.h"

#include <QDir>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace BrowserTest;

namespace {

class State : public testing::Test
{
protected:
    void SetUp() override { Loc::shared().setOverride(QStringLiteral("en")); }
};

FileItem suggested(const QString &name, bool accept)
{
    FileItem result = item(name);
    result.suggestion = name + "-new";
    result.accept = accept;
    return result;
}

TEST_F(State, ActivePaneOfAFreshStateIsOneHomePane)
{
    BrowserState browser;
    QSignalSpy panes(&browser, &BrowserState::panesChanged);
    PaneState *first = browser.activePane();
    PaneState *second = browser.activePane();
    EXPECT_EQ(first, second);
    EXPECT_EQ(browser.panes().size(), 1);
    EXPECT_EQ(panes.count(), 1);
    EXPECT_EQ(first->current(), QDir::homePath());
    EXPECT_EQ(first->owner(), &browser);
    EXPECT_TRUE(first->items().isEmpty()); // not listed
    EXPECT_EQ(first->watcher(), nullptr);
}

TEST_F(State, AnIndexPastTheEndGivesTheLastPane)
{
    BrowserState browser;
    browser.setLayout(PaneLayout::Dual);
    browser.setActiveIndex(5);
    EXPECT_EQ(browser.activePane(), browser.panes().at(1));
    EXPECT_EQ(browser.activeIndex(), 5);
    settle();
}

TEST_F(State, DerivedValuesReadTheActivePanesItemsAndSelection)
{
    BrowserState browser;
    PaneState *pane = browser.activePane();
    FileItem big = item("big.bin", false, 1536);
    FileItem empty = item("empty.txt");
    pane->setItems({suggested("a", true), suggested("b", false), item("c"), big, empty});
    FileItem ticked = item("d");
    ticked.accept = true; // ticked without a suggestion: not counted
    pane->setItems(pane->items() + QList<FileItem>{ticked});

    EXPECT_EQ(browser.acceptCount(), 1);
    EXPECT_EQ(browser.suggestedCount(), 2);

    EXPECT_EQ(browser.previewURL(), QString());
    pane->setSelection({big.path, empty.path});
    EXPECT_EQ(browser.previewURL(), QString());
    EXPECT_EQ(browser.selectedSizeText(), "1.5 KB");
    pane->setSelection({empty.path});
    EXPECT_EQ(browser.selectedSizeText(), QString()); // zero bytes
    pane->setFilterText("zzz");                        // hides it; the preview stays
    EXPECT_EQ(browser.previewURL(), empty.path);
    pane->setSelection({});
    EXPECT_EQ(browser.selectedSizeText(), QString());
}

TEST_F(State, TagsInUseColoursFirstThenOthersAlphabetically)
{
    BrowserState browser;
    browser.activePane()->setItems({item("1", false, 0, {}, {}, {"Blue", "work"}),
                                    item("2", false, 0, {}, {}, {"Red", "Archive"}),
                                    item("3", false, 0, {}, {}, {"Blue", "red"}),
                                    item("4", false, 0, {}, {}, {"Gray"})});
    EXPECT_EQ(browser.tagsInUse(), (QStringList{"Red", "Blue", "Gray", "Archive", "red", "work"}));
}

TEST_F(State, FilterTextIsTheActivePanesOwn)
{
    BrowserState browser;
    browser.setLayout(PaneLayout::Dual);
    browser.setFilterText("one");
    EXPECT_EQ(browser.panes().at(0)->filterText(), "one");
    EXPECT_EQ(browser.panes().at(1)->filterText(), QString());
    browser.setActivePane(1);
    EXPECT_EQ(browser.filterText(), QString());
    browser.setFilterText("two");
    browser.setActivePane(0);
    EXPECT_EQ(browser.filterText(), "one");
    settle();
}

TEST_F(State, EqualValuesSignalNothing)
{
    BrowserState browser;
    QSignalSpy status(&browser, &BrowserState::statusChanged);
    QSignalSpy hidden(&browser, &BrowserState::showHiddenChanged);
    QSignalSpy size(&browser, &BrowserState::iconSizeChanged);
    QSignalSpy tag(&browser, &BrowserState::tagFilterChanged);
    browser.setStatus({});
    browser.setShowHidden(false);
    browser.setIconSize(84);
    browser.setTagFilter({});
    EXPECT_EQ(status.count() + hidden.count() + size.count() + tag.count(), 0);
    browser.setStatus("done");
    browser.setStatus("done");
    browser.setIconSize(120);
    browser.setIconSize(120);
    EXPECT_EQ(status.count(), 1);
    EXPECT_EQ(size.count(), 1);
}

TEST_F(State, DerivedSignalsFireOncePerRealChangePaneSwitchesIncluded)
{
    BrowserState browser;
    browser.setLayout(PaneLayout::Dual);
    PaneState *left = browser.panes().at(0);
    PaneState *right = browser.panes().at(1);
    left->setItems({suggested("a", true), item("b")});
    right->setItems({item("c")});

    QSignalSpy active(&browser, &BrowserState::activePaneChanged);
    QSignalSpy preview(&browser, &BrowserState::previewURLChanged);
    QSignalSpy accepts(&browser, &BrowserState::acceptCountChanged);
    QSignalSpy filter(&browser, &BrowserState::filterTextChanged);

    left->setSelection({"/tmp/x/b"});
    EXPECT_EQ(preview.count(), 1);
    right->setSelection({"/tmp/x/c"}); // the inactive pane: nothing derived changes
    EXPECT_EQ(preview.count(), 1);

    browser.setActivePane(1);
    EXPECT_EQ(active.count(), 1);
    EXPECT_EQ(preview.count(), 2); // b -> c
    EXPECT_EQ(accepts.count(), 1); // 1 -> 0
    browser.setActivePane(1);
    EXPECT_EQ(active.count(), 1);
    EXPECT_EQ(preview.count(), 2);

    left->setSelection({});
    left->setFilterText("x"); // no longer watched
    EXPECT_EQ(preview.count(), 2);
    EXPECT_EQ(filter.count(), 0);

    right->setItems(right->items()); // items signal, but no derived value changed
    EXPECT_EQ(preview.count(), 2);
    EXPECT_EQ(accepts.count(), 1);

    browser.setActivePane(0);
    EXPECT_EQ(filter.count(), 1); // "" -> "x"
    EXPECT_EQ(accepts.count(), 2);
    settle();
}

} // namespace
