#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <Qt>

class QPainter;
class QRect;

// Plain text broken into lines of a given width (at word boundaries, else anywhere, so
// Chinese and long names wrap too), optionally cut to a number of lines with the last one
// elided at its end. For widgets that paint their own text.
namespace WrappedText {

struct Lines
{
    QStringList lines;
    bool cut = false; // text was left out
    int lineHeight = 0;

    int height() const { return int(lines.size()) * lineHeight; }
    int width(const QFont &font) const;
};

// `maxLines` 0 keeps every line. An empty text gives no lines.
Lines layout(const QString &text, const QFont &font, int width, int maxLines = 0);
// Draws the lines from the top of `rect`, each aligned by `horizontal` (left, centre, right).
void draw(QPainter &painter, const QRect &rect, const Lines &lines, const QFont &font,
          Qt::Alignment horizontal);

} // namespace WrappedText
