// The window's content on a real BrowserState over temporary folders: the panes area per
// layout, the panes' navigation and activation, the top bar, the status bar, the
// inspector, data shown literally and a language switch that keeps what the user did.
#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "DisplayHelpers.h"
#include "PaneState.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "kit/Icons.h"
#include "kit/Widgets.h"
#include "window/ContentView.h"
#include "window/InspectorView.h"
#include "window/PaneColumn.h"
#include "window/PaneNav.h"
#include "window/StatusBar.h"
#include "window/TopBar.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace BrowserTest;

namespace {

// A window's content at its usual size, shown offscreen.
struct Window
{
    BrowserState state;
    ContentView *view = nullptr;

    explicit Window(const QString &folder)
    {
        state.activePane()->go(folder, false);
        settle();
        view = new ContentView(state);
        view->resize(1280, 800);
        view->show();
        QCoreApplication::processEvents();
    }
    ~Window()
    {
        delete view;
        settle();
    }
    template <typename T>
    T *find(const QString &name) const
    {
        return view->findChild<T *>(name);
    }
    void layout(PaneLayout layout)
    {
        state.setLayout(layout);
        settle();
        QCoreApplication::processEvents();
    }
};

QString folder(const QString &name)
{
    return makeTree(name, {QStringLiteral("a.txt"), QStringLiteral("b.pdf"), QStringLiteral("sub/")});
}

QStringList crumbNames(QWidget *nav)
{
    QStringList names;
    for (auto *crumb : nav->findChildren<QToolButton *>(QStringLiteral("crumb")))
        names << crumb->accessibleName();
    return names;
}

QAbstractButton *clickable(QWidget *root, const QString &name)
{
    auto *button = root->findChild<QAbstractButton *>(name);
    EXPECT_NE(button, nullptr) << qPrintable(name);
    return button;
}

} // namespace

TEST(ContentView, PanesAreaFollowsTheLayoutWithItsMinimums)
{
    Window w(folder(QStringLiteral("layouts")));
    EXPECT_EQ(w.view->columns().size(), 1);
    EXPECT_EQ(qobject_cast<PaneColumn *>(w.view->panesRoot()), w.view->columns().at(0));
    PaneColumn *first = w.view->columns().at(0);

    w.layout(PaneLayout::Dual);
    ASSERT_EQ(w.view->columns().size(), 2);
    auto *dual = qobject_cast<QSplitter *>(w.view->panesRoot());
    ASSERT_NE(dual, nullptr);
    EXPECT_EQ(dual->orientation(), Qt::Horizontal);
    EXPECT_EQ(w.view->columns().at(0), first) << "the column of a staying pane is kept";
    for (PaneColumn *column : w.view->columns())
        EXPECT_EQ(column->minimumWidth(), 240);

    w.layout(PaneLayout::TriPin);
    auto *tri = qobject_cast<QSplitter *>(w.view->panesRoot());
    ASSERT_NE(tri, nullptr);
    EXPECT_EQ(tri->orientation(), Qt::Vertical);
    ASSERT_EQ(tri->count(), 2);
    EXPECT_EQ(tri->widget(0), w.view->columns().at(0));
    EXPECT_EQ(tri->widget(0)->minimumHeight(), 130);
    EXPECT_EQ(tri->widget(1)->minimumHeight(), 130);
    EXPECT_EQ(w.view->columns().at(1)->minimumWidth(), 220);
    EXPECT_EQ(w.view->columns().at(2)->minimumWidth(), 220);

    w.layout(PaneLayout::Quad);
    auto *quad = qobject_cast<QSplitter *>(w.view->panesRoot());
    ASSERT_NE(quad, nullptr);
    ASSERT_EQ(w.view->columns().size(), 4);
    for (int row = 0; row < 2; ++row) {
        auto *split = qobject_cast<QSplitter *>(quad->widget(row));
        ASSERT_NE(split, nullptr);
        EXPECT_EQ(split->count(), 2);
        EXPECT_EQ(split->minimumHeight(), 130);
    }

    // Sizes survive a change that leaves the structure alone.
    quad->setSizes({200, 400});
    const QList<int> sizes = quad->sizes();
    w.state.setActivePane(2);
    PaneColumn *third = w.view->columns().at(2);
    w.state.setViewMode(ViewMode::Icon);
    EXPECT_EQ(qobject_cast<QSplitter *>(w.view->panesRoot()), quad);
    EXPECT_EQ(quad->sizes(), sizes);

    w.layout(PaneLayout::Single);
    ASSERT_EQ(w.view->columns().size(), 1);
    PaneColumn *kept = w.view->columns().at(0);
    EXPECT_TRUE(kept == first || kept == third) << "the staying pane keeps its column";
    EXPECT_EQ(kept->pane(), w.state.panes().at(0));
    EXPECT_EQ(w.view->findChildren<PaneColumn *>().size(), 1) << "dropped panes' columns are gone";
}

