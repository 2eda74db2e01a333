#pragma once

#include "SettingsServices.h"

#include <QWidget>

class QTabWidget;

// The settings window: one non-modal window of fixed size holding the settings pages as
// tabs ("通用", "智能助手", "AI 协作" while "showAICollaboration" is on, "系统集成", "探索", "关于").
// The AI collaboration tab comes and goes with its setting while the window is open. When
// the interface language changes, every page is built afresh in the new language (their
// passing state goes with the old ones) and the General page is shown.
class SettingsWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize fixedSize{660, 560};
    static inline const QString collaborationKey = QStringLiteral("showAICollaboration");

    explicit SettingsWindow(SettingsServices services, QWidget *parent = nullptr);

    QTabWidget *tabs() const { return m_tabs; }

private:
    void build();
    void scheduleRebuild();
    void showCollaboration(bool shown);

    SettingsServices m_services;
    QTabWidget *m_tabs;
    QWidget *m_collaboration = nullptr;
    bool m_rebuildQueued = false;
};
