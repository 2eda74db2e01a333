#pragma once

#include "Extractor.h"

#include <QImage>
#include <QList>
#include <QSizeF>
#include <QString>

#include <functional>

// The two PDF readers behind Extractor::extractPDF and extractPDFForIndex, with the
// recogniser handed in (the extractor passes tesseract; tests pass their own).
//
// Both open the document (a document that cannot be opened, or that stays locked after
// the empty password, gives empty text with "pdf"), build the information prefix (title,
// subject and keywords, each trimmed and followed by a line break) and read the text
// layer; when it is too short or not readable they render the pages and recognise them.
namespace PdfReader {

using Recognizer = std::function<QString(const QImage &)>;

// Naming: at most three pages (all of a document under four pages, else the first, the
// second and the last), page text until 600 characters, recognition until more than 599;
// the result cut to 1800 characters, labelled "pdf-text", "pdf-ocr" or "pdf".
Extraction forNaming(const QString &path, const Recognizer &recognize);
// Index: every page, up to 200,000 characters.
Extraction forIndex(const QString &path, const Recognizer &recognize);

// The document's information lines (title, subject, keywords, each trimmed and followed
// by a line break), exactly as both readers put them before the text; empty when there
// are none or the document cannot be opened.
QString informationPrefix(const QString &path);

// The 0-based pages the naming reader looks at, in order.
QList<int> namingPages(int pageCount);
// The factor by which a page of this size in points is drawn for recognition: 2200 over
// its longer side, kept between 1 and 3.
double renderScale(const QSizeF &points);

} // namespace PdfReader
