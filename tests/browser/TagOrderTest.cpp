#include "DisplayHelpers.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(TagOrder, ColourTagsInTheirFixedOrderAndEverythingElseLast)
{
    const QStringList colours = {"Red", "Orange", "Yellow", "Green", "Blue", "Purple", "Gray"};
    for (int i = 0; i < colours.size(); ++i)
        EXPECT_EQ(tagOrder(colours[i]), i) << colours[i].toStdString();
    // Exact names only: other cases, localised names, spaces and custom tags come last.
    for (const char *other : {"red", "RED", "Grey", "红", " Red", "Red ", "Important", ""})
        EXPECT_EQ(tagOrder(other), 99) << other;

    QStringList tags = {"Important", "Gray", "Blue", "Red", "Purple"};
    std::stable_sort(tags.begin(), tags.end(),
                     [](const QString &a, const QString &b) { return tagOrder(a) < tagOrder(b); });
    EXPECT_EQ(tags, (QStringList{"Red", "Blue", "Purple", "Gray", "Important"}));
}

} // namespace
