// The row of tag dots: how many are drawn, where, and in which colours.
#include "DisplayHelpers.h"
#include "kit/TagDots.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// The colour at the centre of each of the first `positions` dot positions of a row painted
// at the top left of a transparent picture.
QList<QColor> paintedDots(const QStringList &tags, int positions)
{
    QImage image(100, 20, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        const QSize row = TagDots::rowSize(tags);
        TagDots::paint(painter, QRect(QPoint(0, 0), row.isEmpty() ? QSize(1, 1) : row), tags);
    }
    QList<QColor> colours;
    for (int i = 0; i < positions; ++i) {
        const int x = i * (TagDots::dotSize + TagDots::gap) + TagDots::dotSize / 2;
        colours << image.pixelColor(x, TagDots::dotSize / 2);
    }
    return colours;
}

TEST(TagDots, DrawsAtMostFourDotsInTheGivenOrder)
{
    struct Case
    {
        QStringList tags;
        int dots;
    };
    const Case cases[] = {
        {{}, 0},
        {{"Blue"}, 1},
        {{"Green", "Red", "Blue"}, 3},
        {{"Gray", "Red", "Orange", "Yellow"}, 4},
        {{"Purple", "Blue", "Green", "Yellow", "Orange", "Red"}, 4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tags.join(',').toStdString());
        EXPECT_EQ(TagDots::dotCount(c.tags), c.dots);
        TagDots widget(c.tags);
        EXPECT_EQ(widget.sizeHint(), TagDots::rowSize(c.tags));
        EXPECT_EQ(widget.sizeHint().width(), c.dots == 0 ? 0 : c.dots * 8 + (c.dots - 1) * 2);

        const QList<QColor> colours = paintedDots(c.tags, 6);
        for (int i = 0; i < 6; ++i) {
            if (i < c.dots)
                EXPECT_EQ(colours[i].rgb(), tagColor(c.tags[i]).rgb()) << "dot " << i;
            else
                EXPECT_EQ(colours[i].alpha(), 0) << "nothing at slot " << i;
        }
    }
}

TEST(TagDots, OtherTagNamesGetTheDimmedColourAndChangesResize)
{
    const QList<QColor> colours = paintedDots({"Important", "red"}, 2);
    EXPECT_EQ(colours[0].rgb(), tagColor("Important").rgb());
    EXPECT_EQ(colours[1].rgb(), tagColor("red").rgb());
    EXPECT_NE(colours[1].rgb(), tagColor("Red").rgb()); // names compare exactly

    TagDots widget({"Red"});
    widget.setTags({"Red", "Blue", "Green", "Gray", "Orange", "Purple"});
    EXPECT_EQ(widget.sizeHint(), QSize(38, 8));
    widget.setTags({});
    EXPECT_TRUE(widget.sizeHint().isEmpty());
}

} // namespace
