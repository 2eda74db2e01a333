#include "SettingsForm.h"

#include "Defaults.h"
#include "Localization.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace SettingsForm {

namespace {

constexpr int pageMargin = 20;
constexpr int sectionGap = 14;
constexpr int cardRadius = 8;
constexpr int progressSteps = 1000;

// Keeps a widget's enabled text in a tint across palette changes.
class TextTint : public QObject
{
public:
    TextTint(QWidget *widget, Kit::Tint tint) : QObject(widget), m_widget(widget), m_tint(tint)
    {
        widget->installEventFilter(this);
        apply();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_widget && !m_applying
            && (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::PaletteChange))
            apply();
        return false;
    }

private:
    void apply()
    {
        m_applying = true;
        const QColor colour = Kit::tint(m_tint, QApplication::palette());
        QPalette palette = m_widget->palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive})
            for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
                palette.setColor(group, role, colour);
        m_widget->setPalette(palette);
        m_applying = false;
    }

    QWidget *m_widget;
    Kit::Tint m_tint;
    bool m_applying = false;
};

// The rounded background of a section's rows: the palette's base colour on light
// palettes; on dark ones a shade lighter than the window, so that check boxes and text
// fields (drawn on the base colour) keep their edges.
class SectionCard : public QFrame
{
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QPalette &pal = palette();
        const QColor colour = Kit::isDark(pal) ? pal.color(QPalette::Window).lighter(118) : pal.color(QPalette::Base);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cardRadius, cardRadius);
    }
};

} // namespace

// Section

Section::Section(const QString &header, QWidget *parent)
    : QWidget(parent), m_header(Kit::plainLabel({}, this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Kit::Space::small);
    m_header->setObjectName(QStringLiteral("sectionHeader"));
    Kit::setTextRole(m_header, Kit::TextRole::headline);
    column->addWidget(m_header);
    setHeader(header);
    auto *card = new SectionCard(this);
    m_rows = new QVBoxLayout(card);
    m_rows->setContentsMargins(Kit::Space::wide, Kit::Space::normal + 2, Kit::Space::wide, Kit::Space::normal + 2);
    m_rows->setSpacing(Kit::Space::normal);
    column->addWidget(card);
}

void Section::setHeader(const QString &header)
{
    m_header->setText(header);
    m_header->setVisible(!header.isEmpty());
}

void Section::addRow(QWidget *row)
{
    m_rows->addWidget(row);
}

void Section::addRow(QLayout *row)
{
    m_rows->addLayout(row);
}

// Page

Page::Page(QWidget *parent) : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *content = new QWidget(this);
    content->setObjectName(QStringLiteral("pageContent"));
    content->setAutoFillBackground(false);
    m_column = new QVBoxLayout(content);
    m_column->setContentsMargins(pageMargin, pageMargin - 4, pageMargin, pageMargin);
    m_column->setSpacing(sectionGap);
    m_column->addStretch(1);
    setWidget(content);
    viewport()->setAutoFillBackground(false);
}

Section *Page::addSection(const QString &header)
{
    auto *section = new Section(header, widget());
    add(section);
    return section;
}

void Page::add(QWidget *widget)
{
    m_column->insertWidget(m_column->count() - 1, widget); // above the closing stretch
}

void Page::setCentred(QWidget *widget)
{
    m_column->insertWidget(0, widget, 1);
}

// Rows

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = Kit::plainLabel(text, parent);
    label->setWordWrap(true);
    Kit::setTextRole(label, Kit::TextRole::caption);
    Kit::setTextLevel(label, Kit::Level::secondary);
    return label;
}

QCheckBox *boundCheck(const QString &key, bool fallback, const QString &text, QWidget *parent,
                      std::function<void(bool)> then)
{
    auto *box = new QCheckBox(text, parent);
    box->setChecked(Defaults::shared().boolValue(key, fallback));
    QObject::connect(box, &QCheckBox::clicked, box, [key, then = std::move(then)](bool on) {
        Defaults::shared().setValue(key, on);
        if (then)
            then(on);
    });
    QObject::connect(&Defaults::shared(), &Defaults::changed, box, [box, key, fallback](const QString &changed) {
        if (changed != key)
            return;
        const QSignalBlocker quiet(box);
        box->setChecked(Defaults::shared().boolValue(key, fallback));
    });
    return box;
}

QHBoxLayout *labelledRow(const QString &label, QWidget *control, QWidget *parent)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(Kit::Space::wide);
    auto *title = Kit::plainLabel(label, parent);
    title->setBuddy(control);
    row->addWidget(title);
    row->addStretch(1);
    row->addWidget(control);
    control->setAccessibleName(label);
    return row;
}

void tintText(QWidget *widget, Kit::Tint tint)
{
    new TextTint(widget, tint);
}

QProgressBar *progressBar(QWidget *parent)
{
    auto *bar = new QProgressBar(parent);
    bar->setRange(0, progressSteps);
    bar->setTextVisible(false);
    return bar;
}

void setFraction(QProgressBar *bar, double fraction)
{
    const double shown = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    bar->setRange(0, progressSteps);
    bar->setValue(int(shown * progressSteps));
}

QToolButton *removeButton(QWidget *parent)
{
    auto *button = Kit::plainButton(parent);
    button->setText(L("移除"));
    tintText(button, Kit::Tint::red);
    return button;
}

QPushButton *destructiveButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    tintText(button, Kit::Tint::red);
    return button;
}

// StatusLabel

StatusLabel::StatusLabel(const QString &symbol, Kit::Tint tint, QWidget *parent)
    : QWidget(parent), m_symbol(new Kit::SymbolView(symbol, 16, this)), m_text(Kit::plainLabel({}, this))
{
    m_text->setWordWrap(true);
    m_text->setObjectName(QStringLiteral("statusText"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(Kit::Space::small);
    row->addWidget(m_symbol, 0, Qt::AlignTop);
    row->addWidget(m_text, 1);
    set(symbol, tint, {});
}

void StatusLabel::set(const QString &symbol, Kit::Tint tint, const QString &text)
{
    m_symbol->setSymbol(symbol);
    m_symbol->setTint(tint);
    if (tint == Kit::Tint::gray)
        Kit::setTextLevel(m_text, Kit::Level::secondary);
    else
        Kit::setForeground(m_text, tint);
    m_text->setText(text);
    setAccessibleName(text);
}

QString StatusLabel::text() const
{
    return m_text->text();
}

QString StatusLabel::symbol() const
{
    return m_symbol->symbol();
}

} // namespace SettingsForm
