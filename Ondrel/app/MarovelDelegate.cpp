#include "MarovelDelegate.h"

#include "AppHooks.h"
#include "BrowserState.h"
#include "ContentIndex.h"
#include "MainWindow.h"
#include "kit/Icons.h"

void MarovelDelegate::prepare()
{
    Kit::ensureIconTheme();
}

void MarovelDelegate::didFinishLaunching() {}

void MarovelDelegate::open(const QStringList &paths, Origin origin)
{
    AppHooks &hooks = AppHooks::shared();
    if (origin == Origin::forwarded && hooks.active()) {
        if (!paths.isEmpty()) {
            hooks.openExternal(paths);
            return;
        }
        if (MainWindow *window = MainWindow::of(hooks.active())) {
            window->raise();
            window->activateWindow();
            return;
        }
    }
    // No window to show them in yet: they wait, and the new window's start-up reveals them.
    if (!paths.isEmpty())
        hooks.openExternal(paths);
    MainWindow::openNew();
}

void MarovelDelegate::didBecomeActive()
{
    if (BrowserState *state = AppHooks::shared().active())
        state->checkFDA();
}

bool MarovelDelegate::keepsRunningWithoutWindows() const
{
    return false;
}

void MarovelDelegate::stopWork()
{
    ContentIndex::shared().stop();
}

void MarovelDelegate::willTerminate() {}
