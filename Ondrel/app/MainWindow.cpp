#include "MainWindow.h"

#include "AppHooks.h"
#include "BrowserState.h"
#include "Defaults.h"
#include "LocalLLM.h"
#include "Localization.h"
#include "MenuCommands.h"
#include "ModelDownload.h"
#include "Onboarding.h"
#include "OndrelApp.h"
#include "SettingsLauncher.h"
#include "SystemModel.h"
#include "Telemetry.h"
#include "UpdateDialog.h"
#include "search/ContentSearchSheet.h"
#include "window/ContentView.h"

#include <QApplication>
#include <QThreadPool>

namespace {

const QString autoModelTriedKey = QStringLiteral("autoModelTried");

MenuCommands::AppActions appActions()
{
    MenuCommands::AppActions actions;
    actions.newWindow = [] { MainWindow::openNew(); };
    actions.quit = [] {
        if (OndrelApp *app = OndrelApp::instance())
            app->quit();
        else
            QApplication::closeAllWindows();
    };
    actions.showAgent = AppHooks::shared().agentPopoverAtWindow;
    actions.checkForUpdates = [](QWidget *window) { UpdateDialog::checkNow(window); };
    actions.openSettings = &SettingsLauncher::open;
    return actions;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), m_state(std::make_unique<BrowserState>())
{
    setObjectName(QStringLiteral("mainWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(1100, 640);
    resize(1280, 800);

    m_content = new ContentView(*m_state, this);
    setCentralWidget(m_content);
    ContentSearchSheet::add(m_content->sheets(), {[](const QUrl &url) {
                                                      AppHooks::shared().openExternal({url.toLocalFile()});
                                                  },
                                                  &SettingsLauncher::open});
    m_commands = new MenuCommands(*m_state, this, appActions());
    setMenuBar(m_commands->menuBar());

    retranslate();
    connect(&Loc::shared(), &Loc::revisionChanged, this, &MainWindow::retranslate);
}

MainWindow::~MainWindow()
{
    // The widgets and the menus use the state: they go first.
    delete m_commands;
    delete takeCentralWidget();
}

MainWindow *MainWindow::openNew()
{
    auto *window = new MainWindow;
    window->show();
    return window;
}

MainWindow *MainWindow::of(const BrowserState *state)
{
    if (!state)
        return nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *window = qobject_cast<MainWindow *>(widget);
        if (window && window->m_state.get() == state)
            return window;
    }
    return nullptr;
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_roadRun)
        return;
    m_roadRun = true;
    runStartupRoad();
}

void MainWindow::runStartupRoad()
{
    m_state->bootstrap();
    AppHooks::shared().setActive(m_state.get());
    // Render mode draws the onboarding screenshots and quits: no usage events, no model.
    if (OnboardingRenderer::outputDir())
        return;

    Telemetry::track(Telemetry::Event::launch(QStringLiteral("cold"), Telemetry::installChannel()));
    Telemetry::track(Telemetry::Event::dailyActive(0, 0));

    // Loads the model ahead of the first question; nobody waits for it.
    QThreadPool::globalInstance()->start([] {
        if (LocalLLM::activeModelPath())
            LocalLLM::shared().warmup();
    }, QThread::LowPriority);

    if (LocalLLM::activeModelPath() || SystemModel::isAvailable())
        return;
    Defaults &defaults = Defaults::shared();
    if (defaults.boolValue(autoModelTriedKey))
        return;
    // Stored before the start: a failed or cancelled automatic download is not retried.
    defaults.setValue(autoModelTriedKey, true);
    ModelDownload::shared().start();
}

void MainWindow::retranslate()
{
    setWindowTitle(L("Marovel"));
}
