#pragma once

#include <QStringList>

// What the windows, the tray item and the other once-per-process parts of the application
// hand to the launch and to quitting (OndrelApp). Each step has its place in the order
// OndrelApp keeps; a part that has nothing to do for a step leaves it empty.
class AppDelegate
{
public:
    enum class Origin {
        launch,    // the command line of this process: open the first window
        forwarded, // a later start handed these over: with none, raise a window or open one
    };

    virtual ~AppDelegate() = default;

    // First of all, before the single-instance check and the crash marker. May end the
    // process (the screenshot-render mode).
    virtual void prepare() {}

    // Once per process, after the crash marker is armed: default-viewer re-assertion, the
    // watch agent, the tray item.
    virtual void didFinishLaunching() {}

    // Opens files and folders (absolute paths; any may be missing).
    virtual void open(const QStringList &paths, Origin origin) = 0;

    // The application became the active one again.
    virtual void didBecomeActive() {}

    // Whether the process stays reachable with no window open (a tray item really shown);
    // if not, closing the last window quits.
    virtual bool keepsRunningWithoutWindows() const { return false; }

    // The first step of quitting: stop work that only reads or refreshes (the content
    // index, the watch agent). File jobs are waited for after this.
    virtual void stopWork() {}

    // The last step of quitting, after everything is on disk: remove the tray item.
    virtual void willTerminate() {}
};
