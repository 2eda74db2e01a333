// The pure helpers of the window: the crumbs of a pane's path and the one percentage.
#include "DisplayHelpers.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "window/Crumbs.h"

#include <QDir>

#include <gtest/gtest.h>

#include <limits>

namespace {

QStringList pathsOf(const QList<Crumb> &crumbs)
{
    QStringList paths;
    for (const Crumb &c : crumbs)
        paths << c.path;
    return paths;
}

TEST(Crumbs, RunFromTheRootToTheFolder)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    const QString home = QDir::homePath(); // a temporary folder some levels below "/"
    const QString deep = TestSupport::makeFolder(QStringLiteral("a/<b>x.pdf/a & b"));

    struct Case {
        const char *name;
        QString folder;
        QStringList paths;
    };
    QStringList homeChain;
    for (QString p = home; p != u"/"; p = p.left(std::max<qsizetype>(p.lastIndexOf(u'/'), 1)))
        homeChain.prepend(p);
    homeChain.prepend(QStringLiteral("/"));
    const Case cases[] = {
        {"root", QStringLiteral("/"), {QStringLiteral("/")}},
        {"home", home, homeChain},
        {"trailing slash and dots", home + "/./", homeChain},
        {"empty", QString(), {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(pathsOf(crumbList(c.folder)), c.paths) << c.name;

    const QList<Crumb> root = crumbList(QStringLiteral("/"));
    EXPECT_EQ(root.first().name, displayName(QStringLiteral("/")));
    EXPECT_FALSE(root.first().name.isEmpty());
    EXPECT_EQ(crumbList(home).last().name, "个人");

    // Names are the folders' own, markup and ampersands included.
    const QList<Crumb> names = crumbList(deep);
    EXPECT_EQ(names.last().name, "a & b");
    EXPECT_EQ(names[names.size() - 2].name, "<b>x.pdf");
}

TEST(Crumbs, ADeepFolderKeepsItsFortyNearestAncestors)
{
    QString relative;
    for (int i = 1; i <= 50; ++i)
        relative += QStringLiteral("/d%1").arg(i);
    const QString folder = TestSupport::makeFolder(relative.mid(1));
    const QList<Crumb> crumbs = crumbList(folder);
    ASSERT_EQ(crumbs.size(), 41);
    EXPECT_EQ(crumbs.last().path, folder);
    EXPECT_EQ(crumbs.last().name, "d50");
    EXPECT_EQ(crumbs.first().name, "d10");
    EXPECT_NE(crumbs.first().path, "/");
}

TEST(Percent, CutsNeverRoundsAndTreatsNonNumbersAsZero)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double fraction;
        qint64 percent;
    } cases[] = {
        {0, 0},      {0.425, 42}, {0.5, 50},  {0.999, 99},   {1, 100},
        {0.29, 29},  {0.57, 57},  {-0.2, 0},  {7.5, 100},    {std::numeric_limits<double>::quiet_NaN(), 0},
        {inf, 0},    {-inf, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(percentOf(c.fraction), c.percent) << c.fraction;
}

} // namespace
