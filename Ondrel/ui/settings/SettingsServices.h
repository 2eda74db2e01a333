#pragma once

#include "McpClientConfig.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class CollaborationStore;
class ContentIndex;
class NamingStore;
class QWidget;
class Store;
class WatchAgent;

// What the settings pages act through, handed to them when they are built: the shared
// services of the application, and the few desktop calls tests replace.
struct SettingsServices
{
    // Asks the user for one folder; none when the user cancels.
    using FolderChooser = std::function<std::optional<QString>(QWidget *parent, const QString &title)>;

    Store *store = nullptr;
    WatchAgent *agent = nullptr;
    ContentIndex *contentIndex = nullptr;
    NamingStore *naming = nullptr;
    CollaborationStore *collaboration = nullptr;

    FolderChooser chooseFolder;
    // Opens a web address in the default browser.
    std::function<void(const QUrl &)> openUrl;
    // Shows or removes the tray item after "menuBarAgentVisible" changed; may be empty.
    std::function<void(bool visible)> setTrayItemVisible;
    // Whether the desktop shows a system tray at all.
    std::function<bool()> trayAvailable;
    // Where the MCP server lies, for the client configuration.
    McpClientConfig::Command mcpCommand;

    // The maker's and the product's web sites (build settings).
    static QUrl makerUrl();
    static QUrl productUrl();
};
