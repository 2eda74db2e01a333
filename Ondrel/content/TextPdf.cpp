#include "TextPdf.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QMap>
#include <QStandardPaths>
#include <QTextLayout>

namespace TextPdf {

namespace {

// Faces are measured at this pixel size, so that their advances come out in the PDF's
// glyph-space units (thousandths of the font size).
constexpr int unitsPerEm = 1000;

QByteArray num(double value)
{
    return QByteArray::number(value, 'f', 2);
}

// Printable Latin-1 only: these lines go through Helvetica's WinAnsiEncoding, which agrees
// with Latin-1 outside 0x80–0x9F.
bool isLatin1Line(const QString &line)
{
    for (const QChar c : line) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0) || u > 0xFF)
            return false;
    }
    return true;
}

// The face that draws the line's font: Helvetica is whatever fontconfig substitutes for it;
// STSong-Light is not installed on Linux, and poppler draws it with the Simplified Chinese
// face fontconfig offers, which is Noto CJK where fonts-noto-cjk is installed.
QFont face(bool latin)
{
    QFont font;
    if (latin) {
        font.setFamily(QStringLiteral("Helvetica"));
        font.setStyleHint(QFont::SansSerif);
    } else {
        font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Serif CJK SC"),
                          QStringLiteral("Source Han Sans SC"), QStringLiteral("WenQuanYi Micro Hei")});
    }
    font.setPixelSize(unitsPerEm);
    font.setKerning(false); // the PDF places glyphs by their advances alone
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// UniGB-UCS2-H as poppler reads it: UCS-2 code → Adobe-GB1 CID. Needed to give the CIDs
// their widths; empty when poppler-data is missing (then the default width applies).
const QHash<char16_t, int> &gbCids()
{
    static const QHash<char16_t, int> cids = [] {
        QHash<char16_t, int> map;
        const QString name = QStringLiteral("poppler/cMap/Adobe-GB1/UniGB-UCS2-H");
        QString path = QStandardPaths::locate(QStandardPaths::GenericDataLocation, name);
        if (path.isEmpty())
            path = QStringLiteral("/usr/share/") + name;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return map;
        bool inRanges = false;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine().trimmed();
            if (line.endsWith("begincidrange")) {
                inRanges = true;
                continue;
            }
            if (line == "endcidrange") {
                inRanges = false;
                continue;
            }
            const QList<QByteArray> parts = line.split(' ');
            if (!inRanges || parts.size() != 3 || parts[0].size() != 6 || parts[1].size() != 6)
                continue;
            bool fromOk = false, toOk = false, cidOk = false;
            const uint from = parts[0].mid(1, 4).toUInt(&fromOk, 16);
            const uint to = parts[1].mid(1, 4).toUInt(&toOk, 16);
            const int cid = parts[2].toInt(&cidOk);
            if (!fromOk || !toOk || !cidOk || to < from)
                continue;
            for (uint u = from; u <= to; ++u)
                map.insert(char16_t(u), cid + int(u - from));
        }
        return map;
    }();
    return cids;
}

} // namespace

int Objects::add(const QByteArray &body)
{
    m_bodies << body;
    return int(m_bodies.size());
}

void Objects::set(int number, const QByteArray &body)
{
    m_bodies[number - 1] = body;
}