TEST(ContentView, APaneListThatDoesNotMatchTheLayoutShowsWhatTheLayoutAllows)
{
    Window w(folder(QStringLiteral("mismatch")));
    EXPECT_EQ(w.find<QWidget>(QStringLiteral("contentColumn"))->minimumWidth(), 560);
    EXPECT_EQ(w.find<QWidget>(QStringLiteral("detailColumn"))->minimumWidth(), 280);

    // A layout change passes through a pane list of the new size under the old layout:
    // single with two panes, quad with three, quad with one. What the panes area shows at
    // that moment is recorded after the view has handled the change.
    struct Seen
    {
        PaneLayout layout;
        qsizetype panes;
        QWidget *root;
        QList<PaneColumn *> columns;
    };
    QList<Seen> seen;
    QObject::connect(&w.state, &BrowserState::panesChanged, w.view, [&] {
        seen << Seen{w.state.layout(), w.state.panes().size(), w.view->panesRoot(), w.view->columns()};
    });

    struct Case
    {
        PaneLayout from, to;
        PaneLayout during;
        qsizetype panes;
        bool empty;
    };
    const Case cases[] = {
        {PaneLayout::Single, PaneLayout::Dual, PaneLayout::Single, 2, false},
        {PaneLayout::Dual, PaneLayout::Quad, PaneLayout::Dual, 4, false},
        {PaneLayout::Quad, PaneLayout::TriPin, PaneLayout::Quad, 3, true},
        {PaneLayout::TriPin, PaneLayout::Quad, PaneLayout::TriPin, 4, false},
        {PaneLayout::Quad, PaneLayout::Single, PaneLayout::Quad, 1, true},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(w.state.layout(), c.from);
        seen.clear();
        w.layout(c.to);
        ASSERT_EQ(seen.size(), 1);
        const Seen &at = seen.first();
        EXPECT_EQ(at.layout, c.during);
        EXPECT_EQ(at.panes, c.panes);
        if (c.empty) {
            EXPECT_EQ(at.root, nullptr) << "too few panes: an empty panes area";
            EXPECT_TRUE(at.columns.isEmpty());
        } else {
            // Surplus panes are not shown: exactly the layout's columns, in pane order.
            ASSERT_EQ(at.columns.size(), paneCount(c.during));
            for (int i = 0; i < at.columns.size(); ++i)
                EXPECT_EQ(at.columns.at(i)->pane(), w.state.panes().at(i));
            if (c.during == PaneLayout::Single)
                EXPECT_EQ(at.root, at.columns.first());
        }
        // Once the layout follows, every pane has its column again.
        EXPECT_EQ(w.view->columns().size(), paneCount(c.to));
        EXPECT_NE(w.view->panesRoot(), nullptr);
    }
    // The rows of the content column stay while the panes area is empty.
    EXPECT_TRUE(w.find<QWidget>(QStringLiteral("topBar"))->isVisible());
    EXPECT_TRUE(w.find<QWidget>(QStringLiteral("statusBar"))->isVisible());
}

