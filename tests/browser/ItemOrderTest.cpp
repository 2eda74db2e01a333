#include "BrowserTestSupport.h"
#include "ItemOrder.h"
#include "Localization.h"
#include "NameCollator.h"

#include <gtest/gtest.h>

using namespace BrowserTest;

namespace {

QDateTime day(int d)
{
    return QDateTime(QDate(2024, 1, d), QTime(12, 0), Qt::UTC);
}

QStringList sorted(QList<FileItem> items, SortKey key, bool ascending)
{
    ItemOrder::sort(items, key, ascending);
    return names(items);
}

class ItemOrderTest : public testing::Test
{
protected:
    void SetUp() override { Loc::shared().setOverride(QStringLiteral("en")); }
};

TEST_F(ItemOrderTest, EachKeyInBothDirections)
{
    const QList<FileItem> items{
        item("b.txt", false, 10, day(3), "Text"),
        item("Docs", true, 0, day(5), "Folder"),
        item("a.pdf", false, 30, day(1), "PDF"),
        item("c.txt", false, 10, day(2), "Text"),
        item("Archive", true, 0, day(4), "Folder"),
    };
    struct Case
    {
        SortKey key;
        bool ascending;
        QStringList expected;
    };
    const Case cases[] = {
        // Folders lead whatever the direction, except by date.
        {SortKey::Name, true, {"Archive", "Docs", "a.pdf", "b.txt", "c.txt"}},
        {SortKey::Name, false, {"Docs", "Archive", "c.txt", "b.txt", "a.pdf"}},
        // Equal sizes fall back to the name, and descending reverses that too.
        {SortKey::Size, true, {"Archive", "Docs", "b.txt", "c.txt", "a.pdf"}},
        {SortKey::Size, false, {"Docs", "Archive", "a.pdf", "c.txt", "b.txt"}},
        {SortKey::Kind, true, {"Archive", "Docs", "a.pdf", "b.txt", "c.txt"}},
        {SortKey::Kind, false, {"Docs", "Archive", "c.txt", "b.txt", "a.pdf"}},
        // By date folders and files mix.
        {SortKey::Date, true, {"a.pdf", "c.txt", "b.txt", "Archive", "Docs"}},
        {SortKey::Date, false, {"Docs", "Archive", "b.txt", "c.txt", "a.pdf"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(sorted(items, c.key, c.ascending), c.expected)
            << rawValue(c.key).toStdString() << (c.ascending ? " ascending" : " descending");
}

TEST_F(ItemOrderTest, NumbersByValueAndCaseIgnored)
{
    const QList<FileItem> items{item("file 10"), item("File 9"), item("file 100"), item("b"),
                                item("A")};
    EXPECT_EQ(sorted(items, SortKey::Name, true),
              (QStringList{"A", "b", "File 9", "file 10", "file 100"}));
}

TEST_F(ItemOrderTest, NamesThatDifferOnlyInCaseKeepAStrictOrderBothWays)
{
    const NameCollator collator;
    const FileItem lower = item("a.txt");
    const FileItem upper = item("A.txt");
    for (const SortKey key : {SortKey::Name, SortKey::Size, SortKey::Kind, SortKey::Date}) {
        for (const bool ascending : {true, false}) {
            const bool lowerFirst = ItemOrder::lessThan(lower, upper, key, ascending, collator);
            const bool upperFirst = ItemOrder::lessThan(upper, lower, key, ascending, collator);
            EXPECT_NE(lowerFirst, upperFirst) << rawValue(key).toStdString() << ascending;
            EXPECT_FALSE(ItemOrder::lessThan(lower, lower, key, ascending, collator));
        }
    }
    // Descending is the exact mirror of ascending.
    const QStringList up = sorted({lower, upper, item("b.txt")}, SortKey::Name, true);
    QStringList down = sorted({upper, item("b.txt"), lower}, SortKey::Name, false);
    std::reverse(down.begin(), down.end());
    EXPECT_EQ(up, down);
}

TEST_F(ItemOrderTest, KindTextsInNameOrderThenNames)
{
    const QList<FileItem> items{item("z", false, 0, day(1), "Text 10"),
                                item("y", false, 0, day(1), "text 9"),
                                item("x", false, 0, day(1), "Text 10")};
    EXPECT_EQ(sorted(items, SortKey::Kind, true), (QStringList{"y", "x", "z"}));
}

} // namespace
