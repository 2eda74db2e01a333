#pragma once

#include "settings/SettingsServices.h"

class SettingsWindow;

// The application's one settings window, opened from the menus ("设置…", Ctrl+,), the tray
// item's menu and the content search.
namespace SettingsLauncher {

// The application's services for the settings pages: the shared stores and agents, the
// desktop's folder chooser and opener, the tray item's switch, the MCP server's place.
SettingsServices services();

// Shows the settings window, making it first when none is open, and brings it to the
// front. Closing the window ends it; the next open() builds it afresh.
void open();

// The window while it is open; null otherwise.
SettingsWindow *window();

} // namespace SettingsLauncher
