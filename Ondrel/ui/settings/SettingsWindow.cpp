#include "SettingsWindow.h"

#include "AICollaborationSettings.h"
#include "AISettings.h"
#include "AboutSettings.h"
#include "Defaults.h"
#include "ExploreSettings.h"
#include "GeneralSettings.h"
#include "IntegrationSettings.h"
#include "Localization.h"
#include "kit/Icons.h"

#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace {
constexpr int collaborationIndex = 2;
} // namespace

SettingsWindow::SettingsWindow(SettingsServices services, QWidget *parent)
    : QWidget(parent, Qt::Window), m_services(std::move(services)), m_tabs(new QTabWidget(this))
{
    setObjectName(QStringLiteral("settingsWindow"));
    setFixedSize(fixedSize);
    m_tabs->setObjectName(QStringLiteral("settingsTabs"));
    m_tabs->setDocumentMode(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, Kit::Space::small, 0, 0);
    layout->addWidget(m_tabs);
    build();

    connect(&Defaults::shared(), &Defaults::changed, this, [this](const QString &key) {
        if (key == collaborationKey)
            showCollaboration(Defaults::shared().boolValue(collaborationKey, false));
    });
    // The language picker that caused the change is still running: rebuild afterwards.
    connect(&Loc::shared(), &Loc::revisionChanged, this, &SettingsWindow::scheduleRebuild);
}

void SettingsWindow::build()
{
    setWindowTitle(L("设置"));
    const auto add = [this](QWidget *page, const char *symbol, const QString &title) {
        m_tabs->addTab(page, Kit::icon(QString::fromLatin1(symbol)), title);
    };
    add(new GeneralSettings(m_services), "gearshape", L("通用"));
    add(new AISettings, "wand.and.stars", L("智能助手"));
    add(new IntegrationSettings, "macwindow.on.rectangle", L("系统集成"));
    add(new ExploreSettings(SettingsServices::makerUrl(), m_services.openUrl), "sparkles", L("探索"));
    add(new AboutSettings(SettingsServices::productUrl(), m_services.openUrl), "info.circle", L("关于"));
    m_collaboration = nullptr;
    showCollaboration(Defaults::shared().boolValue(collaborationKey, false));
    m_tabs->setCurrentIndex(0);
}

void SettingsWindow::scheduleRebuild()
{
    if (std::exchange(m_rebuildQueued, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_rebuildQueued = false;
        const QSignalBlocker quiet(m_tabs);
        while (m_tabs->count() > 0) {
            QWidget *page = m_tabs->widget(0);
            m_tabs->removeTab(0);
            delete page;
        }
        build();
    });
}

void SettingsWindow::showCollaboration(bool shown)
{
    if (shown == (m_collaboration != nullptr))
        return;
    if (shown) {
        m_collaboration = new AICollaborationSettings(*m_services.collaboration, m_services.mcpCommand);
        m_tabs->insertTab(collaborationIndex, m_collaboration, Kit::icon(QStringLiteral("person.2.badge.gearshape")),
                          L("AI 协作"));
    } else {
        m_tabs->removeTab(m_tabs->indexOf(m_collaboration));
        delete std::exchange(m_collaboration, nullptr);
    }
}
