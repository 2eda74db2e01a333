#pragma once

#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QString>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QCheckBox;
class QProgressBar;
class QPushButton;
class QToolButton;
class QVBoxLayout;

// The pieces every settings page is made of: a scrolling page of grouped sections, each a
// header above a rounded card of rows, with captions as rows of their own.
namespace SettingsForm {

// One group of rows under an optional header.
class Section : public QWidget
{
    Q_OBJECT

public:
    // An empty header shows none.
    explicit Section(const QString &header, QWidget *parent = nullptr);

    // Replaces the header (a language change); an empty one hides it.
    void setHeader(const QString &header);
    void addRow(QWidget *row);
    void addRow(QLayout *row);
    // The layout of the rows, for rows that come and go.
    QVBoxLayout *rows() const { return m_rows; }

private:
    QLabel *m_header;
    QVBoxLayout *m_rows;
};

// A page: sections and loose rows from top to bottom, scrolling vertically when they do
// not fit.
class Page : public QScrollArea
{
    Q_OBJECT

public:
    explicit Page(QWidget *parent = nullptr);

    Section *addSection(const QString &header);
    void add(QWidget *widget);
    // A widget that fills the page's height instead of scrolling (the About page).
    void setCentred(QWidget *widget);

private:
    QVBoxLayout *m_column;
};

// An explanatory caption: caption font, secondary colour, wrapped, plain text.
QLabel *caption(const QString &text, QWidget *parent = nullptr);

// A check box showing the Bool setting `key` (`fallback` when absent). A click stores the
// new value first and then calls `then`; a change made elsewhere only moves the box.
QCheckBox *boundCheck(const QString &key, bool fallback, const QString &text, QWidget *parent,
                      std::function<void(bool)> then = {});

// A row: `label` at the leading edge, `control` at the trailing edge.
QHBoxLayout *labelledRow(const QString &label, QWidget *control, QWidget *parent);

// Colours a control's text with a tint while it is enabled (a disabled one keeps the
// palette's disabled colour), in light and dark palettes alike.
void tintText(QWidget *widget, Kit::Tint tint);

// A determinate progress bar without text, and how it shows a fraction: one that is not a
// finite number shows 0, and every value stays within 0 … 1.
QProgressBar *progressBar(QWidget *parent);
void setFraction(QProgressBar *bar, double fraction);

// A borderless text button in red ("移除").
QToolButton *removeButton(QWidget *parent);
// A push button whose text is red: an action that deletes something.
QPushButton *destructiveButton(const QString &text, QWidget *parent);

// A symbol followed by a text, both in `tint` (or the secondary colour for Tint::gray).
class StatusLabel : public QWidget
{
    Q_OBJECT

public:
    StatusLabel(const QString &symbol, Kit::Tint tint, QWidget *parent = nullptr);
    void set(const QString &symbol, Kit::Tint tint, const QString &text);
    QString text() const;
    QString symbol() const;

private:
    Kit::SymbolView *m_symbol;
    QLabel *m_text;
};

} // namespace SettingsForm
