#pragma once

#include "AppDelegate.h"

#include "agent/AgentTray.h"

#include <QPointer>

class FileManagerService;

// The application's own delegate: browser windows for what is opened, the watch agent and
// its tray item, the content index and the agent stopped at quit.
class MarovelDelegate : public AppDelegate
{
public:
    // Ends the process in the onboarding's render mode; otherwise readies the icon theme.
    void prepare() override;
    // The watch agent when "agentEnabled" is on; then the tray item when
    // "menuBarAgentVisible" is on (shown and removed again through
    // AppHooks::menuBarVisibilityUpdater). Without a system tray the windows' menus offer
    // the agent's popover instead. Also takes the default-viewer role back when wanted,
    // and answers other programs' requests to show files while "beDefaultFileViewer" holds.
    void didFinishLaunching() override;
    // The launch opens the first window, whose start-up reveals `paths`. A later start's
    // paths go to the window shown last, or to a new window when none is left; with no
    // paths the window shown last comes to the front (or a new one opens).
    void open(const QStringList &paths, Origin origin) override;
    void didBecomeActive() override;
    bool keepsRunningWithoutWindows() const override;
    void stopWork() override;
    // Removes the tray item.
    void willTerminate() override;

    AgentTray *tray() const { return m_tray; }

private:
    // Owns the FileManager1 name while "beDefaultFileViewer" holds.
    void serveFileManagerRequests();

    QPointer<AgentTray> m_tray; // a child of the application object
    QPointer<FileManagerService> m_fileManager; // a child of the application object
};
