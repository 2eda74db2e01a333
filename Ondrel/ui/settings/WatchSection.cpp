#include "WatchSection.h"

#include "Localization.h"
#include "WatchAgent.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

WatchSection::WatchSection(WatchAgent &agent, const SettingsServices &services, QWidget *parent)
    : SettingsForm::Section(L("后台盯梢"), parent), m_agent(agent), m_choose(services.chooseFolder),
      m_folders(new QWidget(this)), m_folderRows(new QVBoxLayout(m_folders))
{
    auto *trayItem = SettingsForm::boundCheck(menuBarKey, true, L("在系统托盘显示盯梢"), this,
                                              [show = services.setTrayItemVisible](bool on) {
                                                  if (show)
                                                      show(on);
                                              });
    trayItem->setObjectName(QStringLiteral("menuBarSwitch"));
    addRow(trayItem);
    addRow(SettingsForm::caption(L("关闭后只隐藏托盘图标，不会停止后台盯梢；需要时可在这里重新打开。"), this));
    if (services.trayAvailable && !services.trayAvailable()) {
        auto *noTray = SettingsForm::caption(
            L("这个桌面没有系统托盘，不会出现托盘图标；盯梢列表在窗口菜单「显示」里的「后台盯梢」。"), this);
        noTray->setObjectName(QStringLiteral("noTrayCaption"));
        addRow(noTray);
    }

    auto *enabled = SettingsForm::boundCheck(agentEnabledKey, false, L("启用后台盯梢，盯着 Downloads / Desktop"), this,
                                             [&agent](bool on) {
                                                 if (on)
                                                     agent.start();
                                                 else
                                                     agent.stop();
                                             });
    enabled->setObjectName(QStringLiteral("agentSwitch"));
    addRow(enabled);
    addRow(SettingsForm::caption(L("文件一落地就在本地读内容、备好命名方案。全本地 · 永不自动改名 · 永不删除。"),
                                 this));

    m_folders->setObjectName(QStringLiteral("watchedFolders"));
    m_folderRows->setContentsMargins(0, 0, 0, 0);
    m_folderRows->setSpacing(Kit::Space::tight);
    addRow(m_folders);

    auto *add = new QPushButton(L("添加文件夹…"), this);
    add->setObjectName(QStringLiteral("addWatchedFolder"));
    add->setAutoDefault(false);
    auto *addRowLayout = new QHBoxLayout;
    addRowLayout->addWidget(add);
    addRowLayout->addStretch(1);
    addRow(addRowLayout);
    addRow(SettingsForm::caption(L("盯梢只看这些文件夹；源码 / 开发目录里的文件会自动跳过，不打扰你。"), this));

    connect(add, &QPushButton::clicked, this, &WatchSection::addFolder);
    connect(&m_agent, &WatchAgent::watchedFoldersChanged, this, &WatchSection::showFolders);
    showFolders();
}

void WatchSection::showFolders()
{
    // Later: the row of a clicked "移除" is still handling that click.
    while (QLayoutItem *item = m_folderRows->takeAt(0)) {
        item->widget()->hide();
        item->widget()->deleteLater();
        delete item;
    }
    const QStringList folders = m_agent.watchedFolders();
    for (const QString &path : folders) {
        auto *row = new QWidget(m_folders);
        row->setObjectName(QStringLiteral("watchedFolderRow"));
        auto *name = new Kit::ElidingLabel(QFileInfo(path).fileName(), row);
        name->setObjectName(QStringLiteral("folderName"));
        name->setAttribute(Qt::WA_TransparentForMouseEvents); // the row's tooltip, the full path, shows
        row->setToolTip(path);
        auto *remove = SettingsForm::removeButton(row);
        remove->setObjectName(QStringLiteral("removeFolder"));
        Kit::name(remove, L("移除") + u' ' + QFileInfo(path).fileName());
        auto *line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->addWidget(name, 1);
        line->addWidget(remove);
        connect(remove, &QToolButton::clicked, this, [this, path] { m_agent.removeWatchedFolder(path); });
        m_folderRows->addWidget(row);
        row->show();
    }
    m_folders->setVisible(!folders.isEmpty());
}

void WatchSection::addFolder()
{
    if (!m_choose)
        return;
    const std::optional<QString> chosen = m_choose(window(), L("添加文件夹…"));
    if (chosen && !chosen->isEmpty())
        m_agent.addWatchedFolder(*chosen);
}
