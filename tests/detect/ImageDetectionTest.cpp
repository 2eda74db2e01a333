// Images: camera photos against screenshots from real image files, and one recognised
// image read end to end.
#include "DetectTestSupport.h"
#include "Extractor.h"
#include "NamingCore.h"

#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

QString writeImage(const QString &name, const char *format, const QStringList &lines = {})
{
    QImage image(lines.isEmpty() ? 64 : 900, lines.isEmpty() ? 48 : 80 + 70 * lines.size(),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(40);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(40, 80 + 70 * i, lines[i]);
    painter.end();
    const QString path = QDir(TestSupport::root()).filePath(name);
    EXPECT_TRUE(image.save(path, format)) << name.toStdString();
    return path;
}

void setCameraMake(const QString &path)
{
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    ASSERT_TRUE(image.get());
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData();
    exif["Exif.Image.Make"] = std::string("Fujifilm");
    image->setExifData(exif);
    image->writeMetadata();
}

ScenarioMatch detectFile(const QString &path, const QString &text, int *calls = nullptr)
{
    FakeModel model(QStringLiteral("Bluetooth settings"));
    const ScenarioMatch m = ScenarioDetector::detect(path, text, ContentSource::imageOcr, "m",
                                                     model.describe());
    if (calls)
        *calls = model.calls();
    return m;
}

TEST(ImageDetection, CameraPhotoAgainstScreenshot)
{
    const Pinned pinned;
    const QString text = QStringLiteral("Bluetooth settings: Wi-Fi on, AirDrop off");

    // No camera in the metadata: a screenshot, dated by the file itself.
    const QString png = writeImage("IMG_0001.png", "PNG");
    int calls = 0;
    ScenarioMatch m = detectFile(png, text, &calls);
    EXPECT_EQ(m.kind, ScenarioKind::screenshot);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(m.base, "截图_Bluetooth_settings");
    EXPECT_EQ(m.datePrefix, Core::fileDate(png));
    EXPECT_EQ(m.folderHint, "截图/" + Core::fileDate(png).left(7));

    // A camera made it: the empty unknown, and nobody is asked.
    const QString photo = writeImage("IMG_0002.jpg", "JPEG");
    setCameraMake(photo);
    m = detectFile(photo, text, &calls);
    EXPECT_EQ(m, ScenarioMatch{});
    EXPECT_EQ(calls, 0);

    // A camera photo named as a screenshot is one by its name.
    const QString named = writeImage("Screenshot_2024-03-05.jpg", "JPEG");
    setCameraMake(named);
    EXPECT_EQ(detectFile(named, text).kind, ScenarioKind::screenshot);

    // A photographed receipt is read by its text before any of this.
    EXPECT_EQ(detectFile(photo, "微信支付\n支付成功\n¥36.50\n交易时间 2024-03-05").kind,
              ScenarioKind::payment);
}

TEST(ImageDetection, ARecognisedImageEndToEnd)
{
    const Pinned pinned(QStringLiteral("en"));
    const QString path = writeImage("scan.png", "PNG",
                                    {"INVOICE", "Invoice Number: 1042", "Bill To: Globex Corporation",
                                     "Total Due: $42.00"});
    const Extraction extraction = Extractor::extract(path, false);
    ASSERT_EQ(extraction.source, ContentSource::imageOcr);
    FakeModel model;
    const ScenarioMatch m = ScenarioDetector::detect(path, extraction.text, extraction.source, "m",
                                                     model.describe());
    EXPECT_EQ(m.kind, ScenarioKind::invoice) << extraction.text.toStdString();
    EXPECT_EQ(m.conf, ScenarioMatch::Conf::medium); // recognised text is never high
    EXPECT_TRUE(m.base.contains("$42")) << m.base.toStdString();
}

} // namespace

#pragma GCC diagnostic pop
