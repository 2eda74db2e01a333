#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>

// Plain text of word-processor, rich-text and web documents, chosen by extension:
//   docx, odt     the document's XML part read out of the zip (paragraphs as lines)
//   rtf, rtfd     control words stripped; \uN, \'hh (in the document's or the font's code
//                 page) and the symbol words kept as characters; an rtfd bundle's TXT.rtf
//   html, htm     converted like a browser's plain-text copy, nothing loaded from outside
//   webarchive    the main resource's HTML (or text) out of the binary property list
//   doc           through catdoc, run as a child process with a time-out
//   pages         not read: empty text
// Every failure gives empty text. `limit` lets a reader stop once it holds more than that
// many user-perceived characters (negative: read everything); the caller makes the cut.
// The caller applies the size limit to the file before calling.
namespace OfficeReader {

QString read(const QString &path, qsizetype limit = -1);

QString docxText(const QString &path, qsizetype limit = -1);
QString odtText(const QString &path, qsizetype limit = -1);
QString rtfText(const QByteArray &rtf, qsizetype limit = -1);
// `charset` is the declared encoding when one is known outside the document (a web
// archive's text encoding name); else a byte-order mark, a <meta> charset, UTF-8 if the
// bytes are valid UTF-8, and windows-1252 are tried in that order.
QString htmlText(const QByteArray &html, const QString &charset = QString());
QString webArchiveText(const QByteArray &archive);
QString docText(const QString &path);

// The program that turns a .doc into UTF-8 text on its standard output.
struct DocConverter
{
    QString program = QStringLiteral("catdoc");
    QStringList arguments = {QStringLiteral("-d"), QStringLiteral("utf-8"), QStringLiteral("-w")};
    std::chrono::milliseconds timeout{10000};
};
DocConverter docConverter();
// Replaces the converter (tests); the file's path is appended to the arguments.
void setDocConverter(const DocConverter &converter);

} // namespace OfficeReader
