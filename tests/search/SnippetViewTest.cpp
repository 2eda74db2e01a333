// Snippets wrap to the row's width and are cut to three lines without splitting a
// character cluster.
#include "search/SnippetView.h"

#include <QApplication>
#include <QFontMetrics>
#include <QTextBoundaryFinder>

#include <gtest/gtest.h>

namespace {

QString repeat(const QString &piece, int times)
{
    QString out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

bool atClusterBoundary(const QString &text, qsizetype position)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(position);
    return finder.isAtBoundary();
}

} // namespace

TEST(SnippetView, CutsLongTextToThreeLinesAtClusterBoundaries)
{
    const QChar ellipsis(0x2026);
    struct Case
    {
        const char *name;
        QString text;
    };
    const Case cases[] = {
        {"family emoji joined by ZWJ", repeat(QStringLiteral("👨‍👩‍👧‍👦 "), 40) + repeat(QStringLiteral("👨‍👩‍👧‍👦"), 40)},
        {"flags", repeat(QStringLiteral("🇨🇳🇫🇷"), 80)},
        {"letters with combining marks", repeat(QStringLiteral("e\u0301a\u0308\u0301o\u0323"), 120)},
        {"Chinese with brackets", repeat(QStringLiteral("…甲方应支付[违约金]，逾期"), 30)},
        {"one long English word", repeat(QStringLiteral("supercalifragilistic"), 30)},
    };
    const QFont font = QApplication::font();
    for (int width : {60, 97, 180}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(width));
            const QStringList lines = SnippetView::wrap(c.text, font, width, 3);
            ASSERT_EQ(lines.size(), 3);
            ASSERT_TRUE(lines.last().endsWith(ellipsis)) << lines.last().toStdString();
            QString shown = lines.join(QString());
            shown.chop(1); // the ellipsis
            ASSERT_TRUE(c.text.startsWith(shown)) << shown.toStdString();
            // Every line break and the cut fall between clusters.
            qsizetype position = 0;
            for (const QString &line : lines.first(2)) {
                position += line.size();
                EXPECT_TRUE(atClusterBoundary(c.text, position)) << position;
            }
            EXPECT_TRUE(atClusterBoundary(c.text, shown.size())) << shown.size();
            EXPECT_LE(QFontMetrics(font).horizontalAdvance(lines.last()), width);
        }
    }
}

TEST(SnippetView, ShortTextStandsAsItIs)
{
    const QFont font = QApplication::font();
    const QString snippet = QStringLiteral("…合同约定[违约金]为…");
    EXPECT_EQ(SnippetView::wrap(snippet, font, 600, 3), QStringList({snippet}));
    EXPECT_TRUE(SnippetView::wrap(QString(), font, 600, 3).isEmpty());
    // Line breaks in the text start new lines and are not shown as characters.
    EXPECT_EQ(SnippetView::wrap(QStringLiteral("one\ntwo"), font, 600, 3), QStringList({"one", "two"}));

    SnippetView view;
    view.setText(snippet);
    view.resize(600, view.heightForWidth(600));
    EXPECT_EQ(view.shownLines(), QStringList({snippet}));
    EXPECT_EQ(view.heightForWidth(600), view.fontMetrics().lineSpacing());
    EXPECT_EQ(view.heightForWidth(40), 3 * view.fontMetrics().lineSpacing());
}
