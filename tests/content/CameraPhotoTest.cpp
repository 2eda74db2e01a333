// Camera photos against screenshots, from image metadata of generated JPEG and PNG files.
#include "ScenarioDetector.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

using ScenarioDetector::isCameraPhoto;

QString writeImage(const QString &name, const char *format)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(8, 8, 30, 20, Qt::darkBlue);
    painter.end();
    const QString path = QDir(TestSupport::root()).filePath(name);
    EXPECT_TRUE(image.save(path, format)) << name.toStdString();
    return path;
}

// Writes the given EXIF entries into the file.
void setExif(const QString &path, const std::vector<std::pair<const char *, const char *>> &entries)
{
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    ASSERT_TRUE(image.get());
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData();
    for (const auto &[key, value] : entries)
        exif[key] = std::string(value);
    image->setExifData(exif);
    image->writeMetadata();
}

TEST(CameraPhoto, MetadataTable)
{
    struct Case
    {
        const char *name;
        const char *format;
        std::vector<std::pair<const char *, const char *>> exif;
        bool camera;
    };
    const Case cases[] = {
        {"screenshot.png", "PNG", {}, false},
        {"plain.jpg", "JPEG", {}, false},
        // A capture time alone is enough.
        {"dated.jpg", "JPEG", {{"Exif.Photo.DateTimeOriginal", "2024:03:05 10:11:12"}}, true},
        {"make.jpg", "JPEG", {{"Exif.Image.Make", "Fujifilm"}}, true},
        {"model.jpg", "JPEG", {{"Exif.Image.Model", "X100V"}}, true},
        {"lens.jpg", "JPEG", {{"Exif.Photo.LensModel", "23mm F2"}}, true},
        // Metadata that says nothing about a camera.
        {"edited.jpg", "JPEG",
         {{"Exif.Image.Software", "Screenshot tool"}, {"Exif.Image.Artist", "me"}}, false},
        {"camera.png", "PNG", {{"Exif.Image.Make", "Google"}}, true},
    };
    for (const Case &c : cases) {
        const QString path = writeImage(c.name, c.format);
        if (!c.exif.empty())
            setExif(path, c.exif);
        EXPECT_EQ(isCameraPhoto(path), c.camera) << c.name;
        EXPECT_EQ(isCameraPhoto(QUrl::fromLocalFile(path)), c.camera) << c.name;
    }
}

TEST(CameraPhoto, WhatIsNoReadableImageIsNoCameraPhoto)
{
    const QString root = TestSupport::root();
    TestSupport::writeFile(root + "/text.jpg", "not an image at all");
    EXPECT_FALSE(isCameraPhoto(root + "/text.jpg"));

    // A JPEG cut off inside its metadata.
    const QString whole = writeImage("whole.jpg", "JPEG");
    setExif(whole, {{"Exif.Image.Make", "Canon"}});
    const QByteArray bytes = TestSupport::readFile(whole);
    TestSupport::writeFile(root + "/cut.jpg", bytes.left(40));
    EXPECT_FALSE(isCameraPhoto(root + "/cut.jpg"));

    TestSupport::writeFile(root + "/empty.png", QByteArray());
    EXPECT_FALSE(isCameraPhoto(root + "/empty.png"));
    EXPECT_FALSE(isCameraPhoto(root + "/missing.jpg"));
    EXPECT_FALSE(isCameraPhoto(root));
    EXPECT_FALSE(isCameraPhoto(QString()));
    EXPECT_FALSE(isCameraPhoto(QUrl("https://example.com/photo.jpg")));
}

} // namespace

#pragma GCC diagnostic pop
