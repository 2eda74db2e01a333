#include "AboutSettings.h"

#include "Localization.h"
#include "kit/Widgets.h"

#include <QCoreApplication>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

AboutSettings::AboutSettings(const QUrl &productUrl, std::function<void(const QUrl &)> open, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("aboutSettings"));
    auto *symbol = new Kit::SymbolView(QStringLiteral("wand.and.stars"), 46, this);
    symbol->setTint(Kit::Tint::purple);

    auto *name = Kit::plainLabel(L("Marovel"), this);
    name->setObjectName(QStringLiteral("appName"));
    QFont nameFont = font();
    nameFont.setPointSizeF(nameFont.pointSizeF() + 8);
    nameFont.setBold(true);
    name->setFont(nameFont);

    auto *version = Kit::plainLabel(versionLine(), this);
    version->setObjectName(QStringLiteral("appVersion"));
    Kit::setTextLevel(version, Kit::Level::secondary);

    auto *slogan = Kit::plainLabel(L("交给 Marovel，你只管做事，每个文件自会各归其位。"), this);
    slogan->setObjectName(QStringLiteral("slogan"));
    Kit::setTextRole(slogan, Kit::TextRole::callout);
    Kit::setTextLevel(slogan, Kit::Level::secondary);

    auto *promise = Kit::plainLabel(L("会读内容的文件管理器 · 永不删除 · 纯本地"), this);
    Kit::setTextRole(promise, Kit::TextRole::caption);
    Kit::setTextLevel(promise, Kit::Level::tertiary);

    auto *link = Kit::plainButton(this);
    link->setObjectName(QStringLiteral("productLink"));
    link->setText(Kit::escapeMnemonic(productUrl.host()));
    link->setToolTip(productUrl.toString());
    link->setCursor(Qt::PointingHandCursor);
    Kit::setTextRole(link, Kit::TextRole::caption);
    Kit::setForeground(link, [](const QPalette &palette) { return palette.color(QPalette::Link); });
    Kit::name(link, productUrl.host());
    connect(link, &QToolButton::clicked, this, [productUrl, open = std::move(open)] {
        if (open)
            open(productUrl);
    });

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(28, 28, 28, 28);
    column->setSpacing(12);
    column->addStretch(1);
    for (QWidget *widget : std::initializer_list<QWidget *>{symbol, name, version, slogan, promise, link}) {
        if (auto *label = qobject_cast<QLabel *>(widget)) {
            // Texts take the whole width, so a long translation wraps instead of being squeezed.
            label->setAlignment(Qt::AlignCenter);
            label->setWordWrap(true);
            column->addWidget(label);
        } else {
            column->addWidget(widget, 0, Qt::AlignHCenter);
        }
    }
    column->addStretch(1);
}

QString AboutSettings::versionLine()
{
    const QString version = QCoreApplication::applicationVersion();
    return QStringLiteral("v") + (version.isEmpty() ? QStringLiteral("0.1") : version);
}
