#include "SnippetView.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

namespace {

// Line breaks inside the text become line separators, which the layout honours.
QString layoutText(const QString &text)
{
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    out.replace(u'\n', QChar::LineSeparator);
    out.replace(u'\r', QChar::LineSeparator);
    return out;
}

} // namespace

SnippetView::SnippetView(QWidget *parent) : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void SnippetView::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_cachedWidth = -1;
    updateGeometry();
    update();
}

void SnippetView::setMaximumLines(int lines)
{
    m_maxLines = qMax(1, lines);
    m_cachedWidth = -1;
    updateGeometry();
    update();
}

QStringList SnippetView::wrap(const QString &text, const QFont &font, int width, int maxLines)
{
    if (text.isEmpty() || width <= 0 || maxLines <= 0)
        return {};
    const QString source = layoutText(text);
    QTextLayout layout(source, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QList<std::pair<int, int>> spans; // start, length
    while (spans.size() < maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        spans.append({line.textStart(), line.textLength()});
    }
    layout.endLayout();
    if (spans.isEmpty())
        return {};

    QStringList lines;
    for (const auto &[start, length] : spans) {
        QString piece = source.mid(start, length);
        while (piece.endsWith(QChar::LineSeparator))
            piece.chop(1);
        lines << piece;
    }
    const auto &[lastStart, lastLength] = spans.last();
    if (lastStart + lastLength < source.size()) {
        // Text is left over: the last line takes the rest and is cut with an ellipsis.
        // The font metrics cut at character-cluster boundaries only.
        QString rest = source.mid(lastStart);
        rest.replace(QChar::LineSeparator, u' ');
        const QFontMetrics metrics(font);
        lines.last() = metrics.elidedText(rest, Qt::ElideRight, width);
    }
    return lines;
}

const QStringList &SnippetView::linesAt(int width) const
{
    if (width != m_cachedWidth) {
        m_cachedLines = wrap(m_text, font(), width, m_maxLines);
        m_cachedWidth = width;
    }
    return m_cachedLines;
}

QStringList SnippetView::shownLines() const
{
    return linesAt(contentsRect().width());
}

int SnippetView::heightForWidth(int width) const
{
    const int count = int(linesAt(width).size());
    return qMax(1, count) * fontMetrics().lineSpacing();
}

QSize SnippetView::sizeHint() const
{
    const int width = fontMetrics().averageCharWidth() * 40;
    return {width, heightForWidth(width)};
}

QSize SnippetView::minimumSizeHint() const
{
    return {0, fontMetrics().lineSpacing()};
}

void SnippetView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    const QFontMetrics metrics = fontMetrics();
    const QRect area = contentsRect();
    int y = area.top();
    for (const QString &line : shownLines()) {
        painter.drawText(QRect(area.left(), y, area.width(), metrics.lineSpacing()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
        y += metrics.lineSpacing();
    }
}

void SnippetView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        m_cachedWidth = -1;
        updateGeometry();
        update();
    }
    QWidget::changeEvent(event);
}
