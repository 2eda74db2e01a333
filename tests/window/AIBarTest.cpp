// The AI bar on a real window model over temporary folders: which controls show and are
// enabled in each state, the texts it formats, the date-prefix switch over the shared
// naming store, and following the active pane.
#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "NamingTemplate.h"
#include "PaneState.h"
#include "WindowTestSupport.h"
#include "window/AIBar.h"

#include <QCheckBox>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace BrowserTest;

namespace {

struct Bar
{
    BrowserState state;
    AIBar *bar = nullptr;

    explicit Bar(const QString &folder, PaneLayout layout = PaneLayout::Single)
    {
        state.activePane()->go(folder, false);
        state.setLayout(layout);
        settle();
        bar = new AIBar(state);
        bar->resize(1000, bar->sizeHint().height());
        bar->show();
        QCoreApplication::processEvents();
    }
    ~Bar()
    {
        delete bar;
        settle();
    }
    QPushButton *button(const char *name) const
    {
        auto *found = bar->findChild<QPushButton *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QCheckBox *datePrefix() const { return bar->findChild<QCheckBox *>(QStringLiteral("datePrefix")); }
    QProgressBar *progress() const { return bar->findChild<QProgressBar *>(QStringLiteral("scanProgress")); }
    // Lets the bar's coalesced update run.
    void apply() const { QCoreApplication::processEvents(); }
    QString path(const QString &name) { return state.activePane()->current() + u'/' + name; }
};

QString folder(const QString &name)
{
    return makeTree(name, {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.pdf"),
                           QStringLiteral("sub/"), QStringLiteral("sub2/")});
}

void useTemplate(NamingTemplate::DatePosition position)
{
    NamingTemplate value;
    value.datePosition = position;
    value.dateStyle = NamingTemplate::DateStyle::ymd;
    value.separator = NamingTemplate::Separator::hyphen;
    NamingStore::shared().setTemplate(value);
}

} // namespace

TEST(AIBar, ShowsAndEnablesEachControlAsTheWindowStateSays)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    struct Case
    {
        const char *what;
        bool scanning;
        QStringList selected;
        QStringList suggested; // files with a proposal
        QStringList accepted;  // of those, the ticked ones
        bool undo;
        // Expected:
        bool organizeSelectedShown;
        QString organizeSelectedText;
        bool clearShown;
        QString applyText;
        bool applyEnabled;
    };
    const QList<Case> cases = {
        {"idle", false, {}, {}, {}, false, false, {}, false, "应用改名(0)", false},
        {"only folders selected", false, {"sub", "sub2"}, {}, {}, false, false, {}, false, "应用改名(0)", false},
        {"one file and a folder selected", false, {"a.txt", "sub"}, {}, {}, false, true, "整理选中(1)", false,
         "应用改名(0)", false},
        {"scanning", true, {"a.txt", "b.txt"}, {}, {}, false, true, "整理选中(2)", false, "应用改名(0)", false},
        {"proposals none accepted", false, {}, {"a.txt", "b.txt"}, {}, false, false, {}, true, "应用改名(0)", false},
        {"one accepted", false, {}, {"a.txt", "b.txt"}, {"b.txt"}, true, false, {}, true, "应用改名(1)", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Bar b(folder(QStringLiteral("table-%1").arg(QString::fromLatin1(c.what).replace(u' ', u'-'))));
        QSet<QString> selection;
        for (const QString &name : c.selected)
            selection << b.path(name);
        b.state.activePane()->setSelection(selection);
        for (const QString &name : c.suggested)
            b.state.setSuggestion(b.path(name), QStringLiteral("new-") + name);
        for (const QString &name : c.accepted)
            b.state.setAccept(b.path(name), true);
        if (c.undo)
            b.state.pushUndo(QStringLiteral("重命名"), OpKind::Rename, {}, Reversal::MoveBack, Recording::None);
        b.state.setScanning(c.scanning);
        b.state.setProgress(0.25);
        b.apply();

        EXPECT_TRUE(b.bar->findChild<QWidget *>(QStringLiteral("modelStatus"))->isVisible());
        EXPECT_TRUE(b.datePrefix()->isVisible() && b.datePrefix()->isEnabled());
        EXPECT_EQ(b.button("organizeFolder")->text(), "整理本夹");
        EXPECT_EQ(b.button("organizeFolder")->isEnabled(), !c.scanning);
        EXPECT_EQ(b.button("organizeSelected")->isVisible(), c.organizeSelectedShown);
        if (c.organizeSelectedShown) {
            EXPECT_EQ(b.button("organizeSelected")->text(), c.organizeSelectedText);
            EXPECT_EQ(b.button("organizeSelected")->isEnabled(), !c.scanning);
        }
        EXPECT_TRUE(b.button("batchRename")->isVisible() && b.button("batchRename")->isEnabled())
            << "batch rename is offered even while an analysis runs";
        EXPECT_EQ(b.progress()->isVisible(), c.scanning);
        EXPECT_EQ(b.progress()->width(), 100);
        if (c.scanning) {
            EXPECT_EQ(b.progress()->value(), b.progress()->maximum() / 4);
        }
        EXPECT_EQ(b.button("clearSuggestions")->isVisible(), c.clearShown);
        EXPECT_EQ(b.button("undoStep")->isVisible(), c.undo);
        EXPECT_TRUE(b.button("applyRenames")->isVisible());
        EXPECT_EQ(b.button("applyRenames")->text(), c.applyText);
        EXPECT_EQ(b.button("applyRenames")->isEnabled(), c.applyEnabled);

        // The end of a scan takes the progress bar away at once and enables organising.
        b.state.setScanning(false);
        b.apply();
        EXPECT_FALSE(b.progress()->isVisible());
        EXPECT_TRUE(b.button("organizeFolder")->isEnabled());
    }
}

TEST(AIBar, AppliesAcceptedRenamesAsOneStepThatItsUndoButtonReverts)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    Bar b(folder(QStringLiteral("apply")));
    b.state.setSuggestion(b.path(QStringLiteral("a.txt")), QStringLiteral("alpha.txt"));
    b.state.setSuggestion(b.path(QStringLiteral("b.txt")), QStringLiteral("beta.txt"));
    b.state.setAccept(b.path(QStringLiteral("a.txt")), true);
    b.state.setAccept(b.path(QStringLiteral("b.txt")), true);
    b.apply();
    ASSERT_EQ(b.button("applyRenames")->text(), "应用改名(2)");

