#pragma once

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class BrowserState;
class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;
class QWidget;

// The menu bar of one browser window: "文件", "编辑", "显示" and "前往", whose items and
// shortcuts act on that window's BrowserState. Enabled states and the undo title follow
// the state's signals, so a disabled item's shortcut never fires. While a text field of
// the window has focus, copy, cut, paste, paste as move (a plain paste) and undo go to
// the field and "移到废纸篓" does nothing; so does "移到废纸篓" during an inline rename.
//
// Every action has an object name (its id, e.g. "copy") for finding it.
class MenuCommands : public QObject
{
    Q_OBJECT

public:
    // What the menus ask of the application rather than of the window.
    struct AppActions
    {
        std::function<void()> newWindow;
        std::function<void()> quit;
        // Opens the watch agent's popover at the window; set only on desktops without a
        // system tray, where the "显示" menu then offers "后台盯梢".
        std::function<void(QWidget *window)> showAgent;
        // Checks for a newer release and shows the outcome beside the window.
        std::function<void(QWidget *window)> checkForUpdates;
        // Opens the settings window ("设置…").
        std::function<void()> openSettings;
    };

    MenuCommands(BrowserState &state, QMainWindow *window, AppActions app);
    ~MenuCommands() override;

    // Made here; the window takes it over with setMenuBar().
    QMenuBar *menuBar() const { return m_bar; }
    QMenu *menu(const QString &id) const;
    QAction *action(const QString &id) const;
    QList<QAction *> actions() const;

private:
    struct Text
    {
        QString key;       // the zh-Hans source text
        bool undo = false; // formatted with the undo name
    };

    QMenu *addMenu(QWidget *parent, const QString &id, const QString &key);
    QAction *add(QMenu *menu, const QString &id, const QString &key, std::function<void()> run,
                 const QList<QKeySequence> &shortcuts = {});
    void build();
    void retranslate();
    void watchActivePane();
    void updateEnabled();
    void updateUndoTitle();

    // The window's text field with focus, if any: a clipboard command goes to it.
    QWidget *focusedTextField() const;
    enum class TextEdit { Undo, Copy, Cut, Paste };
    // Does `edit` in the focused text field, else runs `onFiles`.
    void clipboard(TextEdit edit, const std::function<void()> &onFiles);
    void collapseOrClose();
    void trashSelection();
    void confirmEmptyTrash();

    BrowserState &m_state;
    QPointer<QMainWindow> m_window;
    AppActions m_app;
    QMenuBar *m_bar;
    QHash<QString, QAction *> m_actions;
    QHash<QString, QMenu *> m_menus;
    QHash<QObject *, Text> m_texts;
    QList<QMetaObject::Connection> m_paneConnections;
};
