// A view's thumbnail requests: only cells still in view are asked for, a few at a time,
// each file once.
#include "LoopbackHttp.h"
#include "ThumbnailProvider.h"
#include "ThumbnailRequests.h"

#include <QPromise>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>

namespace {

using Loopback::waitFor;

// Counts the generations asked for; each stays open until the test finishes it.
class CountingProvider : public ThumbnailProvider
{
public:
    QHash<QString, QImage> kept;
    QStringList asked;
    QList<std::pair<QString, std::shared_ptr<QPromise<QImage>>>> open;

    QImage cached(const QString &path, double, double) override { return kept.value(path); }
    QFuture<QImage> thumbnail(const QString &path, double, double) override
    {
        asked << path;
        auto promise = std::make_shared<QPromise<QImage>>();
        promise->start();
        open.append({path, promise});
        return promise->future();
    }

    // Finishes the oldest open generation with an image (kept) or none.
    QString finishOne(bool succeed = true)
    {
        auto [path, promise] = open.takeFirst();
        QImage image;
        if (succeed) {
            image = QImage(4, 4, QImage::Format_RGB32);
            image.fill(Qt::red);
            kept.insert(path, image);
        }
        promise->addResult(image);
        promise->finish();
        return path;
    }
};

QImage picture()
{
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::green);
    return image;
}

TEST(ThumbnailRequests, OnlyCellsStillInViewAreGenerated)
{
    CountingProvider provider;
    ThumbnailRequests requests(provider);
    QSet<QString> visible;
    requests.setStillWanted([&](const QString &path) { return visible.contains(path); });
    QSignalSpy ready(&requests, &ThumbnailRequests::ready);

    // A fast scroll painted 2,000 cells; only the last screenful is still in view.
    QStringList paths;
    for (int i = 0; i < 2000; ++i)
        paths << QStringLiteral("/pics/%1.png").arg(i);
    for (const QString &path : paths)
        EXPECT_TRUE(requests.image(path).isNull());
    for (int i = 1980; i < 2000; ++i)
        visible << paths[i];
    EXPECT_TRUE(requests.image(paths[1999]).isNull()); // asked again while queued: once
    EXPECT_TRUE(provider.asked.isEmpty());             // nothing starts while painting

    ASSERT_TRUE(waitFor([&] { return provider.asked.size() == ThumbnailRequests::maxRunning; }));
    for (int done = 0; done < 20; ++done) {
        ASSERT_TRUE(waitFor([&] { return !provider.open.isEmpty(); }));
        EXPECT_LE(provider.open.size(), ThumbnailRequests::maxRunning);
        provider.finishOne();
    }
    ASSERT_TRUE(waitFor([&] { return ready.size() == 20; }));
    EXPECT_EQ(provider.asked, paths.mid(1980));
    EXPECT_EQ(ready.first().at(0).toString(), paths[1980]);

    // Kept thumbnails come back at once without a request; a cell skipped before is asked
    // for again once it is painted in view.
    EXPECT_FALSE(requests.image(paths[1990]).isNull());
    visible << paths[5];
    EXPECT_TRUE(requests.image(paths[5]).isNull());
    ASSERT_TRUE(waitFor([&] { return provider.asked.size() == 21; }));
    EXPECT_EQ(provider.asked.last(), paths[5]);
}

TEST(ThumbnailRequests, NamesWithoutThumbnailsAndFailuresAreNotAskedAgain)
{
    CountingProvider provider;
    provider.kept.insert("/d/kept.png", picture());
    ThumbnailRequests requests(provider);
    EXPECT_EQ(requests.image("/d/kept.png"), picture());
    EXPECT_TRUE(requests.image("/d/notes.txt").isNull());
    EXPECT_TRUE(requests.image("/d/folder").isNull());
    EXPECT_TRUE(requests.image("/d/PHOTO.JPG").isNull()); // upper case counts
    ASSERT_TRUE(waitFor([&] { return provider.asked.size() == 1; }));
    EXPECT_EQ(provider.asked, QStringList({"/d/PHOTO.JPG"}));

    provider.finishOne(false);
    ASSERT_TRUE(waitFor([&] { return requests.running() == 0; }));
    EXPECT_TRUE(requests.image("/d/PHOTO.JPG").isNull());
    QTest::qWait(20);
    EXPECT_EQ(provider.asked.size(), 1); // the failure stands until clear()

    requests.clear();
    requests.image("/d/PHOTO.JPG");
    ASSERT_TRUE(waitFor([&] { return provider.asked.size() == 2; }));
}

TEST(ThumbnailRequests, ASizeChangeDropsQueuedRequestsAndLateResults)
{
    CountingProvider provider;
    ThumbnailRequests requests(provider);
    QSignalSpy ready(&requests, &ThumbnailRequests::ready);
    for (const char *name : {"/a.png", "/b.png", "/c.png", "/d.png"})
        requests.image(name);
    ASSERT_TRUE(waitFor([&] { return provider.asked.size() == 2; }));

    requests.setSize(128, 2);
    EXPECT_EQ(requests.queued(), 0);
    provider.finishOne();
    provider.finishOne();
    ASSERT_TRUE(waitFor([&] { return requests.running() == 0; }));
    EXPECT_TRUE(ready.isEmpty()); // made for the old size
    EXPECT_EQ(provider.asked, QStringList({"/a.png", "/b.png"}));

    provider.kept.clear();
    requests.image("/a.png"); // asked anew at the new size
    ASSERT_TRUE(waitFor([&] { return provider.asked.size() == 3; }));
    provider.finishOne();
    ASSERT_TRUE(waitFor([&] { return ready.size() == 1; }));
}

TEST(ThumbnailRequests, ResultsAfterTheViewIsGoneAreDropped)
{
    CountingProvider provider;
    auto requests = std::make_unique<ThumbnailRequests>(provider);
    requests->image("/late.png");
    ASSERT_TRUE(waitFor([&] { return provider.asked.size() == 1; }));
    requests.reset();
    provider.finishOne();
    QTest::qWait(20); // nothing may reach the destroyed object
}

} // namespace
