#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "CoreError.h"
#include "Localization.h"
#include "PaneState.h"
#include "Store.h"
#include "UndoLog.h"
#include "UndoRecorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>

using namespace BrowserTest;

namespace {

class State : public testing::Test
{
protected:
    void SetUp() override { Loc::shared().setOverride(QStringLiteral("en")); }
};

// The warnings logged while one is alive (from any thread).
class WarningLog
{
public:
    WarningLog() { s_previous = qInstallMessageHandler(&WarningLog::handle); }
    ~WarningLog() { qInstallMessageHandler(s_previous); }

    qsizetype count(const QString &part) const
    {
        QMutexLocker locker(&s_lock);
        return std::count_if(s_lines.cbegin(), s_lines.cend(),
                             [&](const QString &line) { return line.contains(part); });
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (type == QtWarningMsg) {
            QMutexLocker locker(&s_lock);
            s_lines.append(text);
        }
        if (s_previous)
            s_previous(type, context, text);
    }

    static inline QMutex s_lock;
    static inline QStringList s_lines;
    static inline QtMessageHandler s_previous = nullptr;
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

// A background writer whose file cannot be written (a folder has its name) says so in the
// status line and the log once, not at every later write that fails the same way; after a
// good write, the next failure is said again.
TEST_F(State, AFailingBackgroundWriteIsReportedOnceUntilAWriteSucceeds)
{
    BrowserState browser;
    const QString folder = QDir::homePath();
    struct Case
    {
        QString path;
        std::function<void()> write; // one write, waited for
        QString message;
    };
    const QString pins = Store::shared().folder() + "/pins.json";
    const QString log = UndoLog::shared().path();
    const QString reason = systemReason(EISDIR);
    const QList<Case> cases = {
        {pins,
         [&] {
             Store::shared().togglePin(folder);
             Store::shared().flush();
         },
         "Could not save the browser state to “" + pins + "”: " + reason},
        {log,
         [&] {
             browser.pushUndo("Rename", OpKind::Rename, {{folder + "/a", folder + "/b"}},
                              Reversal::MoveBack, Recording::LogOnly);
             UndoRecorder::shared().flush();
         },
         "Could not write the undo log “" + log + "”: " + reason},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        WarningLog warnings;
        const auto breakFile = [&] {
            QFile::remove(c.path);
            ASSERT_TRUE(QDir().mkpath(c.path));
        };
        breakFile();
        browser.setStatus({});
        c.write();
        EXPECT_TRUE(waitFor([&] { return browser.status() == c.message; })) << browser.status().toStdString();

        // Later writes fail the same way: nothing new is said.
        browser.setStatus("Copied 1 item");
        c.write();
        c.write();
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(browser.status(), "Copied 1 item");
        EXPECT_EQ(warnings.count(c.path), 1);

        // Writable again: the write succeeds quietly; the next failure is news again.
        ASSERT_TRUE(QDir(c.path).removeRecursively());
        c.write();
        QCoreApplication::sendPostedEvents();
        EXPECT_TRUE(QFileInfo(c.path).isFile());
        EXPECT_EQ(browser.status(), "Copied 1 item");
        breakFile();
        c.write();
        EXPECT_TRUE(waitFor([&] { return browser.status() == c.message; })) << browser.status().toStdString();
        EXPECT_EQ(warnings.count(c.path), 2);
        ASSERT_TRUE(QDir(c.path).removeRecursively());
    }
    settle();
}

} // namespace
