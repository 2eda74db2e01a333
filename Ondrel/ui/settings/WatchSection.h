#pragma once

#include "SettingsForm.h"
#include "SettingsServices.h"

class QCheckBox;
class QVBoxLayout;
class WatchAgent;

// "后台盯梢": whether the tray item shows, whether the watch agent runs, and the folders it
// watches. Each switch stores its setting before it calls the service, and the rows
// follow the stored settings and the agent's folder list at once, wherever they change.
class WatchSection : public SettingsForm::Section
{
    Q_OBJECT

public:
    WatchSection(WatchAgent &agent, const SettingsServices &services, QWidget *parent = nullptr);

    static inline const QString agentEnabledKey = QStringLiteral("agentEnabled");
    static inline const QString menuBarKey = QStringLiteral("menuBarAgentVisible");

private:
    void showFolders();
    void addFolder();

    WatchAgent &m_agent;
    SettingsServices::FolderChooser m_choose;
    QWidget *m_folders;
    QVBoxLayout *m_folderRows;
};
