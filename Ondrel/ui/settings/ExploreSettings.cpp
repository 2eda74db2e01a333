#include "ExploreSettings.h"

#include "Localization.h"

#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

// LinkRow

LinkRow::LinkRow(QWidget *parent) : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
}

void LinkRow::setContent(QLayout *content)
{
    content->setContentsMargins(Kit::Space::tight, Kit::Space::tight, Kit::Space::tight, Kit::Space::tight);
    setLayout(content);
    for (QWidget *child : findChildren<QWidget *>())
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
}

QSize LinkRow::sizeHint() const
{
    return layout() ? layout()->sizeHint() : QAbstractButton::sizeHint();
}

QSize LinkRow::minimumSizeHint() const
{
    return layout() ? layout()->minimumSize() : QAbstractButton::minimumSizeHint();
}

void LinkRow::paintEvent(QPaintEvent *)
{
    if (!underMouse() && !isDown() && !hasFocus())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(hasFocus() ? QPen(palette().color(QPalette::Highlight), 1) : Qt::NoPen);
    p.setBrush(underMouse() || isDown() ? Kit::fill(Kit::Tint::gray, isDown() ? 0.25 : 0.14, palette())
                                        : QBrush(Qt::NoBrush));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

void LinkRow::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    update();
}

void LinkRow::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    update();
}

// ExploreSettings

ExploreSettings::ExploreSettings(const QUrl &makerUrl, std::function<void(const QUrl &)> open, QWidget *parent)
    : SettingsForm::Page(parent), m_makerUrl(makerUrl), m_open(std::move(open))
{
    setObjectName(QStringLiteral("exploreSettings"));
    SettingsForm::Section *family = addSection(L("来自 Pellory"));
    family->addRow(SettingsForm::caption(L("Marovel 来自 Pellory —— 一个做「纯本地、读得懂你内容」的小工具家族。"), family));

    SettingsForm::Section *products = addSection({});
    // Product names are names: the same in every language.
    products->addRow(productRow(QStringLiteral("camera.viewfinder"), QStringLiteral("Norvik"),
                                L("截图即归档，自动读懂内容、命名收纳"), products));
    products->addRow(productRow(QStringLiteral("calendar.badge.clock"), QStringLiteral("Merrowick"),
                                L("截图识别日程，一键加进日历"), products));
    products->addRow(productRow(QStringLiteral("note.text"), QStringLiteral("Tallowen"),
                                L("截图驱动笔记，AI 整理成结构化记录"), products));

    SettingsForm::Section *all = addSection({});
    auto *row = linkTo(new LinkRow(all));
    row->setObjectName(QStringLiteral("allProducts"));
    auto *text = Kit::plainLabel(L("查看全部 Pellory 产品"), row);
    Kit::setTextRole(text, Kit::TextRole::callout);
    auto *arrow = new Kit::SymbolView(QStringLiteral("arrow.up.right.square"), 14, row);
    arrow->setTint(Kit::Tint::gray);
    auto *line = new QHBoxLayout;
    line->addWidget(text);
    line->addStretch(1);
    line->addWidget(arrow);
    row->setContent(line);
    row->setAccessibleName(text->text());
    all->addRow(row);
}

LinkRow *ExploreSettings::linkTo(LinkRow *row)
{
    row->setToolTip(m_makerUrl.toString());
    connect(row, &LinkRow::clicked, this, [this] {
        if (m_open)
            m_open(m_makerUrl);
    });
    return row;
}

LinkRow *ExploreSettings::productRow(const QString &symbol, const QString &name, const QString &description,
                                     QWidget *parent)
{
    auto *row = linkTo(new LinkRow(parent));
    row->setObjectName(QStringLiteral("productRow"));
    auto *icon = new Kit::SymbolView(symbol, 22, row);
    icon->setTint(Kit::Tint::purple);
    auto *iconBox = new QHBoxLayout;
    iconBox->setContentsMargins(0, 0, 0, 0);
    iconBox->addWidget(icon, 0, Qt::AlignCenter);
    auto *iconFrame = new QWidget(row);
    iconFrame->setFixedWidth(28);
    iconFrame->setLayout(iconBox);

    auto *title = Kit::plainLabel(name, row);
    title->setObjectName(QStringLiteral("productName"));
    Kit::setTextRole(title, Kit::TextRole::headline);
    auto *desc = SettingsForm::caption(description, row);
    desc->setObjectName(QStringLiteral("productDescription"));
    auto *texts = new QVBoxLayout;
    texts->setSpacing(Kit::Space::hairline);
    texts->addWidget(title);
    texts->addWidget(desc);

    auto *arrow = new Kit::SymbolView(QStringLiteral("arrow.up.right.square"), 14, row);
    arrow->setTint(Kit::Tint::gray);
    auto *line = new QHBoxLayout;
    line->setSpacing(10);
    line->addWidget(iconFrame);
    line->addLayout(texts, 1);
    line->addWidget(arrow);
    row->setContent(line);
    row->setAccessibleName(name);
    return row;
}
