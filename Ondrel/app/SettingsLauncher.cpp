#include "SettingsLauncher.h"

#include "AppHooks.h"
#include "CollaborationStore.h"
#include "ContentIndex.h"
#include "NamingTemplate.h"
#include "Opener.h"
#include "Store.h"
#include "WatchAgent.h"
#include "settings/SettingsWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QPointer>
#include <QSystemTrayIcon>

namespace SettingsLauncher {

namespace {

QPointer<SettingsWindow> &current()
{
    static QPointer<SettingsWindow> window;
    return window;
}

std::optional<QString> chooseFolder(QWidget *parent, const QString &title)
{
    const QString folder = QFileDialog::getExistingDirectory(parent, title, QDir::homePath());
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

} // namespace

SettingsServices services()
{
    SettingsServices s;
    s.store = &Store::shared();
    s.agent = &WatchAgent::shared();
    s.contentIndex = &ContentIndex::shared();
    s.naming = &NamingStore::shared();
    s.collaboration = &CollaborationStore::shared();
    s.chooseFolder = &chooseFolder;
    // "添加工作区…" asks through the same chooser, over the window in front.
    s.collaboration->setFolderPicker([](const QString &buttonTitle, const QString &) {
        return chooseFolder(QApplication::activeWindow(), buttonTitle);
    });
    s.openUrl = [](const QUrl &url) { Opener::openUrl(url); };
    s.setTrayItemVisible = [](bool visible) {
        if (AppHooks::shared().menuBarVisibilityUpdater)
            AppHooks::shared().menuBarVisibilityUpdater(visible);
    };
    s.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    s.mcpCommand = McpClientConfig::locate();
    return s;
}

void open()
{
    QPointer<SettingsWindow> &window = current();
    if (!window) {
        window = new SettingsWindow(services());
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

SettingsWindow *window()
{
    return current();
}

} // namespace SettingsLauncher
