#include "QuickLookContent.h"

#include "DisplayHelpers.h"
#include "Extractor.h"
#include "FileLister.h"
#include "Localization.h"
#include "TextDecoding.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>

#include <poppler-qt6.h>

#include <memory>

namespace {

QImage readImage(const QString &path, const QSize &pixels)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize natural = reader.size();
    if (natural.isValid() && (natural.width() > pixels.width() || natural.height() > pixels.height()))
        reader.setScaledSize(natural.scaled(pixels, Qt::KeepAspectRatio).expandedTo({1, 1}));
    QImage image = reader.read();
    if (!image.isNull() && (image.width() > pixels.width() || image.height() > pixels.height()))
        image = image.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

QImage firstPdfPage(const QString &path, const QSize &pixels, int *pageCount)
{
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document || document->isLocked())
        return {};
    *pageCount = document->numPages();
    const std::unique_ptr<Poppler::Page> page = document->page(0);
    if (!page)
        return {};
    const QSizeF points = page->pageSizeF();
    if (points.isEmpty())
        return {};
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    const double dpi = 72.0 * qMin(pixels.width() / points.width(), pixels.height() / points.height());
    return page->renderToImage(dpi, dpi);
}

// The start of a text file, read as the extractor reads text: UTF-8 with repair, or the
// Chinese legacy character set when the bytes are not UTF-8 and the detector is sure. A
// sequence cut by the end of the bytes read is left out rather than shown as broken.
QString textStart(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(QuickLookContent::textBytes);
    const bool whole = file.atEnd();
    QString text = TextDecoding::utf8(bytes, whole);
    if (text.contains(QChar(QChar::ReplacementCharacter))) {
        if (const auto charset = TextDecoding::detectChineseCharset(bytes)) {
            if (const auto decoded = TextDecoding::decode(bytes, *charset))
                text = *decoded;
        }
    }
    return text;
}

bool isText(const QString &path, const QMimeType &type)
{
    return Extractor::textExt().contains(QFileInfo(path).suffix().toLower()) ||
           type.inherits(QStringLiteral("text/plain"));
}

} // namespace

QuickLookContent QuickLookContent::load(const QString &path, const QSize &pixels)
{
    QuickLookContent content;
    content.path = path;
    const QFileInfo info(path);
    content.exists = info.exists();
    content.isDir = info.isDir();
    content.modifiedText = content.exists ? dateStr(info.lastModified()) : QString();
    if (content.isDir) {
        content.iconName = QStringLiteral("folder");
        content.kindText = L("文件夹");
        return content;
    }

    const QMimeDatabase mimes;
    // Only a regular file is opened to sniff its type; others are known by name alone.
    const QMimeType type = info.isFile() ? mimes.mimeTypeForFile(info)
                                         : mimes.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    content.iconName = type.iconName();
    content.kindText = FileLister::kindOf(path, false); // as the list says it
    if (!info.isFile())
        return content;
    content.sizeText = sizeStr(info.size());
    if (info.size() == 0)
        return content;

    if (type.inherits(QStringLiteral("application/pdf"))) {
        content.image = firstPdfPage(path, pixels, &content.pageCount);
        if (!content.image.isNull())
            content.kind = Kind::pdf;
    } else if (isText(path, type)) {
        content.text = textStart(path);
        content.kind = Kind::text;
    } else if (QImageReader(path).canRead()) {
        content.image = readImage(path, pixels);
        if (!content.image.isNull())
            content.kind = Kind::image;
    }
    return content;
}
