#pragma once

#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QString>

// PDF files with text pages, written by hand so that their text layer holds exactly the
// characters drawn. Lines made only of Latin-1 characters are set in Helvetica, any other
// line in the CID font STSong-Light through the UniGB-UCS2-H encoding (both fonts are not
// embedded; readers take the encoding from poppler-data). Lines are broken with the
// metrics of the faces that draw these fonts on this system, and the same glyph widths
// are written into the font dictionaries, so a viewer places every glyph where the
// layout did: no overlaps, no gaps, no line running past its box.
namespace TextPdf {

// The numbered objects of a PDF file (object n is the n-th added).
class Objects
{
public:
    int add(const QByteArray &body = {});
    void set(int number, const QByteArray &body);
    // The whole file: header, objects, cross-reference table and a trailer naming `root`
    // as the catalog, followed by `trailerEntries` (such as "/Info 7 0 R").
    QByteArray file(int root, const QByteArray &trailerEntries = {}) const;

private:
    QList<QByteArray> m_bodies;
};

// A stream object's body: `entries` (dictionary entries other than /Length) and `data`.
QByteArray stream(const QByteArray &data, const QByteArray &entries = {});

// Text on pages. Remembers which characters the Chinese font has shown, so that its
// dictionary carries their widths.
class Text
{
public:
    // Content-stream operators that draw `text` inside `box` (page coordinates with y
    // growing downwards, on a page `pageHeight` points high): every line of the text is
    // broken to the box's width; lines that would end below the box are left out. The y
    // below the last line drawn goes to `bottom` when given.
    QByteArray box(const QString &text, const QRectF &box, double pageHeight, double fontSize,
                   double *bottom = nullptr);
    // Operators that draw one line, unbroken, from the point `baseline` (PDF coordinates,
    // y growing upwards).
    QByteArray line(const QString &text, const QPointF &baseline, double fontSize);
    // Adds the fonts to `objects` and returns the resource entries "/F1 … /F2 …": F1 is
    // Helvetica, F2 STSong-Light.
    QByteArray addFonts(Objects &objects) const;

private:
    QSet<char16_t> m_chineseShown;
};

// `text` as a one-page PDF of US Letter size (612 × 792 points), set in 13 points inside
// a 48-point margin; what does not fit on the page is cut off.
QByteArray page(const QString &text);

} // namespace TextPdf
