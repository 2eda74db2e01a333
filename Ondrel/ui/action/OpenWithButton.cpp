#include "OpenWithButton.h"

#include "BrowserState.h"
#include "Localization.h"
#include "kit/Icons.h"
#include "kit/Widgets.h"

#include <QMenu>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int sidePadding = 14;
constexpr int topBottomPadding = 11;
constexpr int symbolSide = 16;
constexpr int chevronSize = 10;
constexpr int spacing = 6;
constexpr int radius = 11;
constexpr double fillOpacity = 0.08;
constexpr double hoverFillOpacity = 0.14;

} // namespace

OpenWithButton::OpenWithButton(ActionPaneModel &model, QWidget *parent)
    : QToolButton(parent), m_model(model), m_menu(new QMenu(this))
{
    setObjectName(QStringLiteral("openWithButton"));
    m_menu->setObjectName(QStringLiteral("openWithMenu"));
    setPopupMode(QToolButton::InstantPopup);
    setMenu(m_menu);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setProperty(Kit::symbolProperty, QStringLiteral("square.and.arrow.up.on.square"));
    connect(&m_model, &ActionPaneModel::appsChanged, this, &OpenWithButton::rebuildMenu);
    Kit::retranslate(this, [this] {
        setText(L("用其他 App 打开"));
        Kit::name(this, text());
        updateGeometry();
    });
    rebuildMenu();
}

void OpenWithButton::rebuildMenu()
{
    m_menu->clear();
    const QList<OpenWithApp> &apps = m_model.apps();
    for (qsizetype i = 0; i < apps.size() && i < ActionPaneModel::openWithLimit; ++i) {
        const OpenWithApp app = apps.at(i);
        QAction *action = m_menu->addAction(Kit::escapeMnemonic(app.name.isEmpty() ? app.id : app.name));
        action->setObjectName(QStringLiteral("openWithApp"));
        action->setData(app.id);
        connect(action, &QAction::triggered, this, [this, id = app.id] {
            if (!m_path.isEmpty())
                m_model.state().openWith(m_path, id);
        });
    }
}

QSize OpenWithButton::sizeHint() const
{
    const int textWidth = fontMetrics().horizontalAdvance(text());
    return {2 * sidePadding + symbolSide + spacing + textWidth + spacing + chevronSize,
            2 * topBottomPadding + std::max(symbolSide, fontMetrics().height())};
}

QSize OpenWithButton::minimumSizeHint() const
{
    return {2 * sidePadding + symbolSide + chevronSize, sizeHint().height()};
}

void OpenWithButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), radius, radius);
    QColor fill = Kit::textColor(Kit::Level::secondary, palette());
    fill.setAlphaF(float(m_hover || isDown() ? hoverFillOpacity : fillOpacity));
    p.fillPath(shape, fill);

    const QColor ink = palette().color(QPalette::WindowText);
    const int middle = height() / 2;
    Kit::icon(QStringLiteral("square.and.arrow.up.on.square"), ink)
        .paint(&p, QRect(sidePadding, middle - symbolSide / 2, symbolSide, symbolSide));
    Kit::icon(QStringLiteral("chevron.down"), ink)
        .paint(&p, QRect(width() - sidePadding - chevronSize, middle - chevronSize / 2, chevronSize, chevronSize));
    const int left = sidePadding + symbolSide + spacing;
    const QRect textArea(left, 0, width() - left - spacing - chevronSize - sidePadding, height());
    p.setPen(ink);
    p.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               fontMetrics().elidedText(text(), Qt::ElideRight, textArea.width()));
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    }
}

void OpenWithButton::enterEvent(QEnterEvent *event)
{
    m_hover = true;
    update();
    QToolButton::enterEvent(event);
}

void OpenWithButton::leaveEvent(QEvent *event)
{
    m_hover = false;
    update();
    QToolButton::leaveEvent(event);
}
