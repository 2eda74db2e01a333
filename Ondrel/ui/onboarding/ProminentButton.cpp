#include "ProminentButton.h"

#include "kit/Style.h"

#include <QPainter>

namespace {

constexpr int paddingX = 14;
constexpr int radius = 6;

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
    return {metrics.horizontalAdvance(text()) + 2 * paddingX, height};
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
    p.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic, this->text());
}
