#include "InstallBanner.h"

#include "Integration.h"
#include "Localization.h"
#include "kit/Style.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

InstallBanner::Services InstallBanner::desktopEntry()
{
    return {[] { return Integration::isInstalled(); }, [] { return Integration::installDesktopEntry(); }};
}

InstallBanner::InstallBanner(Services services, QWidget *parent)
    : Kit::Card(parent),
      m_services(std::move(services)),
      m_title(new QLabel(this)),
      m_note(new QLabel(this)),
      m_install(new QPushButton(this))
{
    setObjectName(QStringLiteral("installBanner"));
    m_title->setObjectName(QStringLiteral("installBannerTitle"));
    m_note->setObjectName(QStringLiteral("installBannerNote"));
    m_install->setObjectName(QStringLiteral("installBannerButton"));
    setRadius(0);
    setTint(Kit::Tint::orange, 0.12);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    for (QLabel *label : {m_title, m_note}) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
    }
    Kit::setTextRole(m_title, Kit::TextRole::callout);
    Kit::setTextRole(m_note, Kit::TextRole::caption);

    auto *symbol = new Kit::SymbolView(QStringLiteral("applications-other"), 18, this);
    symbol->setTint(Kit::Tint::orange);
    auto *lines = new QVBoxLayout;
    lines->setSpacing(1);
    lines->addWidget(m_title);
    lines->addWidget(m_note);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(Kit::Space::margin, Kit::Space::normal, Kit::Space::margin, Kit::Space::normal);
    row->setSpacing(10);
    row->addWidget(symbol);
    row->addLayout(lines, 1);
    row->addWidget(m_install);

    connect(m_install, &QPushButton::clicked, this, [this] {
        m_failed = !m_services.install();
        retranslate();
        refresh();
    });
    Kit::retranslate(this, [this] { retranslate(); });
    refresh();
}

void InstallBanner::refresh()
{
    setVisible(!m_services.isInstalled());
}

void InstallBanner::retranslate()
{
    m_title->setText(L("先把 Marovel 加入应用程序菜单（点一下自动完成）"));
    if (m_failed) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                               + QStringLiteral("/applications");
        m_note->setText(L("自动添加失败，请检查 %@ 是否可写。", folder));
        Kit::setForeground(m_note, Kit::Tint::red);
    } else {
        m_note->setText(L("设为默认文件管理器、开机启动等系统集成功能需要 Marovel 出现在应用程序菜单中。"));
        Kit::setTextLevel(m_note, Kit::Level::secondary);
    }
    m_install->setText(L("一键添加"));
}
