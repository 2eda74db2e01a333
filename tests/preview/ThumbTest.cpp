// The thumbnail view of one file: which files it asks thumbnails for, and that a picture
// never outlives the file it was made for.
#include "BrowserState.h"
#include "LoopbackHttp.h"
#include "TestSupport.h"
#include "ThumbnailProvider.h"
#include "kit/Thumb.h"

#include <QPromise>

#include <gtest/gtest.h>

#include <memory>

namespace {

using Loopback::waitFor;

// Counts the thumbnails asked for; each stays open until the test answers it.
class CountingProvider : public ThumbnailProvider
{
public:
    struct Ask
    {
        QString path;
        double size;
        double scale;
        std::shared_ptr<QPromise<QImage>> promise;
    };
    QList<Ask> asked;

    QImage cached(const QString &, double, double) override { return {}; }
    QFuture<QImage> thumbnail(const QString &path, double size, double scale) override
    {
        auto promise = std::make_shared<QPromise<QImage>>();
        promise->start();
        asked.append({path, size, scale, promise});
        return promise->future();
    }
    static void answer(const Ask &ask, const QImage &image)
    {
        ask.promise->addResult(image);
        ask.promise->finish();
    }
};

QImage colour(Qt::GlobalColor c)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(c);
    return image;
}

Thumb::IconLookup icons()
{
    return [](const QString &, bool isDir) {
        return QIcon::fromTheme(isDir ? "folder" : "text-x-generic");
    };
}

TEST(Thumb, AsksOnlyForFilesWithThumbnailExtensionsAtScaleTwo)
{
    CountingProvider provider;
    Thumb thumb(provider, icons());
    thumb.setSide(84.5);
    struct Case
    {
        QString path;
        bool isDir;
        bool thumbnail;
        bool asks;
    };
    const QList<Case> cases = {
        {"/d/notes.txt", false, true, false},
        {"/d/PHOTO.JPG", false, true, true},
        {"/d/scan.pdf", false, true, true},
        {"/d/photo.jpg", false, false, false}, // thumbnails off: the icon only
        {"/d/album.png", true, true, false},   // a folder with an image's name
        {"/d/README", false, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const qsizetype before = provider.asked.size();
        thumb.setFile(c.path, c.isDir, c.thumbnail);
        ASSERT_EQ(provider.asked.size() - before, c.asks ? 1 : 0);
        if (c.asks) {
            EXPECT_EQ(provider.asked.last().path, c.path);
            EXPECT_EQ(provider.asked.last().size, 84.5);
            EXPECT_EQ(provider.asked.last().scale, 2);
        }
    }
    EXPECT_EQ(thumb.sizeHint(), QSize(85, 85));
}

TEST(Thumb, APictureNeverOutlivesItsFile)
{
    CountingProvider provider;
    Thumb thumb(provider, icons());
    thumb.setFile("/d/a.jpg", false);
    CountingProvider::answer(provider.asked.at(0), colour(Qt::red));
    ASSERT_TRUE(waitFor([&] { return !thumb.image().isNull(); }));

    // Another image: the old picture goes at once, the new one comes when made.
    thumb.setFile("/d/b.jpg", false);
    EXPECT_TRUE(thumb.image().isNull());
    // A text file while b's thumbnail is still being made: b's late answer is dropped.
    thumb.setFile("/d/c.txt", false);
    CountingProvider::answer(provider.asked.at(1), colour(Qt::green));
    QTest::qWait(20);
    EXPECT_TRUE(thumb.image().isNull());

    // Answers arriving out of order: only the file shown now counts.
    thumb.setFile("/d/d.png", false);
    thumb.setFile("/d/e.png", false);
    CountingProvider::answer(provider.asked.at(3), colour(Qt::blue));
    CountingProvider::answer(provider.asked.at(2), colour(Qt::yellow));
    ASSERT_TRUE(waitFor([&] { return !thumb.image().isNull(); }));
    QTest::qWait(20);
    EXPECT_EQ(thumb.image().pixelColor(0, 0), QColor(Qt::blue));

    // No thumbnail could be made: the icon stays.
    thumb.setFile("/d/f.png", false);
    CountingProvider::answer(provider.asked.at(4), QImage());
    QTest::qWait(20);
    EXPECT_TRUE(thumb.image().isNull());

    // The view is gone before its answer: nothing reaches it.
    auto gone = std::make_unique<Thumb>(provider, icons());
    gone->setFile("/d/g.png", false);
    gone.reset();
    CountingProvider::answer(provider.asked.last(), colour(Qt::red));
    QTest::qWait(20);
}

TEST(Thumb, ShowsTheWindowCachesThumbnailOfARealPhoto)
{
    const QString path = TestSupport::root() + "/camera/IMG_0001.JPG";
    TestSupport::writeFile(path, {});
    QImage photo(400, 300, QImage::Format_RGB32);
    photo.fill(QColor(200, 30, 30));
    ASSERT_TRUE(photo.save(path, "JPG"));

    BrowserState state;
    Thumb thumb(state);
    thumb.setSide(64);
    thumb.setFile(path, false);
    ASSERT_TRUE(waitFor([&] { return !thumb.image().isNull(); }));
    EXPECT_EQ(thumb.image().size(), QSize(128, 96)); // 64 points at scale 2
    EXPECT_EQ(thumb.image().devicePixelRatio(), 2);
    EXPECT_FALSE(state.thumbs().cached(path, 64, 2).isNull());

    const QImage shot = thumb.grab().toImage();
    EXPECT_EQ(shot.size(), QSize(64, 64) * shot.devicePixelRatio());
}

} // namespace
