#include "DemoRow.h"

#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

constexpr int padding = 10;
constexpr qreal radius = 9;

Kit::ElidingLabel *nameLabel(const QString &objectName, QWidget *parent)
{
    auto *label = new Kit::ElidingLabel(parent);
    label->setObjectName(objectName);
    label->setElideMode(Qt::ElideMiddle);
    label->setFont(Kit::font(Kit::TextRole::callout));
    // As wide as the name, narrower when the row lacks room.
    label->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    return label;
}

} // namespace

DemoRow::DemoRow(const DemoItem &item, QWidget *parent)
    : QWidget(parent),
      m_id(item.id),
      m_accept(new QCheckBox(this)),
      m_recognized(new Kit::ElidingLabel(this)),
      m_oldName(nameLabel(QStringLiteral("demoOldName"), this)),
      m_newName(nameLabel(QStringLiteral("demoNewName"), this))
{
    setObjectName(QStringLiteral("demoRow"));
    m_accept->setObjectName(QStringLiteral("demoAccept"));
    m_recognized->setObjectName(QStringLiteral("demoRecognized"));
    m_recognized->setFont(Kit::font(Kit::TextRole::caption));
    m_recognized->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    Kit::setForeground(m_recognized, Kit::Tint::purple);
    QFont struck = m_oldName->font();
    struck.setStrikeOut(true);
    m_oldName->setFont(struck);
    Kit::setTextLevel(m_oldName, Kit::Level::secondary);
    QFont bold = m_newName->font();
    bold.setBold(true);
    m_newName->setFont(bold);

    auto *arrow = new Kit::SymbolView(QStringLiteral("arrow.right"),
                                      QFontMetrics(Kit::font(Kit::TextRole::caption2)).height(), this);
    arrow->setLevel(Kit::Level::tertiary);

    auto *names = new QHBoxLayout;
    names->setContentsMargins(0, 0, 0, 0);
    names->setSpacing(6);
    names->addWidget(m_oldName);
    names->addWidget(arrow);
    names->addWidget(m_newName);
    names->addStretch(1);

    auto *texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(3);
    texts->addWidget(m_recognized);
    texts->addLayout(names);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(padding, padding, padding, padding);
    row->setSpacing(10);
    row->addWidget(m_accept);
    row->addLayout(texts, 1);

    connect(m_accept, &QCheckBox::toggled, this, [this](bool on) { emit acceptToggled(m_id, on); });
    setItem(item);
}

void DemoRow::setItem(const DemoItem &item)
{
    m_recognized->setText(item.recognized);
    m_oldName->setText(item.oldName);
    m_newName->setText(item.newName);
    const QSignalBlocker quiet(m_accept);
    m_accept->setChecked(item.accept);
    Kit::name(m_accept, item.oldName);
}

void DemoRow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    QColor fill = Kit::textColor(Kit::Level::secondary, palette());
    fill.setAlphaF(0.06f);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rect()), radius, radius);
}
