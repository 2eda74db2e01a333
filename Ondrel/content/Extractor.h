#pragma once

#include <QFuture>
#include <QImage>
#include <QSet>
#include <QString>

#include <chrono>

class QThreadPool;

// What a content reader returns: the text (may be empty) and the label of how it was
// obtained (one of ContentSource).
struct Extraction
{
    QString text;
    QString source;
    bool operator==(const Extraction &other) const = default;
};

// The source labels of extracted text.
namespace ContentSource {
inline const QString online = QStringLiteral("online");      // a cloud placeholder
inline const QString pdfText = QStringLiteral("pdf-text");   // a PDF's text layer
inline const QString pdfOcr = QStringLiteral("pdf-ocr");     // recognised on PDF pages
inline const QString pdf = QStringLiteral("pdf");            // a PDF that gave no text
inline const QString imageOcr = QStringLiteral("image-ocr"); // recognised in an image
inline const QString office = QStringLiteral("office");      // word-processor, rich-text, web
inline const QString text = QStringLiteral("text");          // a plain-text file
inline const QString skip = QStringLiteral("skip");          // not read (naming)
inline const QString metadata = QStringLiteral("metadata");  // not read (index)
} // namespace ContentSource

// Reads the content of one local file as text. Two entry points serve two consumers:
// extract() gives a short excerpt for naming (1800 user-perceived characters at most),
// extractForIndex() up to 200,000 characters for the content index. Nothing is uploaded;
// nothing throws: every failure becomes empty text with the label of the branch taken.
//
// The readers block the calling thread (file reads, PDF rendering, recognition of up to
// 10 s per bitmap): call them on a worker thread, or use the ...Async forms, which run on
// the extractor's own pool (its threads keep their recognition engines loaded).
//
// Text comes back as read, apart from the cut and one repair: characters of the Kangxi
// and CJK radical blocks (U+2E80–U+2FDF) are folded to the unified ideographs they stand
// for, since some PDF writers map ideograph glyphs to radicals, which would hide words
// such as 日期 or 金额 from anything that searches the text.
class Extractor
{
public:
    enum class ExtractionQuality { textual, ocr, pdfNoText, other };

    static constexpr qint64 sizeLimit = 64LL * 1024 * 1024; // larger text/office files: empty
    static constexpr qsizetype namingCut = 1800;
    static constexpr qsizetype indexCut = 200000;
    static constexpr int downloadPasses = 60;
    static constexpr std::chrono::milliseconds downloadPause{500};

    // Lower-case extensions without the dot.
    static const QSet<QString> &imageExt();
    static const QSet<QString> &officeExt();
    static const QSet<QString> &textExt();

    // The excerpt for naming. With allowDownload a cloud placeholder is first asked for
    // and waited for (at most 60 pauses of 0.5 s).
    static Extraction extract(const QString &path, bool allowDownload);
    // The long text for the content index; never downloads.
    static Extraction extractForIndex(const QString &path);

    static QFuture<Extraction> extractAsync(const QString &path, bool allowDownload);
    static QFuture<Extraction> extractForIndexAsync(const QString &path);
    // The pool the ...Async forms run on (at most three threads, kept alive). At the end of
    // the process it stops the readers and waits for its threads.
    static QThreadPool &pool();
    // Makes every reader in progress give up at its next page or recognised word, and
    // every later call return empty text at once (application shutdown).
    static void stopAll();
    static bool stopped();

    // Whether the file is a cloud placeholder without local content (the platform's
    // OnlineOnly query; always false on Linux's own file systems).
    static bool isOnlineOnly(const QString &path);
    // "pdf-text", "text", "office" → textual; "pdf-ocr", "image-ocr" → ocr;
    // "pdf" → pdfNoText; anything else → other.
    static ExtractionQuality quality(const QString &source);

    // PDF readers (text layer, else recognition of rendered pages); see PdfReader.h.
    static Extraction extractPDF(const QString &path);
    static Extraction extractPDFForIndex(const QString &path);
    // Recognised text of an image file (no size limit), empty when it cannot be decoded.
    static QString ocrImage(const QString &path);
    // Recognised text of one bitmap (time limit 10 s), empty on failure.
    static QString ocrBitmap(const QImage &image);
    // At least half of the text's Unicode scalars are tab, line feed, space, letters,
    // marks, digits, or lie in U+2E80–U+FAFF.
    static bool isReadable(const QString &text);

    // Text of a font without a usable character map: runs of punctuation mixed into words
    // and random Latin letters, as a PDF's text layer gives when its glyphs map to nothing
    // meaningful. Such text may pass isReadable() but says nothing; texts under 40 visible
    // characters are never judged broken.
    static bool isBrokenText(const QString &text);
    // A PDF's information lines as the PDF readers put them before the page text (title,
    // subject and keywords, each followed by a line break); empty when it has none or
    // cannot be opened.
    static QString pdfInformation(const QString &path);

    // The path's extension as the readers see it: the text after the last "." of the
    // file name, lower-cased; empty without a dot, or for a name that only starts with one.
    static QString pathExtension(const QString &path);
    static QString foldRadicals(const QString &text);
    // The first `graphemes` user-perceived characters.
    static QString cut(const QString &text, qsizetype graphemes);
};
