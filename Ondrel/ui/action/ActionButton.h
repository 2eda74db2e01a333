#pragma once

#include "kit/Style.h"

#include <QAbstractButton>

#include <optional>

// The button of the action pane: a tinted, rounded grid tile (symbol above a caption) or
// a wide call-to-action bar (symbol and bold text at the leading edge). Its fill is the
// tint at a low opacity that rises while the pointer is over it; symbol and text are
// drawn in the tint. The label is shown verbatim (callers translate it; "&" is no
// mnemonic), wraps when it does not fit, and is the accessible name. Takes keyboard focus;
// Space clicks it.
class ActionButton : public QAbstractButton
{
    Q_OBJECT

public:
    // Fill opacities: tile at rest and hovered, bar at rest and hovered.
    static constexpr double tileFill = 0.10;
    static constexpr double tileHoverFill = 0.18;
    static constexpr double heroFill = 0.18;
    static constexpr double heroHoverFill = 0.28;

    // `tint` none draws in the palette's text colour.
    ActionButton(const QString &symbol, const QString &label, std::optional<Kit::Tint> tint, bool hero,
                 QWidget *parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString &symbol);
    QString label() const { return m_label; }
    void setLabel(const QString &label);
    std::optional<Kit::Tint> tint() const { return m_tint; }
    void setTint(std::optional<Kit::Tint> tint);
    bool isHero() const { return m_hero; }
    bool isHovered() const { return m_hover; }
    // The opacity of the fill now.
    double fillOpacity() const;
    // The colour of symbol, text and fill.
    QColor tintColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int iconSize() const;
    QFont labelFont() const;
    // The text's area within a button of `width`; its height fits the wrapped text.
    QRect textRect(int width) const;
    void setHover(bool hover);

    QString m_symbol;
    QString m_label;
    std::optional<Kit::Tint> m_tint;
    bool m_hero;
    bool m_hover = false;
};
