#include "DemoDropZone.h"

#include "kit/Style.h"
#include "kit/Widgets.h"
#include "list/DropUrls.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int zoneHeight = 120;
constexpr qreal radius = 14;
constexpr qreal lineWidth = 2;
constexpr qreal dash = 7; // points; Qt counts dashes in line widths

} // namespace

DemoDropZone::DemoDropZone(QWidget *parent)
    : QWidget(parent),
      m_glyph(new Kit::SymbolView(QStringLiteral("arrow.down.doc"),
                                  QFontMetrics(Kit::font(Kit::TextRole::headline)).height() + 6, this)),
      m_text(Kit::plainLabel({}, this))
{
    setObjectName(QStringLiteral("demoDropZone"));
    m_text->setObjectName(QStringLiteral("demoDropText"));
    m_text->setAlignment(Qt::AlignCenter);
    Kit::setTextLevel(m_text, Kit::Level::secondary);
    setAcceptDrops(true);
    setFixedHeight(zoneHeight);

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(6);
    layout->addStretch(1);
    layout->addWidget(m_glyph, 0, Qt::AlignHCenter);
    layout->addWidget(m_text, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    setHover(false);
}

void DemoDropZone::setText(const QString &text)
{
    m_text->setText(text);
    Kit::name(this, text);
}

void DemoDropZone::setHover(bool hover)
{
    m_hover = hover;
    if (hover)
        m_glyph->setTint(Kit::Tint::purple);
    else
        m_glyph->setLevel(Kit::Level::secondary);
    update();
}

void DemoDropZone::dragEnterEvent(QDragEnterEvent *event)
{
    if (DropUrls::localPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setHover(true);
}

void DemoDropZone::dragLeaveEvent(QDragLeaveEvent *event)
{
    setHover(false);
    QWidget::dragLeaveEvent(event);
}

void DemoDropZone::dropEvent(QDropEvent *event)
{
    setHover(false);
    const QStringList paths = DropUrls::localPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit dropped(paths);
}

void DemoDropZone::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor purple = Kit::tint(Kit::Tint::purple, palette());
    QColor stroke = purple;
    if (!m_hover) {
        stroke = Kit::textColor(Kit::Level::secondary, palette());
        stroke.setAlphaF(0.45f);
    }
    QPen pen(stroke, lineWidth);
    pen.setDashPattern({dash / lineWidth, dash / lineWidth});
    p.setPen(pen);
    if (m_hover) {
        QColor fill = purple;
        fill.setAlphaF(0.05f);
        p.setBrush(fill);
    }
    // Stroked inside the border.
    const qreal inset = lineWidth / 2;
    p.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), radius, radius);
}
