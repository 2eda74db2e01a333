#pragma once

#include "Style.h"

#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>

class QTimer;
class QToolButton;

// Small widgets the windows are built from.
namespace Kit {

// One line of plain text that elides (at the end, or in the middle for file names in
// lists) when it does not fit, with the full text as tooltip only when it was cut. It
// can shrink below its text's width.
class ElidingLabel : public QFrame
{
    Q_OBJECT

public:
    explicit ElidingLabel(QWidget *parent = nullptr);
    explicit ElidingLabel(const QString &text, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    void setElideMode(Qt::TextElideMode mode);
    // Whether the text drawn last was cut.
    bool isElided() const { return m_elided; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateElision();

    QString m_text;
    Qt::TextElideMode m_mode = Qt::ElideRight;
    bool m_elided = false;
};

// An icon by symbol name, drawn at a fixed size in the palette's text colour or in a
// given colour; keeps the symbol name in Kit::symbolProperty.
class SymbolView : public QWidget
{
    Q_OBJECT

public:
    explicit SymbolView(const QString &symbol, int size, QWidget *parent = nullptr);
    void setSymbol(const QString &symbol);
    // Drawn in this tint of the palette instead of the text colour.
    void setTint(Tint tint);
    // Drawn in this text level of the palette.
    void setLevel(Level level);
    void setSymbolSize(int size);
    QString symbol() const { return m_symbol; }
    QSize sizeHint() const override { return {m_size, m_size}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_symbol;
    std::function<QColor(const QPalette &)> m_colour;
    int m_size;
};

// A background: the window colour mixed with a tint at some opacity, or the palette's
// base colour, optionally with rounded corners (cards) or square (banners, bars).
class Card : public QFrame
{
    Q_OBJECT

public:
    explicit Card(QWidget *parent = nullptr);
    // Tinted fill; opacity 0 … 1.
    void setTint(Tint tint, double opacity);
    // The palette's base colour (a neutral card).
    void setNeutral();
    void setRadius(int radius);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::optional<std::pair<Tint, double>> m_tint;
    int m_radius = 8;
};

// A short plain text on a capsule (badges, kind pills): padded 6 points left and right
// and 2 points top and bottom; the capsule's colour is taken from the palette when drawn.
class Pill : public QLabel
{
    Q_OBJECT

public:
    explicit Pill(QWidget *parent = nullptr);
    // The capsule's colour for a palette (light or dark).
    void setFill(std::function<QColor(const QPalette &)> fill);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::function<QColor(const QPalette &)> m_fill;
};

// A small clickable status chip: a coloured dot and a short caption in the secondary
// colour, flat. Its accessible name is its text.
class Chip : public QAbstractButton
{
    Q_OBJECT

public:
    explicit Chip(QWidget *parent = nullptr);
    void setDot(Tint tint);
    Tint dot() const { return m_dot; }
    void setLabel(const QString &text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Tint m_dot = Tint::gray;
};

// A small spinning activity indicator; it turns only while visible.
class Spinner : public QWidget
{
    Q_OBJECT

public:
    explicit Spinner(int size = 12, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {m_size, m_size}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QTimer *m_timer;
    int m_step = 0;
    int m_size;
};

// A borderless icon-only button; the accessible name (and tooltip when asked) say what it
// does, since it shows no text.
QToolButton *iconButton(const QString &symbol, QWidget *parent = nullptr);
// A flat text button without frame (plain style).
QToolButton *plainButton(QWidget *parent = nullptr);
// Sets a control's accessible name, and its tooltip when `tooltip` is true.
void name(QWidget *control, const QString &text, bool tooltip = false);

} // namespace Kit
