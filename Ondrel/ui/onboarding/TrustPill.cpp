#include "TrustPill.h"

#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

TrustPill::TrustPill(const QString &symbol, QLabel *text, QWidget *parent) : QWidget(parent)
{
    auto *glyph = new Kit::SymbolView(symbol, QFontMetrics(Kit::font(Kit::TextRole::caption2)).height(), this);
    glyph->setTint(Kit::Tint::green);
    QFont font = Kit::font(Kit::TextRole::caption);
    font.setWeight(QFont::Medium);
    text->setFont(font);
    text->setWordWrap(false);
    text->setParent(this);
    Kit::setForeground(text, Kit::Tint::green);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(9, 4, 9, 4);
    layout->setSpacing(4);
    layout->addWidget(glyph);
    layout->addWidget(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TrustPill::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    QColor fill = Kit::tint(Kit::Tint::green, palette());
    fill.setAlphaF(0.1f); // over whatever card the pill sits on
    p.setBrush(fill);
    const qreal r = height() / 2.0;
    p.drawRoundedRect(QRectF(rect()), r, r);
}
