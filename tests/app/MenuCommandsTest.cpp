// The menus of a browser window: what they enable, what they act on, and how they leave
// a focused text field its own editing keys.
#include "BrowserState.h"
#include "Localization.h"
#include "LoopbackHttp.h"
#include "MainWindow.h"
#include "MenuCommands.h"
#include "ModelDownload.h"
#include "PaneState.h"
#include "TestSupport.h"
#include "Trash.h"
#include "window/ContentView.h"
#include "window/SheetPresenter.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Loopback::waitFor;

class Menus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        // Windows start the automatic model download: it goes nowhere.
        ModelDownload::ModelFile file;
        file.urls = {QStringLiteral("http://127.0.0.1:9/model.gguf")};
        file.sha256 = QString(64, u'0');
        file.targetPath = TestSupport::root() + QStringLiteral("/models/test.gguf");
        ModelDownload::setDefaultFile(file);
        folder = TestSupport::makeFolder(QStringLiteral("docs"));
        for (const char *name : {"a.txt", "b.txt"})
            TestSupport::writeFile(folder + u'/' + QLatin1String(name), "x");
    }

    void TearDown() override
    {
        Loc::shared().setOverride(std::nullopt);
        // Deleting a window deletes its popups, which are top-level widgets too.
        QList<QPointer<MainWindow>> windows;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *window = qobject_cast<MainWindow *>(widget))
                windows << window;
        }
        for (const QPointer<MainWindow> &window : windows)
            delete window.data();
    }

    // A shown, active window whose pane lists `folder`.
    MainWindow *openWindow()
    {
        auto *window = MainWindow::openNew();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        PaneState *pane = window->state().activePane();
        pane->go(folder, true);
        EXPECT_TRUE(waitFor([&] { return pane->items().size() == 2; }));
        return window;
    }

    static QAction *action(MainWindow *window, const char *id)
    {
        QAction *found = window->commands()->action(QString::fromLatin1(id));
        EXPECT_TRUE(found) << id;
        return found;
    }

    QString folder;
};

TEST_F(Menus, EnabledStatesAndTheUndoTitleFollowTheWindowState)
{
    MainWindow *window = openWindow();
    BrowserState &state = window->state();
    PaneState *pane = state.activePane();
    const auto enabled = [&](const char *id) { return action(window, id)->isEnabled(); };
    const QList<const char *> selectionRule{"copyPath", "duplicate", "showInfo", "compress",
                                            "open", "trash", "openSelection"};

    pane->setSelection({});
    for (const char *id : selectionRule)
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_FALSE(enabled("undo"));
    EXPECT_EQ(action(window, "undo")->text(), "撤销 ");
    EXPECT_TRUE(enabled("back")); // the window came from its start folder
    EXPECT_FALSE(enabled("forward"));
    EXPECT_TRUE(enabled("up"));
    for (const char *id : {"newFolder", "copy", "paste", "emptyTrash", "cycleLayout", "home"})
        EXPECT_TRUE(enabled(id)) << id;

    // A disabled item's shortcut does nothing: no copy is made.
    QTest::keyClick(window, Qt::Key_D, Qt::ControlModifier);
    QTest::qWait(100);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);

    pane->setSelection({folder + "/a.txt"});
    for (const char *id : selectionRule)
        EXPECT_TRUE(enabled(id)) << id;

    state.pushUndo(QStringLiteral("重命名 & 移动"), OpKind::Move, {}, Reversal::MoveBack);
    EXPECT_TRUE(enabled("undo"));
    EXPECT_EQ(action(window, "undo")->text(), "撤销 重命名 && 移动");

    pane->goBack();
    EXPECT_TRUE(enabled("forward"));
    pane->go(QStringLiteral("/"), true);
    EXPECT_FALSE(enabled("up"));
    action(window, "up")->trigger(); // disabled: not even an explicit trigger runs it
    EXPECT_EQ(pane->current(), "/");

    // The active pane is followed when it changes.
    state.setLayout(PaneLayout::Dual);
    state.setActivePane(1);
    state.activePane()->setSelection({});
    EXPECT_FALSE(enabled("duplicate"));
}

