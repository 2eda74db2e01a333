// The window's sheets: a fresh window-modal dialog each time its flag turns true, the flag
// reset when the dialog finishes, and no second dialog while one is shown.
#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "PaneState.h"
#include "TestSupport.h"
#include "window/ContentView.h"
#include "window/SheetPresenter.h"

#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace BrowserTest;

namespace {

const SheetPresenter::Flag goTo{&BrowserState::showGoTo, &BrowserState::setShowGoTo,
                                &BrowserState::showGoToChanged};
const SheetPresenter::Flag connectServer{&BrowserState::showConnectServer,
                                         &BrowserState::setShowConnectServer,
                                         &BrowserState::showConnectServerChanged};

// A sheet with one field, to see that each rise starts from a fresh dialog.
class TestSheet : public QDialog
{
public:
    explicit TestSheet(QWidget *parent) : QDialog(parent), field(new QLineEdit(this))
    {
        (new QVBoxLayout(this))->addWidget(field);
    }
    QLineEdit *field;
};

struct Window
{
    BrowserState state;
    ContentView *view = nullptr;
    int made = 0;

    Window()
    {
        state.activePane()->go(makeTree(QStringLiteral("sheets"), {QStringLiteral("a.txt")}),
                               false);
        settle();
        view = new ContentView(state);
        view->resize(900, 600);
        view->show();
    }
    ~Window()
    {
        delete view;
        settle();
    }
    void add(const SheetPresenter::Flag &flag)
    {
        view->sheets().add(flag, [this](QWidget *parent) {
            ++made;
            return new TestSheet(parent);
        });
    }
    TestSheet *shown(const SheetPresenter::Flag &flag) const
    {
        return static_cast<TestSheet *>(view->sheets().shown(flag));
    }
};

} // namespace

TEST(SheetPresenter, EachRiseOpensAFreshWindowModalDialogAndFinishingResetsTheFlag)
{
    Window w;
    w.add(goTo);
    EXPECT_EQ(w.made, 0) << "nothing is made before the flag is set";
    EXPECT_EQ(w.shown(goTo), nullptr);

    w.state.setShowGoTo(true);
    QPointer<TestSheet> first = w.shown(goTo);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowModality(), Qt::WindowModal);
    EXPECT_EQ(first->parentWidget()->window(), w.view->window());
    first->field->setText(QStringLiteral("typed"));

    // Asking again while it is shown changes nothing.
    w.state.setShowGoTo(true);
    emit w.state.showGoToChanged();
    EXPECT_EQ(w.made, 1);
    EXPECT_EQ(w.shown(goTo), first);

    first->accept();
    EXPECT_FALSE(w.state.showGoTo());
    EXPECT_EQ(w.shown(goTo), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull()) << "a finished sheet is deleted";

    w.state.setShowGoTo(true);
    ASSERT_NE(w.shown(goTo), nullptr);
    EXPECT_EQ(w.made, 2);
    EXPECT_TRUE(w.shown(goTo)->field->text().isEmpty()) << "a new rise starts fresh";

    // Closing the window of the sheet (Escape, the title bar) rejects it: same reset.
    w.shown(goTo)->close();
    EXPECT_FALSE(w.state.showGoTo());
    EXPECT_EQ(w.shown(goTo), nullptr);
}

TEST(SheetPresenter, FlagsAreIndependentAndClearingAFlagClosesItsSheet)
{
    Window w;
    w.add(goTo);
    w.add(connectServer);

    w.state.setShowConnectServer(true);
    EXPECT_EQ(w.shown(goTo), nullptr);
    QPointer<TestSheet> server = w.shown(connectServer);
    ASSERT_NE(server, nullptr);

    w.state.setShowConnectServer(false);
    EXPECT_EQ(w.shown(connectServer), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(server.isNull());

    w.state.setShowConnectServer(true);
    EXPECT_NE(w.shown(connectServer), nullptr);
    EXPECT_EQ(w.made, 2);
}

TEST(SheetPresenter, AFlagSetBeforeRegistrationShowsAndANullFactoryResetsIt)
{
    Window w;
    w.state.setShowGoTo(true);
    w.add(goTo);
    EXPECT_NE(w.shown(goTo), nullptr);

    w.view->sheets().add(connectServer, [](QWidget *) { return nullptr; });
    w.state.setShowConnectServer(true);
    EXPECT_FALSE(w.state.showConnectServer()) << "nothing to show: the flag goes back";
}

TEST(SheetPresenter, ClosingTheWindowWithASheetShownIsSafe)
{
    auto *state = new BrowserState;
    auto *view = new ContentView(*state);
    view->show();
    view->sheets().add(goTo, [](QWidget *parent) { return new TestSheet(parent); });
    state->setShowGoTo(true);
    QPointer<QDialog> sheet = view->sheets().shown(goTo);
    ASSERT_NE(sheet, nullptr);
    delete view;
    EXPECT_TRUE(sheet.isNull());
    delete state;
    settle();
}
