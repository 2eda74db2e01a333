// The go-to sheet in a window's content over a temporary HOME: the text goes to the window
// model exactly as typed, every way of leaving closes the sheet, and a new sheet is empty.
#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "PaneState.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "window/ContentView.h"
#include "window/SheetPresenter.h"

#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace BrowserTest;

namespace {

const SheetPresenter::Flag goToFlag{&BrowserState::showGoTo, &BrowserState::setShowGoTo,
                                    &BrowserState::showGoToChanged};

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
    // Raises the flag as the menu does and returns the sheet shown for it.
    QDialog *open()
    {
        state.setShowGoTo(true);
        QCoreApplication::processEvents();
        return view->sheets().shown(goToFlag);
    }
    QDialog *shown() const { return view->sheets().shown(goToFlag); }
};

QLineEdit *field(QDialog *sheet)
{
    return sheet->findChild<QLineEdit *>(QStringLiteral("goToPath"));
}

QPushButton *button(QDialog *sheet, const char *name)
{
    return sheet->findChild<QPushButton *>(QString::fromLatin1(name));
}

enum class Submit { Return, Click };

void submit(QDialog *sheet, Submit how)
{
    if (how == Submit::Return)
        QTest::keyClick(field(sheet), Qt::Key_Return);
    else
        QTest::mouseClick(button(sheet, "goToGo"), Qt::LeftButton);
    QCoreApplication::processEvents();
}

} // namespace

TEST(GoToSheet, TildeDownloadsOpensInTheActivePaneAndBackReturns)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    const QString downloads = QDir::homePath() + QStringLiteral("/Downloads");
    QDir().mkpath(downloads);
    const QString start = makeTree(QStringLiteral("goto-start"), {QStringLiteral("a.txt")});

    for (const Submit how : {Submit::Return, Submit::Click}) {
        SCOPED_TRACE(how == Submit::Return ? "Return" : "click");
        Window w(start);
        QDialog *sheet = w.open();
        ASSERT_NE(sheet, nullptr);
        EXPECT_TRUE(sheet->isVisible());
        EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
        EXPECT_EQ(field(sheet)->placeholderText(), "/home/… 或 ~/Downloads");
        EXPECT_EQ(field(sheet)->width(), 380);
        EXPECT_TRUE(button(sheet, "goToGo")->isDefault());

        QTest::keyClicks(field(sheet), QStringLiteral("~/Downloads"));
        submit(sheet, how);
        EXPECT_EQ(w.state.activePane()->current(), downloads);
        EXPECT_EQ(w.state.activePane()->back(), QStringList{start}) << "one recorded step";
        EXPECT_FALSE(w.state.showGoTo());
        EXPECT_EQ(w.shown(), nullptr);
        settle();

        w.state.activePane()->goBack();
        settle();
        EXPECT_EQ(w.state.activePane()->current(), start);
    }
}

TEST(GoToSheet, AWrongPathClosesTheSheetLeavesThePaneAndSaysSo)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    QDir().mkpath(QDir::homePath() + QStringLiteral("/Downloads"));
    const QString start = makeTree(QStringLiteral("goto-wrong"), {QStringLiteral("a.txt")});
    const QStringList texts = {start + QStringLiteral("/a.txt"), QString(), start + QStringLiteral("/nosuch"),
                               QStringLiteral(" ~/Downloads"), QStringLiteral("~/Downloads ")};
    for (const QString &text : texts) {
        for (const Submit how : {Submit::Return, Submit::Click}) {
            SCOPED_TRACE(qPrintable(QStringLiteral("[%1] %2").arg(text, how == Submit::Return ? "Return" : "click")));
            Window w(start);
            QDialog *sheet = w.open();
            ASSERT_NE(sheet, nullptr);
            field(sheet)->setText(text);
            submit(sheet, how);
            EXPECT_EQ(w.state.activePane()->current(), start);
            EXPECT_TRUE(w.state.activePane()->back().isEmpty());
            EXPECT_EQ(w.state.status(), "路径不存在或不是文件夹");
            EXPECT_FALSE(w.state.showGoTo());
            EXPECT_EQ(w.shown(), nullptr);
        }
    }
}

TEST(GoToSheet, CancelOnlyClosesAndTheNextSheetStartsEmpty)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    const QString start = makeTree(QStringLiteral("goto-cancel"), {QStringLiteral("a.txt"), QStringLiteral("sub/")});
    Window w(start);
    w.state.setStatus(QStringLiteral("before"));
    QDialog *sheet = w.open();
    ASSERT_NE(sheet, nullptr);
    field(sheet)->setText(start + QStringLiteral("/sub"));
    EXPECT_EQ(button(sheet, "goToCancel")->text(), "取消");
    QTest::mouseClick(button(sheet, "goToCancel"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.state.showGoTo());
    EXPECT_EQ(w.shown(), nullptr);
    EXPECT_EQ(w.state.activePane()->current(), start);
    EXPECT_EQ(w.state.status(), "before");

    settle(); // the closed sheet is deleted later
    QDialog *again = w.open();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, sheet);
    EXPECT_TRUE(field(again)->text().isEmpty());

    // Asking again while it is shown keeps the same sheet and what was typed.
    field(again)->setText(QStringLiteral("typed"));
    w.state.setShowGoTo(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.shown(), again);
    EXPECT_EQ(field(again)->text(), "typed");

    // Escape closes it like "取消".
    QTest::keyClick(field(again), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.state.showGoTo());
    EXPECT_EQ(w.state.activePane()->current(), start);
}
