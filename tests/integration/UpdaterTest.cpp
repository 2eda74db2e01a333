#include "Localization.h"
#include "LoopbackHttp.h"
#include "TestSupport.h"
#include "UpdateDialog.h"
#include "Updater.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using Loopback::waitFor;

QByteArray feed(const QByteArray &items)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:sparkle=\"urn:test-updates\">\n"
           "<channel><title>Marovel</title><link>https://marovel.example/</link>\n"
           + items + "</channel></rss>\n";
}

QByteArray item(const QByteArray &version, const QByteArray &notes = "Fixes.",
                const QByteArray &link = "https://marovel.example/download")
{
    return "<item><title>Marovel " + version + "</title><sparkle:shortVersionString>" + version
           + "</sparkle:shortVersionString><description><![CDATA[" + notes + "]]></description><link>" + link
           + "</link><enclosure url=\"https://marovel.example/m.tar.gz\" length=\"1\" type=\"application/octet-stream\"/></item>\n";
}

Loopback::Reply xml(const QByteArray &body, int status = 200)
{
    Loopback::Reply reply = Loopback::Reply::json(body, status);
    reply.contentType = "application/rss+xml";
    return reply;
}

TEST(UpdateFeed, ComparesDottedVersionsNumerically)
{
    const struct { const char *a; const char *b; int expected; } cases[] = {
        {"0.6.10", "0.6.9", 1}, {"1.0", "1.0.0", 0}, {"0.7-beta", "0.7", -1}, {"0.7-beta", "0.6.9", 1},
        {"0.6.0", "0.6", 0},    {"2", "10", -1},     {"v1.2", "1.2", 0},       {"0.7-beta", "0.7-rc", -1},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(UpdateFeed::compareVersions(QString::fromLatin1(c.a), QString::fromLatin1(c.b)), c.expected)
            << c.a << " vs " << c.b;
        EXPECT_EQ(UpdateFeed::compareVersions(QString::fromLatin1(c.b), QString::fromLatin1(c.a)), -c.expected);
    }
}

TEST(UpdateFeed, ReadsTheNewestItemAndOnlyWebLinks)
{
    const auto newest = UpdateFeed::parse(feed(item("0.6.9") + item("0.6.10") + item("0.5")));
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->version, QStringLiteral("0.6.10"));
    EXPECT_EQ(newest->title, QStringLiteral("Marovel 0.6.10"));
    EXPECT_EQ(newest->page, QUrl(QStringLiteral("https://marovel.example/download")));

    // The version from the enclosure's attributes.
    const auto enclosed = UpdateFeed::parse(feed(
        "<item><title>x</title><enclosure url=\"https://e/x\" sparkle:version=\"41\" sparkle:shortVersionString=\"1.2\"/></item>"));
    ASSERT_TRUE(enclosed);
    EXPECT_EQ(enclosed->version, QStringLiteral("1.2"));
    EXPECT_EQ(enclosed->page, QUrl(QStringLiteral("https://marovel.example/"))); // the channel's

    for (const char *link : {"javascript:alert(1)", "file:///etc/passwd", "ftp://host/x", "data:text/html,x"}) {
        const auto found = UpdateFeed::parse(feed(item("9.0", "n", link)));
        ASSERT_TRUE(found);
        EXPECT_TRUE(found->page.isEmpty()) << link;
    }
    EXPECT_FALSE(UpdateFeed::parse("<rss><channel><item><title>x"));
    EXPECT_FALSE(UpdateFeed::parse("{\"not\": \"xml\"}"));
}

TEST(UpdateFeed, ReadsTheAddressFromTheConfigFile)
{
    const QString path = TestSupport::root() + QStringLiteral("/update.json");
    TestSupport::writeFile(path, "{\"feedURL\": \"https://marovel.example/feed.xml\"}");
    EXPECT_EQ(UpdateFeed::urlFromConfig(path), QUrl(QStringLiteral("https://marovel.example/feed.xml")));
    TestSupport::writeFile(path, "{\"feedURL\": \"\"}");
    EXPECT_TRUE(UpdateFeed::urlFromConfig(path).isEmpty());
    EXPECT_TRUE(UpdateFeed::urlFromConfig(TestSupport::root() + QStringLiteral("/missing.json")).isEmpty());
}

