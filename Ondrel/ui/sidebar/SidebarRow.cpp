#include "SidebarRow.h"

#include "kit/Icons.h"
#include "kit/Style.h"

#include <QPainter>
#include <QStyle>

namespace {

constexpr int leadSize = 16;
constexpr int dotSize = 10;
constexpr int gap = 6;
// Where an item row of the list draws its icon, so both kinds of rows line up.
constexpr int leadMargin = 3;

} // namespace

SidebarRow::SidebarRow(QWidget *parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
    setIconSize({leadSize, leadSize});
}

void SidebarRow::setSymbol(const QString &symbol)
{
    Kit::setIcon(this, symbol);
    m_dot = QColor();
    update();
}

void SidebarRow::setDot(const QColor &colour)
{
    setIcon({});
    m_dot = colour;
    update();
}

void SidebarRow::setTrailingCheck(bool shown)
{
    if (m_check == shown)
        return;
    m_check = shown;
    update();
}

QSize SidebarRow::sizeHint() const
{
    const int height = qMax(fontMetrics().height(), leadSize) + 6;
    return {leadMargin + leadSize + gap + fontMetrics().horizontalAdvance(text()) + (m_check ? gap + leadSize : 0), height};
}

QSize SidebarRow::minimumSizeHint() const
{
    return {leadSize * 2, sizeHint().height()};
}

void SidebarRow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_hover || isDown()) {
        QColor shade = palette().color(QPalette::WindowText);
        shade.setAlphaF(isDown() ? 0.14 : 0.07);
        p.setPen(Qt::NoPen);
        p.setBrush(shade);
        p.drawRoundedRect(rect(), 5, 5);
    }

    QRect lead(leadMargin, (height() - leadSize) / 2, leadSize, leadSize);
    if (m_dot.isValid()) {
        p.setPen(Qt::NoPen);
        p.setBrush(m_dot);
        p.drawEllipse(QRectF(lead.center().x() - dotSize / 2.0 + 0.5, lead.center().y() - dotSize / 2.0 + 0.5,
                             dotSize, dotSize));
    } else if (!icon().isNull()) {
        icon().paint(&p, lead, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    }

    int right = width();
    if (m_check) {
        const QRect mark(right - leadSize, (height() - leadSize) / 2, leadSize, leadSize);
        Kit::icon(QStringLiteral("checkmark")).paint(&p, mark.adjusted(2, 2, -2, -2));
        right = mark.left() - gap;
    }
    const QRect textRect(lead.right() + 1 + gap, 0, qMax(0, right - lead.right() - 1 - gap), height());
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, textRect.width());
    setToolTip(shown == text() ? QString() : text());
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shown);
}

void SidebarRow::enterEvent(QEnterEvent *event)
{
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SidebarRow::leaveEvent(QEvent *event)
{
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}