TEST_F(Menus, LayoutCyclesAndCloseCollapsesBeforeItCloses)
{
    MainWindow *window = openWindow();
    BrowserState &state = window->state();
    const QList<PaneLayout> ring{PaneLayout::Dual, PaneLayout::TriPin, PaneLayout::Quad, PaneLayout::Single};
    for (PaneLayout expected : ring) {
        action(window, "cycleLayout")->trigger();
        EXPECT_EQ(state.layout(), expected);
    }
    QTest::keyClick(window, Qt::Key_3, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(state.layout(), PaneLayout::TriPin);

    QPointer<MainWindow> alive(window);
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(state.layout(), PaneLayout::Single);
    EXPECT_TRUE(window->isVisible());
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(waitFor([&] { return alive.isNull(); }));
}

TEST_F(Menus, FocusedTextFieldKeepsItsEditingKeysAndItemsStayOnDisk)
{
    MainWindow *window = openWindow();
    BrowserState &state = window->state();
    PaneState *pane = state.activePane();
    pane->setSelection({folder + "/a.txt"});
    auto *field = new QLineEdit(window->content());
    field->show();
    field->setFocus();
    ASSERT_TRUE(waitFor([&] { return window->focusWidget() == field; }));
    QClipboard *clipboard = QGuiApplication::clipboard();

    // By the menu items.
    field->setText(QStringLiteral("hello"));
    field->selectAll();
    action(window, "copy")->trigger();
    EXPECT_EQ(clipboard->text(), "hello");
    action(window, "cut")->trigger();
    EXPECT_EQ(field->text(), "");
    action(window, "pasteMove")->trigger(); // a plain paste of the text
    EXPECT_EQ(field->text(), "hello");
    state.pushUndo(QStringLiteral("移动"), OpKind::Move, {}, Reversal::MoveBack);
    action(window, "undo")->trigger(); // the field's undo, not the window's
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(state.undoStack().size(), 1);
    EXPECT_FALSE(state.undoing());
    action(window, "trash")->trigger();

    // By the keys.
    field->setText(QStringLiteral("abc"));
    field->selectAll();
    QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "abc");
    field->setCursorPosition(0);
    QTest::keyClick(field, Qt::Key_Delete);
    EXPECT_EQ(field->text(), "bc");
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "abcbc");

    // During an inline rename the item is not trashed either, wherever the focus is.
    window->content()->setFocus();
    field->hide();
    state.setEditingRename(folder + "/a.txt");
    action(window, "trash")->trigger();

    QTest::qWait(200);
    EXPECT_TRUE(QFile::exists(folder + "/a.txt"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2); // nothing pasted into the folder
    EXPECT_TRUE(state.cutSet().isEmpty());

    // Without the field and the rename, the same item goes to the trash.
    state.setEditingRename({});
    action(window, "trash")->trigger();
    EXPECT_TRUE(waitFor([&] { return !QFile::exists(folder + "/a.txt"); }));
}

TEST_F(Menus, FlagsShowOrToggleAndEachWindowActsOnItsOwnState)
{
    MainWindow *first = openWindow();
    MainWindow *second = openWindow();
    first->state().activePane()->setSelection({folder + "/a.txt"});

    action(first, "showInfo")->trigger();
    action(first, "showInfo")->trigger(); // shows, never hides
    EXPECT_TRUE(first->state().showInspector());
    action(first, "toggleInspector")->trigger();
    EXPECT_FALSE(first->state().showInspector());

    action(second, "viewIcon")->trigger();
    action(second, "toggleHidden")->trigger();
    EXPECT_EQ(second->state().viewMode(), ViewMode::Icon);
    EXPECT_TRUE(second->state().showHidden());
    EXPECT_EQ(first->state().viewMode(), ViewMode::List);
    EXPECT_FALSE(first->state().showHidden());

    PaneState *pane = second->state().activePane();
    action(second, "sortDate")->trigger();
    EXPECT_EQ(pane->sortKey(), SortKey::Date);
    EXPECT_FALSE(pane->sortAsc()); // newest first
    action(second, "sortName")->trigger();
    action(second, "sortName")->trigger();
    EXPECT_EQ(pane->sortKey(), SortKey::Name);
    EXPECT_FALSE(pane->sortAsc());
    EXPECT_EQ(first->state().activePane()->sortKey(), SortKey::Name);
    EXPECT_TRUE(first->state().activePane()->sortAsc());

    action(second, "home")->trigger();
    EXPECT_EQ(pane->current(), QDir::homePath());
    EXPECT_EQ(first->state().activePane()->current(), folder);
}

