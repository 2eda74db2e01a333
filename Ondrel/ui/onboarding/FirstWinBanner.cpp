#include "FirstWinBanner.h"

#include "Localization.h"
#include "ProminentButton.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

FirstWinBanner::FirstWinBanner(std::function<void()> onTry, std::function<void()> onDismiss, QWidget *parent)
    : Kit::Card(parent), m_onTry(std::move(onTry)), m_onDismiss(std::move(onDismiss))
{
    setObjectName(QStringLiteral("firstWinBanner"));
    setRadius(0);
    setTint(Kit::Tint::cobalt, 0.12);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto *sparkles = new Kit::SymbolView(QStringLiteral("sparkles"), 18, this);
    sparkles->setTint(Kit::Tint::cobalt);
    // One line each; a narrow window elides them and shows the whole text as a tooltip.
    auto *title = new Kit::ElidingLabel(this);
    title->setObjectName(QStringLiteral("firstWinTitle"));
    Kit::setTextRole(title, Kit::TextRole::callout);
    auto *note = new Kit::ElidingLabel(this);
    note->setObjectName(QStringLiteral("firstWinNote"));
    Kit::setTextRole(note, Kit::TextRole::caption);
    Kit::setTextLevel(note, Kit::Level::secondary);
    auto *tryButton = new ProminentButton(this);
    tryButton->setObjectName(QStringLiteral("firstWinTry"));
    QToolButton *dismiss = Kit::iconButton(QStringLiteral("xmark"), this);
    dismiss->setObjectName(QStringLiteral("firstWinDismiss"));

    auto *lines = new QVBoxLayout;
    lines->setSpacing(1);
    lines->addWidget(title);
    lines->addWidget(note);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(Kit::Space::margin, Kit::Space::normal, Kit::Space::margin, Kit::Space::normal);
    row->setSpacing(10);
    row->addWidget(sparkles);
    row->addLayout(lines, 1);
    row->addWidget(tryButton);
    row->addWidget(dismiss);

    connect(tryButton, &QPushButton::clicked, this, [this] {
        if (m_onTry)
            m_onTry();
    });
    connect(dismiss, &QToolButton::clicked, this, [this] {
        if (m_onDismiss)
            m_onDismiss();
    });
    Kit::retranslate(this, [title, note, tryButton, dismiss] {
        title->setText(L("本地大脑就绪了，用示例文件看看效果？"));
        note->setText(L("4 个名字看不出内容的示例文件，读内容后重新命名；只改名，Ctrl+Z 可撤销。"));
        tryButton->setText(L("试试"));
        Kit::name(tryButton, tryButton->text());
        Kit::name(dismiss, L("关闭"), true);
    });
}
