#include "TagDots.h"

#include "DisplayHelpers.h"

#include <QEvent>
#include <QPainter>

TagDots::TagDots(const QStringList &tags, QWidget *parent) : QWidget(parent), m_tags(tags)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TagDots::setTags(const QStringList &tags)
{
    if (tags == m_tags)
        return;
    const bool resized = rowSize(tags) != rowSize(m_tags);
    m_tags = tags;
    if (resized)
        updateGeometry();
    update();
}

int TagDots::dotCount(const QStringList &tags)
{
    return int(qMin<qsizetype>(tags.size(), maxDots));
}

QSize TagDots::rowSize(const QStringList &tags)
{
    const int count = dotCount(tags);
    if (count == 0)
        return {0, 0};
    return {count * dotSize + (count - 1) * gap, dotSize};
}

void TagDots::paint(QPainter &painter, const QRect &rect, const QStringList &tags)
{
    const int count = dotCount(tags);
    if (count == 0)
        return;
    const QSize row = rowSize(tags);
    const QPointF origin(rect.x() + (rect.width() - row.width()) / 2.0,
                         rect.y() + (rect.height() - row.height()) / 2.0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        painter.setBrush(tagColor(tags[i]));
        painter.drawEllipse(QRectF(origin.x() + i * (dotSize + gap), origin.y(), dotSize, dotSize));
    }
    painter.restore();
}

QSize TagDots::sizeHint() const
{
    return rowSize(m_tags);
}

void TagDots::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter, rect(), m_tags);
}

void TagDots::changeEvent(QEvent *event)
{
    // The dimmed colour of unknown tags follows the palette.
    if (event->type() == QEvent::PaletteChange)
        update();
    QWidget::changeEvent(event);
}
