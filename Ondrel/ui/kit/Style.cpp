#include "Style.h"

#include "Localization.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace Kit {

namespace {

QColor blend(const QColor &from, const QColor &to, double amount)
{
    const auto mix = [amount](double a, double b) { return a + (b - a) * amount; };
    return QColor::fromRgbF(float(mix(from.redF(), to.redF())), float(mix(from.greenF(), to.greenF())),
                            float(mix(from.blueF(), to.blueF())));
}

struct PaletteColours
{
    QColor window, base, alternateBase, text, button, highlight, highlightedText, tooltipBase,
        placeholder, link, light, midlight, mid, dark, shadow, disabledText;
};

QPalette makePalette(const PaletteColours &c)
{
    QPalette p;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        const QColor text = disabled ? c.disabledText : c.text;
        p.setColor(group, QPalette::Window, c.window);
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Base, disabled ? c.window : c.base);
        p.setColor(group, QPalette::AlternateBase, c.alternateBase);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Button, c.button);
        p.setColor(group, QPalette::ButtonText, text);
        p.setColor(group, QPalette::BrightText, Qt::white);
        p.setColor(group, QPalette::Highlight, disabled ? c.mid : c.highlight);
        p.setColor(group, QPalette::HighlightedText, c.highlightedText);
        p.setColor(group, QPalette::ToolTipBase, c.tooltipBase);
        p.setColor(group, QPalette::ToolTipText, c.text);
        p.setColor(group, QPalette::PlaceholderText, c.placeholder);
        p.setColor(group, QPalette::Link, c.link);
        p.setColor(group, QPalette::LinkVisited, c.link);
        p.setColor(group, QPalette::Light, c.light);
        p.setColor(group, QPalette::Midlight, c.midlight);
        p.setColor(group, QPalette::Mid, c.mid);
        p.setColor(group, QPalette::Dark, c.dark);
        p.setColor(group, QPalette::Shadow, c.shadow);
    }
    return p;
}

} // namespace

QFont font(TextRole role, const QFont &base)
{
    QFont f = base;
    const qreal size = base.pointSizeF() > 0 ? base.pointSizeF() : 10;
    const auto smaller = [&](qreal by) { f.setPointSizeF(std::max<qreal>(7, size - by)); };
    switch (role) {
    case TextRole::body: break;
    case TextRole::headline: f.setBold(true); break;
    case TextRole::subheadline:
    case TextRole::callout: smaller(1); break;
    case TextRole::caption: smaller(2); break;
    case TextRole::caption2: smaller(3); break;
    }
    return f;
}

QFont font(TextRole role)
{
    return font(role, QApplication::font());
}

void setTextRole(QWidget *widget, TextRole role)
{
    widget->setFont(font(role, QApplication::font(widget)));
}

bool isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

QColor textColor(Level level, const QPalette &palette)
{
    const QColor text = palette.color(QPalette::WindowText);
    const QColor window = palette.color(QPalette::Window);
    switch (level) {
    case Level::primary: return text;
    case Level::secondary: return blend(text, window, 0.38);
    case Level::tertiary: return blend(text, window, 0.55);
    }
    return text;
}

namespace {

void paintText(QWidget *widget, const QColor &colour)
{
    QPalette p = widget->palette();
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(role, colour);
    widget->setPalette(p);
}

// Re-colours the widgets given a foreground when the application palette changes: one
// filter on the application object, however many widgets.
class ForegroundRegistry : public QObject
{
public:
    static ForegroundRegistry &shared()
    {
        static QPointer<ForegroundRegistry> instance;
        if (!instance)
            instance = new ForegroundRegistry(qApp);
        return *instance;
    }

    void set(QWidget *widget, std::function<QColor(const QPalette &)> colour)
    {
        if (!m_colours.contains(widget))
            connect(widget, &QObject::destroyed, this, [this, widget] { m_colours.remove(widget); });
        paintText(widget, colour(QApplication::palette()));
        m_colours.insert(widget, std::move(colour));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ApplicationPaletteChange && watched == qApp) {
            const QPalette palette = QApplication::palette();
            for (auto it = m_colours.cbegin(); it != m_colours.cend(); ++it)
                paintText(it.key(), it.value()(palette));
        }
        return false;
    }

private:
    explicit ForegroundRegistry(QObject *parent) : QObject(parent) { qApp->installEventFilter(this); }

    QHash<QWidget *, std::function<QColor(const QPalette &)>> m_colours;
};

} // namespace

void setForeground(QWidget *widget, const std::function<QColor(const QPalette &)> &colour)
{
    ForegroundRegistry::shared().set(widget, colour);
}

