#include "OndrelApp.h"

#include "CrashMarker.h"
#include "Defaults.h"
#include "FileJobs.h"
#include "LaunchPaths.h"
#include "Localization.h"
#include "ModelDownload.h"
#include "QuitSignals.h"
#include "SingleInstance.h"
#include "Store.h"
#include "Telemetry.h"
#include "UndoLog.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QWidget>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <langinfo.h>
#include <memory>
#include <unistd.h>

namespace {

OndrelApp *running = nullptr;

// libarchive and other C libraries convert file names through LC_CTYPE. Set after the
// application object, whose constructor takes the locale from the environment.
void useUtf8CharacterType()
{
    const char *codeset = ::nl_langinfo(CODESET);
    if (codeset && std::strcmp(codeset, "UTF-8") == 0)
        return;
    for (const char *name : {"C.UTF-8", "en_US.UTF-8"}) {
        if (std::setlocale(LC_CTYPE, name))
            return;
    }
}

// The icon theme's "marovel", else the file installed beside the executable (bin/ and
// share/, which the build tree mirrors).
QIcon applicationIcon()
{
    const QString file = QCoreApplication::applicationDirPath()
                         + QStringLiteral("/../share/icons/hicolor/scalable/apps/marovel.svg");
    return QIcon::fromTheme(QStringLiteral("marovel"), QIcon(QDir::cleanPath(file)));
}

bool anyWindowShown()
{
    const QWidgetList widgets = QApplication::topLevelWidgets();
    return std::any_of(widgets.cbegin(), widgets.cend(), [](const QWidget *widget) {
        const Qt::WindowType type = widget->windowType();
        return widget->isVisible() && (type == Qt::Window || type == Qt::Dialog);
    });
}

} // namespace

int OndrelApp::main(int &argc, char **argv, AppDelegate &delegate)
{
    QApplication app(argc, argv);
    useUtf8CharacterType();
    QApplication::setApplicationName(QStringLiteral("Marovel"));
    QApplication::setApplicationVersion(QStringLiteral(MAROVEL_APP_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("marovel"));
    QApplication::setWindowIcon(applicationIcon());
    // Closing the last window goes through quit() (or nowhere, with a tray item shown).
    QApplication::setQuitOnLastWindowClosed(false);

    delegate.prepare();

    const QStringList paths = launchPaths(QCoreApplication::arguments(), QDir::currentPath());
    auto instance = std::make_unique<SingleInstance>();
    switch (instance->claim()) {
    case SingleInstance::Role::secondary:
        // Leaves before the crash marker: deleting it would disarm the running one's.
        if (instance->forward(paths, forwardWait))
            return 0;
        std::fprintf(stderr, "%s\n", qPrintable(L("Marovel 已在运行，但没有应答。")));
        return 1;
    case SingleInstance::Role::alone:
        std::fprintf(stderr, "marovel: running without a single instance: %s\n",
                     qPrintable(instance->problem()));
        break;
    case SingleInstance::Role::primary:
        break;
    }

    auto *shell = new OndrelApp(delegate, instance.release()); // lives until the process ends
    shell->launch(paths);
    app.exec();
    shell->quit(); // the event loop ended some other way (a session logout)
    return 0;
}

OndrelApp *OndrelApp::instance()
{
    return running;
}

OndrelApp::OndrelApp(AppDelegate &delegate, SingleInstance *instance)
    : m_delegate(delegate), m_instance(instance)
{
    m_instance->setParent(this);
    running = this;
}

OndrelApp::~OndrelApp()
{
    running = nullptr;
}

void OndrelApp::launch(const QStringList &paths)
{
    // The previous run's marker is reported and removed, then this run's is armed.
    if (const std::optional<QString> crash = CrashMarker::consumePendingCrash(CrashMarker::markerPath()))
        Telemetry::track(Telemetry::Event::clientCrash(*crash));
    CrashMarker::install();

    // Every way out goes through quit(), queued so it never runs inside a handler.
    m_signals = new QuitSignals(this);
    m_signals->install();
    connect(m_signals, &QuitSignals::received, this, &OndrelApp::quit, Qt::QueuedConnection);
    connect(qApp, &QGuiApplication::lastWindowClosed, this, [this] {
        if (!m_delegate.keepsRunningWithoutWindows() && !anyWindowShown())
            quit();
    }, Qt::QueuedConnection);

    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive && !m_quitting)
            m_delegate.didBecomeActive();
    });
    connect(m_instance, &SingleInstance::pathsReceived, this, [this](const QStringList &received) {
        if (!m_quitting)
            m_delegate.open(received, AppDelegate::Origin::forwarded);
    });

    m_delegate.didFinishLaunching();
    m_delegate.open(paths, AppDelegate::Origin::launch);
}

void OndrelApp::quit()
{
    if (m_quitting)
        return;
    m_quitting = true;
    // A start from now on becomes the running application itself rather than handing
    // its paths to one that is going away.
    m_instance->stopListening();
    // The windows go at once; the process stays only for the steps below.
    for (QWidget *widget : QApplication::topLevelWidgets())
        widget->hide();

    m_delegate.stopWork();
    if (ModelDownload *download = ModelDownload::sharedIfMade())
        download->shutDown();

    FileJobs &jobs = FileJobs::shared();
    jobs.refuseNew();
    if (!jobs.waitForIdle(jobGrace)) {
        jobs.cancelAll();
        jobs.waitForIdle(cancelGrace);
    }
    // The results of jobs that just ended (their undo-log lines, their Store changes) are
    // delivered before the writers are flushed.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();

    UndoLog::shared().flush();
    Store::shared().flush();
    Defaults::shared().sync();
    m_delegate.willTerminate();

    std::fflush(nullptr);
    ::_exit(0);
}
