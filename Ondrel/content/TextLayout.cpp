#include "TextLayout.h"

namespace TextLayout {

namespace {

bool isGapChar(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'|' || c == QChar(0x3000);
}

// Wide characters take two columns where a page's layout is written out as text.
int columnWidth(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3)
                   || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F)
                   || (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6)
               ? 2
               : 1;
}

qsizetype lineStartOf(const QString &text, qsizetype at)
{
    const qsizetype newline = at > 0 ? text.lastIndexOf(u'\n', at - 1) : -1;
    return newline + 1;
}

qsizetype lineEndOf(const QString &text, qsizetype at)
{
    const qsizetype newline = text.indexOf(u'\n', at);
    return newline < 0 ? text.size() : newline;
}

// The display column of a position of its line.
int columnOf(const QString &text, qsizetype lineStart, qsizetype at)
{
    int column = 0;
    for (qsizetype i = lineStart; i < at; ++i)
        column += columnWidth(text[i]);
    return column;
}

Span trimmed(const QString &text, Span span)
{
    while (span.start < span.end && (text[span.start].isSpace() || text[span.start] == u':'
                                     || text[span.start] == QChar(0xFF1A)))
        ++span.start;
    while (span.end > span.start && text[span.end - 1].isSpace())
        --span.end;
    return span;
}

} // namespace

QList<Span> cells(const QString &text, qsizetype lineStart, qsizetype lineEnd)
{
    QList<Span> found;
    qsizetype i = lineStart;
    while (i < lineEnd) {
        while (i < lineEnd && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'|'))
            ++i;
        if (i >= lineEnd)
            break;
        const qsizetype start = i;
        while (i < lineEnd) {
            if (text[i] == u'\t' || text[i] == u'|' || text[i] == QChar(0x3000))
                break;
            if (text[i] == u' ' && i + 1 < lineEnd && isGapChar(text[i + 1]))
                break;
            ++i;
        }
        qsizetype end = i;
        while (end > start && text[end - 1] == u' ')
            --end;
        found << Span{start, end};
    }
    return found;
}

QList<Span> valueSpans(const QString &text, qsizetype labelStart, qsizetype labelEnd)
{
    QList<Span> spans;
    const auto add = [&](Span span) {
        span = trimmed(text, span);
        if (span.end > span.start && !spans.contains(span))
            spans << span;
    };
    const qsizetype lineStart = lineStartOf(text, labelStart);
    const qsizetype lineEnd = lineEndOf(text, labelStart);
    const QList<Span> row = cells(text, lineStart, lineEnd);
    qsizetype at = -1; // the label's cell
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (row[i].start <= labelStart && labelStart < std::max(row[i].end, row[i].start + 1)) {
            at = i;
            break;
        }
    }
    Span cell{labelStart, std::min(lineEnd, std::max(labelEnd, labelStart))};
    if (at >= 0)
        cell = row[at];
    add(Span{std::min(labelEnd, cell.end), cell.end});
    if (at >= 0 && at + 1 < row.size())
        add(row[at + 1]);

    // The next non-empty line.
    qsizetype next = lineEnd + 1;
    while (next < text.size()) {
        const qsizetype end = lineEndOf(text, next);
        if (!cells(text, next, end).isEmpty())
            break;
        next = end + 1;
    }
    if (next >= text.size())
        return spans;
    const qsizetype nextEnd = lineEndOf(text, next);
    const QList<Span> below = cells(text, next, nextEnd);
    const int left = columnOf(text, lineStart, cell.start);
    const int right = std::max(columnOf(text, lineStart, cell.end), left + 1);
    int bestOverlap = 0;
    qsizetype best = -1;
    for (qsizetype i = 0; i < below.size(); ++i) {
        const int l = columnOf(text, next, below[i].start);
        const int r = std::max(columnOf(text, next, below[i].end), l + 1);
        const int overlap = std::min(r, right) - std::max(l, left);
        if (overlap > bestOverlap) {
            bestOverlap = overlap;
            best = i;
        }
    }
    if (best >= 0)
        add(below[best]);
    else if (row.size() <= 1 && !below.isEmpty())
        add(below.first());
    return spans;
}

} // namespace TextLayout
