#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMap>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <ostream>
#include <utility>

#include "Extractor.h"

// Readable test output for extraction results.
inline void PrintTo(const Extraction &e, std::ostream *os)
{
    *os << "{\"" << e.text.toStdString() << "\", " << e.source.toStdString() << "}";
}

// Small documents written from scratch for the content readers' tests and benchmark.
namespace Fixtures {

// A PDF writer for what tests need beyond the application's text pages (TextPdf): pages
// of any size and font size, text placed at points, lines in a font whose ToUnicode map
// sends the letters A-Z to chosen characters (as writers that map glyphs to Kangxi
// radicals do), a picture covering the page, several pages, document information and a
// user password (RC4 40-bit, standard security handler revision 2).
class PdfBuilder
{
public:
    struct Page
    {
        QSizeF size{300, 200};
        // Text set by TextPdf (Latin-1 lines in Helvetica, others in STSong-Light), broken
        // to a box 10 points from the sides and one font size from top and bottom.
        QStringList lines;
        double fontSize = 10;
        QString mappedLine;   // letters A-Z (lines split at "\n"), shown through `mapping`
        bool mappedInvisible = false; // the mapped text is in the text layer only
        QImage picture;       // drawn over the whole page
        // Text placed at a point (x from the left, y of the baseline from the top, in
        // points), for table and column layouts.
        struct Placed
        {
            QPointF at;
            QString text;
        };
        QList<Placed> placed;
    };

    void addPage(const Page &page) { m_pages << page; }
    void setInfo(const QString &title, const QString &subject = {}, const QString &keywords = {});
    void setUserPassword(const QByteArray &password) { m_userPassword = password; }
    // The characters that the letters A, B, C... of `mappedLine` stand for.
    void setMapping(const QString &characters) { m_mapping = characters; }

    QByteArray build() const;

private:
    QList<Page> m_pages;
    QString m_title, m_subject, m_keywords;
    QByteArray m_userPassword;
    QString m_mapping;
};

// A zip file with the given entries (name → bytes), written through libarchive.
QByteArray zip(const QList<std::pair<QString, QByteArray>> &entries);

// A binary property list of the value: QVariantMap, QVariantList, QByteArray, QString,
// integers and booleans.
QByteArray binaryPropertyList(const QVariant &root);

// A Word 97 compound file whose WordDocument stream holds `text` (UTF-16, paragraphs
// ended by "\r"), the layout catdoc reads.
QByteArray wordDocument(const QString &text);

// An image of the lines drawn black on white in the given font family.
QImage paintedText(const QStringList &lines, const QString &family, int pixelSize,
                   const QSize &size);

} // namespace Fixtures
