// The action button: its fill by hover, equal columns whatever the labels, the bar's
// leading content, wrapping labels, verbatim labels and keyboard use.
#include "action/ActionButton.h"
#include "action/ActionGrid.h"
#include "action/ActionPaneModel.h"
#include "ActionTestSupport.h"
#include "WindowTestSupport.h"
#include "kit/Style.h"

#include <QApplication>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <cmath>

#include <gtest/gtest.h>

namespace {

// A window-coloured surface holding one button of the given width.
struct Surface
{
    explicit Surface(ActionButton *button, int width)
    {
        window.setAutoFillBackground(true);
        window.setPalette(Kit::lightPalette());
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        button->setParent(&window);
        layout->addWidget(button);
        layout->addStretch(1);
        window.resize(width, 300);
        window.show();
        QApplication::processEvents();
    }
    QWidget window;
};

// How much of the tint covers the window colour at a pixel, from the channel that differs most.
double coverageAt(const QImage &image, const QPoint &at, const QColor &tint, const QColor &window)
{
    const QColor seen = image.pixelColor(at);
    const int channels[3][3] = {{seen.red(), tint.red(), window.red()},
                                {seen.green(), tint.green(), window.green()},
                                {seen.blue(), tint.blue(), window.blue()}};
    int best = 0;
    for (int i = 1; i < 3; ++i) {
        if (std::abs(channels[i][1] - channels[i][2]) > std::abs(channels[best][1] - channels[best][2]))
            best = i;
    }
    return double(channels[best][0] - channels[best][2]) / (channels[best][1] - channels[best][2]);
}

void hover(QWidget *widget, bool in)
{
    if (in) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget, &leave);
    }
}

} // namespace

TEST(ActionButton, FillsWithItsTintAtRestAndBrighterWhileHovered)
{
    struct Case
    {
        bool hero;
        double rest;
        double hovered;
    };
    for (const Case c : {Case{false, 0.10, 0.18}, Case{true, 0.18, 0.28}}) {
        auto *button = new ActionButton("trash", "移到废纸篓", Kit::Tint::red, c.hero);
        Surface surface(button, 320);
        const QColor tint = Kit::tint(Kit::Tint::red, button->palette());
        const QColor window = surface.window.palette().color(QPalette::Window);
        // A point on the fill only: the left edge, half-way down.
        const QPoint probe = button->mapTo(&surface.window, QPoint(3, button->height() / 2));
        for (const bool in : {false, true, false}) {
            hover(button, in);
            const QImage image = surface.window.grab().toImage();
            EXPECT_NEAR(coverageAt(image, probe, tint, window), in ? c.hovered : c.rest, 0.02)
                << (c.hero ? "bar" : "tile") << (in ? " hovered" : " at rest");
        }
    }
}

TEST(ActionButton, TwoColumnsAreEquallyWideWhateverTheLabels)
{
    ScopedLanguage language("en");
    BrowserState state;
    ActionPaneModel model(state);
    auto *grid = new ActionGrid(model);
    FileItem file = BrowserTest::item("notes.txt");
    grid->setItem(file);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(grid);
    window.resize(300, 600);
    window.show();
    QApplication::processEvents();
    const QList<ActionButton *> &tiles = grid->tiles();
    ASSERT_EQ(tiles.size(), 7);
    // Row 4 holds "Show in File Manager" and "Move to Trash"; the odd last tile keeps the left column.
    const ActionButton *reveal = tiles.at(5);
    const ActionButton *trash = tiles.at(6);
    EXPECT_NE(QFontMetrics(reveal->font()).horizontalAdvance(reveal->label()),
              QFontMetrics(trash->font()).horizontalAdvance(trash->label()));
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(tiles.at(2 * row)->width(), tiles.at(2 * row + 1)->width()) << row;
        EXPECT_EQ(tiles.at(2 * row)->x(), tiles.at(0)->x());
        EXPECT_GT(tiles.at(2 * row + 1)->x(), tiles.at(2 * row)->geometry().right());
    }
    EXPECT_EQ(trash->x(), tiles.at(0)->x());
    EXPECT_EQ(trash->width(), tiles.at(0)->width());
}

TEST(ActionButton, TheBarKeepsItsSymbolAtTheLeadingEdge)
{
    for (const int width : {260, 700}) {
        auto *button = new ActionButton("wand.and.stars", "AI 起个好名字", Kit::Tint::purple, true);
        Surface surface(button, width);
        const QImage image = surface.window.grab(button->geometry()).toImage();
        const QColor fill = image.pixelColor(3, button->height() / 2);
        // The first column, from the left, where something is drawn over the fill (inside
        // the focus ring, rows clear of the rounded corners).
        int first = -1;
        for (int x = 3; x < image.width() && first < 0; ++x) {
            for (int y = 12; y < image.height() - 12; ++y) {
                const QColor c = image.pixelColor(x, y);
                if (std::abs(c.red() - fill.red()) + std::abs(c.green() - fill.green()) +
                        std::abs(c.blue() - fill.blue()) > 90) {
                    first = x;
                    break;
                }
            }
        }
        EXPECT_GE(first, 14) << width;
        EXPECT_LE(first, 22) << width;
    }
}

TEST(ActionButton, ALongLabelWrapsAndTheTileGrows)
{
    auto *button = new ActionButton("doc.on.doc", "Copy every selected item to the clipboard", std::nullopt, false);
    EXPECT_GT(button->heightForWidth(90), button->heightForWidth(600));
    Surface narrow(button, 90);
    const int wrapped = button->height();
    narrow.window.resize(600, 300);
    QApplication::processEvents();
    EXPECT_LT(button->height(), wrapped);
    EXPECT_TRUE(button->sizePolicy().hasHeightForWidth());
}

TEST(ActionButton, ShowsItsLabelVerbatimAndClicksFromTheKeyboard)
{
    auto *button = new ActionButton("folder", "Tom & Jerry", Kit::Tint::accent, false);
    Surface surface(button, 200);
    EXPECT_EQ(button->label(), "Tom & Jerry");
    EXPECT_EQ(button->accessibleName(), "Tom & Jerry");
    EXPECT_TRUE(button->text().isEmpty()) << "no mnemonic shortcut is made from the label";
    EXPECT_EQ(button->focusPolicy(), Qt::StrongFocus);
    QSignalSpy clicked(button, &ActionButton::clicked);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(clicked.count(), 1);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_EQ(clicked.count(), 2) << "the whole drawn area takes clicks";
}
