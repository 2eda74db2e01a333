#include "ThumbnailProvider.h"

#include <QFileInfo>
#include <QSet>

bool ThumbnailProvider::hasThumbnailExtension(const QString &path)
{
    static const QSet<QString> extensions = {
        "png", "jpg", "jpeg", "heic", "heif", "webp", "gif",  "tiff", "tif",
        "bmp", "pdf", "mov",  "mp4",  "m4v",  "avi",  "mkv",  "key",  "numbers",
        "pages", "ppt", "pptx", "psd", "ai",  "svg",  "raw",  "dng"};
    return extensions.contains(QFileInfo(path).suffix().toLower());
}
