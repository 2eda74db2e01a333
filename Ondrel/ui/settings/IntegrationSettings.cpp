#include "IntegrationSettings.h"

#include "Defaults.h"
#include "Integration.h"
#include "Localization.h"
#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <exception>

namespace {

QLabel *noteLabel(const char *name, Kit::TextRole role, Kit::Level level, QWidget *parent)
{
    auto *label = Kit::plainLabel({}, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    Kit::setTextRole(label, role);
    Kit::setTextLevel(label, level);
    return label;
}

void setQuietly(QCheckBox *box, bool on)
{
    const QSignalBlocker blocker(box);
    box->setChecked(on);
}

} // namespace

IntegrationSettings::Services IntegrationSettings::system()
{
    return {
        [] { return Integration::isInstalled(); },
        [] { return Integration::installDesktopEntry(); },
        [] { return Integration::isDefaultFileViewer(); },
        [](bool on) { Integration::setDefaultFileViewer(on); },
        [] { return Integration::isLoginEnabled(); },
        [](bool on) { Integration::setLogin(on); },
    };
}

IntegrationSettings::IntegrationSettings(Services services, QWidget *parent)
    : SettingsForm::Page(parent), m_services(std::move(services))
{
    setObjectName(QStringLiteral("integrationSettings"));
    QWidget *content = widget();

    // 1: what the role means on this desktop.
    m_intro = new QLabel(content);
    m_intro->setObjectName(QStringLiteral("integrationIntro"));
    m_intro->setTextFormat(Qt::RichText); // only our own texts, escaped, with one bold run
    m_intro->setWordWrap(true);
    Kit::setTextRole(m_intro, Kit::TextRole::callout);
    Kit::setTextLevel(m_intro, Kit::Level::secondary);
    add(m_intro);

    // 2: while not installed.
    m_installSection = addSection({});
    m_installSection->setObjectName(QStringLiteral("integrationInstallSection"));
    auto *warning = new Kit::SymbolView(QStringLiteral("exclamationmark.triangle.fill"), 16, m_installSection);
    warning->setTint(Kit::Tint::orange);
    m_installTitle = noteLabel("integrationInstallTitle", Kit::TextRole::body, Kit::Level::primary, m_installSection);
    Kit::setForeground(m_installTitle, Kit::Tint::orange);
    auto *titleRow = new QHBoxLayout;
    titleRow->setSpacing(Kit::Space::small);
    titleRow->addWidget(warning);
    titleRow->addWidget(m_installTitle, 1);
    m_installSection->addRow(titleRow);
    m_installNote = noteLabel("integrationInstallNote", Kit::TextRole::caption, Kit::Level::secondary, m_installSection);
    m_installSection->addRow(m_installNote);
    m_installButton = new QPushButton(m_installSection);
    m_installButton->setObjectName(QStringLiteral("integrationInstallButton"));
    m_installSection->rows()->addWidget(m_installButton, 0, Qt::AlignLeft);
    m_installFailed = noteLabel("integrationInstallFailed", Kit::TextRole::caption, Kit::Level::primary, m_installSection);
    Kit::setForeground(m_installFailed, Kit::Tint::red);
    m_installFailed->hide();
    m_installSection->addRow(m_installFailed);

    // 3: the toggles.
    m_handySection = addSection({});
    m_fileViewer = new QCheckBox(m_handySection);
    m_fileViewer->setObjectName(QStringLiteral("integrationFileViewer"));
    m_handySection->addRow(m_fileViewer);
    m_fileViewerNote = noteLabel("integrationFileViewerNote", Kit::TextRole::caption, Kit::Level::secondary, m_handySection);
    m_handySection->addRow(m_fileViewerNote);
    m_login = new QCheckBox(m_handySection);
    m_login->setObjectName(QStringLiteral("integrationLogin"));
    m_handySection->addRow(m_login);
    // The value is one short path: kept on one line; the title wraps first.
    m_openWithTitle = noteLabel("integrationOpenWithTitle", Kit::TextRole::body, Kit::Level::primary, m_handySection);
    m_openWithValue = noteLabel("integrationOpenWithValue", Kit::TextRole::caption, Kit::Level::secondary, m_handySection);
    m_openWithValue->setWordWrap(false);
    auto *openWith = new QHBoxLayout;
    openWith->setSpacing(Kit::Space::wide);
    openWith->addWidget(m_openWithTitle, 1);
    openWith->addWidget(m_openWithValue, 0, Qt::AlignRight | Qt::AlignVCenter);
    m_handySection->addRow(openWith);

    // 4: giving the role back.
    SettingsForm::Section *back = addSection({});
    m_giveBack = new QPushButton(back);
    m_giveBack->setObjectName(QStringLiteral("integrationGiveBack"));
    m_giveBack->setAutoDefault(false);
    back->rows()->addWidget(m_giveBack, 0, Qt::AlignLeft);
    m_giveBackNote = noteLabel("integrationGiveBackNote", Kit::TextRole::caption, Kit::Level::tertiary, back);
    back->addRow(m_giveBackNote);

    connect(m_installButton, &QPushButton::clicked, this, &IntegrationSettings::install);
    connect(m_fileViewer, &QCheckBox::toggled, this, &IntegrationSettings::fileViewerChanged);
    connect(m_login, &QCheckBox::toggled, this, &IntegrationSettings::loginChanged);
    connect(m_giveBack, &QPushButton::clicked, this, &IntegrationSettings::giveBack);
    Kit::retranslate(this, [this] { retranslate(); });

    // The first values run no action; only changes seen later do.
    applyInstalled(m_services.isInstalled());
    setQuietly(m_fileViewer, m_services.isDefaultFileViewer());
    setQuietly(m_login, m_services.isLoginEnabled());
}

void IntegrationSettings::showEvent(QShowEvent *event)
{
    SettingsForm::Page::showEvent(event);
    refresh();
}

void IntegrationSettings::refresh()
{
    applyInstalled(m_services.isInstalled());
    const bool wanted = Defaults::shared().boolValue(QLatin1String(Integration::wantedKey), false);
    m_fileViewer->setChecked(wanted || m_services.isDefaultFileViewer());
    m_login->setChecked(m_services.isLoginEnabled());
}

void IntegrationSettings::applyInstalled(bool installed)
{
    m_installSection->setVisible(!installed);
    m_fileViewer->setEnabled(installed);
    m_login->setEnabled(installed);
}

void IntegrationSettings::fileViewerChanged(bool on)
{
    Defaults::shared().setValue(QLatin1String(Integration::wantedKey), on);
    m_services.setDefaultFileViewer(on);
}

void IntegrationSettings::loginChanged(bool on)
{
    try {
        m_services.setLogin(on);
    } catch (const std::exception &) {
        // Not reported: the toggle shows what the autostart folder really holds.
    }
    setQuietly(m_login, m_services.isLoginEnabled());
}

void IntegrationSettings::install()
{
    if (!m_services.install()) {
        m_moveFailed = true;
        m_installFailed->show();
        retranslate();
        return;
    }
    applyInstalled(m_services.isInstalled());
}

void IntegrationSettings::giveBack()
{
    Defaults::shared().setValue(QLatin1String(Integration::wantedKey), false);
    m_services.setDefaultFileViewer(false);
    setQuietly(m_fileViewer, false);
}

void IntegrationSettings::retranslate()
{
    m_intro->setText(L("在 Linux 上，默认文件管理器由你决定。").toHtmlEscaped() + QStringLiteral("<b>")
                     + L("Marovel 可以担任").toHtmlEscaped() + QStringLiteral("</b>")
                     + L(" —— 打开文件夹、其他应用的「在文件管理器中显示」都会来到 Marovel，也可以随时交还：").toHtmlEscaped());
    m_installTitle->setText(L("先把 Marovel 加入应用程序菜单"));
    m_installNote->setText(L("下面的系统集成需要 Marovel 已加入应用程序菜单（写入它的桌面启动项）。"));
    m_installButton->setText(L("加入应用程序菜单"));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                           + QStringLiteral("/applications");
    m_installFailed->setText(L("自动添加失败，请检查 %@ 是否可写。", folder));
    m_handySection->setHeader(L("让 Marovel 更顺手"));
    m_fileViewer->setText(L("让其他应用的「在文件管理器中显示」打开 Marovel"));
    m_fileViewerNote->setText(L("VS Code、浏览器、截图工具等点「在文件管理器中显示」时，文件就在 Marovel 里打开并选中。"));
    m_login->setText(L("开机自动启动"));
    m_openWithTitle->setText(L("用 Marovel 打开任意文件夹"));
    m_openWithValue->setText(L("右键文件夹 → 打开方式 → Marovel"));
    m_giveBack->setText(L("交还默认文件管理器"));
    m_giveBackNote->setText(L("随时一键交还，恢复你原来的默认文件管理器，互不绑架。"));
}
