#include "TestSupport.h"
#include "ThumbnailCache.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sys/stat.h>

namespace {

QImage wait(QFuture<QImage> future)
{
    future.waitForFinished();
    return future.result();
}

void writePng(const QString &path, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    TestSupport::writeFile(path, {}); // creates the folder
    ASSERT_TRUE(image.save(path, "PNG"));
}

void writeSvg(const QString &path)
{
    TestSupport::writeFile(path, R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="50"
  viewBox="0 0 100 50"><rect width="100" height="50" fill="#00ff00"/></svg>)");
}

// An A4 page painted red all over.
void writePdf(const QString &path)
{
    TestSupport::writeFile(path, {});
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    painter.fillRect(QRect(QPoint(0, 0), QSize(writer.width(), writer.height())), Qt::red);
}

QColor centre(const QImage &image)
{
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

TEST(ThumbnailCache, MakesThumbnailsOfImagesDrawingsAndDocuments)
{
    const QString dir = TestSupport::makeFolder("thumbs");
    writePng(dir + "/wide.png", {200, 100}, Qt::blue);
    writePng(dir + "/icon.png", {16, 16}, Qt::blue);
    writeSvg(dir + "/drawing.svg");
    writeSvg(dir + "/drawing without extension");
    writePdf(dir + "/page.pdf");

    struct Case
    {
        const char *name;
        QSize expected;
        QColor colour;
    };
    const QList<Case> cases = {
        {"wide.png", {40, 20}, Qt::blue},
        {"icon.png", {16, 16}, Qt::blue}, // never enlarged
        {"drawing.svg", {40, 20}, QColor(0, 255, 0)},
        {"drawing without extension", {40, 20}, QColor(0, 255, 0)},
        {"page.pdf", {28, 40}, Qt::red}, // 210 × 297 mm
    };
    ThumbnailCache cache;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = wait(cache.thumbnail(dir + "/" + c.name, 40, 1));
        ASSERT_FALSE(image.isNull());
        EXPECT_NEAR(image.width(), c.expected.width(), 1);
        EXPECT_NEAR(image.height(), c.expected.height(), 1);
        EXPECT_EQ(centre(image).rgb(), c.colour.rgb());
    }
}

TEST(ThumbnailCache, ScaleBelowOneCountsAsOne)
{
    const QString path = TestSupport::root() + "/wide.png";
    writePng(path, {200, 100}, Qt::blue);
    struct Case
    {
        double scale;
        QSize expected;
        double ratio;
    };
    for (const Case &c : {Case{0.5, {40, 20}, 1}, Case{1, {40, 20}, 1}, Case{3, {120, 60}, 3},
                          Case{std::nan(""), {40, 20}, 1}}) {
        SCOPED_TRACE(c.scale);
        ThumbnailCache cache; // the scale is not part of the key
        const QImage image = wait(cache.thumbnail(path, 40, c.scale));
        EXPECT_EQ(image.size(), c.expected);
        EXPECT_EQ(image.devicePixelRatio(), c.ratio);
    }
}

TEST(ThumbnailCache, SizesWithTheSameWholePartShareOneEntry)
{
    const QString path = TestSupport::root() + "/photo.png";
    writePng(path, {300, 300}, Qt::blue);
    ThumbnailCache cache;
    const QImage first = wait(cache.thumbnail(path, 84.9, 1));
    ASSERT_FALSE(first.isNull());
    ASSERT_TRUE(QFile::remove(path)); // from now on only the cache can answer
    const QImage again = wait(cache.thumbnail(path, 84, 2));
    EXPECT_EQ(again, first);
    EXPECT_EQ(wait(cache.thumbnail(TestSupport::root() + "//photo.png", 84.2, 1)), first);
    EXPECT_TRUE(wait(cache.thumbnail(path, 85, 1)).isNull());
    EXPECT_TRUE(wait(ThumbnailCache().thumbnail(path, 84, 1)).isNull()); // one cache per window
}

TEST(ThumbnailCache, AFailureIsRetriedOnTheNextRequest)
{
    const QString path = TestSupport::root() + "/later.png";
    ThumbnailCache cache;
    EXPECT_TRUE(wait(cache.thumbnail(path, 64, 1)).isNull()); // missing
    TestSupport::writeFile(path, "not an image yet");
    EXPECT_TRUE(wait(cache.thumbnail(path, 64, 1)).isNull()); // unreadable
    writePng(path, {10, 10}, Qt::blue);
    EXPECT_EQ(wait(cache.thumbnail(path, 64, 1)).size(), QSize(10, 10));
}

TEST(ThumbnailCache, FilesWithoutThumbnailsAndBadSizesGiveNone)
{
    const QString dir = TestSupport::makeFolder("none");
    TestSupport::writeFile(dir + "/notes.txt", "plain text");
    TestSupport::writeFile(dir + "/broken.pdf", "%PDF-1.4 cut short");
    TestSupport::writeFile(dir + "/broken.svg", "<svg");
    TestSupport::makeFolder("none/Folder.png");
    // Reading a pipe would wait for a writer forever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir + "/pipe.png").constData(), 0600), 0);
    writePng(dir + "/fine.png", {8, 8}, Qt::blue);

    ThumbnailCache cache;
    for (const char *name : {"notes.txt", "broken.pdf", "broken.svg", "Folder.png", "pipe.png"}) {
        QFuture<QImage> future = cache.thumbnail(dir + "/" + name, 64, 1);
        EXPECT_TRUE(wait(future).isNull()) << name;
    }
    const double infinity = std::numeric_limits<double>::infinity();
    for (double size : {0.0, -5.0, std::nan(""), infinity, -infinity, 1e19}) {
        QFuture<QImage> future = cache.thumbnail(dir + "/fine.png", size, 1);
        EXPECT_TRUE(future.isFinished()) << size;
        EXPECT_TRUE(wait(future).isNull()) << size;
    }
    EXPECT_TRUE(wait(cache.thumbnail("", 64, 1)).isNull());
    // An absurd but finite size is answered within a sane bound, not allocated as asked.
    EXPECT_EQ(wait(cache.thumbnail(dir + "/broken.svg", 1e15, 1)), QImage());
    writeSvg(dir + "/huge.svg");
    EXPECT_LE(wait(cache.thumbnail(dir + "/huge.svg", 1e15, 1)).width(), 4096);
}

TEST(ThumbnailCache, GenerationOutlivesTheCache)
{
    const QString path = TestSupport::root() + "/late.png";
    writePng(path, {500, 500}, Qt::blue);
    QFuture<QImage> future;
    {
        ThumbnailCache cache;
        future = cache.thumbnail(path, 256, 2);
    }
    EXPECT_EQ(wait(future).size(), QSize(500, 500));
}

} // namespace

