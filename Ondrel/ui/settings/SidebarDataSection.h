#pragma once

#include "SettingsForm.h"

class QLabel;
class Store;

// "侧栏数据": how many recent and pinned folders the sidebar keeps, the buttons that clear
// either list (no confirmation, never disabled), and where they are kept.
class SidebarDataSection : public SettingsForm::Section
{
    Q_OBJECT

public:
    explicit SidebarDataSection(Store &store, QWidget *parent = nullptr);

    // The data folder as shown: the home folder abbreviated to "~".
    static QString shownFolder(const QString &path);

private:
    void apply();

    Store &m_store;
    QLabel *m_counts;
};
