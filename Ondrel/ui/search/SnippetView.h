#pragma once

#include <QStringList>
#include <QWidget>

// Plain text wrapped to the widget's width and cut to a number of lines, the last shown
// line ending in "…" when text was left out. Never markup; a cut never splits a
// character cluster (an emoji, a letter with its combining marks).
class SnippetView : public QWidget
{
    Q_OBJECT

public:
    explicit SnippetView(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    void setMaximumLines(int lines);

    // The lines drawn at the current width.
    QStringList shownLines() const;
    // The lines `text` takes at `width` with at most `maxLines`, the last one elided.
    static QStringList wrap(const QString &text, const QFont &font, int width, int maxLines);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // wrap() at one width, kept until the text, the font or the width changes: layouts ask
    // for the height many times.
    const QStringList &linesAt(int width) const;

    QString m_text;
    int m_maxLines = 3;
    mutable int m_cachedWidth = -1;
    mutable QStringList m_cachedLines;
};