namespace {

TEST(ThumbnailCache, KeepsTheMostRecentlyUsedWithinItsByteLimit)
{
    const QString dir = TestSupport::makeFolder("bounded");
    QStringList paths;
    for (int i = 0; i < 4; ++i) {
        paths << QStringLiteral("%1/p%2.png").arg(dir).arg(i);
        writePng(paths.last(), {100, 100}, Qt::blue);
    }
    ThumbnailCache cache;
    EXPECT_EQ(cache.byteLimit(), ThumbnailCache::defaultByteLimit);
    const qsizetype one = wait(cache.thumbnail(paths[0], 50, 1)).sizeInBytes(); // 50 × 50
    cache.setByteLimit(3 * one);
    ASSERT_FALSE(wait(cache.thumbnail(paths[1], 50, 1)).isNull());
    ASSERT_FALSE(wait(cache.thumbnail(paths[2], 50, 1)).isNull());
    EXPECT_FALSE(cache.cached(paths[0], 50, 1).isNull()); // a use: p1 is now the oldest
    ASSERT_FALSE(wait(cache.thumbnail(paths[3], 50, 1)).isNull());

    EXPECT_TRUE(cache.cached(paths[1], 50, 1).isNull());
    for (int i : {0, 2, 3})
        EXPECT_FALSE(cache.cached(paths[i], 50.7, 2).isNull()) << i;
    EXPECT_EQ(cache.keptBytes(), 3 * one);

    cache.setByteLimit(one); // shrinking drops the oldest at once
    EXPECT_EQ(cache.keptBytes(), one);
    EXPECT_FALSE(cache.cached(paths[3], 50, 1).isNull());

    // An image larger than the whole limit is handed out but not kept.
    const QImage big = wait(cache.thumbnail(paths[1], 90, 1));
    EXPECT_EQ(big.size(), QSize(90, 90));
    EXPECT_TRUE(cache.cached(paths[1], 90, 1).isNull());
    EXPECT_TRUE(cache.cached(paths[1], -1, 1).isNull());
}

} // namespace
