#include "ThumbnailCache.h"

#include "FileItem.h"

#include <QCache>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>
#include <QMutex>
#include <QMutexLocker>
#include <QPainter>
#include <QSvgRenderer>
#include <QThreadPool>
#include <QtConcurrent>

#include <poppler-qt6.h>

#include <cmath>
#include <limits>
#include <mutex>
#include <optional>

namespace {

// The largest side made, whatever is asked: far beyond any view, and it keeps a request
// for an absurd size from allocating gigabytes.
constexpr int maxPixels = 4096;

QThreadPool &pool()
{
    // Kept for the whole run; idle threads end after the pool's expiry time.
    static QThreadPool *instance = [] {
        auto *threads = new QThreadPool;
        threads->setMaxThreadCount(qMax(2, QThread::idealThreadCount() / 2));
        threads->setObjectName(QStringLiteral("Thumbnails"));
        return threads;
    }();
    return *instance;
}

void quietPoppler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Poppler::setDebugErrorFunction([](const QString &, const QVariant &) {}, QVariant());
    });
}

QSize fitted(const QSizeF &natural, int pixels)
{
    const QSize size = natural.scaled(pixels, pixels, Qt::KeepAspectRatio).toSize();
    return size.expandedTo(QSize(1, 1));
}

QImage raster(const QString &path, int pixels)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize natural = reader.size();
    if (natural.isValid() && (natural.width() > pixels || natural.height() > pixels))
        reader.setScaledSize(fitted(natural, pixels));
    QImage image = reader.read();
    if (!image.isNull() && (image.width() > pixels || image.height() > pixels))
        image = image.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

QImage svg(const QString &path, int pixels)
{
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QSizeF natural = renderer.viewBoxF().size();
    if (natural.isEmpty())
        natural = renderer.defaultSize();
    if (natural.isEmpty())
        natural = QSizeF(1, 1);
    QImage image(fitted(natural, pixels), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

QImage pdf(const QString &path, int pixels)
{
    quietPoppler();
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document)
        return {};
    if (document->isLocked()) {
        document->unlock(QByteArray(), QByteArray());
        if (document->isLocked())
            return {};
    }
    const std::unique_ptr<Poppler::Page> page = document->page(0);
    if (!page)
        return {};
    const QSizeF points = page->pageSizeF();
    if (points.isEmpty())
        return {};
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    const double dpi = 72.0 * pixels / qMax(points.width(), points.height());
    QImage image = page->renderToImage(dpi, dpi);
    if (!image.isNull() && (image.width() > pixels || image.height() > pixels))
        image = image.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace

struct ThumbnailCache::State
{
    mutable QMutex lock;
    QCache<QString, QImage> cache{ThumbnailCache::defaultByteLimit}; // cost in bytes
};

namespace {

// The key keeps the whole part of the size: 84.9 and 84 points share one entry. None
// for a size that is not a positive finite number within 64 bits.
std::optional<QString> keyFor(const QString &path, double size)
{
    constexpr double largest = double(std::numeric_limits<qint64>::max());
    if (!std::isfinite(size) || size <= 0 || size >= largest || path.isEmpty())
        return std::nullopt;
    return FileItem::identityPath(path) + u'|' + QString::number(qint64(size));
}

} // namespace

ThumbnailCache::ThumbnailCache() : m_state(std::make_shared<State>()) {}

ThumbnailCache::~ThumbnailCache() = default;

QImage ThumbnailCache::generate(const QString &path, int pixels)
{
    // Only regular files are read: a pipe or a device would block or never end.
    if (pixels < 1 || !QFileInfo(path).isFile())
        return {};
    pixels = qMin(pixels, maxPixels);
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    if (type.inherits(QStringLiteral("application/pdf")))
        return pdf(path, pixels);
    if (type.inherits(QStringLiteral("image/svg+xml")) ||
        type.inherits(QStringLiteral("image/svg+xml-compressed")))
        return svg(path, pixels);
    return raster(path, pixels);
}

QFuture<QImage> ThumbnailCache::thumbnail(const QString &pathIn, double size, double scale)
{
    const std::optional<QString> key = keyFor(pathIn, size);
    if (!key)
        return QtFuture::makeReadyFuture(QImage());
    if (QImage hit = cached(pathIn, size, scale); !hit.isNull())
        return QtFuture::makeReadyFuture(hit);

    const QString path = FileItem::identityPath(pathIn);
    const double ratio = std::isfinite(scale) && scale > 1 ? scale : 1.0;
    const int pixels = int(qMin(std::ceil(size * ratio), double(maxPixels)));
    return QtConcurrent::run(&pool(), [state = m_state, path, key = *key, pixels, ratio] {
        QImage image = generate(path, pixels);
        if (image.isNull())
            return image; // not kept: the next request tries again
        image.setDevicePixelRatio(ratio);
        QMutexLocker locker(&state->lock);
        state->cache.insert(key, new QImage(image), image.sizeInBytes());
        return image;
    });
}

QImage ThumbnailCache::cached(const QString &path, double size, double)
{
    const std::optional<QString> key = keyFor(path, size);
    if (!key)
        return {};
    QMutexLocker locker(&m_state->lock);
    const QImage *hit = m_state->cache.object(*key);
    return hit ? *hit : QImage();
}

qsizetype ThumbnailCache::byteLimit() const
{
    QMutexLocker locker(&m_state->lock);
    return m_state->cache.maxCost();
}

void ThumbnailCache::setByteLimit(qsizetype bytes)
{
    QMutexLocker locker(&m_state->lock);
    m_state->cache.setMaxCost(qMax<qsizetype>(0, bytes));
}

qsizetype ThumbnailCache::keptBytes() const
{
    QMutexLocker locker(&m_state->lock);
    return m_state->cache.totalCost();
}