TEST(ContentView, NavigationButtonsAndCrumbsActivateTheirPaneRefreshDoesNot)
{
    const QString root = folder(QStringLiteral("nav"));
    Window w(root + QStringLiteral("/sub"));
    w.layout(PaneLayout::Dual);
    ASSERT_EQ(w.state.activeIndex(), 0);
    PaneColumn *second = w.view->columns().at(1);
    PaneState *pane = second->pane();

    // A fresh pane: no history.
    EXPECT_FALSE(clickable(second, QStringLiteral("navBack"))->isEnabled());
    EXPECT_FALSE(clickable(second, QStringLiteral("navForward"))->isEnabled());
    EXPECT_TRUE(clickable(second, QStringLiteral("navUp"))->isEnabled());

    QSignalSpy listed(pane, &PaneState::listed);
    clickable(second, QStringLiteral("navRefresh"))->click();
    settle();
    EXPECT_EQ(listed.count(), 1);
    EXPECT_EQ(w.state.activeIndex(), 0) << "refresh re-lists without activating";

    // The pane's own folder: listed again, history untouched, pane activated.
    QList<QToolButton *> crumbs = second->findChildren<QToolButton *>(QStringLiteral("crumb"));
    ASSERT_GE(crumbs.size(), 2);
    crumbs.last()->click();
    settle();
    EXPECT_EQ(w.state.activeIndex(), 1);
    EXPECT_TRUE(pane->back().isEmpty());
    EXPECT_TRUE(pane->forward().isEmpty());

    // An ancestor's crumb is a visit: back on, forward off.
    w.state.setActivePane(0);
    crumbs.at(crumbs.size() - 2)->click();
    settle();
    EXPECT_EQ(w.state.activeIndex(), 1);
    EXPECT_EQ(pane->current(), FileItem::identityPath(root));
    EXPECT_TRUE(clickable(second, QStringLiteral("navBack"))->isEnabled());
    EXPECT_FALSE(clickable(second, QStringLiteral("navForward"))->isEnabled());

    w.state.setActivePane(0);
    clickable(second, QStringLiteral("navBack"))->click();
    settle();
    EXPECT_EQ(w.state.activeIndex(), 1);
    EXPECT_TRUE(clickable(second, QStringLiteral("navForward"))->isEnabled());

    // A press on the column's own background activates it.
    w.state.setActivePane(0);
    QTest::mouseClick(second, Qt::LeftButton, {}, QPoint(second->width() - 3, second->height() / 2 - 200));
    auto *nav = second->findChild<PaneNav *>();
    QTest::mouseClick(nav, Qt::LeftButton, {}, QPoint(nav->width() - 2, 2));
    EXPECT_EQ(w.state.activeIndex(), 1);

    // Every icon-only button says what it does.
    for (auto *button : second->findChildren<QToolButton *>())
        EXPECT_FALSE(button->accessibleName().isEmpty()) << qPrintable(button->objectName());
}

