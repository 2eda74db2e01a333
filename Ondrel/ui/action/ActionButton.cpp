#include "ActionButton.h"

#include "WrappedText.h"
#include "kit/Icons.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

// Bar: symbol and text in a row at the leading edge.
constexpr int heroSide = 16;
constexpr int heroTopBottom = 13;
constexpr int heroSpacing = 10;
constexpr int heroIcon = 20;
constexpr int heroRadius = 12;
// Tile: symbol above the centred text.
constexpr int tileTopBottom = 14;
constexpr int tileSpacing = 7;
constexpr int tileIcon = 22;
constexpr int tileRadius = 11;
constexpr int tileTextInset = 8; // keeps wrapped text off the rounded corners
constexpr int tileIdealTextWidth = 120;

} // namespace

ActionButton::ActionButton(const QString &symbol, const QString &label, std::optional<Kit::Tint> tint, bool hero,
                           QWidget *parent)
    : QAbstractButton(parent), m_tint(tint), m_hero(hero)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setSymbol(symbol);
    setLabel(label);
}

void ActionButton::setSymbol(const QString &symbol)
{
    m_symbol = symbol;
    setProperty(Kit::symbolProperty, symbol);
    update();
}

void ActionButton::setLabel(const QString &label)
{
    if (label == m_label)
        return;
    m_label = label;
    setAccessibleName(label);
    updateGeometry();
    update();
}

void ActionButton::setTint(std::optional<Kit::Tint> tint)
{
    m_tint = tint;
    update();
}

double ActionButton::fillOpacity() const
{
    if (m_hero)
        return m_hover ? heroHoverFill : heroFill;
    return m_hover ? tileHoverFill : tileFill;
}

QColor ActionButton::tintColor() const
{
    return m_tint ? Kit::tint(*m_tint, palette()) : Kit::textColor(Kit::Level::primary, palette());
}

int ActionButton::iconSize() const
{
    return m_hero ? heroIcon : tileIcon;
}

QFont ActionButton::labelFont() const
{
    return m_hero ? Kit::font(Kit::TextRole::headline, font()) : Kit::font(Kit::TextRole::caption, font());
}

QRect ActionButton::textRect(int width) const
{
    if (m_hero) {
        const int left = heroSide + heroIcon + heroSpacing;
        const int textWidth = std::max(1, width - left - heroSide);
        const int height = WrappedText::layout(m_label, labelFont(), textWidth).height();
        return {left, heroTopBottom, textWidth, height};
    }
    const int textWidth = std::max(1, width - 2 * tileTextInset);
    const int height = WrappedText::layout(m_label, labelFont(), textWidth).height();
    return {tileTextInset, tileTopBottom + tileIcon + tileSpacing, textWidth, height};
}

int ActionButton::heightForWidth(int width) const
{
    const QRect text = textRect(width);
    if (m_hero)
        return 2 * heroTopBottom + std::max(heroIcon, text.height());
    return tileTopBottom + tileIcon + (text.height() > 0 ? tileSpacing + text.height() : 0) + tileTopBottom;
}

QSize ActionButton::sizeHint() const
{
    const int textWidth = QFontMetrics(labelFont()).horizontalAdvance(m_label);
    const int width = m_hero ? heroSide + heroIcon + heroSpacing + textWidth + heroSide
                             : std::clamp(textWidth, tileIcon, tileIdealTextWidth) + 2 * tileTextInset;
    return {width, heightForWidth(width)};
}

QSize ActionButton::minimumSizeHint() const
{
    // The height of the unwrapped label: layouts ask the height for the width they give.
    const int width = m_hero ? 2 * heroSide + heroIcon : tileIcon + 2 * tileTextInset;
    return {width, heightForWidth(sizeHint().width())};
}

void ActionButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colour = tintColor();
    const int radius = m_hero ? heroRadius : tileRadius;
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), radius, radius);
    p.setClipPath(shape);

    QColor fillColour = colour;
    fillColour.setAlphaF(float(fillOpacity()));
    p.fillPath(shape, fillColour);

    // While pressed the content dims a little, as a plain button does.
    p.setOpacity(isDown() ? 0.65 : 1.0);
    const QIcon symbol = Kit::icon(m_symbol, colour);
    const QFont font = labelFont();
    const QRect text = textRect(width());
    const WrappedText::Lines lines = WrappedText::layout(m_label, font, text.width());
    p.setPen(colour);
    if (m_hero) {
        const int content = std::max(heroIcon, lines.height());
        const int top = (height() - content) / 2;
        symbol.paint(&p, QRect(heroSide, top + (content - heroIcon) / 2, heroIcon, heroIcon));
        WrappedText::draw(p, QRect(text.left(), top + (content - lines.height()) / 2, text.width(), lines.height()),
                          lines, font, Qt::AlignLeft);
    } else {
        const int content = tileIcon + (lines.height() > 0 ? tileSpacing + lines.height() : 0);
        const int top = (height() - content) / 2;
        symbol.paint(&p, QRect((width() - tileIcon) / 2, top, tileIcon, tileIcon));
        WrappedText::draw(p, QRect(text.left(), top + tileIcon + tileSpacing, text.width(), lines.height()), lines,
                          font, Qt::AlignHCenter);
    }

    if (hasFocus()) {
        p.setOpacity(1.0);
        p.setClipping(false);
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    }
}

void ActionButton::setHover(bool hover)
{
    if (hover == m_hover)
        return;
    m_hover = hover;
    update();
}

void ActionButton::enterEvent(QEnterEvent *event)
{
    setHover(true);
    QAbstractButton::enterEvent(event);
}

void ActionButton::leaveEvent(QEvent *event)
{
    setHover(false);
    QAbstractButton::leaveEvent(event);
}

void ActionButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        setHover(false);
    QAbstractButton::changeEvent(event);
}
