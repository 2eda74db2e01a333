#include "FileItem.h"
#include "PaneLayout.h"
#include "SortKey.h"
#include "UndoStep.h"
#include "ViewMode.h"

#include <QDir>
#include <QSet>

#include <gtest/gtest.h>

namespace {

TEST(Records, RawValuesAreComparedExactly)
{
    EXPECT_EQ(sortKeyFromRaw("date"), SortKey::Date);
    for (const char *wrong : {"Date", "", " date", "DATE"})
        EXPECT_EQ(sortKeyFromRaw(QString::fromLatin1(wrong)), std::nullopt) << wrong;
    EXPECT_EQ(paneLayoutFromRaw("triPin"), PaneLayout::TriPin);
    EXPECT_EQ(paneLayoutFromRaw("tripin"), std::nullopt);
    EXPECT_EQ(viewModeFromRaw("icon"), ViewMode::Icon);
    EXPECT_EQ(viewModeFromRaw("Icon"), std::nullopt);

    for (SortKey key : {SortKey::Name, SortKey::Size, SortKey::Kind, SortKey::Date})
        EXPECT_EQ(sortKeyFromRaw(rawValue(key)), key);
    for (ViewMode mode : {ViewMode::List, ViewMode::Icon})
        EXPECT_EQ(viewModeFromRaw(rawValue(mode)), mode);
    QSet<SortKey> keys{SortKey::Name, SortKey::Name, SortKey::Date};
    EXPECT_EQ(keys.size(), 2);
}

TEST(Records, LayoutsInPickerOrderWithTheirPaneCounts)
{
    QStringList raw;
    QList<int> counts;
    for (PaneLayout layout : allPaneLayouts()) {
        raw << rawValue(layout);
        counts << paneCount(layout);
        EXPECT_EQ(paneLayoutFromRaw(rawValue(layout)), layout);
    }
    EXPECT_EQ(raw, QStringList({"single", "dual", "triPin", "quad"}));
    EXPECT_EQ(counts, QList<int>({1, 2, 3, 4}));
}

TEST(Records, FileItemIdentityIsTheCleanedPath)
{
    FileItem a;
    a.path = FileItem::identityPath("/data/notes/a.txt");
    a.name = "a.txt";
    FileItem b = a;
    b.name = "renamed";
    EXPECT_EQ(a.id(), b.id());

    // A fresh item carries no suggestion.
    EXPECT_FALSE(a.suggestion.has_value());
    EXPECT_EQ(a.conf, QString::fromUtf8("—"));
    EXPECT_TRUE(a.reason.isEmpty());
    EXPECT_FALSE(a.accept);
    EXPECT_EQ(a.created, FileItem::distantPast());

    const struct
    {
        QString in, out;
    } cases[] = {{"/a/b/", "/a/b"},
                 {"/a/./b/../c", "/a/c"},
                 {"//a//b", "/a/b"},
                 {"/", "/"},
                 {"rel/x", QDir::currentPath() + "/rel/x"}};
    for (const auto &c : cases)
        EXPECT_EQ(FileItem::identityPath(c.in), c.out) << c.in.toStdString();
}

TEST(Records, EveryUndoStepGetsAFreshIdentity)
{
    UndoStep one;
    UndoStep two;
    EXPECT_NE(one.id, two.id);
    EXPECT_FALSE(one.id.isNull());
}

} // namespace
