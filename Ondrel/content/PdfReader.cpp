#include "PdfReader.h"

#include "TextUtil.h"

#include <poppler-qt6.h>

#include <memory>
#include <mutex>

namespace PdfReader {

namespace {

constexpr qsizetype namingTextStop = 600;   // page text: stop at this many characters
constexpr qsizetype namingTextAccept = 200; // page text accepted without recognition
constexpr qsizetype namingOcrStop = 599;    // recognition: stop above this many
constexpr qsizetype ocrMargin = 40;         // recognition must beat page text by more
constexpr qsizetype minimumText = 20;       // shortest page text used at all
constexpr qsizetype indexOcrStop = Extractor::indexCut - 1;

void quietPoppler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Poppler::setDebugErrorFunction([](const QString &, const QVariant &) {}, QVariant());
    });
}

qsizetype count(const QString &text)
{
    return TextUtil::graphemeCount(text);
}

struct Opened
{
    std::unique_ptr<Poppler::Document> document;
    QString prefix;
};

// The document, unlocked with the empty password if it must be; null when it cannot be
// opened or stays locked.
Opened open(const QString &path)
{
    quietPoppler();
    Opened opened;
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document)
        return opened;
    if (document->isLocked()) {
        document->unlock(QByteArray(), QByteArray());
        if (document->isLocked())
            return opened;
    }
    for (const char *key : {"Title", "Subject", "Keywords"}) {
        const QString value = document->info(QString::fromLatin1(key)).trimmed();
        if (!value.isEmpty())
            opened.prefix += Extractor::foldRadicals(value) + QLatin1Char('\n');
    }
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    opened.document = std::move(document);
    return opened;
}

QString pageText(const Poppler::Document &document, int index)
{
    const std::unique_ptr<Poppler::Page> page = document.page(index);
    if (!page)
        return {};
    return Extractor::foldRadicals(page->text(QRectF()));
}

// The page drawn at the recognition scale; a null image when the page is missing or
// cannot be drawn.
QImage renderPage(const Poppler::Document &document, int index)
{
    const std::unique_ptr<Poppler::Page> page = document.page(index);
    if (!page)
        return {};
    const QSizeF size = page->pageSizeF();
    if (size.width() <= 0 || size.height() <= 0)
        return {};
    const double dpi = 72.0 * renderScale(size);
    QImage image = page->renderToImage(dpi, dpi);
    if (!image.isNull()) {
        const int dotsPerMeter = qRound(dpi / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
    }
    return image;
}

// Recognises the pages in order, each non-empty trimmed result followed by a line break,
// stopping after a rendered page once the text has more than `stopAbove` characters.
QString recognisePages(const Poppler::Document &document, const QList<int> &pages,
                       const Recognizer &recognize, qsizetype stopAbove)
{
    QString recognised;
    for (const int index : pages) {
        if (Extractor::stopped())
            break;
        const QImage image = renderPage(document, index);
        if (image.isNull())
            continue;
        const QString text = Extractor::foldRadicals(recognize(image)).trimmed();
        if (!text.isEmpty())
            recognised += text + QLatin1Char('\n');
        if (count(recognised) > stopAbove)
            break;
    }
    return recognised;
}

QList<int> allPages(int pageCount)
{
    QList<int> pages;
    for (int i = 0; i < pageCount; ++i)
        pages << i;
    return pages;
}

} // namespace

QString informationPrefix(const QString &path)
{
    return open(path).prefix;
}

QList<int> namingPages(int pageCount)
{
    if (pageCount <= 0)
        return {};
    if (pageCount < 4)
        return allPages(pageCount);
    return {0, 1, pageCount - 1};
}

double renderScale(const QSizeF &points)
{
    const double longer = std::max(points.width(), points.height());
    if (longer <= 0)
        return 1;
    return std::clamp(2200.0 / longer, 1.0, 3.0);
}

Extraction forNaming(const QString &path, const Recognizer &recognize)
{
    const Opened opened = open(path);
    if (!opened.document)
        return {QString(), ContentSource::pdf};
    const Poppler::Document &document = *opened.document;
    const QString &prefix = opened.prefix;
    const QList<int> pages = namingPages(document.numPages());

    QString collected;
    for (const int index : pages) {
        const QString text = pageText(document, index).trimmed();
        if (!text.isEmpty())
            collected += text + QLatin1Char('\n');
        if (count(collected) >= namingTextStop)
            break;
    }
    const QString layer = collected.trimmed();
    const qsizetype layerCount = count(layer);
    // A text layer of a font without a usable character map is no text: the pages are
    // recognised instead.
    const bool layerReadable = Extractor::isReadable(layer) && !Extractor::isBrokenText(layer);
    if (layerCount >= namingTextAccept && layerReadable)
        return {Extractor::cut(prefix + layer, Extractor::namingCut), ContentSource::pdfText};

    const QString recognised = recognisePages(document, pages, recognize, namingOcrStop).trimmed();
    if (!recognised.isEmpty() && (count(recognised) > layerCount + ocrMargin || !layerReadable))
        return {Extractor::cut(prefix + recognised, Extractor::namingCut), ContentSource::pdfOcr};
    if (layerCount >= minimumText && layerReadable)
        return {Extractor::cut(prefix + layer, Extractor::namingCut), ContentSource::pdfText};
    const QString rest = (prefix + recognised).trimmed();
    if (rest.isEmpty())
        return {QString(), ContentSource::pdf};
    return {Extractor::cut(rest, Extractor::namingCut), ContentSource::pdfOcr};
}

Extraction forIndex(const QString &path, const Recognizer &recognize)
{
    const Opened opened = open(path);
    if (!opened.document)
        return {QString(), ContentSource::pdf};
    const Poppler::Document &document = *opened.document;
    const QString &prefix = opened.prefix;
    const int pageCount = document.numPages();

    QString body;
    for (int index = 0; index < pageCount && !Extractor::stopped(); ++index) {
        const QString text = pageText(document, index);
        if (text.isEmpty())
            continue;
        body += text + QLatin1Char('\n');
        if (body.size() >= Extractor::indexCut && count(body) >= Extractor::indexCut)
            return {Extractor::cut(prefix + body, Extractor::indexCut), ContentSource::pdfText};
    }
    if (count(body) >= minimumText && Extractor::isReadable(body) && !Extractor::isBrokenText(body))
        return {Extractor::cut(prefix + body, Extractor::indexCut), ContentSource::pdfText};

    const QString recognised =
        recognisePages(document, allPages(pageCount), recognize, indexOcrStop);
    if (!recognised.isEmpty())
        return {Extractor::cut(prefix + recognised, Extractor::indexCut), ContentSource::pdfOcr};
    if (!body.isEmpty())
        return {Extractor::cut(prefix + body, Extractor::indexCut), ContentSource::pdfText};
    return {Extractor::cut(prefix, Extractor::indexCut), ContentSource::pdf};
}

} // namespace PdfReader