QByteArray Objects::file(int root, const QByteArray &trailerEntries) const
{
    QByteArray pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < m_bodies.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + m_bodies[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(m_bodies.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(m_bodies.size() + 1) + " /Root " +
           QByteArray::number(root) + " 0 R";
    if (!trailerEntries.isEmpty())
        pdf += " " + trailerEntries;
    pdf += " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

QByteArray stream(const QByteArray &data, const QByteArray &entries)
{
    QByteArray dictionary = "<< ";
    if (!entries.isEmpty())
        dictionary += entries + " ";
    return dictionary + "/Length " + QByteArray::number(data.size()) + " >>\nstream\n" + data +
           "\nendstream";
}

QByteArray Text::box(const QString &text, const QRectF &box, double pageHeight, double fontSize,
                     double *bottom)
{
    const double scale = fontSize / unitsPerEm;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QByteArray out;
    double y = box.top();
    bool full = false;
    for (const QString &paragraph : text.split(u'\n')) {
        const bool latin = isLatin1Line(paragraph);
        const QFont font = face(latin);
        const QFontMetricsF metrics(font);
        const double ascent = metrics.ascent() * scale;
        const double height = (metrics.ascent() + metrics.descent()) * scale;
        const double spacing = metrics.lineSpacing() * scale;
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
            row.setLineWidth(box.width() / scale);
            if (y + height > box.bottom()) {
                full = true;
                break;
            }
            // The spaces where the line was broken are not drawn.
            QString shown = paragraph.mid(row.textStart(), row.textLength());
            while (shown.endsWith(u' '))
                shown.chop(1);
            if (!shown.isEmpty())
                out += line(shown, QPointF(box.left(), pageHeight - (y + ascent)), fontSize);
            y += spacing;
        }
        layout.endLayout();
        if (full)
            break;
    }
    if (bottom)
        *bottom = y;
    return out;
}

QByteArray Text::line(const QString &text, const QPointF &baseline, double fontSize)
{
    const bool latin = isLatin1Line(text);
    QByteArray codes;
    if (latin) {
        codes = text.toLatin1().toHex();
    } else {
        // UCS-2 code units; characters beyond the Basic Multilingual Plane have no code in
        // this encoding and show as missing glyphs.
        for (const QChar c : text) {
            codes += QByteArray::number(c.unicode(), 16).rightJustified(4, '0');
            m_chineseShown.insert(c.unicode());
        }
    }
    return "BT /" + QByteArray(latin ? "F1 " : "F2 ") + num(fontSize) + " Tf " + num(baseline.x()) +
           " " + num(baseline.y()) + " Td <" + codes + "> Tj ET\n";
}

QByteArray Text::addFonts(Objects &objects) const
{
    const QFontMetricsF latin(face(true));
    QByteArray widths;
    for (int code = 32; code <= 255; ++code) {
        const bool drawn = code < 0x7F || code >= 0xA0;
        widths += QByteArray::number(drawn ? qRound(latin.horizontalAdvance(QChar(code))) : 0) + ' ';
    }
    const int helvetica = objects.add(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding "
        "/FirstChar 32 /LastChar 255 /Widths [" + widths.trimmed() + "] >>");

    const QFontMetricsF chinese(face(false));
    QMap<int, int> widthByCid;
    for (const char16_t c : m_chineseShown) {
        const auto cid = gbCids().constFind(c);
        if (cid != gbCids().constEnd())
            widthByCid.insert(*cid, qRound(chinese.horizontalAdvance(QChar(c))));
    }
    QByteArray cidWidths;
    for (auto it = widthByCid.cbegin(); it != widthByCid.cend(); ++it)
        cidWidths += QByteArray::number(it.key()) + " [" + QByteArray::number(it.value()) + "] ";
    const int descriptor = objects.add(
        "<< /Type /FontDescriptor /FontName /STSong-Light /Flags 6 /FontBBox [-25 -254 1000 880] "
        "/ItalicAngle 0 /Ascent 880 /Descent -120 /CapHeight 880 /StemV 93 >>");
    const int descendant = objects.add(
        "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /STSong-Light /CIDSystemInfo "
        "<< /Registry (Adobe) /Ordering (GB1) /Supplement 4 >> /FontDescriptor " +
        QByteArray::number(descriptor) + " 0 R /DW 1000 /W [" + cidWidths.trimmed() + "] >>");
    const int song = objects.add("<< /Type /Font /Subtype /Type0 /BaseFont /STSong-Light "
                                 "/Encoding /UniGB-UCS2-H /DescendantFonts [" +
                                 QByteArray::number(descendant) + " 0 R] >>");
    return "/F1 " + QByteArray::number(helvetica) + " 0 R /F2 " + QByteArray::number(song) + " 0 R";
}

QByteArray page(const QString &text)
{
    const QSizeF letter(612, 792);
    constexpr double margin = 48;
    constexpr double fontSize = 13;

    Objects objects;
    const int catalog = objects.add();
    const int pages = objects.add();
    Text writer;
    const QByteArray content = writer.box(
        text, QRectF(QPointF(0, 0), letter).adjusted(margin, margin, -margin, -margin),
        letter.height(), fontSize);
    const QByteArray fonts = writer.addFonts(objects);
    const int contents = objects.add(stream(content));
    const int pageObject = objects.add(
        "<< /Type /Page /Parent " + QByteArray::number(pages) + " 0 R /MediaBox [0 0 " +
        num(letter.width()) + " " + num(letter.height()) + "] /Resources << /Font << " + fonts +
        " >> >> /Contents " + QByteArray::number(contents) + " 0 R >>");
    objects.set(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(pages) + " 0 R >>");
    objects.set(pages, "<< /Type /Pages /Kids [" + QByteArray::number(pageObject) +
                           " 0 R] /Count 1 >>");
    return objects.file(catalog);
}

} // namespace TextPdf