TEST(ContentView, UpIsOffAtTheRootAndTheCrumbRowEndsOnTheFolder)
{
    Window w(QStringLiteral("/"));
    PaneColumn *column = w.view->columns().at(0);
    EXPECT_FALSE(clickable(column, QStringLiteral("navUp"))->isEnabled());
    EXPECT_EQ(crumbNames(column).size(), 1);
    EXPECT_TRUE(column->findChildren<QWidget *>(QStringLiteral("crumbSeparator")).isEmpty());

    // Deep folder: the row scrolls to its last crumb, and separators sit between crumbs.
    QString deep = TestSupport::root() + QStringLiteral("/deep");
    for (int i = 0; i < 30; ++i)
        deep += QStringLiteral("/level-%1").arg(i);
    QDir().mkpath(deep);
    column->pane()->go(deep, true);
    settle();
    QTest::qWait(20);
    const QStringList names = crumbNames(column);
    EXPECT_EQ(names.last(), QStringLiteral("level-29"));
    EXPECT_EQ(column->findChildren<QWidget *>(QStringLiteral("crumbSeparator")).size(), names.size() - 1);
    QScrollBar *bar = column->findChild<QScrollArea *>(QStringLiteral("crumbArea"))->horizontalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(ContentView, StripAndTintOnlyWithSeveralPanes)
{
    Window w(folder(QStringLiteral("strip")));
    PaneColumn *first = w.view->columns().at(0);
    EXPECT_FALSE(first->findChild<QWidget *>(QStringLiteral("paneStrip"))->isVisible());

    w.layout(PaneLayout::Dual);
    auto stripColour = [](PaneColumn *column) {
        return column->findChild<QWidget *>(QStringLiteral("paneStrip"))->palette().color(QPalette::Window);
    };
    PaneColumn *second = w.view->columns().at(1);
    EXPECT_TRUE(first->findChild<QWidget *>(QStringLiteral("paneStrip"))->isVisible());
    EXPECT_NE(stripColour(first).alpha(), 0);
    EXPECT_EQ(stripColour(second).alpha(), 0);
    w.state.setActivePane(1);
    EXPECT_EQ(stripColour(first).alpha(), 0);
    EXPECT_NE(stripColour(second).alpha(), 0);
    EXPECT_TRUE(second->isActive());
    EXPECT_FALSE(first->isActive());
}

TEST(TopBar, SegmentsFilterAndInspectorToggle)
{
    Window w(folder(QStringLiteral("topbar")));
    auto *modes = w.find<QWidget>(QStringLiteral("viewModeSegment"));
    EXPECT_TRUE(modes->isVisible());
    EXPECT_EQ(modes->width(), 88);

    // One setLayout per user choice; a programmatic change calls none.
    QSignalSpy layouts(&w.state, &BrowserState::layoutChanged);
    auto *layoutBox = w.find<QWidget>(QStringLiteral("layoutSegment"));
    QList<QToolButton *> layoutButtons = layoutBox->findChildren<QToolButton *>();
    ASSERT_EQ(layoutButtons.size(), 4);
    layoutButtons.at(1)->click();
    settle();
    EXPECT_EQ(layouts.count(), 1);
    EXPECT_EQ(w.state.layout(), PaneLayout::Dual);
    EXPECT_FALSE(modes->isVisible()) << "no view-mode switch with two panes";
    layoutButtons.at(1)->click();
    EXPECT_EQ(layouts.count(), 1) << "the current layout again changes nothing";
    w.layout(PaneLayout::Single);
    EXPECT_TRUE(layoutButtons.at(0)->isChecked());
    EXPECT_TRUE(modes->isVisible());
    w.layout(PaneLayout::Dual);

    // The filter writes the active pane's filter only, and follows activation.
    auto *field = w.find<QLineEdit>(QStringLiteral("filterField"));
    auto *clear = w.find<QToolButton>(QStringLiteral("filterClear"));
    EXPECT_FALSE(clear->isVisible());
    const int barHeight = w.find<QWidget>(QStringLiteral("topBar"))->sizeHint().height();
    const int capsuleWidth = w.find<QWidget>(QStringLiteral("filterCapsule"))->sizeHint().width();
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("pd"));
    EXPECT_EQ(w.find<QWidget>(QStringLiteral("topBar"))->sizeHint().height(), barHeight)
        << "the clear button does not make the bar taller";
    EXPECT_EQ(w.find<QWidget>(QStringLiteral("filterCapsule"))->sizeHint().width(), capsuleWidth)
        << "nor the field wider, which would push the bar's next buttons";
    EXPECT_EQ(w.state.panes().at(0)->filterText(), QStringLiteral("pd"));
    EXPECT_TRUE(w.state.panes().at(1)->filterText().isEmpty());
    EXPECT_TRUE(clear->isVisible());
    PaneColumn *firstColumn = w.view->columns().at(0);
    EXPECT_EQ(firstColumn->content()->model()->rowCount(), 1) << "only b.pdf";
    EXPECT_EQ(w.view->columns().at(1)->content()->model()->rowCount(), 3);

    w.state.setActivePane(1);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_FALSE(clear->isVisible());
    w.state.panes().at(1)->setFilterText(QStringLiteral("a"));
    EXPECT_EQ(field->text(), QStringLiteral("a"));
    clear->click();
    EXPECT_TRUE(w.state.panes().at(1)->filterText().isEmpty());
    EXPECT_EQ(w.state.panes().at(0)->filterText(), QStringLiteral("pd"));
    w.state.setActivePane(0);
    EXPECT_EQ(field->text(), QStringLiteral("pd"));

    // Typing in the middle keeps the cursor where it is.
    field->setCursorPosition(1);
    QTest::keyClick(field, Qt::Key_X);
    EXPECT_EQ(field->text(), QStringLiteral("pxd"));
    EXPECT_EQ(field->cursorPosition(), 2);

    auto *inspector = w.find<QToolButton>(QStringLiteral("inspectorToggle"));
    EXPECT_EQ(inspector->property(Kit::symbolProperty).toString(), QStringLiteral("info.circle"));
    EXPECT_EQ(w.find<InspectorView>(QStringLiteral("inspector")), nullptr);
    inspector->click();
    EXPECT_TRUE(w.state.showInspector());
    EXPECT_EQ(inspector->property(Kit::symbolProperty).toString(), QStringLiteral("sidebar.right"));
    InspectorView *shown = w.find<InspectorView>(QStringLiteral("inspector"));
    ASSERT_NE(shown, nullptr);
    QPointer<InspectorView> old = shown;
    inspector->click();
    inspector->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull()) << "the inspector is made anew on each toggle";
    EXPECT_NE(w.find<InspectorView>(QStringLiteral("inspector")), nullptr);

    // New folder: made in the active pane's folder and opened for renaming.
    auto *newFolder = w.find<QToolButton>(QStringLiteral("newFolder"));
    EXPECT_EQ(newFolder->property(Kit::symbolProperty).toString(), QStringLiteral("folder.badge.plus"));
    EXPECT_FALSE(newFolder->accessibleName().isEmpty());
    w.state.setActivePane(1);
    w.state.panes().at(1)->go(w.state.panes().at(1)->current() + QStringLiteral("/sub"), true);
    settle();
    newFolder->click();
    settle();
    const QString made = w.state.editingRename();
    EXPECT_EQ(QFileInfo(made).path(), w.state.panes().at(1)->current());
    EXPECT_TRUE(QFileInfo(made).isDir());
    EXPECT_EQ(w.state.renameText(), QFileInfo(made).fileName());
}

