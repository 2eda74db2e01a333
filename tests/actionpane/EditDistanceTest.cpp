// The edit distance between a suggested and an edited name, and its size classes.
#include "action/EditDistance.h"

#include <gtest/gtest.h>

TEST(EditDistance, CountsUserPerceivedCharacters)
{
    const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467"); // man ZWJ woman ZWJ girl
    const struct
    {
        QString a, b;
        int distance;
    } cases[] = {
        {"", "abc", 3},
        {"abc", "", 3},
        {"flaw", "lawn", 2},
        {"2024-03-01_Acme_发票.pdf", "2024-03-01_Acme_发票.pdf", 0},
        {QStringLiteral("e\u0301"), QStringLiteral("\u00e9"), 0},          // combining accent = precomposed
        {QStringLiteral("cafe\u0301.txt"), QStringLiteral("cafe.txt"), 1}, // the accented letter is one character
        {family + "a", "a", 1},
        {family, QStringLiteral("\U0001F468"), 1},
        {"上海餐饮发票", "北京餐饮发票", 2},
        {"发票", "报销发票", 2},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(EditDistance::levenshtein(c.a, c.b), c.distance) << c.a.toStdString() << " → " << c.b.toStdString();
        EXPECT_EQ(EditDistance::levenshtein(c.b, c.a), c.distance) << "symmetric: " << c.a.toStdString();
    }
    EXPECT_EQ(EditDistance::characters(family).size(), 1);
}

TEST(EditDistance, BucketsSizeTheEdit)
{
    const std::pair<int, int> cases[] = {{0, 0}, {1, 1}, {3, 1}, {4, 2}, {10, 2}, {11, 3}, {400, 3}};
    for (const auto &[distance, bucket] : cases)
        EXPECT_EQ(EditDistance::bucket(distance), bucket) << distance;
}
