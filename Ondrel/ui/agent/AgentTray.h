#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class AgentPopover;
class QMenu;
class QSystemTrayIcon;
class WatchAgent;

// The desktop's side of the tray item, so tests can stand in for the system tray.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void setIcon(const QIcon &icon) = 0;
    virtual void setToolTip(const QString &text) = 0;
    virtual void setContextMenu(QMenu *menu) = 0;
    virtual void show() = 0;
    // Where the icon is on the screen; empty when the tray host does not say.
    virtual QRect geometry() const = 0;

signals:
    void clicked(); // a left click (or whatever the host counts as activating)
};

// The real one: a QSystemTrayIcon.
class SystemTrayIcon final : public TrayIcon
{
    Q_OBJECT

public:
    // None when the desktop shows no system tray.
    static std::unique_ptr<TrayIcon> create();

    SystemTrayIcon();
    ~SystemTrayIcon() override;
    void setIcon(const QIcon &icon) override;
    void setToolTip(const QString &text) override;
    void setContextMenu(QMenu *menu) override;
    void show() override;
    QRect geometry() const override;

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
};

// The text added after the symbol for a number of pending proposals: empty below 1,
// otherwise a space and the number (" 3").
QString badgeText(int count);
// The agent's symbol with the number of pending proposals painted on it (none below 1).
QIcon badgedIcon(int count);
// The tray item's tooltip for that number.
QString trayToolTip(int count);

// The watch agent's tray item and its popover. setup() makes the item (once), showing the
// current number of proposals and keeping it up to date through the badge updater it
// installs; remove() takes the item away, closes the popover and clears the updater. A
// left click toggles the popover; the item's menu toggles it too (some tray hosts never
// deliver a left click), opens a new window or the settings, or quits.
//
// Without a system tray no item is made: trayMissing() then says so, and the windows'
// menus offer the popover instead (togglePopoverAt()).
class AgentTray : public QObject
{
    Q_OBJECT

public:
    using BadgeUpdater = std::function<void(int count)>;
    using IconMaker = std::function<std::unique_ptr<TrayIcon>()>;

    // `badgeUpdater` is the slot through which the agent reports its count (set while the
    // item exists); it must outlive this object.
    AgentTray(WatchAgent &agent, BadgeUpdater &badgeUpdater, IconMaker makeIcon = &SystemTrayIcon::create,
              QObject *parent = nullptr);
    ~AgentTray() override;

    void setup();
    void remove();
    bool hasItem() const { return m_item != nullptr; }
    TrayIcon *item() const { return m_item.get(); }
    // The last setup found no system tray.
    bool trayMissing() const { return m_trayMissing; }
    QMenu *menu() const { return m_menu.get(); }

    // Opens the popover at the tray item, or closes it when it is open.
    void togglePopover();
    // The same at the top of a window, for desktops without a tray.
    void togglePopoverAt(QWidget *window);
    // The popover, made on first use and kept for the whole run.
    AgentPopover *popover();

signals:
    void newWindowRequested();
    void settingsRequested();
    void quitRequested();

private:
    void showCount(int count);
    void toggleAt(const QRect &anchor);

    WatchAgent &m_agent;
    BadgeUpdater &m_badgeUpdater;
    IconMaker m_makeIcon;
    std::unique_ptr<TrayIcon> m_item;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<AgentPopover> m_popover;
    bool m_trayMissing = false;
};