TEST(Updater, TellsNewerSameOrOlderAndFailuresWithTheirReason)
{
    QByteArray body;
    int status = 200;
    Loopback::Server server([&](const Loopback::Request &) { return xml(body, status); });
    const struct {
        const char *name;
        QByteArray body;
        int status;
        Updater::State state;
    } cases[] = {
        {"newer", feed(item("0.6.10")), 200, Updater::State::newer},
        {"same", feed(item("0.6.9")), 200, Updater::State::upToDate},
        {"older", feed(item("0.5.0")), 200, Updater::State::upToDate},
        {"malformed", "<rss><channel><item>", 200, Updater::State::failed},
        {"not found", "nothing here", 404, Updater::State::failed},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        body = c.body;
        status = c.status;
        Updater updater(QUrl(server.url(QStringLiteral("/feed.xml"))), QStringLiteral("0.6.9"));
        QSignalSpy changed(&updater, &Updater::stateChanged);
        updater.check();
        EXPECT_EQ(updater.state(), Updater::State::checking);
        ASSERT_TRUE(waitFor([&] { return updater.state() != Updater::State::checking; }));
        EXPECT_EQ(updater.state(), c.state);
        if (c.state == Updater::State::failed) {
            EXPECT_FALSE(updater.failure().isEmpty());
        }
        if (c.status == 404) {
            EXPECT_TRUE(updater.failure().contains(QStringLiteral("404")));
        }
    }
}

TEST(Updater, AStalledOrOversizedFeedFails)
{
    Loopback::Server stalled([](const Loopback::Request &) {
        Loopback::Reply reply = xml(feed(item("1.0")));
        reply.mode = Loopback::Reply::Mode::stall;
        return reply;
    });
    Updater slow(QUrl(stalled.url(QStringLiteral("/feed.xml"))), QStringLiteral("0.6.9"));
    slow.setTimeout(300);
    slow.check();
    ASSERT_TRUE(waitFor([&] { return slow.state() != Updater::State::checking; }));
    EXPECT_EQ(slow.state(), Updater::State::failed);

    // 5 MiB, with and without a length announced in advance.
    for (const bool announced : {true, false}) {
        Loopback::Server big([announced](const Loopback::Request &) {
            Loopback::Reply reply = xml(feed(item("9.0", QByteArray(5 * 1024 * 1024, 'x'))));
            reply.contentLength = announced;
            return reply;
        });
        Updater updater(QUrl(big.url(QStringLiteral("/feed.xml"))), QStringLiteral("0.6.9"));
        updater.check();
        ASSERT_TRUE(waitFor([&] { return updater.state() != Updater::State::checking; }));
        EXPECT_EQ(updater.state(), Updater::State::failed) << announced;
        EXPECT_TRUE(updater.failure().contains(QStringLiteral("1 MiB"))) << updater.failure().toStdString();
    }
}

TEST(Updater, WithoutAFeedNothingIsFetched)
{
    Loopback::Server server([](const Loopback::Request &) { return xml(feed(item("9.0"))); });
    Updater updater(QUrl(), QStringLiteral("0.6.9"));
    updater.check();
    EXPECT_EQ(updater.state(), Updater::State::noFeed);
    QTest::qWait(100);
    EXPECT_EQ(server.hits(), 0);

    UpdateDialog dialog(updater, [](const QUrl &) {});
    EXPECT_FALSE(dialog.findChild<QPushButton *>(QStringLiteral("updateDownload"))->isVisibleTo(&dialog));
    EXPECT_EQ(dialog.findChild<QLabel *>(QStringLiteral("updateHeadline"))->text(),
              L("Marovel 的更新随安装它的软件包一起提供。"));
}

TEST(UpdateDialog, ShowsNotesAsPlainTextAndOpensOnlyWebPages)
{
    QByteArray link = "https://marovel.example/download";
    Loopback::Server server([&](const Loopback::Request &) {
        return xml(feed(item("1.0", "<script>alert(1)</script><b>bold</b>", link)));
    });
    QList<QUrl> opened;
    for (const QByteArray &candidate : {QByteArray("https://marovel.example/download"), QByteArray("javascript:alert(1)"),
                                        QByteArray("file:///etc/passwd")}) {
        link = candidate;
        Updater updater(QUrl(server.url(QStringLiteral("/feed.xml"))), QStringLiteral("0.6.9"));
        UpdateDialog dialog(updater, [&](const QUrl &url) { opened << url; });
        updater.check();
        ASSERT_TRUE(waitFor([&] { return updater.state() == Updater::State::newer; }));
        auto *notes = dialog.findChild<QPlainTextEdit *>(QStringLiteral("updateNotes"));
        EXPECT_EQ(notes->toPlainText(), QStringLiteral("<script>alert(1)</script><b>bold</b>"));
        auto *download = dialog.findChild<QPushButton *>(QStringLiteral("updateDownload"));
        EXPECT_EQ(download->isVisibleTo(&dialog), candidate.startsWith("https"));
        download->click();
    }
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://marovel.example/download"))});
}

} // namespace
