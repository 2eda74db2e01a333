#pragma once

#include "AppDelegate.h"

#include <QObject>
#include <QStringList>

#include <chrono>

class QuitSignals;
class SingleInstance;

// The application process from start to end.
//
// main(): a UTF-8 LC_CTYPE, the QApplication (desktop-file name "marovel"), the
// delegate's prepare(), the single-instance check (a later start forwards its paths and
// returns without touching the crash marker), the crash marker of the previous run
// (reported as clientCrash) and of this one, the routes into quit(), the delegate's
// didFinishLaunching(), then the command line's paths through the delegate's open(), and
// the event loop.
//
// quit(): the one way out, for Ctrl+Q, the last window closing, SIGTERM, SIGINT and
// SIGHUP alike. The delegate's stopWork(); a running model download cancelled; new file
// jobs refused, running ones given `jobGrace` to finish, then cancelled (they stop between
// items or copy chunks, remove their unfinished item and report what they completed) and
// given `cancelGrace`; the undo log, the Store and the settings written out; the
// delegate's willTerminate(); then the process ends with status 0 at once, so nothing
// waits for read-only work (text recognition, the model, thumbnails) still running.
class OndrelApp : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds jobGrace{5000};
    static constexpr std::chrono::milliseconds cancelGrace{2000};
    // How long a later start waits for the running application to take its paths.
    static constexpr std::chrono::milliseconds forwardWait{2000};

    // Runs the application. Returns only in a later start: 0 when the running application
    // took its paths, 1 when it did not answer. Otherwise the process ends in quit().
    static int main(int &argc, char **argv, AppDelegate &delegate);

    // The running application; null before main() has made it.
    static OndrelApp *instance();

    // Quits in order (see above). Later calls while quitting do nothing.
    void quit();
    bool isQuitting() const { return m_quitting; }

private:
    OndrelApp(AppDelegate &delegate, SingleInstance *instance);
    ~OndrelApp() override;

    void launch(const QStringList &paths);

    AppDelegate &m_delegate;
    SingleInstance *m_instance;
    QuitSignals *m_signals = nullptr;
    bool m_quitting = false;
};
