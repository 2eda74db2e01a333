#include "WrappedText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace WrappedText {

int Lines::width(const QFont &font) const
{
    const QFontMetrics metrics(font);
    int widest = 0;
    for (const QString &line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

Lines layout(const QString &text, const QFont &font, int width, int maxLines)
{
    const QFontMetrics metrics(font);
    Lines result;
    result.lineHeight = metrics.lineSpacing();
    if (text.isEmpty())
        return result;
    width = std::max(width, 1);

    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (maxLines > 0 && result.lines.size() == maxLines - 1) {
            // The last line allowed takes the rest of the text, elided when it is longer.
            const QString rest = text.mid(line.textStart());
            const QString shown = metrics.elidedText(rest, Qt::ElideRight, width);
            result.cut = shown != rest;
            result.lines << (result.cut ? shown : rest);
            break;
        }
        QString part = text.mid(line.textStart(), line.textLength());
        while (!part.isEmpty() && part.back().isSpace())
            part.chop(1);
        result.lines << part;
    }
    layout.endLayout();
    return result;
}

void draw(QPainter &painter, const QRect &rect, const Lines &lines, const QFont &font, Qt::Alignment horizontal)
{
    painter.save();
    painter.setFont(font);
    int top = rect.top();
    for (const QString &line : lines.lines) {
        const QRect row(rect.left(), top, rect.width(), lines.lineHeight);
        painter.drawText(row, int(horizontal | Qt::AlignVCenter | Qt::TextSingleLine), line);
        top += lines.lineHeight;
    }
    painter.restore();
}

} // namespace WrappedText