TEST(StatusBar, ShowsStatusTagSelectionAndFreeSpaceOfTheActivePane)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    const QString root = makeTree(QStringLiteral("status"), {QStringLiteral("a & b"), QStringLiteral("<b>x</b>.pdf")});
    makeFile(root + QStringLiteral("/big.bin"), 2048);
    settle();
    Window w(root);
    auto *status = w.find<Kit::ElidingLabel>(QStringLiteral("statusText"));
    auto *tag = w.find<QToolButton>(QStringLiteral("tagChip"));
    auto *selection = w.find<QLabel>(QStringLiteral("selectionText"));
    auto *free = w.find<QLabel>(QStringLiteral("freeSpace"));

    w.state.setStatus(QStringLiteral("已移动 <b>x</b>.pdf"));
    EXPECT_EQ(status->text(), QStringLiteral("已移动 <b>x</b>.pdf"));
    EXPECT_FALSE(tag->isVisible());
    EXPECT_FALSE(selection->isVisible());
    EXPECT_EQ(free->isVisible(), !w.state.activePane()->freeSpace().isEmpty());

    w.state.setTagFilter(QStringLiteral("a & b"));
    EXPECT_TRUE(tag->isVisible());
    EXPECT_EQ(tag->text(), QStringLiteral("标签:a && b"));
    EXPECT_EQ(tag->accessibleName(), QStringLiteral("标签:a & b"));
    tag->click();
    EXPECT_TRUE(w.state.tagFilter().isEmpty());
    EXPECT_FALSE(tag->isVisible());

    PaneState *pane = w.state.activePane();
    pane->setSelection({FileItem::identityPath(root + QStringLiteral("/big.bin"))});
    EXPECT_TRUE(selection->isVisible());
    EXPECT_EQ(selection->text(), QStringLiteral("选中 1 · ") + w.state.selectedSizeText());
    pane->setSelection({FileItem::identityPath(root + QStringLiteral("/a & b"))});
    EXPECT_EQ(selection->text(), QStringLiteral("选中 1"));
    EXPECT_EQ(selection->textFormat(), Qt::PlainText);

    // Another active pane: its selection, not the old one.
    w.layout(PaneLayout::Dual);
    w.state.setActivePane(1);
    EXPECT_FALSE(selection->isVisible());
    w.state.setActivePane(0);
    EXPECT_TRUE(selection->isVisible());
}

