#include "GeneralSettings.h"

#include "ContentIndexSection.h"
#include "Defaults.h"
#include "Localization.h"
#include "NamingTemplateSection.h"
#include "Onboarding.h"
#include "PrivacySection.h"
#include "SidebarDataSection.h"
#include "WatchSection.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

namespace {
const QString systemTag = QStringLiteral("system");
} // namespace

GeneralSettings::GeneralSettings(const SettingsServices &services, QWidget *parent) : SettingsForm::Page(parent)
{
    setObjectName(QStringLiteral("generalSettings"));
    addLanguage();
    add(new NamingTemplateSection(*services.naming, widget()));
    addStartup();
    add(new WatchSection(*services.agent, services, widget()));
    add(new ContentIndexSection(*services.contentIndex, services.chooseFolder, widget()));
    add(new ClearIndexRow(*services.contentIndex, widget()));
    addPreRead();
    add(new SidebarDataSection(*services.store, widget()));
    add(new PrivacySection(widget()));
    addExperimental();
}

void GeneralSettings::addLanguage()
{
    SettingsForm::Section *section = addSection(L("界面语言"));
    auto *picker = new QComboBox(section);
    picker->setObjectName(QStringLiteral("languagePicker"));
    picker->setMinimumWidth(220);
    picker->addItem(L("跟随系统"), systemTag);
    picker->addItem(QStringLiteral("简体中文"), QStringLiteral("zh-Hans"));
    picker->addItem(QStringLiteral("English"), QStringLiteral("en"));
    picker->setCurrentIndex(picker->findData(Loc::shared().override().value_or(systemTag)));
    connect(picker, &QComboBox::activated, this, [picker] {
        const QString tag = picker->currentData().toString();
        // The window rebuilds its pages for the new language once this call has returned.
        Loc::shared().setOverride(tag == systemTag ? std::nullopt : std::optional<QString>(tag));
    });
    section->addRow(SettingsForm::labelledRow(L("语言"), picker, section));
    section->addRow(SettingsForm::caption(L("界面立即切换，无需重新启动。"), section));
}

void GeneralSettings::addStartup()
{
    SettingsForm::Section *section = addSection(L("启动"));
    auto *restore = SettingsForm::boundCheck(QStringLiteral("launchRestore"), true,
                                             L("启动时回到上次的窗口和文件夹"), section);
    restore->setObjectName(QStringLiteral("launchRestoreSwitch"));
    section->addRow(restore);
    section->addRow(SettingsForm::caption(L("关掉则每次打开个人文件夹。"), section));

    auto *replay = new QPushButton(L("重新显示首启引导"), section);
    replay->setObjectName(QStringLiteral("replayOnboarding"));
    connect(replay, &QPushButton::clicked, this, &GeneralSettings::replayOnboarding);
    section->addRow(SettingsForm::labelledRow(L("首启引导"), replay, section));
    section->addRow(SettingsForm::caption(L("重新走一遍「授权 → 准备本地大脑 → 看示例」三步。"), section));
}

void GeneralSettings::replayOnboarding()
{
    Defaults::shared().setValue(QString::fromLatin1(OnboardingKeys::completed), false);
    const QString mainTitle = L("Marovel"); // the browser windows' title
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->isWindow() || !window->isVisible() || window->windowTitle() != mainTitle)
            continue;
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->raise();
        window->activateWindow();
        return;
    }
}

void GeneralSettings::addPreRead()
{
    SettingsForm::Section *section = addSection(L("预读"));
    auto *preRead = SettingsForm::boundCheck(QStringLiteral("preReadEnabled"), false,
                                             L("进入文件夹时后台预读，点文件即出建议"), section);
    preRead->setObjectName(QStringLiteral("preReadSwitch"));
    section->addRow(preRead);
    section->addRow(SettingsForm::caption(L("提前在后台读内容、备好命名；更跟手，但会多用些 CPU / 电量。默认关。"), section));
}

void GeneralSettings::addExperimental()
{
    SettingsForm::Section *section = addSection(L("实验性功能"));
    auto *collaboration = SettingsForm::boundCheck(QStringLiteral("showAICollaboration"), false,
                                                   L("显示 AI 协作（实验性）"), section);
    collaboration->setObjectName(QStringLiteral("collaborationSwitch"));
    section->addRow(collaboration);
    section->addRow(SettingsForm::caption(L("面向终端与 AI 工具的只读协作接口，仍在试验中。"), section));
}
