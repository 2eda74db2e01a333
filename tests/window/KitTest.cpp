// The visual kit: icons by symbol name, colours in both palettes, text roles, eliding
// labels, mnemonic escaping and re-translation.
#include "WindowTestSupport.h"
#include "kit/Icons.h"
#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

// The symbol names the sources pass to the kit's icon calls, to the action pane's buttons
// and to its tiles (whose first argument is the tile's object name).
QSet<QString> symbolsUsedInSources()
{
    static const QRegularExpression use(QStringLiteral(
        R"re(\b(?:icon|iconButton|setIcon|SymbolView|setSymbol|ActionButton|tile)\(\s*)re"
        R"re((?:(?:QStringLiteral\("\w+"\)|[\w>\-.*&]+)\s*,\s*)?(?:QStringLiteral\(|u)?"([^"]+)")re"));
    QSet<QString> names;
    const QString source = QStringLiteral(MAROVEL_SOURCE_DIR);
    for (const char *folder : {"Ondrel", "shots", "bench"}) {
        QDirIterator it(source + "/" + folder, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString text = QString::fromUtf8(file.readAll());
            for (auto m = use.globalMatch(text); m.hasNext();)
                names << m.next().captured(1);
        }
    }
    return names;
}

// The colour of the most opaque pixel of an icon drawn at 32 px.
QColor inkOf(const QIcon &icon)
{
    const QImage image = icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
    QColor ink;
    int best = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > best) {
                best = c.alpha();
                ink = c;
            }
        }
    return ink;
}

struct ScopedPalette
{
    explicit ScopedPalette(const QPalette &palette) : saved(QApplication::palette())
    {
        QApplication::setPalette(palette);
    }
    ~ScopedPalette() { QApplication::setPalette(saved); }
    QPalette saved;
};

TEST(Kit, EverySymbolOfTheSourcesResolvesToAVisibleIconOffscreen)
{
    const QSet<QString> used = symbolsUsedInSources();
    EXPECT_TRUE(used.contains(QStringLiteral("brain")) && used.contains(QStringLiteral("exclamationmark.triangle")))
        << "the scan of the sources misses the banner's icons";
    EXPECT_TRUE(used.contains(QStringLiteral("trash")) && used.contains(QStringLiteral("eye")))
        << "the scan of the sources misses the action pane's buttons and tiles";
    QSet<QString> all = used;
    for (const QString &name : Kit::knownSymbols())
        all << name;
    for (const QString &name : all) {
        const QIcon icon = Kit::icon(name);
        ASSERT_FALSE(icon.isNull()) << name.toStdString() << " does not resolve";
        EXPECT_GT(inkOf(icon).alpha(), 100) << name.toStdString() << " draws nothing";
    }
    EXPECT_TRUE(Kit::icon(QStringLiteral("no.such.symbol")).isNull());
}

TEST(Kit, ThemeIconsComeThroughAdwaitaEvenWithoutADesktopTheme)
{
    EXPECT_EQ(Kit::themeNameOf(QStringLiteral("chevron.left")), "go-previous-symbolic");
    (void)Kit::icon(QStringLiteral("chevron.left"));
    EXPECT_FALSE(QIcon::themeName().isEmpty());
    EXPECT_TRUE(QIcon::hasThemeIcon(QStringLiteral("go-previous-symbolic")));
    // Own drawings stand in where no theme icon fits.
    EXPECT_EQ(Kit::themeNameOf(QStringLiteral("brain")), "");
}

TEST(Kit, IconsTakeThePaletteTextColourOrTheirOwn)
{
    const QString symbols[] = {QStringLiteral("chevron.left"), QStringLiteral("brain")};
    for (const QString &symbol : symbols) {
        {
            ScopedPalette light(Kit::lightPalette());
            EXPECT_LT(inkOf(Kit::icon(symbol)).lightnessF(), 0.3) << symbol.toStdString();
        }
        {
            ScopedPalette dark(Kit::darkPalette());
            EXPECT_GT(inkOf(Kit::icon(symbol)).lightnessF(), 0.7) << symbol.toStdString();
        }
    }
    const QColor orange = inkOf(Kit::icon(QStringLiteral("exclamationmark.triangle"), QColor(255, 128, 0)));
    EXPECT_EQ(orange.rgb(), QColor(255, 128, 0).rgb());

    QPushButton button;
    Kit::setIcon(&button, QStringLiteral("info.circle"));
    EXPECT_EQ(button.property(Kit::symbolProperty).toString(), "info.circle");
    EXPECT_FALSE(button.icon().isNull());
}

TEST(Kit, ColoursReadOnLightAndDarkPalettes)
{
    for (const QPalette &palette : {Kit::lightPalette(), Kit::darkPalette()}) {
        const double window = palette.color(QPalette::Window).lightnessF();
        const double primary = Kit::textColor(Kit::Level::primary, palette).lightnessF();
        const double secondary = Kit::textColor(Kit::Level::secondary, palette).lightnessF();
        const double tertiary = Kit::textColor(Kit::Level::tertiary, palette).lightnessF();
        // Each level lies between the one above and the background, and still differs from it.
        EXPECT_LT(std::abs(primary - window), 1.0);
        EXPECT_GT(std::abs(primary - window), std::abs(secondary - window));
        EXPECT_GT(std::abs(secondary - window), std::abs(tertiary - window));
        EXPECT_GT(std::abs(tertiary - window), 0.2);
        // A tinted fill stays close to the background.
        const QColor banner = Kit::fill(Kit::Tint::purple, 0.1, palette);
        EXPECT_LT(std::abs(banner.lightnessF() - window), 0.1);
    }
    EXPECT_FALSE(Kit::isDark(Kit::lightPalette()));
    EXPECT_TRUE(Kit::isDark(Kit::darkPalette()));
    EXPECT_NE(Kit::tint(Kit::Tint::red, Kit::lightPalette()), Kit::tint(Kit::Tint::red, Kit::darkPalette()));
}

TEST(Kit, ForegroundColoursFollowAPaletteSwitch)
{
    ScopedPalette light(Kit::lightPalette());
    QWidget window;
    auto *label = new QLabel(&window);
    Kit::setTextLevel(label, Kit::Level::secondary);
    EXPECT_EQ(label->palette().color(QPalette::WindowText),
              Kit::textColor(Kit::Level::secondary, Kit::lightPalette()));
    QApplication::setPalette(Kit::darkPalette());
    EXPECT_EQ(label->palette().color(QPalette::WindowText).rgb(),
              Kit::textColor(Kit::Level::secondary, Kit::darkPalette()).rgb());
}

TEST(Kit, TextRolesFollowTheBaseFont)
{
    QFont base;
    base.setPointSizeF(11);
    EXPECT_TRUE(Kit::font(Kit::TextRole::headline, base).bold());
    EXPECT_EQ(Kit::font(Kit::TextRole::headline, base).pointSizeF(), 11);
    EXPECT_EQ(Kit::font(Kit::TextRole::callout, base).pointSizeF(), 10);
    EXPECT_EQ(Kit::font(Kit::TextRole::subheadline, base).pointSizeF(), 10);
    EXPECT_EQ(Kit::font(Kit::TextRole::caption, base).pointSizeF(), 9);
    EXPECT_EQ(Kit::font(Kit::TextRole::caption2, base).pointSizeF(), 8);
    base.setPointSizeF(8);
    EXPECT_EQ(Kit::font(Kit::TextRole::caption2, base).pointSizeF(), 7) << "never unreadably small";
}

TEST(Kit, ElidingLabelShowsDataLiterallyAndTellsTheFullTextOnlyWhenCut)
{
    const QString name = QStringLiteral("<b>x</b>.pdf 一个很长很长的中文文件名称.pdf");
    Kit::ElidingLabel label(name);
    label.setElideMode(Qt::ElideMiddle);
    label.resize(label.sizeHint());
    label.show();
    EXPECT_FALSE(label.isElided());
    EXPECT_TRUE(label.toolTip().isEmpty());
    EXPECT_LT(label.minimumSizeHint().width(), 40) << "it can shrink";

    label.resize(60, label.height());
    EXPECT_TRUE(label.isElided());
    EXPECT_EQ(label.toolTip(), name);
    // A plain-text label would have to be told; a QLabel reading this as rich text shows "x".
    QLabel *plain = Kit::plainLabel(name);
    EXPECT_EQ(plain->textFormat(), Qt::PlainText);
    delete plain;

    label.resize(label.sizeHint());
    EXPECT_FALSE(label.isElided());
    EXPECT_TRUE(label.toolTip().isEmpty());
}

TEST(Kit, AmpersandsFromDataAreNoMnemonics)
{
    const QString escaped = Kit::escapeMnemonic(QStringLiteral("a & b && c"));
    EXPECT_EQ(escaped, "a && b &&&& c");
    EXPECT_TRUE(QKeySequence::mnemonic(escaped).isEmpty());
    EXPECT_FALSE(QKeySequence::mnemonic(QStringLiteral("a & b")).isEmpty()) << "what escaping prevents";
}

TEST(Kit, RetranslatesOnEveryLanguageChangeWhileItsContextLives)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    QStringList seen;
    auto *context = new QObject;
    Kit::retranslate(context, [&] { seen << L("重试"); });
    language.set(QStringLiteral("en"));
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, (QStringList{"重试", "Retry"}));
    delete context;
    language.set(QStringLiteral("zh-Hans"));
    QCoreApplication::processEvents();
    EXPECT_EQ(seen.size(), 2);
}

} // namespace
