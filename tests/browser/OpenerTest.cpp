#include "Opener.h"

#include <QList>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

TEST(Opener, PathsReachTheHandlerAsFileUrls)
{
    QList<QUrl> seen;
    Opener::ScopedHandler handler([&](const QUrl &url) {
        seen << url;
        return url.fileName() != "refused.txt";
    });

    EXPECT_TRUE(Opener::open("/tmp/my files/报告 #1.pdf"));
    EXPECT_FALSE(Opener::open("/tmp/refused.txt")); // the handler's answer is passed on
    EXPECT_TRUE(Opener::openUrl(QUrl("https://example.org/a?b=c")));
    EXPECT_FALSE(Opener::open(""));                 // nothing to open, nobody asked

    ASSERT_EQ(seen.size(), 3);
    EXPECT_TRUE(seen[0].isLocalFile());
    EXPECT_EQ(seen[0].toLocalFile(), "/tmp/my files/报告 #1.pdf");
    EXPECT_EQ(seen[2], QUrl("https://example.org/a?b=c"));
}

TEST(Opener, NestedHandlersRestoreTheOuterOne)
{
    int outer = 0, inner = 0;
    Opener::ScopedHandler outerHandler([&](const QUrl &) { return ++outer, true; });
    {
        Opener::ScopedHandler innerHandler([&](const QUrl &) { return ++inner, false; });
        EXPECT_FALSE(Opener::open("/tmp/a"));
    }
    EXPECT_TRUE(Opener::open("/tmp/b"));
    EXPECT_EQ(inner, 1);
    EXPECT_EQ(outer, 1);
}

} // namespace
