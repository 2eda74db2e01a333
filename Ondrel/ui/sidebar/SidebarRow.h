#pragma once

#include <QAbstractButton>
#include <QColor>

// A flat, full-width sidebar button drawn like a list row: a leading icon or colour dot,
// the title elided at the end (the full title as tooltip when cut) and an optional check
// mark at the trailing edge. Titles are data (volume and tag names): drawn as plain text.
class SidebarRow : public QAbstractButton
{
    Q_OBJECT

public:
    explicit SidebarRow(QWidget *parent = nullptr);

    // A symbol icon before the title…
    void setSymbol(const QString &symbol);
    // …or a filled circle of this colour.
    void setDot(const QColor &colour);
    void setTrailingCheck(bool shown);
    bool trailingCheck() const { return m_check; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QColor m_dot;
    bool m_check = false;
    bool m_hover = false;
};
