#pragma once

#include "ThumbnailProvider.h"

#include <QFuture>
#include <QImage>
#include <QString>

#include <memory>

// Square thumbnails of files for one window, kept in memory up to a byte limit: past it the
// least recently used go first, so scrolling through thousands of images stays bounded.
// Raster images are read scaled (never enlarged), SVG drawings and the first page of a PDF
// are drawn to fit the square; other files have none. Generation runs on a thread pool of
// its own, never on the calling thread. Only the cache is serialised: two requests for the
// same file and size made before either finished both generate, and the later answer stays.
// The object can be destroyed while generations run; they finish without it.
class ThumbnailCache : public ThumbnailProvider
{
public:
    static constexpr qsizetype defaultByteLimit = qsizetype(128) << 20;

    ThumbnailCache();
    ~ThumbnailCache() override;

    ThumbnailCache(const ThumbnailCache &) = delete;
    ThumbnailCache &operator=(const ThumbnailCache &) = delete;

    // The thumbnail of the file at `path` for a square of `size` points on a screen of
    // `scale` pixels per point (below 1 counts as 1); the image carries that scale as its
    // device pixel ratio. A null image when none can be made, or when `size` is not a
    // positive finite number. Sizes with the same whole part share one entry (84.9 and 84).
    // A failure is not kept, so a later request tries again. Thread-safe.
    QFuture<QImage> thumbnail(const QString &path, double size, double scale) override;
    // The kept thumbnail for the same key, without making one; counts as a use.
    QImage cached(const QString &path, double size, double scale) override;

    // The most bytes of pixels kept; a smaller limit drops the least recently used now.
    // An image larger than the limit is handed out but not kept.
    qsizetype byteLimit() const;
    void setByteLimit(qsizetype bytes);
    qsizetype keptBytes() const;

    // The image made for the file at `path` to fit a square of `pixels` pixels, on the
    // calling thread; null when none can be made.
    static QImage generate(const QString &path, int pixels);

private:
    struct State;
    std::shared_ptr<State> m_state;
};
