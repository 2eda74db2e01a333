#pragma once

#include "BrowserState.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class PaneState;
class QWidget;

// The process-wide hub through which things without a window of their own (files opened
// from outside, the watch agent, the content search, the settings) reach the browser
// window shown last, and through which the tray item is kept up to date.
//
// GUI thread only.
class AppHooks : public QObject
{
    Q_OBJECT

public:
    static AppHooks &shared();

    explicit AppHooks(QObject *parent = nullptr);

    // The window shown last (not necessarily the focused one); null when it is gone.
    BrowserState *active() const { return m_active; }
    // Stores the window's state, then replays the paths opened while no window existed:
    // the list is emptied first and then handed to openExternal().
    void setActive(BrowserState *state);

    // Paths opened while no window was active; the latest list only.
    QStringList pending() const { return m_pending; }

    // Reveals files and folders in the active window's active pane: a folder is entered, a
    // file's folder is entered with the file selected, a missing path is skipped; each
    // navigation is recorded in the history, so with several paths the last existing one
    // wins. Then the window comes to the front once, even when every path was skipped.
    // With no active window the list replaces the pending one and nothing else happens.
    void openExternal(const QStringList &paths);

    // Shows items selected in their folder (another program's "show in file manager"): the
    // active pane goes to the first existing item's folder, and every given item in that
    // folder is selected; missing items are skipped. Then the window comes to the front.
    // With no active window the request waits and runs when a window becomes active.
    void reveal(const QStringList &paths);

    // Whether the tray item is shown (a running watch agent keeps its badge on it): the
    // setting "menuBarAgentVisible", true when absent or not a Bool.
    static bool menuBarAgentVisible();

    // Set by the owner of the tray item: shows or removes it after the setting changed.
    std::function<void(bool visible)> menuBarVisibilityUpdater;
    // Set while the tray item exists: the number of waiting rename proposals.
    std::function<void(int count)> badgeUpdater;
    // Set when the desktop has no system tray: opens the watch agent's popover at a window,
    // so the windows' menus offer it instead.
    std::function<void(QWidget *window)> agentPopoverAtWindow;

signals:
    // The active window was brought to the front (after openExternal()).
    void activated();
    // Another window became the active one (before paths opened earlier are replayed).
    void activeChanged();

private:
    void activate();
    // Selects `file` in `pane` once the listing of its folder has arrived (a listing
    // replaces the selection), unless the pane has moved on by then.
    void revealWhenListed(PaneState *pane, const QString &folder, const QSet<QString> &files);
    // Enters `folder` in the active pane (unless shown) and selects `files` there.
    void select(const QString &folder, const QSet<QString> &files);

    QPointer<BrowserState> m_active;
    QStringList m_pending;
    QStringList m_pendingReveal;
    QMetaObject::Connection m_reveal;
};
