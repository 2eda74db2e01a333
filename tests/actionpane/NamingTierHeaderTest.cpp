// The naming-tier header in its ready and basic forms, compact and full.
#include "WindowTestSupport.h"
#include "kit/NamingTierHeader.h"
#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

QColor textOf(const QLabel *label)
{
    return label->palette().color(QPalette::WindowText);
}

QString labelText(const QWidget *root, const char *name)
{
    const auto *label = root->findChild<QLabel *>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<missing>");
}

bool shown(const QWidget *root, const char *name)
{
    const auto *widget = root->findChild<QWidget *>(QString::fromLatin1(name));
    return widget && widget->isVisibleTo(root);
}

} // namespace

TEST(NamingTierHeader, EachFormShowsItsGlyphTitleColourAndBadge)
{
    ScopedLanguage zh(QStringLiteral("zh-Hans"));
    const QPalette palette = QApplication::palette();
    const QString basic = QStringLiteral("本地大脑未就绪，以下是根据文件名与内容规则的基础命名");
    const struct
    {
        bool ready, compact, stale;
        const char *glyph;
        QString title;
        QColor colour;
        Kit::TextRole role;
        bool badge, hint;
    } cases[] = {
        {true, true, false, "sparkles", "建议命名", Kit::mvCobalt(), Kit::TextRole::caption2, false, false},
        {true, false, false, "sparkles", "建议命名", Kit::textColor(Kit::Level::primary, palette), Kit::TextRole::headline, false, false},
        {true, false, true, "sparkles", "建议命名", Kit::textColor(Kit::Level::primary, palette), Kit::TextRole::headline, false, true},
        // Not ready: the caller's title and the stale hint are ignored.
        {false, true, true, "list.bullet", basic, Kit::textColor(Kit::Level::secondary, palette), Kit::TextRole::caption2, true, false},
        {false, false, true, "list.bullet", basic, Kit::textColor(Kit::Level::secondary, palette), Kit::TextRole::headline, true, false},
    };
    for (const auto &c : cases) {
        Kit::NamingTierHeader header(c.ready, QStringLiteral("建议命名"), c.compact, c.stale);
        header.resize(320, 80);
        header.show();
        const std::string where = "ready " + std::to_string(c.ready) + " compact " + std::to_string(c.compact);
        auto *glyph = header.findChild<Kit::SymbolView *>(QStringLiteral("tierGlyph"));
        ASSERT_TRUE(glyph);
        EXPECT_EQ(glyph->symbol(), c.glyph) << where;
        const auto *title = header.findChild<QLabel *>(QStringLiteral("tierTitle"));
        EXPECT_EQ(title->text(), c.title) << where;
        EXPECT_EQ(title->textFormat(), Qt::PlainText);
        EXPECT_EQ(textOf(title), c.colour) << where;
        EXPECT_EQ(title->font().pointSizeF(), Kit::font(c.role).pointSizeF()) << where;
        EXPECT_EQ(title->font().bold(), c.role == Kit::TextRole::headline) << where;
        EXPECT_EQ(shown(&header, "tierBadge"), c.badge) << where;
        EXPECT_EQ(labelText(&header, "tierBadge"), "基础");
        EXPECT_EQ(shown(&header, "tierStaleHint"), c.hint) << where;
    }
}

TEST(NamingTierHeader, TheFixedTextsFollowTheLanguageAndTheCobaltIsExact)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    Kit::NamingTierHeader header(false, {}, true, false);
    language.set(QStringLiteral("en"));
    EXPECT_NE(labelText(&header, "tierTitle"), QStringLiteral("本地大脑未就绪，以下是根据文件名与内容规则的基础命名"));
    EXPECT_NE(labelText(&header, "tierBadge"), QStringLiteral("基础"));
    EXPECT_EQ(Kit::mvCobalt(), QColor(21, 95, 190));
    EXPECT_EQ(Kit::tint(Kit::Tint::cobalt, Kit::darkPalette()), QColor(21, 95, 190));
}