TEST_F(Menus, EveryShortcutIsUniqueAndTheApplicationItemsAskTheApplication)
{
    MainWindow *window = openWindow();
    QHash<QString, QString> owner;
    for (QAction *item : window->commands()->actions()) {
        for (const QKeySequence &keys : item->shortcuts()) {
            const QString text = keys.toString();
            EXPECT_FALSE(owner.contains(text)) << text.toStdString() << " is on both "
                                               << owner.value(text).toStdString() << " and "
                                               << item->objectName().toStdString();
            owner.insert(text, item->objectName());
        }
    }
    const QHash<QString, QString> expected{
        {"Ctrl+N", "newWindow"}, {"Ctrl+Q", "quit"}, {"Ctrl+Alt+N", "newFolderWithSelection"},
        {"Ctrl+Shift+N", "newFolder"}, {"Del", "trash"}, {"Ctrl+H", "toggleHidden"},
        {"Alt+Left", "back"}, {"Ctrl+[", "back"}, {"Alt+Up", "up"}, {"Ctrl+Alt+V", "pasteMove"},
        {"Ctrl+L", "goToFolder"}, {"Ctrl+Shift+G", "goToFolder"},
    };
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        EXPECT_EQ(owner.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_TRUE(action(window, "emptyTrash")->shortcuts().isEmpty());
    const QStringList menus{window->menuBar()->actions()[0]->text(), window->menuBar()->actions()[1]->text(),
                            window->menuBar()->actions()[2]->text(), window->menuBar()->actions()[3]->text()};
    EXPECT_EQ(menus, (QStringList{"文件", "编辑", "显示", "前往"}));

    // The application's own items go to the application, not to a window.
    BrowserState state;
    QMainWindow bare;
    int newWindows = 0;
    int quits = 0;
    MenuCommands commands(state, &bare, {[&] { ++newWindows; }, [&] { ++quits; }});
    commands.action(QStringLiteral("newWindow"))->trigger();
    commands.action(QStringLiteral("quit"))->trigger();
    EXPECT_EQ(newWindows, 1);
    EXPECT_EQ(quits, 1);
}

TEST_F(Menus, SettingsOpensTheSettingsWithCtrlComma)
{
    BrowserState state;
    QMainWindow bare;
    int opened = 0;
    MenuCommands::AppActions app;
    app.openSettings = [&] { ++opened; };
    MenuCommands commands(state, &bare, app);
    QAction *settings = commands.action(QStringLiteral("settings"));
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->text(), "设置…");
    EXPECT_EQ(settings->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_TRUE(commands.menu(QStringLiteral("editMenu"))->actions().contains(settings));
    settings->trigger();
    EXPECT_EQ(opened, 1);
}

TEST_F(Menus, EmptyingTheTrashAsksFirstAndCancelChangesNothing)
{
    MainWindow *window = openWindow();
    ASSERT_TRUE(Trash::moveToTrash(folder + "/b.txt"));
    ASSERT_EQ(Trash::itemCount(), 1);

    const auto ask = [&] {
        action(window, "emptyTrash")->trigger();
        auto *box = window->findChild<QMessageBox *>(QStringLiteral("emptyTrashConfirm"));
        EXPECT_TRUE(box && box->isVisible());
        return box;
    };
    QMessageBox *box = ask();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Cancel));
    EXPECT_TRUE(box->text().contains(u'1') || box->informativeText().contains(u'1'));
    box->button(QMessageBox::Cancel)->click();
    QTest::qWait(100);
    EXPECT_EQ(Trash::itemCount(), 1);

    box = ask();
    ASSERT_TRUE(box);
    box->findChild<QPushButton *>(QStringLiteral("emptyTrashButton"))->click();
    EXPECT_TRUE(waitFor([&] { return Trash::itemCount() == 0; }));
    EXPECT_TRUE(waitFor([&] { return window->state().status() == "已清空废纸篓"; }));
}

TEST_F(Menus, LanguageChangeRetitlesInPlaceAndKeepsTheWindowState)
{
    MainWindow *window = openWindow();
    BrowserState *state = &window->state();
    state->setLayout(PaneLayout::Dual);
    Loc::shared().setOverride(QStringLiteral("en"));
    EXPECT_EQ(window->commands()->menu(QStringLiteral("fileMenu"))->title(), "File");
    EXPECT_EQ(action(window, "undo")->text(), "Undo ");
    EXPECT_EQ(&window->state(), state);
    EXPECT_EQ(state->layout(), PaneLayout::Dual);
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    EXPECT_EQ(action(window, "newWindow")->text(), "新建窗口");
}

} // namespace

TEST_F(Menus, GoToFolderPresentsTheWindowsGoToSheet)
{
    MainWindow *window = openWindow();
    const SheetPresenter::Flag goTo{&BrowserState::showGoTo, &BrowserState::setShowGoTo,
                                    &BrowserState::showGoToChanged};
    EXPECT_EQ(action(window, "goToFolder")->text(), "前往文件夹…");
    action(window, "goToFolder")->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->state().showGoTo());
    QDialog *sheet = window->content()->sheets().shown(goTo);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->objectName(), "goToSheet");
    sheet->reject();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->state().showGoTo());
}
