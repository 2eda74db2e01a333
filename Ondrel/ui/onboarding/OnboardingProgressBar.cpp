#include "OnboardingProgressBar.h"

#include "kit/Style.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

OnboardingProgressBar::OnboardingProgressBar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("onboardingProgressBar"));
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void OnboardingProgressBar::setValue(double value)
{
    if (value == m_value)
        return;
    m_value = value;
    update();
}

double OnboardingProgressBar::filled() const
{
    return std::isfinite(m_value) ? std::clamp(m_value, 0.0, 1.0) : 0.0;
}

void OnboardingProgressBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QRectF track(0, 0, width(), height);
    const qreal r = height / 2.0;
    QColor trackColour = Kit::textColor(Kit::Level::secondary, palette());
    trackColour.setAlphaF(0.22f);
    p.setBrush(trackColour);
    p.drawRoundedRect(track, r, r);
    const qreal filledWidth = track.width() * filled();
    if (filledWidth > 0) {
        p.setBrush(Kit::mvCobalt());
        p.drawRoundedRect(QRectF(0, 0, filledWidth, height), r, r);
    }
}
