#pragma once

#include <QList>
#include <QString>

// Where the value of a label stands in text laid out as a page. Text read from a PDF or
// recognised on a scan keeps a table's layout: cells of one row are set apart by wide gaps,
// and a header row's labels stand above their values. So a value need not follow its label
// on the same line; it may stand in the next cell, or in the same column of the next row.
namespace TextLayout {

struct Span
{
    qsizetype start = 0;
    qsizetype end = 0; // one past the last character
    bool operator==(const Span &other) const = default;
};

// The places a value of the label at [labelStart, labelEnd) may stand, most likely first:
// the rest of the label's cell (after a colon and spaces), the next cell of its line, and
// the cell of the next non-empty line that lies in the label's column (the start of that
// line when the label stands alone on its line). Empty places are left out.
QList<Span> valueSpans(const QString &text, qsizetype labelStart, qsizetype labelEnd);

// The cells of one line: runs of text set apart by a tab, a "|" or two or more spaces.
// Positions are offsets into `text`; `lineStart` and `lineEnd` bound the line.
QList<Span> cells(const QString &text, qsizetype lineStart, qsizetype lineEnd);

} // namespace TextLayout
