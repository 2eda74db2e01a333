#include "MarovelDelegate.h"

#include "AppHooks.h"
#include "BrowserState.h"
#include "ContentIndex.h"
#include "Defaults.h"
#include "FileManagerService.h"
#include "Integration.h"
#include "MainWindow.h"
#include "OndrelApp.h"
#include "SettingsLauncher.h"
#include "WatchAgent.h"
#include "agent/AgentTray.h"
#include "kit/Icons.h"
#include "onboarding/OnboardingRender.h"

#include <QApplication>

void MarovelDelegate::prepare()
{
    // Render mode draws the onboarding pictures and ends the process here: a running
    // Marovel never hears of it and keeps its crash marker.
    OnboardingRenderer::runIfRequested();
    Kit::ensureIconTheme();
}

void MarovelDelegate::didFinishLaunching()
{
    Integration::reassertIfWanted();
    serveFileManagerRequests();

    AppHooks &hooks = AppHooks::shared();
    WatchAgent &agent = WatchAgent::shared();
    agent.setHooks({[] { return AppHooks::shared().active(); },
                     [](int count) {
                         if (AppHooks::shared().badgeUpdater)
                             AppHooks::shared().badgeUpdater(count);
                     }});
    // Renames accepted while no window was open become undoable in the next one.
    QObject::connect(&hooks, &AppHooks::activeChanged, &agent, [&agent] {
        if (BrowserState *state = AppHooks::shared().active())
            agent.windowBecameActive(*state);
    });
    if (Defaults::shared().boolValue(QStringLiteral("agentEnabled"), false))
        agent.start();

    m_tray = new AgentTray(agent, hooks.badgeUpdater, &SystemTrayIcon::create, qApp);
    QObject::connect(m_tray, &AgentTray::newWindowRequested, m_tray, [] { MainWindow::openNew(); });
    QObject::connect(m_tray, &AgentTray::settingsRequested, m_tray, [] { SettingsLauncher::open(); });
    QObject::connect(m_tray, &AgentTray::quitRequested, m_tray, [] {
        if (OndrelApp *app = OndrelApp::instance())
            app->quit();
    });
    hooks.menuBarVisibilityUpdater = [tray = m_tray](bool visible) {
        if (!tray)
            return;
        if (visible)
            tray->setup();
        else
            tray->remove();
    };
    if (AppHooks::menuBarAgentVisible())
        m_tray->setup();
    if (m_tray->trayMissing()) {
        hooks.agentPopoverAtWindow = [tray = m_tray](QWidget *window) {
            if (tray)
                tray->togglePopoverAt(window);
        };
    }
}

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

void MarovelDelegate::serveFileManagerRequests()
{
    const auto showIn = [](auto show) {
        return [show](const QStringList &paths) {
            AppHooks &hooks = AppHooks::shared();
            const bool hadWindow = hooks.active() != nullptr;
            (hooks.*show)(paths);
            if (!hadWindow)
                MainWindow::openNew(); // its start-up runs the waiting request
        };
    };
    m_fileManager = new FileManagerService({showIn(&AppHooks::reveal), showIn(&AppHooks::openExternal)},
                                           QDBusConnection::sessionBus(), qApp);
    const auto follow = [service = m_fileManager] {
        if (service)
            service->setWanted(Defaults::shared().boolValue(QLatin1String(Integration::wantedKey), false));
    };
    QObject::connect(&Defaults::shared(), &Defaults::changed, m_fileManager, [follow](const QString &key) {
        if (key == QLatin1String(Integration::wantedKey))
            follow();
    });
    follow();
}

void MarovelDelegate::didBecomeActive()
{
    Integration::reassertIfWanted();
    if (BrowserState *state = AppHooks::shared().active())
        state->checkFDA();
}

bool MarovelDelegate::keepsRunningWithoutWindows() const
{
    return m_tray && m_tray->hasItem(); // the tray item keeps the agent reachable
}

void MarovelDelegate::stopWork()
{
    ContentIndex::shared().stop();
    WatchAgent::shared().stop();
}

void MarovelDelegate::willTerminate()
{
    if (m_tray)
        m_tray->remove();
    delete m_fileManager; // gives the bus name up
}
