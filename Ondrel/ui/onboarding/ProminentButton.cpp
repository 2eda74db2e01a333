#include "ProminentButton.h"

#include "kit/Style.h"

#include <QPainter>

namespace {

constexpr int paddingX = 14;
constexpr int radius = 6;
constexpr int iconGap = 5;

int iconSide(const QFontMetrics &metrics)
{
    return metrics.height() - 2;
}

} // namespace

ProminentButton::ProminentButton(QWidget *parent) : QPushButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ProminentButton::setLarge(bool large)
{
    m_large = large;
    updateGeometry();
    update();
}

QSize ProminentButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int height = metrics.height() + (m_large ? 14 : 8);
    const int iconWidth = icon().isNull() ? 0 : iconSide(metrics) + iconGap;
    return {iconWidth + metrics.horizontalAdvance(text()) + 2 * paddingX, height};
}

void ProminentButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = Kit::mvCobalt();
    QColor text = Qt::white;
    if (!isEnabled()) {
        fill = Kit::fill(Kit::Tint::cobalt, 0.45, palette());
        text.setAlphaF(0.85f);
    } else if (isDown()) {
        fill = fill.darker(118);
    } else if (underMouse()) {
        fill = fill.lighter(112);
    }
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(box, radius, radius);
    if (hasFocus() && focusPolicy() != Qt::NoFocus) {
        QColor ring = palette().color(QPalette::Highlight);
        ring.setAlphaF(0.6f);
        p.setPen(QPen(ring, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(box.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    }
    p.setPen(text);
    p.setFont(font());
    QRect textRect = rect();
    if (!icon().isNull()) {
        // The icon leads the text; both centred together.
        const QFontMetrics metrics(font());
        const int side = iconSide(metrics);
        const int width = side + iconGap + metrics.horizontalAdvance(this->text());
        const int left = (rect().width() - width) / 2;
        const QRect iconRect(left, (rect().height() - side) / 2, side, side);
        p.setOpacity(text.alphaF());
        icon().paint(&p, iconRect);
        p.setOpacity(1);
        textRect.setLeft(iconRect.right() + 1 + iconGap);
        p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic, this->text());
        return;
    }
    p.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, this->text());
}
