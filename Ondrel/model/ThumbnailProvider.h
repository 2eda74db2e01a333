#pragma once

#include <QFuture>
#include <QImage>
#include <QString>

// What views ask for thumbnails: the window's ThumbnailCache, or a stand-in in tests.
class ThumbnailProvider
{
public:
    virtual ~ThumbnailProvider() = default;

    // The thumbnail already made for the file and size, at once; null when none is kept.
    virtual QImage cached(const QString &path, double size, double scale) = 0;
    // The thumbnail, made off the calling thread unless kept; null when none can be made.
    virtual QFuture<QImage> thumbnail(const QString &path, double size, double scale) = 0;

    // Whether files with this name are worth asking about at all: images, PDF and SVG
    // documents, videos and the office formats with previews, by lower-case extension.
    static bool hasThumbnailExtension(const QString &path);
};
