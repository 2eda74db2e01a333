#include "ItemNameLabel.h"

#include "WrappedText.h"

#include <QEvent>
#include <QPainter>

ItemNameLabel::ItemNameLabel(QWidget *parent) : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void ItemNameLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    setToolTip(text);
    setAccessibleName(text);
    updateGeometry();
    update();
}

QStringList ItemNameLabel::shownLines() const
{
    return WrappedText::layout(m_text, font(), width(), maxLines).lines;
}

int ItemNameLabel::heightForWidth(int width) const
{
    return WrappedText::layout(m_text, font(), width, maxLines).height();
}

QSize ItemNameLabel::sizeHint() const
{
    const int width = fontMetrics().horizontalAdvance(m_text) + 1;
    return {width, heightForWidth(width)};
}

QSize ItemNameLabel::minimumSizeHint() const
{
    return {0, fontMetrics().lineSpacing()};
}

void ItemNameLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const WrappedText::Lines lines = WrappedText::layout(m_text, font(), width(), maxLines);
    WrappedText::draw(painter, QRect(0, (height() - lines.height()) / 2, width(), lines.height()), lines, font(),
                      Qt::AlignHCenter);
}

void ItemNameLabel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QWidget::changeEvent(event);
}