void setForeground(QWidget *widget, Tint which)
{
    setForeground(widget, [which](const QPalette &palette) { return tint(which, palette); });
}

void setTextLevel(QWidget *widget, Level level)
{
    setForeground(widget, [level](const QPalette &palette) { return textColor(level, palette); });
}

QColor tint(Tint tint, const QPalette &palette)
{
    const bool dark = isDark(palette);
    switch (tint) {
    case Tint::accent: return dark ? QColor(0x0a, 0x84, 0xff) : QColor(0x00, 0x6e, 0xe6);
    case Tint::green: return dark ? QColor(0x30, 0xd1, 0x58) : QColor(0x1f, 0xa8, 0x45);
    case Tint::orange: return dark ? QColor(0xff, 0x9f, 0x0a) : QColor(0xe0, 0x7a, 0x00);
    case Tint::red: return dark ? QColor(0xff, 0x45, 0x3a) : QColor(0xe0, 0x30, 0x26);
    case Tint::purple: return dark ? QColor(0xbf, 0x5a, 0xf2) : QColor(0x9a, 0x3f, 0xc9);
    case Tint::yellow: return dark ? QColor(0xff, 0xd6, 0x0a) : QColor(0xc9, 0x9a, 0x00);
    case Tint::gray: return dark ? QColor(0x98, 0x98, 0x9d) : QColor(0x8e, 0x8e, 0x93);
    case Tint::pink: return dark ? QColor(0xff, 0x37, 0x5f) : QColor(0xe0, 0x2d, 0x55);
    case Tint::cobalt: return mvCobalt();
    }
    return palette.color(QPalette::Highlight);
}

QColor mvCobalt()
{
    return QColor(21, 95, 190);
}

QColor fill(Tint which, double opacity, const QPalette &palette)
{
    return blend(palette.color(QPalette::Window), tint(which, palette), std::clamp(opacity, 0.0, 1.0));
}

QPalette lightPalette()
{
    return makePalette({
        .window = QColor(0xee, 0xee, 0xef),
        .base = QColor(0xff, 0xff, 0xff),
        .alternateBase = QColor(0xf4, 0xf5, 0xf7),
        .text = QColor(0x1d, 0x1d, 0x1f),
        .button = QColor(0xf8, 0xf8, 0xf9),
        .highlight = QColor(0x00, 0x6e, 0xe6),
        .highlightedText = QColor(0xff, 0xff, 0xff),
        .tooltipBase = QColor(0xfb, 0xfb, 0xfb),
        .placeholder = QColor(0x8e, 0x8e, 0x93),
        .link = QColor(0x00, 0x68, 0xda),
        .light = QColor(0xff, 0xff, 0xff),
        .midlight = QColor(0xe4, 0xe4, 0xe6),
        .mid = QColor(0xc4, 0xc4, 0xc8),
        .dark = QColor(0x9a, 0x9a, 0x9f),
        .shadow = QColor(0x6e, 0x6e, 0x73),
        .disabledText = QColor(0xa4, 0xa4, 0xa8),
    });
}

QPalette darkPalette()
{
    return makePalette({
        .window = QColor(0x2a, 0x2a, 0x2c),
        .base = QColor(0x1e, 0x1e, 0x20),
        .alternateBase = QColor(0x26, 0x26, 0x29),
        .text = QColor(0xe9, 0xe9, 0xeb),
        .button = QColor(0x3a, 0x3a, 0x3d),
        .highlight = QColor(0x0a, 0x84, 0xff),
        .highlightedText = QColor(0xff, 0xff, 0xff),
        .tooltipBase = QColor(0x3a, 0x3a, 0x3d),
        .placeholder = QColor(0x8e, 0x8e, 0x93),
        .link = QColor(0x4a, 0xa3, 0xff),
        .light = QColor(0x52, 0x52, 0x56),
        .midlight = QColor(0x44, 0x44, 0x47),
        .mid = QColor(0x33, 0x33, 0x36),
        .dark = QColor(0x18, 0x18, 0x1a),
        .shadow = QColor(0x00, 0x00, 0x00),
        .disabledText = QColor(0x6e, 0x6e, 0x73),
    });
}

QLabel *plainLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QString escapeMnemonic(const QString &text)
{
    QString escaped = text;
    return escaped.replace(u'&', QStringLiteral("&&"));
}

void retranslate(QObject *context, const std::function<void()> &apply)
{
    apply();
    QObject::connect(&Loc::shared(), &Loc::revisionChanged, context, [apply] { apply(); });
}

QFrame *divider(Qt::Orientation orientation, QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(orientation == Qt::Horizontal ? QFrame::HLine : QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

} // namespace Kit
