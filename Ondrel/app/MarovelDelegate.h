#pragma once

#include "AppDelegate.h"

// The application's own delegate: browser windows for what is opened, the content index
// stopped at quit.
class MarovelDelegate : public AppDelegate
{
public:
    void prepare() override;
    void didFinishLaunching() override;
    // The launch opens the first window, whose start-up reveals `paths`. A later start's
    // paths go to the window shown last, or to a new window when none is left; with no
    // paths the window shown last comes to the front (or a new one opens).
    void open(const QStringList &paths, Origin origin) override;
    void didBecomeActive() override;
    bool keepsRunningWithoutWindows() const override;
    void stopWork() override;
    void willTerminate() override;
};