    QTest::mouseClick(b.button("applyRenames"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !b.state.applying() && b.state.undoStack().size() == 1; }));
    settle();
    b.apply();
    EXPECT_TRUE(QFile::exists(b.path(QStringLiteral("alpha.txt"))));
    EXPECT_TRUE(QFile::exists(b.path(QStringLiteral("beta.txt"))));
    QPushButton *undo = b.button("undoStep");
    ASSERT_TRUE(undo->isVisible());
    EXPECT_EQ(undo->text(), QStringLiteral("撤销") + b.state.undoName()) << "no space between verb and name";

    QTest::mouseClick(undo, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] {
        return QFile::exists(b.path(QStringLiteral("a.txt"))) && QFile::exists(b.path(QStringLiteral("b.txt")));
    }));
    settle();
    b.apply();
    EXPECT_FALSE(QFile::exists(b.path(QStringLiteral("alpha.txt"))));
    EXPECT_FALSE(b.button("undoStep")->isVisible()) << "no step left";

    // A step named from data shows its "&" rather than taking it for a mnemonic.
    b.state.pushUndo(QStringLiteral("移动 R&D"), OpKind::Move, {}, Reversal::MoveBack, Recording::None);
    b.apply();
    EXPECT_EQ(b.button("undoStep")->text(), "撤销移动 R&&D");

    // Clearing the proposals hides its own button.
    b.state.setSuggestion(b.path(QStringLiteral("a.txt")), QStringLiteral("x.txt"));
    b.apply();
    ASSERT_TRUE(b.button("clearSuggestions")->isVisible());
    QTest::mouseClick(b.button("clearSuggestions"), Qt::LeftButton);
    b.apply();
    EXPECT_EQ(b.state.suggestedCount(), 0);
    EXPECT_FALSE(b.button("clearSuggestions")->isVisible());

    QTest::mouseClick(b.button("batchRename"), Qt::LeftButton);
    EXPECT_TRUE(b.state.showBatchRename());
}

TEST(AIBar, TheSelectedCountFollowsTheActivePane)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    Bar b(folder(QStringLiteral("panes")), PaneLayout::Dual);
    ASSERT_EQ(b.state.panes().size(), 2);
    PaneState *first = b.state.panes().at(0);
    PaneState *second = b.state.panes().at(1);
    second->go(first->current(), false);
    settle();
    first->setSelection({first->current() + QStringLiteral("/a.txt"), first->current() + QStringLiteral("/b.txt")});
    second->setSelection({second->current() + QStringLiteral("/c.pdf")});

    b.state.setActivePane(0);
    b.apply();
    EXPECT_EQ(b.button("organizeSelected")->text(), "整理选中(2)");
    b.state.setActivePane(1);
    b.apply();
    EXPECT_EQ(b.button("organizeSelected")->text(), "整理选中(1)");
    // The pane left behind no longer drives the bar; the active one does.
    first->setSelection({});
    second->setSelection({second->current() + QStringLiteral("/a.txt"), second->current() + QStringLiteral("/b.txt"),
                          second->current() + QStringLiteral("/c.pdf")});
    b.apply();
    EXPECT_EQ(b.button("organizeSelected")->text(), "整理选中(3)");
    second->setSelection({});
    b.apply();
    EXPECT_FALSE(b.button("organizeSelected")->isVisible());
}