TEST(Inspector, CountsListedSelectedItemsAndFollowsTheActivePane)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    const QString root = makeTree(QStringLiteral("inspector"), {QStringLiteral("e1"), QStringLiteral("e2")});
    makeFile(root + QStringLiteral("/k.bin"), 1024);
    Window w(root);
    w.state.setShowInspector(true);
    auto *view = w.find<InspectorView>(QStringLiteral("inspector"));
    auto page = [&] {
        auto *stack = view->findChild<QWidget *>(QStringLiteral("inspectorMulti"));
        return stack->isVisible() ? QStringLiteral("multi") : QStringLiteral("empty");
    };
    auto text = [&](const char *name) { return view->findChild<QLabel *>(QLatin1String(name))->text(); };
    PaneState *pane = w.state.activePane();
    const QString e1 = FileItem::identityPath(root + QStringLiteral("/e1"));
    const QString e2 = FileItem::identityPath(root + QStringLiteral("/e2"));
    const QString k = FileItem::identityPath(root + QStringLiteral("/k.bin"));

    EXPECT_EQ(page(), QStringLiteral("empty"));
    EXPECT_EQ(text("inspectorHint"), QStringLiteral("选中项目查看信息"));

    struct Case { QSet<QString> selection; QString count; QString total; };
    const Case cases[] = {
        {{e1, e2}, QStringLiteral("2 个项目"), QStringLiteral("共 ")},      // 0 bytes: nothing after 共
        {{e1, k}, QStringLiteral("2 个项目"), QStringLiteral("共 ") + sizeStr(1024)},
        {{e1, root + QStringLiteral("/gone")}, QStringLiteral("1 个项目"), QStringLiteral("共 ")},
    };
    for (const Case &c : cases) {
        pane->setSelection(c.selection);
        EXPECT_EQ(page(), QStringLiteral("multi"));
        EXPECT_EQ(text("inspectorCount"), c.count);
        EXPECT_EQ(text("inspectorTotal"), c.total);
    }

    w.layout(PaneLayout::Dual);
    w.state.setActivePane(1);
    EXPECT_EQ(page(), QStringLiteral("empty")) << "the other pane selects nothing";
    w.state.setActivePane(0);
    EXPECT_EQ(page(), QStringLiteral("multi"));
}

TEST(ContentView, DataShowsLiterallyInCrumbsAndList)
{
    const QString root = makeTree(QStringLiteral("literal/<b>x<i>"), {QStringLiteral("a & b")});
    Window w(root);
    PaneColumn *column = w.view->columns().at(0);
    QList<QToolButton *> crumbs = column->findChildren<QToolButton *>(QStringLiteral("crumb"));
    EXPECT_EQ(crumbs.last()->text(), QStringLiteral("<b>x<i>"));
    EXPECT_EQ(crumbs.last()->toolButtonStyle(), Qt::ToolButtonTextOnly);
    column->pane()->go(root + QStringLiteral("/a & b"), true);
    settle();
    crumbs = column->findChildren<QToolButton *>(QStringLiteral("crumb"));
    EXPECT_EQ(crumbs.last()->text(), QStringLiteral("a && b")) << "no mnemonic from data";
    EXPECT_EQ(crumbs.last()->accessibleName(), QStringLiteral("a & b"));
}

TEST(ContentView, LanguageSwitchKeepsFilterCursorSizesAndActivePane)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    Window w(folder(QStringLiteral("language")));
    w.layout(PaneLayout::Dual);
    w.state.setActivePane(1);
    auto *field = w.find<QLineEdit>(QStringLiteral("filterField"));
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("abc"));
    field->setCursorPosition(1);
    auto *panes = qobject_cast<QSplitter *>(w.view->panesRoot());
    panes->setSizes({300, 500});
    const QList<int> sizes = panes->sizes();
    const QList<int> outer = w.view->splitter()->sizes();

    language.set(QStringLiteral("en"));
    QCoreApplication::processEvents();
    EXPECT_EQ(field->text(), QStringLiteral("abc"));
    EXPECT_EQ(field->cursorPosition(), 1);
    EXPECT_EQ(panes->sizes(), sizes);
    EXPECT_EQ(w.view->splitter()->sizes(), outer);
    EXPECT_EQ(w.state.activeIndex(), 1);
    EXPECT_EQ(field->placeholderText(), QStringLiteral("Filter this pane"));

    // No Chinese text is left in the English window's own texts. The free space is the
    // model's text of the last listing.
    static const QRegularExpression han(QStringLiteral("\\p{Han}"));
    for (auto *widget : w.view->findChildren<QWidget *>()) {
        if (widget->objectName() == QStringLiteral("freeSpace"))
            continue;
        EXPECT_FALSE(widget->accessibleName().contains(han)) << qPrintable(widget->accessibleName());
        EXPECT_FALSE(widget->toolTip().contains(han)) << qPrintable(widget->toolTip());
        if (auto *label = qobject_cast<QLabel *>(widget))
            EXPECT_FALSE(label->text().contains(han)) << qPrintable(label->text());
    }
    auto *table = w.view->columns().at(0)->content();
    EXPECT_EQ(table->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
}

TEST(ContentView, ClosingWhileListingsRunIsSafe)
{
    const QString root = folder(QStringLiteral("closing"));
    auto *state = new BrowserState;
    state->activePane()->go(root, false);
    auto *view = new ContentView(*state);
    view->show();
    state->setLayout(PaneLayout::Quad);
    delete view;
    settle();
    delete state;
    settle();
}
