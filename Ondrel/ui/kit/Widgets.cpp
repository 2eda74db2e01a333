#include "Widgets.h"

#include "Icons.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QToolButton>

#include <cmath>

namespace Kit {

// ElidingLabel

ElidingLabel::ElidingLabel(QWidget *parent) : ElidingLabel(QString(), parent) {}

ElidingLabel::ElidingLabel(const QString &text, QWidget *parent) : QFrame(parent), m_text(text)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    updateElision();
}

void ElidingLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    updateElision();
    update();
}

void ElidingLabel::setElideMode(Qt::TextElideMode mode)
{
    m_mode = mode;
    updateElision();
    update();
}

QSize ElidingLabel::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    const QMargins m = contentsMargins();
    return {fm.horizontalAdvance(m_text) + m.left() + m.right() + 1, fm.height() + m.top() + m.bottom()};
}

QSize ElidingLabel::minimumSizeHint() const
{
    const QMargins m = contentsMargins();
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")) + m.left() + m.right(),
            fontMetrics().height() + m.top() + m.bottom()};
}

void ElidingLabel::updateElision()
{
    const QString shown = fontMetrics().elidedText(m_text, m_mode, contentsRect().width());
    const bool elided = shown != m_text;
    if (elided != m_elided || elided)
        setToolTip(elided ? m_text : QString());
    m_elided = elided;
}

void ElidingLabel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter p(this);
    p.setPen(palette().color(foregroundRole()));
    const QRect r = contentsRect();
    const QString shown = fontMetrics().elidedText(m_text, m_mode, r.width());
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

void ElidingLabel::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    updateElision();
}

void ElidingLabel::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        updateElision();
    }
}

// SymbolView

SymbolView::SymbolView(const QString &symbol, int size, QWidget *parent)
    : QWidget(parent), m_size(size)
{
    setFixedSize(size, size);
    setSymbol(symbol);
}

void SymbolView::setSymbol(const QString &symbol)
{
    m_symbol = symbol;
    setProperty(symbolProperty, symbol);
    update();
}

void SymbolView::setTint(Tint tint)
{
    m_tint = tint;
    update();
}

void SymbolView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    // Untinted symbols take the widget's own text colour (a text level set on it counts).
    const QColor colour = m_tint ? tint(*m_tint, palette()) : palette().color(QPalette::WindowText);
    icon(m_symbol, colour).paint(&p, rect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
}

// Card

Card::Card(QWidget *parent) : QFrame(parent) {}

void Card::setTint(Tint tint, double opacity)
{
    m_tint = std::make_pair(tint, opacity);
    update();
}

void Card::setNeutral()
{
    m_tint.reset();
    update();
}

void Card::setRadius(int radius)
{
    m_radius = radius;
    update();
}

void Card::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colour = m_tint ? fill(m_tint->first, m_tint->second, palette())
                                 : palette().color(QPalette::Base);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    if (m_radius > 0)
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), m_radius, m_radius);
    else
        p.drawRect(rect());
    p.end();
    QFrame::paintEvent(event);
}

// Chip

namespace {
constexpr int dotSize = 7;
constexpr int chipGap = 4;
constexpr int chipPadding = 2;
} // namespace

Chip::Chip(QWidget *parent) : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setFont(Kit::font(TextRole::caption2, QWidget::font()));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Chip::setDot(Tint tint)
{
    m_dot = tint;
    update();
}

void Chip::setLabel(const QString &text)
{
    setText(text);
    setAccessibleName(text);
    updateGeometry();
}

QSize Chip::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    return {chipPadding * 2 + dotSize + chipGap + fm.horizontalAdvance(text()),
            std::max(dotSize, fm.height()) + chipPadding * 2};
}

void Chip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (isDown() || underMouse()) {
        p.setPen(Qt::NoPen);
        p.setBrush(fill(Tint::gray, isDown() ? 0.3 : 0.18, palette()));
        p.drawRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
    }
    const QRectF dot(chipPadding, (height() - dotSize) / 2.0, dotSize, dotSize);
    p.setPen(Qt::NoPen);
    p.setBrush(tint(m_dot, palette()));
    p.drawEllipse(dot);
    p.setPen(textColor(Level::secondary, palette()));
    const QRect textRect(int(dot.right()) + chipGap, 0, width() - int(dot.right()) - chipGap - chipPadding, height());
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), height() / 2.0, height() / 2.0);
    }
}

void Chip::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateGeometry();
}

// Spinner

Spinner::Spinner(int size, QWidget *parent) : QWidget(parent), m_timer(new QTimer(this)), m_size(size)
{
    setFixedSize(size, size);
    m_timer->setInterval(80);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % 12;
        update();
    });
}

void Spinner::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    const qreal outer = m_size / 2.0 - 0.5;
    const qreal inner = outer * 0.45;
    const QColor base = textColor(Level::secondary, palette());
    for (int i = 0; i < 12; ++i) {
        QColor c = base;
        c.setAlphaF(float(0.15 + 0.85 * (((i - m_step + 12) % 12) / 11.0)));
        const qreal angle = i * M_PI / 6;
        QPen pen(c, std::max(1.2, m_size / 9.0), Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.drawLine(centre + QPointF(std::sin(angle) * inner, -std::cos(angle) * inner),
                   centre + QPointF(std::sin(angle) * outer, -std::cos(angle) * outer));
    }
}

void Spinner::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_timer->start();
}

void Spinner::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer->stop();
}

// Buttons

QToolButton *iconButton(const QString &symbol, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setFocusPolicy(Qt::TabFocus);
    setIcon(button, symbol);
    return button;
}

QToolButton *plainButton(QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

void name(QWidget *control, const QString &text, bool tooltip)
{
    control->setAccessibleName(text);
    if (tooltip)
        control->setToolTip(text);
}

} // namespace Kit