TEST(AIBar, TheDateSwitchRestoresTheRememberedPositionInEveryWindowAndAfterARestart)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    useTemplate(NamingTemplate::DatePosition::suffix);
    Bar one(folder(QStringLiteral("date-one")));
    Bar two(folder(QStringLiteral("date-two")));
    ASSERT_TRUE(one.datePrefix()->isChecked());
    EXPECT_EQ(one.datePrefix()->text(), "日期前缀");

    QTest::mouseClick(one.datePrefix(), Qt::LeftButton);
    NamingTemplate off = NamingStore::shared().currentTemplate();
    EXPECT_EQ(off.datePosition, NamingTemplate::DatePosition::none);
    EXPECT_EQ(off.dateStyle, NamingTemplate::DateStyle::ymd);
    EXPECT_EQ(off.separator, NamingTemplate::Separator::hyphen);
    EXPECT_FALSE(one.datePrefix()->isChecked());
    EXPECT_FALSE(two.datePrefix()->isChecked()) << "the other window follows";
    EXPECT_EQ(NamingStore().currentTemplate(), off) << "stored for the next run";

    QTest::mouseClick(two.datePrefix(), Qt::LeftButton);
    const NamingTemplate on = NamingStore::shared().currentTemplate();
    EXPECT_EQ(on.datePosition, NamingTemplate::DatePosition::suffix) << "on restores the suffix, not the prefix";
    EXPECT_EQ(on.separator, NamingTemplate::Separator::hyphen);
    EXPECT_TRUE(one.datePrefix()->isChecked());
    EXPECT_EQ(NamingStore().currentTemplate().datePosition, NamingTemplate::DatePosition::suffix);

    // A change made elsewhere (the settings page) shows too.
    useTemplate(NamingTemplate::DatePosition::none);
    EXPECT_FALSE(one.datePrefix()->isChecked());
    useTemplate(NamingTemplate::DatePosition::prefix);
    EXPECT_TRUE(two.datePrefix()->isChecked());
}

TEST(AIBar, SpeaksEnglishAfterALanguageSwitch)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    Bar b(folder(QStringLiteral("english")));
    b.state.activePane()->setSelection({b.path(QStringLiteral("a.txt"))});
    b.apply();
    language.set(QStringLiteral("en"));
    b.apply();
    EXPECT_EQ(b.button("organizeFolder")->text(), "Organise Folder");
    EXPECT_EQ(b.button("organizeSelected")->text(), "Organise Selected (1)");
    EXPECT_EQ(b.button("applyRenames")->text(), "Apply Renames (0)");
    EXPECT_EQ(b.datePrefix()->text(), "Date Prefix");
}

TEST(AIBar, ANarrowBarMovesTheTrailingCommandsToASecondRowRatherThanCutThem)
{
    ScopedLanguage en(QStringLiteral("en"));
    Bar b(folder(QStringLiteral("narrow")));
    b.state.activePane()->setSelection({b.path(QStringLiteral("a.txt")), b.path(QStringLiteral("b.txt"))});
    b.state.setSuggestion(b.path(QStringLiteral("a.txt")), QStringLiteral("alpha.txt"));
    b.state.setAccept(b.path(QStringLiteral("a.txt")), true);
    b.state.pushUndo(QStringLiteral("AI rename"), OpKind::Rename, {}, Reversal::MoveBack, Recording::None);
    b.state.setScanning(true);
    b.apply();

    const auto uncut = [&] {
        for (const char *name : {"organizeFolder", "organizeSelected", "batchRename", "clearSuggestions",
                                 "undoStep", "applyRenames"}) {
            QPushButton *button = b.button(name);
            EXPECT_GE(button->width(), button->sizeHint().width()) << name << " is cut at " << b.bar->width();
            EXPECT_GE(button->mapTo(b.bar, QPoint(button->width(), 0)).x(), 0);
            EXPECT_LE(button->mapTo(b.bar, QPoint(button->width(), 0)).x(), b.bar->width()) << name;
        }
    };
    b.bar->resize(1400, b.bar->height());
    b.apply();
    EXPECT_LT(std::abs(b.button("applyRenames")->mapTo(b.bar, QPoint()).y() - b.button("batchRename")->mapTo(b.bar, QPoint()).y()), 4)
        << "one row when there is room";
    EXPECT_EQ(b.button("organizeFolder")->text(), "Organise Folder");
    uncut();

    b.bar->resize(700, b.bar->height());
    b.apply();
    b.bar->resize(700, b.bar->sizeHint().height());
    b.apply();
    EXPECT_GE(b.button("applyRenames")->mapTo(b.bar, QPoint()).y(),
              b.button("batchRename")->mapTo(b.bar, QPoint(0, b.button("batchRename")->height())).y())
        << "the trailing commands go below";
    EXPECT_TRUE(b.button("organizeFolder")->text().isEmpty()) << "the wand alone";
    EXPECT_EQ(b.button("organizeFolder")->toolTip(), "Organise Folder");
    EXPECT_EQ(b.button("organizeFolder")->accessibleName(), "Organise Folder");
    uncut();
}
