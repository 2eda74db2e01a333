#include "ScenarioDetector.h"

#include <QFileInfo>

#include <mutex>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace ScenarioDetector {

namespace {

void prepareExiv2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // The XMP toolkit's set-up is not thread-safe; do it once before any reading.
        Exiv2::XmpParser::initialize();
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    });
}

} // namespace

bool isCameraPhoto(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return false;
    prepareExiv2();
    try {
        // Opened as a local file: the path is never taken for a remote address.
        Exiv2::BasicIo::AutoPtr io(new Exiv2::FileIo(QFile::encodeName(path).toStdString()));
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(io);
        if (!image.get())
            return false;
        image->readMetadata();
        const Exiv2::ExifData &exif = image->exifData();
        for (const char *key : {"Exif.Image.Make", "Exif.Image.Model", "Exif.Photo.LensModel",
                                "Exif.Photo.DateTimeOriginal"}) {
            if (exif.findKey(Exiv2::ExifKey(key)) != exif.end())
                return true;
        }
        return false;
    } catch (const std::exception &) {
        // Not an image, or one whose metadata cannot be read.
        return false;
    }
}

bool isCameraPhoto(const QUrl &url)
{
    return url.isLocalFile() && isCameraPhoto(url.toLocalFile());
}

} // namespace ScenarioDetector

#pragma GCC diagnostic pop
